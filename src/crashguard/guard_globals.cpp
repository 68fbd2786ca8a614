#include "crashguard/guard_globals.h"

#include "platform/guard_system.h"

namespace qv {

GuardGlobals*& GuardSlot() {
  static GuardGlobals* globals = nullptr;
  return globals;
}

GuardGlobals* Guard() { return GuardSlot(); }

ThreadRecord& ThreadAt(int32_t position) {
  return *Guard()->threadTable[static_cast<size_t>(position - 1)];
}

int32_t FindThreadRecord(uint32_t threadId) {
  GuardGlobals* g = Guard();
  if (g == nullptr) return 0;
  auto& table = g->threadTable;
  size_t p = 0;
  while (p < table.size()) {
    ThreadRecord& record = *table[p];
    if (record.HasEnded()) {
      record.CloseThreadHandle();
      record.Destroy();
      table.erase(table.begin() + static_cast<std::ptrdiff_t>(p));
      continue;
    }
    if (record.GetThreadId() == threadId) return static_cast<int32_t>(p + 1);
    ++p;
  }
  return 0;
}

int32_t AddThreadRecord(uint32_t threadId) {
  GuardGlobals* g = Guard();
  if (g == nullptr) return 0;
  g->threadTable.push_back(std::make_unique<ThreadRecord>());
  g->threadTable.back()->Attach(threadId);
  return static_cast<int32_t>(g->threadTable.size());
}

int32_t CurrentThreadIndex() {
  const uint32_t id = sys::GetCurrentThreadId();
  const int32_t p = FindThreadRecord(id);
  return p != 0 ? p : AddThreadRecord(id);
}

uint32_t GetCurrentLastFrame() {
  GuardGlobals* g = Guard();
  if (g == nullptr) return 0;
  GuardLockHold hold(g->threadTableLock);
  const int32_t p = FindThreadRecord(sys::GetCurrentThreadId());
  return p != 0 ? ThreadAt(p).GetLastFrame() : 0;
}

}  // namespace qv
