#include "crashguard/exception_description.h"

#include <gtest/gtest.h>

#include "pe_image_builder.h"
#include "synthetic_memory.h"

namespace qv {
namespace {

constexpr uint32_t kExe = 0x00400000;
constexpr uint32_t kKernel32 = 0x7C800000;
constexpr uint32_t kStack = 0x00120000;
constexpr uint32_t kLoose = 0x00700000;     // readable, in no module
constexpr uint32_t kUnmapped = 0x00600000;  // unreadable, in no module

const char kWarning[] = "警告:程序发生错误\r\n";

class DescribeExceptionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    memory_.Map(kExe, testing::BuildPeImage({}));
    memory_.Map(kKernel32, testing::BuildPeImage({{0x2000, "RaiseException", ""}}));
    memory_.MapZeros(kStack, 0x10000);
    memory_.MapZeros(kLoose, 0x1000);
    modules_ = {{"a.exe", kExe, kExe + 0x4000}, {"kernel32.dll", kKernel32, kKernel32 + 0x4000}};
  }

  void Frame(uint32_t frame, uint32_t next, uint32_t ret) {
    ASSERT_TRUE(memory_.Put32(frame, next));
    ASSERT_TRUE(memory_.Put32(frame + 4, ret));
  }

  static CapturedFault Fault(uint32_t code, uint32_t address, uint32_t count = 0) {
    CapturedFault f;
    f.ExceptionCode = code;
    f.ExceptionAddress = address;
    f.NumberParameters = count;
    return f;
  }
  static ContextCopy Context(uint32_t ebp, uint32_t eip) {
    ContextCopy c;
    c.Set(ContextCopy::kEbpOffset, ebp);
    c.Set(ContextCopy::kEipOffset, eip);
    return c;
  }

  Text Describe(CapturedFault& fault, const ContextCopy& context) {
    return DescribeException(memory_, modules_, fault, context);
  }
  Text Describe(CapturedFault& fault) { return Describe(fault, Context(0, fault.ExceptionAddress)); }

  testing::SyntheticMemory memory_;
  ModuleList modules_;
};

TEST_F(DescribeExceptionTest, TextIsGbk) {
  CapturedFault f = Fault(kStatusBreakpoint, kUnmapped);
  // "警告" in code page 936.
  EXPECT_EQ(Describe(f).substr(0, 4), "\xBE\xAF\xB8\xE6");
}

TEST_F(DescribeExceptionTest, KindLines) {
  const struct {
    uint32_t code;
    const char* line;
  } cases[] = {
      {0xC0000094, "错误信息:非法除0异常\r\n"},
      {0xC000008E, "错误信息:非法除0异常\r\n"},
      {0xC000001D, "错误信息:非法CPU指令\r\n"},
      {0x80000003, "错误信息:int3调试中断\r\n"},
      {0xC0000096, "错误信息:无法执行Ring0指令\r\n"},
      {0xE06D7363, "错误信息:执行Virtual C++ throw()指令\r\n"},
      {0x0EEFFACE, "错误信息:执行C++ Builder throw()指令\r\n"},
      // Delphi's own exceptions are not C++Builder throws.
      {0x0EEDFADE, "错误代码:0EEDFADE\r\n"},
      {0xC0000006, "错误代码:C0000006\r\n"},
      {0x00000000, "错误代码:00000000\r\n"},
  };
  for (const auto& c : cases) {
    CapturedFault f = Fault(c.code, kUnmapped);
    EXPECT_EQ(Describe(f), Text(kWarning) + c.line + "发生位置:00600000\r\n") << std::hex << c.code;
  }
}

TEST_F(DescribeExceptionTest, StackOverflowReplacesTheWarning) {
  CapturedFault f = Fault(kStatusStackOverflow, kUnmapped, 2);
  f.ExceptionInformation[1] = 0x1234;
  EXPECT_EQ(Describe(f),
            "错误信息:线程堆栈溢出异常\r\n"
            "发生位置:00600000\r\n"
            "错误参数1:00000000\r\n"
            "错误参数2:00001234\r\n");
}

