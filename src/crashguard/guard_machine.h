// The guard's pieces of x86-32 machine code (written in assembly, so their
// stack layouts are exactly the ones the guard relies on), and the C++
// routines they call.
#pragma once

#include <cstdint>

namespace qv {

// Opens a guarded block for the calling routine and returns 1 to it, with
// the block's registration record linked in the caller's frame. Only the
// assembly runners of guard_block.h call it.
extern "C" int32_t qv_TryBegin();
// Catch routines: reached by normal flow they continue at the block's
// TryEnd call; reached through a fault they "return" the block's catch
// value. Called with two argument words the call site removes.
extern "C" int32_t qv___catch_status(uint32_t, uint32_t);
extern "C" uint32_t qv___catch_text(uint32_t, uint32_t);
extern "C" uint32_t qv___catch_all(uint32_t, uint32_t);
// Closes the calling thread's innermost block.
extern "C" void qv_TryEnd();

// The wrapper's entry: one ignored stdcall argument, result 0; keeps ebx,
// esi and edi; links the top-level record in its caller's frame.
extern "C" uint32_t __attribute__((stdcall)) qv_GuardCurrentThreadEntry(uint32_t parameter);

// The frame pointer reached from the calling routine's frame by following
// the saved-frame-pointer link levels + 1 times (0 when a link is not
// readable).
uint32_t CallerFrame(int32_t levels);

// The start addresses of TryBegin, __catch_status, __catch_text,
// __catch_all and TryEnd, in this order.
void GuardApiRoutineAddresses(uint32_t out[5]);

// The eleven bytes of FrameUnlinkStub: pop the chain head, drop the
// handler word, return.
inline constexpr uint8_t kFrameUnlinkStubCode[11] = {0x64, 0x8F, 0x05, 0x00, 0x00, 0x00,
                                                     0x00, 0x83, 0xC4, 0x04, 0xC3};

}  // namespace qv
