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
