// The Win32 backend's pieces in-process: text conversion, registry,
// profile files, shell links, instance marking, and the window, tab strip,
// edit box and timer contracts the program logic relies on. Hostile inputs
// (invalid GBK, embedded NULs, huge texts, wrong value types) included.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/win32/browser_view.h"
#include "platform/win32/controls.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/profiles_win32.h"
#include "platform/win32/shell_link.h"
#include "platform/win32/text_conv.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_window.h"

namespace qv::win32 {
namespace {

HWND HwndOf(Control* c) { return dynamic_cast<ChildHooks*>(c)->Hwnd(); }

// UTF-8 sources compile to GBK: "浏览器" is six bytes.
const Text kChinese = "浏览器";

TEST(TextConversion, RoundTripsChineseAndSurvivesHostileBytes) {
  EXPECT_EQ(Wide(kChinese), L"\u6d4f\u89c8\u5668");
  EXPECT_EQ(Gbk(Wide(kChinese)), kChinese);
  // An embedded NUL is a character like any other.
  Text withNul("a\0b", 3);
  EXPECT_EQ(Gbk(Wide(withNul)), withNul);
  // A lone lead byte at the end, bytes that are no GBK at all: no crash, and
  // what converts back is still text.
  for (const Text& bad : {Text("abc\x81"), Text("\xff\xfe\x80"), Text("\x81")}) {
    std::wstring w = Wide(bad);
    EXPECT_FALSE(w.empty());
    (void)Gbk(w);
  }
  Text huge(1 << 20, 'x');
  EXPECT_EQ(Gbk(Wide(huge)).size(), huge.size());
  EXPECT_EQ(Wide(Text()), L"");
  EXPECT_EQ(Gbk(nullptr, 5), "");
}

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    key_ = "Software\\QuorviTest\\" + std::to_string(GetCurrentProcessId()) + "\\k";
  }
  void TearDown() override {
    reg_.DeleteKey(RegistryRoot::CurrentUser, key_ + "\\sub");
    reg_.DeleteKey(RegistryRoot::CurrentUser, key_);
  }
  HKEY Open() {
    HKEY k = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, Wide(key_).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &k, nullptr);
    return k;
  }
  RegistryWin32 reg_;
  Text key_;
};

TEST_F(RegistryTest, WritesCreateTheKeyAndReadBackExactly) {
  Text out = "untouched";
  EXPECT_FALSE(reg_.ReadString(RegistryRoot::CurrentUser, key_, "", out));
  EXPECT_EQ(out, "untouched");
  ASSERT_TRUE(reg_.WriteString(RegistryRoot::CurrentUser, key_, "", "1"));
  ASSERT_TRUE(reg_.WriteString(RegistryRoot::CurrentUser, key_, kChinese, kChinese + "值"));
  EXPECT_TRUE(reg_.ReadString(RegistryRoot::CurrentUser, key_, "", out));
  EXPECT_EQ(out, "1");
  EXPECT_TRUE(reg_.ReadString(RegistryRoot::CurrentUser, key_, kChinese, out));
  EXPECT_EQ(out, kChinese + "值");
  // Stored as REG_SZ with its terminating zero.
  HKEY k = Open();
  DWORD type = 0, size = 0;
  RegQueryValueExW(k, L"", nullptr, &type, nullptr, &size);
  RegCloseKey(k);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 2 * sizeof(wchar_t));
  // Names compare without regard to case, as the system's do.
  EXPECT_TRUE(reg_.WriteString(RegistryRoot::CurrentUser, key_, "Value", "a"));
  EXPECT_TRUE(reg_.ReadString(RegistryRoot::CurrentUser, key_, "VALUE", out));
  EXPECT_EQ(out, "a");
  Text big(300000, 'z');
  EXPECT_TRUE(reg_.WriteString(RegistryRoot::CurrentUser, key_, "big", big));
  EXPECT_TRUE(reg_.ReadString(RegistryRoot::CurrentUser, key_, "big", out));
  EXPECT_EQ(out, big);
}

