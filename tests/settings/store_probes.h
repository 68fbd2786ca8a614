// The stores the case tables run on: the in-memory ones everywhere, the
// system's where the tests run on Windows (or Wine).
#pragma once

#include <memory>

#include "platform/headless/memory_profiles.h"
#include "platform/headless/memory_registry.h"
#include "profile_cases.h"
#include "registry_cases.h"

namespace qv::test {

class MemoryRegistryProbe : public RegistryProbe {
 public:
  Registry& Store() override { return *reg_; }
  void SetRaw(RegistryRoot root, const Text& key, const Text& value, uint32_t type,
              const std::string& data) override {
    // The in-memory store keeps the text bytes as the system keeps its
    // UTF-16 units; string data carries no NUL unless the case gives one.
    reg_->SetRaw(root, key, value, type, data);
  }
  bool KeyExists(RegistryRoot root, const Text& key) override {
    return reg_->KeyExists(root, key);
  }
  void Clean() override { reg_ = std::make_unique<headless::MemoryRegistry>(); }

 private:
  std::unique_ptr<headless::MemoryRegistry> reg_ = std::make_unique<headless::MemoryRegistry>();
};

class MemoryProfileProbe : public ProfileProbe {
 public:
  ProfileFiles& Store() override { return profiles_; }
  Text PathFor(const std::string& caseName) override { return "C:\\qvprof\\" + caseName + ".ini"; }
  Text UnwritablePath() override {
    Text path = "C:\\locked\\corvel.ini";
    profiles_.readOnly.insert(path);
    return path;
  }
  void PutFile(const Text& path, const std::string& bytes) override { profiles_.files[path] = bytes; }
  bool GetFile(const Text& path, std::string& bytes) override {
    auto it = profiles_.files.find(path);
    if (it == profiles_.files.end()) return false;
    bytes = it->second;
    return true;
  }

 private:
  headless::MemoryProfiles profiles_;
};

#ifdef QUORVI_SYSTEM_STORES
std::unique_ptr<RegistryProbe> MakeSystemRegistryProbe();
std::unique_ptr<ProfileProbe> MakeSystemProfileProbe();
#endif

}  // namespace qv::test
