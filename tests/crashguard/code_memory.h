// Machine code at a chosen 32-bit address for the byte-level searches: one
// readable region; everything else is unreadable and belongs to no region.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "crashguard/live_memory.h"

namespace qv::testing {

class CodeAt : public CodeMemory {
 public:
  CodeAt(uint32_t base, uint32_t size) : base_(base), bytes_(size, 0x90) {}

  bool Read(uint32_t address, void* out, uint32_t size) const override {
    if (address < base_ || size > bytes_.size() || address - base_ > bytes_.size() - size)
      return false;
    std::memcpy(out, bytes_.data() + (address - base_), size);
    return true;
  }
  bool QueryRegion(uint32_t address, uint32_t* base, uint32_t* size) const override {
    if (address < base_ || address - base_ >= bytes_.size()) return false;
    *base = address & ~0xFFFu;  // as VirtualQuery: from the page of the address
    *size = base_ + static_cast<uint32_t>(bytes_.size()) - *base;
    return true;
  }

  void Put(uint32_t address, std::vector<uint8_t> code) {
    std::memcpy(bytes_.data() + (address - base_), code.data(), code.size());
  }
  // A five-byte relative call at `site` to `target`.
  void Call(uint32_t site, uint32_t target) {
    const uint32_t rel = target - (site + 5);
    Put(site, {0xE8, uint8_t(rel), uint8_t(rel >> 8), uint8_t(rel >> 16), uint8_t(rel >> 24)});
  }
  uint32_t end() const { return base_ + static_cast<uint32_t>(bytes_.size()); }

 private:
  uint32_t base_;
  std::vector<uint8_t> bytes_;
};

}  // namespace qv::testing
