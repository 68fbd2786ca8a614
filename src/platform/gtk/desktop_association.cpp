#include "platform/gtk/desktop_association.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include <glib.h>

#include "platform/gtk/gtk_text.h"

namespace qv::gtk {
namespace {

constexpr char kDefaultSection[] = "[Default Applications]";

std::string LowerAscii(const Text& s) {
  std::string r = s;
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

// "<class>\shell[\e\command]" split into class and the rest (lower case).
bool SplitClassKey(const Text& key, Text& cls, std::string& rest) {
  size_t bs = key.find('\\');
  if (bs == Text::npos || bs == 0) return false;
  cls = key.substr(0, bs);
  rest = LowerAscii(key.substr(bs + 1));
  while (!rest.empty() && rest.back() == '\\') rest.pop_back();
  return true;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  if (in) s << in.rdbuf();
  return s.str();
}

bool WriteFile(const std::string& path, const std::string& text) {
  size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0) {
    std::string dir = path.substr(0, slash);
    g_mkdir_with_parents(dir.c_str(), 0755);
  }
  std::string tmp = path + ".quorvi-tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << text;
    if (!out.flush()) return false;
  }
  return std::rename(tmp.c_str(), path.c_str()) == 0;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return std::string();
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

// Sets (value non-empty) or removes `mime` in [Default Applications].
void EditDefault(const std::string& path, const std::string& mime, const std::string& value,
                 bool onlyIfOurs) {
  std::vector<std::string> lines = Lines(ReadFile(path));
  size_t section = lines.size(), end = lines.size();
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string t = Trim(lines[i]);
    if (t == kDefaultSection) {
      section = i;
      end = lines.size();
    } else if (section != lines.size() && end == lines.size() && !t.empty() && t[0] == '[') {
      end = i;
    }
  }
  if (section == lines.size()) {
    if (value.empty()) return;
    lines.push_back(kDefaultSection);
    section = lines.size() - 1;
    end = lines.size();
  }
  bool done = false;
  for (size_t i = section + 1; i < end; ++i) {
    size_t eq = lines[i].find('=');
    if (eq == std::string::npos || Trim(lines[i].substr(0, eq)) != mime) continue;
    std::string current = Trim(lines[i].substr(eq + 1));
    if (value.empty()) {
      if (onlyIfOurs && current.compare(0, sizeof kDesktopFileName - 1, kDesktopFileName) != 0)
        return;
      lines.erase(lines.begin() + static_cast<long>(i));
    } else {
      lines[i] = mime + "=" + value + ";";
    }
    done = true;
    break;
  }
  if (!done) {
    if (value.empty()) return;
    lines.insert(lines.begin() + static_cast<long>(end), mime + "=" + value + ";");
  }
  std::string out;
  for (const auto& l : lines) out += l + "\n";
  WriteFile(path, out);
}

// A text for an Exec key: quoted when needed, with the reserved characters
// escaped as the desktop entry rules ask.
std::string ExecQuote(const std::string& arg) {
  bool plain = !arg.empty();
  for (char c : arg)
    if (!(g_ascii_isalnum(c) || c == '/' || c == '.' || c == '-' || c == '_' ||
          static_cast<unsigned char>(c) >= 0x80))
      plain = false;
  if (plain) return arg;
  std::string out = "\"";
  for (char c : arg) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
    if (c == '%') out += '%';
    out += c;
  }
  return out + "\"";
}

// Newlines would end the key; a desktop entry value stays on one line.
std::string OneLine(const std::string& s) {
  std::string out;
  for (char c : s) out += (c == '\n' || c == '\r') ? ' ' : c;
  return out;
}

}  // namespace

DesktopDirs DesktopDirs::ForUser() {
  DesktopDirs d;
  d.applications = std::string(g_get_user_data_dir()) + "/applications";
  d.mimeappsList = std::string(g_get_user_config_dir()) + "/mimeapps.list";
  return d;
}

std::string MimeTypeOfClass(const Text& className) {
  std::string c = LowerAscii(className);
  if (c == "htmlfile") return "text/html";
  if (c == "http") return "x-scheme-handler/http";
  if (c == "https") return "x-scheme-handler/https";
  return std::string();
}

std::string ExecLineFromCommand(const Text& command) {
  // The program: a quoted first part, or everything before " %1" (paths
  // may hold blanks), or the first blank-separated word.
  Text program;
  size_t b = command.find_first_not_of(' ');
  if (b == Text::npos) return std::string();
  if (command[b] == '"') {
    size_t e = command.find('"', b + 1);
    program = command.substr(b + 1, e == Text::npos ? Text::npos : e - b - 1);
  } else {
    size_t arg = command.find(" %1", b);
    if (arg == Text::npos) arg = command.find(" \"%1\"", b);
    program = command.substr(b, arg == Text::npos ? Text::npos : arg - b);
  }
  return ExecQuote(ToFsPath(program)) + " %u";
}

std::string DefaultHandler(const DesktopDirs& dirs, const std::string& mime) {
  bool inSection = false;
  for (const auto& line : Lines(ReadFile(dirs.mimeappsList))) {
    std::string t = Trim(line);
    if (!t.empty() && t[0] == '[') {
      inSection = t == kDefaultSection;
      continue;
    }
    size_t eq = t.find('=');
    if (!inSection || eq == std::string::npos || Trim(t.substr(0, eq)) != mime) continue;
    std::string v = Trim(t.substr(eq + 1));
    size_t semi = v.find(';');
    return semi == std::string::npos ? v : v.substr(0, semi);
  }
  return std::string();
}

void OnClassesWrite(const DesktopDirs& dirs, const Text& key, const Text& value,
                    const Text& data) {
  Text cls;
  std::string rest;
  if (!value.empty() || !SplitClassKey(key, cls, rest)) return;
  std::string mime = MimeTypeOfClass(cls);
  if (mime.empty()) return;
  if (rest == "shell\\e\\command") {
    WriteDesktopEntry(dirs.applications + "/" + kDesktopFileName, u8"Quorvi浏览器",
                      ExecLineFromCommand(data), "Quorvi WAP browser", true);
  } else if (rest == "shell") {
    if (LowerAscii(data) == "e")
      EditDefault(dirs.mimeappsList, mime, kDesktopFileName, false);
    else
      EditDefault(dirs.mimeappsList, mime, std::string(), true);
  }
}

bool ClassesReadAllowed(const DesktopDirs& dirs, const Text& key, const Text& value) {
  Text cls;
  std::string rest;
  if (!value.empty() || !SplitClassKey(key, cls, rest) || rest != "shell\\e\\command") return true;
  std::string mime = MimeTypeOfClass(cls);
  return mime.empty() || DefaultHandler(dirs, mime) == kDesktopFileName;
}

bool WriteDesktopEntry(const std::string& path, const std::string& name, const std::string& exec,
                       const std::string& comment, bool handlerTypes) {
  std::string text = "[Desktop Entry]\nType=Application\nVersion=1.0\n";
  text += "Name=" + OneLine(name) + "\n";
  text += "Comment=" + OneLine(comment) + "\n";
  text += "Exec=" + OneLine(exec) + "\n";
  text += "Terminal=false\nCategories=Network;WebBrowser;\n";
  if (handlerTypes) text += "MimeType=text/html;x-scheme-handler/http;x-scheme-handler/https;\n";
  return WriteFile(path, text);
}

}  // namespace qv::gtk
