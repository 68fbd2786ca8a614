#include "frame/layout.h"

#include "app/globals.h"
#include "browser/tabs.h"

namespace qv {

void LayoutMainWindow() {
  // Every size change the steps below cause comes back here as a nested
  // size-changed event and is dropped.
  if (g->LayoutBusy == 1) return;
  g->LayoutBusy = 1;
  Window& w = *g->main.window;
  if (w.GetRect().width < kMinWindowWidth) w.SetWidth(kMinWindowWidth);
  if (w.GetRect().height < kMinWindowHeight) w.SetHeight(kMinWindowHeight);
  PlaceControls();
  PaintBorder();
  ApplyRoundedRegion(w);
  g->platform->PumpPendingMessages();
  g->LayoutBusy = 0;
  PlaceTabButtons();
}

void ApplyRoundedRegion(Window& window) {
  Rect r = window.GetRect();
  window.SetRoundedRegion(r.width, r.height, 5, 5);
}

}  // namespace qv
