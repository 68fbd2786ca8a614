// Tabs opened, switched and closed through the program's own controls with
// real messages: button clicks, keys in the address box, the tab control's
// selection and a right-button release over a header.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app_driver.h"

namespace qvtest {
namespace {

constexpr wchar_t kHome[] = L"http://www.hao123.com/?tn=quorvi_dg";

class TabsDriven : public ::testing::Test {
 protected:
  void SetUp() override {
    app_ = std::make_unique<RunningApp>(L"", FreshDirectory(L"tabs"));
    ASSERT_TRUE(app_->Started());
    tabs_ = app_->Tabs();
    ASSERT_NE(tabs_, nullptr);
  }

  void Click(const wchar_t* name) {
    HWND b = app_->Button(name);
    ASSERT_NE(b, nullptr);
    SendMessageW(b, BM_CLICK, 0, 0);
  }

  // The state every step must leave: one page per tab, one view per tab
  // besides the template, exactly one shown, and it shows `url`.
  void ExpectTabs(int count, int current, const std::wstring& url) {
    EXPECT_EQ(TabCount(tabs_), count);
    EXPECT_EQ(TabCurrent(tabs_), current);
    EXPECT_EQ(app_->Views().size(), static_cast<size_t>(count) + 1);
    HWND view = app_->VisibleView();
    ASSERT_NE(view, nullptr) << "not exactly one visible view";
    EXPECT_EQ(WindowText(view), url);
  }

  int VisibleCloseButtons() {
    int n = 0;
    for (HWND b = FindWindowExW(app_->Main(), nullptr, L"Button", L"PicBtn_TabClose"); b != nullptr;
         b = FindWindowExW(app_->Main(), b, L"Button", L"PicBtn_TabClose"))
      n += (GetWindowLongW(b, GWL_STYLE) & WS_VISIBLE) != 0;
    return n;
  }

  std::unique_ptr<RunningApp> app_;
  HWND tabs_ = nullptr;
};

TEST_F(TabsDriven, NewTabButtonEnterAndGoOpenAndNavigate) {
  ExpectTabs(1, 0, kHome);
  Click(L"PicBtn_NewTab");
  ExpectTabs(2, 1, kHome);
  EXPECT_EQ(TabCaption(app_->Process(), tabs_, 1).find(L"\u8f7d\u5165.."), 0u);  // 载入..
  EXPECT_EQ(VisibleCloseButtons(), 2);

  // Enter in the address box navigates the current tab.
  HWND edit = app_->Edit();
  SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"example.org/\u4e2d\u6587"));
  SendMessageW(edit, WM_CHAR, VK_RETURN, 0);
  ExpectTabs(2, 1, L"example.org/\u4e2d\u6587");

  // The go button opens the box's text in a new tab.
  SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"http://example.net/go"));
  Click(L"PicBtn_Go");
  ExpectTabs(3, 2, L"http://example.net/go");
  EXPECT_EQ(WindowText(app_->Edit()), L"http://example.net/go");
}

TEST_F(TabsDriven, SelectingAHeaderShowsItsTabAndCaption) {
  Click(L"PicBtn_NewTab");
  HWND edit = app_->Edit();
  SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"http://second.example/"));
  SendMessageW(edit, WM_CHAR, VK_RETURN, 0);
  ExpectTabs(2, 1, L"http://second.example/");

  // The control itself changes the selection and notifies its parent.
  SendMessageW(tabs_, TCM_SETCURFOCUS, 0, 0);
  ExpectTabs(2, 0, kHome);
  EXPECT_EQ(WindowText(app_->Main()), kHome);
  EXPECT_EQ(WindowText(app_->Edit()), kHome);

  SendMessageW(tabs_, TCM_SETCURFOCUS, 1, 0);
  ExpectTabs(2, 1, L"http://second.example/");
  EXPECT_EQ(WindowText(app_->Main()), L"http://second.example/");
}

