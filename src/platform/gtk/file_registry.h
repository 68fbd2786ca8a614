// The registry as one text file (registry.ini under the user's configuration
// directory), with the system's rules: key and value names compare without
// regard to ASCII case, writes create missing keys, only string values read
// as text, only a key without subkeys can be deleted. Every call reads the
// file afresh under a lock, so several processes share it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/system.h"

namespace qv::gtk {

class FileRegistry : public Registry {
 public:
  explicit FileRegistry(std::string path);

  bool ReadString(RegistryRoot root, const Text& key, const Text& value, Text& out) override;
  bool WriteString(RegistryRoot root, const Text& key, const Text& value,
                   const Text& data) override;
  bool DeleteValue(RegistryRoot root, const Text& key, const Text& value) override;
  bool DeleteKey(RegistryRoot root, const Text& key) override;

  bool KeyExists(RegistryRoot root, const Text& key);
  const std::string& Path() const { return path_; }

  // Called after every successful string write (the desktop hooks follow it).
  std::function<void(RegistryRoot, const Text& key, const Text& value, const Text& data)>
      afterWrite;
  // May veto a read that the desktop answers instead of the file.
  std::function<bool(RegistryRoot, const Text& key, const Text& value)> readAllowed;

  struct Value {
    Text name;        // "" is the key's default value
    bool isString = true;
    Text data;        // GBK bytes (for other types, the raw text of the line)
  };
  struct Key {
    Text path;        // root name, "\", key path with single separators
    std::vector<Value> values;
  };
  // The file's text and back; exposed for the tests of the format.
  static std::vector<Key> Parse(const std::string& fileText);
  static std::string Format(const std::vector<Key>& keys);

 private:
  bool Load(std::vector<Key>& keys, bool& existed);
  bool Save(const std::vector<Key>& keys);
  std::string path_;
};

// The default location: $XDG_CONFIG_HOME/quorvi/registry.ini, or
// ~/.config/quorvi/registry.ini.
std::string DefaultRegistryPath();

}  // namespace qv::gtk
