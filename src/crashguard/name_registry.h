// Routine names registered by the routines themselves, and the byte-level
// ways of finding a routine's start from a return address.
#pragma once

#include <cstdint>
#include <vector>

#include "crashguard/memory_view.h"
#include "platform/types.h"

namespace qv {

struct NameEntry {
  int32_t codeAddress = 0;
  Text name;
};

// The start of the routine that the call ending at `returnAddress` called:
// a five-byte E8 call gives returnAddress + its displacement, a six-byte
// FF 15 call the value stored at its operand's address; 0 otherwise.
uint32_t ResolveCallTarget(const MemoryView& memory, uint32_t returnAddress);

// The first address at start, start - 1, ..., start - limit where the bytes
// 55 8B EC (push ebp; mov ebp, esp) begin, or 0.
uint32_t FindPrologueBackwards(const MemoryView& memory, uint32_t start, int32_t limit);

// Sets the name of the entry for `codeAddress`, appending one when there is
// none (searched from the last entry). The caller holds NameRegistryLock.
void SetRoutineName(std::vector<NameEntry>& registry, uint32_t codeAddress, const Text& name);

// Registers the routine `depth` levels above the caller (0: the caller)
// under `name`, and notes that routine's frame as the thread's lastFrame.
void RegisterRoutineName(const Text& name, int32_t depth);

}  // namespace qv
