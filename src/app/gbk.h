// Walking GBK byte strings one character at a time.
#pragma once

#include <cstddef>

#include "platform/types.h"

namespace qv {

inline bool IsGbkLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// Bytes taken by the character starting at i: 2 for a lead byte followed by
// a trail byte, else 1. A lead byte at the end (or before an invalid trail)
// stands alone, so no walk ever steps past the text.
inline size_t GbkCharLength(const Text& s, size_t i) {
  if (i + 1 < s.size() && IsGbkLeadByte(static_cast<unsigned char>(s[i]))) {
    unsigned char t = static_cast<unsigned char>(s[i + 1]);
    if (t >= 0x40 && t <= 0xFE && t != 0x7F) return 2;
  }
  return 1;
}

}  // namespace qv
