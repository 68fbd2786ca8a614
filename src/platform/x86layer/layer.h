// What tests (and only tests) ask of the x86-32 system layer beyond the
// system services of platform/guard_system.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/guard_system.h"

namespace qv::x86layer {

// Gives the calling thread its thread block (and, on x86-32, its %fs
// segment and signal stack). The main thread and threads made through
// CreateThread are attached already; threads started some other way must
// call this before any guard code runs on them.
void AttachCurrentThread();

struct RecordedMessageBox {
  sys::Window owner;
  std::string text;
  std::string caption;
  uint32_t type;
};
// Every MessageBoxA call so far, in order. Each call is also written to the
// standard error stream as "[MessageBoxA] <caption>|<text>".
std::vector<RecordedMessageBox> RecordedMessageBoxes();
void ClearRecordedMessageBoxes();

// Windows of the desktop are the layer's own: a test places them.
sys::Window AddDesktopWindow(uint32_t threadId, const std::string& className);
void ClearDesktopWindows();

// The export table behind GetModuleHandleA/GetProcAddress: "kernel32" and
// "ntdll.dll". A test may remove an export to see how the caller copes.
void SetExportPresent(const char* module, const char* name, bool present);

// The start address NtQueryInformationThread reports for the main thread;
// it is also the entry point written in the executable's header block.
uintptr_t MainThreadStartAddress();

}  // namespace qv::x86layer