TEST_F(RegistryTest, OnlyStringValuesReadAsText) {
  HKEY k = Open();
  DWORD number = 7;
  RegSetValueExW(k, L"dword", 0, REG_DWORD, reinterpret_cast<BYTE*>(&number), sizeof(number));
  const wchar_t unterminated[] = {L'a', L'b'};
  RegSetValueExW(k, L"noZero", 0, REG_SZ, reinterpret_cast<const BYTE*>(unterminated), sizeof(unterminated));
  const wchar_t expand[] = L"%TEMP%";
  RegSetValueExW(k, L"expand", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(expand), sizeof(expand));
  RegSetValueExW(k, L"odd", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3);
  RegCloseKey(k);
  Text out = "kept";
  EXPECT_FALSE(reg_.ReadString(RegistryRoot::CurrentUser, key_, "dword", out));
  EXPECT_EQ(out, "kept");
  EXPECT_TRUE(reg_.ReadString(RegistryRoot::CurrentUser, key_, "noZero", out));
  EXPECT_EQ(out, "ab");
  EXPECT_TRUE(reg_.ReadString(RegistryRoot::CurrentUser, key_, "expand", out));
  EXPECT_EQ(out, "%TEMP%");  // unexpanded, as stored
  EXPECT_TRUE(reg_.ReadString(RegistryRoot::CurrentUser, key_, "odd", out));  // half a character cut
}

TEST_F(RegistryTest, DeleteValueThenKeyOnlyWithoutSubkeys) {
  ASSERT_TRUE(reg_.WriteString(RegistryRoot::CurrentUser, key_, "CLSID", "{x}"));
  ASSERT_TRUE(reg_.WriteString(RegistryRoot::CurrentUser, key_ + "\\sub", "", "s"));
  EXPECT_FALSE(reg_.DeleteValue(RegistryRoot::CurrentUser, key_, "missing"));
  EXPECT_TRUE(reg_.DeleteValue(RegistryRoot::CurrentUser, key_, "CLSID"));
  Text out;
  EXPECT_FALSE(reg_.ReadString(RegistryRoot::CurrentUser, key_, "CLSID", out));
  EXPECT_FALSE(reg_.DeleteKey(RegistryRoot::CurrentUser, key_));  // has a subkey
  EXPECT_TRUE(reg_.DeleteKey(RegistryRoot::CurrentUser, key_ + "\\sub"));
  EXPECT_TRUE(reg_.DeleteKey(RegistryRoot::CurrentUser, key_));
  EXPECT_FALSE(reg_.DeleteKey(RegistryRoot::CurrentUser, key_));
  EXPECT_FALSE(reg_.DeleteKey(RegistryRoot::CurrentUser, ""));  // never the root
}

Text CurrentDirectory() {
  wchar_t buf[MAX_PATH * 4] = {};
  GetCurrentDirectoryW(MAX_PATH * 4, buf);
  return Gbk(std::wstring(buf));
}

TEST(Profiles, ReadWithFallbackAndTheBufferCut) {
  ProfilesWin32 p;
  Text file = CurrentDirectory() + "\\profile-" + std::to_string(GetCurrentProcessId()) + ".ini";
  DeleteFileW(Wide(file).c_str());
  EXPECT_EQ(p.GetString(file, "zhuye", "zhuye", "www.example.com", 10240), "www.example.com");
  // The file is not created by reading.
  EXPECT_EQ(GetFileAttributesW(Wide(file).c_str()), INVALID_FILE_ATTRIBUTES);
  // Chinese survives whatever the system's ANSI code page.
  ASSERT_TRUE(p.WriteString(file, "zhuye", "zhuye", "http://例子.cn/"));
  EXPECT_EQ(p.GetString(file, "zhuye", "zhuye", "fb", 10240), "http://例子.cn/");
  EXPECT_EQ(p.GetString(file, "zhuye", "other", "fb", 10240), "fb");
  Text longPage(12000, 'a');
  ASSERT_TRUE(p.WriteString(file, "zhuye", "zhuye", longPage));
  EXPECT_EQ(p.GetString(file, "zhuye", "zhuye", "fb", 10240), Text(10239, 'a'));
  // A cut through Chinese still gives at most bufferSize - 1 bytes.
  ASSERT_TRUE(p.WriteString(file, "zhuye", "zhuye", "汉汉汉汉汉"));
  EXPECT_LE(p.GetString(file, "zhuye", "zhuye", "fb", 6).size(), 5u);
  EXPECT_EQ(p.GetString(file, "zhuye", "zhuye", "fb", 0), "");
  DeleteFileW(Wide(file).c_str());
  // A file that cannot be written reports it.
  EXPECT_FALSE(p.WriteString(CurrentDirectory() + "\\no-such-dir\\x\\y.ini", "s", "k", "v"));
}

