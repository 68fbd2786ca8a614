// Decodes real 32-bit code, function by function from its symbols, with the
// guard's instruction-length decoder and with Capstone, and requires the
// same length for every instruction that starts in the first 16 bytes of a
// function. The code comes from the i686 libraries on this machine: COFF
// objects of the mingw-w64 toolchain and ELF objects of the 32-bit C library.
#include <capstone/capstone.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "crashguard/decoder/instruction_length.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

uint32_t Le(const std::vector<uint8_t>& b, size_t at, int bytes) {
  if (at + bytes > b.size()) return 0;
  uint32_t v = 0;
  for (int k = 0; k < bytes; ++k) v |= uint32_t(b[at + k]) << (8 * k);
  return v;
}

// One function's code: its section's bytes and where the function lies.
struct Function {
  const std::vector<uint8_t>* section;
  uint32_t start;
  uint32_t end;
  std::string where;
};

// Keeps each object's sections alive while its functions are decoded.
struct ObjectCode {
  std::vector<std::vector<uint8_t>> sections;
  std::vector<Function> functions;
};

void AddFunctions(ObjectCode& object, size_t sectionIndex, std::set<uint32_t> starts,
                  const std::map<uint32_t, uint32_t>& sizes, const std::string& where) {
  const std::vector<uint8_t>& section = object.sections[sectionIndex];
  for (auto it = starts.begin(); it != starts.end(); ++it) {
    if (*it >= section.size()) continue;
    auto next = std::next(it);
    uint32_t end = next == starts.end() ? static_cast<uint32_t>(section.size()) : *next;
    auto size = sizes.find(*it);
    if (size != sizes.end() && size->second > 0) end = std::min(end, *it + size->second);
    object.functions.push_back({&section, *it, end, where});
  }
}

// COFF i386 object (mingw-w64).
bool ReadCoff(const std::vector<uint8_t>& o, const std::string& where, ObjectCode& out) {
  if (o.size() < 20 || Le(o, 0, 2) != 0x14C) return false;
  const uint32_t sections = Le(o, 2, 2);
  const uint32_t symbols = Le(o, 8, 4);
  const uint32_t symbolCount = Le(o, 12, 4);
  const uint32_t sectionTable = 20 + Le(o, 16, 2);
  std::map<int, size_t> codeSections;  // 1-based section number -> our index
  for (uint32_t s = 0; s < sections; ++s) {
    const size_t h = sectionTable + 40 * s;
    if (h + 40 > o.size()) return false;
    const uint32_t size = Le(o, h + 16, 4), offset = Le(o, h + 20, 4);
    if ((Le(o, h + 36, 4) & 0x20) == 0 || size == 0 || offset + uint64_t{size} > o.size()) continue;
    codeSections[static_cast<int>(s + 1)] = out.sections.size();
    out.sections.emplace_back(o.begin() + offset, o.begin() + offset + size);
  }
  std::map<size_t, std::set<uint32_t>> starts;
  for (uint32_t i = 0; i < symbolCount; ++i) {
    const size_t r = symbols + 18 * uint64_t{i};
    if (r + 18 > o.size()) break;
    const int section = static_cast<int16_t>(Le(o, r + 12, 2));
    const uint32_t type = Le(o, r + 14, 2);
    const uint32_t storage = o[r + 16];
    const bool sectionSymbol = o[r] == '.';
    auto code = codeSections.find(section);
    if (code != codeSections.end() && !sectionSymbol && (type == 0x20 || storage == 2)) {
      starts[code->second].insert(Le(o, r + 8, 4));
    }
    i += o[r + 17];
  }
  for (auto& [index, set] : starts) AddFunctions(out, index, set, {}, where);
  return true;
}

// ELF32 i386 relocatable object (the 32-bit C library).
bool ReadElf(const std::vector<uint8_t>& o, const std::string& where, ObjectCode& out) {
  if (o.size() < 52 || std::memcmp(o.data(), "\x7F" "ELF", 4) != 0 || o[4] != 1 ||
      Le(o, 18, 2) != 3) {
    return false;
  }
  const uint32_t shoff = Le(o, 32, 4), shnum = Le(o, 48, 2);
  auto sh = [&](uint32_t i, uint32_t field) { return Le(o, shoff + 40 * uint64_t{i} + field, 4); };
  std::map<uint32_t, size_t> codeSections;
  for (uint32_t s = 0; s < shnum; ++s) {
    const uint32_t offset = sh(s, 16), size = sh(s, 20);
    if (sh(s, 4) != 1 || (sh(s, 8) & 4) == 0 || size == 0 || offset + uint64_t{size} > o.size()) continue;
    codeSections[s] = out.sections.size();
    out.sections.emplace_back(o.begin() + offset, o.begin() + offset + size);
  }
  std::map<size_t, std::set<uint32_t>> starts;
  std::map<size_t, std::map<uint32_t, uint32_t>> sizes;
  for (uint32_t s = 0; s < shnum; ++s) {
    if (sh(s, 4) != 2) continue;  // SHT_SYMTAB
    const uint32_t offset = sh(s, 16), size = sh(s, 20);
    for (uint32_t r = offset; r + 16 <= offset + uint64_t{size} && r + 16 <= o.size(); r += 16) {
      if ((o[r + 12] & 0xF) != 2) continue;  // STT_FUNC
      auto code = codeSections.find(Le(o, r + 14, 2));
      if (code == codeSections.end()) continue;
      starts[code->second].insert(Le(o, r + 4, 4));
      sizes[code->second][Le(o, r + 4, 4)] = Le(o, r + 8, 4);
    }
  }
  for (auto& [index, set] : starts) AddFunctions(out, index, set, sizes[index], where);
  return true;
}

