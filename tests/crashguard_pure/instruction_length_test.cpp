#include "crashguard/decoder/instruction_length.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv {
namespace {

// Bytes as hexadecimal text, padded with 0xCC to the decoder's 15-byte window.
std::vector<uint8_t> Code(const std::string& hex) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < hex.size(); ) {
    if (hex[i] == ' ') { ++i; continue; }
    bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    i += 2;
  }
  bytes.resize(kMaxInstructionLength, 0xCC);
  return bytes;
}

struct Case {
  const char* bytes;
  int32_t length;
  const char* what;
};

TEST(InstructionLength, KnownInstructions) {
  const Case cases[] = {
      {"66 B8 34 12", 4, "mov ax, imm16"},
      {"0F 84 00 01 00 00", 6, "je rel32"},
      {"F7 C0 01 00 00 00", 6, "test eax, imm32"},
      {"F7 D0", 2, "not eax"},
      {"8B 44 24 04", 4, "mov eax, [esp+4]"},
      {"8B 85 F8 FF FF FF", 6, "mov eax, [ebp+disp32]"},
      {"8B FF", 2, "mov edi, edi"},
      {"55", 1, "push ebp"},
      {"8B EC", 2, "mov ebp, esp"},
      {"83 EC 10", 3, "sub esp, imm8"},
      {"81 EC 00 01 00 00", 6, "sub esp, imm32"},
      {"6A FF", 2, "push imm8"},
      {"68 00 00 40 00", 5, "push imm32"},
      {"E8 00 00 00 00", 5, "call rel32"},
      {"E9 00 00 00 00", 5, "jmp rel32"},
      {"EB FE", 2, "jmp rel8"},
      {"74 05", 2, "je rel8"},
      {"C3", 1, "ret"},
      {"C2 08 00", 3, "ret imm16"},
      {"C8 10 00 00", 4, "enter"},
      {"CD 2E", 2, "int imm8"},
      {"64 A1 18 00 00 00", 6, "mov eax, fs:[moffs32]"},
      {"66 A1 00 10 00 00", 6, "mov ax, [moffs32]: the offset keeps the address size"},
      {"67 A1 00 10", 4, "mov eax, [moffs16]"},
      {"8B 04 85 00 10 40 00", 7, "mov eax, [eax*4+disp32]"},
      {"8B 04 24", 3, "mov eax, [esp]"},
      {"8B 44 24 04", 4, "mov eax, [esp+disp8]"},
      {"8B 84 24 00 01 00 00", 7, "mov eax, [esp+disp32]"},
      {"8B 05 00 10 40 00", 6, "mov eax, [disp32]"},
      {"C7 45 FC 00 00 00 00", 7, "mov dword [ebp-4], imm32"},
      {"66 C7 45 FC 01 00", 6, "mov word [ebp-4], imm16"},
      {"C6 45 FF 01", 4, "mov byte [ebp-1], imm8"},
      {"F6 45 08 01", 4, "test byte [ebp+8], imm8"},
      {"F6 5D 08", 3, "neg byte [ebp+8]"},
      {"F7 65 08", 3, "mul dword [ebp+8]"},
      {"66 F7 C1 FF 00", 5, "test cx, imm16"},
      {"69 C0 10 27 00 00", 6, "imul eax, eax, imm32"},
      {"6B C0 0A", 3, "imul eax, eax, imm8"},
      {"0F B6 45 08", 4, "movzx eax, byte [ebp+8]"},
      {"0F BA E0 05", 4, "bt eax, imm8"},
      {"0F A4 C2 04", 4, "shld edx, eax, imm8"},
      {"0F 1F 44 00 00", 5, "nop dword [eax+eax+0]"},
      {"66 0F 1F 44 00 00", 6, "nop word [eax+eax+0]"},
      {"0F 1F 80 00 00 00 00", 7, "nop dword [eax+disp32]"},
      {"F3 0F 1E FB", 4, "endbr32"},
      {"0F 31", 2, "rdtsc"},
      {"0F A2", 2, "cpuid"},
      {"0F C8", 2, "bswap eax"},
      {"F0 0F C1 01", 4, "lock xadd [ecx], eax"},
      {"F3 A5", 2, "rep movsd"},
      {"66 0F 6F 45 F0", 5, "movdqa xmm0, [ebp-16]"},
      {"0F 70 C1 1B", 4, "pshufw mm0, mm1, imm8"},
      {"66 0F C6 C1 44", 5, "shufpd xmm0, xmm1, imm8"},
      {"D9 7D FE", 3, "fnstcw [ebp-2]"},
      {"DD D8", 2, "fstp st0"},
      {"9A 00 00 00 00 08 00", 7, "call far ptr16:32"},
      {"66 9A 00 00 08 00", 6, "call far ptr16:16"},
      {"67 8B 46 02", 4, "mov eax, [bp+disp8] (16-bit addressing)"},
      {"67 8B 06 34 12", 5, "mov eax, [disp16]"},
      {"67 8B 00", 3, "mov eax, [bx+si]"},
      {"67 E3 FE", 3, "jcxz rel8"},
      {"67 6A 05", 3, "push imm8 under an address-size prefix"},
      {"8F 45 FC", 3, "pop dword [ebp-4]"},
      {"C4 45 08", 3, "les eax, [ebp+8]"},
      {"62 45 08", 3, "bound eax, [ebp+8]"},
      {"0F 20 C0", 3, "mov eax, cr0"},
      {"26 26 26 26 26 26 26 26 26 26 26 26 26 26 90", 15, "fifteen bytes"},
  };
  for (const Case& c : cases) {
    const std::vector<uint8_t> code = Code(c.bytes);
    EXPECT_EQ(InstructionLength(code.data()), c.length) << c.bytes << "  (" << c.what << ")";
  }
}

