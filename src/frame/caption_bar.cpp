#include "app/globals.h"
#include "frame/caption_bar.h"
#include "frame/status_strip.h"

namespace qv {
namespace {

constexpr int32_t kHitCaption = 2;

// Set while a moved window is being put back onto the work area: the moves
// that does raise come back here and must not start it again.
bool snapping = false;

}  // namespace

void ToggleMaximize() {
  Window& w = *g->main.window;
  if (IsMaximized(w)) {
    w.Show(ShowCommand::Normal);
    w.SetWidth(g->RestoreRect.Width);
    w.SetHeight(g->RestoreRect.Height);
    w.SetLeft(g->RestoreRect.Left);
    w.SetTop(g->RestoreRect.Top);
    return;
  }
  Rect r = w.GetRect();
  g->RestoreRect = RestoreRectRecord{r.left, r.top, r.width, r.height};
  MaximizeToWorkArea(w);
  g->MaximizedSize = SizeRecord{w.GetRect().width, w.GetRect().height};
}

// A window with the maximized size that is not on the work area has been
// moved away from it (dragged, say): it goes back at once. A minimized
// window is parked by the system and is left where it is.
void OnMainWindowMoved() {
  Window& w = *g->main.window;
  if (!snapping && !w.IsMinimized()) {
    Rect r = w.GetRect();
    if (r.width == g->MaximizedSize.Width && r.height == g->MaximizedSize.Height &&
        !IsMaximized(w)) {
      snapping = true;
      MaximizeToWorkArea(w);
      snapping = false;
      g->MaximizedSize = SizeRecord{w.GetRect().width, w.GetRect().height};
    }
  }
  PlaceStatusStrip();
}

void OnMinimizeClick() { g->main.window->Show(ShowCommand::Minimize); }

void OnExitClick() { g->main.window->Destroy(); }

void BeginCaptionDrag() { g->main.window->BeginSystemDrag(kHitCaption); }

}  // namespace qv
