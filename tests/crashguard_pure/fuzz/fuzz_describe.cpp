// Random exception records, registers and stack contents through the
// description and the call-stack walk: no fault, no read outside the
// synthetic ranges, no endless chain, and no parameter beyond the 15 held.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "crashguard/call_stack.h"
#include "crashguard/exception_description.h"
#include "pe_image_builder.h"
#include "synthetic_memory.h"

namespace {

constexpr uint32_t kExe = 0x00400000;
constexpr uint32_t kDll = 0x10000000;
constexpr uint32_t kStack = 0x00120000;

uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < qv::kExceptionRecordSize + 8) return 0;
  static const std::vector<uint8_t> exe = qv::testing::BuildPeImage({});
  static const std::vector<uint8_t> dll =
      qv::testing::BuildPeImage({{0x2000, "Alpha", ""}, {0x3000, "", ""}});

  qv::testing::SyntheticMemory memory;
  memory.Map(kExe, exe);
  memory.Map(kDll, dll);
  // The rest of the input is the stack; frames point into it by small offsets.
  const uint8_t* stack = data + qv::kExceptionRecordSize + 8;
  const size_t stackSize = size - qv::kExceptionRecordSize - 8;
  memory.Map(kStack, std::vector<uint8_t>(stack, stack + stackSize));

  const qv::ModuleList modules = {{"a.exe", kExe, kExe + 0x4000}, {"test.dll", kDll, kDll + 0x4000},
                                  {"ntdll.dll", kDll + 0x4001, kDll + 0x8000}};
  const qv::Text routineName = "Vastel._启动子程序";
  const std::vector<qv::RoutineRef> routines = {{kExe + 0x1000, &routineName}};

  qv::CapturedFault fault = qv::CaptureExceptionRecord(data);
  const uint32_t originalCount = fault.NumberParameters;
  qv::ContextCopy context;
  context.Set(qv::ContextCopy::kEbpOffset, kStack + (Le32(data + 80) & 0xFFFF));
  context.Set(qv::ContextCopy::kEipOffset, Le32(data + 84));

  const qv::Text description = qv::DescribeException(memory, modules, fault, context);
  if (description.size() < 2 || description.compare(description.size() - 2, 2, "\r\n") != 0) {
    std::abort();
  }
  if (fault.NumberParameters != originalCount &&
      (originalCount <= qv::kExceptionParameterCount || fault.NumberParameters != 15)) {
    std::abort();
  }

  qv::WalkOptions options;
  options.skipSystemFrames = data[8] & 1;
  options.prologueScanLimit = data[9] & 1 ? 4096 : 16;
  const qv::Text stackText =
      qv::WalkCallStack(memory, routines, modules, options, context.Ebp(), context.Eip());
  if (!stackText.empty() && stackText.compare(stackText.size() - 2, 2, "\r\n") != 0) std::abort();
  if (memory.reads() > 200000) std::abort();
  return 0;
}