TEST_F(DescribeExceptionTest, AccessViolationReadAndWriteWithoutParameterLines) {
  const struct {
    uint32_t operation;
    const char* verb;
  } cases[] = {{0, "读取"}, {1, "写入"}, {8, "写入"}};
  for (const auto& c : cases) {
    CapturedFault f = Fault(kStatusAccessViolation, kUnmapped, 2);
    f.ExceptionInformation[0] = c.operation;
    f.ExceptionInformation[1] = 0xDEAD0010;
    EXPECT_EQ(Describe(f), Text(kWarning) + "错误信息:内存" + c.verb +
                               "异常\r\n目标地址:DEAD0010\r\n发生位置:00600000\r\n");
  }
}

TEST_F(DescribeExceptionTest, AccessViolationWithHugeCountIsLeftAlone) {
  CapturedFault f = Fault(kStatusAccessViolation, kUnmapped, 0xFFFFFFFF);
  const Text text = Describe(f);
  EXPECT_EQ(text.find("错误参数"), Text::npos);
  EXPECT_EQ(f.NumberParameters, 0xFFFFFFFFu);
}

TEST_F(DescribeExceptionTest, ExampleInsideTheExecutable) {
  // A read of address 0 at a.exe+1A2B, called from a.exe+0x2345.
  Frame(kStack + 0x100, kStack + 0x200, kExe + 0x2345);
  CapturedFault f = Fault(kStatusAccessViolation, kExe + 0x1A2B, 2);
  EXPECT_EQ(Describe(f, Context(kStack + 0x100, kExe + 0x1A2B)),
            Text(kWarning) +
                "错误信息:内存读取异常\r\n"
                "目标地址:00000000\r\n"
                "发生位置:00401A2B\r\n"
                "相对地址:[a.exe].00001A2B\r\n"
                "分析位置:00402345\r\n");
}

TEST_F(DescribeExceptionTest, BreakpointParameterLines) {
  CapturedFault f = Fault(kStatusBreakpoint, kUnmapped, 1);
  EXPECT_EQ(Describe(f), Text(kWarning) +
                             "错误信息:int3调试中断\r\n"
                             "发生位置:00600000\r\n"
                             "错误参数1:00000000\r\n");
  CapturedFault t = Fault(kMsvcThrowCode, kUnmapped, 3);
  t.ExceptionInformation[0] = 0x19930520;
  t.ExceptionInformation[2] = 0xFFFFFFFF;
  EXPECT_EQ(Describe(t), Text(kWarning) +
                             "错误信息:执行Virtual C++ throw()指令\r\n"
                             "发生位置:00600000\r\n"
                             "错误参数1:19930520\r\n"
                             "错误参数2:00000000\r\n"
                             "错误参数3:FFFFFFFF\r\n");
}

TEST_F(DescribeExceptionTest, ParameterCountAboveFifteenIsLowered) {
  for (uint32_t count : {16u, 20u, 0xFFFFFFFFu}) {
    CapturedFault f = Fault(0xC0000001, kUnmapped, count);
    for (uint32_t k = 0; k < 15; ++k) f.ExceptionInformation[k] = 0x100 + k;
    const Text text = Describe(f);
    EXPECT_NE(text.find("错误参数15:0000010E\r\n"), Text::npos) << count;
    EXPECT_EQ(text.find("错误参数16"), Text::npos) << count;
    EXPECT_EQ(f.NumberParameters, 15u) << count;
  }
}

TEST_F(DescribeExceptionTest, RelativeAddressOnlyInsideAModule) {
  CapturedFault in = Fault(kStatusBreakpoint, kKernel32 + 0x2004);
  EXPECT_NE(Describe(in).find("相对地址:[kernel32.dll].00002004\r\n"), Text::npos);
  CapturedFault out = Fault(kStatusBreakpoint, kLoose);
  EXPECT_EQ(Describe(out).find("相对地址"), Text::npos);
  modules_.clear();
  CapturedFault none = Fault(kStatusBreakpoint, kKernel32 + 0x2004);
  const Text text = Describe(none);
  EXPECT_EQ(text.find("相对地址"), Text::npos);
  EXPECT_EQ(text.find("分析位置"), Text::npos);
}

// --- analysis address --------------------------------------------------------

