// The status strip window and its fade.
#pragma once

#include <cstdint>

namespace qv {

// Loads StatusWindow owned by MainWindow; its created handler runs inside.
void LoadStatusWindow();
void OnStatusWindowCreated();
void SetStatusStripAlpha(int32_t alpha);
void FadeInStatusStrip();
void FadeOutStatusStrip();
void OnFadeTick();
void PlaceStatusStrip();

}  // namespace qv
