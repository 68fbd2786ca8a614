// Wrapping the threads the process starts so that they begin under the
// guard: the start wrapper's code and the patch on thread creation.
#pragma once

#include <cstdint>

namespace qv {

// The wrapper's code in executable memory, or 0 when there is none.
uint32_t BuildThreadStartThunk();
void ReleaseThreadStartThunk(uint32_t& thunk);
// Routes the process's own thread requests through the wrapper.
void HookThreadCreation();

}  // namespace qv
