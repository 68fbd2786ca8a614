#include "crashguard/format.h"

#include <charconv>

namespace qv {

namespace {

// By hand rather than through printf: reports are written from a faulting
// process, where the C library's stream locks may be held.
Text HexDigits(uint32_t v, int digits) {
  static const char kHex[] = "0123456789ABCDEF";
  Text out(static_cast<size_t>(digits), '0');
  for (int i = digits - 1; i >= 0; --i, v >>= 4) out[static_cast<size_t>(i)] = kHex[v & 0xF];
  return out;
}

}  // namespace

Text FormatHex(int32_t value) {
  const uint32_t v = static_cast<uint32_t>(value);
  if (value <= 255) return HexDigits(v, value < 0 ? 8 : 2);
  if (value <= 65535) return HexDigits(v, 4);
  return HexDigits(v, 8);
}

Text FormatHex8(uint32_t value) { return HexDigits(value, 8); }

Text FormatDecimal(int32_t value) {
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return Text(buf, r.ptr);
}

Text PadSpaces(int32_t n) { return n > 0 ? Text(static_cast<size_t>(n), ' ') : Text(); }

}  // namespace qv
