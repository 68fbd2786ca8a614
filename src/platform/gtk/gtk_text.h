// Texts at the boundary to GTK, WebKit and the file system: the program's
// GBK bytes become UTF-8 on the way out and come back as GBK.
#pragma once

#include <string>

#include "platform/types.h"

namespace qv::gtk {

// GBK to UTF-8. Bytes that are not GBK become U+FFFD, so a hostile text
// still shows as something and never cuts the rest off.
std::string ToUtf8(const Text& gbk);
// UTF-8 to GBK; characters GBK lacks become "?".
Text FromUtf8(const std::string& utf8);
Text FromUtf8(const char* utf8);  // null is the empty text

// A program path ("C:\dir\file" style separators allowed) as a UTF-8 file
// system path: every "\" becomes "/".
std::string ToFsPath(const Text& gbkPath);

}  // namespace qv::gtk
