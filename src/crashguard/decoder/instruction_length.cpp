#include "crashguard/decoder/instruction_length.h"

namespace qv {

int32_t InstructionLength(const uint8_t* code, const uint8_t* oneByte, const uint8_t* twoByte) {
  int32_t i = 0;
  bool operandSize = false;
  bool addressSize = false;

  uint8_t opcode = 0;
  uint8_t f = 0;
  for (;;) {
    if (i >= kMaxInstructionLength) return 0;
    opcode = code[i++];
    f = oneByte[opcode];
    if (f != kOpPrefix) break;
    if (opcode == 0x66) operandSize = true;
    if (opcode == 0x67) addressSize = true;
  }

  bool twoByteMap = false;
  if (f == kOpEscape) {
    if (i >= kMaxInstructionLength) return 0;
    opcode = code[i++];
    f = twoByte[opcode];
    twoByteMap = true;
  }
  if (f == 0 || f == kOpPrefix || f == kOpEscape) return 0;

  // Everything below needs the ModR/M byte first.
  int32_t modrm = -1;
  if (f & kOpModRM) {
    if (i >= kMaxInstructionLength) return 0;
    modrm = code[i];
  }
  const int32_t mod = modrm >> 6;
  const int32_t reg = (modrm >> 3) & 7;

  int32_t immediate = 0;
  if (f & kOpImm32) immediate += operandSize ? 2 : 4;
  if (f & kOpImm16) immediate += 2;
  if (f & kOpImm8) immediate += 1;

  if (!twoByteMap) {
    switch (opcode) {
      case 0xF6:  // TEST (/0, and its alias /1) alone of the group has an immediate
      case 0xF7:
        if (reg >= 2) immediate = 0;
        break;
      case 0xA0:  // MOV with a memory offset: sized by the address size
      case 0xA1:
      case 0xA2:
      case 0xA3:
        immediate = addressSize ? 2 : 4;
        break;
      case 0x62:  // register forms of BOUND, LES, LDS are EVEX and VEX
      case 0xC4:
      case 0xC5:
        if (mod == 3) return 0;
        break;
      case 0xE8:  // a 16-bit branch target would cut EIP to 16 bits: no real
      case 0xE9:  // 32-bit code has one, and decoders read it differently
        if (operandSize) return 0;
        break;
      case 0x8F:  // only /0 is POP; the rest is XOP
        if (reg != 0) return 0;
        break;
      default:
        break;
    }
  } else if (opcode >= 0x80 && opcode <= 0x8F && operandSize) {
    return 0;  // see E8/E9 above
  } else if (opcode >= 0x20 && opcode <= 0x23 && mod != 3) {
    // MOV to and from control and debug registers ignores the mode bits.
    return 0;
  }

  int32_t displacement = 0;
  if (modrm >= 0) {
    ++i;
    const int32_t rm = modrm & 7;
    if (addressSize) {
      // 16-bit addressing: no SIB byte.
      if (mod == 0 && rm == 6) displacement = 2;
      if (mod == 1) displacement = 1;
      if (mod == 2) displacement = 2;
    } else {
      if (mod != 3 && rm == 4) {
        if (i >= kMaxInstructionLength) return 0;
        const int32_t sib = code[i++];
        if (mod == 0 && (sib & 7) == 5) displacement = 4;
      }
      if (mod == 0 && rm == 5) displacement = 4;
      if (mod == 1) displacement = 1;
      if (mod == 2) displacement = 4;
    }
  }

  i += displacement + immediate;
  return i <= kMaxInstructionLength ? i : 0;
}

}  // namespace qv
