// Number formats of the crash reports.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace qv {

// Upper-case hexadecimal: two digits up to 255, four up to 65535, eight
// otherwise (signed comparisons, so a negative value takes eight digits).
Text FormatHex(int32_t value);

// Eight upper-case hexadecimal digits with leading zeros.
Text FormatHex8(uint32_t value);

// Decimal with a minus sign for negative values, no padding.
Text FormatDecimal(int32_t value);

// `n` spaces; none for n <= 0.
Text PadSpaces(int32_t n);

}  // namespace qv
