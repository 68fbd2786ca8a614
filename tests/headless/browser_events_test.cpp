#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app_fixture.h"
#include "browser/address_box.h"
#include "browser/browser_events.h"
#include "browser/navigation.h"

namespace qv::test {
namespace {

using headless::HeadlessNewWindowTarget;

class EventsTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    Start();
  }
  Control* Label() { return g->main.TransLabel_LoadProgress; }
};

TEST_F(EventsTest, ProgressTextRoundsHalfAwayFromZero) {
  struct Case {
    int32_t progress, maximum;
    const char* text;  // nullptr: label hidden
  };
  const Case cases[] = {
      {50, 200, "25.0%"}, {1, 3, "33.3%"}, {2, 3, "66.7%"}, {1, 2000, "0.1%"},
      {1, 8, "12.5%"},   {200, 200, "100.0%"}, {0, 200, nullptr}, {0, 0, nullptr},
  };
  for (const Case& c : cases) {
    Label()->SetText("old");
    Label()->Show();
    ShowProgress(c.progress, c.maximum);
    if (c.text == nullptr) {
      EXPECT_FALSE(Label()->IsVisible()) << c.progress << "/" << c.maximum;
    } else {
      EXPECT_TRUE(Label()->IsVisible());
      EXPECT_EQ(Label()->GetText(), c.text) << c.progress << "/" << c.maximum;
    }
  }
  EXPECT_EQ(FormatPercent(0.05), "0.1%");
  EXPECT_EQ(FormatPercent(99.95), "100.0%");
}

TEST_F(EventsTest, OutOfRangeProgressChangesNothing) {
  ShowProgress(50, 200);
  const std::pair<int32_t, int32_t> bad[] = {{-5, 100}, {300, 200}, {5, 0}, {-5, 0},
                                             {std::numeric_limits<int32_t>::min(), -1}};
  for (auto [p, m] : bad) {
    ShowProgress(p, m);
    EXPECT_EQ(Label()->GetText(), "25.0%") << p << "/" << m;
    EXPECT_TRUE(Label()->IsVisible());
  }
}

TEST_F(EventsTest, TimerHidesTheLabelAtOneHundredPercent) {
  auto& timer = static_cast<headless::HeadlessTimer&>(*g->main.Timer_Progress);
  ShowProgress(10, 10);
  ASSERT_TRUE(Label()->IsVisible());
  EXPECT_TRUE(timer.Fire());
  EXPECT_FALSE(Label()->IsVisible());
  // A blank text while visible is hidden too; anything else is redrawn.
  Label()->SetText(" ");
  Label()->Show();
  timer.Fire();
  EXPECT_FALSE(Label()->IsVisible());
  ShowProgress(1, 2);
  int before = static_cast<headless::HeadlessControl*>(Label())->redraws;
  timer.Fire();
  EXPECT_TRUE(Label()->IsVisible());
  EXPECT_EQ(static_cast<headless::HeadlessControl*>(Label())->redraws, before + 1);
}

TEST_F(EventsTest, NavigateCompleteShowsRealAddressesOfTheCurrentTab) {
  View(1).locationName = "Title One";
  View(1).RaiseNavigateComplete2("http://one/");
  EXPECT_EQ(g->main.EditBox_Address->GetText(), "http://one/");
  EXPECT_EQ(Main().GetCaption(), "Title One");
  for (const char* u : {"about:blank", "http:///", ""}) {
    View(1).RaiseNavigateComplete2(u);
    EXPECT_EQ(g->main.EditBox_Address->GetText(), "http://one/");
  }
  OpenInNewTab("http://two/");
  View(1).RaiseNavigateComplete2("http://background/");
  EXPECT_EQ(g->main.EditBox_Address->GetText(), "http://two/");
}

TEST_F(EventsTest, DownloadBeginOfABackgroundTabOnlyMarksIt) {
  OpenInNewTab("http://two/");
  MainForm& f = g->main;
  View(1).RaiseDownloadBegin();
  EXPECT_EQ(TabAt(1).isLoading, 1);
  EXPECT_TRUE(f.PicBtn_Refresh->IsVisible());
  View(2).RaiseDownloadBegin();
  EXPECT_FALSE(f.PicBtn_Refresh->IsVisible());
  EXPECT_TRUE(f.PicBtn_Stop->IsVisible());
  EXPECT_EQ(TabAt(2).isLoading, 0);
  // Switching to the marked tab shows its stop button.
  static_cast<headless::HeadlessTabStrip&>(Strip()).UserSelect(0);
  EXPECT_TRUE(f.PicBtn_Stop->IsVisible());
  // Any tab's completion brings refresh back.
  View(2).RaiseDownloadComplete();
  EXPECT_TRUE(f.PicBtn_Refresh->IsVisible());
  EXPECT_FALSE(f.PicBtn_Stop->IsVisible());
}

