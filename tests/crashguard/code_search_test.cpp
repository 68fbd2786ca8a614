// Byte-level searches: call targets from return addresses, the backward
// prologue search, the call-site scan and the catch-site search.
#include <gtest/gtest.h>

#include "code_memory.h"
#include "crashguard/call_sites.h"
#include "crashguard/name_registry.h"

namespace qv {
namespace {

using testing::CodeAt;

constexpr uint32_t kBase = 0x00401000;

TEST(ResolveCallTarget, RelativeCallGivesReturnAddressPlusDisplacement) {
  CodeAt code(kBase, 0x1000);
  code.Call(kBase + 0x100, kBase + 0x800);
  EXPECT_EQ(kBase + 0x800, ResolveCallTarget(code, kBase + 0x105));
  code.Call(kBase + 0x200, kBase + 0x010);  // backwards
  EXPECT_EQ(kBase + 0x010, ResolveCallTarget(code, kBase + 0x205));
}

TEST(ResolveCallTarget, IndirectCallGoesThroughItsOperand) {
  CodeAt code(kBase, 0x1000);
  const uint32_t slot = kBase + 0x900;
  code.Put(kBase + 0x100, {0xFF, 0x15, uint8_t(slot), uint8_t(slot >> 8), uint8_t(slot >> 16),
                           uint8_t(slot >> 24)});
  code.Put(slot, {0x78, 0x56, 0x34, 0x12});
  EXPECT_EQ(0x12345678u, ResolveCallTarget(code, kBase + 0x106));
}

TEST(ResolveCallTarget, NeitherFormOrUnreadableGivesZero) {
  CodeAt code(kBase, 0x1000);
  EXPECT_EQ(0u, ResolveCallTarget(code, kBase + 0x105));  // nops
  EXPECT_EQ(0u, ResolveCallTarget(code, kBase + 2));       // before the region
  EXPECT_EQ(0u, ResolveCallTarget(code, 0));
  EXPECT_EQ(0u, ResolveCallTarget(code, 0xFFFFFFFF));
}

TEST(FindPrologueBackwards, LooksAtLimitPlusOnePositionsFromTheStart) {
  CodeAt code(kBase, 0x1000);
  code.Put(kBase + 0x500, {0x55, 0x8B, 0xEC});
  // Exactly `limit` bytes back is still looked at; one more is not.
  EXPECT_EQ(kBase + 0x500, FindPrologueBackwards(code, kBase + 0x510, 0x10));
  EXPECT_EQ(0u, FindPrologueBackwards(code, kBase + 0x511, 0x10));
  // The start itself counts.
  EXPECT_EQ(kBase + 0x500, FindPrologueBackwards(code, kBase + 0x500, 0));
  // 55 89 E5 is the same instruction pair in another encoding: not the pattern.
  code.Put(kBase + 0x600, {0x55, 0x89, 0xE5});
  EXPECT_EQ(kBase + 0x500, FindPrologueBackwards(code, kBase + 0x610, 0x200));
  EXPECT_EQ(0u, FindPrologueBackwards(code, kBase + 0x610, -1));
}

TEST(FindCallSites, FindsFilteredTargetsInOrder) {
  CodeAt code(kBase, 0x1000);
  const uint32_t a = 0x10000000, b = 0x20000000;
  code.Call(kBase + 0x10, a);
  code.Call(kBase + 0x20, 0x30000000);  // not in the filter
  code.Call(kBase + 0x30, b);
  auto sites = FindCallSites(code, kBase, 0x100, {a, b});
  ASSERT_EQ(2u, sites.size());
  EXPECT_EQ(kBase + 0x10, sites[0].site);
  EXPECT_EQ(a, sites[0].target);
  EXPECT_EQ(kBase + 0x30, sites[1].site);
  EXPECT_EQ(3u, FindCallSites(code, kBase, 0x100, {}).size());
}

TEST(FindCallSites, StopsFiveBytesBeforeTheRegionEnd) {
  CodeAt code(kBase, 0x1000);
  const uint32_t t = 0x10000000;
  code.Call(code.end() - 5, t);  // the last call that fits
  auto sites = FindCallSites(code, code.end() - 0x40, 0x7FFFFFFF, {t});
  ASSERT_EQ(1u, sites.size());
  EXPECT_EQ(code.end() - 5, sites[0].site);
  // An E8 in the last four bytes has no whole displacement: never read.
  CodeAt tail(kBase, 0x1000);
  tail.Put(tail.end() - 4, {0xE8, 0x00, 0x00, 0x00});
  EXPECT_TRUE(FindCallSites(tail, tail.end() - 0x40, 0x7FFFFFFF, {}).empty());
  // Outside any region nothing is scanned.
  EXPECT_TRUE(FindCallSites(code, 0x100, 0x1000, {}).empty());
}

TEST(FindCallSites, LimitIsInclusive) {
  CodeAt code(kBase, 0x1000);
  const uint32_t t = 0x10000000;
  code.Call(kBase + 0x40, t);
  EXPECT_EQ(1u, FindCallSites(code, kBase, 0x40, {t}).size());
  EXPECT_EQ(0u, FindCallSites(code, kBase, 0x3F, {t}).size());
  EXPECT_EQ(0u, FindCallSites(code, kBase, -5, {t}).size());
}

// Fake addresses of the five routines.
constexpr uint32_t kBegin = 0x10000000, kStatus = 0x10000100, kText = 0x10000200,
                   kAll = 0x10000300, kEnd = 0x10000400;
const std::vector<uint32_t> kFive = {kBegin, kStatus, kText, kAll, kEnd};

TEST(FindCatchSite, NestedBlocksWithTheSameCatchMatchByDepth) {
  // outer: [TryBegin] A [TryBegin] B [catch_all] C [TryEnd] D [catch_all] E [TryEnd]
  CodeAt code(kBase, 0x1000);
  code.Call(kBase + 0x10, kBegin);  // inner TryBegin
  code.Call(kBase + 0x20, kAll);    // inner catch
  code.Call(kBase + 0x30, kEnd);
  code.Call(kBase + 0x40, kAll);    // outer catch
  code.Call(kBase + 0x50, kEnd);
  // From after the outer TryBegin: the outer catch.
  EXPECT_EQ(kBase + 0x45, FindCatchSiteIn(code, kBase, kBegin, kAll, 1, 20480, kFive));
  // From after the inner TryBegin: the inner one.
  EXPECT_EQ(kBase + 0x25, FindCatchSiteIn(code, kBase + 0x15, kBegin, kAll, 1, 20480, kFive));
  // The end of each block, as the skip from a catch routine looks for it.
  EXPECT_EQ(kBase + 0x35, FindCatchSiteIn(code, kBase + 0x25, kBegin, kEnd, 1, 20480, kFive));
}

TEST(FindCatchSite, OtherCatchRoutinesDoNotCount) {
  // [TryBegin] [catch_status] [TryEnd] [catch_text] [catch_all]
  CodeAt code(kBase, 0x1000);
  code.Call(kBase + 0x10, kBegin);
  code.Call(kBase + 0x20, kStatus);
  code.Call(kBase + 0x30, kEnd);
  code.Call(kBase + 0x40, kText);
  code.Call(kBase + 0x50, kAll);
  // The inner block's status catch is passed over when a catch_all is
  // wanted: only TryBegin and catch_all calls move the depth.
  EXPECT_EQ(0u, FindCatchSiteIn(code, kBase, kBegin, kAll, 1, 20480, kFive));
  EXPECT_EQ(kBase + 0x55, FindCatchSiteIn(code, kBase + 0x15, kBegin, kAll, 1, 20480, kFive));
  EXPECT_EQ(kBase + 0x25, FindCatchSiteIn(code, kBase + 0x15, kBegin, kStatus, 1, 20480, kFive));
  // Out of reach of the limit: none.
  EXPECT_EQ(0u, FindCatchSiteIn(code, kBase + 0x15, kBegin, kAll, 1, 0x10, kFive));
}

TEST(NameRegistry, SecondRegistrationOfAnAddressReplacesTheName) {
  std::vector<NameEntry> registry;
  SetRoutineName(registry, 0x401000, "first");
  SetRoutineName(registry, 0x402000, "other");
  SetRoutineName(registry, 0x401000, "second");
  ASSERT_EQ(2u, registry.size());
  EXPECT_EQ(0x401000, registry[0].codeAddress);
  EXPECT_EQ("second", registry[0].name);
}

}  // namespace
}  // namespace qv
