#include "app_driver.h"

#include <commctrl.h>

#include <atomic>
#include <cstdio>

namespace qvtest {

std::wstring ProgramPath() {
  wchar_t buf[MAX_PATH * 4] = {};
  DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH * 4);
  std::wstring p(buf, n);
  return p.substr(0, p.find_last_of(L"\\/") + 1) + L"quorvi.exe";
}

std::wstring FreshDirectory(const wchar_t* stem) {
  static std::atomic<int> counter{0};
  wchar_t cwd[MAX_PATH * 4] = {};
  GetCurrentDirectoryW(MAX_PATH * 4, cwd);
  for (;;) {
    std::wstring dir = std::wstring(cwd) + L"\\" + stem + L"-" +
                       std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++);
    if (CreateDirectoryW(dir.c_str(), nullptr)) return dir;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return std::wstring(cwd);
  }
}

// WM_GETTEXT itself: GetWindowText does not ask a control of another
// process for its text.
std::wstring WindowText(HWND w) {
  LRESULT n = SendMessageW(w, WM_GETTEXTLENGTH, 0, 0);
  if (n <= 0) return std::wstring();
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  LRESULT got = SendMessageW(w, WM_GETTEXT, static_cast<WPARAM>(n + 1), reinterpret_cast<LPARAM>(&s[0]));
  s.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return s;
}

std::wstring ClassOf(HWND w) {
  wchar_t cls[256] = {};
  GetClassNameW(w, cls, 256);
  return cls;
}

namespace {

struct FindMain {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindMainProc(HWND w, LPARAM lp) {
  auto* f = reinterpret_cast<FindMain*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid == f->pid && ClassOf(w) == L"QuorviMainWindow" && IsWindowVisible(w)) {
    f->found = w;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

RunningApp::RunningApp(const std::wstring& args, const std::wstring& workDir, bool browserControl) {
  std::wstring exe = ProgramPath();
  std::wstring cmd = L"\"" + exe + L"\"";
  if (!args.empty()) cmd += L" " + args;
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  SetEnvironmentVariableW(L"QUORVI_NO_BROWSER_CONTROL", browserControl ? nullptr : L"1");
  // A busy machine may refuse a start for a moment (seen under wine while
  // other programs of the prefix start or end): try again a few times.
  BOOL made = FALSE;
  for (int attempt = 0; attempt < 5 && !made; ++attempt) {
    if (attempt > 0) Sleep(500);
    made = CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                          workDir.c_str(), &si, &pi_);
    if (!made) fprintf(stderr, "CreateProcess failed: error %lu\n", GetLastError());
  }
  SetEnvironmentVariableW(L"QUORVI_NO_BROWSER_CONTROL", nullptr);
  if (!made) {
    pi_ = {};
    return;
  }
  FindMain f{pi_.dwProcessId, nullptr};
  WaitFor([&] {
    EnumWindows(&FindMainProc, reinterpret_cast<LPARAM>(&f));
    return f.found != nullptr;
  }, 20000);
  main_ = f.found;
}

RunningApp::~RunningApp() {
  if (pi_.hProcess != nullptr) {
    if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
      if (main_ != nullptr && IsWindow(main_)) PostMessageW(main_, WM_CLOSE, 0, 0);
      if (WaitForSingleObject(pi_.hProcess, 5000) == WAIT_TIMEOUT) TerminateProcess(pi_.hProcess, 99);
    }
    CloseHandle(pi_.hProcess);
    CloseHandle(pi_.hThread);
  }
}

DWORD RunningApp::CloseAndWait(DWORD ms) {
  if (pi_.hProcess == nullptr) return STILL_ACTIVE;
  if (main_ != nullptr && IsWindow(main_)) PostMessageW(main_, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(pi_.hProcess, ms) != WAIT_OBJECT_0) return STILL_ACTIVE;
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(pi_.hProcess, &code);
  return code;
}

HWND RunningApp::Child(const wchar_t* cls, const wchar_t* text) const {
  return main_ != nullptr ? FindWindowExW(main_, nullptr, cls, text) : nullptr;
}

std::vector<HWND> RunningApp::Children(const wchar_t* cls) const {
  std::vector<HWND> out;
  if (main_ == nullptr) return out;
  for (HWND w = FindWindowExW(main_, nullptr, cls, nullptr); w != nullptr;
       w = FindWindowExW(main_, w, cls, nullptr))
    out.push_back(w);
  return out;
}

HWND RunningApp::VisibleView() const {
  HWND visible = nullptr;
  int n = 0;
  for (HWND w : Views()) {
    if (GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE) {
      visible = w;
      ++n;
    }
  }
  return n == 1 ? visible : nullptr;
}

namespace {
struct TopFind {
  DWORD pid;
  const wchar_t* cls;
  std::vector<HWND>* out;
};
BOOL CALLBACK TopProc(HWND w, LPARAM lp) {
  auto* f = reinterpret_cast<TopFind*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid == f->pid && ClassOf(w) == f->cls) f->out->push_back(w);
  return TRUE;
}
}  // namespace

std::vector<HWND> RunningApp::TopWindows(const wchar_t* cls) const {
  std::vector<HWND> out;
  TopFind f{pi_.dwProcessId, cls, &out};
  EnumWindows(&TopProc, reinterpret_cast<LPARAM>(&f));
  return out;
}

int TabCount(HWND tabs) { return static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0)); }
int TabCurrent(HWND tabs) { return static_cast<int>(SendMessageW(tabs, TCM_GETCURSEL, 0, 0)); }

namespace {

// A block of memory in the program's process for a message's pointer.
class RemoteBlock {
 public:
  RemoteBlock(HANDLE process, size_t size) : process_(process) {
    at_ = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~RemoteBlock() {
    if (at_ != nullptr) VirtualFreeEx(process_, at_, 0, MEM_RELEASE);
  }
  char* At() const { return static_cast<char*>(at_); }
  bool Write(size_t off, const void* p, size_t n) {
    return WriteProcessMemory(process_, At() + off, p, n, nullptr) != FALSE;
  }
  bool Read(size_t off, void* p, size_t n) const {
    return ReadProcessMemory(process_, At() + off, p, n, nullptr) != FALSE;
  }

 private:
  HANDLE process_;
  void* at_;
};

}  // namespace

std::wstring TabCaption(HANDLE process, HWND tabs, int index) {
  constexpr size_t kChars = 512;
  RemoteBlock block(process, sizeof(TCITEMW) + kChars * sizeof(wchar_t));
  if (block.At() == nullptr) return L"<no memory>";
  TCITEMW item = {};
  item.mask = TCIF_TEXT;
  item.pszText = reinterpret_cast<wchar_t*>(block.At() + sizeof(TCITEMW));
  item.cchTextMax = kChars;
  block.Write(0, &item, sizeof(item));
  if (!SendMessageW(tabs, TCM_GETITEMW, static_cast<WPARAM>(index),
                    reinterpret_cast<LPARAM>(block.At())))
    return L"<no item>";
  std::wstring text(kChars, L'\0');
  block.Read(sizeof(TCITEMW), &text[0], kChars * sizeof(wchar_t));
  text.resize(wcsnlen(text.c_str(), kChars));
  return text;
}

RECT TabHeaderRect(HANDLE process, HWND tabs, int index) {
  RemoteBlock block(process, sizeof(RECT));
  RECT rc{};
  if (block.At() == nullptr) return rc;
  if (SendMessageW(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(block.At())))
    block.Read(0, &rc, sizeof(rc));
  return rc;
}

}  // namespace qvtest
