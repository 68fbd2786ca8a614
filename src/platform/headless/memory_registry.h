// An in-memory registry with the system's rules: key and value names compare
// without regard to ASCII case, writes create missing keys, only string
// values read as text, and only a key without subkeys can be deleted.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/system.h"

namespace qv::headless {

class MemoryRegistry : public Registry {
 public:
  MemoryRegistry();
  ~MemoryRegistry() override;

  bool ReadString(RegistryRoot root, const Text& key, const Text& value, Text& out) override;
  bool WriteString(RegistryRoot root, const Text& key, const Text& value,
                   const Text& data) override;
  bool DeleteValue(RegistryRoot root, const Text& key, const Text& value) override;
  bool DeleteKey(RegistryRoot root, const Text& key) override;

  // Test controls: a value of another type, a key that refuses writes.
  void SetRaw(RegistryRoot root, const Text& key, const Text& value, uint32_t type,
              const std::string& bytes);
  void SetReadOnly(RegistryRoot root, const Text& key, bool readOnly);
  bool KeyExists(RegistryRoot root, const Text& key) const;

  // "write <root>\<key>\<value>=<data>", "delete-value ...", "delete-key ..."
  std::vector<std::string> log;

 private:
  struct Node;
  Node* Find(RegistryRoot root, const Text& key) const;
  Node* Create(RegistryRoot root, const Text& key);
  std::unique_ptr<Node> roots_[2];
};

}  // namespace qv::headless
