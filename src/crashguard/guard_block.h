// Guarded blocks for C++ code: run a piece of code so that a processor
// fault (or a guard fault raised with RaiseGuardFault) inside it resumes in
// a handler instead of ending the program.
//
//   bool caught = qv::RunGuarded([&] { risky(); },
//                                [&](uint32_t value) { recover(value); });
//
// The block is compiled once, in assembly, in the form the guard's
// catch-site scan reads: direct calls of TryBegin, of the catch routine
// (with its two argument words pushed and removed by the call site) and of
// TryEnd, inside a routine with a frame pointer. After a fault nothing
// between the fault and the block is unwound: destructors of objects made
// inside `body` do not run. A C++ exception leaving `body` or `onFault`
// ends the program (it cannot cross the block).
#pragma once

#include <cstdint>
#include <type_traits>
#include <utility>

#include "platform/guard_system.h"

namespace qv {

using GuardedBody = void (*)(void* context);
using GuardedHandler = void (*)(void* context, uint32_t value);

extern "C" {
uint32_t qv_GuardedBlockAll(GuardedBody body, void* context, GuardedHandler onFault);
uint32_t qv_GuardedBlockStatus(GuardedBody body, void* context, GuardedHandler onFault);
uint32_t qv_GuardedBlockText(GuardedBody body, void* context, GuardedHandler onFault);
}

// Which catch routine the block uses: __catch_all takes every fault;
// __catch_status and __catch_text take guard faults raised for them (and
// other faults only when no catch-all block is further in).
enum class CatchKind { All, Status, Text };

// The code of the guard's own faults and the catch each one asks for.
inline constexpr uint32_t kRaiseGuardFaultCode = 0x206D7361;
inline constexpr uint32_t kGuardFaultForStatus = 1;
inline constexpr uint32_t kGuardFaultForText = 2;

// Raises a guard fault: the innermost block's handler receives `value`.
inline void RaiseGuardFault(uint32_t value, uint32_t wantedCatch) {
  const uintptr_t args[2] = {value, wantedCatch};
  sys::RaiseException(kRaiseGuardFaultCode, 0, 2, args);
}

namespace guard_block_detail {
template <class Body, class OnFault>
struct Pair {
  Body& body;
  OnFault& onFault;
};
template <class Body, class OnFault>
void CallBody(void* p) noexcept {
  static_cast<Pair<Body, OnFault>*>(p)->body();
}
template <class Body, class OnFault>
void CallHandler(void* p, uint32_t value) noexcept {
  static_cast<Pair<Body, OnFault>*>(p)->onFault(value);
}
}  // namespace guard_block_detail

// Runs `body()`; after a fault in it runs `onFault(value)`. True when the
// handler ran.
template <class Body, class OnFault>
bool RunGuarded(CatchKind kind, Body&& body, OnFault&& onFault) {
  using B = std::remove_reference_t<Body>;
  using H = std::remove_reference_t<OnFault>;
  guard_block_detail::Pair<B, H> pair{body, onFault};
  GuardedBody b = &guard_block_detail::CallBody<B, H>;
  GuardedHandler h = &guard_block_detail::CallHandler<B, H>;
  switch (kind) {
    case CatchKind::Status: return qv_GuardedBlockStatus(b, &pair, h) != 0;
    case CatchKind::Text: return qv_GuardedBlockText(b, &pair, h) != 0;
    default: return qv_GuardedBlockAll(b, &pair, h) != 0;
  }
}

template <class Body, class OnFault>
bool RunGuarded(Body&& body, OnFault&& onFault) {
  return RunGuarded(CatchKind::All, std::forward<Body>(body), std::forward<OnFault>(onFault));
}

}  // namespace qv
