// The crash guard reads the faulting process's memory only through this
// view: a report is made from frames, headers and names that may be damaged,
// so every read may fail and a failed read is an answer, never a fault.
#pragma once

#include <cstdint>
#include <cstring>

namespace qv {

// Addresses are 32-bit values of the guarded (32-bit) process, never host
// pointers, so the same code runs over a synthetic address space in tests.
class MemoryView {
 public:
  virtual ~MemoryView() = default;

  // Copies `size` bytes starting at `address` into `out`. False when any of
  // them cannot be read, including a range that wraps past 0xFFFFFFFF; `out`
  // is then unspecified.
  virtual bool Read(uint32_t address, void* out, uint32_t size) const = 0;

  // Whether code could be fetched at `address` (the system's code-pointer
  // test). By default: its first byte is readable.
  virtual bool IsCodeReadable(uint32_t address) const {
    uint8_t b;
    return Read(address, &b, 1);
  }
};

// Whether all `size` bytes at `address` are readable.
inline bool IsReadable(const MemoryView& view, uint32_t address, uint32_t size) {
  uint8_t chunk[64];
  while (size > 0) {
    const uint32_t n = size < sizeof chunk ? size : static_cast<uint32_t>(sizeof chunk);
    if (!view.Read(address, chunk, n)) return false;
    if (size > n && address > UINT32_MAX - n) return false;
    address += n;
    size -= n;
  }
  return true;
}

inline bool ReadU32(const MemoryView& view, uint32_t address, uint32_t* value) {
  uint8_t b[4];
  if (!view.Read(address, b, 4)) return false;
  *value = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
  return true;
}

inline bool ReadU16(const MemoryView& view, uint32_t address, uint16_t* value) {
  uint8_t b[2];
  if (!view.Read(address, b, 2)) return false;
  *value = static_cast<uint16_t>(b[0] | b[1] << 8);
  return true;
}

// 0 when the address is 0 or negative as a signed 32-bit number (no user
// address of a process without large-address awareness is), or when its four
// bytes are unreadable; otherwise the 32-bit value stored there.
inline uint32_t SafeReadPointer(const MemoryView& view, uint32_t address) {
  if (address == 0 || static_cast<int32_t>(address) < 0) return 0;
  uint32_t value = 0;
  return ReadU32(view, address, &value) ? value : 0;
}

}  // namespace qv
