// The C++ side of guarded blocks and of name registration.
#include "crashguard/guard_globals.h"
#include "crashguard/call_sites.h"
#include "crashguard/guard_machine.h"
#include "crashguard/live_memory.h"
#include "crashguard/name_registry.h"
#include "platform/guard_system.h"

namespace qv {

__attribute__((noinline)) void RegisterRoutineName(const Text& name, int32_t depth) {
  GuardGlobals* g = Guard();
  if (g == nullptr) return;
  LiveMemory memory;
  const uint32_t inCaller =
      static_cast<uint32_t>(reinterpret_cast<uintptr_t>(__builtin_return_address(0)));
  g->nameRegistryLock.Enter();
  const uint32_t frame = CallerFrame(depth);
  const uint32_t ret = SafeReadPointer(memory, frame + 4);
  uint32_t code = ret;
  if (memory.IsCodeReadable(ret)) code = ResolveCallTarget(memory, ret);
  if (!memory.IsCodeReadable(code))
    code = FindPrologueBackwards(memory, inCaller, g->config.prologueScanLimit);
  if (memory.IsCodeReadable(code)) SetRoutineName(g->nameRegistry, code, name);
  g->nameRegistryLock.Leave();

  GuardLockHold hold(g->threadTableLock);
  ThreadAt(CurrentThreadIndex()).SetLastFrame(frame);
}

namespace {

const char* const kCatchNames[] = {"", "Vastel.__catch_status", "Vastel.__catch_text",
                                   "Vastel.__catch_all"};

}  // namespace

extern "C" {

// TryBegin's bookkeeping; `frame` is TryBegin's own frame. Returns the
// block handler to link, or 0 when the guard has no globals.
uint32_t qv_GuardedBlockHandlerAddress();

uint32_t qv_TryBeginRecord(uint32_t frame) {
  GuardGlobals* g = Guard();
  if (g == nullptr) return 0;
  LiveMemory memory;
  {
    GuardLockHold hold(g->threadTableLock);
    const int32_t index = CurrentThreadIndex();
    // The caller's stack pointer once TryBegin has returned (TryBegin has
    // no arguments), its frame pointer, and where it continues.
    ThreadAt(index).PushBlock(frame + 8, SafeReadPointer(memory, frame),
                              SafeReadPointer(memory, frame + 4));
  }
  return qv_GuardedBlockHandlerAddress();
}

void qv_TryEnd() {
  GuardGlobals* g = Guard();
  if (g == nullptr) return;
  GuardLockHold hold(g->threadTableLock);
  ThreadAt(CurrentThreadIndex()).PopBlock();
}

void qv_RegisterCatchName(int32_t kind) {
  if (kind >= 1 && kind <= 3) RegisterRoutineName(kCatchNames[kind], 1);
}

// From a catch routine's frame: the address after the TryEnd call that
// closes its block, or 0.
uint32_t qv_FindBlockEnd(uint32_t frame) {
  LiveMemory memory;
  uint32_t routines[5];
  GuardApiRoutineAddresses(routines);
  const GuardGlobals* g = Guard();
  const int32_t limit = g != nullptr && g->catchScanLimit > 0 ? g->catchScanLimit : kDefaultCatchScanLimit;
  return FindCatchSiteIn(memory, SafeReadPointer(memory, frame + 4), routines[kApiTryBegin],
                         routines[kApiTryEnd], 1, limit,
                         std::vector<uint32_t>(routines, routines + 5));
}

}  // extern "C"

}  // namespace qv
