// The API hook on real x86-32 code: which starts it patches and how, what
// it refuses and leaves untouched, Unhook, and calls through the trampoline.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "crashguard/api_hook.h"
#include "crashguard/decoder/instruction_length.h"
#include "crashguard/decoder/opcode_tables.h"
#include "crashguard/guard_api.h"
#include "platform/guard_system.h"

extern "C" {
// Ten stdcall arguments; begins mov edi, edi; push ebp; mov ebp, esp.
uint32_t __attribute__((stdcall)) qvt_Ten(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t,
                                          uint32_t, uint32_t, uint32_t, uint32_t, uint32_t);
uint32_t __attribute__((stdcall)) qvt_TenBody(uint32_t a1, uint32_t a2, uint32_t a3, uint32_t a4,
                                              uint32_t a5, uint32_t a6, uint32_t a7, uint32_t a8,
                                              uint32_t a9, uint32_t a10) {
  // Weighted, so that arguments in the wrong order give another sum.
  return a1 * 1 + a2 * 2 + a3 * 3 + a4 * 4 + a5 * 5 + a6 * 6 + a7 * 7 + a8 * 8 + a9 * 9 +
         a10 * 10;
}
}

__asm__(R"(
    .text
    .globl qvt_Ten
    .type qvt_Ten, @function
qvt_Ten:
    .byte 0x8b, 0xff, 0x55, 0x8b, 0xec
    popl %ebp
    jmp qvt_TenBody
)");

namespace qv {
namespace {

using Bytes = std::vector<uint8_t>;

uint32_t Addr(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }
uint8_t* Ptr(uint32_t a) { return reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(a)); }

int32_t Displacement(const uint8_t* at) {
  int32_t d;
  std::memcpy(&d, at + 1, 4);
  return d;
}

// Executable pages for code under test; the second page is made
// unreadable so that code can end right at a region's edge.
class CodePages {
 public:
  CodePages() {
    base_ = static_cast<uint8_t*>(sys::VirtualAlloc(nullptr, 2 * kPage, sys::kMemCommit | sys::kMemReserve,
                                                    sys::kPageExecuteReadWrite));
    std::memset(base_, 0xCC, kPage);
    uint32_t old = 0;
    sys::VirtualProtect(base_ + kPage, kPage, sys::kPageNoAccess, &old);
  }
  ~CodePages() { sys::VirtualFree(base_, 0, sys::kMemRelease); }
  uint8_t* Put(size_t offset, const Bytes& code) {
    std::memcpy(base_ + offset, code.data(), code.size());
    return base_ + offset;
  }
  uint8_t* base() { return base_; }
  static constexpr size_t kPage = 4096;

