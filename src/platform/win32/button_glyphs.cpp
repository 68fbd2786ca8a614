// The pictures of the image buttons, drawn with GDI into the button's
// rectangle so they scale with it and need no bitmap resources.
#include <windows.h>

#include <cmath>
#include <cstring>

#include "platform/win32/controls.h"

namespace qv::win32 {
namespace {

constexpr COLORREF kGreen = RGB(58, 140, 64);
constexpr COLORREF kGrey = RGB(170, 170, 170);
constexpr COLORREF kRed = RGB(200, 60, 50);
constexpr COLORREF kDark = RGB(70, 70, 70);

struct Box {
  double cx, cy, s;  // centre and half the shorter side
  int X(double u) const { return static_cast<int>(std::lround(cx + u * s)); }
  int Y(double v) const { return static_cast<int>(std::lround(cy + v * s)); }
  POINT P(double u, double v) const { return POINT{X(u), Y(v)}; }
};

class Pen {
 public:
  Pen(HDC dc, COLORREF c, int width) : dc_(dc) {
    pen_ = CreatePen(PS_SOLID, width, c);
    brush_ = CreateSolidBrush(c);
    oldPen_ = SelectObject(dc, pen_);
    oldBrush_ = SelectObject(dc, brush_);
  }
  ~Pen() {
    SelectObject(dc_, oldPen_);
    SelectObject(dc_, oldBrush_);
    DeleteObject(pen_);
    DeleteObject(brush_);
  }

 private:
  HDC dc_;
  HPEN pen_;
  HBRUSH brush_;
  HGDIOBJ oldPen_, oldBrush_;
};

void Polygon(HDC dc, const Box& b, const double (*pts)[2], int n) {
  POINT p[16];
  for (int i = 0; i < n && i < 16; ++i) p[i] = b.P(pts[i][0], pts[i][1]);
  ::Polygon(dc, p, n);
}

void Line(HDC dc, const Box& b, double u1, double v1, double u2, double v2) {
  MoveToEx(dc, b.X(u1), b.Y(v1), nullptr);
  LineTo(dc, b.X(u2), b.Y(v2));
}

void Arrow(HDC dc, const Box& b, bool left) {
  static const double kLeft[][2] = {{-0.7, 0}, {-0.05, -0.6}, {-0.05, -0.25}, {0.65, -0.25},
                                    {0.65, 0.25}, {-0.05, 0.25}, {-0.05, 0.6}};
  double pts[7][2];
  for (int i = 0; i < 7; ++i) {
    pts[i][0] = left ? kLeft[i][0] : -kLeft[i][0];
    pts[i][1] = kLeft[i][1];
  }
  Polygon(dc, b, pts, 7);
}

void Home(HDC dc, const Box& b) {
  static const double kRoof[][2] = {{-0.75, -0.05}, {0, -0.7}, {0.75, -0.05}};
  static const double kBody[][2] = {{-0.5, -0.1}, {0.5, -0.1}, {0.5, 0.65}, {0.15, 0.65},
                                    {0.15, 0.2}, {-0.15, 0.2}, {-0.15, 0.65}, {-0.5, 0.65}};
  Polygon(dc, b, kRoof, 3);
  Polygon(dc, b, kBody, 8);
}

void Star(HDC dc, const Box& b) {
  double pts[10][2];
  for (int i = 0; i < 10; ++i) {
    double r = i % 2 == 0 ? 0.75 : 0.32;
    double a = -3.14159265358979 / 2 + i * 3.14159265358979 / 5;
    pts[i][0] = r * std::cos(a);
    pts[i][1] = r * std::sin(a) + 0.08;
  }
  Polygon(dc, b, pts, 10);
}

// A circular arrow: three quarters of a ring, the head at its open end.
void Refresh(HDC dc, const Box& b) {
  POINT ring[24];
  int n = 0;
  for (int i = 0; i < 24; ++i) {
    double a = -1.2 + i * (4.6 / 23);
    ring[n++] = b.P(0.55 * std::cos(a), 0.55 * std::sin(a));
  }
  Polyline(dc, ring, n);
  double a = -1.2;
  double ex = 0.55 * std::cos(a), ey = 0.55 * std::sin(a);
  const double head[][2] = {{ex - 0.05, ey - 0.35}, {ex + 0.35, ey + 0.1}, {ex - 0.3, ey + 0.25}};
  Polygon(dc, b, head, 3);
}

void Cross(HDC dc, const Box& b, double r) {
  Line(dc, b, -r, -r, r, r);
  Line(dc, b, -r, r, r, -r);
}

void Gear(HDC dc, const Box& b) {
  for (int i = 0; i < 8; ++i) {
    double a = i * 3.14159265358979 / 4;
    Line(dc, b, 0.35 * std::cos(a), 0.35 * std::sin(a), 0.75 * std::cos(a), 0.75 * std::sin(a));
  }
  Ellipse(dc, b.X(-0.5), b.Y(-0.5), b.X(0.5), b.Y(0.5));
  HBRUSH hole = CreateSolidBrush(RGB(236, 236, 236));
  HGDIOBJ old = SelectObject(dc, hole);
  Ellipse(dc, b.X(-0.2), b.Y(-0.2), b.X(0.2), b.Y(0.2));
  SelectObject(dc, old);
  DeleteObject(hole);
}

void Frame(HDC dc, const Box& b, double l, double t, double r, double bo) {
  HGDIOBJ old = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, b.X(l), b.Y(t), b.X(r), b.Y(bo));
  SelectObject(dc, old);
}

bool Is(const Text& name, const char* what) { return name == what; }

}  // namespace

