#include <gtest/gtest.h>

#include "app_fixture.h"
#include "browser/address_box.h"
#include "browser/browser_events.h"
#include "browser/navigation.h"
#include "platform/headless/headless_controls.h"

namespace qv::test {
namespace {

using headless::HeadlessControl;
using headless::HeadlessEditBox;

class NavigationTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    Start();
  }
  void Click(Control* c) { static_cast<HeadlessControl*>(c)->Click(); }
  HeadlessEditBox& Box() { return static_cast<HeadlessEditBox&>(*g->main.EditBox_Address); }
  bool Shown(Control* c) { return c->IsVisible(); }
};

TEST_F(NavigationTest, ToolbarButtonsActOnTheCurrentTab) {
  OpenInNewTab("http://two/");
  MainForm& f = g->main;
  Click(f.PicBtn_Back);
  Click(f.PicBtn_Forward);
  Click(f.PicBtn_Forward);
  EXPECT_EQ(View(2).backCalls, 1);
  EXPECT_EQ(View(2).forwardCalls, 2);
  EXPECT_EQ(View(1).backCalls + View(1).forwardCalls, 0);
  g->HomePage = "www.no-scheme.example";
  Click(f.PicBtn_Home);
  EXPECT_EQ(View(2).navigations.back(), "www.no-scheme.example");
  // Home and favourites leave the box alone until the view reports back.
  EXPECT_EQ(Box().GetText(), "http://two/");
  Click(f.PicBtn_Favorites);
  EXPECT_EQ(View(2).navigations.back(), kDefaultHomePage);
  EXPECT_EQ(Box().GetText(), "http://two/");
}

TEST_F(NavigationTest, RefreshAndStopSwapTheTwinButtons) {
  MainForm& f = g->main;
  Click(f.PicBtn_Refresh);
  EXPECT_EQ(View(1).refreshCalls, 1);
  EXPECT_EQ(TabAt(1).isLoading, 1);
  EXPECT_TRUE(Shown(f.PicBtn_Stop));
  EXPECT_FALSE(Shown(f.PicBtn_Refresh));
  EXPECT_TRUE(Shown(f.TransLabel_LoadProgress));
  Click(f.PicBtn_Stop);
  EXPECT_EQ(View(1).stopCalls, 1);
  EXPECT_EQ(TabAt(1).isLoading, 0);
  EXPECT_FALSE(Shown(f.PicBtn_Stop));
  EXPECT_TRUE(Shown(f.PicBtn_Refresh));
  EXPECT_FALSE(Shown(f.TransLabel_LoadProgress));
}

TEST_F(NavigationTest, HistoryButtonsFollowTheFlagsOnlyWhenExactlyOne) {
  MainForm& f = g->main;
  struct Case {
    int32_t back, forward;
    bool backShown, forwardShown;
  };
  const Case cases[] = {{1, 1, true, true}, {0, 1, false, true}, {2, 0, false, false}, {-1, 1, false, true}};
  for (const Case& c : cases) {
    TabAt(1).canGoBack = c.back;
    TabAt(1).canGoForward = c.forward;
    UpdateHistoryButtons();
    EXPECT_EQ(Shown(f.PicBtn_Back), c.backShown);
    EXPECT_EQ(Shown(f.PicBtn_BackDisabled), !c.backShown);
    EXPECT_EQ(Shown(f.PicBtn_Forward), c.forwardShown);
    EXPECT_EQ(Shown(f.PicBtn_ForwardDisabled), !c.forwardShown);
  }
  // With a tab outside the table nothing changes.
  g->CurrentTab = 9;
  TabAt(1).canGoBack = 0;
  UpdateHistoryButtons();
  EXPECT_TRUE(Shown(f.PicBtn_Back) != Shown(f.PicBtn_BackDisabled));
}

TEST_F(NavigationTest, NewTabAndGoOpenTabs) {
  Click(g->main.PicBtn_NewTab);
  ASSERT_EQ(TabCount(), 2);
  EXPECT_EQ(View(2).navigations.back(), kDefaultHomePage);
  // The placeholder text goes to the new tab unchanged.
  Box().SetText(kAddressPlaceholder);
  Click(g->main.PicBtn_Go);
  ASSERT_EQ(TabCount(), 3);
  EXPECT_EQ(View(3).navigations.back(), kAddressPlaceholder);
}

