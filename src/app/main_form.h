// MainWindow's form: its controls at their design places and states.
#pragma once

#include "app/globals.h"

namespace qv {

// Creates MainWindow hidden with every control of its form and binds the
// controls' events to their handlers.
void CreateMainForm(Platform& platform, MainForm& form);

}  // namespace qv
