#include <algorithm>

#include "app/arith.h"
#include "app/globals.h"
#include "frame/caption_bar.h"

namespace qv {
namespace {

// Edges in 64 bits, so no taskbar or screen size can overflow them.
struct Edges {
  int64_t left = 0, top = 0, right = 0, bottom = 0;
  bool Empty() const { return right <= left || bottom <= top; }
};

Edges ClipToScreen(Edges e, int64_t sw, int64_t sh) {
  e.left = std::max<int64_t>(e.left, 0);
  e.top = std::max<int64_t>(e.top, 0);
  e.right = std::min(e.right, sw);
  e.bottom = std::min(e.bottom, sh);
  return e;
}

// The screen minus a taskbar along one of its edges; a later match wins.
// False when the taskbar lies along no edge.
bool AreaBesideTaskbar(int64_t sw, int64_t sh, Edges& out) {
  int32_t l = 0, t = 0, r = 0, b = 0;
  if (!g->platform->FindTaskbar(l, t, r, b)) return false;
  bool matched = false;
  if (t <= 0 && l <= 0 && r >= sw) {  // top
    out = Edges{0, b, sw, sh};
    matched = true;
  }
  if (l <= 0 && r >= sw && b >= sh) {  // bottom
    out = Edges{0, 0, sw, t};
    matched = true;
  }
  if (t <= 0 && l <= 0 && b >= sh) {  // left
    out = Edges{r, 0, sw, sh};
    matched = true;
  }
  if (t <= 0 && r >= sw && b >= sh) {  // right
    out = Edges{0, 0, l, sh};
    matched = true;
  }
  return matched;
}

}  // namespace

// Without a usable taskbar (none found, one along no edge, one that leaves
// nothing of the screen) the system's own work area serves, and failing that
// the whole screen: a maximized window must never collapse to a corner.
Rect GetWorkArea() {
  Platform& p = *g->platform;
  const int64_t sw = p.ScreenWidth();
  const int64_t sh = p.ScreenHeight();
  Edges area;
  bool found = AreaBesideTaskbar(sw, sh, area);
  if (found) area = ClipToScreen(area, sw, sh);
  if (!found || area.Empty()) {
    Rect s = p.SystemWorkArea();
    area = ClipToScreen(Edges{s.left, s.top, int64_t{s.left} + s.width, int64_t{s.top} + s.height},
                        sw, sh);
  }
  if (area.Empty()) area = Edges{0, 0, std::max<int64_t>(sw, 0), std::max<int64_t>(sh, 0)};

  // Together with the region, which leaves out the last column and row, the
  // visible window reaches the overhang past each edge of the work area.
  const int64_t o = g->MaximizeOverhang;
  Rect r;
  r.left = Sat32(area.left - o);
  r.top = Sat32(area.top - o);
  r.width = Sat32(area.right - area.left + 2 * o + 1);
  r.height = Sat32(area.bottom - area.top + 2 * o + 1);
  return r;
}

bool IsMaximized(Window& window) {
  Rect work = GetWorkArea();
  Rect r = window.GetRect();
  return r.left == work.left && r.top == work.top && r.width == work.width &&
         r.height == work.height;
}

void MaximizeToWorkArea(Window& window) {
  Rect work = GetWorkArea();
  window.SetLeft(work.left);
  window.SetTop(work.top);
  window.SetWidth(work.width);
  window.SetHeight(work.height);
}

}  // namespace qv