std::string FileBytes(const std::wstring& path) {
  std::ifstream in(Gbk(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The link saved the system's own way, through its persist-file interface.
void SaveThroughPersistFile(const std::wstring& path, const wchar_t* target, int show,
                            const wchar_t* description) {
  IShellLinkW* link = nullptr;
  ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_IShellLinkW, reinterpret_cast<void**>(&link)));
  link->SetPath(target);
  link->SetShowCmd(show);
  link->SetDescription(description);
  IPersistFile* file = nullptr;
  ASSERT_HRESULT_SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)));
  EXPECT_HRESULT_SUCCEEDED(file->Save(path.c_str(), TRUE));
  file->Release();
  link->Release();
}

TEST(ShellLinks, TheFileIsTheOneThePersistFileInterfaceWritesAndLoadsBack) {
  CoInitialize(nullptr);
  std::wstring ours = Wide(CurrentDirectory() + "\\ours-" + std::to_string(GetCurrentProcessId()) + ".lnk");
  std::wstring theirs = ours + L".ref.lnk";
  ASSERT_TRUE(SaveShellLink(Gbk(ours), "C:\\Quorvi\\quorvi.exe", 5, "QuorviWap浏览器"));
  SaveThroughPersistFile(theirs, L"C:\\Quorvi\\quorvi.exe", 5, L"QuorviWap\u6d4f\u89c8\u5668");
  std::string bytes = FileBytes(ours);
  EXPECT_GT(bytes.size(), 0u);
  EXPECT_EQ(bytes, FileBytes(theirs));

  IShellLinkW* link = nullptr;
  ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_IShellLinkW, reinterpret_cast<void**>(&link)));
  IPersistFile* file = nullptr;
  ASSERT_HRESULT_SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)));
  EXPECT_HRESULT_SUCCEEDED(file->Load(ours.c_str(), STGM_READ));
  wchar_t text[MAX_PATH] = {};
  EXPECT_HRESULT_SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, 0));
  EXPECT_STREQ(text, L"C:\\Quorvi\\quorvi.exe");
  EXPECT_HRESULT_SUCCEEDED(link->GetDescription(text, MAX_PATH));
  EXPECT_STREQ(text, L"QuorviWap\u6d4f\u89c8\u5668");
  // The show command as stored: the header's field at 0x3C (the loader may
  // normalise it).
  ASSERT_GE(bytes.size(), 0x40u);
  EXPECT_EQ(static_cast<unsigned char>(bytes[0x3C]), 5);
  file->Release();
  link->Release();

  // A shorter link over a longer one leaves none of the old bytes behind.
  ASSERT_TRUE(SaveShellLink(Gbk(ours), "C:\\q.exe", 1, ""));
  SaveThroughPersistFile(theirs, L"C:\\q.exe", 1, L"");
  EXPECT_EQ(FileBytes(ours), FileBytes(theirs));
  DeleteFileW(ours.c_str());
  DeleteFileW(theirs.c_str());
  CoUninitialize();
}

