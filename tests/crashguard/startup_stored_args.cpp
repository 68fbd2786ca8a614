// A start-up routine compiled to store its call arguments at the stack
// pointer (as Windows builds are): the guard's record must survive its calls.
#include "crashguard/guard_api.h"
#include "platform/guard_system.h"

namespace qv::testing {

__attribute__((noinline)) int TakeSix(int a, int b, int c, int d, int e, int f) {
  return a + b + c + d + e + f;
}

__attribute__((noinline)) int StartupStoringArguments(sys::ExceptionRegistration* seen) {
  QV_GUARD_STARTUP_FRAME();
  GuardStartup();
  int sum = TakeSix(1, 2, 3, 4, 5, 6) + TakeSix(7, 8, 9, 10, 11, 12);
  *seen = *reinterpret_cast<sys::ExceptionRegistration*>(sys::GetChainHead());
  return sum;
}

}  // namespace qv::testing
