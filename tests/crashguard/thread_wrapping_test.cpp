// Threads of the process start under the guard: the patch start-up puts on
// the x86-32 layer's real "CreateRemoteThread", the wrapper's code, and
// what a wrapped thread sees, returns and reports.
#include <gtest/gtest.h>

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "crashguard/api_hook.h"
#include "crashguard/exception_capture.h"
#include "crashguard/format.h"
#include "crashguard/guard_api.h"
#include "crashguard/guard_globals.h"
#include "crashguard/guard_machine.h"
#include "crashguard/name_registry.h"
#include "crashguard/thread_wrapping.h"
#include "platform/guard_system.h"

extern "C" {
// Calls a stdcall routine of one argument with ebx, esi and edi holding
// marks; *kept is 1 when all three still hold them afterwards.
uint32_t qvt_CallKeeping(uint32_t code, uint32_t argument, uint32_t* kept);
// Begins as the system's exports do; the body records the request.
qv::sys::Handle QV_STDCALL qvt_SpyCreateRemoteThread(qv::sys::Handle, void*, size_t,
                                                     qv::sys::ThreadRoutine, void*, uint32_t,
                                                     uint32_t*);
}

__asm__(R"(
    .text
    .globl qvt_CallKeeping
    .type qvt_CallKeeping, @function
qvt_CallKeeping:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl $0xB0B0B0B0, %ebx
    movl $0x51515151, %esi
    movl $0xD1D1D1D1, %edi
    pushl 12(%ebp)
    call *8(%ebp)
    xorl %ecx, %ecx
    cmpl $0xB0B0B0B0, %ebx
    jne 1f
    cmpl $0x51515151, %esi
    jne 1f
    cmpl $0xD1D1D1D1, %edi
    jne 1f
    movl $1, %ecx
1:
    movl 16(%ebp), %edx
    movl %ecx, (%edx)
    leal -12(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret

    .globl qvt_SpyCreateRemoteThread
    .type qvt_SpyCreateRemoteThread, @function
qvt_SpyCreateRemoteThread:
    .byte 0x8b, 0xff, 0x55, 0x8b, 0xec
    popl %ebp
    jmp qvt_SpyCreateRemoteThreadBody
)");

namespace qv {
namespace {

using namespace sys;

uint32_t Addr(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }
template <typename F>
uint32_t AddrOf(F f) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(f));
}
const uint8_t* Ptr(uint32_t a) { return reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(a)); }

uint32_t ExportOf(const char* name) {
  return AddrOf(GetProcAddress(GetModuleHandleA("kernel32"), name));
}

// Stands in for the program's start-up routine.
__attribute__((noinline)) void RunStartup() { GuardStartup(); }

// What a started routine saw.
struct Seen {
  void* parameter = nullptr;
  uintptr_t head = 0;
  ExceptionRoutine handler = nullptr;
  uintptr_t next = 0;  // the record's Next
  uintptr_t startAddress = 0;
};
Seen g_seen;

uint32_t QV_STDCALL Observe(void* parameter) {
  g_seen.parameter = parameter;
  g_seen.head = GetChainHead();
  if (g_seen.head != kChainEnd) {
    const auto* record = reinterpret_cast<const ExceptionRegistration*>(g_seen.head);
    g_seen.handler = record->Handler;
    g_seen.next = reinterpret_cast<uintptr_t>(record->Next);
  }
  auto query = reinterpret_cast<NtQueryInformationThreadRoutine>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationThread"));
  uintptr_t start = 0;
  if (query != nullptr &&
      query(GetCurrentThread(), kThreadQuerySetWin32StartAddress, &start, sizeof start, nullptr) == 0)
    g_seen.startAddress = start;
  return 0xC0DE1234;
}

void* const kParameter = reinterpret_cast<void*>(static_cast<uintptr_t>(0x5EED0001));