 private:
  uint8_t* base_;
};

const uint32_t kReplacement = 0x0804ABCD;

struct HookCase {
  const char* name;
  Bytes code;
  int32_t savedLength;  // 0: refused
};

TEST(ApiHook, PatchesWholeInstructionsAndRefusesWhatCannotMoveTable) {
  const HookCase cases[] = {
      {"mov edi,edi; push ebp; mov ebp,esp", {0x8B, 0xFF, 0x55, 0x8B, 0xEC, 0x5D, 0xC3}, 5},
      {"push ebp; mov ebp,esp; sub esp,16", {0x55, 0x8B, 0xEC, 0x83, 0xEC, 0x10, 0x90}, 6},
      {"mov ax,imm16 then nop", {0x66, 0xB8, 0x34, 0x12, 0x90, 0x90}, 5},
      {"mov eax,[esp+4]; push eax", {0x8B, 0x44, 0x24, 0x04, 0x50, 0x90}, 5},
      {"mov eax,[ebp+disp32]", {0x8B, 0x85, 0x10, 0x00, 0x00, 0x00, 0x90}, 6},
      {"test eax,imm32", {0xF7, 0xC0, 0x01, 0x00, 0x00, 0x00, 0x90}, 6},
      {"jmp [abs32] as a whole routine", {0xFF, 0x25, 0x00, 0x10, 0x00, 0x00, 0xCC}, 6},
      {"starts with jmp rel32", {0xE9, 0x00, 0x00, 0x00, 0x00, 0x90}, 0},
      {"starts with call rel32", {0xE8, 0x00, 0x00, 0x00, 0x00, 0x90}, 0},
      {"starts with ret", {0xC3, 0x90, 0x90, 0x90, 0x90, 0x90}, 0},
      {"ret at offset 5", {0x8B, 0xFF, 0x55, 0x8B, 0xEC, 0xC3}, 0},
      {"conditional jump inside the saved bytes", {0x55, 0x8B, 0xEC, 0x74, 0x02, 0x90}, 0},
      {"short jump inside the saved bytes", {0x55, 0x8B, 0xEC, 0xEB, 0x02, 0x90}, 0},
      {"jcc rel32 inside the saved bytes", {0x55, 0x0F, 0x84, 0, 0, 0, 0}, 0},
      {"routine shorter than the patch", {0x33, 0xC0, 0xC3, 0x55, 0x8B, 0xEC}, 0},
      {"ret imm16 before the patch ends", {0x90, 0xC2, 0x04, 0x00, 0x55, 0x8B}, 0},
      {"undescribed three-byte opcode", {0x0F, 0x38, 0x00, 0xC1, 0x90, 0x90}, 0},
      {"undescribed two-byte opcode", {0x0F, 0xFF, 0xC0, 0x90, 0x90, 0x90}, 0},
  };
  CodePages pages;
  for (const HookCase& c : cases) {
    SCOPED_TRACE(c.name);
    uint8_t* target = pages.Put(0x100, c.code);
    const Bytes before(target, target + 16);
    ApiHook hook;
    const bool hooked = hook.HookAddress(Addr(target), kReplacement);
    ASSERT_EQ(c.savedLength != 0, hooked);
    if (!hooked) {
      EXPECT_EQ(before, Bytes(target, target + 16));
      EXPECT_EQ(0u, hook.GetTrampoline());
      continue;
    }
    const int32_t n = c.savedLength;
    EXPECT_EQ(n, hook.SavedLength());
    EXPECT_EQ(Addr(target), hook.Target());
    // The patch: a jump to the replacement over the first five bytes only.
    EXPECT_EQ(0xE9, target[0]);
    EXPECT_EQ(kReplacement, Addr(target) + 5 + static_cast<uint32_t>(Displacement(target)));
    EXPECT_EQ(Bytes(before.begin() + 5, before.end()), Bytes(target + 5, target + 16));
    // The trampoline: the saved instructions, then a jump to what follows them.
    uint8_t* trampoline = Ptr(hook.GetTrampoline());
    ASSERT_NE(nullptr, trampoline);
    EXPECT_FALSE(sys::IsBadCodePtr(trampoline));
    EXPECT_EQ(Bytes(before.begin(), before.begin() + n), Bytes(trampoline, trampoline + n));
    EXPECT_EQ(0xE9, trampoline[n]);
    EXPECT_EQ(Addr(target) + static_cast<uint32_t>(n),
              Addr(trampoline) + static_cast<uint32_t>(n) + 5 +
                  static_cast<uint32_t>(Displacement(trampoline + n)));
    hook.Unhook();
    EXPECT_EQ(before, Bytes(target, target + 16));
    EXPECT_EQ(0u, hook.GetTrampoline());
  }
}

TEST(ApiHook, BadTargetsAreRefusedWithoutFaulting) {
  CodePages pages;
  ApiHook hook;
  EXPECT_FALSE(hook.HookAddress(0, kReplacement));
  uint8_t* good = pages.Put(0, {0x8B, 0xFF, 0x55, 0x8B, 0xEC, 0x90});
  EXPECT_FALSE(hook.HookAddress(Addr(good), 0));
  EXPECT_EQ(0x8B, good[0]);
  // Unreadable memory, and a routine cut off by the end of its region: the
  // decoder would have to read past it.
  EXPECT_FALSE(hook.HookAddress(Addr(pages.base() + CodePages::kPage), kReplacement));
  uint8_t* edge = pages.Put(CodePages::kPage - 4, {0x55, 0x8B, 0xEC, 0x90});
  EXPECT_FALSE(hook.HookAddress(Addr(edge), kReplacement));
  uint8_t* cut = pages.Put(CodePages::kPage - 7, {0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x8B});
  EXPECT_FALSE(hook.HookAddress(Addr(cut + 4), kReplacement));  // 8B needs its ModR/M
  EXPECT_EQ(0u, hook.GetTrampoline());
  // Export lookups that find nothing.
  EXPECT_FALSE(hook.HookExport("kernel32", "NoSuchExport", kReplacement));
  EXPECT_FALSE(hook.HookExport("nosuchmodule", "CreateRemoteThread", kReplacement));
  EXPECT_FALSE(hook.HookExport(nullptr, nullptr, kReplacement));
  EXPECT_EQ(0u, hook.CallThrough(1, 2, 3));  // nothing to call through
}

TEST(ApiHook, CodeThatCannotBeMadeWritableIsLeftAlone) {
  char path[] = "/tmp/qv_hook_XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  const uint8_t code[8] = {0x8B, 0xFF, 0x55, 0x8B, 0xEC, 0x5D, 0xC3, 0x90};
  ASSERT_EQ(8, write(fd, code, 8));
  close(fd);
  const int ro = open(path, O_RDONLY);
  ASSERT_GE(ro, 0);
  // A shared read-only mapping of a file opened for reading cannot be made
  // writable: the protection change fails.
  void* mapped = mmap(nullptr, 4096, PROT_READ | PROT_EXEC, MAP_SHARED, ro, 0);
  close(ro);
  unlink(path);
  ASSERT_NE(MAP_FAILED, mapped);
  ApiHook hook;
  EXPECT_FALSE(hook.HookAddress(Addr(mapped), kReplacement));
  EXPECT_EQ(0, std::memcmp(code, mapped, 8));
  EXPECT_EQ(0u, hook.GetTrampoline());
  munmap(mapped, 4096);
}

TEST(ApiHook, AnObjectHoldingAHookRefusesASecondOneAndCopiesShareIt) {
  CodePages pages;
  uint8_t* first = pages.Put(0x100, {0x8B, 0xFF, 0x55, 0x8B, 0xEC, 0x90});
  uint8_t* second = pages.Put(0x200, {0x8B, 0xFF, 0x55, 0x8B, 0xEC, 0x90});
  ApiHook hook;
  ASSERT_TRUE(hook.HookAddress(Addr(first), kReplacement));
  const uint32_t trampoline = hook.GetTrampoline();
  EXPECT_FALSE(hook.HookAddress(Addr(second), kReplacement));
  EXPECT_EQ(0x8B, second[0]);
  EXPECT_EQ(trampoline, hook.GetTrampoline());
  EXPECT_EQ(Addr(first), hook.Target());
  // A patched routine now starts with a jump: another hook refuses it.
  ApiHook other;
  EXPECT_FALSE(other.HookAddress(Addr(first), kReplacement));
  ApiHook copy = hook.Copy();
  EXPECT_EQ(trampoline, copy.GetTrampoline());
  EXPECT_EQ(Addr(first), copy.Target());
  EXPECT_EQ(5, copy.SavedLength());
  hook.Destroy();  // leaves the patch in place
  EXPECT_EQ(0xE9, first[0]);
  hook.Unhook();
  EXPECT_EQ(0x8B, first[0]);
}

TEST(ApiHook, RandomStartsAreHookedWholeOrLeftUntouched) {
  CodePages pages;
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return static_cast<uint8_t>(seed >> 16);
  };
  int hooked = 0;
  for (int round = 0; round < 3000; ++round) {
    // Near the unreadable page now and then, so reads would run off it.
    const size_t offset = round % 4 == 0 ? CodePages::kPage - 1 - round % 20 : 0x200;
    Bytes code(CodePages::kPage - offset < 24 ? CodePages::kPage - offset : 24);
    for (uint8_t& b : code) b = next();
    uint8_t* target = pages.Put(offset, code);
    ApiHook hook;
    if (!hook.HookAddress(Addr(target), kReplacement)) {
      ASSERT_EQ(code, Bytes(target, target + code.size()));
      continue;
    }
    ++hooked;
    const int32_t n = hook.SavedLength();
    ASSERT_GE(n, 5);
    ASSERT_LE(static_cast<size_t>(n), code.size());
    int32_t whole = 0;
    while (whole < 5) whole += InstructionLength(code.data() + whole);
    EXPECT_EQ(whole, n);
    EXPECT_EQ(0, std::memcmp(code.data(), Ptr(hook.GetTrampoline()), static_cast<size_t>(n)));
    hook.Unhook();
    ASSERT_EQ(code, Bytes(target, target + code.size()));
  }
  EXPECT_GT(hooked, 100);  // the check above saw real hooks
}