void DrawButtonGlyph(HDC dc, const RECT& rc, const Text& name, bool pressed, bool enabled) {
  int w = rc.right - rc.left, h = rc.bottom - rc.top;
  if (w <= 2 || h <= 2) return;
  double shift = pressed ? 1 : 0;
  Box b{rc.left + w / 2.0 + shift, rc.top + h / 2.0 + shift, (w < h ? w : h) / 2.0 - 1};
  bool greyed = !enabled || name.find("Disabled") != Text::npos;
  COLORREF ink = greyed ? kGrey : kGreen;
  int thin = b.s > 10 ? 2 : 1;

  if (Is(name, "PicBtn_Back") || Is(name, "PicBtn_BackDisabled")) {
    Pen p(dc, ink, 1);
    Arrow(dc, b, true);
  } else if (Is(name, "PicBtn_Forward") || Is(name, "PicBtn_ForwardDisabled")) {
    Pen p(dc, ink, 1);
    Arrow(dc, b, false);
  } else if (Is(name, "PicBtn_Home")) {
    Pen p(dc, ink, 1);
    Home(dc, b);
  } else if (Is(name, "PicBtn_Favorites")) {
    Pen p(dc, greyed ? kGrey : RGB(230, 170, 30), 1);
    Star(dc, b);
  } else if (Is(name, "PicBtn_Refresh")) {
    Pen p(dc, ink, 2);
    Refresh(dc, b);
  } else if (Is(name, "PicBtn_Stop")) {
    Pen p(dc, greyed ? kGrey : kRed, thin + 1);
    Cross(dc, b, 0.5);
  } else if (Is(name, "PicBtn_Go")) {
    // A rounded "go" plate with an arrow.
    Pen p(dc, ink, 1);
    RoundRect(dc, rc.left + 2, rc.top + 3, rc.right - 2, rc.bottom - 3, 8, 8);
    Pen white(dc, RGB(255, 255, 255), 1);
    Box a{b.cx, b.cy, b.s * 0.6};
    Arrow(dc, a, false);
  } else if (Is(name, "PicBtn_Config")) {
    Pen p(dc, ink, thin);
    Gear(dc, b);
  } else if (Is(name, "PicBtn_Minimize")) {
    Pen p(dc, kDark, 2);
    Line(dc, b, -0.45, 0.35, 0.45, 0.35);
  } else if (Is(name, "PicBtn_Maximize")) {
    Pen p(dc, kDark, 1);
    Frame(dc, b, -0.5, -0.45, 0.5, 0.45);
    Line(dc, b, -0.5, -0.35, 0.5, -0.35);
  } else if (Is(name, "PicBtn_Restore")) {
    Pen p(dc, kDark, 1);
    Frame(dc, b, -0.25, -0.55, 0.55, 0.15);
    Frame(dc, b, -0.55, -0.2, 0.25, 0.55);
  } else if (Is(name, "PicBtn_Exit")) {
    HBRUSH red = CreateSolidBrush(pressed ? RGB(170, 40, 30) : kRed);
    RECT plate{rc.left + 1, rc.top + 1, rc.right - 1, rc.bottom - 1};
    FillRect(dc, &plate, red);
    DeleteObject(red);
    Pen p(dc, RGB(255, 255, 255), 2);
    Cross(dc, b, 0.35);
  } else if (Is(name, "PicBtn_CloseCurrentTab") || Is(name, "PicBtn_TabClose")) {
    Pen p(dc, kDark, thin);
    Cross(dc, b, 0.4);
  } else if (Is(name, "PicBtn_NewTab")) {
    Pen p(dc, ink, thin + 1);
    Line(dc, b, -0.6, 0, 0.6, 0);
    Line(dc, b, 0, -0.6, 0, 0.6);
  } else {
    // An unknown button still shows that it is one.
    DrawEdge(dc, const_cast<RECT*>(&rc), pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  }
}

}  // namespace qv::win32
