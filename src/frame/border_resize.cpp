#include "app/globals.h"
#include "frame/caption_bar.h"

namespace qv {
namespace {

struct ZoneInfo {
  CursorShape cursor;
  int32_t hitTest;  // the sizing edge a press hands to the system
};

// Indexed by BorderHitZone: inside, then clockwise from the top-left corner.
constexpr ZoneInfo kZones[9] = {
    {CursorShape::Arrow, 0},      {CursorShape::SizeNWSE, 13}, {CursorShape::SizeNS, 12},
    {CursorShape::SizeNESW, 14},  {CursorShape::SizeWE, 11},   {CursorShape::SizeNWSE, 17},
    {CursorShape::SizeNS, 15},    {CursorShape::SizeNESW, 16}, {CursorShape::SizeWE, 10},
};

constexpr int32_t kHitCaption = 2;

uint8_t ZoneAt(int64_t x, int64_t y, int64_t w, int64_t h) {
  if (x < 7 && y < 7) return 1;
  if (x > 6 && x < w - 6 && y < 7) return 2;
  if (x > w - 7 && y < 7) return 3;
  if (x > w - 7 && y > 6 && y < h - 6) return 4;
  if (x > w - 7 && y > h - 7) return 5;
  if (x > 6 && x < w - 6 && y > h - 7) return 6;
  if (x < 7 && y > h - 7) return 7;
  if (x < 7 && y > 6 && y < h - 6) return 8;
  return 0;
}

}  // namespace

// The panel lies at the client origin and the window has no frame, so the
// panel's coordinates are the window's.
void HitTestBorder(int32_t x, int32_t y) {
  Rect r = g->main.window->GetRect();
  g->BorderHitZone = ZoneAt(x, y, r.width, r.height);
  UpdateBorderCursor();
}

void UpdateBorderCursor() {
  uint8_t zone = g->BorderHitZone <= 8 ? g->BorderHitZone : 0;
  g->main.window->SetCursor(kZones[zone].cursor);
}

// Returns when the system's sizing (or moving) loop ends. A press inside
// the border is a caption press, so the window can be dragged by its body.
void BeginBorderDrag() {
  UpdateBorderCursor();
  uint8_t zone = g->BorderHitZone;
  if (zone >= 1 && zone <= 8)
    g->main.window->BeginSystemDrag(kZones[zone].hitTest);
  else
    g->main.window->BeginSystemDrag(kHitCaption);
}

}  // namespace qv
