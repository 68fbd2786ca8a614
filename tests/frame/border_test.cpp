#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

#include "frame_fixture.h"

namespace qv::test {
namespace {

using PixelSet = std::set<std::pair<int32_t, int32_t>>;

const Color kRing[3] = {{163, 200, 76}, {178, 213, 96}, {188, 221, 98}};

// Ring i of a w x h panel, pixel by pixel: the top row and the left column
// start at i; the bottom row and right column sit one further in (the
// region cuts the last row and column); every line stops short of its end.
PixelSet RingPixels(int32_t i, int32_t w, int32_t h) {
  PixelSet p;
  for (int32_t x = i; x < w - i; ++x) {
    p.insert({x, i});
    p.insert({x, h - 2 - i});
  }
  for (int32_t y = i + 1; y < h - i; ++y) p.insert({i, y});
  for (int32_t y = i; y < h - 1 - i; ++y) p.insert({w - 2 - i, y});
  return p;
}

struct PanelSize {
  int32_t w, h;
};

class RingPixelsTable : public FrameTest, public ::testing::WithParamInterface<PanelSize> {};

TEST_P(RingPixelsTable, EachColourCoversExactlyItsRing) {
  const PanelSize s = GetParam();
  StartAt(Rect{10, 10, s.w, s.h});
  ASSERT_EQ(Border().GetRect(), (Rect{0, 0, s.w, s.h}));
  for (int32_t i = 0; i < 3; ++i) {
    SCOPED_TRACE("ring " + std::to_string(i));
    EXPECT_EQ(Border().Pixels(kRing[i]), RingPixels(i, s.w, s.h));
  }
  // Nothing else is drawn.
  EXPECT_EQ(Border().lines.size(), 12u);
}

INSTANTIATE_TEST_SUITE_P(Sizes, RingPixelsTable,
                         ::testing::Values(PanelSize{320, 240}, PanelSize{847, 560},
                                           PanelSize{321, 241}, PanelSize{1031, 745}));

TEST_F(FrameTest, BorderIsRedrawnNotPiledUpAcrossLayouts) {
  StartAt(Rect{10, 10, 847, 560});
  Main().SystemSetRect(Rect{10, 10, 500, 400});
  Main().SystemSetRect(Rect{10, 10, 600, 300});
  EXPECT_EQ(Border().lines.size(), 12u);
  EXPECT_EQ(Border().Pixels(kRing[0]), RingPixels(0, 600, 300));
  // The corner pixels outside the region's last column stay undrawn.
  EXPECT_EQ(Border().Pixels(kRing[0]).count({599, 0}), 1u);
  EXPECT_EQ(Border().Pixels(kRing[0]).count({599, 1}), 0u);
}

struct HitCase {
  int32_t x, y;
  uint8_t zone;
  CursorShape cursor;
  int32_t dragCode;  // what a press there hands to the system
};

// W = 847, H = 560: x = 6 is in the left zones and x = 7 is not; x = W - 6
// = 841 is in the right zones and W - 7 = 840 is not; likewise for y.
const HitCase kHits[] = {
    {6, 100, 8, CursorShape::SizeWE, 10},     {7, 100, 0, CursorShape::Arrow, 2},
    {841, 100, 4, CursorShape::SizeWE, 11},   {840, 100, 0, CursorShape::Arrow, 2},
    {100, 6, 2, CursorShape::SizeNS, 12},     {100, 7, 0, CursorShape::Arrow, 2},
    {100, 554, 6, CursorShape::SizeNS, 15},   {100, 553, 0, CursorShape::Arrow, 2},
    {6, 6, 1, CursorShape::SizeNWSE, 13},     {0, 0, 1, CursorShape::SizeNWSE, 13},
    {7, 6, 2, CursorShape::SizeNS, 12},       {6, 7, 8, CursorShape::SizeWE, 10},
    {841, 6, 3, CursorShape::SizeNESW, 14},   {840, 6, 2, CursorShape::SizeNS, 12},
    {841, 7, 4, CursorShape::SizeWE, 11},     {846, 559, 5, CursorShape::SizeNWSE, 17},
    {841, 554, 5, CursorShape::SizeNWSE, 17}, {841, 553, 4, CursorShape::SizeWE, 11},
    {840, 554, 6, CursorShape::SizeNS, 15},   {6, 554, 7, CursorShape::SizeNESW, 16},
    {7, 554, 6, CursorShape::SizeNS, 15},     {6, 553, 8, CursorShape::SizeWE, 10},
    {423, 280, 0, CursorShape::Arrow, 2},
    // Outside the panel (a captured mouse): still classified, never a crash.
    {-50, -50, 1, CursorShape::SizeNWSE, 13}, {5000, 5000, 5, CursorShape::SizeNWSE, 17},
};

class HitTestTable : public FrameTest, public ::testing::WithParamInterface<HitCase> {};

TEST_P(HitTestTable, ZoneCursorAndPress) {
  const HitCase c = GetParam();
  StartAt(Rect{100, 80, 847, 560});
  Border().MouseMove(c.x, c.y);
  EXPECT_EQ(g->BorderHitZone, c.zone);
  EXPECT_EQ(Main().cursor, c.cursor);
  Main().cursor = CursorShape::Arrow;
  Border().LeftDown(c.x, c.y);
  EXPECT_EQ(Main().cursor, c.cursor);  // set again on the press
  ASSERT_EQ(Main().drags.size(), 1u);
  EXPECT_EQ(Main().drags.back(), c.dragCode);
}

INSTANTIATE_TEST_SUITE_P(Pixels, HitTestTable, ::testing::ValuesIn(kHits));

// The zones follow the outer size read at each test.
TEST_F(FrameTest, HitTestUsesTheCurrentSize) {
  StartAt(Rect{100, 80, 847, 560});
  Main().SystemSetRect(Rect{100, 80, 400, 300});
  Border().MouseMove(394, 150);
  EXPECT_EQ(g->BorderHitZone, 4);
  Border().MouseMove(393, 150);
  EXPECT_EQ(g->BorderHitZone, 0);
  Border().MouseMove(150, 294);
  EXPECT_EQ(g->BorderHitZone, 6);
}

// A press in a border zone starts the system's sizing; its size changes lay
// the window out from inside the drag.
TEST_F(FrameTest, BorderDragResizesThroughTheSystem) {
  StartAt(Rect{100, 80, 847, 560});
  Main().dragScript = [](HeadlessWindow& w, int32_t code) {
    if (code != 11) return;
    Rect r = w.GetRect();
    for (int32_t width : {800, 700, 200}) {
      r.width = width;
      w.SystemSetRect(r);
    }
  };
  Border().MouseMove(845, 300);
  Border().LeftDown(845, 300);
  EXPECT_EQ(Main().drags, (std::vector<int32_t>{11}));
  EXPECT_EQ(Main().GetRect().width, 320);
  EXPECT_EQ(g->main.Label_Title->Width(), 314);
  EXPECT_EQ(g->main.PicBtn_Exit->Left(), 275);
}

// Pressing the caption label or the body moves the window; a move of a
// normal window just takes the status strip along.
TEST_F(FrameTest, CaptionPressMovesTheWindowAndTheStrip) {
  StartAt(Rect{100, 80, 847, 560});
  Main().dragScript = [](HeadlessWindow& w, int32_t code) {
    if (code != 2) return;
    Rect r = w.GetRect();
    r.left += 30;
    r.top += 40;
    w.SystemSetRect(r);
  };
  Ctl(g->main.Label_Title).LeftDown(50, 10);
  EXPECT_EQ(Main().drags, (std::vector<int32_t>{2}));
  EXPECT_EQ(Main().GetRect(), (Rect{130, 120, 847, 560}));
  EXPECT_EQ(Status().GetRect().left, 135);
  EXPECT_EQ(Status().GetRect().top, 120 + 560 - 3 - 16 - 1);

  Border().MouseMove(400, 300);
  Border().LeftDown(400, 300);
  EXPECT_EQ(Main().drags, (std::vector<int32_t>{2, 2}));
  EXPECT_EQ(Main().GetRect(), (Rect{160, 160, 847, 560}));
  EXPECT_EQ(Status().GetRect().left, 165);
}

TEST_F(FrameTest, MinimizeAndExitButtons) {
  StartAt(Rect{100, 80, 847, 560});
  Ctl(g->main.PicBtn_Minimize).Click();
  EXPECT_TRUE(Main().IsMinimized());
  EXPECT_EQ(Main().showCommands.back(), ShowCommand::Minimize);
  EXPECT_FALSE(Main().IsDestroyed());
  Ctl(g->main.PicBtn_Exit).Click();
  EXPECT_TRUE(Main().IsDestroyed());
}

}  // namespace
}  // namespace qv::test
