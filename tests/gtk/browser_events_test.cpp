// The browser events, raised by a real engine on real pages, as the
// program shows them.
#include <memory>

#include "engine_fixture.h"
#include "pages.h"

namespace qv::test {
namespace {

class BrowserEventsTest : public EngineTest {
 protected:
  static void SetUpTestSuite() { server = new HttpServer(TestPages()); }
  static void TearDownTestSuite() {
    delete server;
    server = nullptr;
  }
  static std::string Url(const std::string& path) { return server->Url(path); }
  void StartAt(const std::string& path, const Text& title) {
    Start(Url(path));
    ASSERT_TRUE(Wait([&] { return View(1).LocationName() == title && Loaded(1); }))
        << "page " << path << " never loaded";
  }
  bool Loaded(int32_t k) {
    return webkit_web_view_is_loading(View(k).View()) == FALSE;
  }
  static HttpServer* server;
};
HttpServer* BrowserEventsTest::server = nullptr;

TEST_F(BrowserEventsTest, TitleBecomesWindowAndTabCaptionAndTip) {
  StartAt("/a", "页面甲");
  const Text title = "页面甲";
  ASSERT_TRUE(Wait([&] { return Main().GetCaption() == title; }));
  EXPECT_EQ(g->main.Label_Title->GetText(), title);
  EXPECT_EQ(Strip().GetPageTip(0), title);
  EXPECT_NE(Strip().GetCaption(0).find(title), Text::npos);
  // The window system got the same caption, in UTF-8.
  EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(Main().Toplevel())), u8"页面甲");
}

TEST_F(BrowserEventsTest, PageWithoutTitleIsNamedByItsAddress) {
  Start(Url("/notitle"));
  ASSERT_TRUE(Wait([&] { return Strip().GetPageTip(0) == Url("/notitle"); }));
  EXPECT_EQ(View(1).LocationName(), Url("/notitle"));
}

TEST_F(BrowserEventsTest, AddressBoxShowsTheAddressOnceTheNavigationCompletes) {
  StartAt("/a", "页面甲");
  EXPECT_EQ(Address(), Url("/a"));
  // The page itself goes elsewhere: only the engine's event can tell.
  RunScript(1, "document.getElementById('l').click();");
  ASSERT_TRUE(Wait([&] { return Address() == Url("/b"); }));
  EXPECT_EQ(View(1).LocationURL(), Url("/b"));
  ASSERT_TRUE(Wait([&] { return Main().GetCaption() == "页面乙"; }));
}

TEST_F(BrowserEventsTest, BackAndForwardFollowTheHistory) {
  StartAt("/a", "页面甲");
  EXPECT_TRUE(g->main.PicBtn_BackDisabled->IsVisible());
  EXPECT_FALSE(g->main.PicBtn_Back->IsVisible());
  RunScript(1, "document.getElementById('l').click();");
  ASSERT_TRUE(Wait([&] { return View(1).LocationName() == "页面乙" && Loaded(1); }));
  ASSERT_TRUE(Wait([&] { return TabAt(1).canGoBack == 1; }));
  EXPECT_EQ(TabAt(1).canGoForward, 0);
  ASSERT_TRUE(Wait([&] { return g->main.PicBtn_Back->IsVisible(); }));
  EXPECT_FALSE(g->main.PicBtn_BackDisabled->IsVisible());

  // A real click on the back button.
  ClickAt(WidgetOf(g->main.PicBtn_Back), 13, 13);
  ASSERT_TRUE(Wait([&] { return Main().GetCaption() == "页面甲" && Loaded(1); }));
  ASSERT_TRUE(Wait([&] { return TabAt(1).canGoForward == 1 && TabAt(1).canGoBack == 0; }));
  ASSERT_TRUE(Wait([&] { return g->main.PicBtn_Forward->IsVisible(); }));
  EXPECT_EQ(Address(), Url("/a"));

  ClickAt(WidgetOf(g->main.PicBtn_Forward), 13, 13);
  ASSERT_TRUE(Wait([&] { return Main().GetCaption() == "页面乙" && Loaded(1); }));
  ASSERT_TRUE(Wait([&] { return TabAt(1).canGoForward == 0 && TabAt(1).canGoBack == 1; }));
  EXPECT_EQ(Address(), Url("/b"));
}

// A page's own request for a new window opens a new, selected tab at the
// end, and the page loads in that tab's view.
class NewWindowTest : public BrowserEventsTest,
                      public ::testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(NewWindowTest, OpensANewSelectedTabAtTheEnd) {
  const char* page = GetParam().first;
  const char* script = GetParam().second;
  Start(Url(page));
  ASSERT_TRUE(Wait([&] { return Loaded(1) && !View(1).LocationName().empty() &&
                                View(1).LocationURL() == Url(page); }));
  RunScript(1, script);
  ASSERT_TRUE(Wait([&] { return TabCount() == 2; }));
  EXPECT_EQ(g->CurrentTab, 2);
  ASSERT_TRUE(Wait([&] { return View(2).LocationName() == "页面乙" && Loaded(2); }));
  EXPECT_EQ(View(2).LocationURL(), Url("/b"));
  ASSERT_TRUE(Wait([&] { return Main().GetCaption() == "页面乙"; }));
  EXPECT_EQ(Strip().GetPageTip(1), "页面乙");
  EXPECT_EQ(Address(), Url("/b"));
  // The opener keeps its page.
  EXPECT_EQ(View(1).LocationURL(), Url(page));
  ExpectTabInvariants();
}

