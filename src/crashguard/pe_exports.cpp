#include "crashguard/pe_exports.h"

#include <algorithm>

#include "crashguard/format.h"

namespace qv {
namespace {

// Export ordinals are 16-bit, so no valid directory lists more entries.
constexpr uint32_t kMaxExportEntries = 0x10000;
// Longer names than this are taken for damage, not for C++ decorations.
constexpr uint32_t kMaxExportNameLength = 4096;

constexpr uint16_t kDosSignature = 0x5A4D;  // "MZ"
constexpr uint16_t kPeSignature = 0x4550;   // "PE"
constexpr uint16_t kPe32Magic = 0x10B;

// PE32 offsets, counted from the "PE" signature.
constexpr uint32_t kOptionalMagic = 24;
constexpr uint32_t kSizeOfImage = 80;
constexpr uint32_t kNumberOfRvaAndSizes = 116;
constexpr uint32_t kExportEntry = 120;

// IMAGE_EXPORT_DIRECTORY offsets.
constexpr uint32_t kDirectorySize = 40;
constexpr uint32_t kNumberOfFunctions = 20;
constexpr uint32_t kNumberOfNames = 24;
constexpr uint32_t kAddressOfFunctions = 28;
constexpr uint32_t kAddressOfNames = 32;
constexpr uint32_t kAddressOfNameOrdinals = 36;

uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Reads entries of a table lying inside the image a block at a time, so a
// table of 65536 entries costs a few hundred reads, not one per entry.
class TableReader {
 public:
  TableReader(const MemoryView& view, uint32_t start, uint32_t bytes)
      : view_(view), start_(start), bytes_(bytes) {}

  bool Get(uint32_t offset, uint32_t width, uint32_t* value) {
    if (offset > bytes_ || bytes_ - offset < width) return false;
    if (offset < cached_ || offset + width > cached_ + cachedLength_) {
      cached_ = offset;
      cachedLength_ = std::min<uint32_t>(sizeof block_, bytes_ - offset);
      if (!view_.Read(start_ + offset, block_, cachedLength_)) {
        cachedLength_ = 0;
        return false;
      }
    }
    const uint8_t* p = block_ + (offset - cached_);
    *value = width == 4 ? Le32(p) : uint32_t(p[0] | p[1] << 8);
    return true;
  }

 private:
  const MemoryView& view_;
  uint32_t start_;
  uint32_t bytes_;
  uint8_t block_[1024];
  uint32_t cached_ = 0;
  uint32_t cachedLength_ = 0;
};

// The NUL-terminated name at `address`, at most `limit` bytes before the
// NUL; false when it is unreadable or does not end in time.
bool ReadName(const MemoryView& view, uint32_t address, uint32_t limit, Text* name) {
  name->clear();
  for (uint32_t i = 0; i <= limit; ++i) {
    if (address > UINT32_MAX - i) return false;
    char c;
    if (!view.Read(address + i, &c, 1)) return false;
    if (c == '\0') return true;
    name->push_back(c);
  }
  return false;
}

}  // namespace

ExportMatch NearestExport(const MemoryView& view, uint32_t address, uint32_t base) {
  const ExportMatch none;
  if (base == 0 || address == 0) return none;

  uint16_t word = 0;
  if (!ReadU16(view, base, &word) || word != kDosSignature) return none;
  uint32_t peOffset = 0;
  if (!ReadU32(view, base + 60, &peOffset)) return none;
  if (peOffset == 0 || peOffset >= 0x10000000u) return none;
  const uint32_t pe = base + peOffset;
  if (pe < base) return none;
  if (!ReadU16(view, pe, &word) || word != kPeSignature) return none;
  uint16_t magic = 0;
  uint32_t sizeOfImage = 0, directoryCount = 0, exportRva = 0, exportSize = 0;
  if (!ReadU16(view, pe + kOptionalMagic, &magic) || magic != kPe32Magic) return none;
  if (!ReadU32(view, pe + kSizeOfImage, &sizeOfImage) ||
      !ReadU32(view, pe + kNumberOfRvaAndSizes, &directoryCount) ||
      !ReadU32(view, pe + kExportEntry, &exportRva) ||
      !ReadU32(view, pe + kExportEntry + 4, &exportSize)) {
    return none;
  }
  if (sizeOfImage > UINT32_MAX - base) return none;
  if (directoryCount < 1 || exportRva == 0) return none;
  // A directory outside the image belongs to nobody: reading it would
  // describe whatever happens to lie there.
  if (exportRva > sizeOfImage || sizeOfImage - exportRva < kDirectorySize) return none;

  uint8_t dir[kDirectorySize];
  if (!view.Read(base + exportRva, dir, kDirectorySize)) return none;
  const uint32_t numberOfFunctions = Le32(dir + kNumberOfFunctions);
  const uint32_t numberOfNames = Le32(dir + kNumberOfNames);
  const uint32_t functionsRva = Le32(dir + kAddressOfFunctions);
  const uint32_t namesRva = Le32(dir + kAddressOfNames);
  const uint32_t ordinalsRva = Le32(dir + kAddressOfNameOrdinals);
  if (numberOfNames == 0 || functionsRva == 0 || namesRva == 0) return none;
  if (functionsRva >= sizeOfImage || namesRva >= sizeOfImage || ordinalsRva == 0 ||
      ordinalsRva >= sizeOfImage) {
    return none;
  }

  // Huge counts are cut to what the image and the 16-bit ordinals can hold.
  const uint32_t functionCount =
      std::min({numberOfFunctions, kMaxExportEntries, (sizeOfImage - functionsRva) / 4});
  const uint32_t nameCount = std::min({numberOfNames, kMaxExportEntries,
                                       (sizeOfImage - namesRva) / 4,
                                       (sizeOfImage - ordinalsRva) / 2});

  uint32_t best = 0;
  uint32_t bestIndex = 0;
  TableReader functions(view, base + functionsRva, functionCount * 4);
  for (uint32_t i = 0; i < functionCount; ++i) {
    uint32_t rva = 0;
    if (!functions.Get(i * 4, 4, &rva)) return none;
    // 0 marks an unused ordinal; an address inside the directory is a
    // forwarder text ("OTHER.Function"), not code of this module.
    if (rva == 0 || rva >= sizeOfImage) continue;
    if (rva >= exportRva && rva - exportRva < exportSize) continue;
    const uint32_t f = base + rva;
    if (f <= address && f > best) {
      best = f;
      bestIndex = i;
    }
  }
  if (best == 0 || uint64_t{bestIndex} > uint64_t{numberOfNames} + 1) return none;

  Text name;
  TableReader ordinals(view, base + ordinalsRva, nameCount * 2);
  TableReader names(view, base + namesRva, nameCount * 4);
  for (uint32_t k = 0; k < nameCount; ++k) {
    uint32_t ordinal = 0;
    if (!ordinals.Get(k * 2, 2, &ordinal)) return none;
    if (ordinal != bestIndex) continue;
    uint32_t nameRva = 0;
    if (!names.Get(k * 4, 4, &nameRva)) return none;
    if (nameRva >= sizeOfImage) return none;
    const uint32_t limit = std::min(kMaxExportNameLength, sizeOfImage - nameRva - 1);
    if (!ReadName(view, base + nameRva, limit, &name)) return none;
    break;
  }
  if (name.empty()) name = FormatHex8(best);

  ExportMatch match;
  match.distance = static_cast<int32_t>(std::min<uint32_t>(address - best, INT32_MAX));
  match.name = std::move(name);
  return match;
}

}  // namespace qv
