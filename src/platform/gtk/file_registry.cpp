#include "platform/gtk/file_registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <glib.h>

#include "app/gbk.h"
#include "platform/gtk/gtk_text.h"

namespace qv::gtk {
namespace {

// ASCII case folding that leaves the trail bytes of GBK characters alone.
Text Lower(const Text& s) {
  Text r = s;
  for (size_t i = 0; i < r.size();) {
    size_t n = GbkCharLength(r, i);
    if (n == 1 && r[i] >= 'A' && r[i] <= 'Z') r[i] = static_cast<char>(r[i] - 'A' + 'a');
    i += n;
  }
  return r;
}

const char* RootName(RegistryRoot root) {
  return root == RegistryRoot::ClassesRoot ? "HKEY_CLASSES_ROOT" : "HKEY_CURRENT_USER";
}

// Root and key path as one normalised path: empty parts are dropped, as the
// system's key functions treat "a\\b" like "a\b".
Text FullPath(RegistryRoot root, const Text& key) {
  Text out = RootName(root);
  size_t start = 0;
  while (start <= key.size()) {
    size_t bs = key.find('\\', start);
    if (bs == Text::npos) bs = key.size();
    if (bs > start) out += "\\" + key.substr(start, bs - start);
    start = bs + 1;
  }
  return out;
}

// Holds an exclusive lock on "<file>.lock" for one read-modify-write.
class FileLock {
 public:
  explicit FileLock(const std::string& path) {
    fd_ = open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ >= 0) flock(fd_, LOCK_EX);
  }
  ~FileLock() {
    if (fd_ >= 0) close(fd_);  // closing releases the lock
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int fd_ = -1;
};

void MakeParents(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return;
  gchar* dir = g_strndup(path.c_str(), slash);
  g_mkdir_with_parents(dir, 0700);
  g_free(dir);
}

std::string Quote(const Text& gbk) {
  std::string u = ToUtf8(gbk);
  std::string out = "\"";
  for (char c : u) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\0': out += "\\0"; break;
      default: out += c;
    }
  }
  return out + "\"";
}

// The bytes survive exactly when they are GBK; otherwise they are kept as
// hex so no setting is ever lost or altered.
bool RoundTrips(const Text& gbk) { return FromUtf8(ToUtf8(gbk)) == gbk; }

std::string Hex(const Text& bytes) {
  std::string out = "hex:";
  char buf[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned char>(bytes[i]));
    if (i) out += ",";
    out += buf;
  }
  return out;
}

// Reads a quoted text starting at s[i] == '"'; returns false if unterminated.
bool Unquote(const std::string& s, size_t& i, std::string& out) {
  if (i >= s.size() || s[i] != '"') return false;
  for (++i; i < s.size(); ++i) {
    char c = s[i];
    if (c == '"') {
      ++i;
      return true;
    }
    if (c == '\\' && i + 1 < s.size()) {
      char n = s[++i];
      out += n == 'n' ? '\n' : n == 'r' ? '\r' : n == '0' ? '\0' : n;
    } else {
      out += c;
    }
  }
  return false;
}

bool ParseHex(const std::string& s, Text& out) {
  out.clear();
  size_t i = 0;
  while (i < s.size()) {
    if (s[i] == ',' || s[i] == ' ') {
      ++i;
      continue;
    }
    if (i + 1 >= s.size() || !g_ascii_isxdigit(s[i]) || !g_ascii_isxdigit(s[i + 1])) return false;
    out += static_cast<char>(g_ascii_xdigit_value(s[i]) * 16 + g_ascii_xdigit_value(s[i + 1]));
    i += 2;
  }
  return true;
}

FileRegistry::Key* FindKey(std::vector<FileRegistry::Key>& keys, const Text& full) {
  Text want = Lower(full);
  for (auto& k : keys)
    if (Lower(k.path) == want) return &k;
  return nullptr;
}

}  // namespace

std::string DefaultRegistryPath() {
  return std::string(g_get_user_config_dir()) + "/quorvi/registry.ini";
}

FileRegistry::FileRegistry(std::string path) : path_(std::move(path)) {}

std::vector<FileRegistry::Key> FileRegistry::Parse(const std::string& text) {
  std::vector<Key> keys;
  Key* current = nullptr;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t b = line.find_first_not_of(" \t");
    if (b == std::string::npos || line[b] == ';' || line[b] == '#') continue;
    if (line[b] == '[') {
      size_t close = line.rfind(']');
      if (close == std::string::npos || close <= b) {
        current = nullptr;  // a broken header: its values belong nowhere
        continue;
      }
      Text path = FromUtf8(line.substr(b + 1, close - b - 1));
      current = FindKey(keys, path);
      if (current == nullptr) {
        keys.push_back({path, {}});
        current = &keys.back();
      }
      continue;
    }
    if (current == nullptr) continue;
    Value v;
    size_t i = b;
    if (line[i] == '@') {
      ++i;
    } else {
      std::string name;
      if (!Unquote(line, i, name)) continue;
      v.name = FromUtf8(name);
    }
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size() || line[i] != '=') continue;
    ++i;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    std::string rest = line.substr(i);
    if (!rest.empty() && rest[0] == '"') {
      std::string data;
      size_t j = 0;
      if (!Unquote(rest, j, data)) continue;
      v.data = FromUtf8(data);
    } else if (rest.compare(0, 4, "hex:") == 0 && ParseHex(rest.substr(4), v.data)) {
      // raw string bytes
    } else {
      v.isString = false;  // dword:, hex(7): and the like are not text
      v.data = rest;
    }
    bool replaced = false;
    for (auto& old : current->values) {
      if (Lower(old.name) == Lower(v.name)) {
        old = v;
        replaced = true;
      }
    }
    if (!replaced) current->values.push_back(v);
  }
  return keys;
}

