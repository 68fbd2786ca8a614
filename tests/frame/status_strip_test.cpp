#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame_fixture.h"

namespace qv::test {
namespace {

class StatusTest : public FrameTest {
 protected:
  void SetUp() override {
    FrameTest::SetUp();
    StartAt(Rect{50, 50, 847, 560});
    Status().alphaHistory.clear();
  }
  void Say(const Text& text) { View(g->CurrentTab).RaiseStatusTextChange(text); }
  Text Shown() { return g->status.Label_StatusText->GetText(); }
};

TEST_F(FrameTest, StatusWindowIsLoadedHiddenAtFullOpacity) {
  Start();
  HeadlessWindow& s = Status();
  EXPECT_EQ(s.Desc().style, WindowStyle::Tool);
  EXPECT_EQ(s.Desc().owner, g->main.window);
  EXPECT_FALSE(s.Desc().dragByAnyPoint);
  EXPECT_TRUE(s.childStyleOnly);
  EXPECT_FALSE(s.IsVisible());
  EXPECT_EQ(g->FadeMaxAlpha, 200);
  EXPECT_EQ(g->StatusAlpha, 200);
  ASSERT_FALSE(s.alphaHistory.empty());
  EXPECT_EQ(s.alphaHistory.front(), 200);
  EXPECT_EQ(s.layeredAlpha, 200);
  EXPECT_EQ(s.GetRect().height, 16);
  EXPECT_EQ(s.GetRect().width, g->status.Label_StatusText->Width());
  EXPECT_EQ(g->status.Label_StatusText->GetRect().left, 0);
  EXPECT_EQ(g->status.Label_StatusText->GetRect().top, 0);
  EXPECT_EQ(g->status.Label_StatusText->Height(), 16);
  EXPECT_EQ(g->status.Timer_Fade->Period(), 0);
}

// A status text while the strip is hidden shows it at 0 and brings it to
// 200 over 11 ticks; "Done" fades it out over 11 ticks and hides it.
TEST_F(StatusTest, FadeInThenOutStepByStep) {
  Say("正在打开网页 http://example.com/");
  EXPECT_EQ(Shown(), "正在打开网页 http://example.com/");
  EXPECT_TRUE(Status().IsVisible());
  EXPECT_EQ(g->FadeDirection, 1);
  EXPECT_EQ(FadeTimer().Period(), 1);
  EXPECT_EQ(Status().alphaHistory, (std::vector<int32_t>{0}));

  std::vector<int32_t> in;
  for (int tick = 1; tick <= 11; ++tick) {
    SCOPED_TRACE(tick);
    ASSERT_EQ(FadeTimer().Period(), 1);
    ASSERT_TRUE(FadeTimer().Fire());
    in.push_back(Status().layeredAlpha);
  }
  EXPECT_EQ(in, (std::vector<int32_t>{20, 40, 60, 80, 100, 120, 140, 160, 180, 200, 200}));
  EXPECT_EQ(Status().alphaHistory,
            (std::vector<int32_t>{0, 20, 40, 60, 80, 100, 120, 140, 160, 180, 200}));
  EXPECT_EQ(FadeTimer().Period(), 0);  // stopped on the 11th tick
  EXPECT_FALSE(FadeTimer().Fire());
  EXPECT_TRUE(Status().IsVisible());

  Status().alphaHistory.clear();
  Say("Done");
  EXPECT_EQ(g->FadeDirection, 0);
  EXPECT_EQ(FadeTimer().Period(), 1);
  EXPECT_EQ(Shown(), "正在打开网页 http://example.com/");
  for (int tick = 1; tick <= 10; ++tick) {
    ASSERT_TRUE(FadeTimer().Fire());
    EXPECT_TRUE(Status().IsVisible());
  }
  EXPECT_EQ(Status().alphaHistory,
            (std::vector<int32_t>{180, 160, 140, 120, 100, 80, 60, 40, 20, 0}));
  ASSERT_TRUE(FadeTimer().Fire());  // 11th: hides and stops
  EXPECT_FALSE(Status().IsVisible());
  EXPECT_EQ(FadeTimer().Period(), 0);
  EXPECT_EQ(Status().alphaHistory.size(), 10u);
}

// Texts that arrive while a fade runs are dropped, in both directions.
TEST_F(StatusTest, TextsDuringAFadeAreDropped) {
  Say("first");
  FadeTimer().Fire();
  Say("second");
  Say("Done");
  EXPECT_EQ(Shown(), "first");
  EXPECT_EQ(g->FadeDirection, 1);
  while (FadeTimer().Fire()) {
  }
  EXPECT_EQ(g->StatusAlpha, 200);

  Say("完毕");
  FadeTimer().Fire();
  Say("third");
  EXPECT_EQ(Shown(), "first");
  EXPECT_EQ(g->FadeDirection, 0);
  while (FadeTimer().Fire()) {
  }
  EXPECT_FALSE(Status().IsVisible());
  for (int32_t a : Status().alphaHistory) {
    EXPECT_GE(a, 0);
    EXPECT_LE(a, 200);
  }
}

TEST_F(StatusTest, EndTextsWhileHiddenChangeNothing) {
  for (const char* t : {"Done", "完毕", ""}) {
    SCOPED_TRACE(t);
    Say(t);
    EXPECT_FALSE(Status().IsVisible());
    EXPECT_EQ(FadeTimer().Period(), 0);
    EXPECT_TRUE(Status().alphaHistory.empty());
  }
}

// A huge or odd status text is shown as it is, without touching the fade.
TEST_F(StatusTest, HugeTextFadesInLikeAnyOther) {
  Text huge(100000, 'x');
  huge += Text("\xff\x00\xd6", 3);
  Say(huge);
  EXPECT_EQ(Shown(), huge);
  EXPECT_EQ(Status().alphaHistory, (std::vector<int32_t>{0}));
  EXPECT_EQ(Status().GetRect().width, 821);
}

struct AlphaCase {
  int32_t given, applied;
};

TEST_F(StatusTest, OpacityOutsideTheScaleIsAppliedAsFull) {
  const AlphaCase kCases[] = {{0, 0},     {1, 1},     {200, 200}, {255, 255},
                              {256, 255}, {-1, 255},  {kMaxI, 255}, {kMinI, 255}};
  for (const AlphaCase& c : kCases) {
    SCOPED_TRACE(c.given);
    SetStatusStripAlpha(c.given);
    EXPECT_EQ(g->StatusAlpha, c.given);
    EXPECT_EQ(Status().layeredAlpha, c.applied);
  }
}

// Fades that start off the 20-step grid end at the bounds instead of
// passing them (a step past 0 would otherwise show the strip opaque).
TEST_F(StatusTest, FadesOffTheGridStayWithinTheBounds) {
  FadeInStatusStrip();
  SetStatusStripAlpha(190);
  while (FadeTimer().Fire()) {
  }
  EXPECT_EQ(g->StatusAlpha, 200);

  SetStatusStripAlpha(10);
  Status().alphaHistory.clear();
  FadeOutStatusStrip();
  while (FadeTimer().Fire()) {
  }
  EXPECT_EQ(Status().alphaHistory, (std::vector<int32_t>{0}));
  EXPECT_FALSE(Status().IsVisible());
}

// MainWindow at 50,50, 847 x 560, tabs at the top: the strip is at 55, 590
// (50 + 560 - 3 - 16 - 1). Its width is the client width less 20 and the
// two side margins: 847 - 20 - 3 - 3.
TEST_F(StatusTest, PlacedInsideTheFrameOverThePageArea) {
  EXPECT_EQ(Status().GetRect(), (Rect{55, 590, 821, 16}));
  EXPECT_EQ(g->status.Label_StatusText->Width(), 821);
  // Its lower edge is 4 above the main window's.
  EXPECT_EQ(50 + 560 - (590 + 16), 4);

  SetTabSide(1);
  int32_t header = Strip().Height() - Strip().PageAreaHeight();
  EXPECT_EQ(Status().GetRect(), (Rect{55, 50 + 560 - 16 - header - 3, 821, 16}));

  Main().SystemSetRect(Rect{300, 200, 847, 560});
  EXPECT_EQ(Status().GetRect(), (Rect{305, 200 + 560 - 16 - header - 3, 821, 16}));
}

}  // namespace
}  // namespace qv::test
