#include "crashguard/pe_exports.h"

#include <gtest/gtest.h>

#include "pe_image_builder.h"
#include "synthetic_memory.h"

namespace qv {
namespace {

using testing::BuildPeImage;
using testing::kExportDirectoryRva;
using testing::kPeHeaderOffset;
using testing::PeExport;
using testing::PutLe;

constexpr uint32_t kBase = 0x10000000;

class NearestExportTest : public ::testing::Test {
 protected:
  void Load(std::vector<uint8_t> image) { memory_.Map(kBase, std::move(image)); }
  ExportMatch At(uint32_t rva) { return NearestExport(memory_, kBase + rva, kBase); }

  testing::SyntheticMemory memory_;
};

TEST_F(NearestExportTest, NamedExportsByDistance) {
  Load(BuildPeImage({{0x2000, "Alpha", ""}, {0x2400, "Beta", ""}, {0x2100, "Gamma", ""}}));
  const struct {
    uint32_t rva;
    int32_t distance;
    const char* name;
  } cases[] = {
      {0x2000, 0, "Alpha"}, {0x20FF, 0xFF, "Alpha"}, {0x2100, 0, "Gamma"},
      {0x2350, 0x250, "Gamma"}, {0x2400, 0, "Beta"}, {0x3FFF, 0x1BFF, "Beta"},
  };
  for (const auto& c : cases) {
    const ExportMatch m = At(c.rva);
    EXPECT_EQ(m.distance, c.distance) << std::hex << c.rva;
    EXPECT_EQ(m.name, c.name) << std::hex << c.rva;
  }
}

TEST_F(NearestExportTest, AddressBelowEveryExportFindsNothing) {
  Load(BuildPeImage({{0x2000, "Alpha", ""}}));
  const ExportMatch m = At(0x1FFF);
  EXPECT_EQ(m.distance, 0);
  EXPECT_EQ(m.name, "");
}

TEST_F(NearestExportTest, UnnamedExportIsWrittenAsItsAddress) {
  // Index 1 has no name; NumberOfNames is 1, so index 1 <= 1 + 1.
  Load(BuildPeImage({{0x2000, "Alpha", ""}, {0x2200, "", ""}}));
  const ExportMatch m = At(0x2210);
  EXPECT_EQ(m.distance, 0x10);
  EXPECT_EQ(m.name, "10002200");
}

TEST_F(NearestExportTest, UnnamedExportFarBeyondTheNamesFallsBackToTheModule) {
  // Index 3 exceeds NumberOfNames + 1 (= 2): no export is reported.
  Load(BuildPeImage({{0x2000, "Alpha", ""}, {0x2100, "", ""}, {0x2200, "", ""}, {0x2300, "", ""}}));
  const ExportMatch m = At(0x2310);
  EXPECT_EQ(m.distance, 0);
  EXPECT_EQ(m.name, "");
  EXPECT_EQ(At(0x2210).name, "10002200");
}

TEST_F(NearestExportTest, ForwardersAndUnusedOrdinalsAreNotCode) {
  // The forwarder's text lies in the directory at 0x1000.., below the code
  // address; an unused ordinal (address 0) would otherwise be the image base.
  Load(BuildPeImage({{0, "", ""}, {0x0500, "Early", ""}, {0, "Fwd", "OTHER.Function"}}));
  const ExportMatch m = At(0x1F00);
  EXPECT_EQ(m.name, "Early");
  EXPECT_EQ(m.distance, 0x1A00);
}

TEST_F(NearestExportTest, OrdinalsAboveThe16BitSignBitStillFindTheirName) {
  // 0x8001 named exports; the last one's index has the 16-bit sign bit set.
  std::vector<PeExport> exports(0x8001);
  for (uint32_t i = 0; i < exports.size(); ++i) {
    exports[i].rva = 0x200 + i;
    exports[i].name = "F" + std::to_string(i);
  }
  exports.back().name = "Last";
  exports.back().rva = 0xF0000;
  Load(BuildPeImage(exports, 0x100000));
  const ExportMatch m = At(0xF0004);
  EXPECT_EQ(m.name, "Last");
  EXPECT_EQ(m.distance, 4);
}

TEST_F(NearestExportTest, DamagedHeadersGiveNoExport) {
  const std::vector<PeExport> exports = {{0x2000, "Alpha", ""}};
  struct Damage {
    const char* what;
    void (*apply)(std::vector<uint8_t>&);
  };
  const Damage damages[] = {
      {"no MZ", [](std::vector<uint8_t>& i) { i[0] = 'X'; }},
      {"no PE", [](std::vector<uint8_t>& i) { i[kPeHeaderOffset + 1] = 'X'; }},
      {"e_lfanew 0", [](std::vector<uint8_t>& i) { PutLe(i, 60, 0); }},
      {"e_lfanew negative", [](std::vector<uint8_t>& i) { PutLe(i, 60, 0xFFFFFF00); }},
      {"e_lfanew beyond memory", [](std::vector<uint8_t>& i) { PutLe(i, 60, 0x0FFFFFF0); }},
      {"PE32+ header", [](std::vector<uint8_t>& i) { PutLe(i, kPeHeaderOffset + 24, 0x20B, 2); }},
      {"zero export entry", [](std::vector<uint8_t>& i) { PutLe(i, kPeHeaderOffset + 120, 0); }},
      {"no data directories", [](std::vector<uint8_t>& i) { PutLe(i, kPeHeaderOffset + 116, 0); }},
      {"directory outside the image",
       [](std::vector<uint8_t>& i) { PutLe(i, kPeHeaderOffset + 120, 0x3FF0); }},
      {"directory far outside the image",
       [](std::vector<uint8_t>& i) { PutLe(i, kPeHeaderOffset + 120, 0x7FFFFFF0); }},
      {"function table outside the image",
       [](std::vector<uint8_t>& i) { PutLe(i, kExportDirectoryRva + 28, 0x5000); }},
      {"name outside the image",
       [](std::vector<uint8_t>& i) {
         const uint32_t names = kExportDirectoryRva + 40 + 4;
         PutLe(i, names, 0x9000);
       }},
      {"name table outside the image",
       [](std::vector<uint8_t>& i) { PutLe(i, kExportDirectoryRva + 32, 0x4000); }},
      {"ordinal table at 0", [](std::vector<uint8_t>& i) { PutLe(i, kExportDirectoryRva + 36, 0); }},
      {"no names", [](std::vector<uint8_t>& i) { PutLe(i, kExportDirectoryRva + 24, 0); }},
  };
  for (const Damage& d : damages) {
    std::vector<uint8_t> image = BuildPeImage(exports);
    d.apply(image);
    testing::SyntheticMemory memory;
    memory.Map(kBase, image);
    const ExportMatch m = NearestExport(memory, kBase + 0x2010, kBase);
    EXPECT_EQ(m.distance, 0) << d.what;
    EXPECT_EQ(m.name, "") << d.what;
  }
}

TEST_F(NearestExportTest, NameWithoutNulEndsInNoExport) {
  std::vector<uint8_t> image = BuildPeImage({{0x2000, "Alpha", ""}});
  // Point the name at the last bytes of the image and fill them without a NUL.
  const uint32_t nameRva = 0x3FF0;
  for (uint32_t k = nameRva; k < image.size(); ++k) image[k] = 'A';
  PutLe(image, kExportDirectoryRva + 40 + 4, nameRva);
  memory_.Map(kBase, image);
  // Readable memory follows the image: the name must still stop at its end.
  memory_.Map(kBase + 0x4000, std::vector<uint8_t>(0x100, 'B'));
  const ExportMatch m = At(0x2004);
  EXPECT_EQ(m.distance, 0);
  EXPECT_EQ(m.name, "");
}

TEST_F(NearestExportTest, HugeNameIsTakenForDamage) {
  std::vector<uint8_t> image = BuildPeImage({{0x2000, "Alpha", ""}}, 0x10000);
  for (uint32_t k = 0x8000; k < 0xA000; ++k) image[k] = 'n';
  PutLe(image, kExportDirectoryRva + 40 + 4, 0x8000);
  Load(image);
  EXPECT_EQ(At(0x2004).name, "");
}

TEST_F(NearestExportTest, UnreadableTablesGiveNoExport) {
  // The image claims 0x4000 bytes but only its first page is mapped.
  std::vector<uint8_t> image = BuildPeImage({{0x0800, "Alpha", ""}});
  image.resize(kExportDirectoryRva + 40);  // the directory, not its tables
  Load(image);
  const ExportMatch m = At(0x0900);
  EXPECT_EQ(m.distance, 0);
  EXPECT_EQ(m.name, "");
}

TEST_F(NearestExportTest, HugeCountsEndQuicklyWithinTheImage) {
  std::vector<uint8_t> image = BuildPeImage({{0x2000, "Alpha", ""}});
  PutLe(image, kExportDirectoryRva + 20, 0xFFFFFFFF);
  PutLe(image, kExportDirectoryRva + 24, 0xFFFFFFFF);
  Load(image);
  const ExportMatch m = At(0x2010);
  // The scan is cut to the image; what it reads past the real tables is
  // zeros (unused ordinals), so the real export still wins.
  EXPECT_EQ(m.name, "Alpha");
  EXPECT_EQ(m.distance, 0x10);
  EXPECT_LT(memory_.reads(), 200u);
}

TEST_F(NearestExportTest, ZeroBaseOrAddressFindsNothing) {
  Load(BuildPeImage({{0x2000, "Alpha", ""}}));
  EXPECT_EQ(NearestExport(memory_, 0, kBase).name, "");
  EXPECT_EQ(NearestExport(memory_, kBase + 0x2000, 0).name, "");
}

}  // namespace
}  // namespace qv
