#include "settings/registry_path.h"

#include "settings/gbk_walk.h"

namespace qv {

RegistryPath SplitRegistryPath(const Text& path) {
  size_t sep = LastSingleByte(path, '\\');
  if (sep == Text::npos) return {Text(), path};
  return {path.substr(0, sep), path.substr(sep + 1)};
}

Text RegistryRead(Registry& reg, RegistryRoot root, const Text& path, const Text& fallback) {
  RegistryPath p = SplitRegistryPath(path);
  Text out;
  if (!reg.ReadString(root, p.key, p.value, out)) return fallback;
  return out;
}

bool RegistryWrite(Registry& reg, RegistryRoot root, const Text& path, const Text& text) {
  RegistryPath p = SplitRegistryPath(path);
  return reg.WriteString(root, p.key, p.value, text);
}

bool RegistryDelete(Registry& reg, RegistryRoot root, const Text& path) {
  RegistryPath p = SplitRegistryPath(path);
  if (reg.DeleteValue(root, p.key, p.value)) return true;
  return reg.DeleteKey(root, path);
}

}  // namespace qv
