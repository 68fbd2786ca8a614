// The one way the program reaches the registry: a path whose part after the
// last "\" names the value, so a path ending in "\" is the key's default value.
#pragma once

#include "app/globals.h"
#include "platform/system.h"

namespace qv {

struct RegistryPath {
  Text key;
  Text value;
};

// Splits on the last "\" that is a character of its own (not the trail byte
// of a double-byte character). A path without one is a value of the root.
RegistryPath SplitRegistryPath(const Text& path);

// The value's text, or `fallback` when the key or value cannot be read.
Text RegistryRead(Registry& reg, RegistryRoot root, const Text& path, const Text& fallback);
// Stores `text` as REG_SZ, creating the key when needed. False on failure.
bool RegistryWrite(Registry& reg, RegistryRoot root, const Text& path, const Text& text);
// Deletes the value the path names or, failing that, the key the whole
// path names (only a key without subkeys goes).
bool RegistryDelete(Registry& reg, RegistryRoot root, const Text& path);

// The same on the running program's registry.
inline Text RegistryRead(RegistryRoot root, const Text& path, const Text& fallback) {
  return RegistryRead(g->platform->GetRegistry(), root, path, fallback);
}
inline bool RegistryWrite(RegistryRoot root, const Text& path, const Text& text) {
  return RegistryWrite(g->platform->GetRegistry(), root, path, text);
}
inline bool RegistryDelete(RegistryRoot root, const Text& path) {
  return RegistryDelete(g->platform->GetRegistry(), root, path);
}

}  // namespace qv
