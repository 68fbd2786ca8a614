#include "frame/status_strip.h"

#include <algorithm>

#include "app/arith.h"
#include "app/globals.h"

namespace qv {
namespace {

constexpr int32_t kFadeStep = 20;
constexpr int32_t kFadePeriod = 1;

}  // namespace

void LoadStatusWindow() {
  StatusForm& s = g->status;
  WindowDesc desc;
  desc.style = WindowStyle::Tool;
  desc.className = "QuorviStatusWindow";
  desc.width = 471;
  desc.height = 16;
  desc.centred = false;
  desc.owner = g->main.window;
  s.window = g->platform->CreateTopWindow(desc);

  ControlDesc label;
  label.kind = ControlKind::Label;
  label.name = "Label_StatusText";
  label.rect = Rect{0, 0, 471, 16};
  s.Label_StatusText = s.window->CreateControl(label);

  s.Timer_Fade = s.window->CreateTimer();
  s.Timer_Fade->SetPeriod(0);
  s.Timer_Fade->tick = [](Timer&) { OnFadeTick(); };

  OnStatusWindowCreated();
}

// The strip stays hidden until the first status text fades it in.
void OnStatusWindowCreated() {
  StatusForm& s = g->status;
  g->FadeMaxAlpha = 200;
  s.window->SetChildStyleOnly();
  s.window->SetHeight(s.Label_StatusText->Height());
  SetStatusStripAlpha(g->FadeMaxAlpha);
  s.window->SetWidth(s.Label_StatusText->Width());
}

void SetStatusStripAlpha(int32_t alpha) {
  g->StatusAlpha = alpha;
  g->status.window->SetLayeredAlpha(alpha < 0 || alpha > 255 ? 255 : alpha);
}

void FadeInStatusStrip() {
  StatusForm& s = g->status;
  g->FadeDirection = 1;
  s.window->Show(ShowCommand::Show);
  s.Timer_Fade->SetPeriod(kFadePeriod);
  SetStatusStripAlpha(0);
}

void FadeOutStatusStrip() {
  g->FadeDirection = 0;
  g->status.Timer_Fade->SetPeriod(kFadePeriod);
}

// Fades move in steps of 20 between 0 and the full opacity; a fade that
// starts off that grid stops at the end instead of overshooting it.
void OnFadeTick() {
  StatusForm& s = g->status;
  if (g->FadeDirection == 1) {
    if (g->StatusAlpha < g->FadeMaxAlpha) {
      SetStatusStripAlpha(
          Sat32(std::min(int64_t{g->StatusAlpha} + kFadeStep, int64_t{g->FadeMaxAlpha})));
      return;
    }
    s.Timer_Fade->SetPeriod(0);
    return;
  }
  if (g->FadeDirection == 0) {
    if (g->StatusAlpha > 1) {
      SetStatusStripAlpha(Sat32(std::max(int64_t{g->StatusAlpha} - kFadeStep, int64_t{0})));
      return;
    }
    s.window->Show(ShowCommand::Hide);
  }
  s.Timer_Fade->SetPeriod(0);
}

// Screen coordinates: the strip lies over the lower edge of the page area,
// just inside the main window's frame, and follows every move.
void PlaceStatusStrip() {
  StatusForm& s = g->status;
  if (s.window == nullptr) return;
  TabStrip* strip = g->main.PageControl_Pages;
  int32_t side = strip->HeaderSide();
  if (side > 1) return;
  Window& main = *g->main.window;
  Rect m = main.GetRect();
  const int64_t bottom = int64_t{m.top} + m.height;
  s.window->SetLeft(Sat32(int64_t{m.left} + 5));
  if (side == 1) {
    int64_t header = int64_t{strip->Height()} - strip->PageAreaHeight();
    s.window->SetTop(Sat32(bottom - s.window->GetRect().height - header - 3));
  } else {
    s.window->SetTop(
        Sat32(bottom - g->FrameMargins.Bottom - s.window->GetRect().height - 1));
  }
  s.window->SetWidth(Sat32(int64_t{main.ClientWidth()} - 20 - g->FrameMargins.Left -
                           g->FrameMargins.Right));
  s.Label_StatusText->SetWidth(s.window->GetRect().width);
}

}  // namespace qv
