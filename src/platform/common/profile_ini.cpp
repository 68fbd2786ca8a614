#include "platform/common/profile_ini.h"

#include <vector>

namespace qv {
namespace {

// What the system trims around names and values: ASCII white space and
// Ctrl-Z (an old end-of-file mark).
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\x1a';
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// What a write strips from the front of a new name or value.
std::string TrimLeft(const std::string& s) {
  size_t b = 0;
  while (b < s.size() && (s[b] == ' ' || s[b] == '\t')) ++b;
  return s.substr(b);
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// Bytes of the GBK character at i (a lead byte takes the next byte).
size_t CharLength(const std::string& s, size_t i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  return (c >= 0x81 && c <= 0xFE && i + 1 < s.size()) ? 2 : 1;
}

// At most `limit` bytes of s, never ending inside a double-byte character.
std::string Cut(const std::string& s, size_t limit) {
  size_t i = 0;
  while (i < s.size()) {
    size_t len = CharLength(s, i);
    if (i + len > limit) break;
    i += len;
  }
  return s.substr(0, i);
}

struct Entry {
  std::string name;
  std::string value;
  bool hasValue = false;
};

struct Section {
  std::string name;
  bool hasHeader = false;
  std::vector<Entry> entries;
};

// Position of the first single-byte `ch` at or after `from`.
size_t FindChar(const std::string& s, char ch, size_t from = 0) {
  for (size_t i = from; i < s.size(); i += CharLength(s, i))
    if (s[i] == ch) return i;
  return std::string::npos;
}

std::vector<Section> Parse(const std::string& content) {
  std::vector<Section> sections(1);  // the nameless one
  size_t start = 0;
  // A UTF-8 byte-order mark is no part of the first line.
  if (content.compare(0, 3, "\xEF\xBB\xBF") == 0) start = 3;
  while (start < content.size()) {
    size_t end = start;
    while (end < content.size() && content[end] != '\r' && content[end] != '\n') ++end;
    std::string line = content.substr(start, end - start);
    if (end < content.size() && content[end] == '\r' && end + 1 < content.size() &&
        content[end + 1] == '\n')
      ++end;
    start = end + 1;

    line = Trim(line);
    if (line.empty()) continue;
    // A NUL ends the line's text, but the line itself stays.
    size_t nul = line.find('\0');
    if (nul != std::string::npos) line = Trim(line.substr(0, nul));
    size_t close;
    if (line[0] == '[' && (close = FindChar(line, ']', 1)) != std::string::npos) {
      Section s;
      s.name = Trim(line.substr(1, close - 1));
      s.hasHeader = true;
      sections.push_back(s);
      continue;
    }
    Entry e;
    size_t eq = FindChar(line, '=');
    if (eq == std::string::npos) {
      e.name = line;
    } else {
      e.name = Trim(line.substr(0, eq));
      e.value = Trim(line.substr(eq + 1));
      e.hasValue = true;
    }
    sections.back().entries.push_back(e);
  }
  return sections;
}

Section* FindSection(std::vector<Section>& sections, const std::string& name) {
  // The nameless section only answers to an empty name.
  for (Section& s : sections)
    if ((s.hasHeader || name.empty()) && SameName(s.name, name)) return &s;
  return nullptr;
}

Entry* FindKey(Section& s, const std::string& key) {
  for (Entry& e : s.entries)
    if (e.hasValue && SameName(e.name, key)) return &e;
  return nullptr;
}

std::string Unquote(const std::string& v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

}  // namespace

bool IniLookup(const std::string& content, const Text& section, const Text& key,
               uint32_t bufferSize, Text& out) {
  std::vector<Section> sections = Parse(content);
  Section* s = FindSection(sections, Trim(section));
  if (s == nullptr) return false;
  Entry* e = FindKey(*s, Trim(key));
  if (e == nullptr) return false;
  out = bufferSize == 0 ? Text() : Cut(Unquote(e->value), bufferSize - 1);
  return true;
}

Text IniFallback(const Text& fallback, uint32_t bufferSize) {
  std::string f = fallback;
  while (!f.empty() && IsBlank(f.back())) f.pop_back();
  return bufferSize == 0 ? Text() : Cut(f, bufferSize - 1);
}

std::string IniUpdate(const std::string& content, const Text& section, const Text& key,
                      const Text& value, bool* changed) {
  std::vector<Section> sections = Parse(content);
  // New names lose their leading blanks only, and a value its leading
  // blanks: what the system writes.
  std::string v = TrimLeft(value);
  Section* s = FindSection(sections, Trim(section));
  if (s == nullptr) {
    Section fresh;
    fresh.name = TrimLeft(section);
    fresh.hasHeader = true;
    sections.push_back(fresh);
    s = &sections.back();
  }
  Entry* e = FindKey(*s, Trim(key));
  if (e != nullptr && e->value == v) {
    if (changed != nullptr) *changed = false;
    return content;
  }
  if (e != nullptr) {
    e->value = v;
  } else {
    Entry fresh;
    fresh.name = TrimLeft(key);
    fresh.value = v;
    fresh.hasValue = true;
    s->entries.push_back(fresh);
  }
  if (changed != nullptr) *changed = true;

  std::string out;
  for (const Section& sec : sections) {
    if (sec.hasHeader) out += "[" + sec.name + "]\r\n";
    for (const Entry& en : sec.entries)
      out += en.hasValue ? en.name + "=" + en.value + "\r\n" : en.name + "\r\n";
  }
  return out;
}

}  // namespace qv
