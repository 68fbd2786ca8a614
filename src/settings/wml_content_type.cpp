#include "settings/registry_path.h"
#include "settings/system_integration.h"

namespace qv {
namespace {

constexpr char kWmlKey[] = "Software\\Classes\\MIME\\Database\\Content Type\\text/vnd.wap.wml";
// The system's HTML document class: WAP pages render as web pages.
constexpr char kHtmlDocumentClsid[] = "{25336920-03F9-11cf-8FD0-00AA00686F13}";

}  // namespace

void RegisterWmlContentType() {
  RegistryWrite(RegistryRoot::CurrentUser, Text(kWmlKey) + "\\CLSID", kHtmlDocumentClsid);
}

void UnregisterWmlContentType() { RegistryDelete(RegistryRoot::CurrentUser, kWmlKey); }

}  // namespace qv
