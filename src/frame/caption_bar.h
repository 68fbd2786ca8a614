// Caption bar, window buttons, maximizing to the work area and the border.
#pragma once

#include "platform/types.h"

namespace qv {

class Window;

Rect GetWorkArea();
bool IsMaximized(Window& window);
void MaximizeToWorkArea(Window& window);
void ToggleMaximize();
void OnMainWindowMoved();
void HitTestBorder(int32_t x, int32_t y);
void UpdateBorderCursor();
void BeginBorderDrag();
void OnMinimizeClick();
void OnExitClick();
// A press that moves the window (caption press).
void BeginCaptionDrag();

}  // namespace qv
