// Registry cases run the same way on every store: the in-memory one and the
// system's. Each case starts from a store without the keys it names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/system.h"

namespace qv::test {

// What a store offers the runner beyond the Registry interface.
class RegistryProbe {
 public:
  virtual ~RegistryProbe() = default;
  virtual Registry& Store() = 0;
  // A value of any type; string types take `data` as GBK text (the system
  // store converts it and adds nothing, so a missing NUL stays missing).
  virtual void SetRaw(RegistryRoot root, const Text& key, const Text& value, uint32_t type,
                      const std::string& data) = 0;
  virtual bool KeyExists(RegistryRoot root, const Text& key) = 0;
  // Removes the case's keys (everything under kCaseRoot, and kRootValue).
  virtual void Clean() = 0;
};

inline constexpr char kCaseRoot[] = "QvRegCase";
inline constexpr char kRootValue[] = "QvRegCaseRootValue";

enum RegType : uint32_t { kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3, kRegDword = 4, kRegMultiSz = 7 };

enum class RegOp {
  Write,       // path rule: RegistryWrite(path, data) -> ok
  Read,        // path rule: RegistryRead(path, "<fallback>") -> expect
  Delete,      // path rule: RegistryDelete(path) -> ok
  ReadPrim,    // Registry::ReadString(key, value) -> ok, expect
  SetRaw,      // probe: value of `type` with `data`
  KeyExists,   // probe: ok
};

struct RegStep {
  RegOp op;
  RegistryRoot root;
  Text path;  // path for the path-rule operations, key for the others
  Text value;
  Text data;
  uint32_t type;
  bool ok;
  Text expect;
};

struct RegCase {
  std::string name;
  std::vector<RegStep> steps;
};

inline constexpr char kFallback[] = "<fallback>";

const std::vector<RegCase>& RegistryCases();

// Runs one case; returns a description of every step that went otherwise.
std::vector<std::string> RunRegistryCase(RegistryProbe& probe, const RegCase& c);

}  // namespace qv::test