INSTANTIATE_TEST_SUITE_P(
    Requests, NewWindowTest,
    ::testing::Values(std::make_pair("/blank", "document.getElementById('x').click();"),
                      std::make_pair("/open", "go();")));

TEST_F(BrowserEventsTest, SlowPageShowsStopAndProgressThenRefresh) {
  StartAt("/a", "页面甲");
  MainForm& f = g->main;
  EXPECT_TRUE(f.PicBtn_Refresh->IsVisible());
  NavigateTab(Url("/slow"), 1);
  ASSERT_TRUE(Wait([&] { return f.PicBtn_Stop->IsVisible(); }));
  EXPECT_FALSE(f.PicBtn_Refresh->IsVisible());
  // Half the page has come: the label shows a percentage below 100.
  ASSERT_TRUE(Wait([&] {
    Text t = f.TransLabel_LoadProgress->GetText();
    return f.TransLabel_LoadProgress->IsVisible() && !t.empty() && t.back() == '%' &&
           t != "100.0%";
  }));
  ASSERT_TRUE(Wait([&] { return View(1).LocationName() == "慢页面" && Loaded(1); }));
  ASSERT_TRUE(Wait([&] { return f.PicBtn_Refresh->IsVisible() && !f.PicBtn_Stop->IsVisible(); }));
  ASSERT_TRUE(Wait([&] { return !f.TransLabel_LoadProgress->IsVisible(); }));
}

TEST_F(BrowserEventsTest, StopButtonEndsASlowLoad) {
  StartAt("/a", "页面甲");
  MainForm& f = g->main;
  NavigateTab(Url("/slow"), 1);
  ASSERT_TRUE(Wait([&] { return f.PicBtn_Stop->IsVisible(); }));
  ClickAt(WidgetOf(f.PicBtn_Stop), 13, 13);
  // Well before the page's last half would have come.
  ASSERT_TRUE(Wait([&] { return Loaded(1); }, 1500));
  ASSERT_TRUE(Wait([&] { return f.PicBtn_Refresh->IsVisible() && !f.PicBtn_Stop->IsVisible(); },
                   1000));
}

TEST_F(BrowserEventsTest, HoveredLinkShowsInTheStatusStripWhichFadesInAndOut) {
  StartAt("/a", "页面甲");
  GtkWidget* view = GTK_WIDGET(View(1).View());
  // Off the link first, then onto it (the link is 600 x 200 below the heading).
  PointerTo(view, 760, 420);
  Idle(300);
  ASSERT_FALSE(Status().IsVisible());
  PointerTo(view, 100, 120);
  ASSERT_TRUE(Wait([&] { return g->status.Label_StatusText->GetText() == Url("/b"); }, 5000));
  ASSERT_TRUE(Wait([&] { return Status().IsVisible() && g->status.Timer_Fade->Period() == 0; }));
  EXPECT_DOUBLE_EQ(Status().Opacity(), 200 / 255.0);
  EXPECT_DOUBLE_EQ(gtk_widget_get_opacity(Status().Toplevel()), 200 / 255.0);
  // The strip lies inside the main window, over the lower edge of the page.
  Rect m = Main().GetRect(), s = Status().GetRect();
  EXPECT_GT(s.top, m.top);
  EXPECT_LT(s.top + s.height, m.top + m.height);

  PointerTo(view, 760, 420);
  ASSERT_TRUE(Wait([&] { return !Status().IsVisible(); }, 5000));
  EXPECT_EQ(g->StatusAlpha, 0);
}

TEST_F(BrowserEventsTest, ClosingTabsKeepsTheTableInStep) {
  StartAt("/a", "页面甲");
  OpenInNewTab(Url("/b"));
  OpenInNewTab(Url("/notitle"));
  ASSERT_EQ(TabCount(), 3);
  ASSERT_TRUE(Wait([&] { return Loaded(2) && Loaded(3) && View(2).LocationName() == "页面乙"; }));
  ExpectTabInvariants();
  EXPECT_EQ(g->CurrentTab, 3);

  // Right button released over the middle header: that tab goes.
  Rect h = Strip().HeaderRect(1);
  GtkWidget* nb = static_cast<gtk::NotebookStrip&>(Strip()).Widget();
  Rect band = static_cast<gtk::NotebookStrip&>(Strip()).Band();
  Rect strip = Strip().GetRect();
  ClickAt(nb, h.left + h.width / 2, h.top + h.height / 2 - (band.top - strip.top), 3);
  ASSERT_TRUE(Wait([&] { return TabCount() == 2; }, 5000));
  ExpectTabInvariants();
  EXPECT_EQ(View(2).LocationURL(), Url("/notitle"));

  // The first tab's own close button, clicked.
  Control* close = TabAt(1).closeButton;
  ClickAt(WidgetOf(close), close->Width() / 2, close->Height() / 2);
  ASSERT_TRUE(Wait([&] { return TabCount() == 1; }, 5000));
  ExpectTabInvariants();
  EXPECT_EQ(View(1).LocationURL(), Url("/notitle"));
  EXPECT_EQ(Main().GetCaption(), View(1).LocationName());
}

}  // namespace
}  // namespace qv::test
