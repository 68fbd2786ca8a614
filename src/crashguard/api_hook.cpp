#include "crashguard/api_hook.h"

#include <cstring>

#include "crashguard/decoder/instruction_length.h"
#include "crashguard/decoder/opcode_tables.h"
#include "crashguard/guard_api.h"
#include "crashguard/live_memory.h"
#include "platform/guard_system.h"

#if defined(_WIN32)
#define QV_HOOK_FUNC(name) ".globl _" #name "\n_" #name ":\n"
#else
#define QV_HOOK_FUNC(name) ".globl " #name "\n.type " #name ", @function\n" #name ":\n"
#endif

extern "C" uint32_t qv_CallWithWords(uint32_t code, const uint32_t* words, int32_t count);

// qv_CallWithWords(code, words, count): pushes the words last first, calls
// the code and puts the stack pointer back itself, whatever the callee
// removed.
__asm__(".text\n"
        ".p2align 4\n"
        QV_HOOK_FUNC(qv_CallWithWords)
        "pushl %ebp\n"
        "movl %esp, %ebp\n"
        "movl 16(%ebp), %ecx\n"
        "movl 12(%ebp), %edx\n"
        "1:\n"
        "testl %ecx, %ecx\n"
        "jle 2f\n"
        "pushl -4(%edx,%ecx,4)\n"
        "decl %ecx\n"
        "jmp 1b\n"
        "2:\n"
        "call *8(%ebp)\n"
        "movl %ebp, %esp\n"
        "popl %ebp\n"
        "ret\n");

namespace qv {
namespace {

uint8_t* g_opcodeFlags = nullptr;
uint8_t* g_twoByteOpcodeFlags = nullptr;

void CopyInstructionTables() {
  if (g_opcodeFlags == nullptr) {
    g_opcodeFlags = new uint8_t[256];
    std::memcpy(g_opcodeFlags, OpcodeFlags, 256);
  }
  if (g_twoByteOpcodeFlags == nullptr) {
    g_twoByteOpcodeFlags = new uint8_t[256];
    std::memcpy(g_twoByteOpcodeFlags, TwoByteOpcodeFlags, 256);
  }
}

void* AsPointer(uint32_t address) { return reinterpret_cast<void*>(static_cast<uintptr_t>(address)); }

void PutJump(uint8_t* at, uint32_t from, uint32_t to) {
  const uint32_t displacement = to - (from + kPatchLength);
  at[0] = 0xE9;
  std::memcpy(at + 1, &displacement, 4);
}

// Bytes of the routine's start that the saved instructions and their checks
// may touch: up to 4 + 15, read without faulting. Returns how many could be
// read; the rest of `out` is zero.
constexpr uint32_t kWindow = 24;
uint32_t ReadStart(uint32_t target, uint8_t (&out)[kWindow]) {
  std::memset(out, 0, sizeof out);
  LiveMemory memory;
  uint32_t n = 0;
  while (n < kWindow && target + n >= target && memory.Read(target + n, &out[n], 1)) ++n;
  return n;
}

// Whether the instruction of `length` bytes at `code`, `offset` bytes into
// the routine, still does the same when run from the trampoline, and the
// routine goes on past it at least to the end of the patch.
bool Movable(const uint8_t* code, int32_t length, int32_t offset, const uint8_t* oneByte) {
  int32_t i = 0;
  while (i < length - 1 && oneByte[code[i]] == kOpPrefix) ++i;
  const uint8_t op = code[i];
  // A relative operand would point elsewhere once moved.
  if ((op >= 0x70 && op <= 0x7F) || (op >= 0xE0 && op <= 0xE3) || op == 0xE8 || op == 0xE9 ||
      op == 0xEB)
    return false;
  if (op == 0x0F && i + 1 < length && code[i + 1] >= 0x80 && code[i + 1] <= 0x8F) return false;
  // Control that never comes back, ending before the patch does: the bytes
  // after it belong to someone else.
  const bool ends = op == 0xC2 || op == 0xC3 || op == 0xCA || op == 0xCB || op == 0xEA ||
                    (op == 0xFF && i + 1 < length && ((code[i + 1] >> 3) & 7) >= 4 &&
                     ((code[i + 1] >> 3) & 7) <= 5);
  return !(ends && offset + length < kPatchLength);
}

}  // namespace

const uint8_t* OwnedOpcodeFlags() { return g_opcodeFlags; }
const uint8_t* OwnedTwoByteOpcodeFlags() { return g_twoByteOpcodeFlags; }

void ReleaseInstructionTables() {
  delete[] g_opcodeFlags;
  delete[] g_twoByteOpcodeFlags;
  g_opcodeFlags = nullptr;
  g_twoByteOpcodeFlags = nullptr;
}

struct ApiHookImpl {
  static void Destroy(ApiHook&) {}

