// Start-up and memory figures measured from outside, as a user sees them.
//
//   startup_driver.exe startup ROUNDS NAME EXE MARKER [NAME EXE MARKER]...
//     Starts each program in turn, ROUNDS times (interleaved, after one
//     unrecorded warm-up start each), and times process creation to its
//     first visible top-level window. With a MARKER (a child window class,
//     "-" for none) the window also needs a child of that class with a text:
//     the program's view that was asked to navigate.
//     Prints "startup,NAME,<ms>,<cpu ms>" per run: the wall time and the
//     process's own processor time up to that moment.
//
//   startup_driver.exe memory ROUNDS NAME EXE MARKER [NAME EXE MARKER]...
//     After start-up (and a pause to settle) reads private bytes and working
//     set (of the Linux process behind the program: see Report), then clicks
//     the child button "PicBtn_NewTab" until 1, 10 and 50 extra MARKER
//     children holding a browser control exist, reading both at each step
//     (MARKER "*CLASS": any CLASS child counts, for a program run without
//     its browser control).
//     Prints "memory,NAME,<extra>,<private bytes>,<working set>".
//
// Programs start in the driver's working directory; each is closed
// (WM_CLOSE, then ended after a timeout) before the next one starts.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Program {
  std::wstring name;
  std::wstring exe;
  std::wstring marker;  // empty: any visible top-level window will do
  bool anyView;         // count views without a browser control too
};

std::wstring ClassOf(HWND w) {
  wchar_t cls[256] = {};
  GetClassNameW(w, cls, 256);
  return cls;
}

// WM_GETTEXTLENGTH itself: GetWindowTextLength does not ask another process.
bool HasText(HWND w) {
  DWORD_PTR n = 0;
  if (!SendMessageTimeoutW(w, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 200, &n)) return false;
  return n > 0;
}

std::vector<HWND> Children(HWND parent, const std::wstring& cls) {
  std::vector<HWND> out;
  for (HWND w = FindWindowExW(parent, nullptr, cls.c_str(), nullptr); w != nullptr;
       w = FindWindowExW(parent, w, cls.c_str(), nullptr))
    out.push_back(w);
  return out;
}

// Views that really hold a browser control: the control's own window is a
// child of the view's host window.
size_t Views(HWND parent, const Program& p) {
  size_t n = 0;
  for (HWND w : Children(parent, p.marker))
    if (p.anyView || GetWindow(w, GW_CHILD) != nullptr) ++n;
  return n;
}

struct Search {
  DWORD pid;
  const Program* program;
  HWND found;
};

BOOL CALLBACK FindUsable(HWND w, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid != s->pid || !IsWindowVisible(w)) return TRUE;
  if (!s->program->marker.empty()) {
    bool asked = false;
    for (HWND c : Children(w, s->program->marker))
      if (HasText(c)) asked = true;
    if (!asked) return TRUE;
  }
  s->found = w;
  return FALSE;
}

struct Closing {
  DWORD pid;
};

BOOL CALLBACK PostClose(HWND w, LPARAM lp) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid == reinterpret_cast<Closing*>(lp)->pid && IsWindowVisible(w)) PostMessageW(w, WM_CLOSE, 0, 0);
  return TRUE;
}

class Child {
 public:
  bool Start(const Program& p) {
    std::wstring cmd = L"\"" + p.exe + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    return CreateProcessW(p.exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &pi_) != FALSE;
  }
  // The usable window, or null after `ms`.
  HWND WaitUsable(const Program& p, DWORD ms) {
    Search s{pi_.dwProcessId, &p, nullptr};
    DWORD start = GetTickCount();
    for (;;) {
      EnumWindows(&FindUsable, reinterpret_cast<LPARAM>(&s));
      if (s.found != nullptr) return s.found;
      if (GetTickCount() - start > ms) return nullptr;
      if (WaitForSingleObject(pi_.hProcess, 2) == WAIT_OBJECT_0) return nullptr;
    }
  }
  HANDLE Process() const { return pi_.hProcess; }
  ~Child() {
    if (pi_.hProcess == nullptr) return;
    Closing c{pi_.dwProcessId};
    EnumWindows(&PostClose, reinterpret_cast<LPARAM>(&c));
    if (WaitForSingleObject(pi_.hProcess, 5000) != WAIT_OBJECT_0) {
      TerminateProcess(pi_.hProcess, 99);
      WaitForSingleObject(pi_.hProcess, 5000);
    }
    CloseHandle(pi_.hProcess);
    CloseHandle(pi_.hThread);
  }

