// Resolves a code address to the nearest exported function of the module
// that holds it, from the module's export directory in memory.
#pragma once

#include <cstdint>

#include "crashguard/memory_view.h"
#include "platform/types.h"

namespace qv {

struct ExportMatch {
  // address minus the nearest export at or below it; 0 when none was found.
  int32_t distance = 0;
  // The export's name; its address in eight hexadecimal digits when it has
  // none; empty when no export was found.
  Text name;
};

// Every byte, headers and names alike, is read through `view`: a damaged or
// hostile directory gives an empty match (the caller falls back to the
// module and offset), never a fault and never an endless scan.
ExportMatch NearestExport(const MemoryView& view, uint32_t address, uint32_t moduleBase);

}  // namespace qv