TEST(InstructionLength, RefusesWhatTheTablesCannotTell) {
  const Case cases[] = {
      {"0F 38 00 C1", 0, "pshufb: three-byte map 0F 38"},
      {"66 0F 3A 0F C1 08", 0, "palignr: three-byte map 0F 3A"},
      {"0F 0F C1 B4", 0, "3DNow!"},
      {"0F 0E", 0, "femms"},
      {"C5 F8 77", 0, "vzeroupper (VEX)"},
      {"C4 E2 79 18 C0", 0, "VEX three-byte form"},
      {"62 F1 7C 48 28 C1", 0, "EVEX"},
      {"8F E9 78 C2 C0", 0, "XOP"},
      {"0F 04", 0, "unused two-byte opcode"},
      {"0F 78 C0", 0, "VMREAD/EXTRQ: length depends on the prefix"},
      {"0F 20 05", 0, "MOV from CR with memory mode bits"},
      {"0F FF 00", 0, "UD0"},
      {"0F B9 C0", 0, "UD1"},
      {"66 0F 84 10 00", 0, "je rel16: cuts EIP to 16 bits"},
      {"66 E8 10 00", 0, "call rel16"},
      {"66 F2 E9 10 00", 0, "bnd jmp rel16"},
      {"26 26 26 26 26 26 26 26 26 26 26 26 26 26 26 90", 0, "prefixes past 15 bytes"},
      {"66 66 66 66 66 66 66 66 66 66 66 81 84 24 00", 0, "instruction longer than 15 bytes"},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> code = Code(c.bytes);
    code.resize(16, 0x90);  // only a 16th byte could make the last rows fit
    EXPECT_LT(InstructionLength(code.data()), 1) << c.bytes << "  (" << c.what << ")";
  }
}

TEST(InstructionLength, UndescribedOpcodeIsRefusedNotGuessed) {
  // A table with a hole where "mov eax, imm32" should be: the decoder must
  // not answer one byte (it would split the instruction).
  uint8_t holed[256];
  std::copy(OpcodeFlags, OpcodeFlags + 256, holed);
  holed[0xB8] = 0;
  const std::vector<uint8_t> code = Code("B8 01 00 00 00");
  EXPECT_EQ(InstructionLength(code.data()), 5);
  EXPECT_LT(InstructionLength(code.data(), holed, TwoByteOpcodeFlags), 1);
}

