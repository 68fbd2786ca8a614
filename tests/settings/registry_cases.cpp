#include "registry_cases.h"

#include "settings/registry_path.h"

namespace qv::test {
namespace {

constexpr RegistryRoot CU = RegistryRoot::CurrentUser;
constexpr RegistryRoot CR = RegistryRoot::ClassesRoot;

Text P(const Text& rest) { return Text(kCaseRoot) + "\\" + rest; }

RegStep Write(const Text& path, const Text& data, bool ok = true, RegistryRoot r = CU) {
  return {RegOp::Write, r, path, "", data, 0, ok, ""};
}
RegStep Read(const Text& path, const Text& expect, RegistryRoot r = CU) {
  return {RegOp::Read, r, path, "", "", 0, true, expect};
}
RegStep Delete(const Text& path, bool ok, RegistryRoot r = CU) {
  return {RegOp::Delete, r, path, "", "", 0, ok, ""};
}
RegStep ReadPrim(const Text& key, const Text& value, bool ok, const Text& expect = "") {
  return {RegOp::ReadPrim, CU, key, value, "", 0, ok, expect};
}
RegStep Raw(const Text& key, const Text& value, uint32_t type, const std::string& data) {
  return {RegOp::SetRaw, CU, key, value, data, type, true, ""};
}
RegStep Exists(const Text& key, bool ok, RegistryRoot r = CU) {
  return {RegOp::KeyExists, r, key, "", "", 0, ok, ""};
}

std::vector<RegCase> MakeCases() {
  const Text huge(100000, 'h');
  return {
      {"WriteCreatesKeysAndTrailingSeparatorIsDefaultValue",
       {Write(P("xyz\\wz\\"), "1"), Read(P("xyz\\wz\\"), "1"), ReadPrim(P("xyz\\wz"), "", true, "1"),
        Read(P("xyz\\wz"), kFallback), Exists(P("xyz\\wz"), true)}},
      {"LastPartIsTheValueName",
       {Write(P("k\\CLSID"), "{x}"), ReadPrim(P("k"), "CLSID", true, "{x}"),
        ReadPrim(P("k\\CLSID"), "", false), Exists(P("k\\CLSID"), false)}},
      {"WriteOverwrites", {Write(P("o\\v"), "first"), Write(P("o\\v"), "second"), Read(P("o\\v"), "second")}},
      {"NamesIgnoreAsciiCase",
       {Write(P("Shell\\Value"), "x"), Read(P("sHELL\\vALUE"), "x"), Read("qvregcase\\SHELL\\VALUE", "x")}},
      {"DoubleByteLettersIgnoreCase",
       // Greek, full-width Latin and Roman numerals: capitals written, small read.
       {Write(P("\xA6\xA1\xA3\xC1\xA2\xF1\\\xA7\xA1"), "g"),
        Read(P("\xA6\xC1\xA3\xE1\xA2\xA1\\\xA7\xD1"), "g")}},
      {"ChineseNamesAndText",
       {Write(P("浏览器\\主页"), "中文值"), Read(P("浏览器\\主页"), "中文值")}},
      {"TrailByte5CIsNoSeparator",
       // 0x81 0x5C is one character: the value name is "v\x81\x5C" of key QvRegCase.
       {Write(P("v\x81\x5C"), "t"), ReadPrim(kCaseRoot, "v\x81\x5C", true, "t"),
        Exists(P("v\x81"), false), Write(P("k\x81\x5C\\v"), "u"),
        ReadPrim(P("k\x81\x5C"), "v", true, "u"), Exists(P("k\x81"), false)}},
      {"DoubledSeparatorsInKeyAreOne",
       {Write(P("a\\\\b\\v"), "d"), Read(P("a\\b\\v"), "d"), Read(P("a\\\\\\b\\v"), "d")}},
      {"LeadingSeparatorIsRefused",
       {Write("\\" + P("l\\v"), "x", false), Read("\\" + P("l\\v"), kFallback),
        Exists(P("l"), false)}},
      {"PathWithoutSeparatorIsAValueOfTheRoot",
       {Write(kRootValue, "r"), ReadPrim("", kRootValue, true, "r"), Delete(kRootValue, true),
        Read(kRootValue, kFallback)}},
      {"EmptyTextIsAValueNotAFallback", {Write(P("e\\"), ""), Read(P("e\\"), "")}},
      {"HugeTextReadsWhole", {Write(P("h\\"), huge), Read(P("h\\"), huge)}},
      {"OtherTypesAreNotText",
       {Raw(P("t"), "dw", kRegDword, std::string("\x01\0\0\0", 4)), Read(P("t\\dw"), kFallback),
        Raw(P("t"), "bin", kRegBinary, "1"), Read(P("t\\bin"), kFallback),
        Raw(P("t"), "multi", kRegMultiSz, std::string("1\0\0", 3)), Read(P("t\\multi"), kFallback)}},
      {"ExpandableStringReadsAsText",
       {Raw(P("e"), "x", kRegExpandSz, std::string("0\0", 2)), Read(P("e\\x"), "0")}},
      {"StringEndsAtItsFirstNul",
       {Raw(P("z"), "nul", kRegSz, std::string("ab\0cd\0", 6)), Read(P("z\\nul"), "ab"),
        Raw(P("z"), "unterminated", kRegSz, "abc"), Read(P("z\\unterminated"), "abc"),
        Raw(P("z"), "empty", kRegSz, ""), Read(P("z\\empty"), "")}},
      {"MissingKeyOrValueGivesFallback",
       {Read(P("none\\"), kFallback), Write(P("m\\a"), "1"), Read(P("m\\b"), kFallback),
        Read(P("m\\"), kFallback)}},
      {"DeleteTriesTheValueThenTheKey",
       // The WML mapping: no value of that name, so the key goes with its values.
       {Write(P("Content Type\\text/vnd.wap.wml\\CLSID"), "{c}"),
        Delete(P("Content Type\\text/vnd.wap.wml"), true),
        Exists(P("Content Type\\text/vnd.wap.wml"), false), Exists(P("Content Type"), true)}},
      {"DeleteTakesOnlyTheValueWhenThereIsOne",
       {Write(P("x\\y"), "value"), Write(P("x\\y\\z"), "subkey value"), Delete(P("x\\y"), true),
        Read(P("x\\y"), kFallback), Read(P("x\\y\\z"), "subkey value")}},
      {"DeleteLeavesAKeyWithSubkeys",
       {Write(P("p\\c\\v"), "1"), Delete(P("p"), false), Read(P("p\\c\\v"), "1")}},
      {"DeleteOfNothing",
       {Delete(P("none"), false), Delete(P("none\\"), false), Delete("", false),
        Delete("\\", false)}},
      {"ClassesRootTakesTheVerbs",
       {Write(P("htmlfile\\shell\\"), "e", true, CR),
        Write(P("htmlfile\\shell\\e\\command\\"), "\"C:\\Q\\q.exe\" \"%1\"", true, CR),
        Read(P("HTMLFILE\\Shell\\E\\Command\\"), "\"C:\\Q\\q.exe\" \"%1\"", CR),
        Read(P("htmlfile\\shell\\"), "e", CR), Exists(P("htmlfile\\shell\\e"), true, CR)}},
  };
}

std::string Describe(size_t i, const RegStep& s, const std::string& what) {
  return "step " + std::to_string(i) + " (" + s.path + " | " + s.value + "): " + what;
}

}  // namespace

const std::vector<RegCase>& RegistryCases() {
  static const std::vector<RegCase> cases = MakeCases();
  return cases;
}

std::vector<std::string> RunRegistryCase(RegistryProbe& probe, const RegCase& c) {
  std::vector<std::string> faults;
  probe.Clean();
  Registry& reg = probe.Store();
  for (size_t i = 0; i < c.steps.size(); ++i) {
    const RegStep& s = c.steps[i];
    switch (s.op) {
      case RegOp::Write:
        if (RegistryWrite(reg, s.root, s.path, s.data) != s.ok)
          faults.push_back(Describe(i, s, "write result differs"));
        break;
      case RegOp::Read: {
        Text got = RegistryRead(reg, s.root, s.path, kFallback);
        if (got != s.expect)
          faults.push_back(Describe(i, s, "read '" + got.substr(0, 80) + "' (" +
                                              std::to_string(got.size()) + " bytes)"));
        break;
      }
      case RegOp::Delete:
        if (RegistryDelete(reg, s.root, s.path) != s.ok)
          faults.push_back(Describe(i, s, "delete result differs"));
        break;
      case RegOp::ReadPrim: {
        Text got;
        bool ok = reg.ReadString(s.root, s.path, s.value, got);
        if (ok != s.ok || (ok && got != s.expect))
          faults.push_back(Describe(i, s, "primitive read " + std::to_string(ok) + " '" + got + "'"));
        break;
      }
      case RegOp::SetRaw:
        probe.SetRaw(s.root, s.path, s.value, s.type, s.data);
        break;
      case RegOp::KeyExists:
        if (probe.KeyExists(s.root, s.path) != s.ok)
          faults.push_back(Describe(i, s, "key existence differs"));
        break;
    }
  }
  probe.Clean();
  return faults;
}

}  // namespace qv::test
