// The real program under the system: it starts with its frameless window,
// every control and the first tab asking its browser view to navigate, and
// ends with exit code 0 when its window is destroyed.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app_driver.h"

namespace qvtest {
namespace {

constexpr wchar_t kTitle[] = L"Quorvi\u6025\u901f\u6d4f\u89c8\u5668";  // Quorvi急速浏览器
constexpr wchar_t kHome[] = L"http://www.hao123.com/?tn=quorvi_dg";
constexpr wchar_t kWmlKey[] = L"Software\\Classes\\MIME\\Database\\Content Type\\text/vnd.wap.wml";

bool WmlMappingPresent() {
  HKEY k = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kWmlKey, 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return false;
  wchar_t buf[64] = {};
  DWORD size = sizeof(buf) - sizeof(wchar_t), type = 0;
  LONG rc = RegQueryValueExW(k, L"CLSID", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
  RegCloseKey(k);
  return rc == ERROR_SUCCESS && type == REG_SZ &&
         std::wstring(buf) == L"{25336920-03F9-11cf-8FD0-00AA00686F13}";
}

class StartedProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = FreshDirectory(L"start");
    app_ = std::make_unique<RunningApp>(L"", dir_);
    ASSERT_TRUE(app_->Started()) << "no main window appeared";
  }
  std::wstring dir_;
  std::unique_ptr<RunningApp> app_;
};

TEST_F(StartedProgram, MainWindowIsFramelessCentredAndInTheTaskbar) {
  HWND w = app_->Main();
  EXPECT_EQ(WindowText(w), kTitle);
  LONG style = GetWindowLongW(w, GWL_STYLE), ex = GetWindowLongW(w, GWL_EXSTYLE);
  EXPECT_EQ(style & WS_CAPTION, 0) << std::hex << style;
  EXPECT_EQ(style & WS_THICKFRAME, 0) << std::hex << style;
  EXPECT_NE(style & WS_POPUP, 0);
  EXPECT_NE(style & WS_MINIMIZEBOX, 0);
  EXPECT_NE(style & WS_MAXIMIZEBOX, 0);
  EXPECT_NE(ex & WS_EX_APPWINDOW, 0) << std::hex << ex;
  EXPECT_EQ(GetWindow(w, GW_OWNER), nullptr);
  RECT rc;
  GetWindowRect(w, &rc);
  EXPECT_EQ(rc.right - rc.left, 847);
  EXPECT_EQ(rc.bottom - rc.top, 560);
  EXPECT_EQ(rc.left, (GetSystemMetrics(SM_CXSCREEN) - 847) / 2);
  EXPECT_EQ(rc.top, (GetSystemMetrics(SM_CYSCREEN) - 560) / 2);
  // The client is the whole window: no system frame anywhere.
  RECT client;
  GetClientRect(w, &client);
  EXPECT_EQ(client.right, 847);
  EXPECT_EQ(client.bottom, 560);
}

TEST_F(StartedProgram, HasEveryControlOfItsForm) {
  const wchar_t* const kButtons[] = {
      L"PicBtn_Minimize", L"PicBtn_Maximize", L"PicBtn_Restore",     L"PicBtn_Exit",
      L"PicBtn_CloseCurrentTab", L"PicBtn_Back", L"PicBtn_Forward",  L"PicBtn_Home",
      L"PicBtn_Favorites", L"PicBtn_Refresh", L"PicBtn_BackDisabled", L"PicBtn_ForwardDisabled",
      L"PicBtn_Stop",      L"PicBtn_Go",      L"PicBtn_Config",       L"PicBtn_TabClose",
      L"PicBtn_NewTab"};
  for (const wchar_t* name : kButtons) {
    HWND b = app_->Button(name);
    ASSERT_NE(b, nullptr) << "missing button";
    EXPECT_NE(GetWindowLongW(b, GWL_STYLE) & BS_OWNERDRAW, 0);
  }
  // Initial states: restore hidden, the greyed history buttons disabled.
  EXPECT_FALSE(GetWindowLongW(app_->Button(L"PicBtn_Restore"), GWL_STYLE) & WS_VISIBLE);
  EXPECT_FALSE(IsWindowEnabled(app_->Button(L"PicBtn_BackDisabled")));
  EXPECT_FALSE(IsWindowEnabled(app_->Button(L"PicBtn_ForwardDisabled")));
  // Two close buttons: the hidden template and tab 1's, shown.
  int shownClose = 0;
  for (HWND b = FindWindowExW(app_->Main(), nullptr, L"Button", L"PicBtn_TabClose"); b != nullptr;
       b = FindWindowExW(app_->Main(), b, L"Button", L"PicBtn_TabClose"))
    shownClose += (GetWindowLongW(b, GWL_STYLE) & WS_VISIBLE) != 0;
  EXPECT_EQ(shownClose, 1);

  ASSERT_NE(app_->Edit(), nullptr);
  ASSERT_NE(app_->Tabs(), nullptr);
  EXPECT_EQ(TabCount(app_->Tabs()), 1);
  EXPECT_EQ(TabCurrent(app_->Tabs()), 0);
  EXPECT_GE(app_->Children(L"QuorviLabel").size(), 5u);
  ASSERT_EQ(app_->Children(L"QuorviPanel").size(), 1u);
  // The drawing panel lies under every other control.
  EXPECT_EQ(GetWindow(app_->Children(L"QuorviPanel")[0], GW_HWNDNEXT), nullptr);
}

TEST_F(StartedProgram, FirstTabAsksItsBrowserToNavigateToTheHomePage) {
  // The template and tab 1's view; only tab 1's is shown.
  EXPECT_EQ(app_->Views().size(), 2u);
  HWND view = app_->VisibleView();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(WindowText(view), kHome);
  EXPECT_EQ(reinterpret_cast<intptr_t>(GetPropW(view, L"QuorviNavigations")), 1);
  EXPECT_EQ(WindowText(app_->Edit()), kHome);
}

// With the system's control: it is created in every view and asked to
// navigate; the program survives whatever it then reports (under Wine there
// is no HTML engine and the page fails) and still ends cleanly.
TEST(BrowserControl, IsCreatedAskedToNavigateAndEndsCleanly) {
  RunningApp app(L"", FreshDirectory(L"browser"), true);
  ASSERT_TRUE(app.Started());
  // Views asked to show a page host the control; the hidden template the
  // tabs copy has never been shown or navigated, and holds none.
  size_t hosting = 0, bare = 0;
  for (HWND view : app.Views()) {
    bool asked = !WindowText(view).empty();
    EXPECT_EQ(GetWindow(view, GW_CHILD) != nullptr, asked) << "asked: " << asked;
    (asked ? hosting : bare) += 1;
  }
  EXPECT_EQ(hosting, 1u);
  EXPECT_EQ(bare, 1u);
  HWND view = app.VisibleView();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(WindowText(view), kHome);
  Sleep(1500);  // let it raise its events
  EXPECT_EQ(app.CloseAndWait(8000), 0u);
}

TEST_F(StartedProgram, ToolTipsShareOneStandardTipWindow) {
  // Every tip window but the tab headers' own.
  HWND headerTips = reinterpret_cast<HWND>(SendMessageW(app_->Tabs(), TCM_GETTOOLTIPS, 0, 0));
  std::vector<HWND> tips;
  for (HWND t : app_->TopWindows(TOOLTIPS_CLASSW))
    if (t != headerTips) tips.push_back(t);
  ASSERT_EQ(tips.size(), 1u);
  EXPECT_EQ(GetWindowLongW(tips[0], GWL_STYLE) & TTS_BALLOON, 0);
  EXPECT_EQ(SendMessageW(tips[0], TTM_GETTOOLCOUNT, 0, 0), 13);
  EXPECT_GT(SendMessageW(tips[0], TTM_GETMAXTIPWIDTH, 0, 0), 0);
}

TEST_F(StartedProgram, DestroyingTheWindowEndsTheProcessWithCodeZero) {
  EXPECT_TRUE(WmlMappingPresent());
  DWORD start = GetTickCount();
  EXPECT_EQ(app_->CloseAndWait(8000), 0u);
  EXPECT_LT(GetTickCount() - start, 8000u);
  // The window's destruction removed the WML mapping.
  EXPECT_FALSE(WmlMappingPresent());
}

TEST_F(StartedProgram, WritesItsShortcutIntoTheWorkingDirectory) {
  std::wstring link = dir_ + L"\\QuorviWap\u6d4f\u89c8\u5668.lnk";
  EXPECT_TRUE(app_->WaitFor([&] { return GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES; }));
}

TEST(ProgramArguments, FirstArgumentOpensUnchangedInTabOne) {
  struct Case {
    const wchar_t* args;
    const wchar_t* url;
  };
  const Case cases[] = {
      {L"example.org/a?b=1 second", L"example.org/a?b=1"},
      {L"\"http://example.org/with blank\"", L"http://example.org/with blank"},
      {L"\"http://\u4f8b\u5b50.cn/\u9875\"", L"http://\u4f8b\u5b50.cn/\u9875"},
  };
  for (const Case& c : cases) {
    RunningApp app(c.args, FreshDirectory(L"args"));
    ASSERT_TRUE(app.Started());
    HWND view = app.VisibleView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(WindowText(view), c.url);
    EXPECT_EQ(app.CloseAndWait(8000), 0u);
  }
}

}  // namespace
}  // namespace qvtest