TEST(InstructionLength, TablesHoldTheDocumentedRows) {
  const struct {
    const uint8_t* table;
    int first, last;
    uint8_t flags;
  } rows[] = {
      {OpcodeFlags, 0x00, 0x03, 0x02}, {OpcodeFlags, 0x08, 0x0B, 0x02},
      {OpcodeFlags, 0x04, 0x04, 0x04}, {OpcodeFlags, 0x05, 0x05, 0x10},
      {OpcodeFlags, 0x0F, 0x0F, 0x40}, {OpcodeFlags, 0x40, 0x5F, 0x01},
      {OpcodeFlags, 0x68, 0x68, 0x10}, {OpcodeFlags, 0x69, 0x69, 0x12},
      {OpcodeFlags, 0x6A, 0x6A, 0x04}, {OpcodeFlags, 0x6B, 0x6B, 0x06},
      {OpcodeFlags, 0x70, 0x7F, 0x84}, {OpcodeFlags, 0x80, 0x80, 0x06},
      {OpcodeFlags, 0x81, 0x81, 0x12}, {OpcodeFlags, 0x83, 0x83, 0x06},
      {OpcodeFlags, 0x9A, 0x9A, 0x18}, {OpcodeFlags, 0xA0, 0xA3, 0x10},
      {OpcodeFlags, 0xB0, 0xB7, 0x04}, {OpcodeFlags, 0xB8, 0xBF, 0x10},
      {OpcodeFlags, 0xC2, 0xC2, 0x08}, {OpcodeFlags, 0xC3, 0xC3, 0x01},
      {OpcodeFlags, 0xC8, 0xC8, 0x0C}, {OpcodeFlags, 0xCD, 0xCD, 0x04},
      {OpcodeFlags, 0xE0, 0xE3, 0x84}, {OpcodeFlags, 0xE8, 0xE9, 0x90},
      {OpcodeFlags, 0xEA, 0xEA, 0x18}, {OpcodeFlags, 0xEB, 0xEB, 0x04},
      {OpcodeFlags, 0xF6, 0xF6, 0x06}, {OpcodeFlags, 0xF7, 0xF7, 0x12},
      {OpcodeFlags, 0xFE, 0xFF, 0x02},
      {TwoByteOpcodeFlags, 0x00, 0x03, 0x02}, {TwoByteOpcodeFlags, 0x31, 0x31, 0x01},
      {TwoByteOpcodeFlags, 0x40, 0x4F, 0x02}, {TwoByteOpcodeFlags, 0x80, 0x8F, 0x10},
      {TwoByteOpcodeFlags, 0x90, 0x9F, 0x02}, {TwoByteOpcodeFlags, 0xA2, 0xA2, 0x01},
      {TwoByteOpcodeFlags, 0xA4, 0xA4, 0x06}, {TwoByteOpcodeFlags, 0xAF, 0xAF, 0x02},
      {TwoByteOpcodeFlags, 0xB6, 0xB7, 0x02}, {TwoByteOpcodeFlags, 0xBA, 0xBA, 0x06},
      {TwoByteOpcodeFlags, 0xC8, 0xCF, 0x01},
  };
  for (const auto& r : rows) {
    for (int op = r.first; op <= r.last; ++op) {
      EXPECT_EQ(r.table[op], r.flags) << (r.table == OpcodeFlags ? "" : "0F ") << std::hex << op;
    }
  }
  for (uint8_t prefix : {0x26, 0x2E, 0x36, 0x3E, 0x64, 0x65, 0x66, 0x67, 0xF0, 0xF2, 0xF3}) {
    EXPECT_EQ(OpcodeFlags[prefix], 0x20) << std::hex << int{prefix};
  }
}

}  // namespace
}  // namespace qv