 private:
  PROCESS_INFORMATION pi_ = {};
};

double Now() {
  static LARGE_INTEGER freq = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

std::string Narrow(const std::wstring& w) {
  std::string s;
  for (wchar_t c : w) s += c < 128 ? static_cast<char>(c) : '?';
  return s;
}

// User plus kernel time of a process so far, in milliseconds.
double CpuMs(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
  auto ms = [](const FILETIME& f) {
    return static_cast<double>((static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime) /
           10000.0;
  };
  return ms(kernel) + ms(user);
}

// Milliseconds to the usable window, or a negative value when none came;
// `cpu` gets the process's own processor time up to then.
double TimeStart(const Program& p, bool tell = false, double* cpu = nullptr) {
  Child c;
  double t0 = Now();
  if (!c.Start(p)) return -1;
  HWND w = c.WaitUsable(p, 30000);
  double t1 = Now();
  if (w == nullptr) return -2;
  if (cpu != nullptr) *cpu = CpuMs(c.Process());
  if (tell)
    std::fprintf(stderr, "startup: %s: usable window of class %s\n", Narrow(p.name).c_str(),
                 Narrow(ClassOf(w)).c_str());
  // Let the start finish its work before it is closed.
  Sleep(300);
  return t1 - t0;
}

void Startup(const std::vector<Program>& programs, int rounds) {
  for (const Program& p : programs) {
    double ms = TimeStart(p, true);
    if (ms < 0) std::fprintf(stderr, "startup: %s gave no usable window\n", Narrow(p.name).c_str());
    Sleep(200);
  }
  for (int r = 0; r < rounds; ++r) {
    for (const Program& p : programs) {
      double cpu = -1;
      double ms = TimeStart(p, false, &cpu);
      if (ms >= 0)
        std::printf("startup,%s,%.1f,%.1f\n", Narrow(p.name).c_str(), ms, cpu);
      else
        std::fprintf(stderr, "startup: %s gave no usable window\n", Narrow(p.name).c_str());
      std::fflush(stdout);
      Sleep(200);
    }
  }
}

// Wine's counters for another process leave private bytes at zero, so both
// figures come from the Linux process behind it (through drive Z:): private
// bytes are its resident anonymous memory (RssAnon: heaps, stacks, written
// copies of image pages), the working set its resident set (VmRSS). Pages
// that merely are not shared at the moment (Private_Clean) are left out:
// they come and go with other processes.
std::string ReadAll(const std::wstring& path) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return std::string();
  std::string out;
  char buf[4096];
  DWORD got = 0;
  while (out.size() < (1u << 20) && ReadFile(f, buf, sizeof(buf), &got, nullptr) && got > 0)
    out.append(buf, got);
  CloseHandle(f);
  return out;
}

// The Linux process whose command line starts with the program's path (as a
// Unix path under Z:, or the Windows path itself).
std::wstring FindLinuxPid(const Program& p) {
  std::string win = Narrow(p.exe), unixPath;
  if (win.size() > 2 && (win[0] == 'Z' || win[0] == 'z') && win[1] == ':') {
    unixPath = win.substr(2);
    for (char& c : unixPath)
      if (c == '\\') c = '/';
  }
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(L"Z:\\proc\\*", &fd);
  if (h == INVALID_HANDLE_VALUE) return std::wstring();
  std::wstring found;
  do {
    std::wstring name = fd.cFileName;
    if (name.empty() || name.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
    std::string cmd = ReadAll(L"Z:\\proc\\" + name + L"\\cmdline");
    std::string first = cmd.substr(0, cmd.find('\0'));
    if ((!unixPath.empty() && first == unixPath) || lstrcmpiA(first.c_str(), win.c_str()) == 0) {
      found = name;
      break;
    }
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return found;
}

unsigned long long Field(const std::string& text, const char* key) {
  size_t at = text.find(key);
  if (at == std::string::npos) return 0;
  return std::strtoull(text.c_str() + at + std::strlen(key), nullptr, 10) * 1024;
}

void Report(const Program& p, int extra, const std::wstring& linuxPid) {
  // Let the last control's start-up work (threads, timers) run out.
  Sleep(700);
  std::string status = ReadAll(L"Z:\\proc\\" + linuxPid + L"\\status");
  if (status.empty()) {
    std::fprintf(stderr, "memory: %s: no status\n", Narrow(p.name).c_str());
    return;
  }
  unsigned long long priv = Field(status, "RssAnon:") + Field(status, "VmSwap:");
  unsigned long long rss = Field(status, "VmRSS:");
  std::printf("memory,%s,%d,%llu,%llu\n", Narrow(p.name).c_str(), extra, priv, rss);
  std::fflush(stdout);
}

void Memory(const std::vector<Program>& programs, int rounds) {
  const int steps[] = {1, 10, 50};
  for (int r = 0; r < rounds; ++r) {
    for (const Program& p : programs) {
      Child c;
      if (!c.Start(p)) continue;
      HWND main = c.WaitUsable(p, 30000);
      if (main == nullptr || p.marker.empty()) {
        std::fprintf(stderr, "memory: %s gave no usable window\n", Narrow(p.name).c_str());
        continue;
      }
      HWND button = FindWindowExW(main, nullptr, L"Button", L"PicBtn_NewTab");
      if (button == nullptr) {
        std::fprintf(stderr, "memory: %s has no PicBtn_NewTab\n", Narrow(p.name).c_str());
        continue;
      }
      std::wstring linuxPid = FindLinuxPid(p);
      if (linuxPid.empty()) {
        std::fprintf(stderr, "memory: %s: no Linux process found\n", Narrow(p.name).c_str());
        continue;
      }
      size_t base = Views(main, p);
      Report(p, 0, linuxPid);
      for (int extra : steps) {
        bool ok = true;
        while (ok && Views(main, p) < base + static_cast<size_t>(extra)) {
          size_t before = Views(main, p);
          // A real click: the button's own handling of the press and release.
          DWORD_PTR res = 0;
          SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_NORMAL, 10000, &res);
          DWORD waited = 0;
          while (Views(main, p) <= before && waited < 10000) {
            Sleep(5);
            waited += 5;
          }
          ok = Views(main, p) > before;
        }
        if (!ok) {
          std::fprintf(stderr, "memory: %s stopped opening tabs at %zu\n", Narrow(p.name).c_str(),
                       Views(main, p) - base);
          break;
        }
        Report(p, extra, linuxPid);
      }
    }
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 6 || (argc - 3) % 3 != 0) {
    std::fprintf(stderr, "usage: startup_driver startup|memory ROUNDS NAME EXE MARKER...\n");
    return 2;
  }
  std::wstring mode = argv[1];
  int rounds = _wtoi(argv[2]);
  if (rounds < 1 || rounds > 1000) rounds = 1;
  std::vector<Program> programs;
  for (int i = 3; i + 2 < argc; i += 3) {
    std::wstring marker = argv[i + 2];
    bool anyView = !marker.empty() && marker[0] == L'*';
    if (anyView) marker.erase(0, 1);
    programs.push_back({argv[i], argv[i + 1], marker == L"-" ? std::wstring() : marker, anyView});
  }
  if (mode == L"startup") {
    Startup(programs, rounds);
  } else if (mode == L"memory") {
    Memory(programs, rounds);
  } else {
    std::fprintf(stderr, "unknown mode\n");
    return 2;
  }
  return 0;
}
