#include "crashguard/thread_wrapping.h"

namespace qv {

// Not built yet: until it is, threads other than the main one run without
// the guard's top-level record (guarded blocks work on every thread).
uint32_t BuildThreadStartThunk() { return 0; }

void ReleaseThreadStartThunk(uint32_t& thunk) { thunk = 0; }

void HookThreadCreation() {}

}  // namespace qv
