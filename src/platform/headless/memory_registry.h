// An in-memory registry with the system's rules: key and value names compare
// without regard to case, writes create missing keys, doubled or trailing
// separators in a key path are ignored and a leading one is refused, only
// REG_SZ values read as text (up to their first NUL), and only a key without
// subkeys can be deleted.
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
  // A key whose access is denied: it can neither be read nor written.
  void SetDenied(RegistryRoot root, const Text& key, bool denied);
  bool KeyExists(RegistryRoot root, const Text& key) const;

  // "write <root>\<key>\<value>=<data>", "delete-value ...", "delete-key ..."
  std::vector<std::string> log;
  // Where each entry is also written (the platform's log), for ordering checks.
  std::vector<std::string>* echo = nullptr;

 private:
  void Log(const std::string& entry) {
    log.push_back(entry);
    if (echo != nullptr) echo->push_back(entry);
  }
  struct Node;
  Node* Find(RegistryRoot root, const Text& key) const;
  Node* Create(RegistryRoot root, const Text& key);
  std::unique_ptr<Node> roots_[2];
};

}  // namespace qv::headless
