// The main window's rounded shape, read back from the X server.
#include "engine_fixture.h"
// Last: their macros clash with the program's names.
#include <X11/Xlib.h>
#include <X11/extensions/shape.h>
#include <gdk/gdkx.h>

namespace qv::test {
namespace {

bool InShape(XRectangle* rects, int n, int x, int y) {
  for (int i = 0; i < n; ++i)
    if (x >= rects[i].x && y >= rects[i].y && x < rects[i].x + rects[i].width &&
        y < rects[i].y + rects[i].height)
      return true;
  return false;
}

TEST_F(EngineTest, WindowShapeIsTheRoundRectangleWithoutTheLastColumnAndRow) {
  Start("about:blank");
  Idle(200);
  Rect r = Main().GetRect();
  Display* dpy = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
  int count = 0, ordering = 0;
  XRectangle* rects =
      XShapeGetRectangles(dpy, Main().XWindow(), ShapeBounding, &count, &ordering);
  ASSERT_NE(rects, nullptr);
  EXPECT_TRUE(InShape(rects, count, r.width / 2, r.height / 2));
  EXPECT_TRUE(InShape(rects, count, r.width - 2, r.height / 2));
  EXPECT_TRUE(InShape(rects, count, 0, r.height / 2));
  EXPECT_FALSE(InShape(rects, count, r.width - 1, r.height / 2));  // the last column
  EXPECT_FALSE(InShape(rects, count, r.width / 2, r.height - 1));  // the last row
  EXPECT_FALSE(InShape(rects, count, 0, 0));                      // a rounded corner
  EXPECT_FALSE(InShape(rects, count, r.width - 2, r.height - 2));
  XFree(rects);

  // A new size brings a new shape.
  Main().SetWidth(r.width + 50);
  Idle(200);
  rects = XShapeGetRectangles(dpy, Main().XWindow(), ShapeBounding, &count, &ordering);
  ASSERT_NE(rects, nullptr);
  EXPECT_TRUE(InShape(rects, count, r.width + 48, r.height / 2));
  EXPECT_FALSE(InShape(rects, count, r.width + 49, r.height / 2));
  XFree(rects);
}

}  // namespace
}  // namespace qv::test