TEST_F(TabsDriven, ClosingByHeaderRightClickCloseButtonsAndCurrentTabButton) {
  const wchar_t* const urls[] = {L"http://a.example/", L"http://b.example/", L"http://c.example/"};
  HWND edit = app_->Edit();
  for (const wchar_t* u : urls) {
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(u));
    Click(L"PicBtn_Go");
  }
  ExpectTabs(4, 3, L"http://c.example/");

  // Right button released over header 1 (a.example) closes that tab; the
  // current one stays current and shown.
  RECT h = TabHeaderRect(app_->Process(), tabs_, 1);
  ASSERT_GT(h.right, h.left);
  PostMessageW(tabs_, WM_RBUTTONUP, 0, MAKELPARAM((h.left + h.right) / 2, (h.top + h.bottom) / 2));
  ASSERT_TRUE(app_->WaitFor([&] { return TabCount(tabs_) == 3; }));
  ExpectTabs(3, 2, L"http://c.example/");

  // The current tab's button closes c.example; the one before it shows.
  Click(L"PicBtn_CloseCurrentTab");
  ExpectTabs(2, 1, L"http://b.example/");

  // A close button on a header closes its own tab.
  std::vector<HWND> shown;
  for (HWND b = FindWindowExW(app_->Main(), nullptr, L"Button", L"PicBtn_TabClose"); b != nullptr;
       b = FindWindowExW(app_->Main(), b, L"Button", L"PicBtn_TabClose"))
    if (GetWindowLongW(b, GWL_STYLE) & WS_VISIBLE) shown.push_back(b);
  ASSERT_EQ(shown.size(), 2u);
  // The button over header 0 closes the first tab.
  RECT first = TabHeaderRect(app_->Process(), tabs_, 0);
  MapWindowPoints(tabs_, app_->Main(), reinterpret_cast<POINT*>(&first), 2);
  HWND firstButton = nullptr;
  for (HWND b : shown) {
    RECT r;
    GetWindowRect(b, &r);
    MapWindowPoints(nullptr, app_->Main(), reinterpret_cast<POINT*>(&r), 2);
    if (r.left >= first.left && r.right <= first.right + 2) firstButton = b;
  }
  ASSERT_NE(firstButton, nullptr);
  SendMessageW(firstButton, BM_CLICK, 0, 0);
  ExpectTabs(1, 0, L"http://b.example/");
  EXPECT_EQ(VisibleCloseButtons(), 1);
  EXPECT_EQ(app_->CloseAndWait(8000), 0u);
}

}  // namespace
}  // namespace qvtest

namespace qvtest {
namespace {

std::wstring TabBarSetting() {
  wchar_t buf[16] = {};
  DWORD size = sizeof(buf) - sizeof(wchar_t), type = 0;
  HKEY k = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"xyz\\wz", 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return L"<none>";
  LONG rc = RegQueryValueExW(k, L"", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
  RegCloseKey(k);
  return rc == ERROR_SUCCESS && type == REG_SZ ? std::wstring(buf) : L"<unreadable>";
}

// The configuration window: a fixed dialog in the taskbar; choosing the
// top tab position through its drop-down list writes the registry and moves
// the main window's headers at once.
TEST(ConfigWindow, OpensAsAFixedDialogAndMovesTheTabHeaders) {
  RegDeleteKeyW(HKEY_CURRENT_USER, L"xyz\\wz");
  RunningApp app(L"", FreshDirectory(L"config"));
  ASSERT_TRUE(app.Started());
  EXPECT_NE(GetWindowLongW(app.Tabs(), GWL_STYLE) & TCS_BOTTOM, 0);  // "1" when missing

  SendMessageW(app.Button(L"PicBtn_Config"), BM_CLICK, 0, 0);
  std::vector<HWND> configs;
  ASSERT_TRUE(app.WaitFor([&] { return (configs = app.TopWindows(L"QuorviConfigWindow")).size() == 1; }));
  HWND cfg = configs[0];
  EXPECT_EQ(WindowText(cfg), L"\u6d4f\u89c8\u5668\u914d\u7f6e");  // 浏览器配置
  LONG style = GetWindowLongW(cfg, GWL_STYLE), ex = GetWindowLongW(cfg, GWL_EXSTYLE);
  EXPECT_EQ(style & WS_CAPTION, static_cast<LONG>(WS_CAPTION));
  EXPECT_NE(style & WS_SYSMENU, 0);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
  EXPECT_NE(ex & WS_EX_APPWINDOW, 0);
  RECT r;
  GetWindowRect(cfg, &r);
  EXPECT_EQ(r.right - r.left, 457);
  EXPECT_EQ(r.bottom - r.top, 330);
  EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 457) / 2);

  HWND position = nullptr;
  for (HWND c = FindWindowExW(cfg, nullptr, L"ComboBox", nullptr); c != nullptr;
       c = FindWindowExW(cfg, c, L"ComboBox", nullptr))
    if (SendMessageW(c, CB_GETCOUNT, 0, 0) == 2) position = c;
  ASSERT_NE(position, nullptr);
  EXPECT_EQ(SendMessageW(position, CB_GETCURSEL, 0, 0), 1);  // "下"
  SendMessageW(position, CB_SETCURSEL, 0, 0);
  SendMessageW(cfg, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(position), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(position));
  EXPECT_EQ(TabBarSetting(), L"0");
  EXPECT_EQ(GetWindowLongW(app.Tabs(), GWL_STYLE) & TCS_BOTTOM, 0);

  // Closing the dialog leaves the browser running.
  SendMessageW(cfg, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(cfg));
  EXPECT_TRUE(IsWindow(app.Main()));
  EXPECT_EQ(app.CloseAndWait(8000), 0u);
  RegDeleteKeyW(HKEY_CURRENT_USER, L"xyz\\wz");
}

}  // namespace
}  // namespace qvtest