// Watches the layer's real GlobalFree for the wrapper's record.
ApiHook g_freeHook;
const void* g_recordFreed = nullptr;
void* QV_STDCALL SpyGlobalFree(void* block) {
  ThreadStartRecord seen{};
  if (block != nullptr) std::memcpy(&seen, block, sizeof seen);
  if (seen.startRoutine == &Observe && seen.parameter == kParameter) g_recordFreed = block;
  return reinterpret_cast<void*>(static_cast<uintptr_t>(g_freeHook.CallThrough(block)));
}

class ThreadWrappingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GuardCreateGlobals();
    RunStartup();
    g_seen = Seen{};
  }
  void TearDown() override { GuardReleaseGlobals(); }
};

TEST_F(ThreadWrappingTest, StartupPatchesTheLayersCreateRemoteThread) {
  const uint32_t target = ExportOf("CreateRemoteThread");
  ASSERT_NE(0u, target);
  const ApiHook& hook = CreateThreadHook();
  EXPECT_EQ(target, hook.Target());
  EXPECT_EQ(5, hook.SavedLength());
  const uint8_t* code = Ptr(target);
  int32_t d;
  std::memcpy(&d, code + 1, 4);
  EXPECT_EQ(0xE9, code[0]);
  EXPECT_EQ(AddrOf(&OnCreateRemoteThread), target + 5 + static_cast<uint32_t>(d));
  const uint8_t* trampoline = Ptr(hook.GetTrampoline());
  const uint8_t saved[5] = {0x8B, 0xFF, 0x55, 0x8B, 0xEC};
  EXPECT_EQ(0, std::memcmp(saved, trampoline, 5));
  std::memcpy(&d, trampoline + 6, 4);
  EXPECT_EQ(0xE9, trampoline[5]);
  EXPECT_EQ(target + 5, Addr(trampoline) + 10 + static_cast<uint32_t>(d));
  // A second start-up keeps the one patch and its trampoline.
  const uint32_t before = hook.GetTrampoline();
  RunStartup();
  EXPECT_EQ(before, CreateThreadHook().GetTrampoline());
  EXPECT_EQ(target, CreateThreadHook().Target());
}

TEST_F(ThreadWrappingTest, WrapperCodeIsTheTableByteForByte) {
  const uint32_t entry = AddrOf(&qv_GuardCurrentThreadEntry);
  const uint32_t globalFree = ExportOf("GlobalFree");
  auto le = [](uint32_t v, int k) { return static_cast<uint8_t>(v >> (8 * k)); };
  const uint8_t expected[kThreadStartThunkSize] = {
      0x55, 0x8B, 0xEC, 0x56, 0x64, 0xFF, 0x35, 0x00, 0x00, 0x00, 0x00,
      0xFF, 0x75, 0x08, 0xB9, le(entry, 0), le(entry, 1), le(entry, 2), le(entry, 3),
      0xFF, 0xD1, 0xFF, 0x75, 0x08, 0xE8, 0x21, 0x00, 0x00, 0x00, 0x8B, 0xF0,
      0xFF, 0x75, 0x08, 0xB9, le(globalFree, 0), le(globalFree, 1), le(globalFree, 2),
      le(globalFree, 3), 0xFF, 0xD1,
      0x8B, 0x4D, 0xF8, 0x64, 0x89, 0x0D, 0x00, 0x00, 0x00, 0x00,
      0x8B, 0xC6, 0x8B, 0x75, 0xFC, 0x8B, 0xE5, 0x5D, 0xC2, 0x04, 0x00,
      0x55, 0x8B, 0xEC, 0x8B, 0x45, 0x08, 0xFF, 0x70, 0x04, 0xFF, 0x10,
      0x8B, 0xE5, 0x5D, 0xC2, 0x04, 0x00,
  };
  const uint32_t thunk = Guard()->threadStartThunk;
  ASSERT_NE(0u, thunk);
  EXPECT_FALSE(IsBadCodePtr(Ptr(thunk)));
  EXPECT_EQ(0, std::memcmp(expected, Ptr(thunk), sizeof expected));
  const auto built = ThreadStartThunkCode(entry, globalFree);
  EXPECT_EQ(0, std::memcmp(expected, built.data(), sizeof expected));
}

