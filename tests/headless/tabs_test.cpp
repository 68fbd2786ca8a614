#include <gtest/gtest.h>

#include "app_fixture.h"
#include "browser/browser_events.h"
#include "browser/navigation.h"
#include "browser/tabs.h"
#include "crashguard/run_time_error.h"

namespace qv::test {
namespace {

using headless::HeadlessControl;
using headless::HeadlessTabStrip;

class TabsTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    Start();
  }
  // Opens tabs 2..n, each titled "page k".
  void OpenTabs(int32_t n) {
    for (int32_t k = TabCount() + 1; k <= n; ++k) {
      OpenInNewTab("http://site/" + std::to_string(k));
      View(k).RaiseTitleChange("page " + std::to_string(k));
    }
  }
  HeadlessTabStrip& HStrip() { return static_cast<HeadlessTabStrip&>(Strip()); }
  int32_t VisibleViews() {
    int32_t n = 0;
    for (int32_t k = 1; k <= TabCount(); ++k) n += TabAt(k).browser->IsVisible() ? 1 : 0;
    return n;
  }
  void ExpectInvariants() {
    ASSERT_EQ(TabCount(), Strip().PageCount());
    EXPECT_EQ(g->CurrentTab, Strip().CurrentPage() + 1);
    for (int32_t k = 1; k <= TabCount(); ++k) {
      EXPECT_EQ(TabAt(k).browser->IsVisible(), k == g->CurrentTab) << "view " << k;
      EXPECT_EQ(TabAt(k).browser->GetTag(), std::to_string(k));
      EXPECT_EQ(TabAt(k).closeButton->GetTag(), std::to_string(k - 1));
    }
  }
  // The tab whose view first navigated to `url`.
  int32_t TabOf(const std::string& url) {
    for (int32_t k = 1; k <= TabCount(); ++k)
      if (!View(k).navigations.empty() && View(k).navigations[0] == url) return k;
    return 0;
  }
};

TEST_F(TabsTest, OpenInNewTabMakesTheNewTabCurrentAndLast) {
  OpenInNewTab("http://example.com/a b");
  ASSERT_EQ(TabCount(), 2);
  EXPECT_EQ(g->CurrentTab, 2);
  EXPECT_EQ(Strip().CurrentPage(), 1);
  EXPECT_TRUE(View(2).IsVisible());
  EXPECT_FALSE(View(1).IsVisible());
  EXPECT_EQ(View(2).navigations, std::vector<Text>{"http://example.com/a b"});
  EXPECT_EQ(g->main.EditBox_Address->GetText(), "http://example.com/a b");
  EXPECT_EQ(Strip().GetCaption(1), "载入..");
  EXPECT_EQ(g->TabOpening, 0);
  ExpectInvariants();
}

TEST_F(TabsTest, OpenInNewTabWithEmptyTextStillNavigates) {
  OpenInNewTab("");
  ASSERT_EQ(TabCount(), 2);
  EXPECT_EQ(View(2).navigations, std::vector<Text>{""});
  EXPECT_EQ(g->main.EditBox_Address->GetText(), "");
  ExpectInvariants();
}

TEST_F(TabsTest, TagsFollowPositionsAfterCreations) {
  OpenTabs(5);
  ExpectInvariants();
  headless::HeadlessNewWindowTarget target;
  NewWindowToTab(target);
  EXPECT_EQ(target.accepted, TabAt(TabCount()).browser);
  ExpectInvariants();
}

TEST_F(TabsTest, FitTabViewPlacesTheViewForEachHeaderSide) {
  Strip().SetRect(Rect{3, 53, 840, 503});
  struct Case {
    int32_t side;
    Rect expected;
  };
  const int32_t aw = Strip().PageAreaWidth(), ah = Strip().PageAreaHeight();
  const Case cases[] = {
      {0, Rect{3, 53 + Strip().HeaderHeight() + 3, aw + 2, ah + 1}},
      {1, Rect{3, 53, aw + 2, ah + 1}},
  };
  for (const Case& c : cases) {
    Strip().SetHeaderSide(c.side);
    FitTabView(1);
    EXPECT_EQ(View(1).GetRect(), c.expected) << "side " << c.side;
  }
  // Headers at the left or right: the view keeps its place.
  Rect before = View(1).GetRect();
  Strip().SetHeaderSide(2);
  FitTabView(1);
  EXPECT_EQ(View(1).GetRect(), before);
  OpenInNewTab("x");
  EXPECT_EQ(View(2).GetRect(), g->main.WebBrowser_Template->GetRect());
}

TEST_F(TabsTest, OutOfRangeIndexesAreIgnoredWhereTheRoutinesCheck) {
  OpenTabs(2);
  Rect before = View(1).GetRect();
  Strip().SetRect(Rect{0, 0, 500, 400});
  for (int32_t bad : {0, -1, 3, 1000}) FitTabView(bad);
  EXPECT_EQ(View(1).GetRect(), before);
  // An index outside the table hides every view and keeps CurrentTab.
  SelectTab(7);
  EXPECT_EQ(g->CurrentTab, 2);
  EXPECT_EQ(VisibleViews(), 0);
  SelectTab(2);
  ExpectInvariants();
  for (int32_t bad : {-1, 2, 99}) CloseTabAt(bad);
  EXPECT_EQ(TabCount(), 2);
}

