// The compiled form of a guarded block is what the catch-site scan and
// FindCatch rely on: direct calls of TryBegin, of the catch routine (its
// two argument words pushed before and removed after by the call site) and
// of TryEnd, in a routine with a frame pointer. Walked instruction by
// instruction with the table decoder.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "crashguard/decoder/instruction_length.h"
#include "crashguard/guard_block.h"
#include "crashguard/guard_machine.h"

namespace qv {
namespace {

struct Insn {
  const uint8_t* at;
  int32_t length;
};

// The routine's instructions up to and including its first ret.
std::vector<Insn> Decode(const void* routine) {
  std::vector<Insn> out;
  const auto* p = static_cast<const uint8_t*>(routine);
  for (int i = 0; i < 200; ++i) {
    const int32_t n = InstructionLength(p);
    if (n <= 0) break;
    out.push_back({p, n});
    if (*p == 0xC3) break;
    p += n;
  }
  return out;
}

uint32_t Addr(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

uint32_t CallTarget(const Insn& i) {
  int32_t rel;
  std::memcpy(&rel, i.at + 1, 4);
  return Addr(i.at) + 5 + static_cast<uint32_t>(rel);
}

struct RunnerCase {
  const char* name;
  const void* runner;
  const void* catchRoutine;
};

TEST(GuardedBlockCode, RunnersKeepTheLayoutTheScanReads) {
  const RunnerCase cases[] = {
      {"catch-all", reinterpret_cast<const void*>(&qv_GuardedBlockAll),
       reinterpret_cast<const void*>(&qv___catch_all)},
      {"catch-status", reinterpret_cast<const void*>(&qv_GuardedBlockStatus),
       reinterpret_cast<const void*>(&qv___catch_status)},
      {"catch-text", reinterpret_cast<const void*>(&qv_GuardedBlockText),
       reinterpret_cast<const void*>(&qv___catch_text)},
  };
  for (const RunnerCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Insn> code = Decode(c.runner);
    ASSERT_GT(code.size(), 10u);
    // push ebp; mov ebp, esp
    EXPECT_EQ(0x55, code[0].at[0]);
    EXPECT_EQ(0x8B, code[1].at[0]);
    EXPECT_EQ(0xEC, code[1].at[1]);
    EXPECT_EQ(0xC3, code.back().at[0]);
    // The direct calls, in order.
    std::vector<size_t> calls;
    for (size_t k = 0; k < code.size(); ++k)
      if (code[k].at[0] == 0xE8 && code[k].length == 5) calls.push_back(k);
    ASSERT_EQ(3u, calls.size());
    EXPECT_EQ(Addr(reinterpret_cast<const void*>(&qv_TryBegin)), CallTarget(code[calls[0]]));
    EXPECT_EQ(Addr(c.catchRoutine), CallTarget(code[calls[1]]));
    EXPECT_EQ(Addr(reinterpret_cast<const void*>(&qv_TryEnd)), CallTarget(code[calls[2]]));
    // Two argument words pushed right before the catch call, removed right after.
    const size_t k = calls[1];
    EXPECT_EQ(0x6A, code[k - 1].at[0]);
    EXPECT_EQ(0x6A, code[k - 2].at[0]);
    const uint8_t addEsp8[] = {0x83, 0xC4, 0x08};
    ASSERT_EQ(3, code[k + 1].length);
    EXPECT_EQ(0, std::memcmp(addEsp8, code[k + 1].at, 3));
    // The body and the handler are reached by indirect calls, which the
    // scan does not see.
    for (size_t j = calls[0] + 1; j < calls[2]; ++j) {
      if (j != calls[1]) {
        EXPECT_NE(0xE8, code[j].at[0]);
      }
    }
  }
}

}  // namespace
}  // namespace qv
