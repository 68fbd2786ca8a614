// What the rest of the program calls of the crash guard.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qv {

using ReportCallback = void (*)();

// Creates and releases the guard's globals (GuardConfig, the thread and name
// tables, the two locks, the hook object); part of the program's global state.
void GuardCreateGlobals();
void GuardReleaseGlobals();

// GuardStartup links its record in its caller's frame and returns with the
// stack pointer lower than the compiler planned, so the caller must address
// its locals and leave through the frame pointer. A dynamic allocation makes
// the compiler do both at any optimisation level; the caller opens its body
// with this.
#define QV_GUARD_STARTUP_FRAME()                        \
  do {                                                  \
    volatile unsigned qv_anchor_size_ = 16;             \
    void* volatile qv_anchor_ = __builtin_alloca(qv_anchor_size_); \
    (void)qv_anchor_;                                   \
  } while (0)

// Called once by the start-up routine, before the main window loads. Its
// frame covers the rest of the caller, so it must be called directly from
// the start-up routine.
void GuardStartup();

// Each argument is optional; `ownerWindowClass` is in-out: when the caller's
// text is empty it receives the current class name.
void ConfigureGuard(std::optional<ReportCallback> reportCallback,
                    std::optional<int32_t> showMessageBox,
                    std::optional<int32_t> endThreadOnly,
                    std::optional<int32_t> installErrorHandler,
                    std::string* ownerWindowClass,
                    std::optional<int32_t> passCompilerThrows,
                    std::optional<int32_t> includeCallStack,
                    std::optional<int32_t> skipSystemFrames,
                    std::optional<int32_t> prologueScanLimit);

void InstallRunTimeErrorHandler();

// Exit routine: frees the instruction-length tables the hook copied.
void ReleaseInstructionTables();

}  // namespace qv