TEST_F(TabsTest, NavigatingATabOutsideTheTableIsARunTimeError) {
  // Exit code -1: 255 where the system keeps 8 bits, -1 where it keeps 32.
  auto exitedWithMinusOne = [](int status) {
    return ::testing::ExitedWithCode(-1)(status) || ::testing::ExitedWithCode(255)(status);
  };
  EXPECT_EXIT(NavigateTab("x", 5), exitedWithMinusOne, "");
}

TEST_F(TabsTest, SelectingAHeaderSwitchesViewsAndCaption) {
  OpenTabs(3);
  View(1).RaiseTitleChange("first");
  HStrip().UserSelect(0);
  EXPECT_EQ(g->CurrentTab, 1);
  EXPECT_EQ(Main().GetCaption(), "first");
  EXPECT_EQ(g->main.EditBox_Address->GetText(), kDefaultHomePage);
  ExpectInvariants();
}

struct CloseCase {
  const char* name;
  int32_t tabs;
  int32_t current;  // 1-based
  int32_t closePage;
  int32_t expectCurrentUrlTab;  // the original tab that ends current
};

class CloseTest : public TabsTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(CloseTest, RightClickOnAHeader) {
  const CloseCase& c = GetParam();
  OpenTabs(c.tabs);
  HStrip().UserSelect(c.current - 1);
  HStrip().UserRightUp(c.closePage);
  ASSERT_EQ(TabCount(), c.tabs - 1);
  ExpectInvariants();
  const std::string expectUrl =
      c.expectCurrentUrlTab == 1 ? kDefaultHomePage : "http://site/" + std::to_string(c.expectCurrentUrlTab);
  EXPECT_EQ(TabOf(expectUrl), g->CurrentTab) << c.name;
  // Every remaining header keeps its own tab's title.
  for (int32_t k = 2; k <= TabCount(); ++k) {
    int32_t original = 0;
    for (int32_t o = 2; o <= c.tabs; ++o)
      if (View(k).navigations[0] == "http://site/" + std::to_string(o)) original = o;
    if (original != 0) {
      EXPECT_EQ(Strip().GetPageTip(k - 1), "page " + std::to_string(original)) << c.name;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Headers, CloseTest,
    ::testing::Values(
        // Closing the current tab that is not last: the right neighbour becomes current.
        CloseCase{"middle current", 4, 2, 1, 3},
        // Closing a tab left of the current one keeps the current tab.
        CloseCase{"left of current", 4, 3, 1, 3},
        // Closing the last header makes the header before it current, even
        // when another tab was current.
        CloseCase{"last, other current", 4, 2, 3, 3},
        CloseCase{"last current", 3, 3, 2, 2},
        // Closing the first of several tabs.
        CloseCase{"first current", 3, 1, 0, 2},
        CloseCase{"first, other current", 3, 3, 0, 3}),
    [](const ::testing::TestParamInfo<CloseCase>& i) {
      std::string n = i.param.name;
      for (char& ch : n)
        if (ch == ' ' || ch == ',') ch = '_';
      return n;
    });

TEST_F(TabsTest, TheLastTabNeverClosesAndGoesToAFixedPage) {
  // The only tab shows the built-in home page: it goes to the search page.
  View(1).locationURL = kDefaultHomePage;
  HStrip().UserRightUp(0);
  EXPECT_EQ(TabCount(), 1);
  EXPECT_EQ(View(1).navigations.back(), kSearchFrontPage);
  // Any other page: back to the built-in home page, through its close button.
  View(1).locationURL = "http://elsewhere/";
  static_cast<HeadlessControl*>(TabAt(1).closeButton)->Click();
  EXPECT_EQ(TabCount(), 1);
  EXPECT_EQ(View(1).navigations.back(), kDefaultHomePage);
  // The close-current-tab button leaves it alone.
  size_t navs = View(1).navigations.size();
  OnCloseCurrentTabClick();
  EXPECT_EQ(TabCount(), 1);
  EXPECT_EQ(View(1).navigations.size(), navs);
  ExpectInvariants();
}

TEST_F(TabsTest, CloseButtonsStillCloseTheirOwnTabAfterRenumbering) {
  OpenTabs(4);
  // Close the middle tab 2 by its button, then click the button of the tab
  // that was 4 (now 3): that tab goes, not its neighbour.
  static_cast<HeadlessControl*>(TabAt(2).closeButton)->Click();
  ASSERT_EQ(TabCount(), 3);
  Control* buttonOfTab4 = TabAt(3).closeButton;
  EXPECT_EQ(View(3).navigations[0], "http://site/4");
  static_cast<HeadlessControl*>(buttonOfTab4)->Click();
  ASSERT_EQ(TabCount(), 2);
  EXPECT_EQ(TabOf("http://site/4"), 0);
  EXPECT_NE(TabOf("http://site/3"), 0);
  ExpectInvariants();
}

TEST_F(TabsTest, ClosingDisposesTheViewAndItsButton) {
  OpenTabs(3);
  HeadlessBrowserView* v2 = &View(2);
  Control* b2 = TabAt(2).closeButton;
  HStrip().UserRightUp(1);
  EXPECT_FALSE(Main().Owns(v2));
  EXPECT_FALSE(Main().Owns(b2));
}

TEST_F(TabsTest, CaptionsAreCutAndPaddedByBytes) {
  struct Case {
    Text title;
    int32_t limit;
    Text caption;
  };
  const Case cases[] = {
      {"short", 16, "short" + std::string(12, ' ') + "  "},        // 16 + 1 + 2 bytes
      {"0123456789abcdefXYZ", 16, "0123456789abcdef  "},          // cut at 16
      {"0123456789abcdef", 16, "0123456789abcdef  "},             // exactly 16: cut, no pad
      {"", 4, "     " "  "},
      // A cut may fall inside a double-byte character (GBK bytes counted).
      {"中文标题", 3, Text("中文标题").substr(0, 3) + "  "},
      {Text("a\0b", 3), 8, Text("a\0b", 3) + std::string(6, ' ') + "  "},
  };
  for (const Case& c : cases) {
    g->TabCaptionLimit = c.limit;
    EXPECT_EQ(MakeTabCaption(c.title, 0), c.caption);
    EXPECT_EQ(Strip().GetPageTip(0), c.title);
  }
  EXPECT_EQ(PadCaption("abc", 1), "a ");
  EXPECT_EQ(PadCaption("abc", 5), "abc   ");
  EXPECT_EQ(PadCaption("", 0), " ");
}

TEST_F(TabsTest, CaptionLimitHalvesOnOverflowDownToOneAndReturnsToSixteen) {
  const Text title(40, 'T');
  View(1).RaiseTitleChange(title);
  std::vector<int32_t> limits{g->TabCaptionLimit};
  for (int32_t k = 2; k <= 40; ++k) {
    OpenInNewTab("u");
    View(k).RaiseTitleChange(title);
    if (g->TabCaptionLimit != limits.back()) limits.push_back(g->TabCaptionLimit);
  }
  EXPECT_EQ(limits, (std::vector<int32_t>{16, 8, 4, 2, 1}));
  for (int32_t i = 0; i < Strip().PageCount(); ++i)
    EXPECT_LE(Strip().GetCaption(i).size(), 4u) << i;  // 1 byte, padding and two blanks
  while (TabCount() > 1) OnCloseCurrentTabClick();
  EXPECT_EQ(g->TabCaptionLimit, 16);
  EXPECT_EQ(Strip().GetCaption(0), title.substr(0, 16) + "  ");
  ExpectInvariants();
}

TEST_F(TabsTest, CloseButtonsStayUntilTheFirstActivation) {
  platform = std::make_unique<HeadlessPlatform>();
  ReleaseGlobalState();
  Start(false);
  OpenInNewTab("x");
  Rect designClose{328, 5, 16, 16};
  EXPECT_EQ(TabAt(1).closeButton->GetRect(), designClose);
  EXPECT_EQ(TabAt(2).closeButton->GetRect(), designClose);
  EXPECT_EQ(g->main.PicBtn_NewTab->GetRect(), (Rect{792, 24, 14, 14}));
  Main().Activate();
  EXPECT_EQ(g->TabStripReady, 1);
  Rect strip = Strip().GetRect();
  for (int32_t k = 1; k <= 2; ++k) {
    Rect h = Strip().HeaderRect(k - 1);
    Control* b = TabAt(k).closeButton;
    EXPECT_EQ(b->Left(), strip.left + h.left + h.width - b->Width());
    EXPECT_EQ(b->Top(), static_cast<int32_t>(strip.top + h.top + h.height * 0.5 - 8));
  }
  Rect last = Strip().HeaderRect(1);
  EXPECT_EQ(g->main.PicBtn_NewTab->Left(), strip.left + last.left + last.width + 5);
  EXPECT_EQ(g->main.PicBtn_NewTab->Top(), static_cast<int32_t>(strip.top + last.top + 10 - 7));
}

TEST_F(TabsTest, SelectionChangeRaisedInsideSelectTabKeepsTheTableInStep) {
  OpenTabs(3);
  int depth = 0;
  // The strip raises its event inside SetCurrentPage; SyncToCurrentTab runs
  // nested and selects again: nothing may break.
  auto old = Strip().handlers.selectionChanged;
  Strip().handlers.selectionChanged = [&](TabStrip& s) {
    ++depth;
    old(s);
    --depth;
  };
  SelectTab(1);
  ExpectInvariants();
  EXPECT_EQ(depth, 0);
}

}  // namespace
}  // namespace qv::test
