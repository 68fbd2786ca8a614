// Patching the start of a routine with a jump to a replacement, keeping the
// overwritten instructions in a trampoline that jumps back, so the
// replacement can still call the routine's own code. Operations go through a
// table whose first two entries are destroy and copy.
#pragma once

#include <cstdint>
#include <type_traits>

namespace qv {

class ApiHook;

struct ApiHookRoutines {
  void (*destroy)(ApiHook& self);
  ApiHook (*copy)(const ApiHook& self);
  bool (*hookExport)(ApiHook& self, const char* module, const char* name, uint32_t replacement);
  bool (*hookAddress)(ApiHook& self, uint32_t target, uint32_t replacement);
  void (*unhook)(ApiHook& self);
  uint32_t (*callThrough)(const ApiHook& self, const uint32_t* words, int32_t count);
  uint32_t (*getTrampoline)(const ApiHook& self);
};

inline constexpr int32_t kPatchLength = 5;         // E9 and a 32-bit displacement
inline constexpr int32_t kMaxCallThroughWords = 10;

class ApiHook {
 public:
  ApiHook();

  // Leaves the patch in place.
  void Destroy() { routines_->destroy(*this); }
  ApiHook Copy() const { return routines_->copy(*this); }
  // The export of an already loaded module (GetModuleHandleA, GetProcAddress).
  bool HookExport(const char* module, const char* name, uint32_t replacement) {
    return routines_->hookExport(*this, module, name, replacement);
  }
  // False, with nothing written, when the target cannot be patched safely:
  // null addresses, a routine that starts with a jump, a call or a return,
  // a return at offset 5, instructions the decoder cannot measure or that
  // cannot run from another place, memory that cannot be made writable, or
  // an object that already holds a hook.
  bool HookAddress(uint32_t target, uint32_t replacement) {
    return routines_->hookAddress(*this, target, replacement);
  }
  // Puts the saved bytes back and frees the trampoline.
  void Unhook() { routines_->unhook(*this); }
  // Calls the routine's own code with up to ten 32-bit arguments; the callee
  // removes as many as it declares. 0 when not hooked.
  template <typename... Args>
  uint32_t CallThrough(Args... args) const {
    static_assert(sizeof...(Args) <= kMaxCallThroughWords, "at most ten arguments");
    const uint32_t words[sizeof...(Args) + 1] = {Word(args)..., 0};
    return routines_->callThrough(*this, words, static_cast<int32_t>(sizeof...(Args)));
  }
  uint32_t GetTrampoline() const { return routines_->getTrampoline(*this); }

  uint32_t Target() const { return target_; }
  int32_t SavedLength() const { return savedLength_; }
  static const ApiHookRoutines& Routines();

 private:
  friend struct ApiHookImpl;
  template <typename T>
  static uint32_t Word(T value) {
    if constexpr (std::is_pointer_v<T>)
      return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(value));
    else if constexpr (std::is_null_pointer_v<T>)
      return 0;
    else
      return static_cast<uint32_t>(value);
  }

  const ApiHookRoutines* routines_;
  uint32_t trampoline_ = 0;
  uint32_t target_ = 0;
  int32_t savedLength_ = 0;
};

// The decoder's flag tables as HookAddress uses them: copied from the
// built-in tables on first use, released by the exit routine
// (ReleaseInstructionTables). Null while not copied.
const uint8_t* OwnedOpcodeFlags();
const uint8_t* OwnedTwoByteOpcodeFlags();

}  // namespace qv