TEST_F(NavigationTest, EnterNavigatesTheCurrentTabAndCtrlEnterOpensANewOne) {
  Box().SetText("  typed words ");
  Box().TypeChar(13);
  EXPECT_EQ(View(1).navigations.back(), "  typed words ");  // never rewritten
  Box().KeyDown(13, kModCtrl);
  ASSERT_EQ(TabCount(), 2);
  EXPECT_EQ(View(2).navigations.back(), "  typed words ");
  // Modifier state must be exactly Ctrl.
  for (int32_t mods : {3, 5, 0, 2, 7}) {
    Box().KeyDown(13, mods);
    EXPECT_EQ(TabCount(), 2) << mods;
  }
  Box().KeyDown(10, kModCtrl);
  EXPECT_EQ(TabCount(), 2);
}

TEST_F(NavigationTest, PlaceholderComesAndGoesWithFocus) {
  struct Case {
    Text before;
    Text afterGain;
  };
  const Text blanks = " \xA1\xA1 ";  // ASCII and full-width spaces
  const Case gain[] = {
      {kAddressPlaceholder, ""},
      {blanks + kAddressPlaceholder + blanks, ""},
      {"http://x/", "http://x/"},
      {Text(kAddressPlaceholder) + "x", Text(kAddressPlaceholder) + "x"},
  };
  for (const Case& c : gain) {
    Box().SetText(c.before);
    Box().SetTextColor(kPlaceholderColor);
    Box().GainFocus();
    EXPECT_EQ(Box().GetText(), c.afterGain);
    EXPECT_EQ(Box().GetTextColor(), kTypingColor);
  }
  struct LostCase {
    Text before;
    Text after;
    Color color;
  };
  const LostCase lost[] = {
      {"", kAddressPlaceholder, kPlaceholderColor},
      {blanks, kAddressPlaceholder, kPlaceholderColor},
      {blanks + kAddressPlaceholder, kAddressPlaceholder, kPlaceholderColor},
      {"abc", "abc", kTypingColor},
  };
  for (const LostCase& c : lost) {
    Box().SetText(c.before);
    Box().SetTextColor(kTypingColor);
    Box().LoseFocus();
    EXPECT_EQ(Box().GetText(), c.after);
    EXPECT_EQ(Box().GetTextColor(), c.color);
  }
}

TEST_F(NavigationTest, EnterAfterFocusOnThePlaceholderNavigatesToEmpty) {
  Box().SetText(kAddressPlaceholder);
  Box().GainFocus();
  Box().TypeChar(13);
  EXPECT_EQ(View(1).navigations.back(), "");
}

TEST_F(NavigationTest, RemoveBlanksIsAwareOfDoubleByteCharacters) {
  struct Case {
    Text in, out;
  };
  const Case cases[] = {
      {"a b", "ab"},
      {"\xA1\xA1x\xA1\xA1", "x"},
      // B0 A1 is one character; the A1 A1 that a byte-wise scan would see
      // across it is not a blank.
      {"\xB0\xA1\xA1\xA1", "\xB0\xA1"},
      {"\xB0\xA1\xA1", "\xB0\xA1\xA1"},  // a lone lead byte at the end stays
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(RemoveBlanks(c.in), c.out);
}

TEST_F(NavigationTest, IsRealAddressRejectsBlankPagesAndOtherTabs) {
  OpenInNewTab("x");
  EXPECT_EQ(IsRealAddress(2, "http://a/"), 1);
  EXPECT_EQ(IsRealAddress(1, "http://a/"), 0);
  for (const char* u : {"about:blank", "http:///", ""}) EXPECT_EQ(IsRealAddress(2, u), 0) << u;
  EXPECT_EQ(IsRealAddress(2, "About:blank"), 1);  // exact, case-sensitive
}

}  // namespace
}  // namespace qv::test
