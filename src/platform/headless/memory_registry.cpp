#include "platform/headless/memory_registry.h"

namespace qv::headless {
namespace {

constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;

// Names compare as the system compares them: case-insensitively over
// Unicode. Within GBK that covers ASCII letters and the double-byte Latin
// (full-width), Greek, Cyrillic and Roman-numeral letters, each of whose
// small forms sits at a fixed distance from its capital.
Text Fold(const Text& s) {
  Text r = s;
  for (size_t i = 0; i < r.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(r[i]);
    if (c >= 'a' && c <= 'z') {
      r[i] = static_cast<char>(c - 'a' + 'A');
      continue;
    }
    if (c < 0x81 || c > 0xFE || i + 1 >= r.size()) continue;
    unsigned char t = static_cast<unsigned char>(r[i + 1]);
    int shift = 0;
    if (c == 0xA2 && t >= 0xA1 && t <= 0xAA) shift = 0x50;       // small roman numerals
    else if (c == 0xA3 && t >= 0xE1 && t <= 0xFA) shift = -0x20;  // full-width a-z
    else if (c == 0xA6 && t >= 0xC1 && t <= 0xD8) shift = -0x20;  // Greek
    else if (c == 0xA7 && t >= 0xD1 && t <= 0xF1) shift = -0x30;  // Cyrillic
    r[i + 1] = static_cast<char>(t + shift);
    ++i;
  }
  return r;
}

// Key path parts; empty parts (doubled or trailing "\\") drop out, as the
// system's do. A lead byte takes the byte after it, so a trail byte 0x5C
// is no separator.
std::vector<Text> SplitKey(const Text& key) {
  std::vector<Text> parts;
  Text part;
  for (size_t i = 0; i < key.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(key[i]);
    if (c >= 0x81 && c <= 0xFE && i + 1 < key.size()) {
      part += key.substr(i, 2);
      ++i;
    } else if (c == '\\') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += key[i];
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

// A path that starts with "\\" is refused (ERROR_BAD_PATHNAME).
bool BadPath(const Text& key) { return !key.empty() && key[0] == '\\'; }

const char* RootName(RegistryRoot root) {
  return root == RegistryRoot::ClassesRoot ? "HKCR" : "HKCU";
}

}  // namespace

struct MemoryRegistry::Node {
  struct Value {
    uint32_t type;
    std::string bytes;
  };
  std::map<Text, std::unique_ptr<Node>> children;  // by lower-case name
  std::map<Text, Value> values;                    // by lower-case name
  bool readOnly = false;
  bool denied = false;  // neither read nor written
};

MemoryRegistry::MemoryRegistry() {
  roots_[0] = std::make_unique<Node>();
  roots_[1] = std::make_unique<Node>();
}

MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Node* MemoryRegistry::Find(RegistryRoot root, const Text& key) const {
  if (BadPath(key)) return nullptr;
  Node* n = roots_[root == RegistryRoot::ClassesRoot ? 0 : 1].get();
  for (const Text& part : SplitKey(key)) {
    auto it = n->children.find(Fold(part));
    if (it == n->children.end()) return nullptr;
    n = it->second.get();
  }
  return n;
}

MemoryRegistry::Node* MemoryRegistry::Create(RegistryRoot root, const Text& key) {
  if (BadPath(key)) return nullptr;
  Node* n = roots_[root == RegistryRoot::ClassesRoot ? 0 : 1].get();
  for (const Text& part : SplitKey(key)) {
    Text name = Fold(part);
    auto it = n->children.find(name);
    if (it == n->children.end()) {
      if (n->readOnly || n->denied) return nullptr;
      it = n->children.emplace(name, std::make_unique<Node>()).first;
    }
    n = it->second.get();
  }
  return n;
}

bool MemoryRegistry::ReadString(RegistryRoot root, const Text& key, const Text& value,
                                Text& out) {
  Log(std::string("read ") + RootName(root) + "\\" + key + "\\" + value);
  Node* n = Find(root, key);
  if (n == nullptr || n->denied) return false;
  auto it = n->values.find(Fold(value));
  if (it == n->values.end() || (it->second.type != kRegSz && it->second.type != kRegExpandSz)) return false;
  std::string data = it->second.bytes;
  size_t nul = data.find('\0');
  out = nul == std::string::npos ? data : data.substr(0, nul);
  return true;
}

bool MemoryRegistry::WriteString(RegistryRoot root, const Text& key, const Text& value,
                                 const Text& data) {
  Log(std::string("write ") + RootName(root) + "\\" + key + "\\" + value + "=" + data);
  Node* n = Create(root, key);
  if (n == nullptr || n->readOnly || n->denied) return false;
  n->values[Fold(value)] = {kRegSz, data + std::string(1, '\0')};
  return true;
}

bool MemoryRegistry::DeleteValue(RegistryRoot root, const Text& key, const Text& value) {
  Log(std::string("delete-value ") + RootName(root) + "\\" + key + "\\" + value);
  Node* n = Find(root, key);
  if (n == nullptr || n->readOnly || n->denied) return false;
  return n->values.erase(Fold(value)) != 0;
}

bool MemoryRegistry::DeleteKey(RegistryRoot root, const Text& key) {
  Log(std::string("delete-key ") + RootName(root) + "\\" + key);
  if (BadPath(key)) return false;
  std::vector<Text> parts = SplitKey(key);
  if (parts.empty()) return false;
  Text last = parts.back();
  parts.pop_back();
  Text parentPath;
  for (const Text& p : parts) parentPath += p + "\\";
  Node* parent = Find(root, parentPath);
  if (parent == nullptr || parent->readOnly || parent->denied) return false;
  auto it = parent->children.find(Fold(last));
  if (it == parent->children.end() || !it->second->children.empty()) return false;
  parent->children.erase(it);
  return true;
}

void MemoryRegistry::SetRaw(RegistryRoot root, const Text& key, const Text& value, uint32_t type,
                            const std::string& bytes) {
  Node* n = Create(root, key);
  if (n != nullptr) n->values[Fold(value)] = {type, bytes};
}

void MemoryRegistry::SetReadOnly(RegistryRoot root, const Text& key, bool readOnly) {
  Node* n = Create(root, key);
  if (n != nullptr) n->readOnly = readOnly;
}

void MemoryRegistry::SetDenied(RegistryRoot root, const Text& key, bool denied) {
  Node* n = Create(root, key);
  if (n != nullptr) n->denied = denied;
}

bool MemoryRegistry::KeyExists(RegistryRoot root, const Text& key) const {
  return Find(root, key) != nullptr;
}

}  // namespace qv::headless
