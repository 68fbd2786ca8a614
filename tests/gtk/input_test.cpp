// Keyboard and mouse input reaching the program's handlers through GTK, the
// configuration window's controls, and hostile texts from pages.
#include "app/constants.h"
#include "engine_fixture.h"
#include "frame/caption_bar.h"
#include "pages.h"
#include "settings/config_window.h"

namespace qv::test {
namespace {

class InputTest : public EngineTest {
 protected:
  static void SetUpTestSuite() { server = new HttpServer(TestPages()); }
  static void TearDownTestSuite() {
    delete server;
    server = nullptr;
  }
  static std::string Url(const std::string& path) { return server->Url(path); }
  bool Loaded(int32_t k) { return webkit_web_view_is_loading(View(k).View()) == FALSE; }

  // A key press on a widget, as the window system delivers it.
  static void Key(GtkWidget* w, guint keyval, GdkModifierType state) {
    GdkEvent* e = gdk_event_new(GDK_KEY_PRESS);
    e->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(w)));
    e->key.send_event = TRUE;
    e->key.keyval = keyval;
    e->key.state = state;
    gdk_event_set_device(e, gdk_seat_get_keyboard(gdk_display_get_default_seat(
                                gdk_display_get_default())));
    gtk_widget_event(w, e);
    gdk_event_free(e);
  }
  GtkWidget* AddressWidget() {
    return static_cast<gtk::EntryControl*>(g->main.EditBox_Address)->Widget();
  }
  static HttpServer* server;
};
HttpServer* InputTest::server = nullptr;

TEST_F(InputTest, EnterOpensTheTypedAddressHereAndCtrlEnterInANewTab) {
  Start(Url("/a"));
  ASSERT_TRUE(Wait([&] { return View(1).LocationName() == "页面甲" && Loaded(1); }));
  GtkWidget* entry = AddressWidget();
  gtk_entry_set_text(GTK_ENTRY(entry), Url("/b").c_str());  // typed by the user
  Key(entry, GDK_KEY_Return, GdkModifierType(0));
  ASSERT_TRUE(Wait([&] { return View(1).LocationName() == "页面乙"; }));
  EXPECT_EQ(TabCount(), 1);

  gtk_entry_set_text(GTK_ENTRY(entry), Url("/a").c_str());
  Key(entry, GDK_KEY_KP_Enter, GDK_CONTROL_MASK);
  ASSERT_EQ(TabCount(), 2);
  EXPECT_EQ(g->CurrentTab, 2);
  ASSERT_TRUE(Wait([&] { return View(2).LocationName() == "页面甲"; }));
  EXPECT_EQ(View(1).LocationName(), "页面乙");  // the first tab stayed
  ExpectTabInvariants();
}

TEST_F(InputTest, DoubleClickOnTheCaptionMaximizesAndRestores) {
  Start("about:blank");
  Rect before = Main().GetRect();
  GtkWidget* title = WidgetOf(g->main.Label_Title);
  GdkEvent* e = gdk_event_new(GDK_2BUTTON_PRESS);
  e->button.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(title)));
  e->button.button = 1;
  e->button.x = 40;
  e->button.y = 8;
  gdk_event_set_device(e, gdk_seat_get_pointer(gdk_display_get_default_seat(
                              gdk_display_get_default())));
  gtk_widget_event(title, e);
  EXPECT_TRUE(IsMaximized(Main()));
  gtk_widget_event(title, e);
  gdk_event_free(e);
  EXPECT_EQ(Main().GetRect(), before);
}

TEST_F(InputTest, ConfigurationWindowDrivesSettingsAndTheDefaultBrowser) {
  Start("about:blank");
  OnConfigClick();
  ASSERT_NE(g->config.window, nullptr);
  auto& cfg = *static_cast<gtk::GtkWindowImpl*>(g->config.window);
  ASSERT_TRUE(Wait([&] { return gtk_widget_get_mapped(cfg.Toplevel()); }, 3000));
  EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(cfg.Toplevel())), u8"浏览器配置");
  EXPECT_EQ(g->config.Label_DefaultState->GetText(), "(当前默认浏览器为：其他浏览器)");

  // The user picks the other side for the tab headers: saved and applied.
  GtkWidget* tabPos = static_cast<gtk::ComboControl*>(g->config.ComboBox_TabPos)->Widget();
  int32_t shown = g->config.ComboBox_TabPos->Selected();
  ASSERT_EQ(shown, Strip().HeaderSide());
  for (int32_t side : {1 - shown, shown}) {
    gtk_combo_box_set_active(GTK_COMBO_BOX(tabPos), side);
    Text stored;
    ASSERT_TRUE(
        platform->GetRegistry().ReadString(RegistryRoot::CurrentUser, "xyz\\wz", "", stored));
    EXPECT_EQ(stored, DecimalText(side));
    EXPECT_EQ(Strip().HeaderSide(), side);
  }

  // The default-browser button, clicked twice: the desktop answers each time.
  GtkWidget* button = static_cast<gtk::PushButton*>(g->config.Button_SetDefault)->Widget();
  gtk_button_clicked(GTK_BUTTON(button));
  EXPECT_EQ(g->config.Label_DefaultState->GetText(), "(当前默认浏览器为：Quorvi浏览器)");
  EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(button)), u8"设置为其他浏览器");
  gtk_button_clicked(GTK_BUTTON(button));
  EXPECT_EQ(g->config.Label_DefaultState->GetText(), "(当前默认浏览器为：其他浏览器)");

  // Closed by the window system's close request.
  gtk_window_close(GTK_WINDOW(cfg.Toplevel()));
  ASSERT_TRUE(Wait([&] { return g->config.window == nullptr; }, 3000));
}

TEST_F(InputTest, HugeTitleOutsideGbkIsShownCutAndNeverBreaksTheWindow) {
  Start(Url("/hostile"));
  ASSERT_TRUE(Wait([&] { return Loaded(1) && Main().GetCaption().size() > 1000; }));
  Text caption = Main().GetCaption();
  // Characters GBK lacks come out as "?", the rest as GBK; the page's
  // markup does not leak in.
  EXPECT_EQ(caption.rfind("标题?<&标题?<&", 0), 0u);
  EXPECT_EQ(caption.find('\0'), Text::npos);
  EXPECT_LE(Strip().GetCaption(0).size(), 32u);
  EXPECT_EQ(Strip().GetPageTip(0), caption);
  const char* shown = gtk_window_get_title(GTK_WINDOW(Main().Toplevel()));
  ASSERT_NE(shown, nullptr);
  EXPECT_TRUE(g_utf8_validate(shown, -1, nullptr));
}

TEST_F(InputTest, AddressesThatAreNotGbkOrEmptyStillNavigate) {
  Start("about:blank");
  // A lone lead byte cannot be GBK text: it is replaced, the rest goes on.
  NavigateTab(Url("/a") + "?q=\x81", 1);
  ASSERT_TRUE(Wait([&] { return View(1).LocationName() == "页面甲" && Loaded(1); }));
  EXPECT_NE(View(1).LocationURL().find("/a?q="), Text::npos);
  OpenInNewTab("");
  ASSERT_EQ(TabCount(), 2);
  ASSERT_TRUE(Wait([&] { return Loaded(2); }));
  EXPECT_EQ(View(2).LocationURL(), "about:blank");
  ExpectTabInvariants();
}

}  // namespace
}  // namespace qv::test
