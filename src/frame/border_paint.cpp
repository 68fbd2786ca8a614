#include "app/arith.h"
#include "app/globals.h"
#include "frame/layout.h"

namespace qv {
namespace {

// Outermost ring first.
constexpr Color kRingColours[3] = {{163, 200, 76}, {178, 213, 96}, {188, 221, 98}};

}  // namespace

// The window region leaves out the last column and row, so the bottom and
// right lines sit one pixel further in than the top and left ones. The
// panel keeps the drawing across repaints; it is redrawn only here.
void PaintBorder() {
  DrawPanel* panel = g->main.DrawPanel_Border;
  const int64_t w = panel->Width();
  const int64_t h = panel->Height();
  panel->ClearDrawing();
  for (int32_t i = 0; i < 3; ++i) {
    const Color c = kRingColours[i];
    panel->DrawLine(i, i, Sat32(w - i), i, c);
    panel->DrawLine(i, Sat32(h - 2 - i), Sat32(w - i), Sat32(h - 2 - i), c);
    panel->DrawLine(i, i + 1, i, Sat32(h - i), c);
    panel->DrawLine(Sat32(w - 2 - i), i, Sat32(w - 2 - i), Sat32(h - 1 - i), c);
  }
}

}  // namespace qv
