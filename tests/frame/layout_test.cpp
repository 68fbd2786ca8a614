#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "frame_fixture.h"

namespace qv::test {
namespace {

// What the layout gives at one client size (the window has no frame, so
// the outer size is the client size).
struct SizeCase {
  const char* name;
  int32_t w, h;
  Rect title, toolbar, strip, back1, back2, back3, edit, go, config, progress;
  // Caption buttons with one tab: exit, maximize/restore, minimize.
  int32_t exit1, max1, min1;
  // With more tabs: close-current-tab, exit, maximize/restore, minimize.
  int32_t closeN, exitN, maxN, minN;
};

const SizeCase kSizes[] = {
    {"Minimum", 320, 240,
     {3, 3, 314, 20}, {3, 23, 313, 30}, {3, 53, 313, 183},
     {150, 24, 13, 27}, {163, 24, 59, 27}, {222, 24, 13, 27},
     {156, 28, 73, 20}, {237, 24, 48, 27}, {286, 24, 27, 27}, {184, 32, 42, 11},
     275, 250, 224, 292, 247, 222, 196},
    {"Design", 847, 560,
     {3, 3, 841, 20}, {3, 23, 840, 30}, {3, 53, 840, 503},
     {150, 24, 13, 27}, {163, 24, 586, 27}, {749, 24, 13, 27},
     {156, 28, 600, 20}, {764, 24, 48, 27}, {813, 24, 27, 27}, {711, 32, 42, 11},
     802, 777, 751, 819, 774, 749, 723},
    {"Large", 2560, 1600,
     {3, 3, 2554, 20}, {3, 23, 2553, 30}, {3, 53, 2553, 1543},
     {150, 24, 13, 27}, {163, 24, 2299, 27}, {2462, 24, 13, 27},
     {156, 28, 2313, 20}, {2477, 24, 48, 27}, {2526, 24, 27, 27}, {2424, 32, 42, 11},
     2515, 2490, 2464, 2532, 2487, 2462, 2436},
};

class LayoutTable
    : public FrameTest,
      public ::testing::WithParamInterface<std::tuple<SizeCase, int32_t, int32_t>> {};

TEST_P(LayoutTable, EveryControlFollowsTheClientSize) {
  const SizeCase& c = std::get<0>(GetParam());
  const int32_t side = std::get<1>(GetParam());
  const int32_t tabs = std::get<2>(GetParam());
  Start();
  for (int32_t k = 1; k < tabs; ++k) OpenInNewTab("http://example.com/" + std::to_string(k));
  SetTabSide(side);
  Main().SystemSetRect(Rect{40, 30, c.w, c.h});

  MainForm& f = g->main;
  EXPECT_EQ(f.DrawPanel_Border->GetRect(), (Rect{0, 0, c.w, c.h}));
  EXPECT_EQ(f.Label_Title->GetRect(), c.title);
  EXPECT_EQ(f.Label_ToolbarBack->GetRect(), c.toolbar);
  EXPECT_EQ(f.PageControl_Pages->GetRect(), c.strip);
  EXPECT_EQ(f.PageControl_Pages->HeaderSide(), side);
  EXPECT_EQ(f.Label_AddressBack1->GetRect(), c.back1);
  EXPECT_EQ(f.Label_AddressBack2->GetRect(), c.back2);
  EXPECT_EQ(f.Label_AddressBack3->GetRect(), c.back3);
  EXPECT_EQ(f.EditBox_Address->GetRect(), c.edit);
  EXPECT_EQ(f.PicBtn_Go->GetRect(), c.go);
  EXPECT_EQ(f.PicBtn_Config->GetRect(), c.config);
  EXPECT_EQ(f.TransLabel_LoadProgress->GetRect(), c.progress);

  // The greyed and alternative buttons share their twins' places.
  EXPECT_EQ(f.PicBtn_BackDisabled->GetRect(), (Rect{4, 24, 27, 27}));
  EXPECT_EQ(f.PicBtn_ForwardDisabled->GetRect(), (Rect{33, 24, 27, 27}));
  EXPECT_EQ(f.PicBtn_Stop->GetRect(), (Rect{120, 24, 27, 27}));
  // Controls the layout does not name keep their form values.
  EXPECT_EQ(f.PicBtn_Back->GetRect(), (Rect{4, 24, 27, 27}));
  EXPECT_EQ(f.PicBtn_Home->GetRect(), (Rect{62, 24, 27, 27}));
  EXPECT_EQ(f.PicBtn_Favorites->GetRect(), (Rect{91, 24, 27, 27}));
  EXPECT_EQ(f.PicBtn_Refresh->GetRect(), (Rect{120, 24, 27, 27}));

  // Caption buttons: tops never change, restore sits on maximize.
  if (tabs == 1) {
    EXPECT_FALSE(f.PicBtn_CloseCurrentTab->IsVisible());
    EXPECT_EQ(f.PicBtn_Exit->GetRect(), (Rect{c.exit1, 3, 42, 17}));
    EXPECT_EQ(f.PicBtn_Maximize->GetRect(), (Rect{c.max1, 3, 25, 17}));
    EXPECT_EQ(f.PicBtn_Minimize->GetRect(), (Rect{c.min1, 3, 26, 17}));
  } else {
    EXPECT_TRUE(f.PicBtn_CloseCurrentTab->IsVisible());
    EXPECT_EQ(f.PicBtn_CloseCurrentTab->GetRect(), (Rect{c.closeN, 3, 25, 17}));
    EXPECT_EQ(f.PicBtn_Exit->GetRect(), (Rect{c.exitN, 3, 42, 17}));
    EXPECT_EQ(f.PicBtn_Maximize->GetRect(), (Rect{c.maxN, 3, 25, 17}));
    EXPECT_EQ(f.PicBtn_Minimize->GetRect(), (Rect{c.minN, 3, 26, 17}));
  }
  EXPECT_EQ(f.PicBtn_Restore->GetRect(), (Rect{f.PicBtn_Maximize->Left(), 3, 25, 17}));
  EXPECT_FALSE(f.PicBtn_Restore->IsVisible());
  EXPECT_TRUE(f.PicBtn_Maximize->IsVisible());

  // The current view fills the page area, under or over the header.
  Rect view = TabAt(g->CurrentTab).browser->GetRect();
  EXPECT_EQ(view.left, c.strip.left);
  EXPECT_EQ(view.width, Strip().PageAreaWidth() + 2);
  EXPECT_EQ(view.height, Strip().PageAreaHeight() + 1);
  EXPECT_EQ(view.top, side == 1 ? c.strip.top : c.strip.top + Strip().HeaderHeight() + 3);

  // The status strip: 5 in from the left, against the strip's lower edge
  // (tabs at the top) or the header (tabs at the bottom).
  Rect s = Status().GetRect();
  int32_t header = c.strip.height - Strip().PageAreaHeight();
  EXPECT_EQ(s.left, 45);
  EXPECT_EQ(s.top, side == 1 ? 30 + c.h - 16 - header - 3 : 30 + c.h - 3 - 16 - 1);
  EXPECT_EQ(s.height, 16);
  EXPECT_EQ(s.width, c.w - 26);
  EXPECT_EQ(g->status.Label_StatusText->Width(), s.width);

  EXPECT_EQ(Main().regions.back().width, c.w);
  EXPECT_EQ(Main().regions.back().height, c.h);
  EXPECT_EQ(g->LayoutBusy, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, LayoutTable,
    ::testing::Combine(::testing::ValuesIn(kSizes), ::testing::Values(0, 1),
                       ::testing::Values(1, 3)),
    [](const ::testing::TestParamInfo<LayoutTable::ParamType>& info) {
      return std::string(std::get<0>(info.param).name) + "_side" +
             std::to_string(std::get<1>(info.param)) + "_tabs" +
             std::to_string(std::get<2>(info.param));
    });

TEST_F(FrameTest, SecondTabShiftsTheCaptionButtons28Left) {
  StartAt(Rect{10, 10, 847, 560});
  MainForm& f = g->main;
  ASSERT_FALSE(f.PicBtn_CloseCurrentTab->IsVisible());
  ASSERT_EQ(f.PicBtn_Exit->Left(), 802);

  OpenInNewTab("http://example.com/");
  EXPECT_TRUE(f.PicBtn_CloseCurrentTab->IsVisible());
  EXPECT_EQ(f.PicBtn_CloseCurrentTab->Left(), 819);
  EXPECT_EQ(f.PicBtn_Exit->Left(), 802 - 28);
  EXPECT_EQ(f.PicBtn_Maximize->Left(), 777 - 28);
  EXPECT_EQ(f.PicBtn_Restore->Left(), 777 - 28);
  EXPECT_EQ(f.PicBtn_Minimize->Left(), 751 - 28);

  OnCloseCurrentTabClick();
  ASSERT_EQ(TabCount(), 1);
  EXPECT_FALSE(f.PicBtn_CloseCurrentTab->IsVisible());
  EXPECT_EQ(f.PicBtn_Exit->Left(), 802);
  EXPECT_EQ(f.PicBtn_Maximize->Left(), 777);
  EXPECT_EQ(f.PicBtn_Minimize->Left(), 751);
}

TEST_F(FrameTest, SwitchingTabSidesKeepsTheStripRectangle) {
  StartAt(Rect{50, 50, 847, 560}, 0);
  Rect top = Strip().GetRect();
  Rect viewTop = TabAt(1).browser->GetRect();
  Rect statusTop = Status().GetRect();
  SetTabSide(1);
  EXPECT_EQ(Strip().GetRect(), top);
  EXPECT_EQ(Strip().HeaderSide(), 1);
  EXPECT_EQ(TabAt(1).browser->GetRect().top, viewTop.top - 23);
  // Tabs at the bottom: the strip rises above the header (28 here).
  EXPECT_EQ(Status().GetRect().top, 50 + 560 - 16 - 28 - 3);
  EXPECT_NE(Status().GetRect().top, statusTop.top);
  SetTabSide(0);
  EXPECT_EQ(TabAt(1).browser->GetRect(), viewTop);
  EXPECT_EQ(Status().GetRect(), statusTop);
}

// A header side above 1 (a hostile registry value, or a strip that reports
// one) is not laid out: the strip, the current view and the status strip
// stay; everything else still follows the size.
TEST_F(FrameTest, HeaderSideAboveOneLeavesStripViewAndStatusWhereTheyWere) {
  for (int32_t side : {2, 3, 7, kMaxI}) {
    SCOPED_TRACE(side);
    StartAt(Rect{50, 50, 847, 560}, 0);
    Rect strip = Strip().GetRect();
    Rect view = TabAt(1).browser->GetRect();
    Rect status = Status().GetRect();
    g->TabBarPosition = side;
    Main().SystemSetRect(Rect{50, 50, 1000, 700});
    EXPECT_EQ(Strip().HeaderSide(), side);
    EXPECT_EQ(Strip().GetRect(), strip);
    EXPECT_EQ(TabAt(1).browser->GetRect(), view);
    EXPECT_EQ(Status().GetRect(), status);
    EXPECT_EQ(g->main.Label_Title->Width(), 994);
    EXPECT_EQ(g->main.PicBtn_Exit->Left(), 1000 - 45);
    EXPECT_EQ(Border().GetRect(), (Rect{0, 0, 1000, 700}));
    EXPECT_EQ(Border().lines.size(), 12u);
    // Moving the window does not move the strip either.
    Main().SystemSetRect(Rect{20, 40, 1000, 700});
    EXPECT_EQ(Status().GetRect(), status);
    ReleaseGlobalState();
  }
}

// Sizes the system may impose: anything below the minimum becomes the
// minimum, and the correction's own size events are absorbed.
TEST_F(FrameTest, SmallZeroAndNegativeSizesBecomeTheMinimum) {
  const Rect kSmall[] = {{100, 100, 319, 239}, {100, 100, 0, 0},      {100, 100, -5, -100},
                         {100, 100, kMinI, kMinI}, {100, 100, 100, 600}, {100, 100, 900, 7}};
  StartAt(Rect{100, 100, 847, 560});
  for (const Rect& r : kSmall) {
    SCOPED_TRACE(std::to_string(r.width) + "x" + std::to_string(r.height));
    size_t regions = Main().regions.size();
    Main().SystemSetRect(r);
    Rect now = Main().GetRect();
    EXPECT_EQ(now.width, r.width < 320 ? 320 : r.width);
    EXPECT_EQ(now.height, r.height < 240 ? 240 : r.height);
    // One layout ran; the nested ones the correction raised were dropped.
    EXPECT_EQ(Main().regions.size(), regions + 1);
    EXPECT_EQ(Main().regions.back().width, now.width);
    EXPECT_EQ(Main().regions.back().height, now.height);
    EXPECT_EQ(Border().GetRect(), (Rect{0, 0, now.width, now.height}));
    EXPECT_EQ(g->main.Label_Title->Width(), now.width - 6);
    EXPECT_EQ(g->LayoutBusy, 0);
    Main().SystemSetRect(Rect{100, 100, 847, 560});
  }
}

// A huge size from the system saturates instead of wrapping around.
TEST_F(FrameTest, HugeSizeAndPlaceSaturate) {
  StartAt(Rect{100, 100, 847, 560});
  Main().SystemSetRect(Rect{kMaxI, kMaxI, kMaxI, kMaxI});
  MainForm& f = g->main;
  EXPECT_EQ(Main().GetRect().width, kMaxI);
  EXPECT_EQ(f.DrawPanel_Border->GetRect(), (Rect{0, 0, kMaxI, kMaxI}));
  EXPECT_EQ(f.Label_Title->Width(), kMaxI - 6);
  EXPECT_EQ(f.PageControl_Pages->Height(), kMaxI - 57);
  EXPECT_EQ(f.PicBtn_Exit->Left(), kMaxI - 45);
  EXPECT_GT(f.PicBtn_Config->Left(), 0);
  EXPECT_GT(f.TransLabel_LoadProgress->Left(), 0);
  for (const auto& l : Border().lines) {
    EXPECT_GE(l.x1, 0);
    EXPECT_GE(l.x2, 0);
    EXPECT_GE(l.y1, 0);
    EXPECT_GE(l.y2, 0);
  }
  EXPECT_EQ(Status().GetRect().left, kMaxI);
  EXPECT_EQ(Status().GetRect().width, kMaxI - 26);

  Main().SystemSetRect(Rect{kMinI, kMinI, kMaxI, kMaxI});
  EXPECT_EQ(Status().GetRect().left, kMinI + 5);
  HitTestBorder(kMaxI, kMaxI);
  EXPECT_EQ(g->BorderHitZone, 5);
}

// A size-changed event that arrives while a layout runs (here from its own
// message pass) changes nothing; the tab buttons are placed once, after the
// busy flag is cleared.
TEST_F(FrameTest, NestedSizeEventDuringLayoutChangesNothing) {
  StartAt(Rect{100, 100, 847, 560});
  OpenInNewTab("http://example.com/");
  auto& newTab = Ctl(g->main.PicBtn_NewTab);
  auto& close2 = *static_cast<HeadlessControl*>(TabAt(2).closeButton);
  int newTabWrites = newTab.rectWrites;
  int closeWrites = close2.rectWrites;
  bool ran = false;
  platform->pumpScript = [&] {
    if (ran) return;
    ran = true;
    EXPECT_EQ(g->LayoutBusy, 1);
    EXPECT_EQ(newTab.rectWrites, newTabWrites);  // not yet placed
    size_t regions = Main().regions.size();
    auto lines = Border().lines.size();
    Rect title = g->main.Label_Title->GetRect();
    Rect strip = Strip().GetRect();
    Main().SystemSetRect(Rect{100, 100, 700, 500});
    EXPECT_EQ(Main().regions.size(), regions);
    EXPECT_EQ(Border().lines.size(), lines);
    EXPECT_EQ(Border().GetRect(), (Rect{0, 0, 900, 600}));
    EXPECT_EQ(g->main.Label_Title->GetRect(), title);
    EXPECT_EQ(Strip().GetRect(), strip);
    EXPECT_EQ(newTab.rectWrites, newTabWrites);
  };
  Main().SystemSetRect(Rect{100, 100, 900, 600});
  EXPECT_TRUE(ran);
  EXPECT_EQ(g->LayoutBusy, 0);
  // Laid out for 900 wide although the window is now 700: the next size
  // change lays it out again.
  EXPECT_EQ(g->main.Label_Title->Width(), 894);
  // Placed once: a left and a top write each.
  EXPECT_EQ(newTab.rectWrites, newTabWrites + 2);
  EXPECT_EQ(close2.rectWrites, closeWrites + 2);
  platform->pumpScript = nullptr;
  Main().SystemSetRect(Rect{100, 100, 710, 500});
  EXPECT_EQ(g->main.Label_Title->Width(), 704);
}

// Start-up sets the margins and loads the status strip before the settings
// make the first layout: the window is laid out at its design size with the
// stored tab side (tabs at the bottom when nothing is stored).
TEST_F(FrameTest, StartUpLaysTheWindowOutOnce) {
  Start();
  EXPECT_EQ(g->TabBarPosition, 1);
  EXPECT_EQ(Strip().HeaderSide(), 1);
  EXPECT_EQ(g->main.Label_Title->GetRect(), (Rect{3, 3, 841, 20}));
  EXPECT_EQ(Strip().GetRect(), (Rect{3, 53, 840, 503}));
  EXPECT_EQ(g->main.PicBtn_Exit->Left(), 802);
  EXPECT_FALSE(Main().regions.empty());
  EXPECT_EQ(Border().lines.size(), 12u);
  Rect m = Main().GetRect();
  int32_t header = Strip().Height() - Strip().PageAreaHeight();
  EXPECT_EQ(Status().GetRect(), (Rect{m.left + 5, m.top + 560 - 16 - header - 3, 821, 16}));
  EXPECT_FALSE(Status().IsVisible());
  EXPECT_EQ(g->LayoutBusy, 0);
}

TEST_F(FrameTest, RoundedRegionFollowsTheOuterSize) {
  StartAt(Rect{100, 100, 847, 560});
  const auto& r = Main().regions.back();
  EXPECT_EQ(r.width, 847);
  EXPECT_EQ(r.height, 560);
  EXPECT_EQ(r.ellipseW, 5);
  EXPECT_EQ(r.ellipseH, 5);
}

}  // namespace
}  // namespace qv::test
