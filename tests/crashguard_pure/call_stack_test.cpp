#include "crashguard/call_stack.h"

#include <gtest/gtest.h>

#include "pe_image_builder.h"
#include "synthetic_memory.h"

namespace qv {
namespace {

using testing::BuildPeImage;
using testing::PutLe;

constexpr uint32_t kExe = 0x00400000;
constexpr uint32_t kDll = 0x10000000;
constexpr uint32_t kKernel32 = 0x7C800000;
constexpr uint32_t kNtdll = 0x7C900000;
constexpr uint32_t kStack = 0x00120000;
constexpr uint32_t kStackSize = 0x10000;
constexpr uint32_t kLoose = 0x00700000;  // readable code in no module

// An image without an export directory.
std::vector<uint8_t> ImageWithoutExports() {
  std::vector<uint8_t> image = BuildPeImage({});
  PutLe(image, testing::kPeHeaderOffset + 120, 0);
  return image;
}

class CallStackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    memory_.Map(kExe, ImageWithoutExports());
    memory_.Map(kDll, BuildPeImage({{0x2000, "Alpha", ""}, {0x3000, "Beta", ""}}, 0x8000));
    memory_.Map(kKernel32, BuildPeImage({{0x2000, "BaseThreadInitThunk", ""}}));
    memory_.Map(kNtdll, BuildPeImage({{0x2000, "RtlUserThreadStart", ""}}));
    memory_.MapZeros(kStack, kStackSize);
    memory_.MapZeros(kLoose, 0x1000);
    modules_ = {{"a.exe", kExe, kExe + 0x4000},
                {"test.dll", kDll, kDll + 0x8000},
                {"kernel32.dll", kKernel32, kKernel32 + 0x4000},
                {"ntdll.dll", kNtdll, kNtdll + 0x4000}};
  }

  // Frame at `frame` linking to `next` with return address `ret`.
  void Frame(uint32_t frame, uint32_t next, uint32_t ret) {
    ASSERT_TRUE(memory_.Put32(frame, next));
    ASSERT_TRUE(memory_.Put32(frame + 4, ret));
  }

  Text Compose(const std::vector<uint32_t>& addresses) {
    return ComposeCallStack(memory_, RoutineRefsOf(registry_), modules_, options_, addresses);
  }

  struct Entry {
    int32_t codeAddress;
    Text name;
  };
  testing::SyntheticMemory memory_;
  ModuleList modules_;
  std::vector<Entry> registry_;
  WalkOptions options_;
};

// --- modules -----------------------------------------------------------------

TEST_F(CallStackTest, ModuleLookupIncludesBothEndsAndTakesTheFirstMatch) {
  modules_.push_back({"overlap.dll", kExe + 0x100, kExe + 0x200});
  const struct {
    uint32_t address;
    const char* name;
    uint32_t base;
  } cases[] = {
      {kExe, "a.exe", kExe},          {kExe + 0x150, "a.exe", kExe},
      {kExe + 0x4000, "a.exe", kExe},  // the end is included
      {kExe + 0x4001, "", 0},         {kExe - 1, "", 0},
      {kNtdll + 0x2000, "ntdll.dll", kNtdll},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ModuleNameOf(c.address, modules_), c.name) << std::hex << c.address;
    EXPECT_EQ(ModuleBaseOf(c.address, modules_), c.base) << std::hex << c.address;
  }
  EXPECT_EQ(ModuleNameOf(kExe, {}), "");
}

// --- frame chain ---------------------------------------------------------------

TEST_F(CallStackTest, FrameChainFollowsTheSavedFramePointers) {
  Frame(kStack + 0x100, kStack + 0x200, kExe + 0x1010);
  Frame(kStack + 0x200, kStack + 0x300, kDll + 0x2020);
  Frame(kStack + 0x300, 0, kKernel32 + 0x2030);
  EXPECT_EQ(ReadFrameChain(memory_, kStack + 0x100, kDll + 0x3000),
            (std::vector<uint32_t>{kDll + 0x3000, kExe + 0x1010, kDll + 0x2020, kKernel32 + 0x2030}));
}

