// Temporary bodies until the settings code lands.
#include "app/globals.h"
#include "app/instance.h"
#include "settings/config_window.h"
#include "settings/settings_store.h"
#include "settings/system_integration.h"

namespace qv {

void LoadSettings() {}
void ApplyTabBarPosition() {}
void SaveTabBarPosition(const Text&) {}
void OnConfigClick() {}
void ShowDefaultBrowserState() {}
void SetDefaultBrowser(bool) {}
void RegisterWmlContentType() {}
void UnregisterWmlContentType() {}
void CreateProgramShortcut() {}
Text TakeCommandLineUrl() { return Text(); }
int32_t CheckSingleInstance(const Text&, Window&) { return 0; }
Text FirstCommandLineArgument(const Text&) { return Text(); }

}  // namespace qv