TEST_F(ThreadWrappingTest, WrapperKeepsTheCallersRegistersAndChainHead) {
  auto* record = static_cast<ThreadStartRecord*>(GlobalAlloc(kGmemFixed, sizeof(ThreadStartRecord)));
  ASSERT_NE(nullptr, record);
  record->startRoutine = &Observe;
  record->parameter = kParameter;
  const uintptr_t head = GetChainHead();
  uint32_t kept = 0;
  EXPECT_EQ(0xC0DE1234u, qvt_CallKeeping(Guard()->threadStartThunk, Addr(record), &kept));
  EXPECT_EQ(1u, kept);
  // The guard's record was in force while the routine ran, in the
  // wrapper's frame, and is gone once the wrapper has returned.
  EXPECT_EQ(kParameter, g_seen.parameter);
  EXPECT_EQ(&ReportAndTerminate, g_seen.handler);
  EXPECT_NE(head, g_seen.head);
  EXPECT_EQ(head, g_seen.next);
  EXPECT_EQ(head, GetChainHead());
}

TEST_F(ThreadWrappingTest, OwnProcessThreadStartsAtTheWrapperAndEndsWithTheRoutinesResult) {
  ASSERT_TRUE(g_freeHook.HookExport("kernel32", "GlobalFree", AddrOf(&SpyGlobalFree)));
  g_recordFreed = nullptr;
  // The caller's floating-point control word (round toward zero) survives.
  const uint16_t mine = 0x0E7F;
  __asm__ volatile("fldcw %0" : : "m"(mine));
  uint32_t id = 0;
  Handle h = CreateThread(nullptr, 0, &Observe, kParameter, 0, &id);
  uint16_t after = 0;
  __asm__ volatile("fnstcw %0" : "=m"(after));
  const uint16_t standard = 0x037F;
  __asm__ volatile("fldcw %0" : : "m"(standard));
  EXPECT_EQ(mine, after);
  ASSERT_NE(nullptr, h);
  EXPECT_NE(0u, id);
  ASSERT_EQ(kWaitObject0, WaitForSingleObject(h, kInfinite));
  uint32_t code = 0;
  EXPECT_TRUE(GetExitCodeThread(h, &code));
  CloseHandle(h);
  g_freeHook.Unhook();
  EXPECT_EQ(0xC0DE1234u, code);
  EXPECT_EQ(kParameter, g_seen.parameter);
  EXPECT_EQ(Guard()->threadStartThunk, g_seen.startAddress);
  EXPECT_EQ(&ReportAndTerminate, g_seen.handler);
  EXPECT_NE(nullptr, g_recordFreed);
}

TEST_F(ThreadWrappingTest, WithoutTheWrapperRequestsGoOnUnchanged) {
  // No wrapper (it could not be built): threads run as asked.
  GuardReleaseGlobals();
  GuardCreateGlobals();
  Guard()->threadStartThunk = 0;
  Handle h = CreateThread(nullptr, 0, &Observe, kParameter, 0, nullptr);
  ASSERT_NE(nullptr, h);
  WaitForSingleObject(h, kInfinite);
  uint32_t code = 0;
  GetExitCodeThread(h, &code);
  CloseHandle(h);
  EXPECT_EQ(0xC0DE1234u, code);
  EXPECT_EQ(kParameter, g_seen.parameter);
  EXPECT_EQ(kChainEnd, g_seen.head);
  EXPECT_EQ(AddrOf(&Observe), g_seen.startAddress);
  // A null start is the system's to answer.
  EXPECT_EQ(nullptr, CreateThread(nullptr, 0, nullptr, kParameter, 0, nullptr));
}

// ---- the request as the hooked code receives it ----

struct Request {
  Handle process;
  void* attributes;
  size_t stackSize;
  ThreadRoutine start;
  void* parameter;
  uint32_t flags;
  uint32_t* threadId;
};
Request g_request;
ApiHook g_layerHook;  // the start-up patch on the layer, set aside meanwhile
Handle const kOwnProcessHandle = reinterpret_cast<Handle>(static_cast<uintptr_t>(0x1C));

}  // namespace
}  // namespace qv

