// The real program under the system: instance marking across two processes
// and the shortcut it writes, read back through the shell-link object.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include "app_driver.h"

namespace qvtest {
namespace {

constexpr wchar_t kInstanceName[] = L"xyzllq101qllzyx";

bool MutexExists() {
  HANDLE m = OpenMutexW(SYNCHRONIZE, FALSE, kInstanceName);
  if (m == nullptr) return false;
  CloseHandle(m);
  return true;
}

intptr_t Mark(HWND w) { return reinterpret_cast<intptr_t>(GetPropW(w, kInstanceName)); }

TEST(InstanceMarking, StartWithoutArgumentMarksNothing) {
  RunningApp app(L"", FreshDirectory(L"plain"));
  ASSERT_TRUE(app.Started());
  EXPECT_FALSE(MutexExists());
  EXPECT_EQ(Mark(app.Main()), 0);
  EXPECT_EQ(app.CloseAndWait(10000), 0u);
}

TEST(InstanceMarking, SecondStartRestoresTheMarkedWindowAndOpensItsOwn) {
  RunningApp first(L"http://first.example/", FreshDirectory(L"first"));
  ASSERT_TRUE(first.Started());
  EXPECT_TRUE(MutexExists());
  EXPECT_EQ(Mark(first.Main()), 1);
  ShowWindow(first.Main(), SW_MINIMIZE);
  ASSERT_TRUE(first.WaitFor([&] { return IsIconic(first.Main()) != FALSE; }));

  RunningApp second(L"\"http://second.example/?q=a b\"", FreshDirectory(L"second"));
  ASSERT_TRUE(second.Started()) << "the second instance opens its own window";
  EXPECT_TRUE(first.WaitFor([&] { return IsIconic(first.Main()) == FALSE; }))
      << "the marked window is restored";
  EXPECT_EQ(Mark(second.Main()), 0) << "only the first is marked";
  EXPECT_TRUE(IsWindowVisible(second.Main()));

  EXPECT_EQ(second.CloseAndWait(10000), 0u);
  EXPECT_TRUE(MutexExists()) << "the first still holds the name";
  EXPECT_EQ(first.CloseAndWait(10000), 0u);
  EXPECT_FALSE(MutexExists()) << "the name goes with the marked instance";
}

TEST(ProgramShortcut, ResolvesToTheProgramThroughTheShellLinkObject) {
  std::wstring dir = FreshDirectory(L"link");
  RunningApp app(L"", dir);
  ASSERT_TRUE(app.Started());
  std::wstring file = dir + L"\\QuorviWap\u6d4f\u89c8\u5668.lnk";  // QuorviWap浏览器.lnk
  ASSERT_TRUE(app.WaitFor(
      [&] { return GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES; }));
  EXPECT_EQ(app.CloseAndWait(10000), 0u);

  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  IShellLinkW* link = nullptr;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IShellLinkW, reinterpret_cast<void**>(&link))));
  IPersistFile* persist = nullptr;
  ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))));
  ASSERT_TRUE(SUCCEEDED(persist->Load(file.c_str(), STGM_READ)));
  wchar_t path[MAX_PATH * 4] = {};
  EXPECT_TRUE(SUCCEEDED(link->GetPath(path, MAX_PATH * 4, nullptr, SLGP_RAWPATH)));
  EXPECT_EQ(lstrcmpiW(path, ProgramPath().c_str()), 0) << "target differs";
  // The loaded object reports only normal, maximized or minimized; the
  // show command as written is the header's field at offset 0x3C.
  HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  unsigned char header[0x4C] = {};
  DWORD got = 0;
  EXPECT_TRUE(ReadFile(h, header, sizeof header, &got, nullptr) && got == sizeof header);
  CloseHandle(h);
  EXPECT_EQ(header[0], 0x4C) << "a shell link header";
  EXPECT_EQ(header[0x3C] | header[0x3D] << 8 | header[0x3E] << 16 | header[0x3F] << 24, SW_SHOW);
  wchar_t description[256] = {};
  EXPECT_TRUE(SUCCEEDED(link->GetDescription(description, 256)));
  EXPECT_EQ(std::wstring(description), L"QuorviWap\u6d4f\u89c8\u5668");
  wchar_t args[256] = L"x";
  EXPECT_TRUE(SUCCEEDED(link->GetArguments(args, 256)));
  EXPECT_EQ(std::wstring(args), L"");
  persist->Release();
  link->Release();
  CoUninitialize();
}

}  // namespace
}  // namespace qvtest
