// A 32-bit address space made of readable ranges over host buffers; every
// other address is unreadable. Reads never touch host memory outside the
// ranges, and the view counts the reads it was asked for.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "crashguard/memory_view.h"

namespace qv::testing {

class SyntheticMemory : public MemoryView {
 public:
  // Makes `bytes` readable at `address`, replacing any range starting there.
  void Map(uint32_t address, std::vector<uint8_t> bytes) { ranges_[address] = std::move(bytes); }
  void MapZeros(uint32_t address, uint32_t size) { Map(address, std::vector<uint8_t>(size, 0)); }

  // Writes into an already mapped range (a test-setup helper; asserts by
  // returning false when the bytes are not mapped).
  bool Write(uint32_t address, const void* data, uint32_t size) {
    for (uint32_t k = 0; k < size; ++k) {
      uint8_t* p = Byte(address + k);
      if (!p) return false;
      *p = static_cast<const uint8_t*>(data)[k];
    }
    return true;
  }
  bool Put32(uint32_t address, uint32_t value) {
    const uint8_t b[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                          uint8_t(value >> 24)};
    return Write(address, b, 4);
  }
  bool PutText(uint32_t address, const std::string& text) {
    return Write(address, text.c_str(), static_cast<uint32_t>(text.size() + 1));
  }

  bool Read(uint32_t address, void* out, uint32_t size) const override {
    ++reads_;
    if (size > 0 && address > UINT32_MAX - (size - 1)) return false;
    uint8_t* dst = static_cast<uint8_t*>(out);
    while (size > 0) {
      const auto* range = RangeOf(address);
      if (!range) return false;
      const uint32_t offset = address - range->first;
      const uint32_t available = static_cast<uint32_t>(range->second.size()) - offset;
      const uint32_t n = size < available ? size : available;
      std::memcpy(dst, range->second.data() + offset, n);
      dst += n;
      address += n;
      size -= n;
    }
    return true;
  }

  uint64_t reads() const { return reads_; }

 private:
  const std::pair<const uint32_t, std::vector<uint8_t>>* RangeOf(uint32_t address) const {
    auto it = ranges_.upper_bound(address);
    if (it == ranges_.begin()) return nullptr;
    --it;
    if (address - it->first >= it->second.size()) return nullptr;
    return &*it;
  }
  uint8_t* Byte(uint32_t address) {
    auto* range = RangeOf(address);
    if (!range) return nullptr;
    return const_cast<uint8_t*>(range->second.data()) + (address - range->first);
  }

  std::map<uint32_t, std::vector<uint8_t>> ranges_;
  mutable uint64_t reads_ = 0;
};

}  // namespace qv::testing
