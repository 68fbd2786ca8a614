// Small PE32 images with a real export directory, built in a buffer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv::testing {

struct PeExport {
  uint32_t rva = 0;       // the function's address relative to the image
  std::string name;       // empty: exported by ordinal only
  std::string forwardTo;  // non-empty: a forwarder ("OTHER.Function"); rva is ignored
};

// Layout of the images below.
inline constexpr uint32_t kPeHeaderOffset = 0x80;
inline constexpr uint32_t kExportDirectoryRva = 0x1000;

inline void PutLe(std::vector<uint8_t>& image, uint32_t at, uint32_t value, int bytes = 4) {
  for (int k = 0; k < bytes; ++k) image.at(at + k) = static_cast<uint8_t>(value >> (8 * k));
}

// Exports appear in the order given (index = position); only named ones get
// a name-table entry, in that order too. Every table and text lies inside
// the export directory's range.
inline std::vector<uint8_t> BuildPeImage(const std::vector<PeExport>& exports,
                                         uint32_t sizeOfImage = 0x4000) {
  std::vector<uint8_t> image(sizeOfImage, 0);
  image[0] = 'M';
  image[1] = 'Z';
  PutLe(image, 60, kPeHeaderOffset);
  const uint32_t pe = kPeHeaderOffset;
  image[pe] = 'P';
  image[pe + 1] = 'E';
  PutLe(image, pe + 4, 0x14C, 2);      // i386
  PutLe(image, pe + 20, 224, 2);       // SizeOfOptionalHeader
  PutLe(image, pe + 24, 0x10B, 2);     // PE32
  PutLe(image, pe + 80, sizeOfImage);  // SizeOfImage
  PutLe(image, pe + 116, 16);          // NumberOfRvaAndSizes

  uint32_t named = 0;
  for (const PeExport& e : exports) named += e.name.empty() ? 0 : 1;
  const uint32_t dir = kExportDirectoryRva;
  const uint32_t functions = dir + 40;
  const uint32_t names = functions + 4 * static_cast<uint32_t>(exports.size());
  const uint32_t ordinals = names + 4 * named;
  uint32_t text = ordinals + 2 * named;
  text = (text + 3) & ~3u;

  auto addText = [&](const std::string& s) {
    const uint32_t at = text;
    for (char c : s) image.at(text++) = static_cast<uint8_t>(c);
    image.at(text++) = 0;
    return at;
  };
  const uint32_t dllName = addText("test.dll");
  uint32_t k = 0;
  for (uint32_t i = 0; i < exports.size(); ++i) {
    const PeExport& e = exports[i];
    PutLe(image, functions + 4 * i, e.forwardTo.empty() ? e.rva : addText(e.forwardTo));
    if (!e.name.empty()) {
      PutLe(image, names + 4 * k, addText(e.name));
      PutLe(image, ordinals + 2 * k, i, 2);
      ++k;
    }
  }
  PutLe(image, dir + 12, dllName);
  PutLe(image, dir + 16, 1);  // ordinal base
  PutLe(image, dir + 20, static_cast<uint32_t>(exports.size()));
  PutLe(image, dir + 24, named);
  PutLe(image, dir + 28, functions);
  PutLe(image, dir + 32, names);
  PutLe(image, dir + 36, ordinals);
  PutLe(image, pe + 120, dir);
  PutLe(image, pe + 124, text - dir);
  return image;
}

}  // namespace qv::testing
