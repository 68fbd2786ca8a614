#include "crashguard/exception_description.h"

#include "crashguard/format.h"

namespace qv {
namespace {

uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

CapturedFault CaptureExceptionRecord(const uint8_t* record) {
  CapturedFault f;
  f.ExceptionCode = Le32(record);
  f.ExceptionFlags = Le32(record + 4);
  f.ExceptionRecord = Le32(record + 8);
  f.ExceptionAddress = Le32(record + 12);
  f.NumberParameters = Le32(record + 16);
  for (uint32_t k = 0; k < kExceptionParameterCount; ++k) {
    f.ExceptionInformation[k] = Le32(record + 20 + 4 * k);
  }
  return f;
}

AnalysisAddress FindAnalysisAddress(const MemoryView& view, const ModuleList& modules,
                                    const ContextCopy& context) {
  const AnalysisAddress notFound;
  if (modules.empty()) return notFound;
  const ModuleEntry& image = modules.front();

  uint32_t frame = context.Ebp();
  uint32_t address = context.Eip();
  uint32_t previous = 0;
  for (uint32_t links = 0;; ++links) {
    if (ModuleNameOf(address, modules).empty()) break;
    // Callers' frames lie higher on the stack; a chain that stands still,
    // turns back or runs on without end is damaged.
    if (links >= kMaxStackFrames || (links > 0 && frame <= previous)) return notFound;
    if (!view.IsCodeReadable(frame)) return notFound;
    address = SafeReadPointer(view, frame + 4);
    const uint32_t next = SafeReadPointer(view, frame);
    if (image.base <= address && address <= image.end) break;
    previous = frame;
    frame = next;
  }
  if (!view.IsCodeReadable(address)) return notFound;
  return AnalysisAddress{true, address};
}

Text DescribeException(const MemoryView& view, const ModuleList& modules, CapturedFault& fault,
                       const ContextCopy& context) {
  Text text = "警告:程序发生错误\r\n";
  bool accessViolation = false;
  switch (fault.ExceptionCode) {
    case kStatusAccessViolation:
      text += "错误信息:内存";
      text += fault.ExceptionInformation[0] == 0 ? "读取" : "写入";
      text += "异常\r\n目标地址:" + FormatHex8(fault.ExceptionInformation[1]) + "\r\n";
      accessViolation = true;
      break;
    case kStatusIntegerDivideByZero:
    case kStatusFloatDivideByZero:
      text += "错误信息:非法除0异常\r\n";
      break;
    case kStatusStackOverflow:
      text = "错误信息:线程堆栈溢出异常\r\n";
      break;
    case kStatusIllegalInstruction:
      text += "错误信息:非法CPU指令\r\n";
      break;
    case kStatusBreakpoint:
      text += "错误信息:int3调试中断\r\n";
      break;
    case kStatusPrivilegedInstruction:
      text += "错误信息:无法执行Ring0指令\r\n";
      break;
    case kMsvcThrowCode:
      text += "错误信息:执行Virtual C++ throw()指令\r\n";
      break;
    case kCppBuilderThrowCode:
      text += "错误信息:执行C++ Builder throw()指令\r\n";
      break;
    default:
      text += "错误代码:" + FormatHex8(fault.ExceptionCode) + "\r\n";
      break;
  }

  text += "发生位置:" + FormatHex8(fault.ExceptionAddress) + "\r\n";

  const Text name = ModuleNameOf(fault.ExceptionAddress, modules);
  if (!name.empty()) {
    const uint32_t base = ModuleBaseOf(fault.ExceptionAddress, modules);
    text += "相对地址:[" + name + "]." + FormatHex8(fault.ExceptionAddress - base) + "\r\n";
  }

  const AnalysisAddress analysis = FindAnalysisAddress(view, modules, context);
  if (analysis.found) text += "分析位置:" + FormatHex8(analysis.address) + "\r\n";

  if (!accessViolation && fault.NumberParameters != 0) {
    if (fault.NumberParameters > kExceptionParameterCount) {
      fault.NumberParameters = kExceptionParameterCount;
    }
    for (uint32_t k = 1; k <= fault.NumberParameters; ++k) {
      text += "错误参数" + FormatDecimal(static_cast<int32_t>(k)) + ":" +
              FormatHex8(fault.ExceptionInformation[k - 1]) + "\r\n";
    }
  }
  return text;
}

}  // namespace qv
