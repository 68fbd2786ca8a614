// The crash guard's cost on the x86-32 layer: a guarded block (TryBegin,
// the catch routine, TryEnd) around a body that does not fault, against the
// same body called directly. Prints "guard,<what>,<ns per call>".
//
//   quorvi_guard_bench [BLOCKS]   (default 500; the plain call runs 2000
//                                 times as often, it is that much shorter)
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "crashguard/guard_api.h"
#include "crashguard/guard_block.h"

namespace {

using Clock = std::chrono::steady_clock;

volatile int g_sink = 0;

void Body() { g_sink = g_sink + 1; }

// The plain call the block is compared with: the body through a pointer the
// compiler cannot see through, as the block runner calls it.
__attribute__((noinline)) void CallPlain(void (*volatile body)()) { body(); }

double NsPer(Clock::time_point a, Clock::time_point b, long n) {
  return std::chrono::duration<double, std::nano>(b - a).count() / static_cast<double>(n);
}

}  // namespace

int main(int argc, char** argv) {
  long n = argc > 1 ? std::atol(argv[1]) : 500;
  if (n < 1 || n > 10000000) n = 500;
  const long plain = n * 2000;
  qv::GuardCreateGlobals();
  qv::GuardStartup();

  for (long i = 0; i < n / 10; ++i) qv::RunGuarded([] { Body(); }, [](uint32_t) { std::abort(); });
  auto t0 = Clock::now();
  for (long i = 0; i < n; ++i) qv::RunGuarded([] { Body(); }, [](uint32_t) { std::abort(); });
  auto t1 = Clock::now();
  for (long i = 0; i < plain; ++i) CallPlain(&Body);
  auto t2 = Clock::now();
  if (g_sink != static_cast<int>(n + n / 10 + plain)) return 1;

  std::printf("guard,try-block,%.1f\n", NsPer(t0, t1, n));
  std::printf("guard,plain-call,%.1f\n", NsPer(t1, t2, plain));
  std::fflush(stdout);
  return 0;
}
