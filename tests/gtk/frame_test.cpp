// The frame over real windows: the layout arithmetic gives the same
// rectangles as over the headless backend, the maximized window keeps the
// work area, the border cursors and the status strip window.
#include <map>
#include <memory>

#include "engine_fixture.h"
#include "frame/caption_bar.h"
#include "frame/layout.h"
#include "platform/headless/headless_platform.h"

namespace qv::test {
namespace {

// Starts an xdotool command line without waiting for it: the test's own
// main loop must keep running to see the pointer's events.
void RunXdotool(const std::string& script) {
  gchar** argv = nullptr;
  ASSERT_TRUE(g_shell_parse_argv(script.c_str(), nullptr, &argv, nullptr));
  GPid pid = 0;
  bool started = g_spawn_async(nullptr, argv, nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr,
                               &pid, nullptr);
  g_strfreev(argv);
  ASSERT_TRUE(started);
  g_spawn_close_pid(pid);
}

// The controls whose places the layout computes from the window size and
// the header row alone (the header widths follow the fonts, so the tab
// buttons placed after them are left out, and so is the page area).
const char* const kLaidOut[] = {
    "Label_Title",      "PicBtn_Minimize",        "PicBtn_Maximize",   "PicBtn_Restore",
    "PicBtn_Exit",      "PicBtn_CloseCurrentTab", "Label_ToolbarBack", "PicBtn_Back",
    "PicBtn_Forward",   "PicBtn_Home",            "PicBtn_Favorites",  "PicBtn_Refresh",
    "PicBtn_Stop",      "Label_AddressBack1",     "Label_AddressBack2", "Label_AddressBack3",
    "EditBox_Address",  "PicBtn_Go",              "PicBtn_Config",     "TransLabel_LoadProgress",
    "PageControl_Pages", "DrawPanel_Border",
};

struct Layout {
  std::map<std::string, Rect> rects;
};

template <class W>
Layout Read(W& window) {
  Layout l;
  for (const char* name : kLaidOut) {
    Control* c = window.Find(name);
    if (c != nullptr) l.rects[name] = c->GetRect();
  }
  return l;
}

void Resize(Window& w, int32_t width, int32_t height) {
  w.SetWidth(width);
  w.SetHeight(height);
}

class FrameLayoutTest : public EngineTest,
                        public ::testing::WithParamInterface<std::tuple<int, int, int>> {};

TEST_P(FrameLayoutTest, SameRectanglesAsTheHeadlessBuild) {
  auto [width, height, side] = GetParam();
  Layout expected;
  {
    headless::HeadlessPlatform hp;
    CreateGlobalState(hp);
    g->MaximizeOverhang = 3;
    LoadMainWindow();
    static_cast<headless::HeadlessWindow*>(g->main.window)->Activate();
    g->TabBarPosition = side;
    LayoutMainWindow();
    Resize(*g->main.window, width, height);
    expected = Read(*static_cast<headless::HeadlessWindow*>(g->main.window));
    ReleaseGlobalState();
  }
  Start("about:blank");
  g->TabBarPosition = side;
  LayoutMainWindow();
  Resize(Main(), width, height);
  Idle(200);  // the window system's answers change nothing
  Layout got = Read(Main());
  ASSERT_EQ(got.rects.size(), expected.rects.size());
  for (const auto& [name, r] : expected.rects) {
    Rect q = got.rects[name];
    EXPECT_EQ(q, r) << name << ": " << q.left << "," << q.top << " " << q.width << "x" << q.height
                    << " headless " << r.left << "," << r.top << " " << r.width << "x" << r.height;
  }
  // The widgets really are where the program put them.
  for (const char* name : {"PicBtn_Exit", "PicBtn_Go", "Label_Title"}) {
    GtkWidget* w = WidgetOf(Main().Find(name));
    GtkAllocation a;
    gtk_widget_get_allocation(w, &a);
    EXPECT_EQ((Rect{a.x, a.y, a.width, a.height}), Main().Find(name)->GetRect()) << name;
  }
  // The view covers the page area inside the strip.
  Rect s = Strip().GetRect(), v = View(1).GetRect();
  EXPECT_GE(v.left, s.left);
  EXPECT_LE(v.left + v.width, s.left + s.width);
  EXPECT_GE(v.top, s.top);
  EXPECT_LE(v.top + v.height, s.top + s.height);
  EXPECT_GT(v.height, s.height - 2 * Strip().HeaderHeight());
}

INSTANTIATE_TEST_SUITE_P(Sizes, FrameLayoutTest,
                         ::testing::Values(std::make_tuple(847, 560, 0),
                                           std::make_tuple(1000, 700, 1),
                                           std::make_tuple(500, 400, 0),
                                           std::make_tuple(100, 50, 1)));

TEST_F(EngineTest, MaximizeFillsTheWorkAreaAndStaysThere) {
  Start("about:blank");
  Rect before = Main().GetRect();
  ToggleMaximize();
  Rect work = platform->SystemWorkArea();
  Rect expected{work.left - 3, work.top - 3, work.width + 7, work.height + 7};
  EXPECT_EQ(Main().GetRect(), expected);
  EXPECT_TRUE(g->main.PicBtn_Restore->IsVisible());
  // The window system's late answers to the moves do not undo it.
  Idle(800);
  EXPECT_EQ(Main().GetRect(), expected);
  EXPECT_TRUE(IsMaximized(Main()));
  int w = 0, h = 0;
  gtk_window_get_size(GTK_WINDOW(Main().Toplevel()), &w, &h);
  EXPECT_EQ(w, expected.width);
  EXPECT_EQ(h, expected.height);
  ToggleMaximize();
  Idle(800);
  EXPECT_EQ(Main().GetRect(), before);
  EXPECT_TRUE(g->main.PicBtn_Maximize->IsVisible());
}

TEST_F(EngineTest, ASizeTheWindowSystemImposesLaysTheWindowOut) {
  Start("about:blank");
  Idle(500);
  Rect r = Main().GetRect();
  int32_t exitGap = r.width - g->main.PicBtn_Exit->GetRect().left;
  int32_t stripWidth = Strip().GetRect().width;
  // As a user's drag would: the window system resizes the window.
  gtk_window_resize(GTK_WINDOW(Main().Toplevel()), r.width + 100, r.height + 60);
  ASSERT_TRUE(Wait([&] { return Main().GetRect().width == r.width + 100; }, 3000));
  EXPECT_EQ(Main().GetRect().height, r.height + 60);
  // The layout followed: the exit button keeps its distance from the right
  // edge and the strip takes the new width.
  EXPECT_EQ(r.width + 100 - g->main.PicBtn_Exit->GetRect().left, exitGap);
  EXPECT_EQ(Strip().GetRect().width, stripWidth + 100);
}

TEST_F(EngineTest, BorderZonesSetTheSizingCursors) {
  Start("about:blank");
  Idle(300);
  GtkWidget* layout = Main().Layout();
  Rect r = Main().GetRect();
  struct Case {
    int x, y;
    CursorShape cursor;
  } cases[] = {
      {2, 2, CursorShape::SizeNWSE},           {r.width / 2, 1, CursorShape::SizeNS},
      {r.width - 2, 2, CursorShape::SizeNESW}, {r.width - 2, r.height / 2, CursorShape::SizeWE},
      {2, r.height - 2, CursorShape::SizeNESW}, {r.width / 2, r.height - 1, CursorShape::SizeNS},
  };
  GdkWindow* bin = gtk_layout_get_bin_window(GTK_LAYOUT(layout));
  int ox = 0, oy = 0;
  gdk_window_get_origin(bin, &ox, &oy);
  for (const Case& c : cases) {
    GdkEvent* e = gdk_event_new(GDK_MOTION_NOTIFY);
    e->motion.window = GDK_WINDOW(g_object_ref(bin));
    e->motion.x = c.x;
    e->motion.y = c.y;
    e->motion.x_root = ox + c.x;
    e->motion.y_root = oy + c.y;
    gdk_event_set_device(e, gdk_seat_get_pointer(gdk_display_get_default_seat(
                                gdk_display_get_default())));
    gtk_widget_event(layout, e);
    gdk_event_free(e);
    EXPECT_EQ(Main().Cursor(), c.cursor) << c.x << "," << c.y;
  }
}

TEST_F(EngineTest, StatusStripIsAnOwnedUndecoratedWindowAtFullStripOpacity) {
  Start("about:blank");
  GtkWindow* s = GTK_WINDOW(Status().Toplevel());
  EXPECT_EQ(gtk_window_get_transient_for(s), GTK_WINDOW(Main().Toplevel()));
  EXPECT_FALSE(gtk_window_get_decorated(s));
  EXPECT_TRUE(gtk_window_get_skip_taskbar_hint(s));
  EXPECT_FALSE(gtk_window_get_accept_focus(s));
  EXPECT_FALSE(Status().IsVisible());
  EXPECT_DOUBLE_EQ(Status().Opacity(), 200 / 255.0);
  Status().SetLayeredAlpha(999);  // outside the scale: full
  EXPECT_DOUBLE_EQ(gtk_widget_get_opacity(GTK_WIDGET(s)), 1.0);
  Status().SetLayeredAlpha(-5);
  EXPECT_DOUBLE_EQ(Status().Opacity(), 1.0);
}

}  // namespace
}  // namespace qv::test