// Calls `visit` with each member of an ar archive, or the file itself.
template <class Visit>
void ForEachObject(const fs::path& path, Visit visit) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (data.size() >= 8 && std::memcmp(data.data(), "!<arch>\n", 8) == 0) {
    size_t at = 8;
    int member = 0;
    while (at + 60 <= data.size()) {
      const size_t size = std::strtoul(std::string(data.begin() + at + 48, data.begin() + at + 58).c_str(), nullptr, 10);
      const size_t body = at + 60;
      if (body + size > data.size()) break;
      visit(std::vector<uint8_t>(data.begin() + body, data.begin() + body + size),
            path.string() + "#" + std::to_string(member++));
      at = body + size + (size & 1);
    }
  } else {
    visit(data, path.string());
  }
}

std::vector<fs::path> CodeFiles() {
  std::vector<fs::path> files;
  for (const char* dir : {"/usr/i686-w64-mingw32/lib", "/usr/lib/gcc/i686-w64-mingw32", "/usr/lib32"}) {
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) continue;
    for (auto it = fs::recursive_directory_iterator(dir, ec); it != fs::recursive_directory_iterator();
         it.increment(ec)) {
      if (ec) break;
      const std::string ext = it->path().extension().string();
      if (it->is_regular_file(ec) && (ext == ".a" || ext == ".o")) files.push_back(it->path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string Hex(const uint8_t* p, size_t n) {
  std::ostringstream s;
  for (size_t i = 0; i < n; ++i) {
    static const char digits[] = "0123456789ABCDEF";
    s << (i ? " " : "") << digits[p[i] >> 4] << digits[p[i] & 15];
  }
  return s.str();
}

// Why the decoder may refuse an instruction: forms its flag tables cannot
// express. Anything else refused is a fault of the tables.
const char* RefusalReason(const uint8_t* p, size_t n) {
  size_t i = 0;
  auto isPrefix = [](uint8_t b) {
    return b == 0x26 || b == 0x2E || b == 0x36 || b == 0x3E || b == 0x64 || b == 0x65 ||
           b == 0x66 || b == 0x67 || b == 0xF0 || b == 0xF2 || b == 0xF3;
  };
  while (i < n && isPrefix(p[i])) ++i;
  if (i + 1 >= n) return nullptr;
  const uint8_t op = p[i], next = p[i + 1];
  if (op == 0x0F && (next == 0x38 || next == 0x3A)) return "three-byte map";
  if (op == 0x0F && (next == 0x0F || next == 0x0E)) return "3DNow!";
  if ((op == 0xC4 || op == 0xC5) && (next >> 6) == 3) return "VEX";
  if (op == 0x62 && (next >> 6) == 3) return "EVEX";
  if (op == 0x8F && ((next >> 3) & 7) != 0) return "XOP";
  return nullptr;
}

TEST(DecoderAgainstCapstone, FirstSixteenBytesOfEveryFunction) {
  csh handle;
  ASSERT_EQ(cs_open(CS_ARCH_X86, CS_MODE_32, &handle), CS_ERR_OK);
  cs_insn* insn = cs_malloc(handle);

  size_t objects = 0, functions = 0, compared = 0, capstoneInvalid = 0;
  size_t coffFunctions = 0, elfFunctions = 0;
  std::map<std::string, size_t> refusals;
  std::vector<std::string> disagreements, unexplainedRefusals;
  for (const fs::path& file : CodeFiles()) {
    ForEachObject(file, [&](const std::vector<uint8_t>& bytes, const std::string& where) {
      ObjectCode object;
      if (ReadCoff(bytes, where, object)) {
        coffFunctions += object.functions.size();
      } else if (ReadElf(bytes, where, object)) {
        elfFunctions += object.functions.size();
      } else {
        return;
      }
      ++objects;
      for (const Function& f : object.functions) {
        ++functions;
        const std::vector<uint8_t>& code = *f.section;
        for (uint32_t at = f.start; at < f.start + 16 && at < f.end;) {
          const size_t available = std::min<size_t>(15, code.size() - at);
          uint8_t window[15];
          std::fill(window, window + 15, 0xCC);
          std::copy(code.begin() + at, code.begin() + at + available, window);
          const uint8_t* p = code.data() + at;
          size_t size = available;
          uint64_t address = at;
          const bool decoded = cs_disasm_iter(handle, &p, &size, &address, insn);
          const int32_t ours = InstructionLength(window);
          if (!decoded) {
            ++capstoneInvalid;  // data in a code section, or a cut instruction
            break;
          }
          if (ours < 1) {
            const char* reason = RefusalReason(code.data() + at, available);
            if (reason) {
              ++refusals[reason];
            } else {
              unexplainedRefusals.push_back(f.where + "+" + std::to_string(at) + ": " +
                                            Hex(code.data() + at, insn->size) + " (" +
                                            insn->mnemonic + " " + insn->op_str + ")");
            }
            break;
          }
          ++compared;
          if (ours != static_cast<int32_t>(insn->size)) {
            disagreements.push_back(f.where + "+" + std::to_string(at) + ": " +
                                    Hex(code.data() + at, insn->size) + " (" + insn->mnemonic +
                                    " " + insn->op_str + ") capstone " +
                                    std::to_string(insn->size) + ", ours " + std::to_string(ours));
            break;
          }
          at += insn->size;
        }
      }
    });
  }
  cs_free(insn, 1);
  cs_close(&handle);

  std::cout << "objects " << objects << ", functions " << functions << " (COFF " << coffFunctions
            << ", ELF " << elfFunctions << "), instructions compared "
            << compared << ", not decodable by Capstone " << capstoneInvalid << "\n";
  for (const auto& [reason, count] : refusals) std::cout << "refused (" << reason << "): " << count << "\n";
  ASSERT_GT(coffFunctions, 1000u) << "no mingw-w64 i686 code found to decode";
  ASSERT_GT(elfFunctions, 1000u) << "no 32-bit C library code found to decode";
  for (size_t i = 0; i < disagreements.size() && i < 100; ++i) ADD_FAILURE() << disagreements[i];
  for (size_t i = 0; i < unexplainedRefusals.size() && i < 100; ++i) {
    ADD_FAILURE() << "refused: " << unexplainedRefusals[i];
  }
  EXPECT_EQ(disagreements.size(), 0u);
  EXPECT_EQ(unexplainedRefusals.size(), 0u);
}

// Random bytes, half of them led by prefixes and the 0F escape: wherever
// the decoder answers a length and Capstone decodes, the two agree.
TEST(DecoderAgainstCapstone, RandomBytesNeverGetAWrongLength) {
  csh handle;
  ASSERT_EQ(cs_open(CS_ARCH_X86, CS_MODE_32, &handle), CS_ERR_OK);
  cs_insn* insn = cs_malloc(handle);
  static const uint8_t prefixes[] = {0x66, 0x67, 0xF2, 0xF3, 0xF0, 0x26,
                                     0x2E, 0x36, 0x3E, 0x64, 0x65};
  uint32_t state = 0x2545F491;
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  };
  size_t compared = 0;
  std::vector<std::string> disagreements;
  for (int n = 0; n < 2000000; ++n) {
    uint8_t b[15];
    for (uint8_t& x : b) x = static_cast<uint8_t>(next());
    switch (n % 4) {
      case 1: b[0] = prefixes[next() % 11]; break;
      case 2: b[0] = prefixes[next() % 11]; b[1] = 0x0F; break;
      case 3: b[0] = prefixes[next() % 11]; b[1] = prefixes[next() % 11]; b[2] = 0x0F; break;
      default: break;
    }
    const int32_t ours = InstructionLength(b);
    ASSERT_GE(ours, 0);
    ASSERT_LE(ours, kMaxInstructionLength);
    const uint8_t* p = b;
    size_t size = sizeof b;
    uint64_t address = 0;
    if (ours < 1 || !cs_disasm_iter(handle, &p, &size, &address, insn)) continue;
    ++compared;
    if (ours != static_cast<int32_t>(insn->size) && disagreements.size() < 50) {
      disagreements.push_back(Hex(b, 15) + " (" + insn->mnemonic + " " + insn->op_str +
                              ") capstone " + std::to_string(insn->size) + ", ours " +
                              std::to_string(ours));
    }
  }
  cs_free(insn, 1);
  cs_close(&handle);
  std::cout << "random instructions compared " << compared << "\n";
  EXPECT_GT(compared, 500000u);
  for (const std::string& d : disagreements) ADD_FAILURE() << d;
}

}  // namespace
}  // namespace qv
