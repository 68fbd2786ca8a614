// The description section of a crash report: what kind of fault, where, and
// the nearest place in the program's own executable that led to it.
#pragma once

#include <cstdint>

#include "crashguard/call_stack.h"
#include "crashguard/memory_view.h"
#include "platform/types.h"

namespace qv {

inline constexpr uint32_t kStatusAccessViolation = 0xC0000005;
inline constexpr uint32_t kStatusIntegerDivideByZero = 0xC0000094;
inline constexpr uint32_t kStatusFloatDivideByZero = 0xC000008E;
inline constexpr uint32_t kStatusStackOverflow = 0xC00000FD;
inline constexpr uint32_t kStatusIllegalInstruction = 0xC000001D;
inline constexpr uint32_t kStatusBreakpoint = 0x80000003;
inline constexpr uint32_t kStatusPrivilegedInstruction = 0xC0000096;
// Raised by throw in code built with Microsoft's compiler ("\xE0msc").
inline constexpr uint32_t kMsvcThrowCode = 0xE06D7363;
// Raised by throw in code built with Borland/Embarcadero C++Builder: its
// documentation calls an uncaught one "External Exception EEFFACE", the
// Delphi runtime's "External exception %X" text for that code, and the
// Borland FAQ "What does EEFFACE mean?" names it the id given to C++
// exceptions.
inline constexpr uint32_t kCppBuilderThrowCode = 0x0EEFFACE;

inline constexpr uint32_t kExceptionParameterCount = 15;
inline constexpr uint32_t kExceptionRecordSize = 80;

// The guard's own copy of the system's 80-byte x86 EXCEPTION_RECORD.
struct CapturedFault {
  uint32_t ExceptionCode = 0;
  uint32_t ExceptionFlags = 0;
  uint32_t ExceptionRecord = 0;  // address of a nested record, as a number
  uint32_t ExceptionAddress = 0;
  uint32_t NumberParameters = 0;  // as the system gave it, even above 15
  uint32_t ExceptionInformation[kExceptionParameterCount] = {};
};

// Copies the five scalar fields and the 15 parameters of an 80-byte
// EXCEPTION_RECORD laid out as on 32-bit x86 (little-endian).
CapturedFault CaptureExceptionRecord(const uint8_t* record);

// The system's 716-byte x86 CONTEXT, kept as bytes so the copy and the
// copy-back are exact; the guard touches only a few registers.
struct ContextCopy {
  static constexpr uint32_t kSize = 716;
  static constexpr uint32_t kEaxOffset = 0xB0;
  static constexpr uint32_t kEbpOffset = 0xB4;
  static constexpr uint32_t kEipOffset = 0xB8;
  static constexpr uint32_t kEspOffset = 0xC4;

  uint8_t bytes[kSize] = {};

  uint32_t Get(uint32_t offset) const {
    const uint8_t* p = bytes + offset;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  }
  void Set(uint32_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
  }
  uint32_t Eax() const { return Get(kEaxOffset); }
  uint32_t Ebp() const { return Get(kEbpOffset); }
  uint32_t Eip() const { return Get(kEipOffset); }
  uint32_t Esp() const { return Get(kEspOffset); }
};

struct AnalysisAddress {
  bool found = false;
  uint32_t address = 0;
};

// The nearest return address inside the executable image (the snapshot's
// first module) at or above the fault, following the frame-pointer chain
// from the context's Ebp and Eip. The chain is followed only upwards and at
// most kMaxStackFrames links, so a damaged chain ends the search unfound.
AnalysisAddress FindAnalysisAddress(const MemoryView& view, const ModuleList& modules,
                                    const ContextCopy& context);

// The description text, GBK, every line ending in "\r\n". `modules` is a
// fresh snapshot taken by the caller. Lowers fault.NumberParameters to 15
// when it is larger and the parameter lines are written; changes nothing
// else.
Text DescribeException(const MemoryView& view, const ModuleList& modules, CapturedFault& fault,
                       const ContextCopy& context);

}  // namespace qv
