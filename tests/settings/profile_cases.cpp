#include "profile_cases.h"

namespace qv::test {
namespace {

std::string Show(const std::string& s) {
  std::string out;
  static const char kHex[] = "0123456789ABCDEF";
  for (unsigned char c : s.substr(0, 200)) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c < 32 || c > 126) {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else out += static_cast<char>(c);
  }
  if (s.size() > 200) out += "...(" + std::to_string(s.size()) + " bytes)";
  return out;
}

const char kMessy[] =
    "  [ s ]  \r\n  k  =  v v  \r\nq=\"quoted\"\r\nq2='single'\r\nq3=\"half\r\n"
    "q4= \" sp \" \r\nq5=\"a\"b\"\r\nempty=\r\n=noname\r\nnoeq\r\n;c=comment\r\n"
    "tab\t=\tt\t\r\nvt=\vx\f\x1a\r\n";

ProfileReadCase R(const std::string& name, const std::string& content, const Text& section,
                  const Text& key, const Text& expect, uint32_t buffer = 10240,
                  const Text& fallback = "DEF") {
  return {name, true, content, section, key, fallback, buffer, expect};
}

std::vector<ProfileReadCase> MakeReadCases() {
  const std::string big(20000, 'z');
  const std::string bigger(70000, 'y');
  return {
      {"MissingFile", false, "", "zhuye", "zhuye", "www.hao123.com/?tn=quorvi_dg", 10240,
       "www.hao123.com/?tn=quorvi_dg"},
      {"FallbackLosesTrailingBlanksOnly", false, "", "s", "k", "  fb  ", 10240, "  fb"},
      R("Found", "[zhuye]\r\nzhuye=http://a.b/\r\n", "zhuye", "zhuye", "http://a.b/"),
      R("MissingSection", "[other]\r\nzhuye=x\r\n", "zhuye", "zhuye", "DEF"),
      R("MissingKey", "[zhuye]\r\nother=x\r\n", "zhuye", "zhuye", "DEF"),
      R("NamesIgnoreAsciiCase", "[ZhuYe]\r\nZHUYE=x\r\n", "zhuye", "zhuye", "x"),
      R("BlanksAroundAskedNames", "[s]\r\nk=v\r\n", " s ", " k ", "v"),
      R("BlanksAroundNamesAndValue", kMessy, "s", "k", "v v"),
      R("PairedDoubleQuotesDropped", kMessy, "s", "q", "quoted"),
      R("PairedSingleQuotesDropped", kMessy, "s", "q2", "single"),
      R("LoneQuoteKept", kMessy, "s", "q3", "\"half"),
      R("QuotesKeepInnerBlanks", kMessy, "s", "q4", " sp "),
      R("OuterQuotesOnly", kMessy, "s", "q5", "a\"b"),
      R("EmptyValueIsAValue", kMessy, "s", "empty", ""),
      R("EmptyKeyName", kMessy, "s", "", "noname"),
      R("LineWithoutEqualsIsNoKey", kMessy, "s", "noeq", "DEF"),
      R("SemicolonLinesAreReadAsKeys", kMessy, "s", ";c", "comment"),
      R("TabsAreBlanks", kMessy, "s", "tab", "t"),
      R("ControlBlanksTrimmed", kMessy, "s", "vt", "x"),
      R("LineFeedsOnly", "[s]\nk=lf\n", "s", "k", "lf"),
      R("CarriageReturnsOnly", "[s]\rk=cr\r", "s", "k", "cr"),
      R("FirstOfTwoWins", "[s]\nk=first\nk=second\n[s]\nk=third\n", "s", "k", "first"),
      R("UnclosedBracketIsNoSection", "[s\r\nk=x\r\n", "s", "k", "DEF"),
      R("TextAfterClosingBracketIgnored", "[s]x\r\nk=trail\r\n", "s", "k", "trail"),
      R("NulEndsTheValueNotTheFile", Bytes("[s]\r\nk=a\0b\r\nj=c\r\n"), "s", "k", "a"),
      R("AfterNulLineStillRead", Bytes("[s]\r\nk=a\0b\r\nj=c\r\n"), "s", "j", "c"),
      R("LinesBeforeAnySection", "k=before\r\n[s]\r\nk=v\r\n", "", "k", "before"),
      R("Utf8MarkSkipped", "\xEF\xBB\xBF[s]\r\nk=bom\r\n", "s", "k", "bom"),
      R("BinaryIsNotIni", Bytes("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0"), "s", "k", "DEF"),
      R("PlainTextIsNotIni", "just some text\r\nno sections here\r\n", "s", "k", "DEF"),
      R("DoubleByteLettersKeepTheirCase", "[\xA6\xA1\xA3\xC1]\r\n\xA6\xA1=greek\r\n",
        "\xA6\xC1\xA3\xE1", "\xA6\xC1", "DEF"),
      R("TrailBytesAreNoSyntax", "[\x81\x5D]\r\n\x81\x3D=x\r\n", "\x81\x5D", "\x81\x3D", "x"),
      R("IdeographicSpaceIsNoBlank", "[s]\r\na=\xA1\xA1x\xA1\xA1\r\n", "s", "a", "\xA1\xA1x\xA1\xA1"),
      R("ChineseValue", "[zhuye]\r\nzhuye=中文主页\r\n", "zhuye", "zhuye", "中文主页"),
      R("LongValueCutAtBufferLessOne", "[s]\r\nk=" + big + "\r\n", "s", "k", big.substr(0, 10239)),
      R("ExactFit", "[s]\r\nk=" + big.substr(0, 10239) + "\r\n", "s", "k", big.substr(0, 10239)),
      R("NoLineLengthLimit", "[s]\r\nk=" + bigger + "\r\n", "s", "k", bigger, 80000),
  };
}

ProfileWriteCase W(const std::string& name, bool exists, const std::string& content,
                   const Text& section, const Text& key, const Text& value,
                   const std::string& expect) {
  return {name, exists, content, section, key, value, false, true, expect};
}

std::vector<ProfileWriteCase> MakeWriteCases() {
  return {
      W("NewFile", false, "", "zhuye", "zhuye", "http://a b/", "[zhuye]\r\nzhuye=http://a b/\r\n"),
      W("ReplaceKeepsFileNamesAndDropsLeadingBlanks", true, "[zhuye]\r\nzhuye=old\r\n", "ZHUYE",
        "Zhuye", "  new  ", "[zhuye]\r\nzhuye=new  \r\n"),
      W("AppendKeyToSection", true, "[zhuye]\r\nzhuye=new  \r\n", "zhuye", "k2", "v2",
        "[zhuye]\r\nzhuye=new\r\nk2=v2\r\n"),
      W("AppendSection", true, "[zhuye]\r\nzhuye=x\r\n", "other", "k", "",
        "[zhuye]\r\nzhuye=x\r\n[other]\r\nk=\r\n"),
      W("KeyGoesAfterTheSectionsLastLine", true, "[a]\r\nx=1\r\n\r\n\r\n[b]\r\ny=2\r\n", "a", "z",
        "3", "[a]\r\nx=1\r\nz=3\r\n[b]\r\ny=2\r\n"),
      W("LastLineWithoutEnd", true, "[a]\r\nx=1", "a", "z", "3", "[a]\r\nx=1\r\nz=3\r\n"),
      W("LineFeedsBecomeCrLfAndOtherLinesStay", true, "[a]\nx=1\n;c\n", "a", "x", "new",
        "[a]\r\nx=new\r\n;c\r\n"),
      W("TextBeforeSectionsKept", true, "junk line\r\n", "a", "x", "v",
        "junk line\r\n[a]\r\nx=v\r\n"),
      W("TidiedOnWrite", true,
        "pre=1\r\n\r\n  [ s ]  \r\n  k  =  v v  \r\n;comment\r\n\r\nnoeq\r\n  [t]x\r\nq=\"a\"\r\n", "u",
        "z", "3", "pre=1\r\n[s]\r\nk=v v\r\n;comment\r\nnoeq\r\n[t]\r\nq=\"a\"\r\n[u]\r\nz=3\r\n"),
      W("FirstOfTwoSectionsTakesTheKey", true, "[s]\r\nk=1\r\n[s]\r\nk=2\r\n", "s", "k", "9",
        "[s]\r\nk=9\r\n[s]\r\nk=2\r\n"),
      W("KeyOfLaterSameSectionNotSeen", true, "[s]\r\nk=1\r\n[S]\r\nj=2\r\n", "s", "j", "9",
        "[s]\r\nk=1\r\nj=9\r\n[S]\r\nj=2\r\n"),
      W("SameValueLeavesFileAlone", true, "[s]\r\nk=same\r\n junk \r\n", "s", "k", "same",
        "[s]\r\nk=same\r\n junk \r\n"),
      W("DoubleByteValueWithTrail5C", true, "[s]\r\nk=1\r\n", "s", "k", "\xD6\xD0\x81\x5C",
        "[s]\r\nk=\xD6\xD0\x81\x5C\r\n"),
      W("InnerTabAndTrailingBlankKept", true, "[s]\r\nk=1\r\n", "s", "k", "x\ty ",
        "[s]\r\nk=x\ty \r\n"),
      W("QuotedValueWrittenAsGiven", true, "[a]\r\nx=1\r\n", "a", "x", "\"q\"",
        "[a]\r\nx=\"q\"\r\n"),
      {"UnwritableFolder", false, "", "zhuye", "zhuye", "x", true, false, ""},
  };
}

}  // namespace

