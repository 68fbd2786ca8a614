#include "crashguard/run_time_error.h"

#include <atomic>
#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace qv {
namespace {

std::atomic<RunTimeErrorHandler> g_handler{nullptr};
// Per thread: set while the handler runs, so an error raised inside it goes
// to the default handling instead of back into the handler.
thread_local bool t_inHandler = false;

[[noreturn]] void EndProcess(int code) {
  std::fflush(nullptr);
  std::_Exit(code);
}

}  // namespace

void SetRunTimeErrorHandler(RunTimeErrorHandler handler) { g_handler.store(handler); }

RunTimeErrorHandler GetRunTimeErrorHandler() { return g_handler.load(); }

void RaiseRunTimeError(int32_t code, const char* message) {
  RunTimeErrorHandler h = g_handler.load();
  if (h != nullptr && !t_inHandler) {
    t_inHandler = true;
    bool handled = h(code, message);
    t_inHandler = false;
    if (handled) EndProcess(-1);
  }
  // No allocation here: the error may be that memory ran out.
  char number[16];
  *std::to_chars(number, number + sizeof number - 1, code).ptr = '\0';
  std::fputs("run-time error ", stderr);
  std::fputs(number, stderr);
  std::fputs(": ", stderr);
  std::fputs(message != nullptr ? message : "", stderr);
  std::fputs("\n", stderr);
  EndProcess(kDefaultRunTimeErrorExitCode);
}

}  // namespace qv
