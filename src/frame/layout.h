// Main window layout: every control follows the window's size.
#pragma once

namespace qv {

void LayoutMainWindow();
void PlaceControls();
void PlaceCaptionButtons();
void PaintBorder();
class Window;
void ApplyRoundedRegion(Window& window);

}  // namespace qv
