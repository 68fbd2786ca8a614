// A started program over the GTK backend: real windows, real web views.
// Waits are bounded main-loop runs.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/globals.h"
#include "app/startup.h"
#include "browser/tabs.h"
#include "platform/gtk/gtk_browser_view.h"
#include "platform/gtk/gtk_controls.h"
#include "platform/gtk/gtk_platform.h"
#include "platform/gtk/gtk_tab_strip.h"
#include "platform/gtk/gtk_text.h"

namespace qv::test {

class EngineTest : public ::testing::Test {
 public:
  static gtk::GtkPlatform* platform;
  static std::string& Home() {
    static std::string home;
    return home;
  }

 protected:
  // Starts the program as its process entry would, with `url` as its
  // command-line argument, and waits until the window is on screen.
  void Start(const std::string& url) {
    platform->SetCommandLine("quorvi-gtk " + url);
    // The pointer away from where the window will be, so no page starts
    // under it.
    GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
    gdk_device_warp(gdk_seat_get_pointer(seat), gdk_screen_get_default(), 1, 1);
    CreateGlobalState(*platform);
    g->MaximizeOverhang = 3;
    LoadMainWindow();
    ASSERT_TRUE(Wait([&] { return gtk_widget_get_mapped(Main().Toplevel()); }, 5000));
  }

  void TearDown() override {
    if (g != nullptr) {
      if (g->status.window != nullptr) g->status.window->Destroy();
      if (g->main.window != nullptr) g->main.window->Destroy();
      ReleaseGlobalState();
    }
    platform->PumpPendingMessages();
  }

  static bool Wait(const std::function<bool()>& done, int ms = 15000) {
    return platform->RunUntil(done, ms);
  }
  // Lets the loop run for a while (for things that must NOT happen).
  static void Idle(int ms) {
    platform->RunUntil([] { return false; }, ms);
  }

  gtk::GtkWindowImpl& Main() { return *static_cast<gtk::GtkWindowImpl*>(g->main.window); }
  gtk::GtkWindowImpl& Status() { return *static_cast<gtk::GtkWindowImpl*>(g->status.window); }
  gtk::WebControl& View(int32_t k) { return *static_cast<gtk::WebControl*>(TabAt(k).browser); }
  TabStrip& Strip() { return *g->main.PageControl_Pages; }
  Text Address() { return g->main.EditBox_Address->GetText(); }

  // Runs a script in tab k's page (as the page itself would).
  void RunScript(int32_t k, const std::string& js) {
    webkit_web_view_evaluate_javascript(View(k).View(), js.c_str(), -1, nullptr, nullptr, nullptr,
                                        nullptr, nullptr);
  }

  // A real pointer event (XTest) at a point of a control.
  static void PointerTo(GtkWidget* w, int x, int y) {
    GdkWindow* win = gtk_widget_get_window(w);
    GtkAllocation a;
    gtk_widget_get_allocation(w, &a);
    int ox = 0, oy = 0;
    gdk_window_get_origin(win, &ox, &oy);
    if (!gtk_widget_get_has_window(w) || gdk_window_get_parent(win) == nullptr) {
      ox += a.x;
      oy += a.y;
    }
    GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
    gdk_device_warp(gdk_seat_get_pointer(seat), gdk_screen_get_default(), ox + x, oy + y);
  }
  // A press and release delivered to the widget as the window system's
  // would be (x, y relative to the widget).
  static void ClickAt(GtkWidget* w, int x, int y, guint button = 1) {
    GdkWindow* win = gtk_widget_get_window(w);
    GtkAllocation a;
    gtk_widget_get_allocation(w, &a);
    int wx = x, wy = y;
    if (!gtk_widget_get_has_window(w)) {
      wx += a.x;
      wy += a.y;
    }
    int ox = 0, oy = 0;
    gdk_window_get_origin(win, &ox, &oy);
    GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
    for (GdkEventType type : {GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE}) {
      GdkEvent* e = gdk_event_new(type);
      e->button.window = GDK_WINDOW(g_object_ref(win));
      e->button.send_event = TRUE;
      e->button.time = GDK_CURRENT_TIME;
      e->button.x = wx;
      e->button.y = wy;
      e->button.x_root = ox + wx;
      e->button.y_root = oy + wy;
      e->button.button = button;
      gdk_event_set_device(e, gdk_seat_get_pointer(seat));
      gtk_widget_event(w, e);
      gdk_event_free(e);
    }
  }
  static GtkWidget* WidgetOf(Control* c) {
    if (auto* x = dynamic_cast<gtk::CanvasControl*>(c)) return x->Widget();
    return nullptr;
  }

  // The program's invariants over its tabs.
  void ExpectTabInvariants() {
    ASSERT_EQ(TabCount(), Strip().PageCount());
    EXPECT_EQ(g->CurrentTab, Strip().CurrentPage() + 1);
    int visible = 0;
    for (int32_t k = 1; k <= TabCount(); ++k) {
      EXPECT_EQ(TabAt(k).browser->GetTag(), DecimalText(k));
      EXPECT_EQ(TabAt(k).closeButton->GetTag(), DecimalText(k - 1));
      if (TabAt(k).browser->IsVisible()) {
        ++visible;
        EXPECT_EQ(k, g->CurrentTab);
        GtkWidget* w = GTK_WIDGET(View(k).View());
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(gtk_widget_get_visible(w));
      }
    }
    EXPECT_EQ(visible, 1);
  }
};

}  // namespace qv::test
