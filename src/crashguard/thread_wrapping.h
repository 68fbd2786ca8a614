// Wrapping the threads the process starts so that they begin under the
// guard: the start wrapper's code and the patch on thread creation.
#pragma once

#include <array>
#include <cstdint>

#include "crashguard/api_hook.h"
#include "platform/guard_system.h"

namespace qv {

// One per wrapped thread, from GlobalAlloc; the wrapper frees it once the
// start routine has returned.
struct ThreadStartRecord {
  sys::ThreadRoutine startRoutine;
  void* parameter;
};

// The wrapper: push ebp; mov ebp, esp; keep esi and the exception chain's
// head; GuardCurrentThread(record); esi := inner(record), which calls
// startRoutine(parameter); GlobalFree(record); put the chain head back
// (the guard's record lived in this frame); return the result, esi restored.
inline constexpr size_t kThreadStartThunkSize = 79;
std::array<uint8_t, kThreadStartThunkSize> ThreadStartThunkCode(uint32_t guardEntry,
                                                                uint32_t globalFree);

// The wrapper's code in executable memory, or 0 when "GlobalFree" cannot be
// found. Built once: a thread may still be returning through it when the
// guard's globals go.
uint32_t BuildThreadStartThunk();
// Forgets the globals' reference; the code stays for such threads.
void ReleaseThreadStartThunk(uint32_t& thunk);

// The patch on kernel32's "CreateRemoteThread". It lives as long as the
// process: the patch is never taken off.
ApiHook& CreateThreadHook();
// Routes the process's own thread requests through the wrapper (once).
void HookThreadCreation();

// The replacement for "CreateRemoteThread": a request for the current
// process by its pseudo-handle starts at the wrapper; every other request
// goes on unchanged. The caller's floating-point control word is kept.
sys::Handle QV_STDCALL OnCreateRemoteThread(sys::Handle process, void* attributes,
                                            size_t stackSize, sys::ThreadRoutine start,
                                            void* parameter, uint32_t creationFlags,
                                            uint32_t* threadId);

}  // namespace qv
