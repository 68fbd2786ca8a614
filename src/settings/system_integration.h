// Default-browser registration, the WML content type and the shortcut.
#pragma once

#include "platform/types.h"

namespace qv {

void ShowDefaultBrowserState();
void SetDefaultBrowser(bool undo);
void OnSetDefaultClick();
void RegisterWmlContentType();
void UnregisterWmlContentType();
void CreateProgramShortcut();

// The executable's full path: its directory, "\", its file name.
Text ProgramPath();
// What the shell runs for an address or file: the quoted program path and
// the quoted argument, so spaces in either stay in one piece.
Text ProgramCommandLine();
// True when htmlfile's default verb is ours and its command runs this
// executable.
bool IsDefaultBrowser();

}  // namespace qv
