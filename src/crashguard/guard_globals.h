// The guard's global state, created with the program's global state, and
// the ThreadTable operations every guard routine goes through.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "crashguard/guard_config.h"
#include "crashguard/guard_lock.h"
#include "crashguard/name_registry.h"
#include "crashguard/thread_record.h"

namespace qv {

// Positions in GuardGlobals::apiRoutines.
enum GuardApiRoutine { kApiTryBegin = 0, kApiCatchStatus, kApiCatchText, kApiCatchAll, kApiTryEnd };

struct GuardGlobals {
  GuardConfig config;
  int32_t guardConfigured = 0;
  int32_t catchScanLimit = 0;
  // TryBegin, __catch_status, __catch_text, __catch_all, TryEnd.
  std::vector<uint32_t> apiRoutines;
  GuardLock threadTableLock;
  GuardLock nameRegistryLock;
  std::vector<std::unique_ptr<ThreadRecord>> threadTable;
  std::vector<NameEntry> nameRegistry;
  uint32_t threadStartThunk = 0;
  uint8_t* frameUnlinkStub = nullptr;  // eleven bytes of executable memory
};

// Null before GuardCreateGlobals and after GuardReleaseGlobals.
GuardGlobals* Guard();
// Where the globals live (GuardCreateGlobals fills it).
GuardGlobals*& GuardSlot();

// The caller holds threadTableLock for these three. Positions are 1-based,
// 0 means none.
// Finds the thread's record, first closing and removing every record met
// whose thread has ended.
int32_t FindThreadRecord(uint32_t threadId);
int32_t AddThreadRecord(uint32_t threadId);
int32_t CurrentThreadIndex();
// The record at a 1-based position.
ThreadRecord& ThreadAt(int32_t position);

// The calling thread's lastFrame, 0 without a record; takes the lock itself.
uint32_t GetCurrentLastFrame();

}  // namespace qv
