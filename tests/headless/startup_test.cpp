#include <gtest/gtest.h>

#include <algorithm>

#include "app/startup.h"
#include "app_fixture.h"
#include "browser/navigation.h"

namespace qv::test {
namespace {

struct DesignPlace {
  const char* name;
  Rect rect;
  bool visible;
  bool enabled;
};

// Controls that the layout does not move.
const DesignPlace kDesign[] = {
    {"PicBtn_Back", {4, 24, 27, 27}, false, true},  // greyed twin shown instead
    {"PicBtn_Forward", {33, 24, 27, 27}, false, true},
    {"PicBtn_Home", {62, 24, 27, 27}, true, true},
    {"PicBtn_Favorites", {91, 24, 27, 27}, true, true},
    {"PicBtn_Refresh", {120, 24, 27, 27}, true, true},
    {"PicBtn_TabClose", {328, 5, 16, 16}, false, true},
    {"WebBrowser_Template", {4, 53, 600, 200}, false, true},
};

TEST_F(AppTest, MainWindowHasItsFormAndTitle) {
  Start(false);
  HeadlessWindow& w = Main();
  EXPECT_EQ(w.GetRect().width, 847);
  EXPECT_EQ(w.GetRect().height, 560);
  EXPECT_EQ(w.GetRect().left, (1024 - 847) / 2);
  EXPECT_EQ(w.GetCaption(), "Quorvi急速浏览器");
  EXPECT_EQ(g->main.Label_Title->GetText(), "Quorvi急速浏览器");
  EXPECT_TRUE(w.IsVisible());
  EXPECT_EQ(w.Desc().style, WindowStyle::Frameless);
  EXPECT_TRUE(w.Desc().dragByAnyPoint);
  EXPECT_EQ(w.Desc().background, (Color{236, 236, 236}));
  for (const DesignPlace& d : kDesign) {
    SCOPED_TRACE(d.name);
    Control* c = w.Find(d.name);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->GetRect(), d.rect);
    EXPECT_EQ(c->IsVisible(), d.visible);
    EXPECT_EQ(c->IsEnabled(), d.enabled);
  }
  EXPECT_FALSE(g->main.PicBtn_BackDisabled->IsEnabled());
  EXPECT_TRUE(g->main.PicBtn_BackDisabled->IsVisible());
  EXPECT_FALSE(g->main.PicBtn_ForwardDisabled->IsEnabled());
  EXPECT_FALSE(g->main.PicBtn_Stop->IsVisible());
  EXPECT_EQ(g->main.Timer_Progress->Period(), 1);
  // The first layout has run at the design size: the address row follows it.
  EXPECT_EQ(g->main.PicBtn_Go->GetRect(), (Rect{764, 24, 48, 27}));
  EXPECT_EQ(g->main.PicBtn_Config->GetRect(), (Rect{813, 24, 27, 27}));
}

TEST_F(AppTest, ToolTipsInOrderWithExactTexts) {
  Start();
  const std::vector<std::pair<std::string, Text>> expected = {
      {"PicBtn_Back", "后退"},
      {"PicBtn_Forward", "前进"},
      {"PicBtn_Home", "主页"},
      {"PicBtn_Refresh", "刷新"},
      {"PicBtn_Favorites", "收藏夹"},
      {"PicBtn_Stop", "停止"},
      {"PicBtn_Config", "配置"},
      {"PicBtn_Go", "按 Ctrl+Enter 在新窗口中打开网页。 \r\n按 Enter      在当前窗口打开网页。"},
      {"PicBtn_Minimize", "最小化"},
      {"PicBtn_Maximize", "最大化"},
      {"PicBtn_Restore", "还原"},
      {"PicBtn_Exit", "退出程序"},
      {"PicBtn_CloseCurrentTab", "关闭当前标签"},
  };
  const auto& tips = Main().ToolTipsInOrder();
  ASSERT_EQ(tips.size(), expected.size());
  for (size_t i = 0; i < tips.size(); ++i) {
    EXPECT_EQ(tips[i].first->Name(), expected[i].first);
    EXPECT_EQ(tips[i].second, expected[i].second);
  }
}

TEST_F(AppTest, FirstTabRecordAndTags) {
  Start();
  ASSERT_EQ(TabCount(), 1);
  EXPECT_EQ(g->CurrentTab, 1);
  TabRecord& rec = TabAt(1);
  ASSERT_NE(rec.browser, nullptr);
  ASSERT_NE(rec.closeButton, nullptr);
  EXPECT_EQ(rec.browser->GetTag(), "1");
  EXPECT_EQ(rec.closeButton->GetTag(), "0");
  EXPECT_TRUE(rec.browser->IsVisible());
  EXPECT_TRUE(rec.closeButton->IsVisible());
  EXPECT_EQ(rec.isLoading, 0);
  EXPECT_EQ(rec.canGoBack, 0);
  EXPECT_EQ(rec.canGoForward, 0);
  // The design-time page is tab 1's; none was added.
  EXPECT_EQ(Strip().PageCount(), 1);
  EXPECT_FALSE(g->main.WebBrowser_Template->IsVisible());
}

TEST_F(AppTest, WithoutArgumentTabOneOpensTheDefaultHomePage) {
  Start();
  ASSERT_EQ(View(1).navigations.size(), 1u);
  EXPECT_EQ(View(1).navigations[0], kDefaultHomePage);
  EXPECT_EQ(g->main.EditBox_Address->GetText(), kDefaultHomePage);
}

TEST_F(AppTest, StartUpRunsTheLoopAndReleasesTheGlobals) {
  bool loopRan = false;
  platform->loopScript = [&] {
    loopRan = true;
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(TabCount(), 1);
    g->main.window->Destroy();
  };
  EXPECT_EQ(StartUp(*platform), 0);
  EXPECT_TRUE(loopRan);
  EXPECT_EQ(g, nullptr);
}

TEST_F(AppTest, StartUpStepsRunInTheirOrder) {
  platform->commandLine = "\"C:\\Quorvi\\quorvi.exe\" http://arg/";
  Start();
  const std::vector<std::string> expected = {
      "window:",  // MainWindow
      "mutex:xyzllq101qllzyx",  // the command-line URL marks the instance
      "window:",  // StatusWindow, before the tips and the first layout
      "tip:PicBtn_Back", "tip:PicBtn_Forward", "tip:PicBtn_Home", "tip:PicBtn_Refresh",
      "tip:PicBtn_Favorites", "tip:PicBtn_Stop", "tip:PicBtn_Config", "tip:PicBtn_Go",
      "tip:PicBtn_Minimize", "tip:PicBtn_Maximize", "tip:PicBtn_Restore", "tip:PicBtn_Exit",
      "tip:PicBtn_CloseCurrentTab",
      "read HKCU\\xyz\\wz\\",  // tab-bar position, then the home page
      "read C:\\Quorvi\\corvel.ini [zhuye] zhuye",
      "navigate:http://arg/",
      "write HKCU\\Software\\Classes\\MIME\\Database\\Content Type\\text/vnd.wap.wml\\CLSID="
      "{25336920-03F9-11cf-8FD0-00AA00686F13}",
      "link:QuorviWap浏览器.lnk",
  };
  EXPECT_EQ(platform->log, expected);
  auto windows = platform->Windows();
  ASSERT_EQ(windows.size(), 2u);
  EXPECT_EQ(windows[1]->Desc().style, WindowStyle::Tool);
  EXPECT_EQ(windows[1]->Desc().owner, g->main.window);
  EXPECT_FALSE(windows[1]->IsVisible());
}

TEST_F(AppTest, AnArgumentIsOpenedUnchangedAndMarksTheInstance) {
  struct Case {
    Text commandLine;
    Text url;
  };
  const Case cases[] = {
      {"quorvi.exe www.example.com", "www.example.com"},
      {"\"C:\\Program Files\\Q\\quorvi.exe\" \"a b c\" second", "a b c"},
      {"quorvi.exe 关键字 x", "关键字"},
  };
  for (const Case& c : cases) {
    platform = std::make_unique<HeadlessPlatform>();
    platform->commandLine = c.commandLine;
    Start();
    EXPECT_EQ(View(1).navigations, std::vector<Text>{c.url}) << c.commandLine;
    EXPECT_EQ(g->main.EditBox_Address->GetText(), c.url);
    EXPECT_EQ(Main().GetProperty(kInstanceName), 1);
    ReleaseGlobalState();
  }
}

TEST_F(AppTest, NoArgumentMeansNoMutexAndNoMark) {
  platform->commandLine = "quorvi.exe   ";
  Start();
  for (const std::string& entry : platform->log) EXPECT_EQ(entry.rfind("mutex:", 0), std::string::npos);
  EXPECT_EQ(Main().GetProperty(kInstanceName), 0);
}

TEST_F(AppTest, DestroyingTheWindowRemovesTheWmlMapping) {
  Start();
  const Text key = "Software\\Classes\\MIME\\Database\\Content Type\\text/vnd.wap.wml";
  EXPECT_TRUE(platform->registry.KeyExists(RegistryRoot::CurrentUser, key));
  static_cast<headless::HeadlessControl*>(g->main.PicBtn_Exit)->Click();
  EXPECT_TRUE(Main().IsDestroyed());
  EXPECT_FALSE(platform->registry.KeyExists(RegistryRoot::CurrentUser, key));
}

}  // namespace
}  // namespace qv::test
