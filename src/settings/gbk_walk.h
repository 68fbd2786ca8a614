// Walking GBK bytes the way the system's CharNext does for code page 936:
// a lead byte takes the byte after it, whatever that byte is, so a 0x5C or
// 0x22 there is never a separator or a quote.
#pragma once

#include <cstddef>

#include "platform/types.h"

namespace qv {

inline size_t SystemCharLength(const Text& s, size_t i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  if (c >= 0x81 && c <= 0xFE && i + 1 < s.size() && s[i + 1] != '\0') return 2;
  return 1;
}

// Position of the last single-byte `ch` in s, or Text::npos.
inline size_t LastSingleByte(const Text& s, char ch) {
  size_t found = Text::npos;
  for (size_t i = 0; i < s.size(); i += SystemCharLength(s, i))
    if (s[i] == ch) found = i;
  return found;
}

}  // namespace qv
