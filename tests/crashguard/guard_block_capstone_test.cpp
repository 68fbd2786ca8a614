// The guarded-block runners as an independent disassembler (Capstone) reads
// them: the x86-32 code is compiled for this check on its own and each
// runner is decoded from the resulting file.
#include <capstone/capstone.h>
#include <elf.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

struct Image {
  std::vector<uint8_t> file;
  std::map<std::string, uint32_t> symbols;

  // The bytes at a virtual address, or null.
  const uint8_t* At(uint32_t address, size_t* available) const {
    const auto* eh = reinterpret_cast<const Elf32_Ehdr*>(file.data());
    const auto* sh = reinterpret_cast<const Elf32_Shdr*>(file.data() + eh->e_shoff);
    for (int i = 0; i < eh->e_shnum; ++i) {
      if (sh[i].sh_type != SHT_PROGBITS || (sh[i].sh_flags & SHF_EXECINSTR) == 0) continue;
      if (address >= sh[i].sh_addr && address < sh[i].sh_addr + sh[i].sh_size) {
        *available = sh[i].sh_addr + sh[i].sh_size - address;
        return file.data() + sh[i].sh_offset + (address - sh[i].sh_addr);
      }
    }
    return nullptr;
  }
};

Image Load(const char* path) {
  Image image;
  std::ifstream in(path, std::ios::binary);
  image.file.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (image.file.size() < sizeof(Elf32_Ehdr)) return image;
  const auto* eh = reinterpret_cast<const Elf32_Ehdr*>(image.file.data());
  if (eh->e_ident[EI_CLASS] != ELFCLASS32 || eh->e_machine != EM_386) return image;
  const auto* sh = reinterpret_cast<const Elf32_Shdr*>(image.file.data() + eh->e_shoff);
  for (int i = 0; i < eh->e_shnum; ++i) {
    if (sh[i].sh_type != SHT_SYMTAB) continue;
    const auto* syms = reinterpret_cast<const Elf32_Sym*>(image.file.data() + sh[i].sh_offset);
    const char* names = reinterpret_cast<const char*>(image.file.data() + sh[sh[i].sh_link].sh_offset);
    for (size_t k = 0; k < sh[i].sh_size / sizeof(Elf32_Sym); ++k)
      if (syms[k].st_name != 0 && syms[k].st_value != 0)
        image.symbols[names + syms[k].st_name] = syms[k].st_value;
  }
  return image;
}

struct Insn {
  uint32_t address;
  std::vector<uint8_t> bytes;
  std::string mnemonic;
  std::string operands;
};

// The routine's instructions up to its first ret.
std::vector<Insn> Disassemble(const Image& image, uint32_t address) {
  std::vector<Insn> out;
  csh handle;
  if (cs_open(CS_ARCH_X86, CS_MODE_32, &handle) != CS_ERR_OK) return out;
  size_t available = 0;
  const uint8_t* code = image.At(address, &available);
  if (code != nullptr) {
    uint64_t at = address;
    cs_insn* insn = cs_malloc(handle);
    while (out.size() < 200 && cs_disasm_iter(handle, &code, &available, &at, insn)) {
      out.push_back({static_cast<uint32_t>(insn->address),
                     std::vector<uint8_t>(insn->bytes, insn->bytes + insn->size), insn->mnemonic,
                     insn->op_str});
      if (out.back().mnemonic == "ret") break;
    }
    cs_free(insn, 1);
  }
  cs_close(&handle);
  return out;
}

class RunnerCode : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { image_ = new Image(Load(QV_GUARD_MACHINE_ELF)); }
  static void TearDownTestSuite() { delete image_; }
  static uint32_t Sym(const char* name) {
    auto it = image_->symbols.find(name);
    return it == image_->symbols.end() ? 0 : it->second;
  }
  static Image* image_;
};
Image* RunnerCode::image_ = nullptr;

TEST_F(RunnerCode, EachRunnerHasTheLayoutTheCatchScanReads) {
  const std::pair<const char*, const char*> runners[] = {
      {"qv_GuardedBlockAll", "qv___catch_all"},
      {"qv_GuardedBlockStatus", "qv___catch_status"},
      {"qv_GuardedBlockText", "qv___catch_text"},
  };
  for (const auto& [runner, catchRoutine] : runners) {
    SCOPED_TRACE(runner);
    ASSERT_NE(0u, Sym(runner));
    std::vector<Insn> code = Disassemble(*image_, Sym(runner));
    ASSERT_GT(code.size(), 10u);
    EXPECT_EQ("push", code[0].mnemonic);
    EXPECT_EQ("ebp", code[0].operands);
    EXPECT_EQ("mov", code[1].mnemonic);
    EXPECT_EQ("ebp, esp", code[1].operands);
    std::vector<size_t> direct;
    for (size_t k = 0; k < code.size(); ++k)
      if (code[k].mnemonic == "call" && code[k].bytes[0] == 0xE8) direct.push_back(k);
    ASSERT_EQ(3u, direct.size());
    auto target = [&](size_t k) {
      return static_cast<uint32_t>(std::strtoul(code[k].operands.c_str(), nullptr, 16));
    };
    EXPECT_EQ(Sym("qv_TryBegin"), target(direct[0]));
    EXPECT_EQ(Sym(catchRoutine), target(direct[1]));
    EXPECT_EQ(Sym("qv_TryEnd"), target(direct[2]));
    // Two argument words pushed by the call site, removed by it after.
    const size_t c = direct[1];
    EXPECT_EQ("push", code[c - 1].mnemonic);
    EXPECT_EQ("push", code[c - 2].mnemonic);
    EXPECT_EQ("add", code[c + 1].mnemonic);
    EXPECT_EQ("esp, 8", code[c + 1].operands);
    // The body and the handler are called indirectly, through the frame.
    size_t indirect = 0;
    for (size_t k = direct[0]; k < direct[2]; ++k)
      if (code[k].mnemonic == "call" && code[k].operands.find("[ebp +") != std::string::npos)
        ++indirect;
    EXPECT_EQ(2u, indirect);
  }
}

TEST_F(RunnerCode, GuardRoutinesBeginWithThePrologueTheRegistrySeeks) {
  for (const char* name : {"qv_TryBegin", "qv___catch_status", "qv___catch_text",
                           "qv___catch_all", "_ZN2qv12GuardStartupEv"}) {
    SCOPED_TRACE(name);
    ASSERT_NE(0u, Sym(name));
    std::vector<Insn> code = Disassemble(*image_, Sym(name));
    ASSERT_GE(code.size(), 2u);
    EXPECT_EQ(std::vector<uint8_t>({0x55}), code[0].bytes);
    EXPECT_EQ(std::vector<uint8_t>({0x8B, 0xEC}), code[1].bytes);
  }
}

}  // namespace
