// Private profile (ini) files through the system's profile-string functions.
#pragma once

#include <windows.h>
// The platform interface has a MessageBox of its own.
#undef MessageBox

#include "platform/system.h"

namespace qv::win32 {

class ProfilesWin32 : public ProfileFiles {
 public:
  Text GetString(const Text& file, const Text& section, const Text& key, const Text& fallback,
                 uint32_t bufferSize) override;
  bool WriteString(const Text& file, const Text& section, const Text& key,
                   const Text& value) override;
};

}  // namespace qv::win32
