// Starts quorvi.exe as a child process in a working directory of its own
// and finds its windows, so tests drive the real program with messages.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qvtest {

// The program next to the test executables.
std::wstring ProgramPath();
// A new, empty directory under the test's working directory.
std::wstring FreshDirectory(const wchar_t* stem);

class RunningApp {
 public:
  // Starts the program with `args` (may be empty) in `workDir`. Without
  // `browserControl` the views stay empty windows that only record what
  // they are asked to show, so no page event changes the state under test.
  RunningApp(const std::wstring& args, const std::wstring& workDir, bool browserControl = false);
  ~RunningApp();

  bool Started() const { return main_ != nullptr; }
  HWND Main() const { return main_; }
  DWORD ProcessId() const { return pi_.dwProcessId; }
  HANDLE Process() const { return pi_.hProcess; }

  // The first child of the main window with this class (and text, if given).
  HWND Child(const wchar_t* cls, const wchar_t* text = nullptr) const;
  std::vector<HWND> Children(const wchar_t* cls) const;
  // Picture buttons carry their form name as window text.
  HWND Button(const wchar_t* name) const { return Child(L"Button", name); }
  HWND Tabs() const { return Child(L"SysTabControl32"); }
  HWND Edit() const { return Child(L"Edit"); }
  // The browser views, and the one that is visible (null when not exactly one).
  std::vector<HWND> Views() const { return Children(L"QuorviBrowserHost"); }
  HWND VisibleView() const;
  // Top-level windows of the process with this class.
  std::vector<HWND> TopWindows(const wchar_t* cls) const;

  // Destroys the main window the way the system does (WM_CLOSE) and waits
  // for the process; its exit code, or STILL_ACTIVE on a timeout.
  DWORD CloseAndWait(DWORD ms);
  // Waits until `pred` holds, pumping nothing (the program is another process).
  template <class F>
  bool WaitFor(F pred, DWORD ms = 5000) const {
    for (DWORD waited = 0;; waited += 20) {
      if (pred()) return true;
      if (waited >= ms) return false;
      Sleep(20);
    }
  }

 private:
  PROCESS_INFORMATION pi_ = {};
  HWND main_ = nullptr;
};

std::wstring WindowText(HWND w);
std::wstring ClassOf(HWND w);

// Tab control queries that need memory in the program's process.
int TabCount(HWND tabs);
int TabCurrent(HWND tabs);
std::wstring TabCaption(HANDLE process, HWND tabs, int index);
RECT TabHeaderRect(HANDLE process, HWND tabs, int index);

}  // namespace qvtest