TEST_F(CallStackTest, FramePointerZeroGivesTheFirstAddressAlone) {
  EXPECT_EQ(ReadFrameChain(memory_, 0, 0x1234), std::vector<uint32_t>{0x1234});
}

TEST_F(CallStackTest, UnreadableReturnAddressIsKeptAsZero) {
  Frame(kStack + 0x100, kStack + 0x200, 0x00500000);  // unmapped
  Frame(kStack + 0x200, 0, kExe + 0x10);
  EXPECT_EQ(ReadFrameChain(memory_, kStack + 0x100, kExe),
            (std::vector<uint32_t>{kExe, 0, kExe + 0x10}));
}

TEST_F(CallStackTest, DamagedChainsEndWithTheAddressesFoundSoFar) {
  const struct {
    const char* what;
    uint32_t secondLink;
  } cases[] = {
      {"loop back to the first frame", kStack + 0x100},
      {"loop onto itself", kStack + 0x200},
      {"below the previous frame", kStack + 0x80},
      {"into unmapped memory", 0x00600000},
      {"negative address", 0x80001000},
  };
  for (const auto& c : cases) {
    Frame(kStack + 0x100, kStack + 0x200, kExe + 0x10);
    Frame(kStack + 0x200, c.secondLink, kExe + 0x20);
    Frame(kStack + 0x80, kStack + 0x100, kExe + 0x30);
    EXPECT_EQ(ReadFrameChain(memory_, kStack + 0x100, kExe),
              (std::vector<uint32_t>{kExe, kExe + 0x10, kExe + 0x20}))
        << c.what;
  }
}

TEST_F(CallStackTest, EndlessRisingChainIsCut) {
  for (uint32_t f = kStack; f + 16 <= kStack + kStackSize; f += 8) Frame(f, f + 8, kExe + 1);
  const std::vector<uint32_t> chain = ReadFrameChain(memory_, kStack, kExe);
  EXPECT_EQ(chain.size(), 1 + kMaxStackFrames);
}

// --- registered routines ----------------------------------------------------------

TEST(FindNearestRoutine, NearestAtOrBelowTiesToTheEarlier) {
  const Text a = "A", b = "B", c = "C";
  const std::vector<RoutineRef> refs = {{0x401000, &a}, {0x401000, &b}, {0x402000, &c}};
  EXPECT_EQ(FindNearestRoutine(refs, 0x401000), 1);
  EXPECT_EQ(FindNearestRoutine(refs, 0x401FFF), 1);
  EXPECT_EQ(FindNearestRoutine(refs, 0x402010), 3);
  EXPECT_EQ(FindNearestRoutine(refs, 0x400FFF), 0);
  EXPECT_EQ(FindNearestRoutine({}, 0x401000), 0);
}

TEST(FindNearestRoutine, NothingTooFarBelowIsChosen) {
  const Text a = "A";
  const std::vector<RoutineRef> refs = {{0x10, &a}};
  EXPECT_EQ(FindNearestRoutine(refs, 0x10 + 0x540BE3FE), 1);
  EXPECT_EQ(FindNearestRoutine(refs, 0x10 + 0x540BE3FF), 0);
}

// --- text ------------------------------------------------------------------------

TEST_F(CallStackTest, ModuleLineThenNoModuleLineOneSpaceDeeper) {
  EXPECT_EQ(Compose({kLoose + 0x10, kExe + 0x1A2}),
            "[a.exe]+0x01A2=004001A2\r\n"
            " 0x00700010\r\n");
}

TEST_F(CallStackTest, RegisteredRoutineLines) {
  registry_ = {{static_cast<int32_t>(kExe + 0x1000), "Vastel._启动子程序"},
               {static_cast<int32_t>(kExe + 0x2000), "Main.Loop"}};
  EXPECT_EQ(Compose({kExe + 0x2345, kExe + 0x1000}),
            "Vastel._启动子程序\r\n"
            " Main.Loop+0x0345=00402345\r\n");
}

