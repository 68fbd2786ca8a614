#include "platform/win32/win32_platform.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/browser_view.h"
#include "platform/win32/shell_link.h"
#include "platform/win32/text_conv.h"
#include "platform/win32/win32_window.h"

namespace qv::win32 {
namespace {

// The module's full path, however long.
std::wstring ModulePath() {
  std::vector<wchar_t> buf(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return std::wstring();
    if (n < buf.size()) return std::wstring(buf.data(), n);
    if (buf.size() > 32768) return std::wstring(buf.data(), n);
    buf.resize(buf.size() * 2);
  }
}

HWND AsHwnd(ForeignWindow w) { return reinterpret_cast<HWND>(w); }

}  // namespace

Win32Platform::Win32Platform() = default;

Win32Platform::~Win32Platform() {
  // Owned windows before their owners.
  while (!windows_.empty()) windows_.pop_back();
  Win32BrowserView::ReleaseRetired();
}

Window* Win32Platform::CreateTopWindow(const WindowDesc& desc) {
  windows_.push_back(std::make_unique<Win32Window>(this, desc));
  return windows_.back().get();
}

bool Win32Platform::DispatchOne(void* p) {
  MSG& msg = *static_cast<MSG*>(p);
  if (Win32BrowserView::TranslatePageKey(msg)) return true;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
  Win32BrowserView::ReleaseRetired();
  return true;
}

void Win32Platform::RunMessageLoop(Window& main) {
  MSG msg;
  while (!main.IsDestroyed()) {
    BOOL r = GetMessageW(&msg, nullptr, 0, 0);
    if (r == 0) {
      // Someone asked the thread to quit: leave it for an outer loop too.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (r < 0) break;
    DispatchOne(&msg);
  }
}

void Win32Platform::PumpPendingMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    DispatchOne(&msg);
  }
}

int32_t Win32Platform::ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int32_t Win32Platform::ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

bool Win32Platform::FindTaskbar(int32_t& l, int32_t& t, int32_t& r, int32_t& b) {
  HWND bar = FindWindowW(L"Shell_TrayWnd", L"");
  RECT rc{};
  if (bar == nullptr || !GetWindowRect(bar, &rc)) return false;
  l = rc.left;
  t = rc.top;
  r = rc.right;
  b = rc.bottom;
  return true;
}

Rect Win32Platform::SystemWorkArea() {
  RECT rc{};
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &rc, 0))
    rc = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  return Rect{rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top};
}

void Win32Platform::MessageBox(const Text& text, const Text& caption, MessageIcon icon) {
  UINT flags = MB_OK | MB_TASKMODAL;
  if (icon == MessageIcon::Error) flags |= MB_ICONERROR;
  MessageBoxW(nullptr, Wide(text).c_str(), Wide(caption).c_str(), flags);
}

Text Win32Platform::ExecutableDirectory() {
  std::wstring path = ModulePath();
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? Text() : Gbk(path.substr(0, slash));
}

Text Win32Platform::ExecutableFileName() {
  std::wstring path = ModulePath();
  size_t slash = path.find_last_of(L"\\/");
  return Gbk(slash == std::wstring::npos ? path : path.substr(slash + 1));
}

Text Win32Platform::CommandLine() {
  const wchar_t* line = GetCommandLineW();
  return line != nullptr ? Gbk(std::wstring(line)) : Text();
}

MutexResult Win32Platform::CreateNamedMutex(const Text& name) {
  MutexResult result;
  HANDLE h = CreateMutexW(nullptr, TRUE, Wide(name).c_str());
  DWORD err = GetLastError();
  result.handle = reinterpret_cast<intptr_t>(h);
  result.existedBefore = h != nullptr && err == ERROR_ALREADY_EXISTS;
  return result;
}

void Win32Platform::CloseMutex(intptr_t handle) {
  if (handle != 0) CloseHandle(reinterpret_cast<HANDLE>(handle));
}

std::vector<ForeignWindow> Win32Platform::TopLevelWindows() {
  std::vector<ForeignWindow> out;
  // A bound on the walk: windows can come and go while it runs.
  for (HWND w = GetWindow(GetDesktopWindow(), GW_CHILD); w != nullptr && out.size() < 65536;
       w = GetWindow(w, GW_HWNDNEXT))
    out.push_back(reinterpret_cast<ForeignWindow>(w));
  return out;
}

intptr_t Win32Platform::ForeignProperty(ForeignWindow w, const Text& name) {
  if (!IsWindow(AsHwnd(w))) return 0;
  return reinterpret_cast<intptr_t>(GetPropW(AsHwnd(w), Wide(name).c_str()));
}

bool Win32Platform::ForeignIsMinimized(ForeignWindow w) {
  return IsWindow(AsHwnd(w)) && IsIconic(AsHwnd(w));
}

void Win32Platform::ForeignRestore(ForeignWindow w) {
  if (IsWindow(AsHwnd(w))) ShowWindow(AsHwnd(w), SW_SHOWNOACTIVATE);
}

bool Win32Platform::CreateShellLink(const Text& fileName, const Text& target, int32_t showCommand,
                                    const Text& description) {
  return SaveShellLink(fileName, target, showCommand, description);
}

}  // namespace qv::win32