namespace qv::test {
namespace {

// A real press and drag (XTest) on the caption moves the window through
// the window system's move loop; the program hears the move.
TEST_F(EngineTest, DraggingTheCaptionMovesTheWindowAndTheStrip) {
  Start("about:blank");
  Idle(300);
  Rect before = Main().GetRect();
  Rect stripBefore = Status().GetRect();
  GtkWidget* title = WidgetOf(g->main.Label_Title);
  GdkWindow* win = gtk_widget_get_window(title);
  int presses = 0;
  auto down = g->main.Label_Title->handlers.leftDown;
  g->main.Label_Title->handlers.leftDown = [&](Control& c, int32_t px, int32_t py) {
    ++presses;
    down(c, px, py);
  };
  int ox = 0, oy = 0;
  gdk_window_get_origin(win, &ox, &oy);
  // xdotool drives the pointer through XTest, as a user's hand would.
  std::string script = "xdotool mousemove " + std::to_string(ox + 200) + " " +
                       std::to_string(oy + 10) + " mousedown 1";
  for (int step = 0; step < 5; ++step) script += " sleep 0.05 mousemove_relative 10 6";
  script += " sleep 0.1 mouseup 1";
  ASSERT_NO_FATAL_FAILURE(RunXdotool(script));
  ASSERT_TRUE(Wait([&] { return Main().GetRect().left == before.left + 50 &&
                                Main().GetRect().top == before.top + 30; }, 3000))
      << Main().GetRect().left << "," << Main().GetRect().top << " presses " << presses;
  EXPECT_EQ(presses, 1);  // the caption's own press handler started the move
  EXPECT_EQ(Main().GetRect().width, before.width);
  EXPECT_EQ(Status().GetRect().left, stripBefore.left + 50);
  EXPECT_EQ(Status().GetRect().top, stripBefore.top + 30);
}

}  // namespace
}  // namespace qv::test

