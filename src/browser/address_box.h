// The address box: Enter, Ctrl+Enter, focus and the placeholder.
#pragma once

#include "platform/control.h"

namespace qv {

inline constexpr Color kPlaceholderColor{200, 200, 200};
inline constexpr Color kTypingColor{0, 0, 0};

void OnAddressChar(int32_t code);
void OnAddressKeyDown(int32_t key, int32_t modifiers);
void OnAddressFocusGained();
void OnAddressFocusLost();

int32_t IsRealAddress(int32_t index, const Text& url);
// The text with every ASCII space and GBK full-width space (A1 A1) removed.
Text RemoveBlanks(const Text& text);

}  // namespace qv