TEST(ShellLinks, RelativeNamesLandInTheCurrentDirectory) {
  CoInitialize(nullptr);
  Text name = "QuorviWap浏览器-" + std::to_string(GetCurrentProcessId()) + ".lnk";
  std::wstring full = Wide(CurrentDirectory() + "\\" + name);
  DeleteFileW(full.c_str());
  EXPECT_TRUE(SaveShellLink(name, "C:\\Quorvi\\quorvi.exe", 5, "QuorviWap浏览器"));
  EXPECT_NE(GetFileAttributesW(full.c_str()), INVALID_FILE_ATTRIBUTES);
  // Saving again overwrites.
  EXPECT_TRUE(SaveShellLink(name, "C:\\Quorvi\\quorvi.exe", 5, "QuorviWap浏览器"));
  DeleteFileW(full.c_str());
  EXPECT_FALSE(SaveShellLink(CurrentDirectory() + "\\no-such-dir\\a.lnk", "C:\\x.exe", 5, "d"));
  CoUninitialize();
}

TEST(InstanceMarking, SecondMutexReportsTheFirst) {
  Win32Platform p;
  Text name = "quorvi-test-" + std::to_string(GetCurrentProcessId());
  MutexResult first = p.CreateNamedMutex(name);
  ASSERT_NE(first.handle, 0);
  EXPECT_FALSE(first.existedBefore);
  MutexResult second = p.CreateNamedMutex(name);
  EXPECT_TRUE(second.existedBefore);
  p.CloseMutex(second.handle);
  p.CloseMutex(first.handle);
  MutexResult again = p.CreateNamedMutex(name);
  EXPECT_FALSE(again.existedBefore);
  p.CloseMutex(again.handle);
  EXPECT_FALSE(p.ExecutableFileName().empty());
  EXPECT_EQ(p.ExecutableDirectory().find_last_of('\\') + 1 < p.ExecutableDirectory().size(), true);
}

// A hidden frameless window of this process with a tab strip.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitCommonControls();
    SetEnvironmentVariableW(L"QUORVI_NO_BROWSER_CONTROL", L"1");
    WindowDesc desc;
    desc.className = "QuorviBackendTest";
    desc.width = 400;
    desc.height = 300;
    window_ = static_cast<Win32Window*>(platform_.CreateTopWindow(desc));
    window_->handlers.sizeChanged = [this](Window&) { ++sized_; };
    window_->handlers.moved = [this](Window&) { ++moved_; };
    ControlDesc tabs;
    tabs.kind = ControlKind::TabStrip;
    tabs.name = "PageControl_Pages";
    tabs.rect = {4, 20, 300, 200};
    strip_ = static_cast<TabStrip*>(window_->CreateControl(tabs));
    strip_->handlers.selectionChanged = [this](TabStrip&) { ++selections_; };
  }
  void TearDown() override { SetEnvironmentVariableW(L"QUORVI_NO_BROWSER_CONTROL", nullptr); }

  Win32Platform platform_;
  Win32Window* window_ = nullptr;
  TabStrip* strip_ = nullptr;
  int sized_ = 0, moved_ = 0, selections_ = 0;
};

TEST_F(WindowTest, SettersRaiseTheirEventsSynchronouslyOnlyOnChange) {
  Rect r = window_->GetRect();
  window_->SetLeft(r.left + 10);
  EXPECT_EQ(moved_, 1);
  EXPECT_EQ(window_->GetRect().left, r.left + 10);
  window_->SetLeft(r.left + 10);
  EXPECT_EQ(moved_, 1);
  window_->SetWidth(500);
  EXPECT_EQ(sized_, 1);
  EXPECT_EQ(window_->ClientWidth(), 500);  // no frame
  window_->SetHeight(-20);                  // the system has no negative size
  EXPECT_EQ(window_->GetRect().height, 0);
  window_->SetLayeredAlpha(300);
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(window_->Hwnd(), nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 255);
  EXPECT_EQ(GetWindowLongW(window_->Hwnd(), GWL_EXSTYLE), static_cast<LONG>(WS_EX_LAYERED));
  window_->SetProperty("xyzllq101qllzyx", 1);
  EXPECT_EQ(window_->GetProperty("xyzllq101qllzyx"), 1);
  EXPECT_EQ(platform_.ForeignProperty(reinterpret_cast<ForeignWindow>(window_->Hwnd()), "xyzllq101qllzyx"), 1);
  Text cut = "标题\xb1";  // a caption cut inside a character reads back byte for byte
  window_->SetCaption(cut);
  EXPECT_EQ(window_->GetCaption(), cut);
}

