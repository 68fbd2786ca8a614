// Start-up, global state and shutdown.
#pragma once

#include "platform/system.h"

namespace qv {

// The process entry calls this once; returns 0 when the message loop ends.
int StartUp(Platform& platform);

void CreateGlobalState(Platform& platform);
void ReleaseGlobalState();

// Loads MainWindow: creates it and its controls, runs OnMainWindowCreated,
// then shows it. Split out of StartUp so tests can drive it without a loop.
void LoadMainWindow();

void OnMainWindowCreated();
void OnMainWindowDestroying();
void AddToolTips();
void OpenFirstTab(const Text& url);

// The shell's report routine for the crash guard: deliberately empty.
void EmptyCrashRoutine();

}  // namespace qv