TEST_F(DescribeExceptionTest, AnalysisFindsTheFirstReturnIntoTheExecutable) {
  // A fault in kernel32, two kernel32 frames, then a return into a.exe.
  Frame(kStack + 0x100, kStack + 0x200, kKernel32 + 0x2100);
  Frame(kStack + 0x200, kStack + 0x300, kExe + 0x1111);
  Frame(kStack + 0x300, 0, kExe + 0x2222);
  const AnalysisAddress a =
      FindAnalysisAddress(memory_, modules_, Context(kStack + 0x100, kKernel32 + 0x2010));
  EXPECT_TRUE(a.found);
  EXPECT_EQ(a.address, kExe + 0x1111);
}

TEST_F(DescribeExceptionTest, AnalysisOfAnAddressOutsideEveryModuleIsThatAddress) {
  const AnalysisAddress a = FindAnalysisAddress(memory_, modules_, Context(0, kLoose + 4));
  EXPECT_TRUE(a.found);
  EXPECT_EQ(a.address, kLoose + 4);
  EXPECT_FALSE(FindAnalysisAddress(memory_, modules_, Context(0, kUnmapped)).found);
  EXPECT_FALSE(FindAnalysisAddress(memory_, {}, Context(0, kLoose)).found);
}

TEST_F(DescribeExceptionTest, DamagedChainsEndTheAnalysisUnfound) {
  const struct {
    const char* what;
    uint32_t secondLink;
  } cases[] = {
      {"loop", kStack + 0x100},
      {"onto itself", kStack + 0x200},
      {"below", kStack + 0x80},
      {"unmapped", kUnmapped},
  };
  for (const auto& c : cases) {
    // Every return stays in kernel32, so only the chain's damage can end it.
    Frame(kStack + 0x80, kStack + 0x100, kKernel32 + 0x2300);
    Frame(kStack + 0x100, kStack + 0x200, kKernel32 + 0x2100);
    Frame(kStack + 0x200, c.secondLink, kKernel32 + 0x2200);
    const ContextCopy context = Context(kStack + 0x100, kKernel32 + 0x2010);
    EXPECT_FALSE(FindAnalysisAddress(memory_, modules_, context).found) << c.what;
    CapturedFault f = Fault(kStatusBreakpoint, kKernel32 + 0x2010);
    EXPECT_EQ(Describe(f, context).find("分析位置"), Text::npos) << c.what;
  }
}

TEST_F(DescribeExceptionTest, EndlessRisingChainEndsTheAnalysis) {
  for (uint32_t f = kStack; f + 16 <= kStack + 0x10000; f += 8) Frame(f, f + 8, kKernel32 + 0x2100);
  EXPECT_FALSE(FindAnalysisAddress(memory_, modules_, Context(kStack, kKernel32 + 0x2010)).found);
}

// --- the system's records ------------------------------------------------------

TEST(CapturedRecords, ExceptionRecordLayout) {
  uint8_t record[kExceptionRecordSize];
  for (uint32_t k = 0; k < sizeof record; ++k) record[k] = static_cast<uint8_t>(k);
  const CapturedFault f = CaptureExceptionRecord(record);
  EXPECT_EQ(f.ExceptionCode, 0x03020100u);
  EXPECT_EQ(f.ExceptionFlags, 0x07060504u);
  EXPECT_EQ(f.ExceptionRecord, 0x0B0A0908u);
  EXPECT_EQ(f.ExceptionAddress, 0x0F0E0D0Cu);
  EXPECT_EQ(f.NumberParameters, 0x13121110u);
  EXPECT_EQ(f.ExceptionInformation[0], 0x17161514u);
  EXPECT_EQ(f.ExceptionInformation[14], 0x4F4E4D4Cu);
}

TEST(CapturedRecords, ContextRegistersAtTheSystemOffsets) {
  ContextCopy c;
  const uint8_t ebp[] = {0x78, 0x56, 0x34, 0x12};
  const uint8_t eip[] = {0xEF, 0xBE, 0xAD, 0xDE};
  std::copy(ebp, ebp + 4, c.bytes + 0xB4);
  std::copy(eip, eip + 4, c.bytes + 0xB8);
  EXPECT_EQ(c.Ebp(), 0x12345678u);
  EXPECT_EQ(c.Eip(), 0xDEADBEEFu);
  static_assert(sizeof(ContextCopy) == 716);
}

}  // namespace
}  // namespace qv