TEST_F(WindowTest, TabStripSelectionAndRemovalRules) {
  for (const char* c : {"a", "b", "c", "d"}) strip_->AddPage(c);
  EXPECT_EQ(strip_->PageCount(), 4);
  EXPECT_EQ(strip_->CurrentPage(), 0);
  strip_->SetCurrentPage(0);
  EXPECT_EQ(selections_, 0);
  strip_->SetCurrentPage(2);
  EXPECT_EQ(selections_, 1);
  for (int bad : {-1, 4, 1000}) {
    strip_->SetCurrentPage(bad);
    strip_->RemovePage(bad);
  }
  EXPECT_EQ(selections_, 1);
  EXPECT_EQ(strip_->PageCount(), 4);
  // A page before the current one: the index drops by one (same page).
  strip_->RemovePage(0);
  EXPECT_EQ(strip_->CurrentPage(), 1);
  EXPECT_EQ(strip_->GetCaption(1), "c");
  EXPECT_EQ(selections_, 2);
  // The current page itself: the next one takes its place.
  strip_->RemovePage(1);
  EXPECT_EQ(strip_->CurrentPage(), 1);
  EXPECT_EQ(strip_->GetCaption(1), "d");
  EXPECT_EQ(selections_, 3);
  // The current last page: the one before it.
  strip_->RemovePage(1);
  EXPECT_EQ(strip_->CurrentPage(), 0);
  EXPECT_EQ(SendMessageW(HwndOf(strip_), TCM_GETCURSEL, 0, 0), 0);
  // A page after the current one: nothing to report.
  strip_->AddPage("e");
  int before = selections_;
  strip_->RemovePage(1);
  EXPECT_EQ(selections_, before);
  EXPECT_EQ(strip_->GetCaption(7), "");
}