const std::vector<ProfileReadCase>& ProfileReadCases() {
  static const std::vector<ProfileReadCase> cases = MakeReadCases();
  return cases;
}

const std::vector<ProfileWriteCase>& ProfileWriteCases() {
  static const std::vector<ProfileWriteCase> cases = MakeWriteCases();
  return cases;
}

std::vector<std::string> RunProfileRead(ProfileProbe& probe, const ProfileReadCase& c) {
  std::vector<std::string> faults;
  Text path = probe.PathFor("r_" + c.name);
  if (c.fileExists) probe.PutFile(path, c.content);
  Text got = probe.Store().GetString(path, c.section, c.key, c.fallback, c.bufferSize);
  if (got != c.expect) faults.push_back("read '" + Show(got) + "', want '" + Show(c.expect) + "'");
  return faults;
}

std::vector<std::string> RunProfileWrite(ProfileProbe& probe, const ProfileWriteCase& c) {
  std::vector<std::string> faults;
  Text path = c.unwritable ? probe.UnwritablePath() : probe.PathFor("w_" + c.name);
  if (c.fileExists) probe.PutFile(path, c.content);
  bool ok = probe.Store().WriteString(path, c.section, c.key, c.value);
  if (ok != c.ok) faults.push_back("write returned " + std::to_string(ok));
  std::string after;
  bool exists = probe.GetFile(path, after);
  if (c.ok && (!exists || after != c.expectContent))
    faults.push_back("file '" + Show(after) + "', want '" + Show(c.expectContent) + "'");
  if (!c.ok && exists) faults.push_back("a file appeared");
  return faults;
}

}  // namespace qv::test
