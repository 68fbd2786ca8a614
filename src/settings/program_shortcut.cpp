#include "app/globals.h"
#include "settings/system_integration.h"

namespace qv {
namespace {

constexpr char kShortcutName[] = "QuorviWap浏览器";
constexpr int32_t kShowNormal = 5;  // SW_SHOW

}  // namespace

void CreateProgramShortcut() {
  Text file = kShortcutName;
  if (file.find('.') == Text::npos) file += ".lnk";
  // No folder in the name: it lands in the current working directory.
  g->platform->CreateShellLink(file, ProgramPath(), kShowNormal, kShortcutName);
}

}  // namespace qv