TEST_F(WindowTest, TabStripCaptionsTipsAndGeometry) {
  Text cut = "载入\xd4";
  strip_->AddPage(cut);
  strip_->AddPage(Text(100000, 'x'));
  EXPECT_EQ(strip_->GetCaption(0), cut);
  strip_->SetPageTip(1, "tip");
  EXPECT_EQ(strip_->GetPageTip(1), "tip");
  EXPECT_EQ(strip_->GetPageTip(5), "");
  // The headers' tip window asks for header 1's text.
  HWND tips = reinterpret_cast<HWND>(SendMessageW(HwndOf(strip_), TCM_GETTOOLTIPS, 0, 0));
  ASSERT_NE(tips, nullptr);
  NMTTDISPINFOW info = {};
  info.hdr.hwndFrom = tips;
  info.hdr.idFrom = 1;
  info.hdr.code = TTN_GETDISPINFOW;
  SendMessageW(window_->Hwnd(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
  ASSERT_NE(info.lpszText, nullptr);
  EXPECT_EQ(std::wstring(info.lpszText), L"tip");
  Rect h = strip_->HeaderRect(0);
  EXPECT_GT(h.width, 0);
  EXPECT_GT(h.height, 0);
  EXPECT_EQ(strip_->HeaderRect(9), Rect{});
  EXPECT_LT(strip_->PageAreaHeight(), 200);
  EXPECT_LT(strip_->PageAreaWidth(), 300);
  int topHeader = strip_->HeaderRect(0).top;
  strip_->SetHeaderSide(1);
  EXPECT_NE(GetWindowLongW(HwndOf(strip_), GWL_STYLE) & TCS_BOTTOM, 0);
  EXPECT_GT(strip_->HeaderRect(0).top, topHeader);
  strip_->SetHeaderSide(7);  // not a side: headers at the top
  EXPECT_EQ(GetWindowLongW(HwndOf(strip_), GWL_STYLE) & TCS_BOTTOM, 0);
}

TEST_F(WindowTest, EditBoxReportsCharactersKeysAndColour) {
  ControlDesc desc;
  desc.kind = ControlKind::EditBox;
  desc.name = "EditBox_Address";
  desc.rect = {10, 10, 200, 20};
  desc.text = "输入网址或关键字";
  auto* edit = static_cast<EditBox*>(window_->CreateControl(desc));
  std::vector<int> chars, keys, mods;
  edit->handlers.charInput = [&](EditBox&, int32_t c) { chars.push_back(c); };
  edit->handlers.keyDown = [&](EditBox&, int32_t k, int32_t m) {
    keys.push_back(k);
    mods.push_back(m);
  };
  EXPECT_EQ(edit->GetText(), "输入网址或关键字");
  HWND h = HwndOf(edit);
  SendMessageW(h, EM_SETSEL, 100, 100);
  SendMessageW(h, WM_KEYDOWN, VK_RETURN, 0);
  SendMessageW(h, WM_CHAR, L'\r', 0);
  SendMessageW(h, WM_CHAR, L'a', 0);
  EXPECT_EQ(chars, (std::vector<int>{13, 'a'}));
  EXPECT_EQ(keys, (std::vector<int>{VK_RETURN}));
  EXPECT_EQ(mods, (std::vector<int>{0}));
  EXPECT_EQ(edit->GetText(), "输入网址或关键字a");  // Enter inserted nothing
  edit->SetTextColor(Color{128, 128, 128});
  HDC dc = GetDC(h);
  SendMessageW(window_->Hwnd(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(h));
  EXPECT_EQ(GetTextColor(dc), RGB(128, 128, 128));
  ReleaseDC(h, dc);
}

TEST_F(WindowTest, CopiesKeepKindPlaceTextStateAndHandlers) {
  ControlDesc desc;
  desc.kind = ControlKind::PictureButton;
  desc.name = "PicBtn_TabClose";
  desc.rect = {328, 5, 16, 16};
  desc.visible = false;
  Control* tmpl = window_->CreateControl(desc);
  int clicks = 0;
  Control* sender = nullptr;
  tmpl->handlers.click = [&](Control& c) {
    ++clicks;
    sender = &c;
  };
  Control* copy = window_->CopyControl(*tmpl);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Kind(), ControlKind::PictureButton);
  EXPECT_EQ(copy->Name(), "PicBtn_TabClose");
  EXPECT_EQ(copy->GetRect(), tmpl->GetRect());
  EXPECT_FALSE(copy->IsVisible());
  copy->Show();
  SendMessageW(window_->Hwnd(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
               reinterpret_cast<LPARAM>(HwndOf(copy)));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(sender, copy);
  // A button destroyed by its own click.
  copy->handlers.click = [&](Control& c) { window_->DestroyControl(&c); };
  HWND gone = HwndOf(copy);
  SendMessageW(window_->Hwnd(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(gone));
  EXPECT_FALSE(IsWindow(gone));
}

TEST_F(WindowTest, ViewsWithoutTheControlRecordWhatTheyAreAskedToShow) {
  ControlDesc desc;
  desc.kind = ControlKind::BrowserView;
  desc.name = "WebBrowser_Template";
  desc.rect = {4, 53, 600, 200};
  auto* view = static_cast<BrowserView*>(window_->CreateControl(desc));
  Text huge = "http://x/" + Text(1 << 20, 'q');
  view->Navigate(huge);
  EXPECT_EQ(view->LocationURL(), huge);
  Text odd("http://a\0b\x81", 11);
  view->Navigate(odd);
  EXPECT_EQ(view->LocationURL(), odd);
  view->GoBack();
  view->Refresh();
  view->Stop();
  EXPECT_EQ(reinterpret_cast<intptr_t>(GetPropW(HwndOf(view), L"QuorviNavigations")), 2);
}

TEST_F(WindowTest, TimersTickUntilStopped) {
  Timer* t = window_->CreateTimer();
  int ticks = 0;
  t->tick = [&](Timer& self) {
    if (++ticks == 3) self.SetPeriod(0);
  };
  t->SetPeriod(1);
  DWORD start = GetTickCount();
  while (ticks < 3 && GetTickCount() - start < 3000) {
    platform_.PumpPendingMessages();
    Sleep(5);
  }
  EXPECT_EQ(ticks, 3);
  Sleep(100);
  platform_.PumpPendingMessages();
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(t->Period(), 0);
}

}  // namespace
}  // namespace qv::win32
