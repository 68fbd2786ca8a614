// Profile (ini) files kept in memory, read and written with the system's
// profile-string rules.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/system.h"

namespace qv::headless {

class MemoryProfiles : public ProfileFiles {
 public:
  Text GetString(const Text& file, const Text& section, const Text& key, const Text& fallback,
                 uint32_t bufferSize) override;
  bool WriteString(const Text& file, const Text& section, const Text& key,
                   const Text& value) override;

  // The files, by path, as bytes. A path in readOnly refuses writes (a file
  // in a folder the user may not write to); a path in unreadable can be
  // neither read nor written (locked by another program).
  std::map<Text, std::string> files;
  std::set<Text> readOnly;
  std::set<Text> unreadable;
  std::vector<std::string> log;
  // Where each entry is also written (the platform's log), for ordering checks.
  std::vector<std::string>* echo = nullptr;

 private:
  void Log(const std::string& entry) {
    log.push_back(entry);
    if (echo != nullptr) echo->push_back(entry);
  }
};

}  // namespace qv::headless
