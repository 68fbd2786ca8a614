// Temporary bodies until the frame code lands; removed file by file as the
// real routines arrive.
#include "app/globals.h"
#include "frame/caption_bar.h"
#include "frame/layout.h"
#include "frame/status_strip.h"

namespace qv {

void LayoutMainWindow() {}
void PlaceControls() {}
void PlaceCaptionButtons() {}
void PaintBorder() {}
void ApplyRoundedRegion(Window&) {}
Rect GetWorkArea() { return Rect{}; }
bool IsMaximized(Window&) { return false; }
void MaximizeToWorkArea(Window&) {}
void ToggleMaximize() {}
void OnMainWindowMoved() {}
void HitTestBorder(int32_t, int32_t) {}
void UpdateBorderCursor() {}
void BeginBorderDrag() {}
void OnMinimizeClick() {}
void OnExitClick() { g->main.window->Destroy(); }
void BeginCaptionDrag() {}
void LoadStatusWindow() {}
void OnStatusWindowCreated() {}
void SetStatusStripAlpha(int32_t) {}
void FadeInStatusStrip() {}
void FadeOutStatusStrip() {}
void OnFadeTick() {}
void PlaceStatusStrip() {}

}  // namespace qv
