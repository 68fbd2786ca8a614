// The private-profile (ini) rules of the system, over the bytes of a file:
// section and key names compare without regard to ASCII case, blanks around
// names and values are dropped, the first matching section and key win.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

namespace qv {

// The value of `key` in `section`, cut to bufferSize - 1 bytes; false when
// the section or key is missing.
bool IniLookup(const std::string& content, const Text& section, const Text& key,
               uint32_t bufferSize, Text& out);

// `content` with `key` in `section` set to `value`: the key replaced in
// place, or appended to the section, or a new section appended.
std::string IniUpdate(const std::string& content, const Text& section, const Text& key,
                      const Text& value);

}  // namespace qv