std::string FileRegistry::Format(const std::vector<Key>& keys) {
  std::string out =
      "; Quorvi registry: [root\\key] sections, @ is the default value, texts in UTF-8.\n";
  for (const auto& k : keys) {
    out += "\n[" + ToUtf8(k.path) + "]\n";
    for (const auto& v : k.values) {
      out += v.name.empty() ? std::string("@") : Quote(v.name);
      out += "=";
      if (!v.isString)
        out += v.data;
      else
        out += RoundTrips(v.data) ? Quote(v.data) : Hex(v.data);
      out += "\n";
    }
  }
  return out;
}

bool FileRegistry::Load(std::vector<Key>& keys, bool& existed) {
  std::ifstream in(path_, std::ios::binary);
  existed = static_cast<bool>(in);
  keys.clear();
  if (!in) return errno == ENOENT;
  std::ostringstream s;
  s << in.rdbuf();
  keys = Parse(s.str());
  return true;
}

bool FileRegistry::Save(const std::vector<Key>& keys) {
  MakeParents(path_);
  std::string tmp = path_ + ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << Format(keys);
    out.flush();
    if (!out) return false;
  }
  return std::rename(tmp.c_str(), path_.c_str()) == 0;
}

bool FileRegistry::ReadString(RegistryRoot root, const Text& key, const Text& value, Text& out) {
  if (readAllowed && !readAllowed(root, key, value)) return false;
  FileLock lock(path_);
  std::vector<Key> keys;
  bool existed = false;
  Load(keys, existed);
  Key* k = FindKey(keys, FullPath(root, key));
  if (k == nullptr) return false;
  for (const auto& v : k->values) {
    if (Lower(v.name) == Lower(value)) {
      if (!v.isString) return false;
      out = v.data;
      return true;
    }
  }
  return false;
}

bool FileRegistry::WriteString(RegistryRoot root, const Text& key, const Text& value,
                               const Text& data) {
  {
    MakeParents(path_);
    FileLock lock(path_);
    std::vector<Key> keys;
    bool existed = false;
    if (!Load(keys, existed)) return false;
    Text full = FullPath(root, key);
    // The key and every key above it exist after a write, as the system's do.
    for (size_t bs = full.find('\\'); ; bs = full.find('\\', bs + 1)) {
      Text part = bs == Text::npos ? full : full.substr(0, bs);
      if (FindKey(keys, part) == nullptr) keys.push_back({part, {}});
      if (bs == Text::npos) break;
    }
    Key* k = FindKey(keys, full);
    bool done = false;
    for (auto& v : k->values) {
      if (Lower(v.name) == Lower(value)) {
        v.isString = true;
        v.data = data;
        done = true;
      }
    }
    if (!done) k->values.push_back({value, true, data});
    if (!Save(keys)) return false;
  }
  if (afterWrite) afterWrite(root, key, value, data);
  return true;
}

bool FileRegistry::DeleteValue(RegistryRoot root, const Text& key, const Text& value) {
  FileLock lock(path_);
  std::vector<Key> keys;
  bool existed = false;
  if (!Load(keys, existed)) return false;
  Key* k = FindKey(keys, FullPath(root, key));
  if (k == nullptr) return false;
  for (size_t i = 0; i < k->values.size(); ++i) {
    if (Lower(k->values[i].name) == Lower(value)) {
      k->values.erase(k->values.begin() + static_cast<long>(i));
      return Save(keys);
    }
  }
  return false;
}

bool FileRegistry::DeleteKey(RegistryRoot root, const Text& key) {
  Text full = FullPath(root, key);
  if (full == RootName(root)) return false;  // a root cannot go
  FileLock lock(path_);
  std::vector<Key> keys;
  bool existed = false;
  if (!Load(keys, existed)) return false;
  Text prefix = Lower(full) + "\\";
  bool found = false;
  for (const auto& k : keys) {
    Text p = Lower(k.path);
    if (p == Lower(full)) found = true;
    if (p.compare(0, prefix.size(), prefix) == 0) return false;  // has subkeys
  }
  if (!found) return false;
  for (size_t i = 0; i < keys.size(); ++i) {
    if (Lower(keys[i].path) == Lower(full)) {
      keys.erase(keys.begin() + static_cast<long>(i));
      break;
    }
  }
  return Save(keys);
}

bool FileRegistry::KeyExists(RegistryRoot root, const Text& key) {
  FileLock lock(path_);
  std::vector<Key> keys;
  bool existed = false;
  Load(keys, existed);
  return FindKey(keys, FullPath(root, key)) != nullptr;
}

}  // namespace qv::gtk