ApiHook g_tenHook;

uint32_t __attribute__((stdcall)) TenReplacement(uint32_t a1, uint32_t a2, uint32_t a3,
                                                 uint32_t a4, uint32_t a5, uint32_t a6,
                                                 uint32_t a7, uint32_t a8, uint32_t a9,
                                                 uint32_t a10) {
  return 1000000 + g_tenHook.CallThrough(a1, a2, a3, a4, a5, a6, a7, a8, a9, a10);
}

TEST(ApiHook, CallThroughPassesTenArgumentsToTheOriginalCode) {
  const uint32_t expected = qvt_TenBody(11, 12, 13, 14, 15, 16, 17, 18, 19, 20);
  ASSERT_TRUE(g_tenHook.HookAddress(Addr(reinterpret_cast<void*>(&qvt_Ten)),
                                    Addr(reinterpret_cast<void*>(&TenReplacement))));
  EXPECT_EQ(5, g_tenHook.SavedLength());
  // Through the patch, the replacement, the trampoline and back, with the
  // stack balanced at every step (the caller's locals survive).
  volatile uint32_t guardWord = 0x5AFE5AFE;
  EXPECT_EQ(1000000 + expected, qvt_Ten(11, 12, 13, 14, 15, 16, 17, 18, 19, 20));
  EXPECT_EQ(0x5AFE5AFEu, guardWord);
  EXPECT_EQ(expected, g_tenHook.CallThrough(11, 12, 13, 14, 15, 16, 17, 18, 19, 20));
  g_tenHook.Unhook();
  EXPECT_EQ(expected, qvt_Ten(11, 12, 13, 14, 15, 16, 17, 18, 19, 20));
}

