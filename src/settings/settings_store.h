// The two settings: home page (profile file) and tab-bar position (registry).
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace qv {

void LoadSettings();
void ApplyTabBarPosition();
void SaveTabBarPosition(const Text& text);

// The settings file beside the executable.
Text SettingsFilePath();
// What the home page is when the file has none: the built-in page without
// its scheme.
Text FallbackHomePage();
// Reads the stored home page (cut to 10239 bytes), or the fallback.
Text ReadHomePage();
// False when the file could not be written.
bool WriteHomePage(const Text& page);

// Decimal text to number as the settings read it: leading blanks, a sign,
// digits with an optional fraction and exponent; whatever follows is
// ignored, a text with no number gives 0, and the result is truncated
// toward zero into the 32-bit range.
int32_t DecimalTextToInt(const Text& text);

}  // namespace qv