namespace qv::test {
namespace {

// A real press in the lower right border zone and a drag: the window
// system resizes the window and the program lays it out.
TEST_F(EngineTest, DraggingTheBorderCornerResizesTheWindow) {
  Start("about:blank");
  Idle(300);
  Rect before = Main().GetRect();
  int32_t exitGap = before.width - g->main.PicBtn_Exit->GetRect().left;
  GdkWindow* bin = gtk_layout_get_bin_window(GTK_LAYOUT(Main().Layout()));
  int ox = 0, oy = 0;
  gdk_window_get_origin(bin, &ox, &oy);
  std::string script = "xdotool mousemove " + std::to_string(ox + before.width - 3) + " " +
                       std::to_string(oy + before.height - 3) + " sleep 0.1 mousedown 1";
  for (int step = 0; step < 4; ++step) script += " sleep 0.05 mousemove_relative 10 5";
  script += " sleep 0.1 mouseup 1";
  ASSERT_NO_FATAL_FAILURE(RunXdotool(script));
  ASSERT_TRUE(Wait([&] { return Main().GetRect().width == before.width + 40 &&
                                Main().GetRect().height == before.height + 20; }, 3000))
      << Main().GetRect().width << "x" << Main().GetRect().height;
  EXPECT_EQ(Main().GetRect().left, before.left);
  EXPECT_EQ(Main().Cursor(), CursorShape::SizeNWSE);
  EXPECT_EQ(before.width + 40 - g->main.PicBtn_Exit->GetRect().left, exitGap);
}

}  // namespace
}  // namespace qv::test