TEST_F(EventsTest, CommandStateSetsTheSendersFlags) {
  OpenInNewTab("x");
  View(1).RaiseCommandStateChange(2, true);
  View(1).RaiseCommandStateChange(1, true);
  View(2).RaiseCommandStateChange(1, false);
  View(2).RaiseCommandStateChange(-1, true);
  View(2).RaiseCommandStateChange(3, true);
  EXPECT_EQ(TabAt(1).canGoBack, 1);
  EXPECT_EQ(TabAt(1).canGoForward, 1);
  EXPECT_EQ(TabAt(2).canGoBack, 0);
  EXPECT_EQ(TabAt(2).canGoForward, 0);
  // No button is redrawn by the event itself.
  EXPECT_FALSE(g->main.PicBtn_Back->IsVisible());
}

TEST_F(EventsTest, EventsOfAViewWithAForeignTagAreIgnored) {
  View(1).SetTag("7");
  View(1).RaiseDownloadBegin();
  View(1).RaiseCommandStateChange(2, true);
  View(1).RaiseTitleChange("x");
  View(1).RaiseStatusTextChange("x");
  View(1).SetTag("junk");
  View(1).RaiseNavigateComplete2("http://x/");
  View(1).SetTag("1");
  EXPECT_EQ(TabAt(1).isLoading, 0);
  EXPECT_EQ(TabAt(1).canGoBack, 0);
  EXPECT_EQ(Main().GetCaption(), "Quorvi急速浏览器");
  EXPECT_EQ(g->main.EditBox_Address->GetText(), kDefaultHomePage);
}

TEST_F(EventsTest, TitlesOfTheCurrentAndOfBackgroundTabs) {
  OpenInNewTab("x");
  View(2).RaiseTitleChange("Current page");
  EXPECT_EQ(g->main.Label_Title->GetText(), "Current page");
  EXPECT_EQ(Main().GetCaption(), "Current page");
  EXPECT_EQ(Strip().GetCaption(1), "Current page" + std::string(5, ' ') + "  ");
  EXPECT_EQ(Strip().GetPageTip(1), "Current page");
  View(1).RaiseTitleChange("A background title longer than sixteen");
  EXPECT_EQ(g->main.Label_Title->GetText(), "Current page");
  EXPECT_EQ(Strip().GetCaption(0), "A background tit  ");
  EXPECT_EQ(Strip().GetPageTip(0), "A background title longer than sixteen");
}

TEST_F(EventsTest, NewWindowOpensASelectedTabAtTheEnd) {
  OpenInNewTab("x");
  static_cast<headless::HeadlessTabStrip&>(Strip()).UserSelect(0);
  HeadlessNewWindowTarget target;
  target.accepted = g->main.WebBrowser_Template;  // what the argument held
  View(1).RaiseNewWindow2(target);
  ASSERT_EQ(TabCount(), 3);
  EXPECT_EQ(g->CurrentTab, 3);
  EXPECT_EQ(target.accepted, TabAt(3).browser);
  EXPECT_EQ(target.releasedObjects, 1);
  EXPECT_TRUE(View(3).navigations.empty());  // the view loads the page itself
  EXPECT_TRUE(View(3).IsVisible());
  EXPECT_GE(platform->pumpPasses, 1);
}

TEST_F(EventsTest, HugeAndMalformedTextsNeverBreakTheHandlers) {
  const Text huge(1 << 20, 'x');
  Text invalidGbk = "\x81\xFF\x80\xFE";
  Text withNul("a\0b\r\n\x01\x1F", 8);
  for (const Text& t : {huge, invalidGbk, withNul, Text()}) {
    View(1).RaiseTitleChange(t);
    EXPECT_EQ(Strip().GetPageTip(0), t);
    EXPECT_EQ(Main().GetCaption(), t);
    Text caption = Strip().GetCaption(0);
    EXPECT_EQ(caption.size(), t.size() < 16 ? 19u : 18u);
    View(1).RaiseStatusTextChange(t);
    View(1).locationName = t;
    View(1).RaiseNavigateComplete2(t);
    if (!t.empty()) {
      EXPECT_EQ(g->main.EditBox_Address->GetText(), t);
    }
  }
  EXPECT_EQ(TabCount(), 1);
}

}  // namespace
}  // namespace qv::test
