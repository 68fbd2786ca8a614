// Random bytes into the instruction-length decoder. The bytes sit at the end
// of a heap block of exactly 15 bytes, so AddressSanitizer stops any read
// past the decoder's window.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "crashguard/decoder/instruction_length.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const size_t n = static_cast<size_t>(qv::kMaxInstructionLength);
  std::unique_ptr<uint8_t[]> window(new uint8_t[n]);
  std::memset(window.get(), 0x66, n);
  std::memcpy(window.get(), data, size < n ? size : n);

  const int32_t length = qv::InstructionLength(window.get());
  if (length < 0 || length > qv::kMaxInstructionLength) std::abort();
  if (length > 0) {
    // The bytes after the instruction cannot change its length.
    for (size_t k = static_cast<size_t>(length); k < n; ++k) window[k] ^= 0xA5;
    if (qv::InstructionLength(window.get()) != length) std::abort();
  }
  return 0;
}
