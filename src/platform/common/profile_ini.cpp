#include "platform/common/profile_ini.h"

#include <vector>

namespace qv {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && (IsBlank(s[e - 1]) || s[e - 1] == '\r')) --e;
  return s.substr(b, e - b);
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

std::vector<std::string> SplitLines(const std::string& content) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < content.size()) {
    size_t nl = content.find('\n', start);
    if (nl == std::string::npos) nl = content.size();
    lines.push_back(content.substr(start, nl - start));
    start = nl + 1;
  }
  return lines;
}

// "[name]" -> name; false for other lines.
bool SectionName(const std::string& line, std::string& name) {
  std::string t = Trim(line);
  if (t.empty() || t[0] != '[') return false;
  size_t close = t.find(']');
  name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
  return true;
}

bool KeyOf(const std::string& line, std::string& key, std::string& value) {
  size_t eq = line.find('=');
  if (eq == std::string::npos) return false;
  key = Trim(line.substr(0, eq));
  value = Trim(line.substr(eq + 1));
  return true;
}

}  // namespace

bool IniLookup(const std::string& content, const Text& section, const Text& key,
               uint32_t bufferSize, Text& out) {
  bool inSection = false;
  for (const std::string& line : SplitLines(content)) {
    std::string name, k, v;
    if (SectionName(line, name)) {
      inSection = SameName(name, Trim(section));
      continue;
    }
    if (inSection && KeyOf(line, k, v) && SameName(k, Trim(key))) {
      if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
      out = bufferSize == 0 ? Text() : v.substr(0, bufferSize - 1);
      return true;
    }
  }
  return false;
}

std::string IniUpdate(const std::string& content, const Text& section, const Text& key,
                      const Text& value) {
  std::vector<std::string> lines = SplitLines(content);
  int sectionLine = -1, lastInSection = -1;
  bool inSection = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string name, k, v;
    if (SectionName(lines[i], name)) {
      if (inSection) break;
      inSection = SameName(name, Trim(section));
      if (inSection) sectionLine = lastInSection = static_cast<int>(i);
      continue;
    }
    if (!inSection) continue;
    if (!Trim(lines[i]).empty()) lastInSection = static_cast<int>(i);
    if (KeyOf(lines[i], k, v) && SameName(k, Trim(key))) {
      lines[i] = k + "=" + value + "\r";
      goto join;
    }
  }
  if (sectionLine < 0) {
    if (!lines.empty() && !Trim(lines.back()).empty()) lines.push_back("\r");
    lines.push_back("[" + Trim(section) + "]\r");
    lines.push_back(Trim(key) + "=" + value + "\r");
  } else {
    lines.insert(lines.begin() + lastInSection + 1, Trim(key) + "=" + value + "\r");
  }
join:
  std::string result;
  for (const std::string& l : lines) result += l + "\n";
  return result;
}

}  // namespace qv
