#include "crashguard/exception_capture.h"

#include <cstring>
#include <memory>

#include "crashguard/call_stack.h"
#include "crashguard/guard_globals.h"
#include "crashguard/live_memory.h"
#include "crashguard/report.h"

namespace qv {
namespace {

using ProperHandler = int32_t (*)(sys::ExceptionRecord* record, sys::Context* context);

// Both handlers run inside this shell: a nested record sends any fault
// raised while they work to FatalReportFailure, and the floating-point unit
// is reset for them and its control word put back afterwards.
int32_t RunInShell(ProperHandler proper, sys::ExceptionRecord* record, sys::Context* context) {
  if (record == nullptr || context == nullptr) return sys::kExceptionContinueSearch;
  // An unwinding call is passed on: these handlers have nothing to undo.
  if ((record->ExceptionFlags & sys::kExceptionUnwindMask) != 0) return sys::kExceptionContinueSearch;
  sys::ExceptionRegistration nested{};
  nested.Next = reinterpret_cast<sys::ExceptionRegistration*>(sys::GetChainHead());
  nested.Handler = &FatalReportFailure;
  sys::SetChainHead(reinterpret_cast<uintptr_t>(&nested));
  uint16_t controlWord = 0;
  __asm__ volatile("fnstcw %0\n\tfninit" : "=m"(controlWord));
  const int32_t disposition = proper(record, context);
  __asm__ volatile("fldcw %0" : : "m"(controlWord));
  sys::SetChainHead(reinterpret_cast<uintptr_t>(nested.Next));
  return disposition;
}

std::unique_ptr<CapturedFault> CaptureRecord(const sys::ExceptionRecord* record) {
  auto fault = std::make_unique<CapturedFault>();
  *fault = CaptureExceptionRecord(reinterpret_cast<const uint8_t*>(record));
  return fault;
}

std::unique_ptr<ContextCopy> CaptureContext(const sys::Context* context) {
  auto copy = std::make_unique<ContextCopy>();
  std::memcpy(copy->bytes, context, ContextCopy::kSize);
  return copy;
}

int32_t GuardedBlockHandlerProper(sys::ExceptionRecord* record, sys::Context* context) {
  GuardGlobals* g = Guard();
  if (g == nullptr) return sys::kExceptionContinueSearch;
  std::unique_ptr<CapturedFault> fault = CaptureRecord(record);
  if (FilterPassesOn(*fault)) return sys::kExceptionContinueSearch;
  std::unique_ptr<ContextCopy> copy = CaptureContext(context);
  uint32_t frame = 0, first = 0;
  WalkStart(*copy, &frame, &first);
  Text callStack = WalkCallStackLive(frame, first);
  Text description = DescribeExceptionLive(*fault, *copy);
  Text extra = GetCurrentExtraInfo();
  StoreThreadReport(description, callStack, extra, false);

  int32_t disposition;
  {
    GuardLockHold hold(g->threadTableLock);
    const int32_t index = FindThreadRecord(sys::GetCurrentThreadId());
    if (index == 0) return sys::kExceptionContinueSearch;
    disposition = ThreadAt(index).FindCatch(*fault, *copy);
  }
  std::memcpy(context, copy->bytes, ContextCopy::kSize);
  return disposition;
}

int32_t ReportAndTerminateProper(sys::ExceptionRecord* record, sys::Context* context) {
  GuardGlobals* g = Guard();
  if (g == nullptr || g->guardConfigured == 0) return sys::kExceptionContinueSearch;
  std::unique_ptr<CapturedFault> fault = CaptureRecord(record);
  std::unique_ptr<ContextCopy> copy = CaptureContext(context);
  if (FilterPassesOn(*fault)) return sys::kExceptionContinueSearch;
  uint32_t frame = 0, first = 0;
  WalkStart(*copy, &frame, &first);
  {
    Text callStack = WalkCallStackLive(frame, first);
    Text description = DescribeExceptionLive(*fault, *copy);
    Text extra = GetCurrentExtraInfo();
    StoreThreadReport(description, callStack, extra, false);
  }
  fault.reset();
  copy.reset();
  PresentReport();
  EndAfterReport();
}

}  // namespace

bool FilterPassesOn(const CapturedFault& fault) {
  const GuardGlobals* g = Guard();
  return g != nullptr && g->config.passCompilerThrows != 0 && fault.ExceptionCode == kMsvcThrowCode;
}

void WalkStart(const ContextCopy& context, uint32_t* framePointer, uint32_t* firstAddress) {
  LiveMemory memory;
  *framePointer = memory.IsCodeReadable(context.Ebp()) ? context.Ebp() : GetCurrentLastFrame();
  *firstAddress = context.Eip();
}

Text WalkCallStackLive(uint32_t framePointer, uint32_t firstAddress) {
  GuardGlobals* g = Guard();
  if (g == nullptr) return Text();
  LiveMemory memory;
  ModuleList modules = ListModules();
  WalkOptions options;
  options.prologueScanLimit = g->config.prologueScanLimit;
  options.skipSystemFrames = g->config.skipSystemFrames;
  GuardLockHold hold(g->nameRegistryLock);
  return WalkCallStack(memory, RoutineRefsOf(g->nameRegistry), modules, options, framePointer,
                       firstAddress);
}

Text DescribeExceptionLive(CapturedFault& fault, const ContextCopy& context) {
  LiveMemory memory;
  return DescribeException(memory, ListModules(), fault, context);
}

int32_t QV_STDCALL ReportAndTerminate(sys::ExceptionRecord* record, void*, sys::Context* context,
                                      void*) {
  return RunInShell(&ReportAndTerminateProper, record, context);
}

int32_t QV_STDCALL GuardedBlockHandler(sys::ExceptionRecord* record, void*, sys::Context* context,
                                       void*) {
  return RunInShell(&GuardedBlockHandlerProper, record, context);
}

extern "C" uint32_t qv_TopLevelHandler() {
  return Guard() != nullptr ? static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&ReportAndTerminate))
                            : 0;
}

extern "C" uint32_t qv_GuardedBlockHandlerAddress() {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&GuardedBlockHandler));
}

}  // namespace qv
