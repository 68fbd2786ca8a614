// A started program whose main window the tests size, move and press.
#pragma once

#include <limits>

#include "app_fixture.h"
#include "frame/caption_bar.h"
#include "frame/layout.h"
#include "frame/status_strip.h"
#include "platform/headless/headless_controls.h"

namespace qv::test {

using headless::HeadlessControl;
using headless::HeadlessDrawPanel;
using headless::HeadlessTimer;

inline constexpr int32_t kMaxI = std::numeric_limits<int32_t>::max();
inline constexpr int32_t kMinI = std::numeric_limits<int32_t>::min();

class FrameTest : public AppTest {
 protected:
  // Started, activated, tabs on the given side and laid out at `outer`.
  void StartAt(Rect outer, int32_t tabSide = 0) {
    Start();
    SetTabSide(tabSide);
    Main().SystemSetRect(outer);
    LayoutMainWindow();
  }

  void SetTabSide(int32_t side) {
    g->TabBarPosition = side;
    LayoutMainWindow();
  }

  HeadlessWindow& Status() { return *static_cast<HeadlessWindow*>(g->status.window); }
  HeadlessTimer& FadeTimer() { return *static_cast<HeadlessTimer*>(g->status.Timer_Fade); }
  HeadlessDrawPanel& Border() { return *static_cast<HeadlessDrawPanel*>(g->main.DrawPanel_Border); }
  HeadlessControl& Ctl(Control* c) { return *static_cast<HeadlessControl*>(c); }

  void UseTaskbar(int32_t l, int32_t t, int32_t r, int32_t b) {
    platform->hasTaskbar = true;
    platform->taskbarL = l;
    platform->taskbarT = t;
    platform->taskbarR = r;
    platform->taskbarB = b;
  }
};

}  // namespace qv::test
