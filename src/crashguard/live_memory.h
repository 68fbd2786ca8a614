// The running process seen through the guard's memory view: every read is
// checked with the system's readability test first, so a damaged pointer
// gives a failed read, never a fault. Also the region query the call-site
// scan clamps itself with, and the module snapshot.
#pragma once

#include <cstdint>

#include "crashguard/call_stack.h"
#include "crashguard/memory_view.h"

namespace qv {

// A memory view that can also say how far an address's region reaches.
class CodeMemory : public MemoryView {
 public:
  // The region holding `address`: its base and size from that base. False
  // when the system cannot say.
  virtual bool QueryRegion(uint32_t address, uint32_t* base, uint32_t* size) const = 0;
};

class LiveMemory : public CodeMemory {
 public:
  bool Read(uint32_t address, void* out, uint32_t size) const override;
  bool IsCodeReadable(uint32_t address) const override;
  bool QueryRegion(uint32_t address, uint32_t* base, uint32_t* size) const override;
};

// A fresh tool-help snapshot of the process's modules, executable first.
ModuleList ListModules();

}  // namespace qv
