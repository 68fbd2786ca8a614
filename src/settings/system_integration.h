// Default-browser registration, the WML content type and the shortcut.
#pragma once

namespace qv {

void ShowDefaultBrowserState();
void SetDefaultBrowser(bool undo);
void RegisterWmlContentType();
void UnregisterWmlContentType();
void CreateProgramShortcut();

}  // namespace qv