TEST_F(CallStackTest, PrologueScanLimitBoundsTheRegisteredMatch) {
  registry_ = {{static_cast<int32_t>(kDll + 0x1000), "Dll.Routine"}};
  EXPECT_EQ(Compose({kDll + 0x1000 + 4096}), "Dll.Routine+0x1000=10002000\r\n");
  // One byte further the export that starts there names the frame.
  EXPECT_EQ(Compose({kDll + 0x1000 + 4097}), "[test.dll].Alpha+0x01\r\n");
  options_.prologueScanLimit = 8192;
  EXPECT_EQ(Compose({kDll + 0x1000 + 4097}), "Dll.Routine+0x1001=10002001\r\n");
}

TEST_F(CallStackTest, ExportLines) {
  EXPECT_EQ(Compose({kDll + 0x3010, kDll + 0x2000}),
            "[test.dll].Alpha\r\n"
            " [test.dll].Beta+0x10\r\n");
}

TEST_F(CallStackTest, FrameFarFromItsExportGivesNoLineAndNoIndent) {
  // 0xFFF past Alpha is listed; 0x1001 past Beta is not, and the next line
  // is only one space deeper.
  EXPECT_EQ(Compose({kExe + 0x10, kDll + 0x3000 + 0x1001, kDll + 0x2FFF}),
            "[test.dll].Alpha+0x0FFF\r\n"
            " [a.exe]+0x10=00400010\r\n");
}

TEST_F(CallStackTest, SystemFramesAtTheBottomAreSkippedUntilTheFirstLine) {
  const std::vector<uint32_t> chain = {kNtdll + 0x2001, kKernel32 + 0x2002, kExe + 0x10,
                                       kKernel32 + 0x2003, kNtdll + 0x2004};
  options_.skipSystemFrames = 1;
  EXPECT_EQ(Compose(chain),
            "[a.exe]+0x10=00400010\r\n"
            " [kernel32.dll].BaseThreadInitThunk+0x02\r\n"
            "  [ntdll.dll].RtlUserThreadStart+0x01\r\n");
  options_.skipSystemFrames = 0;
  EXPECT_EQ(Compose(chain),
            "[ntdll.dll].RtlUserThreadStart+0x04\r\n"
            " [kernel32.dll].BaseThreadInitThunk+0x03\r\n"
            "  [a.exe]+0x10=00400010\r\n"
            "   [kernel32.dll].BaseThreadInitThunk+0x02\r\n"
            "    [ntdll.dll].RtlUserThreadStart+0x01\r\n");
}

TEST_F(CallStackTest, SystemModuleNamesCompareIgnoringCase) {
  modules_[2].name = "KERNEL32.DLL";
  options_.skipSystemFrames = 1;
  EXPECT_EQ(Compose({kExe + 0x10, kKernel32 + 0x2003}), "[a.exe]+0x10=00400010\r\n");
}

TEST_F(CallStackTest, ZeroAndUnreadableAddressesAreSkipped) {
  EXPECT_EQ(Compose({kExe + 0x10, 0, 0x00600000}), "[a.exe]+0x10=00400010\r\n");
  EXPECT_EQ(Compose({0}), "");
}

TEST_F(CallStackTest, WalkFromARealChain) {
  registry_ = {{static_cast<int32_t>(kExe + 0x1000), "Vastel._启动子程序"}};
  Frame(kStack + 0x100, kStack + 0x200, kExe + 0x2010);
  Frame(kStack + 0x200, kStack + 0x100, kExe + 0x1004);  // loops back: ends here
  EXPECT_EQ(WalkCallStack(memory_, RoutineRefsOf(registry_), modules_, options_, kStack + 0x100,
                          kLoose),
            "Vastel._启动子程序+0x04=00401004\r\n"
            " [a.exe]+0x2010=00402010\r\n"  // 0x1010 is past the scan limit
            "  0x00700000\r\n");
  // framePointer 0: at most one line.
  EXPECT_EQ(WalkCallStack(memory_, RoutineRefsOf(registry_), modules_, options_, 0, kLoose),
            "0x00700000\r\n");
}

}  // namespace
}  // namespace qv
