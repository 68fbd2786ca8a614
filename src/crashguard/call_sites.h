// Finding calls of the guard's own routines in machine code: the call-site
// scan (every E8 byte is tried) and the catch-site search that counts
// nesting on the opening routine.
#pragma once

#include <cstdint>
#include <vector>

#include "crashguard/live_memory.h"

namespace qv {

struct CallSite {
  uint32_t site = 0;    // address of the E8 byte
  uint32_t target = 0;  // site + 5 + the signed 32-bit value after it
};

// The call sites from `start` on whose target is in `filter` (any target
// above 1 when the filter is empty). The limit is clamped to the memory
// region of `start`, ending 5 bytes before the region's end; no region
// means nothing is scanned.
std::vector<CallSite> FindCallSites(const CodeMemory& memory, uint32_t start, int32_t limit,
                                    const std::vector<uint32_t>& filter);

// The address right after the call of `close` that matches the block opened
// before `start` (depth counted up by calls of `open`, down by calls of
// `close`), or 0. Scans `limit` bytes for calls of the routines in `filter`.
uint32_t FindCatchSiteIn(const CodeMemory& memory, uint32_t start, uint32_t open, uint32_t close,
                         int32_t depth, int32_t limit, const std::vector<uint32_t>& filter);

// The same with the guard's CatchScanLimit and its five routines.
uint32_t FindCatchSite(const CodeMemory& memory, uint32_t start, uint32_t open, uint32_t close,
                       int32_t depth);

}  // namespace qv
