// Processor faults and raised exceptions reach a record linked on fs:[0]
// with the system's codes and parameters; a handler's context changes take
// effect when it asks to continue.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstring>
#include <vector>

#include "platform/guard_system.h"

using namespace qv::sys;

extern "C" {
// Each routine faults at its *_at label; a handler that moves Eip to the
// routine's *_resume label makes it return 77 instead.
int qvt_null_read();
int qvt_write(void* address);
int qvt_divide_by_zero();
int qvt_illegal();
int qvt_breakpoint();
extern const char qvt_null_read_at[], qvt_null_read_resume[];
extern const char qvt_write_at[], qvt_write_resume[];
extern const char qvt_divide_by_zero_at[], qvt_divide_by_zero_resume[];
extern const char qvt_illegal_at[], qvt_illegal_resume[];
extern const char qvt_breakpoint_at[], qvt_breakpoint_resume[];
}

__asm__(R"(
    .text
    .globl qvt_null_read, qvt_null_read_at, qvt_null_read_resume
qvt_null_read:
    xorl %edx, %edx
qvt_null_read_at:
    movl (%edx), %eax
    movl $1, %eax
    ret
qvt_null_read_resume:
    movl $77, %eax
    ret

    .globl qvt_write, qvt_write_at, qvt_write_resume
qvt_write:
    movl 4(%esp), %edx
qvt_write_at:
    movl $5, (%edx)
    movl $1, %eax
    ret
qvt_write_resume:
    movl $77, %eax
    ret

    .globl qvt_divide_by_zero, qvt_divide_by_zero_at, qvt_divide_by_zero_resume
qvt_divide_by_zero:
    pushl %ebx
    xorl %ebx, %ebx
    movl $10, %eax
    cltd
qvt_divide_by_zero_at:
    idivl %ebx
    popl %ebx
    movl $1, %eax
    ret
qvt_divide_by_zero_resume:
    popl %ebx
    movl $77, %eax
    ret

    .globl qvt_illegal, qvt_illegal_at, qvt_illegal_resume
qvt_illegal:
qvt_illegal_at:
    ud2
    movl $1, %eax
    ret
qvt_illegal_resume:
    movl $77, %eax
    ret

    .globl qvt_breakpoint, qvt_breakpoint_at, qvt_breakpoint_resume
qvt_breakpoint:
qvt_breakpoint_at:
    int3
    movl $1, %eax
    ret
qvt_breakpoint_resume:
    movl $77, %eax
    ret
)");

namespace {

struct Seen {
  int calls = 0;
  ExceptionRecord record{};
  Context context{};
  uintptr_t establisher = 0;
  uintptr_t headDuringHandler = 0;
};

Seen g_seen;
uintptr_t g_resumeAt = 0;  // 0: continue unchanged
int32_t g_answer = kExceptionContinueExecution;

int32_t QV_STDCALL RecordingHandler(ExceptionRecord* r, void* frame, Context* c, void*) {
  ++g_seen.calls;
  g_seen.record = *r;
  g_seen.context = *c;
  g_seen.establisher = reinterpret_cast<uintptr_t>(frame);
  g_seen.headDuringHandler = GetChainHead();
  if (g_resumeAt != 0) c->Eip = static_cast<uint32_t>(g_resumeAt);
  return g_answer;
}

// Links a record for the test's duration, as code of the system would.
class LinkedHandler : public ::testing::Test {
 protected:
  void SetUp() override {
    g_seen = Seen{};
    g_resumeAt = 0;
    g_answer = kExceptionContinueExecution;
    savedHead_ = GetChainHead();
    record_.Next = reinterpret_cast<ExceptionRegistration*>(savedHead_);
    record_.Handler = &RecordingHandler;
    SetChainHead(reinterpret_cast<uintptr_t>(&record_));
  }
  void TearDown() override { SetChainHead(savedHead_); }

