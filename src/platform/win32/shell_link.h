// Shell link (.lnk) files through IShellLinkW and its stream interface.
#pragma once

#include "platform/types.h"

namespace qv::win32 {

// Relative names are resolved against the current directory (the persist
// interface wants a full path). False when the link was not saved.
bool SaveShellLink(const Text& fileName, const Text& target, int32_t showCommand,
                   const Text& description);

}  // namespace qv::win32
