#include "platform/headless/memory_profiles.h"

#include "platform/common/profile_ini.h"

namespace qv::headless {

Text MemoryProfiles::GetString(const Text& file, const Text& section, const Text& key,
                               const Text& fallback, uint32_t bufferSize) {
  Log("read " + file + " [" + section + "] " + key);
  Text out;
  auto it = files.find(file);
  if (it != files.end() && unreadable.count(file) == 0 &&
      IniLookup(it->second, section, key, bufferSize, out))
    return out;
  return IniFallback(fallback, bufferSize);
}

bool MemoryProfiles::WriteString(const Text& file, const Text& section, const Text& key,
                                 const Text& value) {
  Log("write " + file + " [" + section + "] " + key + "=" + value);
  if (readOnly.count(file) != 0 || unreadable.count(file) != 0) return false;
  auto it = files.find(file);
  std::string updated = IniUpdate(it == files.end() ? std::string() : it->second, section, key,
                                  value);
  files[file] = updated;
  return true;
}

}  // namespace qv::headless
