// The crash guard's cost on the x86-32 layer: a guarded block (TryBegin,
// the catch routine, TryEnd) around a body that does not fault, against the
// same body called directly; and starting and joining a thread through the
// patched "CreateRemoteThread" export (so that it starts at the guard's
// wrapper) against the same request through the patch's trampoline (the
// unpatched code). Prints "guard,<what>,<ns per call>" and
// "guard-thread,<what>,<ns per thread>".
//
//   quorvi_guard_bench [BLOCKS]   (default 500; the plain call runs 2000
//                                 times as often, it is that much shorter)
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "crashguard/guard_api.h"
#include "crashguard/guard_block.h"
#include "crashguard/thread_wrapping.h"
#include "platform/guard_system.h"

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

uint32_t QV_STDCALL Nothing(void*) { return 0; }

using CreateRemoteThreadRoutine = qv::sys::Handle(QV_STDCALL*)(qv::sys::Handle, void*, size_t,
                                                               qv::sys::ThreadRoutine, void*,
                                                               uint32_t, uint32_t*);

// Starts and joins `n` threads through `create`; the time they took.
Clock::duration StartAndJoin(CreateRemoteThreadRoutine create, int n) {
  auto t0 = Clock::now();
  for (int i = 0; i < n; ++i) {
    uint32_t id = 0;
    qv::sys::Handle h = create(qv::sys::GetCurrentProcess(), nullptr, 0, &Nothing, nullptr, 0, &id);
    if (h == nullptr) std::abort();
    qv::sys::WaitForSingleObject(h, qv::sys::kInfinite);
    qv::sys::CloseHandle(h);
  }
  return Clock::now() - t0;
}

void Threads(int rounds, int perRound) {
  auto hooked = reinterpret_cast<CreateRemoteThreadRoutine>(
      qv::sys::GetProcAddress(qv::sys::GetModuleHandleA("kernel32"), "CreateRemoteThread"));
  auto plain = reinterpret_cast<CreateRemoteThreadRoutine>(
      static_cast<uintptr_t>(qv::CreateThreadHook().GetTrampoline()));
  if (hooked == nullptr || plain == nullptr) {
    std::fprintf(stderr, "guard bench: no patched CreateRemoteThread\n");
    return;
  }
  StartAndJoin(plain, perRound);
  StartAndJoin(hooked, perRound);
  Clock::duration inPlain{}, inHooked{};
  // Interleaved, so a change in the machine's load falls on both.
  for (int r = 0; r < rounds; ++r) {
    inPlain += StartAndJoin(plain, perRound);
    inHooked += StartAndJoin(hooked, perRound);
  }
  const long n = static_cast<long>(rounds) * perRound;
  std::printf("guard-thread,plain,%.0f\n", std::chrono::duration<double, std::nano>(inPlain).count() / n);
  std::printf("guard-thread,hooked,%.0f\n", std::chrono::duration<double, std::nano>(inHooked).count() / n);
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
  Threads(5, 20);
  std::fflush(stdout);
  return 0;
}
