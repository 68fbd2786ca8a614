// The guard on the x86-32 layer with real faults: guarded blocks, the two
// handlers, start-up's record, run-time errors and name registration.
#include <gtest/gtest.h>

#include <sched.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "crashguard/exception_capture.h"
#include "crashguard/guard_api.h"
#include "crashguard/guard_block.h"
#include "crashguard/guard_globals.h"
#include "crashguard/guard_machine.h"
#include "crashguard/name_registry.h"
#include "crashguard/report.h"
#include "crashguard/run_time_error.h"
#include "guard_fixture.h"
#include "platform/guard_system.h"
#include "platform/x86layer/layer.h"

extern "C" {
// Two nested blocks in one routine, both caught by __catch_all. mode 1
// faults in the outer part, 2 in the inner one, 0 not at all. Returns 1
// when the outer handling code ran, 2 for the inner one, 0 for none; the
// inner handling code falls through into the outer block's rest.
int qvt_nested(int mode, void (*fault)());
}

__asm__(R"(
    .text
    .globl qvt_nested
    .type qvt_nested, @function
qvt_nested:
    .byte 0x55, 0x8b, 0xec
    pushl %ebx
    pushl %esi
    pushl %edi
    pushl $0
    subl $8, %esp
    call qv_TryBegin
    cmpl $1, 8(%ebp)
    jne 1f
    call *12(%ebp)
1:
    call qv_TryBegin
    cmpl $2, 8(%ebp)
    jne 2f
    call *12(%ebp)
2:
    pushl $0
    pushl $0
    call qv___catch_all
    addl $8, %esp
    subl $8, %esp
    movl $2, -16(%ebp)
    call qv_TryEnd
    pushl $0
    pushl $0
    call qv___catch_all
    addl $8, %esp
    subl $8, %esp
    cmpl $0, -16(%ebp)
    jne 3f
    movl $1, -16(%ebp)
3:
    call qv_TryEnd
    movl -16(%ebp), %eax
    leal -12(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");

extern "C" {
// Behaves as the thread wrapper does around a start routine: a frame, the
// guard's entry called through ecx with one argument, then the routine
// (cdecl, no arguments) and its result; the record the entry linked lives
// in this frame and is unlinked before returning.
uint32_t __attribute__((stdcall)) qvt_wrapper(uint32_t (*routine)(), void* entry);
}

__asm__(R"(
    .text
    .globl qvt_wrapper
    .type qvt_wrapper, @function
qvt_wrapper:
    .byte 0x55, 0x8b, 0xec
    pushl %ebx
    pushl %esi
    pushl %edi
    movl %fs:0, %ebx
    movl $0x1111, %esi
    movl $0x2222, %edi
    pushl 8(%ebp)
    movl 12(%ebp), %ecx
    call *%ecx
    cmpl $0x1111, %esi
    jne 9f
    cmpl $0x2222, %edi
    jne 9f
    call *8(%ebp)
    movl %ebx, %fs:0
    leal -12(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret $8
9:
    ud2
)");

namespace qv {
namespace {

using namespace sys;

class GuardMachineTest : public testing::GuardGlobalsTest {
 protected:
  void SetUp() override {
    GuardGlobalsTest::SetUp();
    uint32_t routines[5];
    GuardApiRoutineAddresses(routines);
    g().apiRoutines.assign(routines, routines + 5);
    g().config.includeCallStack = 1;
    headBefore_ = GetChainHead();
  }
  void TearDown() override {
    EXPECT_EQ(headBefore_, GetChainHead());
    SetChainHead(headBefore_);
    GuardGlobalsTest::TearDown();
  }
  size_t OpenBlocks() {
    GuardLockHold hold(g().threadTableLock);
    const int32_t p = FindThreadRecord(GetCurrentThreadId());
    return p == 0 ? 0 : ThreadAt(p).Blocks().size();
  }
  ThreadRecord* Mine() {
    GuardLockHold hold(g().threadTableLock);
    const int32_t p = FindThreadRecord(GetCurrentThreadId());
    return p == 0 ? nullptr : &ThreadAt(p);
  }
  uintptr_t headBefore_ = 0;
};

void NullRead() {
  volatile int* volatile p = nullptr;
  (void)*p;
}

TEST_F(GuardMachineTest, TryBeginLinksOneRecordAndOpensOneBlockUntilTryEnd) {
  uintptr_t inside = 0;
  ExceptionRegistration seen{};
  size_t blocksInside = 0;
  bool handled = RunGuarded(
      [&] {
        inside = GetChainHead();
        seen = *reinterpret_cast<ExceptionRegistration*>(inside);
        blocksInside = OpenBlocks();
      },
      [&](uint32_t) {});
  EXPECT_FALSE(handled);
  EXPECT_NE(headBefore_, inside);
  EXPECT_EQ(headBefore_, reinterpret_cast<uintptr_t>(seen.Next));
  EXPECT_EQ(&GuardedBlockHandler, seen.Handler);
  EXPECT_EQ(1u, blocksInside);
  EXPECT_EQ(0u, OpenBlocks());
  EXPECT_EQ(headBefore_, GetChainHead());
  // Reached by normal flow, the catch routine registered its own name.
  bool named = false;
  for (const NameEntry& e : g().nameRegistry)
    if (e.name == "Vastel.__catch_all")
      named = e.codeAddress == static_cast<int32_t>(reinterpret_cast<uintptr_t>(&qv___catch_all));
  EXPECT_TRUE(named);
}

TEST_F(GuardMachineTest, FaultInABlockResumesInItsHandlerWithTheFrameRestored) {
  int local = 1;
  // Volatile: the store after the fault must not be moved before it.
  volatile int reachedAfterFault = 0;
  uint32_t value = 99;
  const std::string keep = "still here";
  bool handled = RunGuarded(
      [&] {
        local = 2;
        NullRead();
        reachedAfterFault = 1;
      },
      [&](uint32_t v) {
        value = v;
        // The block is still open while its handling code runs.
        EXPECT_EQ(1u, OpenBlocks());
      });
  EXPECT_TRUE(handled);
  EXPECT_EQ(0, reachedAfterFault);
  EXPECT_EQ(2, local);
  EXPECT_EQ(0u, value);  // __catch_all of a processor fault
  EXPECT_EQ("still here", keep);
  EXPECT_EQ(0u, OpenBlocks());
  // The fault's texts were kept on the thread's record.
  ThreadRecord* r = Mine();
  ASSERT_NE(nullptr, r);
  EXPECT_EQ(0u, r->GetDescription().rfind("警告:程序发生错误\r\n", 0));
  EXPECT_NE(std::string::npos, r->GetDescription().find("错误信息:内存读取异常"));
  EXPECT_FALSE(r->GetCallStack().empty());
  // Blocks work again afterwards.
  EXPECT_TRUE(RunGuarded([] { NullRead(); }, [](uint32_t) {}));
}

struct GuardFaultCase {
  const char* name;
  CatchKind kind;
  uint32_t wanted;
};

TEST_F(GuardMachineTest, GuardFaultsReachTheCatchTheyAskFor) {
  static const char kText[] = "text value";
  const uint32_t textValue = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(kText));
  const GuardFaultCase cases[] = {
      {"status", CatchKind::Status, kGuardFaultForStatus},
      {"text", CatchKind::Text, kGuardFaultForText},
      {"unknown kind goes to catch-all", CatchKind::All, 3},
      {"status wanted, only catch-all there", CatchKind::All, kGuardFaultForStatus},
  };
  for (const GuardFaultCase& c : cases) {
    SCOPED_TRACE(c.name);
    uint32_t got = 0;
    const uint32_t sent = c.kind == CatchKind::Text ? textValue : 0x1234;
    EXPECT_TRUE(RunGuarded(c.kind, [&] { RaiseGuardFault(sent, c.wanted); },
                           [&](uint32_t v) { got = v; }));
    EXPECT_EQ(sent, got);
    EXPECT_EQ(0u, OpenBlocks());
  }
}

std::atomic<int> g_caught{0};
uint32_t QV_STDCALL FaultRepeatedly(void*) {
  for (int i = 0; i < 25; ++i) {
    int mark = i;
    if (RunGuarded([&] { NullRead(); }, [&](uint32_t) { mark = -1; }) && mark == -1) ++g_caught;
  }
  return 0;
}

TEST_F(GuardMachineTest, ThreadsFaultingAtOnceEachResumeInTheirOwnBlocks) {
  g_caught = 0;
  Handle threads[4];
  for (Handle& h : threads) h = CreateThread(nullptr, 0, &FaultRepeatedly, nullptr, 0, nullptr);
  for (Handle h : threads) {
    WaitForSingleObject(h, kInfinite);
    CloseHandle(h);
  }
  EXPECT_EQ(100, g_caught.load());
  GuardLockHold hold(g().threadTableLock);
  for (auto& r : g().threadTable) EXPECT_TRUE(r->Blocks().empty());
}

TEST_F(GuardMachineTest, CompilerThrowsAreCaughtUnlessPassedOn) {
  const uintptr_t args[3] = {0x19930520, 0, 0};
  g().config.passCompilerThrows = 0;
  EXPECT_TRUE(RunGuarded([&] { RaiseException(0xE06D7363, 0, 3, args); }, [](uint32_t) {}));
  EXPECT_NE(std::string::npos, Mine()->GetDescription().find("Virtual C++ throw()"));

  g().config.passCompilerThrows = 1;
  ExceptionRecord record{};
  record.ExceptionCode = 0xE06D7363;
  Context context{};
  EXPECT_EQ(kExceptionContinueSearch, GuardedBlockHandler(&record, nullptr, &context, nullptr));
  g().guardConfigured = 1;
  EXPECT_EQ(kExceptionContinueSearch, ReportAndTerminate(&record, nullptr, &context, nullptr));
}

TEST_F(GuardMachineTest, NestedBlocksWithTheSameCatchResumeAtTheirOwnSite) {
  EXPECT_EQ(0, qvt_nested(0, &NullRead));
  EXPECT_EQ(0u, OpenBlocks());
  EXPECT_EQ(1, qvt_nested(1, &NullRead));
  EXPECT_EQ(0u, OpenBlocks());
  EXPECT_EQ(2, qvt_nested(2, &NullRead));
  EXPECT_EQ(0u, OpenBlocks());
}

TEST_F(GuardMachineTest, UnwindingCallsArePassedOnAndChangeNothing) {
  for (uint32_t flags : {kExceptionUnwinding, kExceptionExitUnwind,
                         kExceptionUnwinding | kExceptionNoncontinuable}) {
    ExceptionRecord record{};
    record.ExceptionCode = sys::kStatusAccessViolation;
    record.ExceptionFlags = flags;
    Context context;
    std::memset(&context, 0x5A, sizeof context);
    Context before = context;
    g().guardConfigured = 1;
    EXPECT_EQ(kExceptionContinueSearch, GuardedBlockHandler(&record, nullptr, &context, nullptr));
    EXPECT_EQ(kExceptionContinueSearch, ReportAndTerminate(&record, nullptr, &context, nullptr));
    EXPECT_EQ(kExceptionContinueSearch, FatalReportFailure(&record, nullptr, &context, nullptr));
    EXPECT_EQ(0, std::memcmp(&before, &context, sizeof context));
    EXPECT_TRUE(g().threadTable.empty());
  }
}

TEST_F(GuardMachineTest, BeforeConfigurationTheTopLevelHandlerStoresNothing) {
  ExceptionRecord record{};
  record.ExceptionCode = sys::kStatusAccessViolation;
  Context context{};
  context.Eip = 0x1234;
  EXPECT_EQ(kExceptionContinueSearch, ReportAndTerminate(&record, nullptr, &context, nullptr));
  EXPECT_TRUE(g().threadTable.empty());
  // A block handler on a thread without a record passes it on too.
  EXPECT_EQ(kExceptionContinueSearch, GuardedBlockHandler(&record, nullptr, &context, nullptr));
  EXPECT_EQ(0x1234u, context.Eip);
}

TEST_F(GuardMachineTest, WalkStartsAtLastFrameWhenEbpIsUnreadable) {
  {
    GuardLockHold hold(g().threadTableLock);
    ThreadAt(CurrentThreadIndex()).SetLastFrame(0x00ABC000);
  }
  ContextCopy context;
  context.Set(ContextCopy::kEipOffset, 0x401000);
  uint32_t frame = 1, first = 0;
  WalkStart(context, &frame, &first);  // Ebp 0
  EXPECT_EQ(0x00ABC000u, frame);
  EXPECT_EQ(0x401000u, first);
  int local = 0;
  const uint32_t readable = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&local));
  context.Set(ContextCopy::kEbpOffset, readable);
  WalkStart(context, &frame, &first);
  EXPECT_EQ(readable, frame);
}

TEST_F(GuardMachineTest, FindCatchWritesExactlyTheFourRegisters) {
  // A block whose code calls the (fake) catch-all routine 0x40 bytes on.
  std::vector<uint8_t> code(0x100, 0x90);
  const uint32_t at = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(code.data()));
  const uint32_t catchAll = 0x12340000;
  g().apiRoutines = {0x12300000, 0x12310000, 0x12320000, catchAll, 0x12350000};
  const uint32_t rel = catchAll - (at + 0x40 + 5);
  code[0x40] = 0xE8;
  std::memcpy(&code[0x41], &rel, 4);

  ThreadRecord r;
  r.PushBlock(0x7000, 0x7100, at);
  CapturedFault fault;
  fault.ExceptionCode = kRaiseGuardFaultCode;
  fault.NumberParameters = 2;
  fault.ExceptionInformation[0] = 0xBEEF;
  fault.ExceptionInformation[1] = 7;  // no such catch: catch-all
  ContextCopy context;
  for (uint32_t i = 0; i < ContextCopy::kSize; ++i) context.bytes[i] = static_cast<uint8_t>(i * 7);
  ContextCopy before = context;
  ASSERT_EQ(0, r.FindCatch(fault, context));
  EXPECT_EQ(at + 0x45, context.Eip());
  EXPECT_EQ(0x7000u - 8, context.Esp());
  EXPECT_EQ(0x7100u, context.Ebp());
  EXPECT_EQ(0xBEEFu, context.Eax());
  for (uint32_t off : {ContextCopy::kEipOffset, ContextCopy::kEspOffset, ContextCopy::kEbpOffset,
                       ContextCopy::kEaxOffset})
    for (uint32_t k = 0; k < 4; ++k) context.bytes[off + k] = before.bytes[off + k];
  EXPECT_EQ(0, std::memcmp(before.bytes, context.bytes, ContextCopy::kSize));
  EXPECT_EQ(1, r.Blocks().back().catchKind);

  // A guard fault with another parameter count is an ordinary fault.
  fault.NumberParameters = 3;
  ASSERT_EQ(0, r.FindCatch(fault, context));
  EXPECT_EQ(0, r.Blocks().back().catchKind);
  // Out of the scan's reach: not handled, nothing written.
  g().catchScanLimit = 0x3F;
  ContextCopy untouched = context;
  EXPECT_EQ(1, r.FindCatch(fault, context));
  EXPECT_EQ(0, std::memcmp(untouched.bytes, context.bytes, ContextCopy::kSize));
}

__attribute__((noinline)) void Registrar(const char* name) { RegisterRoutineName(name, 0); }

TEST_F(GuardMachineTest, RegisteringARoutineTwiceKeepsOneEntryWithTheSecondName) {
  Registrar("first");
  Registrar("second");
  ASSERT_EQ(1u, g().nameRegistry.size());
  EXPECT_EQ(static_cast<int32_t>(reinterpret_cast<uintptr_t>(&Registrar)),
            g().nameRegistry[0].codeAddress);
  EXPECT_EQ("second", g().nameRegistry[0].name);
  // The registering routine's frame became the thread's lastFrame.
  EXPECT_NE(0u, GetCurrentLastFrame());
}

// ---- start-up and the top-level handler, in child processes ----

class GuardProcessTest : public ::testing::Test {
 protected:
  void SetUp() override { GuardCreateGlobals(); }
  void TearDown() override { GuardReleaseGlobals(); }
};

uintptr_t g_headInStartup = 0;
ExceptionRoutine g_handlerInStartup = nullptr;

__attribute__((noinline)) int Sum(int a, int b, int c) { return a + b + c; }

// Stands in for the program's start-up routine.
__attribute__((noinline)) int StartupRoutine(int fault, void (*afterStartup)() = nullptr) {
  QV_GUARD_STARTUP_FRAME();
  int values[4] = {1, 2, 3, 4};
  GuardStartup();
  if (afterStartup != nullptr) afterStartup();
  g_headInStartup = GetChainHead();
  g_handlerInStartup = reinterpret_cast<ExceptionRegistration*>(g_headInStartup)->Handler;
  if (fault != 0) NullRead();
  return Sum(values[0], values[1], values[2]) + values[3];
}

TEST_F(GuardProcessTest, StartupCoversTheRestOfItsCallerAndLeavesWithIt) {
  const uintptr_t before = GetChainHead();
  EXPECT_EQ(10, StartupRoutine(0));
  EXPECT_EQ(&ReportAndTerminate, g_handlerInStartup);
  EXPECT_NE(before, g_headInStartup);
  EXPECT_EQ(before, GetChainHead());
  GuardGlobals* g = Guard();
  ASSERT_NE(nullptr, g->frameUnlinkStub);
  EXPECT_EQ(0, std::memcmp(kFrameUnlinkStubCode, g->frameUnlinkStub, 11));
  EXPECT_FALSE(IsBadCodePtr(g->frameUnlinkStub));
  ASSERT_EQ(1u, g->nameRegistry.size());
  EXPECT_EQ(static_cast<int32_t>(reinterpret_cast<uintptr_t>(&GuardStartup)),
            g->nameRegistry[0].codeAddress);
  EXPECT_EQ("Vastel._启动子程序", g->nameRegistry[0].name);
  EXPECT_EQ(20480, g->catchScanLimit);
  EXPECT_EQ(4096, g->config.prologueScanLimit);
  EXPECT_EQ(kDefaultOwnerWindowClass, g->config.ownerWindowClass.Get());
  EXPECT_EQ(0, g->guardConfigured);
  EXPECT_TRUE(g->threadTableLock.IsCreated());
  EXPECT_TRUE(g->nameRegistryLock.IsCreated());
}

}  // namespace
namespace testing {
int StartupStoringArguments(ExceptionRegistration* seen);
}
namespace {

TEST_F(GuardProcessTest, RecordSurvivesAStartupRoutineThatStoresItsArguments) {
  const uintptr_t before = GetChainHead();
  ExceptionRegistration seen{};
  EXPECT_EQ(78, testing::StartupStoringArguments(&seen));
  EXPECT_EQ(&ReportAndTerminate, seen.Handler);
  EXPECT_EQ(before, reinterpret_cast<uintptr_t>(seen.Next));
  EXPECT_EQ(before, GetChainHead());
}

uintptr_t g_headInRoutine = 0;
ExceptionRegistration g_recordInRoutine{};
uint32_t RoutineUnderWrapper() {
  g_headInRoutine = GetChainHead();
  g_recordInRoutine = *reinterpret_cast<const ExceptionRegistration*>(g_headInRoutine);
  return 42;
}

TEST_F(GuardProcessTest, WrapperEntryLinksTheTopLevelRecordInItsCallersFrame) {
  const uintptr_t before = GetChainHead();
  EXPECT_EQ(42u, qvt_wrapper(&RoutineUnderWrapper, reinterpret_cast<void*>(&qv_GuardCurrentThreadEntry)));
  ASSERT_NE(before, g_headInRoutine);
  EXPECT_EQ(&ReportAndTerminate, g_recordInRoutine.Handler);
  EXPECT_EQ(before, reinterpret_cast<uintptr_t>(g_recordInRoutine.Next));
  EXPECT_EQ(before, GetChainHead());
}

using GuardProcessDeathTest = GuardProcessTest;

void SayCallback() { std::fprintf(stderr, "report callback ran\n"); }
std::atomic<bool> g_reported{false};
void FaultingCallback() { NullRead(); }

TEST_F(GuardProcessDeathTest, FaultBeforeConfigurationGoesOnToTheSystem) {
  EXPECT_DEATH(StartupRoutine(1), "unhandled exception 0xC0000005");
}

TEST_F(GuardProcessDeathTest, ConfiguredFaultIsReportedAndEndsTheProcessWithZero) {
  auto run = [] {
    StartupRoutine(1, [] {
      std::string cls;
      ConfigureGuard(&SayCallback, 1, 0, std::nullopt, &cls, std::nullopt, std::nullopt,
                     std::nullopt, 0);
    });
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(0),
              "report callback ran\n\\[MessageBoxA\\] 程序异常：\\|警告:程序发生错误");
}

TEST_F(GuardProcessDeathTest, ShellsQuietConfigurationEndsSilently) {
  auto run = [] {
    StartupRoutine(1, [] {
      std::string cls;
      ConfigureGuard(&SayCallback, 0, 0, std::nullopt, &cls, std::nullopt, std::nullopt,
                     std::nullopt, 0);
    });
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(0), "^report callback ran\n$");
}

TEST_F(GuardProcessDeathTest, FaultInsideTheHandlerEndsInTheFailureMessageOnly) {
  auto run = [] {
    StartupRoutine(1, [] {
      std::string cls;
      ConfigureGuard(&FaultingCallback, 1, 0, std::nullopt, &cls, std::nullopt, std::nullopt,
                     std::nullopt, 0);
    });
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(0),
              "^\\[MessageBoxA\\] \\|程序发生严重错误，无法获取异常信息，程序准备关闭\n$");
}

TEST_F(GuardProcessDeathTest, FaultInAThreadWithEndThreadOnlyEndsOnlyThatThread) {
  auto run = [] {
    std::string cls;
    ConfigureGuard(&SayCallback, 0, 1, std::nullopt, &cls, std::nullopt, std::nullopt,
                   std::nullopt, 0);
    // A thread that links the top-level record itself, then faults.
    struct Local {
      static uint32_t QV_STDCALL Start(void*) {
        ExceptionRegistration record{reinterpret_cast<ExceptionRegistration*>(GetChainHead()),
                                     &ReportAndTerminate};
        SetChainHead(reinterpret_cast<uintptr_t>(&record));
        NullRead();
        return 5;
      }
    };
    Handle h = CreateThread(nullptr, 0, &Local::Start, nullptr, 0, nullptr);
    WaitForSingleObject(h, kInfinite);
    uint32_t code = 1;
    GetExitCodeThread(h, &code);
    std::fprintf(stderr, "thread ended with %u\n", code);
    ExitProcess(7);
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(7), "report callback ran\nthread ended with 0\n");
}

TEST_F(GuardProcessDeathTest, EndThreadOnlyOnTheMainThreadEndsTheProcess) {
  auto run = [] {
    StartupRoutine(1, [] {
      std::string cls;
      ConfigureGuard(&SayCallback, 0, 1, std::nullopt, &cls, std::nullopt, std::nullopt,
                     std::nullopt, 0);
    });
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(0), "^report callback ran\n$");
}

TEST_F(GuardProcessDeathTest, WithoutTheThreadQueryEvenTheMainThreadEndsAlone) {
  // The main thread ends by itself; a second thread then ends the process
  // with its own code, which only happens when the process outlived the
  // main thread.
  auto run = [] {
    struct Local {
      static uint32_t QV_STDCALL Later(void*) {
        while (!g_reported) sched_yield();
        for (int i = 0; i < 100; ++i) sched_yield();
        ExitProcess(9);
      }
      static void Callback() {
        SayCallback();
        g_reported = true;
      }
    };
    x86layer::SetExportPresent("ntdll.dll", "NtQueryInformationThread", false);
    CloseHandle(CreateThread(nullptr, 0, &Local::Later, nullptr, 0, nullptr));
    StartupRoutine(1, [] {
      std::string cls;
      ConfigureGuard(&Local::Callback, 0, 1, std::nullopt, &cls, std::nullopt, std::nullopt,
                     std::nullopt, 0);
    });
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(9), "report callback ran");
}

TEST_F(GuardProcessDeathTest, RunTimeErrorEndsWithMinusOneOnceTheHandlerIsInstalled) {
  auto run = [] {
    std::string cls;
    ConfigureGuard(&SayCallback, 0, 0, std::nullopt, &cls, std::nullopt, std::nullopt,
                   std::nullopt, 0);
    RaiseRunTimeError(kErrIndexOutOfRange, "index 9 outside 1..3");
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(255), "^report callback ran\n$");
}

TEST_F(GuardProcessDeathTest, RunTimeErrorGetsTheDefaultWhenTheHandlerIsNotInstalled) {
  auto run = [] {
    SetRunTimeErrorHandler(nullptr);
    std::string cls;
    ConfigureGuard(&SayCallback, 0, 0, 0, &cls, std::nullopt, std::nullopt, std::nullopt, 0);
    RaiseRunTimeError(kErrIndexOutOfRange, "index 9 outside 1..3");
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(kDefaultRunTimeErrorExitCode),
              "run-time error 1: index 9 outside 1..3");
}

void RaiseAgain() { RaiseRunTimeError(kErrBadConversion, "inside the handler"); }

TEST_F(GuardProcessDeathTest, RunTimeErrorInsideTheHandlerGetsTheDefault) {
  auto run = [] {
    std::string cls;
    ConfigureGuard(&RaiseAgain, 0, 0, std::nullopt, &cls, std::nullopt, std::nullopt,
                   std::nullopt, 0);
    RaiseRunTimeError(kErrIndexOutOfRange, "first");
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(kDefaultRunTimeErrorExitCode),
              "run-time error 2: inside the handler");
}

TEST_F(GuardProcessTest, RunTimeErrorReportCarriesCodeMessageAndCallStack) {
  EXPECT_EQ("运行时出错!\r\n\r\n错误代码：5\r\n\r\n错误信息：x\r\n", DescribeRunTimeError(5, "x"));
  EXPECT_EQ("运行时出错!\r\n\r\n错误代码：-12\r\n\r\n错误信息：\r\n",
            DescribeRunTimeError(-12, nullptr));
  std::string cls;
  ConfigureGuard(nullptr, 2, 0, 0, &cls, std::nullopt, std::nullopt, std::nullopt, 0);
  x86layer::ClearRecordedMessageBoxes();
  EXPECT_TRUE(OnRunTimeError(5, "x"));
  EXPECT_TRUE(x86layer::RecordedMessageBoxes().empty());  // showMessageBox 2: no box
  GuardLockHold hold(Guard()->threadTableLock);
  const int32_t p = FindThreadRecord(GetCurrentThreadId());
  ASSERT_NE(0, p);
  EXPECT_EQ(DescribeRunTimeError(5, "x"), ThreadAt(p).GetDescription());
  EXPECT_FALSE(ThreadAt(p).GetCallStack().empty());
}

TEST_F(GuardProcessTest, ConfigureGuardInstallsTheErrorHandlerOnlyWhenAsked) {
  SetRunTimeErrorHandler(nullptr);
  std::string cls;
  ConfigureGuard(std::nullopt, std::nullopt, std::nullopt, 0, &cls, std::nullopt, std::nullopt,
                 std::nullopt, std::nullopt);
  EXPECT_EQ(nullptr, GetRunTimeErrorHandler());
  EXPECT_EQ(1, Guard()->guardConfigured);
  ConfigureGuard(std::nullopt, std::nullopt, std::nullopt, std::nullopt, nullptr, std::nullopt,
                 std::nullopt, std::nullopt, std::nullopt);
  EXPECT_EQ(&OnRunTimeError, GetRunTimeErrorHandler());
  SetRunTimeErrorHandler(nullptr);
}

TEST(FindOwnerWindow, IsTheThreadsWindowWithExactlyThatClass) {
  x86layer::ClearDesktopWindows();
  const uint32_t me = GetCurrentThreadId();
  x86layer::AddDesktopWindow(me + 4, "Afx:main");
  x86layer::AddDesktopWindow(me, "afx:main");  // case differs
  Window mine = x86layer::AddDesktopWindow(me, "Afx:main");
  EXPECT_EQ(mine, FindOwnerWindow(me, "Afx:main"));
  EXPECT_EQ(nullptr, FindOwnerWindow(me, "Afx:"));
  EXPECT_EQ(nullptr, FindOwnerWindow(me, ""));
  x86layer::AddDesktopWindow(me, std::string(300, 'L'));  // read as 255 bytes
  EXPECT_EQ(nullptr, FindOwnerWindow(me, std::string(300, 'L')));
  x86layer::ClearDesktopWindows();
  EXPECT_EQ(nullptr, FindOwnerWindow(me, "Afx:main"));
}

}  // namespace
}  // namespace qv
