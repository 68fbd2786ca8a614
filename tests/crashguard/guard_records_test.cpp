// The lock class, thread records and the thread table, with configuration.
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "crashguard/guard_config.h"
#include "crashguard/guard_globals.h"
#include "guard_fixture.h"
#include "platform/guard_system.h"

namespace qv {
namespace {

using testing::GuardGlobalsTest;

TEST(GuardLock, DoesNothingUntilCreatedAndCreateReplacesTheSection) {
  GuardLock lock;
  EXPECT_FALSE(lock.IsCreated());
  lock.Enter();  // no-ops, no fault
  lock.Leave();
  lock.Release();
  lock.Create();
  ASSERT_TRUE(lock.IsCreated());
  void* first = lock.Section();
  GuardLock copy = lock.Copy();
  EXPECT_EQ(first, copy.Section());  // shares the section
  copy.Destroy();                    // and leaves it alone
  lock.Enter();
  lock.Enter();  // re-entrant
  lock.Leave();
  lock.Leave();
  lock.Create();
  EXPECT_TRUE(lock.IsCreated());
  EXPECT_NE(nullptr, lock.Section());
  lock.Release();
  EXPECT_FALSE(lock.IsCreated());
  EXPECT_EQ(GuardLock::Routines().destroy, &*GuardLock::Routines().destroy);
}

struct ComposeCase {
  const char* name;
  int32_t includeCallStack;
  const char* callStack;
  const char* extra;
  const char* expected;
};

using ThreadRecordTest = GuardGlobalsTest;

TEST_F(ThreadRecordTest, ComposeReportJoinsOnlyThePresentSections) {
  const ComposeCase cases[] = {
      {"all three", 1, "cs\r\n", "x", "d\r\nCallStack:\r\ncs\r\n\r\n附属信息：x"},
      {"call stack left out", 0, "cs\r\n", "x", "d\r\n\r\n附属信息：x"},
      {"empty call stack", 1, "", "", "d\r\n"},
      {"no extra", 1, "cs\r\n", "", "d\r\nCallStack:\r\ncs\r\n"},
      {"any non-zero includes", 2, "cs\r\n", "", "d\r\nCallStack:\r\ncs\r\n"},
  };
  for (const ComposeCase& c : cases) {
    SCOPED_TRACE(c.name);
    g().config.includeCallStack = c.includeCallStack;
    ThreadRecord r;
    EXPECT_EQ(c.expected, r.SetReport("d\r\n", c.callStack, c.extra));
    EXPECT_EQ(c.expected, r.ComposeReport());
    EXPECT_EQ("d\r\n", r.GetDescription());
    EXPECT_EQ(c.callStack, r.GetCallStack());
    EXPECT_EQ(c.extra, r.GetExtraInfo());
  }
}

TEST_F(ThreadRecordTest, SetReportAcceptsItsOwnTexts) {
  ThreadRecord r;
  r.SetReport("a", "b", "c");
  const Text& d = r.GetDescription();
  r.SetReport(d, r.GetCallStack(), r.GetExtraInfo());
  EXPECT_EQ("a", r.GetDescription());
  EXPECT_EQ("b", r.GetCallStack());
}

TEST_F(ThreadRecordTest, CopySharesTheHandleAndCopiesTextsAndBlocks) {
  ThreadRecord r;
  ASSERT_NE(nullptr, r.Attach(sys::GetCurrentThreadId()));
  r.SetReport("d", "c", "e");
  r.SetLastFrame(0x1234);
  r.PushBlock(1, 2, 3);
  ThreadRecord copy = r.Copy();
  EXPECT_EQ(r.ThreadHandle(), copy.ThreadHandle());
  EXPECT_EQ(sys::GetCurrentThreadId(), copy.GetThreadId());
  EXPECT_EQ("d", copy.GetDescription());
  EXPECT_EQ(0x1234u, copy.GetLastFrame());
  ASSERT_EQ(1u, copy.Blocks().size());
  EXPECT_EQ(3u, copy.Blocks()[0].resumeAddress);
  copy.Destroy();
  EXPECT_TRUE(copy.Blocks().empty());
  EXPECT_EQ("", copy.GetDescription());
  EXPECT_EQ("d", r.GetDescription());
  r.PopBlock();
  r.CloseThreadHandle();
  EXPECT_EQ(nullptr, r.ThreadHandle());
}

TEST_F(ThreadRecordTest, PushAndPopBlockSaveAndRestoreTheChainHead) {
  const uintptr_t before = sys::GetChainHead();
  ThreadRecord r;
  // PopBlock on no block: 0 and the head untouched.
  sys::SetChainHead(0x5550);
  EXPECT_EQ(0, r.PopBlock());
  EXPECT_EQ(0x5550u, sys::GetChainHead());
  r.PushBlock(0x100, 0x200, 0x300);
  const GuardedBlock& b = r.Blocks().back();
  EXPECT_EQ(0x300u, b.resumeAddress);
  EXPECT_EQ(0x5550u, b.savedChainHead);
  EXPECT_EQ(0x100u, b.stackPointer);
  EXPECT_EQ(0x200u, b.framePointer);
  EXPECT_EQ(0, b.catchKind);
  EXPECT_EQ(0u, b.catchValue);
  sys::SetChainHead(0x7770);  // records linked inside the block
  r.PushBlock(0x10, 0x20, 0x30);
  sys::SetChainHead(0x8880);
  EXPECT_EQ(1, r.PopBlock());
  EXPECT_EQ(0x7770u, sys::GetChainHead());
  EXPECT_EQ(1, r.PopBlock());
  EXPECT_EQ(0x5550u, sys::GetChainHead());
  EXPECT_EQ(0, r.PopBlock());
  sys::SetChainHead(before);
}

TEST_F(ThreadRecordTest, FindCatchWithoutBlocksChangesNothing) {
  ThreadRecord r;
  CapturedFault fault;
  ContextCopy context;
  for (uint32_t i = 0; i < ContextCopy::kSize; ++i) context.bytes[i] = static_cast<uint8_t>(i);
  ContextCopy before = context;
  EXPECT_EQ(1, r.FindCatch(fault, context));
  EXPECT_EQ(0, std::memcmp(before.bytes, context.bytes, ContextCopy::kSize));
}

std::atomic<bool> g_release{false};
uint32_t QV_STDCALL WaitForRelease(void*) {
  while (!g_release) {
  }
  return 0;
}

// Starts a thread that waits; Finish() lets it end.
struct LiveThread {
  LiveThread() {
    g_release = false;
    handle = sys::CreateThread(nullptr, 0, &WaitForRelease, nullptr, 0, &id);
  }
  void Finish() {
    g_release = true;
    sys::WaitForSingleObject(handle, sys::kInfinite);
  }
  ~LiveThread() {
    Finish();
    sys::CloseHandle(handle);
  }
  uint32_t id = 0;
  sys::Handle handle = nullptr;
};

TEST_F(ThreadRecordTest, HasEndedFollowsTheThreadAndAnswersTrueForUnknownIds) {
  ThreadRecord r;
  {
    LiveThread t;
    ASSERT_NE(nullptr, r.Attach(t.id));
    EXPECT_FALSE(r.HasEnded());
    t.Finish();
    EXPECT_TRUE(r.HasEnded());
  }
  r.CloseThreadHandle();
  ThreadRecord never;
  EXPECT_EQ(nullptr, never.Attach(0x7FFFFFF0));
  EXPECT_TRUE(never.HasEnded());
}

using ThreadTableTest = GuardGlobalsTest;

TEST_F(ThreadTableTest, CurrentThreadIndexCreatesOnceAndFindsAfterwards) {
  GuardLockHold hold(g().threadTableLock);
  EXPECT_EQ(0, FindThreadRecord(sys::GetCurrentThreadId()));
  const int32_t p = CurrentThreadIndex();
  EXPECT_EQ(1, p);
  EXPECT_EQ(p, CurrentThreadIndex());
  EXPECT_EQ(1u, g().threadTable.size());
  EXPECT_EQ(sys::GetCurrentThreadId(), ThreadAt(p).GetThreadId());
}

TEST_F(ThreadTableTest, EndedRecordsAreRemovedInOneScanBeforeTheIdTest) {
  uint32_t ids[2];
  {
    LiveThread a;
    ids[0] = a.id;
    GuardLockHold hold(g().threadTableLock);
    AddThreadRecord(a.id);
  }
  {
    LiveThread b;
    ids[1] = b.id;
    GuardLockHold hold(g().threadTableLock);
    AddThreadRecord(b.id);
  }
  GuardLockHold hold(g().threadTableLock);
  const int32_t mine = AddThreadRecord(sys::GetCurrentThreadId());
  EXPECT_EQ(3, mine);
  // Both ended records go in the one scan that finds the live one.
  EXPECT_EQ(1, FindThreadRecord(sys::GetCurrentThreadId()));
  EXPECT_EQ(1u, g().threadTable.size());
  EXPECT_EQ(0, FindThreadRecord(ids[0]));
}

TEST_F(ThreadTableTest, ReusedIdGetsAFreshRecord) {
  uint32_t oldId = 0;
  {
    LiveThread a;
    oldId = a.id;
    GuardLockHold hold(g().threadTableLock);
    ThreadAt(AddThreadRecord(a.id)).SetReport("old thread", "", "");
  }
  LiveThread b;  // the system hands out the ended thread's id again
  ASSERT_EQ(oldId, b.id);
  GuardLockHold hold(g().threadTableLock);
  EXPECT_EQ(0, FindThreadRecord(b.id));
  const int32_t p = AddThreadRecord(b.id);
  EXPECT_EQ("", ThreadAt(p).GetDescription());
  EXPECT_FALSE(ThreadAt(p).HasEnded());
}

std::atomic<int> g_started{0};
uint32_t QV_STDCALL AddUnderLock(void*) {
  GuardGlobals* g = Guard();
  ++g_started;
  for (int i = 0; i < 300; ++i) {
    GuardLockHold hold(g->threadTableLock);
    ThreadRecord& r = ThreadAt(CurrentThreadIndex());
    r.SetLastFrame(r.GetLastFrame() + 1);
    // Every thread also writes the shared first record.
    ThreadRecord& first = ThreadAt(1);
    const uint32_t v = first.GetLastFrame();
    first.SetLastFrame(v + 1);
  }
  return 0;
}

TEST_F(ThreadTableTest, ConcurrentThreadsLoseNoUpdateUnderTheLock) {
  {
    GuardLockHold hold(g().threadTableLock);
    CurrentThreadIndex();  // record 1: this (waiting) thread
  }
  sys::Handle hs[4];
  for (auto& h : hs) h = sys::CreateThread(nullptr, 0, &AddUnderLock, nullptr, 0, nullptr);
  for (auto h : hs) {
    sys::WaitForSingleObject(h, sys::kInfinite);
    sys::CloseHandle(h);
  }
  GuardLockHold hold(g().threadTableLock);
  EXPECT_EQ(4u * 300u, ThreadAt(1).GetLastFrame());
  EXPECT_EQ(1, FindThreadRecord(sys::GetCurrentThreadId()));
  // A scan over the whole table drops the four ended threads' records.
  EXPECT_EQ(0, FindThreadRecord(0x7FFFFFF0));
  EXPECT_EQ(1u, g().threadTable.size());
}

TEST_F(ThreadTableTest, LastFrameOfTheCallingThreadOrZero) {
  EXPECT_EQ(0u, GetCurrentLastFrame());
  {
    GuardLockHold hold(g().threadTableLock);
    ThreadAt(CurrentThreadIndex()).SetLastFrame(0xABC0);
  }
  EXPECT_EQ(0xABC0u, GetCurrentLastFrame());
}

// ---- configuration ----

struct ConfigFixture : ::testing::Test {
  GuardConfig config;
  void SetUp() override {
    config.ownerWindowClass.Assign(kDefaultOwnerWindowClass);
    config.prologueScanLimit = kDefaultPrologueScanLimit;
  }
};

void DoNothing() {}

TEST_F(ConfigFixture, NothingGivenTurnsEverythingOn) {
  ConfigureArguments args;
  EXPECT_TRUE(ApplyConfiguration(config, args));
  EXPECT_EQ(1, config.showMessageBox);
  EXPECT_EQ(nullptr, config.reportCallback);
  EXPECT_EQ(0, config.endThreadOnly);
  EXPECT_EQ(1, config.passCompilerThrows);
  EXPECT_EQ(1, config.includeCallStack);
  EXPECT_EQ(1, config.skipSystemFrames);
  EXPECT_EQ(kDefaultOwnerWindowClass, config.ownerWindowClass.Get());
  EXPECT_EQ(4096, config.prologueScanLimit);
}

TEST_F(ConfigFixture, TheShellsCallGivesItsQuietConfiguration) {
  std::string cls;
  ConfigureArguments args;
  args.reportCallback = &DoNothing;
  args.showMessageBox = 0;
  args.endThreadOnly = 0;
  args.ownerWindowClass = &cls;
  args.prologueScanLimit = 0;
  EXPECT_TRUE(ApplyConfiguration(config, args));
  EXPECT_EQ(0, config.showMessageBox);
  EXPECT_EQ(&DoNothing, config.reportCallback);
  EXPECT_EQ(kDefaultOwnerWindowClass, cls);  // handed back
  EXPECT_EQ(kDefaultOwnerWindowClass, config.ownerWindowClass.Get());
  EXPECT_EQ(4096, config.prologueScanLimit);
}

TEST_F(ConfigFixture, ScanLimitAndClassNameKeepTheirValuesUnlessUsable) {
  const int32_t limits[][2] = {{0, 4096}, {-7, 4096}, {INT32_MIN, 4096}, {100, 100}, {-1, 100}};
  for (const auto& l : limits) {
    ConfigureArguments args;
    args.prologueScanLimit = l[0];
    ApplyConfiguration(config, args);
    EXPECT_EQ(l[1], config.prologueScanLimit) << l[0];
  }
  std::string mine = "MyClass";
  ConfigureArguments args;
  args.ownerWindowClass = &mine;
  ApplyConfiguration(config, args);
  EXPECT_EQ("MyClass", config.ownerWindowClass.Get());
  EXPECT_EQ("MyClass", mine);
  std::string empty;
  args.ownerWindowClass = &empty;
  ApplyConfiguration(config, args);
  EXPECT_EQ("MyClass", empty);
  std::string huge(100000, 'A');
  args.ownerWindowClass = &huge;
  ApplyConfiguration(config, args);
  EXPECT_EQ(huge, config.ownerWindowClass.Get());
}

TEST_F(ConfigFixture, GivenValuesAreStoredAsGiven) {
  ConfigureArguments args;
  args.showMessageBox = 2;
  args.endThreadOnly = 1;
  args.installErrorHandler = 0;
  args.passCompilerThrows = 0;
  args.includeCallStack = 0;
  args.skipSystemFrames = 0;
  EXPECT_FALSE(ApplyConfiguration(config, args));
  EXPECT_EQ(2, config.showMessageBox);
  EXPECT_EQ(1, config.endThreadOnly);
  EXPECT_EQ(0, config.passCompilerThrows);
  EXPECT_EQ(0, config.includeCallStack);
  EXPECT_EQ(0, config.skipSystemFrames);
}

}  // namespace
}  // namespace qv
