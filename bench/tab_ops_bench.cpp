// Opening, switching and closing N tabs over the headless backend: time per
// operation against N, so anything worse than linear per operation shows.
// Prints one line per measurement: "tab-ops,<what>,<N>,<ns per op>".
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

void Run(int n) {
  auto platform = std::make_unique<qv::headless::HeadlessPlatform>();
  qv::CreateGlobalState(*platform);
  qv::g->MaximizeOverhang = 3;
  qv::LoadMainWindow();
  static_cast<qv::headless::HeadlessWindow*>(qv::g->main.window)->Activate();

  auto t0 = Clock::now();
  for (int i = 1; i < n; ++i) qv::OnNewTabClick();
  auto t1 = Clock::now();
  auto& strip = static_cast<qv::headless::HeadlessTabStrip&>(*qv::g->main.PageControl_Pages);
  for (int i = 0; i < n; ++i) strip.UserSelect((i * 7919) % n);
  auto t2 = Clock::now();
  for (int i = 1; i < n; ++i) qv::OnCloseCurrentTabClick();
  auto t3 = Clock::now();
  if (qv::TabCount() != 1) std::abort();

  std::printf("tab-ops,open,%d,%.0f\n", n, NsPerOp(t0, t1, n - 1));
  std::printf("tab-ops,switch,%d,%.0f\n", n, NsPerOp(t1, t2, n));
  std::printf("tab-ops,close,%d,%.0f\n", n, NsPerOp(t2, t3, n - 1));
  qv::ReleaseGlobalState();
}

}  // namespace

int main(int argc, char** argv) {
  int sizes[] = {10, 100, 1000, 5000};
  int maxN = argc > 1 ? std::atoi(argv[1]) : 5000;
  for (int n : sizes)
    if (n <= maxN) Run(n);
  return 0;
}
