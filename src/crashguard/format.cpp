#include "crashguard/format.h"

#include <cstdio>

namespace qv {

Text FormatHex(int32_t value) {
  char buf[12];
  const unsigned v = static_cast<uint32_t>(value);
  if (value <= 255) {
    std::snprintf(buf, sizeof buf, "%02X", v);
  } else if (value <= 65535) {
    std::snprintf(buf, sizeof buf, "%04X", v);
  } else {
    std::snprintf(buf, sizeof buf, "%08X", v);
  }
  return buf;
}

Text FormatHex8(uint32_t value) {
  char buf[12];
  std::snprintf(buf, sizeof buf, "%08X", static_cast<unsigned>(value));
  return buf;
}

Text FormatDecimal(int32_t value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%ld", static_cast<long>(value));
  return buf;
}

Text PadSpaces(int32_t n) { return n > 0 ? Text(static_cast<size_t>(n), ' ') : Text(); }

}  // namespace qv
