#include "crashguard/run_time_error.h"

#include <atomic>
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
  std::fprintf(stderr, "run-time error %ld: %s\n", static_cast<long>(code),
               message != nullptr ? message : "");
  EndProcess(kDefaultRunTimeErrorExitCode);
}

}  // namespace qv
