// The private-profile (ini) rules of the system, over the bytes of a file.
// A file is read as lines (CR, LF or both end one; a NUL ends the line's
// text); blanks around names and values are dropped; "[name]" opens a
// section, lines before the first one belong to the nameless section;
// a line without "=" is kept but is no key. Section and key names compare
// without regard to ASCII case; the first matching section, and in it the
// first matching key, win. A value wrapped in a pair of the same quote
// marks is read without them. Writing rewrites the whole file in the
// system's tidy form: "[section]" and "key=value" lines ended by CR LF,
// blank lines dropped, the nameless section first without a header.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

namespace qv {

// The value of `key` in `section`, cut to at most bufferSize - 1 bytes
// (never inside a double-byte character); false when the section or key
// is missing.
bool IniLookup(const std::string& content, const Text& section, const Text& key,
               uint32_t bufferSize, Text& out);

// `content` with `key` in `section` set to `value`: the key replaced in
// place, or appended to the section, or a new section appended. `changed`
// is false when the value was already there (the system then leaves the
// file alone).
std::string IniUpdate(const std::string& content, const Text& section, const Text& key,
                      const Text& value, bool* changed = nullptr);

// The fallback text as the system hands it back: trailing blanks dropped,
// cut like a value.
Text IniFallback(const Text& fallback, uint32_t bufferSize);

}  // namespace qv
