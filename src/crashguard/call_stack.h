// The call-stack section of a crash report: the frame-pointer chain of the
// faulting thread, each return address resolved to a registered routine, an
// export, a module offset or the bare address.
#pragma once

#include <cstdint>
#include <vector>

#include "crashguard/memory_view.h"
#include "platform/types.h"

namespace qv {

// One module of a snapshot. An address a lies in it when base <= a <= end
// (both ends included).
struct ModuleEntry {
  Text name;  // the file name, e.g. "kernel32.dll"
  uint32_t base = 0;
  uint32_t end = 0;  // base + image size
};
// In the order the system lists them; the first is the executable image.
using ModuleList = std::vector<ModuleEntry>;

// A registered routine as the walk sees a name-registry entry. `name` points
// into the registry, which the caller keeps locked while the walk runs.
struct RoutineRef {
  uint32_t codeAddress = 0;
  const Text* name = nullptr;
};

// The two settings of the guard's configuration the walk reads.
struct WalkOptions {
  int32_t prologueScanLimit = 4096;
  int32_t skipSystemFrames = 0;
};

// A chain longer than this is taken for a damaged stack.
inline constexpr uint32_t kMaxStackFrames = 1024;

// The first matching entry's name, or empty.
Text ModuleNameOf(uint32_t address, const ModuleList& modules);
// The first matching entry's base, or 0.
uint32_t ModuleBaseOf(uint32_t address, const ModuleList& modules);

// [firstAddress, return address of each frame ...], innermost first; 0
// stands for a return address that is not readable code. Each next frame
// must lie higher on the stack than the one before and at most
// kMaxStackFrames are followed, so a looping or backward chain ends the
// list with the addresses found so far. A frame pointer of 0 gives
// [firstAddress].
std::vector<uint32_t> ReadFrameChain(const MemoryView& view, uint32_t framePointer,
                                     uint32_t firstAddress);

// 1-based position of the registered routine nearest at or below `address`
// (less than 0x540BE3FF bytes below it; ties go to the earlier entry), 0
// when there is none.
int32_t FindNearestRoutine(const std::vector<RoutineRef>& routines, uint32_t address);

// The call-stack text for a chain of addresses as ReadFrameChain gives it:
// outermost caller first, each line one space deeper than the one before,
// "\r\n" after every line; empty when no line was produced.
Text ComposeCallStack(const MemoryView& view, const std::vector<RoutineRef>& routines,
                      const ModuleList& modules, const WalkOptions& options,
                      const std::vector<uint32_t>& addresses);

// ReadFrameChain followed by ComposeCallStack.
Text WalkCallStack(const MemoryView& view, const std::vector<RoutineRef>& routines,
                   const ModuleList& modules, const WalkOptions& options,
                   uint32_t framePointer, uint32_t firstAddress);

// Builds the RoutineRef list from any registry whose entries have
// `codeAddress` and `name` members.
template <class Entries>
std::vector<RoutineRef> RoutineRefsOf(const Entries& entries) {
  std::vector<RoutineRef> refs;
  refs.reserve(entries.size());
  for (const auto& e : entries) {
    refs.push_back(RoutineRef{static_cast<uint32_t>(e.codeAddress), &e.name});
  }
  return refs;
}

}  // namespace qv
