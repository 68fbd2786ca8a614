// Profile-file cases run the same way on the in-memory store and on the
// system's profile functions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/system.h"

namespace qv::test {

// The bytes of a literal, NULs included.
template <size_t N>
std::string Bytes(const char (&s)[N]) {
  return std::string(s, N - 1);
}

class ProfileProbe {
 public:
  virtual ~ProfileProbe() = default;
  virtual ProfileFiles& Store() = 0;
  // A fresh file path for a case (the file does not exist yet).
  virtual Text PathFor(const std::string& caseName) = 0;
  // A path in a folder that cannot be written to.
  virtual Text UnwritablePath() = 0;
  virtual void PutFile(const Text& path, const std::string& bytes) = 0;
  // False when there is no such file.
  virtual bool GetFile(const Text& path, std::string& bytes) = 0;
};

struct ProfileReadCase {
  std::string name;
  bool fileExists;
  std::string content;
  Text section, key, fallback;
  uint32_t bufferSize;
  Text expect;
};

struct ProfileWriteCase {
  std::string name;
  bool fileExists;
  std::string content;
  Text section, key, value;
  bool unwritable;
  bool ok;
  std::string expectContent;  // the file afterwards
};

const std::vector<ProfileReadCase>& ProfileReadCases();
const std::vector<ProfileWriteCase>& ProfileWriteCases();

std::vector<std::string> RunProfileRead(ProfileProbe& probe, const ProfileReadCase& c);
std::vector<std::string> RunProfileWrite(ProfileProbe& probe, const ProfileWriteCase& c);

}  // namespace qv::test
