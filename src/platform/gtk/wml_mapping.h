// WAP pages: while the program's WML mapping is in the registry, a response
// of type text/vnd.wap.wml is fetched once more as a download and shown as
// HTML at its own address, instead of being offered as a file.
#pragma once

#include <webkit2/webkit2.h>

namespace qv::gtk {

class GtkPlatform;

inline constexpr char kWmlMimeType[] = "text/vnd.wap.wml";
inline constexpr char kWmlMappingKey[] =
    "Software\\Classes\\MIME\\Database\\Content Type\\text/vnd.wap.wml";

// True when the mapping applies and the decision has been taken here.
bool HandleWmlResponse(GtkPlatform* platform, WebKitWebView* view,
                       WebKitResponsePolicyDecision* decision);

}  // namespace qv::gtk
