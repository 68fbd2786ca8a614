// The two settings: home page (profile file) and tab-bar position (registry).
#pragma once

#include "platform/types.h"

namespace qv {

void LoadSettings();
void ApplyTabBarPosition();
void SaveTabBarPosition(const Text& text);

}  // namespace qv
