// Length of one 32-bit x86 instruction, from the opcode flag tables. Used to
// find how many whole instructions cover the bytes a hook overwrites.
#pragma once

#include <cstdint>

#include "crashguard/decoder/opcode_tables.h"

namespace qv {

inline constexpr int32_t kMaxInstructionLength = 15;

// The length in bytes of the instruction at `code`, prefixes included, or 0
// when the tables cannot tell it exactly (an opcode they do not describe,
// the three-byte maps 0F 38 / 0F 3A, 3DNow!, VEX/EVEX/XOP, or more than 15
// bytes): a caller must then refuse rather than guess. Reads at most 15
// bytes from `code`. The tables default to the built-in ones; a caller may
// pass copies of them.
int32_t InstructionLength(const uint8_t* code, const uint8_t* oneByteFlags = OpcodeFlags,
                          const uint8_t* twoByteFlags = TwoByteOpcodeFlags);

}  // namespace qv
