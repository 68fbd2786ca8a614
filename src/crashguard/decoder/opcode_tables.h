// Flag tables of the instruction-length decoder: one entry per opcode byte
// of the one-byte map and of the two-byte map (the byte after 0F).
#pragma once

#include <cstdint>

namespace qv {

inline constexpr uint8_t kOpNoOperands = 0x01;  // described, nothing follows
inline constexpr uint8_t kOpModRM = 0x02;       // a ModR/M byte follows
inline constexpr uint8_t kOpImm8 = 0x04;        // an 8-bit immediate or displacement
inline constexpr uint8_t kOpImm16 = 0x08;       // a 16-bit immediate
inline constexpr uint8_t kOpImm32 = 0x10;       // 32-bit, 16-bit under an operand-size prefix
inline constexpr uint8_t kOpPrefix = 0x20;      // the whole entry: a prefix byte
inline constexpr uint8_t kOpEscape = 0x40;      // the whole entry: 0F, two-byte escape
inline constexpr uint8_t kOpRelative = 0x80;    // relative branch operand
// 0: the table does not describe the opcode; the decoder gives up on it.

extern const uint8_t OpcodeFlags[256];
extern const uint8_t TwoByteOpcodeFlags[256];

}  // namespace qv
