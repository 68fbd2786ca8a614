#include "crashguard/format.h"

#include <gtest/gtest.h>

#include <climits>

namespace qv {
namespace {

TEST(FormatHex, WidthFollowsTheValue) {
  const struct {
    int32_t value;
    const char* text;
  } cases[] = {
      {0, "00"},          {10, "0A"},         {255, "FF"},
      {256, "0100"},      {0xABC, "0ABC"},    {65535, "FFFF"},
      {65536, "00010000"}, {0x7FFFFFFF, "7FFFFFFF"},
      // Negative values pass the "at most 255" test and print all 32 bits.
      {-1, "FFFFFFFF"},   {INT32_MIN, "80000000"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatHex(c.value), c.text) << c.value;
}

TEST(FormatHex8, AlwaysEightUpperCaseDigits) {
  EXPECT_EQ(FormatHex8(0), "00000000");
  EXPECT_EQ(FormatHex8(0x1A2B), "00001A2B");
  EXPECT_EQ(FormatHex8(0xDEADBEEF), "DEADBEEF");
  EXPECT_EQ(FormatHex8(0xFFFFFFFF), "FFFFFFFF");
}

TEST(FormatDecimal, SignedWithoutPadding) {
  EXPECT_EQ(FormatDecimal(0), "0");
  EXPECT_EQ(FormatDecimal(-5), "-5");
  EXPECT_EQ(FormatDecimal(15), "15");
  EXPECT_EQ(FormatDecimal(INT32_MAX), "2147483647");
  EXPECT_EQ(FormatDecimal(INT32_MIN), "-2147483648");
}

TEST(PadSpaces, CountsBytes) {
  EXPECT_EQ(PadSpaces(0), "");
  EXPECT_EQ(PadSpaces(3), "   ");
  EXPECT_EQ(PadSpaces(-4), "");
}

}  // namespace
}  // namespace qv
