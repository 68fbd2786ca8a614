#include "crashguard/name_registry.h"

namespace qv {

uint32_t ResolveCallTarget(const MemoryView& memory, uint32_t r) {
  if ((SafeReadPointer(memory, r - 5) & 0xFF) == 0xE8) return r + SafeReadPointer(memory, r - 4);
  if ((SafeReadPointer(memory, r - 6) & 0xFFFF) == 0x15FF)
    return SafeReadPointer(memory, SafeReadPointer(memory, r - 4));
  return 0;
}

uint32_t FindPrologueBackwards(const MemoryView& memory, uint32_t start, int32_t limit) {
  for (int64_t k = 0; k <= limit; ++k) {
    const int64_t at = static_cast<int64_t>(start) - k;
    if (at < 0) break;
    uint8_t b[3];
    if (!memory.Read(static_cast<uint32_t>(at), b, 3)) continue;
    if (b[0] == 0x55 && b[1] == 0x8B && b[2] == 0xEC) return static_cast<uint32_t>(at);
  }
  return 0;
}

void SetRoutineName(std::vector<NameEntry>& registry, uint32_t codeAddress, const Text& name) {
  for (auto it = registry.rbegin(); it != registry.rend(); ++it) {
    if (static_cast<uint32_t>(it->codeAddress) == codeAddress) {
      it->name = name;
      return;
    }
  }
  registry.push_back(NameEntry{static_cast<int32_t>(codeAddress), name});
}

}  // namespace qv
