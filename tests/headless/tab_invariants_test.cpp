// A long random run of opens, closes, selections and browser events, with
// the tab invariants checked after every step.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "app_fixture.h"
#include "browser/browser_events.h"
#include "browser/navigation.h"
#include "platform/headless/headless_controls.h"

namespace qv::test {
namespace {

using headless::HeadlessControl;
using headless::HeadlessNewWindowTarget;
using headless::HeadlessTabStrip;

class TabInvariantsTest : public AppTest, public ::testing::WithParamInterface<uint32_t> {
 protected:
  // Empty when the invariants hold, else what broke.
  std::string Broken() {
    std::ostringstream out;
    TabStrip& s = Strip();
    if (TabCount() != s.PageCount()) out << "count " << TabCount() << " pages " << s.PageCount() << "; ";
    if (g->CurrentTab != s.CurrentPage() + 1)
      out << "current " << g->CurrentTab << " page " << s.CurrentPage() << "; ";
    for (int32_t k = 1; k <= TabCount(); ++k) {
      const TabRecord& r = TabAt(k);
      if (r.browser->IsVisible() != (k == g->CurrentTab)) out << "view " << k << " visibility; ";
      if (r.browser->GetTag() != std::to_string(k)) out << "view tag " << k << "; ";
      if (r.closeButton->GetTag() != std::to_string(k - 1)) out << "button tag " << k << "; ";
      if (!Main().Owns(r.browser) || !Main().Owns(r.closeButton)) out << "dead control " << k << "; ";
    }
    if (g->TabCaptionLimit < 1 || g->TabCaptionLimit > 16) out << "limit " << g->TabCaptionLimit;
    if (TabCount() == 1 && g->TabCaptionLimit != 16) out << "limit not reset";
    return out.str();
  }
};

TEST_P(TabInvariantsTest, HoldAfterEveryStepOfARandomRun) {
  std::mt19937 rng(GetParam());
  auto pick = [&](int n) { return static_cast<int32_t>(rng() % static_cast<uint32_t>(n)); };
  int nestedNewWindows = 0;
  // Views raise part of their events from inside Navigate, as the control does.
  platform->navigateScript = [&](HeadlessBrowserView& v, const Text& url) {
    switch (pick(6)) {
      case 0:
        v.RaiseDownloadBegin();
        v.RaiseProgressChange(pick(200), 100);
        break;
      case 1:
        v.RaiseTitleChange("t:" + url);
        break;
      case 2:
        v.RaiseNavigateComplete2(url);
        v.RaiseCommandStateChange(1 + pick(2), pick(2) == 1);
        break;
      case 3:
        if (nestedNewWindows < 20 && pick(4) == 0) {
          ++nestedNewWindows;
          HeadlessNewWindowTarget t;
          v.RaiseNewWindow2(t);
        }
        break;
      default:
        break;
    }
  };
  Start();
  ASSERT_EQ(Broken(), "");
  auto& strip = static_cast<HeadlessTabStrip&>(Strip());
  for (int step = 0; step < 3000; ++step) {
    int32_t n = TabCount();
    int op = pick(12);
    std::string what;
    switch (op) {
      case 0:
      case 1:
        if (n < 40) OpenInNewTab("u" + std::to_string(step));
        what = "open";
        break;
      case 2:
        strip.UserRightUp(pick(n + 2) - 1);
        what = "right-up";
        break;
      case 3:
        static_cast<HeadlessControl*>(TabAt(1 + pick(n)).closeButton)->Click();
        what = "close button";
        break;
      case 4:
        static_cast<HeadlessControl*>(g->main.PicBtn_CloseCurrentTab)->Click();
        what = "close current";
        break;
      case 5:
        strip.UserSelect(pick(n));
        what = "select";
        break;
      case 6: {
        HeadlessNewWindowTarget t;
        View(1 + pick(n)).RaiseNewWindow2(t);
        what = "new window";
        break;
      }
      case 7:
        View(1 + pick(n)).RaiseTitleChange(std::string(static_cast<size_t>(pick(40)), 'a'));
        what = "title";
        break;
      case 8:
        View(1 + pick(n)).RaiseStatusTextChange(pick(2) ? "Done" : "link");
        what = "status";
        break;
      case 9:
        View(1 + pick(n)).RaiseNavigateComplete2("http://n/");
        View(1 + pick(n)).RaiseDownloadComplete();
        what = "complete";
        break;
      case 10:
        static_cast<HeadlessControl*>(g->main.PicBtn_NewTab)->Click();
        what = "new tab";
        break;
      default:
        View(1 + pick(n)).RaiseDownloadBegin();
        what = "begin";
        break;
    }
    std::string broken = Broken();
    ASSERT_EQ(broken, "") << "step " << step << " after " << what;
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, TabInvariantsTest, ::testing::Values(1u, 2u, 3u, 20261211u));

}  // namespace
}  // namespace qv::test
