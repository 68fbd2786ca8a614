#include "app/globals.h"
#include "settings/gbk_walk.h"
#include "settings/registry_path.h"
#include "settings/system_integration.h"

namespace qv {
namespace {

constexpr const char* kClasses[] = {"htmlfile", "HTTP", "https", "InternetShortcut", "mhtmlfile"};
constexpr char kVerb[] = "e";
constexpr char kPlainVerb[] = "open";

constexpr char kStateDefault[] = "(当前默认浏览器为：Quorvi浏览器)";
constexpr char kStateOther[] = "(当前默认浏览器为：其他浏览器)";
constexpr char kButtonUnset[] = "设置为其他浏览器";
constexpr char kButtonSet[] = "将Quorvi设置为默认浏览器";

}  // namespace

Text ProgramPath() {
  Text dir = g->platform->ExecutableDirectory();
  if (!dir.empty() && LastSingleByte(dir, '\\') == dir.size() - 1) dir.pop_back();
  return dir + "\\" + g->platform->ExecutableFileName();
}

Text ProgramCommandLine() { return "\"" + ProgramPath() + "\" \"%1\""; }

bool IsDefaultBrowser() {
  Text verb = RegistryRead(RegistryRoot::ClassesRoot, "htmlfile\\shell\\", "");
  Text command = RegistryRead(RegistryRoot::ClassesRoot, "htmlfile\\shell\\e\\command\\", "");
  return verb == kVerb && command == ProgramCommandLine();
}

void ShowDefaultBrowserState() {
  ConfigForm& f = g->config;
  if (f.window == nullptr) return;
  if (IsDefaultBrowser()) {
    f.Label_DefaultState->SetText(kStateDefault);
    f.Button_SetDefault->SetText(kButtonUnset);
  } else {
    f.Label_DefaultState->SetText(kStateOther);
    f.Button_SetDefault->SetText(kButtonSet);
  }
}

void SetDefaultBrowser(bool undo) {
  for (const char* cls : kClasses) {
    Text shell = Text(cls) + "\\shell\\";
    if (undo) {
      RegistryWrite(RegistryRoot::ClassesRoot, shell, kPlainVerb);
    } else {
      RegistryWrite(RegistryRoot::ClassesRoot, shell, kVerb);
      RegistryWrite(RegistryRoot::ClassesRoot, shell + "e\\command\\", ProgramCommandLine());
    }
  }
}

void OnSetDefaultClick() {
  SetDefaultBrowser(g->config.Button_SetDefault->GetText() != kButtonSet);
  ShowDefaultBrowserState();
}

}  // namespace qv
