// The registry through the W functions, texts converted from and to GBK.
#pragma once

#include <windows.h>
// The platform interface has a MessageBox of its own.
#undef MessageBox

#include "platform/system.h"

namespace qv::win32 {

class RegistryWin32 : public Registry {
 public:
  bool ReadString(RegistryRoot root, const Text& key, const Text& value, Text& out) override;
  bool WriteString(RegistryRoot root, const Text& key, const Text& value,
                   const Text& data) override;
  bool DeleteValue(RegistryRoot root, const Text& key, const Text& value) override;
  bool DeleteKey(RegistryRoot root, const Text& key) override;
};

}  // namespace qv::win32