  static ApiHook Copy(const ApiHook& self) {
    ApiHook copy;
    copy.trampoline_ = self.trampoline_;
    copy.target_ = self.target_;
    copy.savedLength_ = self.savedLength_;
    return copy;
  }

  static bool HookExport(ApiHook& self, const char* module, const char* name,
                         uint32_t replacement) {
    if (module == nullptr || name == nullptr) return false;
    sys::Module m = sys::GetModuleHandleA(module);
    if (m == nullptr) return false;
    sys::Proc proc = sys::GetProcAddress(m, name);
    return HookAddress(self, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(proc)),
                       replacement);
  }

  static bool HookAddress(ApiHook& self, uint32_t target, uint32_t replacement) {
    CopyInstructionTables();
    if (target == 0 || replacement == 0) return false;
    // A second patch would take over the calls the first one's replacement
    // makes through this object.
    if (self.trampoline_ != 0) return false;

    uint8_t code[kWindow];
    const uint32_t readable = ReadStart(target, code);
    if (readable <= kPatchLength) return false;
    if (code[0] == 0xE9 || code[0] == 0xE8 || code[0] == 0xC3 || code[kPatchLength] == 0xC3)
      return false;

    int32_t n = 0;
    while (n < kPatchLength) {
      const int32_t length = InstructionLength(code + n, g_opcodeFlags, g_twoByteOpcodeFlags);
      if (length < 1 || static_cast<uint32_t>(n + length) > readable) return false;
      if (!Movable(code + n, length, n, g_opcodeFlags)) return false;
      n += length;
    }

    // The trampoline is complete before the routine's first byte changes.
    auto* trampoline = static_cast<uint8_t*>(
        sys::VirtualAlloc(nullptr, static_cast<size_t>(n + kPatchLength),
                          sys::kMemCommit | sys::kMemReserve, sys::kPageExecuteReadWrite));
    if (trampoline == nullptr) return false;
    const uint32_t at = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(trampoline));
    std::memcpy(trampoline, code, static_cast<size_t>(n));
    PutJump(trampoline + n, at + static_cast<uint32_t>(n), target + static_cast<uint32_t>(n));

    uint8_t patch[kPatchLength];
    PutJump(patch, target, replacement);
    uint32_t oldProtect = 0;
    if (!sys::VirtualProtect(AsPointer(target), kPatchLength, sys::kPageExecuteWriteCopy,
                             &oldProtect)) {
      sys::VirtualFree(trampoline, 0, sys::kMemRelease);
      return false;
    }
    self.target_ = target;
    self.savedLength_ = n;
    self.trampoline_ = at;
    std::memcpy(AsPointer(target), patch, kPatchLength);
    return true;
  }

  static void Unhook(ApiHook& self) {
    if (self.trampoline_ == 0) return;
    uint32_t oldProtect = 0;
    if (!sys::VirtualProtect(AsPointer(self.target_), static_cast<size_t>(self.savedLength_),
                             sys::kPageExecuteWriteCopy, &oldProtect))
      return;  // the patch stays, and so does the code it calls through
    std::memcpy(AsPointer(self.target_), AsPointer(self.trampoline_),
                static_cast<size_t>(self.savedLength_));
    sys::VirtualFree(AsPointer(self.trampoline_), 0, sys::kMemRelease);
    self.trampoline_ = 0;
  }

  static uint32_t CallThrough(const ApiHook& self, const uint32_t* words, int32_t count) {
    if (self.trampoline_ == 0) return 0;
    if (count < 0) count = 0;
    if (count > kMaxCallThroughWords) count = kMaxCallThroughWords;
    return qv_CallWithWords(self.trampoline_, words, count);
  }

  static uint32_t GetTrampoline(const ApiHook& self) { return self.trampoline_; }
};

namespace {
constexpr ApiHookRoutines kHookRoutines = {
    &ApiHookImpl::Destroy,      &ApiHookImpl::Copy,   &ApiHookImpl::HookExport,
    &ApiHookImpl::HookAddress,  &ApiHookImpl::Unhook, &ApiHookImpl::CallThrough,
    &ApiHookImpl::GetTrampoline,
};
}  // namespace

ApiHook::ApiHook() : routines_(&kHookRoutines) {}

const ApiHookRoutines& ApiHook::Routines() { return kHookRoutines; }

}  // namespace qv
