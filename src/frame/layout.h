// Main window layout: every control follows the window's size.
#pragma once

#include <cstdint>

namespace qv {

class Window;

// The smallest outer size the main window is laid out at.
inline constexpr int32_t kMinWindowWidth = 320;
inline constexpr int32_t kMinWindowHeight = 240;

void LayoutMainWindow();
void PlaceControls();
void PlaceCaptionButtons();
void PaintBorder();
void ApplyRoundedRegion(Window& window);

}  // namespace qv
