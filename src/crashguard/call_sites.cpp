#include "crashguard/call_sites.h"

#include <algorithm>

#include "crashguard/guard_globals.h"

namespace qv {

std::vector<CallSite> FindCallSites(const CodeMemory& memory, uint32_t start, int32_t limit,
                                    const std::vector<uint32_t>& filter) {
  std::vector<CallSite> sites;
  uint32_t base = 0, size = 0;
  int64_t usable = 0;
  if (memory.QueryRegion(start, &base, &size))
    usable = static_cast<int64_t>(size) - (static_cast<int64_t>(start) - base) - 5;
  int64_t last = std::min<int64_t>(limit, usable);  // offsets 0..last are tried
  if (last < 0) return sites;
  if (static_cast<int64_t>(start) + last > UINT32_MAX - 4) last = UINT32_MAX - 4 - int64_t{start};

  // The whole window in one read when it can be had; byte by byte otherwise.
  const uint32_t window = static_cast<uint32_t>(last) + 5;
  std::vector<uint8_t> bytes(window);
  const bool whole = memory.Read(start, bytes.data(), window);
  for (uint32_t off = 0; off <= static_cast<uint32_t>(last); ++off) {
    const uint32_t d = start + off;
    uint8_t b;
    if (whole) {
      b = bytes[off];
    } else if (!memory.Read(d, &b, 1)) {
      continue;
    }
    if (b != 0xE8) continue;
    uint32_t rel = whole ? (uint32_t(bytes[off + 1]) | uint32_t(bytes[off + 2]) << 8 |
                            uint32_t(bytes[off + 3]) << 16 | uint32_t(bytes[off + 4]) << 24)
                         : SafeReadPointer(memory, d + 1);
    const uint32_t target = d + 5 + rel;
    if (target <= 1) continue;
    if (!filter.empty() && std::find(filter.begin(), filter.end(), target) == filter.end())
      continue;
    sites.push_back({d, target});
  }
  return sites;
}

uint32_t FindCatchSiteIn(const CodeMemory& memory, uint32_t start, uint32_t open, uint32_t close,
                         int32_t depth, int32_t limit, const std::vector<uint32_t>& filter) {
  for (const CallSite& s : FindCallSites(memory, start, limit, filter)) {
    if (s.target == open) {
      ++depth;
    } else if (s.target == close) {
      --depth;
    }
    if (depth == 0) return s.site + 5;
  }
  return 0;
}

uint32_t FindCatchSite(const CodeMemory& memory, uint32_t start, uint32_t open, uint32_t close,
                       int32_t depth) {
  const GuardGlobals* g = Guard();
  if (g == nullptr) return 0;
  return FindCatchSiteIn(memory, start, open, close, depth, g->catchScanLimit, g->apiRoutines);
}

}  // namespace qv