  uintptr_t savedHead_ = 0;
  ExceptionRegistration record_{};
};

uintptr_t Addr(const void* p) { return reinterpret_cast<uintptr_t>(p); }

struct FaultCase {
  const char* name;
  int (*run)();
  const char* at;
  const char* resume;
  uint32_t code;
  std::vector<uintptr_t> parameters;
  uintptr_t contextEip;  // what the handler sees in Eip
};

TEST_F(LinkedHandler, ProcessorFaultsArriveWithCodeAddressAndParameters) {
  const FaultCase cases[] = {
      {"null read", &qvt_null_read, qvt_null_read_at, qvt_null_read_resume,
       kStatusAccessViolation, {0, 0}, Addr(qvt_null_read_at)},
      {"divide by zero", &qvt_divide_by_zero, qvt_divide_by_zero_at, qvt_divide_by_zero_resume,
       kStatusIntegerDivideByZero, {}, Addr(qvt_divide_by_zero_at)},
      {"illegal instruction", &qvt_illegal, qvt_illegal_at, qvt_illegal_resume,
       kStatusIllegalInstruction, {}, Addr(qvt_illegal_at)},
      // int3 is reported at its own address, with one parameter of 0.
      {"int3", &qvt_breakpoint, qvt_breakpoint_at, qvt_breakpoint_resume, kStatusBreakpoint,
       {0}, Addr(qvt_breakpoint_at)},
  };
  for (const FaultCase& fc : cases) {
    SCOPED_TRACE(fc.name);
    g_seen = Seen{};
    g_resumeAt = Addr(fc.resume);
    EXPECT_EQ(77, fc.run());
    EXPECT_EQ(1, g_seen.calls);
    EXPECT_EQ(fc.code, g_seen.record.ExceptionCode);
    EXPECT_EQ(0u, g_seen.record.ExceptionFlags);
    EXPECT_EQ(Addr(fc.at), Addr(g_seen.record.ExceptionAddress));
    ASSERT_EQ(fc.parameters.size(), g_seen.record.NumberParameters);
    for (size_t i = 0; i < fc.parameters.size(); ++i)
      EXPECT_EQ(fc.parameters[i], g_seen.record.ExceptionInformation[i]) << i;
    EXPECT_EQ(fc.contextEip, g_seen.context.Eip);
    EXPECT_EQ(Addr(&record_), g_seen.establisher);
    // The chain is as the faulting code left it while the handler runs.
    EXPECT_EQ(Addr(&record_), g_seen.headDuringHandler);
  }
  EXPECT_EQ(Addr(&record_), GetChainHead());
}

TEST_F(LinkedHandler, WriteToReadOnlyPageIsAWriteViolationAtThatAddress) {
  void* page = mmap(nullptr, 4096, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(MAP_FAILED, page);
  char* target = static_cast<char*>(page) + 0x123;
  g_resumeAt = Addr(qvt_write_resume);
  EXPECT_EQ(77, qvt_write(target));
  EXPECT_EQ(kStatusAccessViolation, g_seen.record.ExceptionCode);
  ASSERT_EQ(2u, g_seen.record.NumberParameters);
  EXPECT_EQ(1u, g_seen.record.ExceptionInformation[0]);
  EXPECT_EQ(Addr(target), g_seen.record.ExceptionInformation[1]);
  EXPECT_EQ(Addr(qvt_write_at), Addr(g_seen.record.ExceptionAddress));
  munmap(page, 4096);
}

TEST_F(LinkedHandler, ContextRegistersMatchTheFaultingCode) {
  int before = 0;
  g_resumeAt = Addr(qvt_null_read_resume);
  EXPECT_EQ(77, qvt_null_read());
  // Edx was cleared by the routine; Esp points at its return address.
  EXPECT_EQ(0u, g_seen.context.Edx);
  EXPECT_LT(g_seen.context.Esp, Addr(&before) + 64);
  EXPECT_GT(g_seen.context.Esp + 4096, Addr(&before));
  EXPECT_EQ(static_cast<uint32_t>(sizeof(Context)), 716u);
}

TEST_F(LinkedHandler, RaisedExceptionCarriesItsArgumentsAndReturnsWhenContinued) {
  const uintptr_t args[3] = {0x11, 0x22, 0x33};
  RaiseException(0xE0000001, 0, 3, args);
  EXPECT_EQ(1, g_seen.calls);
  EXPECT_EQ(0xE0000001u, g_seen.record.ExceptionCode);
  EXPECT_EQ(0u, g_seen.record.ExceptionFlags);
  ASSERT_EQ(3u, g_seen.record.NumberParameters);
  EXPECT_EQ(0x22u, g_seen.record.ExceptionInformation[1]);
  EXPECT_NE(0u, Addr(g_seen.record.ExceptionAddress));
}

TEST_F(LinkedHandler, RaisedArgumentsAreCutToFifteen) {
  uintptr_t args[20];
  for (uintptr_t i = 0; i < 20; ++i) args[i] = i + 1;
  RaiseException(0xE0000002, 0, 20, args);
  EXPECT_EQ(15u, g_seen.record.NumberParameters);
  EXPECT_EQ(15u, g_seen.record.ExceptionInformation[14]);
  RaiseException(0xE0000003, 0, 4, nullptr);
  EXPECT_EQ(0u, g_seen.record.NumberParameters);
}

int32_t QV_STDCALL PassingHandler(ExceptionRecord*, void*, Context*, void*) {
  g_seen.calls += 100;
  return kExceptionContinueSearch;
}

TEST_F(LinkedHandler, ChainIsWalkedFromTheHeadOutwards) {
  ExceptionRegistration inner{reinterpret_cast<ExceptionRegistration*>(GetChainHead()),
                              &PassingHandler};
  SetChainHead(Addr(&inner));
  RaiseException(0xE0000004, 0, 0, nullptr);
  SetChainHead(Addr(&record_));
  EXPECT_EQ(101, g_seen.calls);
  EXPECT_EQ(Addr(&record_), g_seen.establisher);
}

using LayerDeathTest = LinkedHandler;

TEST_F(LayerDeathTest, EndOfChainEndsTheProcess) {
  SetChainHead(kChainEnd);
  EXPECT_DEATH(qvt_null_read(), "unhandled exception 0xC0000005");
}

TEST_F(LayerDeathTest, DamagedChainEndsTheSearchInsteadOfFollowingIt) {
  // A head pointing at unreadable memory, or not aligned, is not followed.
  for (uintptr_t head : {uintptr_t{0x10}, Addr(&record_) + 1}) {
    SetChainHead(head);
    EXPECT_DEATH(qvt_null_read(), "unhandled exception 0xC0000005");
  }
  SetChainHead(Addr(&record_));
}

TEST_F(LayerDeathTest, ContinuingANoncontinuableExceptionIsNotAllowed) {
  EXPECT_DEATH(RaiseException(0xE0000005, kExceptionNoncontinuable, 0, nullptr),
               "unhandled exception 0xE0000005");
}

int Recurse(int n) {
  volatile char pad[512];
  pad[0] = static_cast<char>(n);
  return n == 0 ? pad[0] : Recurse(n + 1) + pad[0];
}

int32_t QV_STDCALL OverflowHandler(ExceptionRecord* r, void*, Context*, void*) {
  _exit(r->ExceptionCode == kStatusStackOverflow ? 42 : 43);
}

TEST_F(LayerDeathTest, StackOverflowReachesTheHandler) {
  record_.Handler = &OverflowHandler;
  EXPECT_EXIT(Recurse(1), ::testing::ExitedWithCode(42), "");
}

}  // namespace
