// Random damage to a real PE32 export directory, random mapping of the
// image and a random address: NearestExport must answer without faulting,
// read only through the view, and end its scans within the image.
#include <cstdint>
#include <cstdlib>

#include "crashguard/pe_exports.h"
#include "pe_image_builder.h"
#include "synthetic_memory.h"

namespace {

constexpr uint32_t kBase = 0x10000000;

const std::vector<uint8_t>& Pristine() {
  static const std::vector<uint8_t> image = qv::testing::BuildPeImage(
      {{0x2000, "Alpha", ""}, {0x2400, "", ""}, {0, "Fwd", "OTHER.Function"}, {0x2800, "Gamma", ""}});
  return image;
}

uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 6) return 0;
  const uint32_t address = kBase + (Le32(data) & 0x7FFF);
  const uint8_t mode = data[4];
  std::vector<uint8_t> image = Pristine();
  // Records of (offset:16, value:32) overwrite words of the headers and the
  // export directory, where the interesting damage lies.
  for (size_t at = 5; at + 6 <= size; at += 6) {
    const uint32_t offset = (data[at] | data[at + 1] << 8) % (image.size() - 3);
    qv::testing::PutLe(image, offset, Le32(data + at + 2));
  }
  switch (mode & 3) {
    case 1: image.resize(0x1000 + (mode >> 2) * 8); break;  // headers and part of the directory
    case 2: image.resize(0x2000); break;
    default: break;
  }
  qv::testing::SyntheticMemory memory;
  memory.Map(kBase, image);
  if (mode & 0x80) memory.Map(kBase + static_cast<uint32_t>(image.size()), std::vector<uint8_t>(64, 'x'));

  const qv::ExportMatch m = qv::NearestExport(memory, address, kBase);
  if (m.distance < 0) std::abort();
  if (m.name.empty() && m.distance != 0) std::abort();
  if (static_cast<uint32_t>(m.distance) > address - kBase) std::abort();
  if (memory.reads() > 5000) std::abort();  // scans must stay within the image
  return 0;
}