extern "C" qv::sys::Handle QV_STDCALL qvt_SpyCreateRemoteThreadBody(
    qv::sys::Handle process, void* attributes, size_t stackSize, qv::sys::ThreadRoutine start,
    void* parameter, uint32_t flags, uint32_t* threadId) {
  using namespace qv;
  g_request = Request{process, attributes, stackSize, start, parameter, flags, threadId};
  // A real handle to the own process: the layer knows only the pseudo-handle.
  if (process == kOwnProcessHandle) process = sys::kCurrentProcessPseudo;
  if (process != sys::kCurrentProcessPseudo) return nullptr;
  return reinterpret_cast<sys::Handle>(static_cast<uintptr_t>(g_layerHook.CallThrough(
      process, nullptr, stackSize, start, parameter, flags, threadId)));
}

namespace qv {
namespace {

TEST_F(ThreadWrappingTest, OnlyThePseudoHandleIsRewritten) {
  g_layerHook = CreateThreadHook().Copy();
  CreateThreadHook() = ApiHook();
  ASSERT_TRUE(CreateThreadHook().HookAddress(AddrOf(&qvt_SpyCreateRemoteThread),
                                             AddrOf(&OnCreateRemoteThread)));
  void* const attributes = reinterpret_cast<void*>(static_cast<uintptr_t>(0xA77A));
  uint32_t id = 0;

  // Another process: everything as asked, and the answer unchanged.
  Handle other = reinterpret_cast<Handle>(static_cast<uintptr_t>(0x2A8));
  EXPECT_EQ(nullptr, qvt_SpyCreateRemoteThread(other, attributes, 0x3000, &Observe, kParameter, 4, &id));
  EXPECT_EQ(other, g_request.process);
  EXPECT_EQ(attributes, g_request.attributes);
  EXPECT_EQ(0x3000u, g_request.stackSize);
  EXPECT_EQ(&Observe, g_request.start);
  EXPECT_EQ(kParameter, g_request.parameter);
  EXPECT_EQ(4u, g_request.flags);
  EXPECT_EQ(&id, g_request.threadId);

  // A real handle to the own process: unchanged too, and its thread runs
  // without the guard.
  Handle h = qvt_SpyCreateRemoteThread(kOwnProcessHandle, attributes, 0x3000, &Observe,
                                       kParameter, 0, &id);
  EXPECT_EQ(kOwnProcessHandle, g_request.process);
  EXPECT_EQ(&Observe, g_request.start);
  EXPECT_EQ(kParameter, g_request.parameter);
  ASSERT_NE(nullptr, h);
  WaitForSingleObject(h, kInfinite);
  CloseHandle(h);
  EXPECT_EQ(kChainEnd, g_seen.head);
  EXPECT_EQ(kParameter, g_seen.parameter);

  // The pseudo-handle: the wrapper with a record of the caller's request.
  g_seen = Seen{};
  h = qvt_SpyCreateRemoteThread(kCurrentProcessPseudo, attributes, 0x3000, &Observe, kParameter,
                                0, &id);
  EXPECT_EQ(kCurrentProcessPseudo, g_request.process);
  EXPECT_EQ(attributes, g_request.attributes);
  EXPECT_EQ(0x3000u, g_request.stackSize);
  EXPECT_EQ(Guard()->threadStartThunk, AddrOf(g_request.start));
  ASSERT_NE(kParameter, g_request.parameter);
  ASSERT_NE(nullptr, h);
  WaitForSingleObject(h, kInfinite);
  CloseHandle(h);
  EXPECT_EQ(kParameter, g_seen.parameter);
  EXPECT_EQ(&ReportAndTerminate, g_seen.handler);

  CreateThreadHook().Unhook();
  const uint8_t start[5] = {0x8B, 0xFF, 0x55, 0x8B, 0xEC};
  EXPECT_EQ(0, std::memcmp(start, reinterpret_cast<const void*>(&qvt_SpyCreateRemoteThread), 5));
  CreateThreadHook() = g_layerHook;
}

// ---- faults in wrapped threads, in child processes ----

using ThreadWrappingDeathTest = ThreadWrappingTest;

void NullRead() {
  volatile int* volatile p = nullptr;
  (void)*p;
}

uint32_t QV_STDCALL FaultingStart(void*) {
  NullRead();
  return 3;
}

uint32_t g_mainThread = 0;

// Runs on the faulting thread: names it and the start of its report.
void SayWhoReports() {
  GuardLockHold hold(Guard()->threadTableLock);
  const int32_t p = FindThreadRecord(GetCurrentThreadId());
  std::string description = p != 0 ? ThreadAt(p).GetDescription() : "";
  description = description.substr(0, description.find('\r'));
  std::fprintf(stderr, "reported on %s thread: %s\n",
               GetCurrentThreadId() == g_mainThread ? "the main" : "another", description.c_str());
}

void StartFaultingThreadAndWait() {
  g_mainThread = GetCurrentThreadId();
  Handle h = CreateThread(nullptr, 0, &FaultingStart, nullptr, 0, nullptr);
  WaitForSingleObject(h, kInfinite);
  uint32_t code = 1;
  GetExitCodeThread(h, &code);
  std::fprintf(stderr, "the process went on; the thread ended with %u\n", code);
  ExitProcess(7);
}

TEST_F(ThreadWrappingDeathTest, FaultInAWrappedThreadIsReportedAndEndsTheProcess) {
  auto run = [] {
    std::string cls;
    ConfigureGuard(&SayWhoReports, 0, 0, std::nullopt, &cls, std::nullopt, std::nullopt,
                   std::nullopt, 0);
    StartFaultingThreadAndWait();
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(0), "^reported on another thread: 警告:程序发生错误\n$");
}

TEST_F(ThreadWrappingDeathTest, WithEndThreadOnlyTheWrappedThreadEndsAlone) {
  auto run = [] {
    std::string cls;
    ConfigureGuard(&SayWhoReports, 0, 1, std::nullopt, &cls, std::nullopt, std::nullopt,
                   std::nullopt, 0);
    StartFaultingThreadAndWait();
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(7),
              "^reported on another thread: 警告:程序发生错误\n"
              "the process went on; the thread ended with 0\n$");
}

// ---- several wrapped threads at once, and a named call chain ----

constexpr int kFaulters = 4;
std::atomic<int> g_ready{0};
std::atomic<int> g_inCallback{0};
std::mutex g_reportsLock;
std::vector<std::string> g_reports;

uint32_t QV_STDCALL FaultAtOwnAddress(void* parameter) {
  ++g_ready;
  while (g_ready.load() < kFaulters) sched_yield();
  volatile int* volatile p = static_cast<int*>(parameter);
  (void)*p;
  return 3;
}

// Keeps the report of the faulting thread it runs on; with `holdUntilAll`
// it lets no report end the process before every thread has made its own.
void KeepReport(bool holdUntilAll) {
  std::string description;
  {
    GuardLockHold hold(Guard()->threadTableLock);
    const int32_t p = FindThreadRecord(GetCurrentThreadId());
    if (p != 0) description = ThreadAt(p).GetDescription();
  }
  {
    std::lock_guard<std::mutex> g(g_reportsLock);
    g_reports.push_back(description);
  }
  const std::string key = "目标地址:";
  const size_t at = description.find(key);
  std::fprintf(stderr, "report %s\n",
               at == std::string::npos ? "none" : description.substr(at + key.size(), 8).c_str());
  ++g_inCallback;
  if (holdUntilAll)
    for (int i = 0; i < 2000000 && g_inCallback.load() < kFaulters; ++i) sched_yield();
}

void StartFaulters() {
  Handle threads[kFaulters];
  for (int k = 0; k < kFaulters; ++k)
    threads[k] = CreateThread(nullptr, 0, &FaultAtOwnAddress,
                              reinterpret_cast<void*>(static_cast<uintptr_t>(0x100 * (k + 1))), 0,
                              nullptr);
  for (Handle h : threads) WaitForSingleObject(h, kInfinite);
}

TEST_F(ThreadWrappingDeathTest, ThreadsFaultingAtOnceEachGetTheirOwnReport) {
  auto run = [] {
    std::string cls;
    ConfigureGuard([] { KeepReport(false); }, 0, 1, std::nullopt, &cls, std::nullopt,
                   std::nullopt, std::nullopt, 0);
    StartFaulters();
    std::vector<std::string> sorted = g_reports;
    std::sort(sorted.begin(), sorted.end());
    bool own = sorted.size() == kFaulters;
    for (int k = 0; own && k < kFaulters; ++k)
      own = sorted[static_cast<size_t>(k)].find("目标地址:" + FormatHex8(0x100 * (k + 1))) !=
            std::string::npos;
    std::fprintf(stderr, "%zu reports, each its own thread's: %s\n", g_reports.size(),
                 own ? "yes" : "no");
    ExitProcess(7);
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(7), "4 reports, each its own thread's: yes\n$");
}

TEST_F(ThreadWrappingDeathTest, ThreadsFaultingAtOnceEndTheProcessOnceWithZero) {
  auto run = [] {
    std::string cls;
    ConfigureGuard([] { KeepReport(true); }, 0, 0, std::nullopt, &cls, std::nullopt,
                   std::nullopt, std::nullopt, 0);
    StartFaulters();
    std::fprintf(stderr, "the main thread went on\n");
    ExitProcess(7);
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(0),
              "^(report 00000[1-4]00\n){4}$");
}

__attribute__((noinline)) void Inner() {
  RegisterRoutineName("Vastel.Inner", 0);
  volatile int* volatile p = nullptr;
  (void)*p;
}
__attribute__((noinline)) void Middle() {
  RegisterRoutineName("Vastel.Middle", 0);
  Inner();
  __asm__ volatile("" ::: "memory");  // keeps the call a call
}
__attribute__((noinline)) void Outer() {
  RegisterRoutineName("Vastel.Outer", 0);
  Middle();
  __asm__ volatile("" ::: "memory");
}
uint32_t QV_STDCALL StartChain(void*) {
  Outer();
  return 0;
}

// The call stack's last three lines, one space deeper each, name the chain
// (the start routine's own line goes to the nearest registered routine).
void CheckNamedChain() {
  std::string stack;
  {
    GuardLockHold hold(Guard()->threadTableLock);
    const int32_t p = FindThreadRecord(GetCurrentThreadId());
    if (p != 0) stack = ThreadAt(p).GetCallStack();
  }
  std::vector<std::string> lines;
  for (size_t at = 0, end; (end = stack.find("\r\n", at)) != std::string::npos; at = end + 2)
    lines.push_back(stack.substr(at, end - at));
  const char* names[3] = {"Vastel.Outer", "Vastel.Middle", "Vastel.Inner"};
  bool named = lines.size() >= 3;
  for (size_t i = 0; named && i < 3; ++i) {
    const std::string& line = lines[lines.size() - 3 + i];
    const size_t pad = lines.size() - 3 + i;
    named = line.size() > pad && line.find_first_not_of(' ') == pad &&
            line.compare(pad, std::strlen(names[i]) + 3, std::string(names[i]) + "+0x") == 0 &&
            line.find('=') != std::string::npos;
  }
  std::fprintf(stderr, "chain named: %s\n", named ? "yes" : "no");
  if (!named) std::fprintf(stderr, "%s", stack.c_str());
}

TEST_F(ThreadWrappingDeathTest, CallStackOfAWrappedThreadNamesItsRegisteredRoutines) {
  auto run = [] {
    std::string cls;
    ConfigureGuard(&CheckNamedChain, 0, 0, std::nullopt, &cls, std::nullopt, std::nullopt,
                   std::nullopt, 0);
    Handle h = CreateThread(nullptr, 0, &StartChain, nullptr, 0, nullptr);
    WaitForSingleObject(h, kInfinite);
    ExitProcess(7);
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(0), "^chain named: yes\n$");
}

}  // namespace
}  // namespace qv
