// Single-instance marking and the command-line URL.
#pragma once

#include "platform/types.h"
#include "platform/window.h"

namespace qv {

Text TakeCommandLineUrl();
int32_t CheckSingleInstance(const Text& name, Window& window);

// The first argument after the program's own path, or empty. Pure: works on
// the GBK bytes of a command line.
Text FirstCommandLineArgument(const Text& commandLine);

}  // namespace qv
