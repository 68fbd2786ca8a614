// Opening, switching and closing N tabs over the headless backend: time per
// operation against N, so anything worse than linear per operation shows.
// Prints one line per measurement: "tab-ops,<what>,<N>,<ns per op>".
//
//   quorvi_tab_ops_bench [N...]     (default: 10 100 1000 5000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/globals.h"
#include "app/startup.h"
#include "browser/navigation.h"
#include "browser/tabs.h"
#include "platform/headless/headless_platform.h"

namespace {

using Clock = std::chrono::steady_clock;

double NsPerOp(Clock::time_point a, Clock::time_point b, int ops) {
  return std::chrono::duration<double, std::nano>(b - a).count() / (ops > 0 ? ops : 1);
}

// One function per phase, so callgrind's inclusive counts name each phase
// (bench/run.sh reads them).
__attribute__((noinline)) void OpenPhase(int n) {
  for (int i = 1; i < n; ++i) qv::OnNewTabClick();
}

__attribute__((noinline)) void SwitchPhase(int n) {
  auto& strip = static_cast<qv::headless::HeadlessTabStrip&>(*qv::g->main.PageControl_Pages);
  for (int i = 0; i < n; ++i) strip.UserSelect((i * 7919) % n);
}

__attribute__((noinline)) void ClosePhase(int n) {
  for (int i = 1; i < n; ++i) qv::OnCloseCurrentTabClick();
}

void Run(int n) {
  auto platform = std::make_unique<qv::headless::HeadlessPlatform>();
  qv::CreateGlobalState(*platform);
  qv::g->MaximizeOverhang = 3;
  qv::LoadMainWindow();
  static_cast<qv::headless::HeadlessWindow*>(qv::g->main.window)->Activate();

  auto t0 = Clock::now();
  OpenPhase(n);
  auto t1 = Clock::now();
  SwitchPhase(n);
  auto t2 = Clock::now();
  ClosePhase(n);
  auto t3 = Clock::now();
  if (qv::TabCount() != 1) std::abort();

  std::printf("tab-ops,open,%d,%.0f\n", n, NsPerOp(t0, t1, n - 1));
  std::printf("tab-ops,switch,%d,%.0f\n", n, NsPerOp(t1, t2, n));
  std::printf("tab-ops,close,%d,%.0f\n", n, NsPerOp(t2, t3, n - 1));
  qv::ReleaseGlobalState();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    for (int n : {10, 100, 1000, 5000}) Run(n);
    return 0;
  }
  for (int i = 1; i < argc; ++i) {
    int n = std::atoi(argv[i]);
    if (n >= 2 && n <= 100000) Run(n);
  }
  return 0;
}
