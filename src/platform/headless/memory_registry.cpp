#include "platform/headless/memory_registry.h"

namespace qv::headless {
namespace {

constexpr uint32_t kRegSz = 1;

Text Lower(const Text& s) {
  Text r = s;
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

std::vector<Text> SplitKey(const Text& key) {
  std::vector<Text> parts;
  size_t start = 0;
  while (start <= key.size()) {
    size_t bs = key.find('\\', start);
    if (bs == Text::npos) bs = key.size();
    if (bs > start) parts.push_back(key.substr(start, bs - start));
    start = bs + 1;
  }
  return parts;
}

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
};

MemoryRegistry::MemoryRegistry() {
  roots_[0] = std::make_unique<Node>();
  roots_[1] = std::make_unique<Node>();
}

MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Node* MemoryRegistry::Find(RegistryRoot root, const Text& key) const {
  Node* n = roots_[root == RegistryRoot::ClassesRoot ? 0 : 1].get();
  for (const Text& part : SplitKey(key)) {
    auto it = n->children.find(Lower(part));
    if (it == n->children.end()) return nullptr;
    n = it->second.get();
  }
  return n;
}

MemoryRegistry::Node* MemoryRegistry::Create(RegistryRoot root, const Text& key) {
  Node* n = roots_[root == RegistryRoot::ClassesRoot ? 0 : 1].get();
  for (const Text& part : SplitKey(key)) {
    std::unique_ptr<Node>& child = n->children[Lower(part)];
    if (!child) {
      if (n->readOnly) return nullptr;
      child = std::make_unique<Node>();
    }
    n = child.get();
  }
  return n;
}

bool MemoryRegistry::ReadString(RegistryRoot root, const Text& key, const Text& value,
                                Text& out) {
  log.push_back(std::string("read ") + RootName(root) + "\\" + key + "\\" + value);
  Node* n = Find(root, key);
  if (n == nullptr) return false;
  auto it = n->values.find(Lower(value));
  if (it == n->values.end() || it->second.type != kRegSz) return false;
  std::string data = it->second.bytes;
  size_t nul = data.find('\0');
  out = nul == std::string::npos ? data : data.substr(0, nul);
  return true;
}

bool MemoryRegistry::WriteString(RegistryRoot root, const Text& key, const Text& value,
                                 const Text& data) {
  log.push_back(std::string("write ") + RootName(root) + "\\" + key + "\\" + value + "=" + data);
  Node* n = Create(root, key);
  if (n == nullptr || n->readOnly) return false;
  n->values[Lower(value)] = {kRegSz, data + std::string(1, '\0')};
  return true;
}

bool MemoryRegistry::DeleteValue(RegistryRoot root, const Text& key, const Text& value) {
  log.push_back(std::string("delete-value ") + RootName(root) + "\\" + key + "\\" + value);
  Node* n = Find(root, key);
  if (n == nullptr || n->readOnly) return false;
  return n->values.erase(Lower(value)) != 0;
}

bool MemoryRegistry::DeleteKey(RegistryRoot root, const Text& key) {
  log.push_back(std::string("delete-key ") + RootName(root) + "\\" + key);
  std::vector<Text> parts = SplitKey(key);
  if (parts.empty()) return false;
  Text last = parts.back();
  parts.pop_back();
  Text parentPath;
  for (const Text& p : parts) parentPath += p + "\\";
  Node* parent = Find(root, parentPath);
  if (parent == nullptr || parent->readOnly) return false;
  auto it = parent->children.find(Lower(last));
  if (it == parent->children.end() || !it->second->children.empty()) return false;
  parent->children.erase(it);
  return true;
}

void MemoryRegistry::SetRaw(RegistryRoot root, const Text& key, const Text& value, uint32_t type,
                            const std::string& bytes) {
  Node* n = Create(root, key);
  if (n != nullptr) n->values[Lower(value)] = {type, bytes};
}

void MemoryRegistry::SetReadOnly(RegistryRoot root, const Text& key, bool readOnly) {
  Node* n = Create(root, key);
  if (n != nullptr) n->readOnly = readOnly;
}

bool MemoryRegistry::KeyExists(RegistryRoot root, const Text& key) const {
  return Find(root, key) != nullptr;
}

}  // namespace qv::headless
