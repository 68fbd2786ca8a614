// Geometry arithmetic: halves in double precision, stored truncated toward
// zero. Values outside the 32-bit range (a hostile size from the system)
// saturate instead of overflowing.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace qv {

inline int32_t Trunc32(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

// Integer sums and differences of control geometry, done in 64 bits.
inline int32_t Sat32(int64_t v) {
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

}  // namespace qv
