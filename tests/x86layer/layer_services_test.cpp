// The kernel services of the layer: threads and their handles and times,
// critical sections, memory queries and the readability tests, modules.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mman.h>

#include <atomic>
#include <cstring>
#include <string>

#include "platform/guard_system.h"
#include "platform/x86layer/layer.h"

using namespace qv::sys;

namespace {

uint32_t QV_STDCALL ReturnParameter(void* p) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

std::atomic<uint32_t> g_seenId{0};
std::atomic<uintptr_t> g_seenHead{0};
uint32_t QV_STDCALL NoteIdAndHead(void*) {
  g_seenId = GetCurrentThreadId();
  g_seenHead = GetChainHead();
  return 0;
}

TEST(LayerThreads, ThreadRunsWithItsParameterAndEndsWithItsResult) {
  uint32_t id = 0;
  Handle h = CreateThread(nullptr, 0, &ReturnParameter, reinterpret_cast<void*>(1234), 0, &id);
  ASSERT_NE(nullptr, h);
  EXPECT_NE(0u, id);
  EXPECT_EQ(0u, id % 4);
  EXPECT_EQ(kWaitObject0, WaitForSingleObject(h, kInfinite));
  uint32_t code = 0;
  EXPECT_TRUE(GetExitCodeThread(h, &code));
  EXPECT_EQ(1234u, code);
  EXPECT_TRUE(CloseHandle(h));
}

TEST(LayerThreads, EachThreadHasItsOwnIdAndAnEmptyChain) {
  uintptr_t mine = GetChainHead();
  uint32_t id = 0;
  Handle h = CreateThread(nullptr, 0, &NoteIdAndHead, nullptr, 0, &id);
  ASSERT_NE(nullptr, h);
  WaitForSingleObject(h, kInfinite);
  CloseHandle(h);
  EXPECT_EQ(id, g_seenId.load());
  EXPECT_NE(GetCurrentThreadId(), g_seenId.load());
  EXPECT_EQ(kChainEnd, g_seenHead.load());
  EXPECT_EQ(mine, GetChainHead());
}

std::atomic<bool> g_release{false};
uint32_t QV_STDCALL WaitForRelease(void*) {
  while (!g_release) sched_yield();
  return 0;
}

TEST(LayerThreads, HandleToAnEndedThreadReportsAnExitTime) {
  uint32_t id = 0;
  g_release = false;
  Handle h = CreateThread(nullptr, 0, &WaitForRelease, nullptr, 0, &id);
  Handle opened = OpenThread(kThreadQueryInformation, false, id);
  g_release = true;
  WaitForSingleObject(h, kInfinite);
  FileTime c{}, e{}, k{}, u{};
  ASSERT_NE(nullptr, opened);
  ASSERT_TRUE(GetThreadTimes(opened, &c, &e, &k, &u));
  EXPECT_TRUE(e.dwLowDateTime != 0 || e.dwHighDateTime != 0);
  EXPECT_TRUE(c.dwLowDateTime != 0 || c.dwHighDateTime != 0);
  CloseHandle(opened);
  CloseHandle(h);
}

TEST(LayerThreads, RunningThreadHasNoExitTime) {
  Handle self = OpenThread(kThreadQueryInformation, false, GetCurrentThreadId());
  ASSERT_NE(nullptr, self);
  FileTime c{}, e{}, k{}, u{};
  ASSERT_TRUE(GetThreadTimes(self, &c, &e, &k, &u));
  EXPECT_EQ(0u, e.dwLowDateTime);
  EXPECT_EQ(0u, e.dwHighDateTime);
  EXPECT_TRUE(CloseHandle(self));
  EXPECT_FALSE(CloseHandle(self));
}

TEST(LayerThreads, UnknownIdsAndHandlesAreRefused) {
  EXPECT_EQ(nullptr, OpenThread(kThreadQueryInformation, false, 0x7FFFFFF0));
  EXPECT_EQ(nullptr, OpenThread(kThreadQueryInformation, false, 0));
  FileTime c{}, e{}, k{}, u{};
  int junk = 0;
  EXPECT_FALSE(GetThreadTimes(&junk, &c, &e, &k, &u));
  EXPECT_FALSE(GetThreadTimes(nullptr, &c, &e, &k, &u));
  EXPECT_FALSE(CloseHandle(&junk));
}

TEST(LayerThreads, IdOfAnEndedThreadIsGivenToTheNextOne) {
  uint32_t first = 0, second = 0;
  Handle a = CreateThread(nullptr, 0, &ReturnParameter, nullptr, 0, &first);
  WaitForSingleObject(a, kInfinite);
  Handle b = CreateThread(nullptr, 0, &ReturnParameter, nullptr, 0, &second);
  WaitForSingleObject(b, kInfinite);
  EXPECT_EQ(first, second);
  CloseHandle(a);
  CloseHandle(b);
}

uint32_t QV_STDCALL EndEarly(void*) {
  ExitThread(55);
}

TEST(LayerThreads, ExitThreadEndsOnlyThatThreadWithItsCode) {
  Handle h = CreateThread(nullptr, 0, &EndEarly, nullptr, 0, nullptr);
  ASSERT_EQ(kWaitObject0, WaitForSingleObject(h, kInfinite));
  uint32_t code = 0;
  GetExitCodeThread(h, &code);
  EXPECT_EQ(55u, code);
  CloseHandle(h);
}

TEST(LayerThreads, StartAddressQueryAnswersTheStartRoutine) {
  auto query = reinterpret_cast<NtQueryInformationThreadRoutine>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationThread"));
  ASSERT_NE(nullptr, query);
  uintptr_t start = 1;
  ASSERT_EQ(0, query(GetCurrentThread(), kThreadQuerySetWin32StartAddress, &start, sizeof start,
                     nullptr));
  EXPECT_EQ(qv::x86layer::MainThreadStartAddress(), start);
  EXPECT_NE(0, query(GetCurrentThread(), 0, &start, sizeof start, nullptr));
}

std::atomic<int> g_counter{0};
unsigned char g_section[kCriticalSectionSize];
uint32_t QV_STDCALL AddUnderSection(void*) {
  for (int i = 0; i < 2000; ++i) {
    EnterCriticalSection(g_section);
    EnterCriticalSection(g_section);  // re-entrant
    int v = g_counter.load(std::memory_order_relaxed);
    g_counter.store(v + 1, std::memory_order_relaxed);
    LeaveCriticalSection(g_section);
    LeaveCriticalSection(g_section);
  }
  return 0;
}

TEST(LayerSync, CriticalSectionIsReentrantAndExcludesOtherThreads) {
  InitializeCriticalSection(g_section);
  Handle hs[4];
  for (Handle& h : hs) h = CreateThread(nullptr, 0, &AddUnderSection, nullptr, 0, nullptr);
  for (Handle h : hs) {
    WaitForSingleObject(h, kInfinite);
    CloseHandle(h);
  }
  EXPECT_EQ(8000, g_counter.load());
  DeleteCriticalSection(g_section);
}

TEST(LayerMemory, GlobalAllocZeroFillsOnRequestAndFreeRefusesForeignBlocks) {
  auto* p = static_cast<unsigned char*>(GlobalAlloc(kGmemZeroInit, 64));
  ASSERT_NE(nullptr, p);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(0, p[i]);
  EXPECT_EQ(nullptr, GlobalFree(p));
  int local = 0;
  EXPECT_EQ(&local, GlobalFree(&local));
  EXPECT_EQ(nullptr, GlobalFree(nullptr));
}

TEST(LayerMemory, ReadabilityTestsFollowThePageProtection) {
  auto* pages = static_cast<char*>(mmap(nullptr, 3 * 4096, PROT_READ | PROT_WRITE,
                                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(MAP_FAILED, pages);
  mprotect(pages + 4096, 4096, PROT_READ);
  mprotect(pages + 8192, 4096, PROT_NONE);
  EXPECT_FALSE(IsBadReadPtr(pages, 8192));
  EXPECT_TRUE(IsBadReadPtr(pages + 8190, 4));  // runs into the closed page
  EXPECT_FALSE(IsBadWritePtr(pages, 4096));
  EXPECT_TRUE(IsBadWritePtr(pages + 4000, 200));
  EXPECT_TRUE(IsBadCodePtr(pages + 8192));
  EXPECT_FALSE(IsBadCodePtr(reinterpret_cast<const void*>(&ReturnParameter)));
  EXPECT_TRUE(IsBadReadPtr(nullptr, 1));
  EXPECT_FALSE(IsBadReadPtr(nullptr, 0));
  EXPECT_TRUE(IsBadReadPtr(reinterpret_cast<void*>(~uintptr_t{0} - 2), 8));  // wraps
  munmap(pages, 3 * 4096);
}

TEST(LayerMemory, VirtualQueryDescribesTheRegionAndProtectChangesIt) {
  auto* pages = static_cast<char*>(VirtualAlloc(nullptr, 2 * 4096, kMemCommit | kMemReserve,
                                                kPageReadWrite));
  ASSERT_NE(nullptr, pages);
  MemoryBasicInformation info{};
  ASSERT_EQ(sizeof info, VirtualQuery(pages + 10, &info, sizeof info));
  EXPECT_EQ(pages, info.BaseAddress);
  EXPECT_EQ(kMemCommit, info.State);
  EXPECT_EQ(kPageReadWrite, info.Protect);
  EXPECT_GE(info.RegionSize, 2u * 4096);
  uint32_t old = 0;
  ASSERT_TRUE(VirtualProtect(pages + 4096, 5, kPageReadOnly, &old));
  EXPECT_EQ(kPageReadWrite, old);
  EXPECT_TRUE(IsBadWritePtr(pages + 4096, 1));
  ASSERT_EQ(sizeof info, VirtualQuery(pages + 4096, &info, sizeof info));
  EXPECT_EQ(kPageReadOnly, info.Protect);
  EXPECT_EQ(4096u, info.RegionSize);
  EXPECT_TRUE(VirtualFree(pages, 0, kMemRelease));
  EXPECT_EQ(0u, VirtualQuery(pages, &info, sizeof info - 1));
}

TEST(LayerModules, SnapshotListsTheExecutableFirst) {
  Handle snap = CreateToolhelp32Snapshot(kTh32csSnapModule, GetCurrentProcessId());
  ASSERT_NE(nullptr, snap);
  ModuleEntry32 e{};
  e.dwSize = sizeof e;
  ASSERT_TRUE(Module32First(snap, &e));
  auto code = reinterpret_cast<uintptr_t>(&ReturnParameter);
  EXPECT_LE(reinterpret_cast<uintptr_t>(e.modBaseAddr), code);
  EXPECT_GT(reinterpret_cast<uintptr_t>(e.modBaseAddr) + e.modBaseSize, code);
  EXPECT_NE(nullptr, std::strstr(e.szModule, "x86layer_tests"));
  int more = 0;
  while (Module32Next(snap, &e)) ++more;
  EXPECT_GT(more, 0);  // the C library at least
  EXPECT_TRUE(CloseHandle(snap));
  ModuleEntry32 small{};
  small.dwSize = 10;
  snap = CreateToolhelp32Snapshot(kTh32csSnapModule, 0);
  EXPECT_FALSE(Module32First(snap, &small));
  CloseHandle(snap);
}

TEST(LayerModules, Kernel32ExportsAreRealRoutinesWithTheSystemPrologue) {
  Module k = GetModuleHandleA("kernel32");
  ASSERT_NE(nullptr, k);
  EXPECT_EQ(k, GetModuleHandleA("KERNEL32.DLL"));
  for (const char* name : {"CreateRemoteThread", "GlobalFree"}) {
    auto* code = reinterpret_cast<const unsigned char*>(GetProcAddress(k, name));
    ASSERT_NE(nullptr, code) << name;
#if defined(__i386__)
    const unsigned char prologue[] = {0x8B, 0xFF, 0x55, 0x8B, 0xEC};
    EXPECT_EQ(0, std::memcmp(code, prologue, 5)) << name;
#endif
  }
  EXPECT_EQ(nullptr, GetProcAddress(k, "NoSuchExport"));
  EXPECT_EQ(nullptr, GetModuleHandleA("user32.dll"));
  auto freeFn = reinterpret_cast<void*(QV_STDCALL*)(void*)>(GetProcAddress(k, "GlobalFree"));
  EXPECT_EQ(nullptr, freeFn(GlobalAlloc(kGmemFixed, 8)));
}

TEST(LayerModules, ExecutableHeaderNamesTheMainThreadStartAsEntryPoint) {
  auto* base = static_cast<const unsigned char*>(GetModuleHandleA(nullptr));
  ASSERT_NE(nullptr, base);
  EXPECT_EQ('M', base[0]);
  EXPECT_EQ('Z', base[1]);
  uint32_t lfanew = 0, rva = 0;
  std::memcpy(&lfanew, base + 60, 4);
  EXPECT_EQ(0, std::memcmp(base + lfanew, "PE\0\0", 4));
  std::memcpy(&rva, base + lfanew + 40, 4);
  EXPECT_EQ(static_cast<uint32_t>(qv::x86layer::MainThreadStartAddress()),
            static_cast<uint32_t>(reinterpret_cast<uintptr_t>(base)) + rva);
}

TEST(LayerWindows, MessageBoxesAreRecordedAndWindowsFoundByThread) {
  qv::x86layer::ClearRecordedMessageBoxes();
  EXPECT_EQ(1, MessageBoxA(nullptr, "text", "caption", kMbIconError));
  auto boxes = qv::x86layer::RecordedMessageBoxes();
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("text", boxes[0].text);
  EXPECT_EQ("caption", boxes[0].caption);
  EXPECT_EQ(kMbIconError, boxes[0].type);

  qv::x86layer::ClearDesktopWindows();
  Window a = qv::x86layer::AddDesktopWindow(GetCurrentThreadId(), "One");
  Window b = qv::x86layer::AddDesktopWindow(4444, "A-much-longer-class-name");
  EXPECT_EQ(a, GetWindow(GetDesktopWindow(), kGwChild));
  EXPECT_EQ(b, GetWindow(a, kGwHwndNext));
  EXPECT_EQ(nullptr, GetWindow(b, kGwHwndNext));
  EXPECT_EQ(4444u, GetWindowThreadProcessId(b, nullptr));
  char buf[6];
  EXPECT_EQ(5, GetClassNameA(b, buf, sizeof buf));
  EXPECT_STREQ("A-muc", buf);
  qv::x86layer::ClearDesktopWindows();
}

}  // namespace
