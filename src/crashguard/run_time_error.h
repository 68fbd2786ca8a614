// The program's run-time error mechanism: its own checked accesses (an index
// outside an array, a failed conversion) raise an error with a code and a
// message. One handler can be registered; it is called once per error on
// the raising thread, never for an error raised while it runs. After a true
// result the process ends with exit code -1 and no message of our own.
#pragma once

#include <cstdint>

namespace qv {

using RunTimeErrorHandler = bool (*)(int32_t code, const char* message);

// Error codes of the program's own checks.
enum RunTimeErrorCode : int32_t {
  kErrIndexOutOfRange = 1,
  kErrBadConversion = 2,
};

// A later registration replaces the earlier one; null removes it.
void SetRunTimeErrorHandler(RunTimeErrorHandler handler);
RunTimeErrorHandler GetRunTimeErrorHandler();

// Never returns. Without a handler (or when it answers false, or when the
// error was raised inside the handler) the default applies: the message on
// the standard error stream and exit code 3.
[[noreturn]] void RaiseRunTimeError(int32_t code, const char* message);

inline constexpr int kDefaultRunTimeErrorExitCode = 3;

}  // namespace qv
