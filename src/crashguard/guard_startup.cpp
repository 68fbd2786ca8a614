// The guard's globals, its start-up and its configuration.
#include <cstring>

#include "crashguard/guard_api.h"
#include "crashguard/guard_globals.h"
#include "crashguard/guard_machine.h"
#include "crashguard/live_memory.h"
#include "crashguard/name_registry.h"
#include "crashguard/report.h"
#include "crashguard/run_time_error.h"
#include "crashguard/thread_wrapping.h"
#include "platform/guard_system.h"

namespace qv {

namespace {

void FreeCode(uint8_t*& block) {
  if (block != nullptr) sys::VirtualFree(block, 0, sys::kMemRelease);
  block = nullptr;
}

// Code must be able to run from the block; ordinary allocations may not.
uint8_t* AllocateCode(const uint8_t* bytes, size_t size) {
  auto* block = static_cast<uint8_t*>(sys::VirtualAlloc(nullptr, size, sys::kMemCommit | sys::kMemReserve,
                                                        sys::kPageExecuteReadWrite));
  if (block != nullptr) std::memcpy(block, bytes, size);
  return block;
}

// The start-up routine's real return and the chain head before its record:
// kept apart from the globals, which may be released before it returns.
uint32_t g_startupReturnAddress = 0;
uint32_t g_startupChainHead = 0;

}  // namespace

void GuardCreateGlobals() {
  GuardReleaseGlobals();
  GuardSlot() = new GuardGlobals();
}

void GuardReleaseGlobals() {
  GuardGlobals* g = GuardSlot();
  if (g == nullptr) return;
  GuardSlot() = nullptr;
  for (auto& record : g->threadTable) {
    record->CloseThreadHandle();
    record->Destroy();
  }
  FreeCode(g->frameUnlinkStub);
  ReleaseThreadStartThunk(g->threadStartThunk);
  // The locks stay: a thread may still be inside the guard.
  delete g;
}

void GuardInitDefaults() {
  GuardGlobals* g = Guard();
  g->config.ownerWindowClass.Assign(kDefaultOwnerWindowClass);
  g->config.prologueScanLimit = kDefaultPrologueScanLimit;
  g->catchScanLimit = kDefaultCatchScanLimit;
  uint32_t routines[5];
  GuardApiRoutineAddresses(routines);
  g->apiRoutines.clear();
  for (uint32_t r : routines) g->apiRoutines.push_back(r);
  g->threadTableLock.Create();
  g->nameRegistryLock.Create();
  g->threadStartThunk = BuildThreadStartThunk();
  g->guardConfigured = 0;
  HookThreadCreation();
}

extern "C" {

void qv_StartupReturn();
uint32_t qv_TopLevelHandler();

// GuardStartup's work before it links its record; `frame` is GuardStartup's
// own frame. Returns the handler (low half) and FrameUnlinkStub (high half),
// or 0 when the guard has no globals.
uint64_t qv_GuardStartupSteps(uint32_t frame) {
  if (GuardSlot() == nullptr) GuardCreateGlobals();
  GuardGlobals* g = Guard();
  GuardInitDefaults();
  RegisterRoutineName("Vastel._启动子程序", 1);
  FreeCode(g->frameUnlinkStub);
  g->frameUnlinkStub = AllocateCode(kFrameUnlinkStubCode, sizeof kFrameUnlinkStubCode);

  // The stub unlinks the record only when the start-up routine returns from
  // where the record was placed; a routine with a frame pointer resets its
  // stack pointer first. Its return is therefore routed through
  // qv_StartupReturn as well, which puts the chain head back in either case.
  LiveMemory memory;
  const uint32_t startupFrame = SafeReadPointer(memory, frame);
  const uint32_t returnSlot = startupFrame + 4;
  const uint32_t back = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&qv_StartupReturn));
  const uint32_t realReturn = SafeReadPointer(memory, returnSlot);
  g_startupChainHead = static_cast<uint32_t>(sys::GetChainHead());
  if (startupFrame != 0 && realReturn != 0 && realReturn != back &&
      memory.IsCodeReadable(realReturn) &&
      !sys::IsBadWritePtr(reinterpret_cast<void*>(static_cast<uintptr_t>(returnSlot)), 4)) {
    g_startupReturnAddress = realReturn;
    *reinterpret_cast<uint32_t*>(static_cast<uintptr_t>(returnSlot)) = back;
  }
  const uint32_t handler = qv_TopLevelHandler();
  const uint32_t stub = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(g->frameUnlinkStub));
  return (static_cast<uint64_t>(stub) << 32) | handler;
}

uint32_t qv_StartupReturnWork() {
  sys::SetChainHead(g_startupChainHead);
  return g_startupReturnAddress;
}

}  // extern "C"

void ConfigureGuard(std::optional<ReportCallback> reportCallback,
                    std::optional<int32_t> showMessageBox, std::optional<int32_t> endThreadOnly,
                    std::optional<int32_t> installErrorHandler, std::string* ownerWindowClass,
                    std::optional<int32_t> passCompilerThrows,
                    std::optional<int32_t> includeCallStack,
                    std::optional<int32_t> skipSystemFrames,
                    std::optional<int32_t> prologueScanLimit) {
  if (GuardSlot() == nullptr) GuardCreateGlobals();
  GuardGlobals* g = Guard();
  ConfigureArguments args{reportCallback,     showMessageBox,   endThreadOnly,
                          installErrorHandler, ownerWindowClass, passCompilerThrows,
                          includeCallStack,   skipSystemFrames, prologueScanLimit};
  const bool install = ApplyConfiguration(g->config, args);
  g->guardConfigured = 1;
  if (install) InstallRunTimeErrorHandler();
}

void InstallRunTimeErrorHandler() { SetRunTimeErrorHandler(&OnRunTimeError); }

}  // namespace qv