TEST(ApiHook, InstructionTablesAreCopiedOnFirstHookAndReleasedAtExit) {
  ReleaseInstructionTables();
  EXPECT_EQ(nullptr, OwnedOpcodeFlags());
  ApiHook hook;
  EXPECT_FALSE(hook.HookAddress(0, 0));  // refused, but the tables are in place
  ASSERT_NE(nullptr, OwnedOpcodeFlags());
  ASSERT_NE(nullptr, OwnedTwoByteOpcodeFlags());
  EXPECT_NE(OpcodeFlags, OwnedOpcodeFlags());
  EXPECT_EQ(0, std::memcmp(OpcodeFlags, OwnedOpcodeFlags(), 256));
  EXPECT_EQ(0, std::memcmp(TwoByteOpcodeFlags, OwnedTwoByteOpcodeFlags(), 256));
  const uint8_t* first = OwnedOpcodeFlags();
  hook.HookAddress(0, 0);
  EXPECT_EQ(first, OwnedOpcodeFlags());  // copied once
  ReleaseInstructionTables();
  EXPECT_EQ(nullptr, OwnedOpcodeFlags());
  EXPECT_EQ(nullptr, OwnedTwoByteOpcodeFlags());
  ReleaseInstructionTables();  // twice is harmless
}

}  // namespace
}  // namespace qv
