#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "frame_fixture.h"

namespace qv::test {
namespace {

struct WorkAreaCase {
  const char* name;
  bool hasTaskbar;
  int32_t l, t, r, b;  // taskbar rectangle
  Rect system;         // the system's own work area
  Rect expected;       // the maximized rectangle (work area grown by 3)
};

const Rect kSys{0, 0, 1024, 738};

// Screen 1024 x 768 throughout.
const WorkAreaCase kAreas[] = {
    {"Bottom", true, 0, 738, 1024, 768, kSys, {-3, -3, 1031, 745}},
    {"Top", true, 0, 0, 1024, 30, kSys, {-3, 27, 1031, 745}},
    {"Left", true, 0, 0, 60, 768, kSys, {57, -3, 971, 775}},
    {"Right", true, 964, 0, 1024, 768, kSys, {-3, -3, 971, 775}},
    // The system's taskbar overlaps the screen edge by two pixels.
    {"BottomOverlapping", true, -2, 736, 1026, 770, kSys, {-3, -3, 1031, 743}},
    {"LeftOverlapping", true, -2, -2, 60, 770, kSys, {57, -3, 971, 775}},
    // An auto-hidden taskbar leaves a two-pixel strip on screen.
    {"BottomAutoHidden", true, 0, 766, 1024, 796, kSys, {-3, -3, 1031, 773}},
    // No taskbar: the system's work area, not a 7 x 7 corner.
    {"NoTaskbar", false, 0, 0, 0, 0, kSys, {-3, -3, 1031, 745}},
    {"NoTaskbarOtherArea", false, 0, 0, 0, 0, {100, 40, 800, 600}, {97, 37, 807, 607}},
    // Hostile taskbars.
    {"CoversScreen", true, 0, 0, 1024, 768, {0, 0, 1024, 768}, {-3, -3, 1031, 775}},
    {"CoversScreenSystemSaysBottom", true, -10, -10, 2000, 2000, kSys, {-3, -3, 1031, 745}},
    {"OffScreenBelowRight", true, 2000, 2000, 2100, 2100, kSys, {-3, -3, 1031, 745}},
    {"OffScreenAboveLeft", true, -5000, -5000, -4000, -4000, kSys, {-3, -3, 1031, 745}},
    {"BelowTheScreen", true, 0, 800, 1024, 830, kSys, {-3, -3, 1031, 775}},
    {"AboveTheScreen", true, 0, -100, 1024, -70, kSys, {-3, -3, 1031, 775}},
    {"RightOfTheScreen", true, 1100, 0, 1200, 768, kSys, {-3, -3, 1031, 775}},
    {"Floating", true, 300, 300, 500, 330, kSys, {-3, -3, 1031, 745}},
    {"Extremes", true, kMinI, kMinI, kMaxI, kMaxI, kSys, {-3, -3, 1031, 745}},
    {"NoTaskbarEmptySystemArea", false, 0, 0, 0, 0, {0, 0, 0, 0}, {-3, -3, 1031, 775}},
    {"NoTaskbarSystemAreaOffScreen", false, 0, 0, 0, 0, {5000, 5000, 100, 100},
     {-3, -3, 1031, 775}},
    {"NoTaskbarSystemAreaTooBig", false, 0, 0, 0, 0, {-100, -100, 5000, 5000},
     {-3, -3, 1031, 775}},
    {"NoTaskbarSystemAreaHuge", false, 0, 0, 0, 0, {kMaxI, kMaxI, kMaxI, kMaxI},
     {-3, -3, 1031, 775}},
};

class WorkAreaTable : public FrameTest, public ::testing::WithParamInterface<WorkAreaCase> {};

TEST_P(WorkAreaTable, MaximizeFillsTheWorkAreaAndRestores) {
  const WorkAreaCase& c = GetParam();
  StartAt(Rect{100, 50, 800, 600});
  platform->hasTaskbar = c.hasTaskbar;
  UseTaskbar(c.l, c.t, c.r, c.b);
  platform->hasTaskbar = c.hasTaskbar;
  platform->systemWorkArea = c.system;
  EXPECT_EQ(GetWorkArea(), c.expected);
  EXPECT_FALSE(IsMaximized(Main()));

  Ctl(g->main.PicBtn_Maximize).Click();
  EXPECT_EQ(Main().GetRect(), c.expected);
  EXPECT_TRUE(IsMaximized(Main()));
  EXPECT_EQ(g->MaximizedSize.Width, c.expected.width);
  EXPECT_EQ(g->MaximizedSize.Height, c.expected.height);
  EXPECT_TRUE(g->main.PicBtn_Restore->IsVisible());
  EXPECT_FALSE(g->main.PicBtn_Maximize->IsVisible());
  EXPECT_EQ(g->main.Label_Title->Width(), c.expected.width - 6);
  EXPECT_EQ(Main().regions.back().width, c.expected.width);
  // On screen: the visible window covers part of the 1024 x 768 screen.
  Rect m = Main().GetRect();
  EXPECT_GE(m.width, 320);
  EXPECT_GE(m.height, 240);
  EXPECT_LT(m.left, 1024);
  EXPECT_LT(m.top, 768);
  EXPECT_GT(m.left + m.width, 0);
  EXPECT_GT(m.top + m.height, 0);

  Ctl(g->main.PicBtn_Restore).Click();
  EXPECT_EQ(Main().GetRect(), (Rect{100, 50, 800, 600}));
  EXPECT_FALSE(IsMaximized(Main()));
  EXPECT_FALSE(g->main.PicBtn_Restore->IsVisible());
  EXPECT_TRUE(g->main.PicBtn_Maximize->IsVisible());
  EXPECT_EQ(g->main.Label_Title->Width(), 794);
}

INSTANTIATE_TEST_SUITE_P(Taskbars, WorkAreaTable, ::testing::ValuesIn(kAreas),
                         [](const ::testing::TestParamInfo<WorkAreaCase>& info) {
                           return std::string(info.param.name);
                         });

// A taskbar that leaves a sliver: the work area is taken as it is, and the
// layout's minimum keeps the window usable.
TEST_F(FrameTest, NarrowWorkAreaStillGivesTheMinimumWindow) {
  StartAt(Rect{100, 50, 800, 600});
  UseTaskbar(100, 0, 1024, 768);  // a right-hand taskbar 924 wide
  EXPECT_EQ(GetWorkArea(), (Rect{-3, -3, 107, 775}));
  ToggleMaximize();
  EXPECT_EQ(Main().GetRect(), (Rect{-3, -3, 320, 775}));
  EXPECT_EQ(g->MaximizedSize.Width, 320);
  EXPECT_EQ(g->RestoreRect.Width, 800);
}

// The worked example: 800 x 600 at 100,50 with a bottom taskbar from 738.
TEST_F(FrameTest, MaximizeRestoreRoundTrip) {
  StartAt(Rect{100, 50, 800, 600});
  g->main.Label_Title->handlers.doubleClick(*g->main.Label_Title);
  EXPECT_EQ(Main().GetRect(), (Rect{-3, -3, 1031, 745}));
  EXPECT_EQ(g->RestoreRect.Left, 100);
  EXPECT_EQ(g->RestoreRect.Top, 50);
  EXPECT_EQ(g->RestoreRect.Width, 800);
  EXPECT_EQ(g->RestoreRect.Height, 600);
  EXPECT_EQ(g->MaximizedSize.Width, 1031);
  EXPECT_EQ(g->MaximizedSize.Height, 745);
  EXPECT_EQ(Status().GetRect().left, 2);
  EXPECT_EQ(Status().GetRect().top, -3 + 745 - 3 - 16 - 1);
  EXPECT_EQ(Status().GetRect().width, 1031 - 26);

  g->main.Label_Title->handlers.doubleClick(*g->main.Label_Title);
  EXPECT_EQ(Main().GetRect(), (Rect{100, 50, 800, 600}));
  EXPECT_EQ(Main().showCommands.back(), ShowCommand::Normal);
  EXPECT_EQ(Status().GetRect().left, 105);
  // The maximized size is kept across the restore.
  EXPECT_EQ(g->MaximizedSize.Width, 1031);
}

// Dragging a maximized window (by any means) puts it straight back; the
// restore rectangle stays.
TEST_F(FrameTest, MovedMaximizedWindowSnapsBack) {
  StartAt(Rect{100, 50, 800, 600});
  ToggleMaximize();
  Main().SystemSetRect(Rect{200, 150, 1031, 745});
  EXPECT_EQ(Main().GetRect(), (Rect{-3, -3, 1031, 745}));
  EXPECT_TRUE(g->main.PicBtn_Restore->IsVisible());

  Main().dragScript = [](HeadlessWindow& w, int32_t) {
    Rect r = w.GetRect();
    r.left += 10;
    w.SystemSetRect(r);
    r = w.GetRect();
    r.top += 25;
    w.SystemSetRect(r);
  };
  BeginCaptionDrag();
  EXPECT_EQ(Main().GetRect(), (Rect{-3, -3, 1031, 745}));
  EXPECT_EQ(g->RestoreRect.Left, 100);
  EXPECT_EQ(g->RestoreRect.Width, 800);
  EXPECT_EQ(Status().GetRect().left, 2);
  ToggleMaximize();
  EXPECT_EQ(Main().GetRect(), (Rect{100, 50, 800, 600}));
}

// A normal window the user sizes to exactly the maximized size and then
// moves is taken for a dragged maximized window.
TEST_F(FrameTest, NormalWindowOfMaximizedSizeSnapsWhenMoved) {
  StartAt(Rect{100, 50, 800, 600});
  ToggleMaximize();
  ToggleMaximize();
  Main().SystemSetRect(Rect{100, 50, 1031, 745});  // sized only
  EXPECT_EQ(Main().GetRect(), (Rect{100, 50, 1031, 745}));
  EXPECT_FALSE(IsMaximized(Main()));
  Main().SystemSetRect(Rect{120, 50, 1031, 745});  // then moved
  EXPECT_EQ(Main().GetRect(), (Rect{-3, -3, 1031, 745}));
  EXPECT_TRUE(IsMaximized(Main()));
  // One pixel off in size: a move is just a move.
  Main().SystemSetRect(Rect{100, 50, 1030, 745});
  Main().SystemSetRect(Rect{130, 60, 1030, 745});
  EXPECT_EQ(Main().GetRect(), (Rect{130, 60, 1030, 745}));
}

// Before the first maximize the maximized size is 0 x 0: moves never snap.
TEST_F(FrameTest, NoSnapBeforeTheFirstMaximize) {
  StartAt(Rect{100, 50, 800, 600});
  Main().SystemSetRect(Rect{300, 200, 800, 600});
  EXPECT_EQ(Main().GetRect(), (Rect{300, 200, 800, 600}));
  EXPECT_EQ(g->MaximizedSize.Width, 0);
}

// The system parks a minimized window far off screen; that is no drag.
TEST_F(FrameTest, MinimizedMaximizedWindowIsNotSnapped) {
  StartAt(Rect{100, 50, 800, 600});
  ToggleMaximize();
  OnMinimizeClick();
  Main().SystemSetRect(Rect{-32000, -32000, 1031, 745});
  EXPECT_EQ(Main().GetRect(), (Rect{-32000, -32000, 1031, 745}));
  Main().Show(ShowCommand::Normal);
  Main().SystemSetRect(Rect{-3, -3, 1031, 745});
  EXPECT_TRUE(IsMaximized(Main()));
}

// Moving the taskbar while maximized: the window no longer counts as
// maximized; the next toggle maximizes anew and keeps the old maximized
// rectangle as the one to restore.
TEST_F(FrameTest, TaskbarMovedWhileMaximized) {
  StartAt(Rect{100, 50, 800, 600});
  ToggleMaximize();
  UseTaskbar(0, 0, 1024, 40);  // now at the top
  EXPECT_FALSE(IsMaximized(Main()));
  LayoutMainWindow();
  EXPECT_TRUE(g->main.PicBtn_Maximize->IsVisible());
  EXPECT_FALSE(g->main.PicBtn_Restore->IsVisible());
  ToggleMaximize();
  EXPECT_EQ(Main().GetRect(), (Rect{-3, 37, 1031, 735}));
  EXPECT_EQ(g->RestoreRect.Left, -3);
  EXPECT_EQ(g->RestoreRect.Top, -3);
  EXPECT_EQ(g->RestoreRect.Width, 1031);
  EXPECT_EQ(g->RestoreRect.Height, 745);
  EXPECT_EQ(g->MaximizedSize.Height, 735);
}

// A maximized window dragged after the work area changed snaps onto the new
// one and remembers the new size.
TEST_F(FrameTest, SnapFollowsAChangedWorkArea) {
  StartAt(Rect{100, 50, 800, 600});
  ToggleMaximize();
  UseTaskbar(0, 738, 1024, 768);
  platform->screenWidth = 1280;  // same height, wider screen; taskbar too
  UseTaskbar(0, 738, 1280, 768);
  Main().SystemSetRect(Rect{50, 20, 1031, 745});
  EXPECT_EQ(Main().GetRect(), (Rect{-3, -3, 1287, 745}));
  EXPECT_EQ(g->MaximizedSize.Width, 1287);
}

TEST_F(FrameTest, MaximizeButtonsFromEveryEntryPoint) {
  StartAt(Rect{100, 50, 800, 600});
  OpenInNewTab("http://example.com/");
  Ctl(g->main.PicBtn_Maximize).Click();
  EXPECT_TRUE(IsMaximized(Main()));
  // Caption buttons of the maximized window, two tabs, W = 1031.
  EXPECT_EQ(g->main.PicBtn_CloseCurrentTab->Left(), 1031 - 28);
  EXPECT_EQ(g->main.PicBtn_Restore->Left(), 1031 - 28 - 45 - 25);
  EXPECT_TRUE(g->main.PicBtn_Restore->IsVisible());
  Ctl(g->main.PicBtn_Restore).Click();
  EXPECT_FALSE(IsMaximized(Main()));
  Ctl(g->main.Label_Title).DoubleClick();
  EXPECT_TRUE(IsMaximized(Main()));
}

}  // namespace
}  // namespace qv::test
