#include "crashguard/call_stack.h"

#include "crashguard/format.h"
#include "crashguard/pe_exports.h"

namespace qv {
namespace {

bool SameNameIgnoringCase(const Text& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return i == a.size() && b[i] == '\0';
}

bool IsSystemModule(const Text& name) {
  return SameNameIgnoringCase(name, "ntdll.dll") || SameNameIgnoringCase(name, "kernel32.dll");
}

const ModuleEntry* ModuleOf(uint32_t address, const ModuleList& modules) {
  for (const ModuleEntry& m : modules) {
    if (m.base <= address && address <= m.end) return &m;
  }
  return nullptr;
}

}  // namespace

Text ModuleNameOf(uint32_t address, const ModuleList& modules) {
  const ModuleEntry* m = ModuleOf(address, modules);
  return m ? m->name : Text();
}

uint32_t ModuleBaseOf(uint32_t address, const ModuleList& modules) {
  const ModuleEntry* m = ModuleOf(address, modules);
  return m ? m->base : 0;
}

std::vector<uint32_t> ReadFrameChain(const MemoryView& view, uint32_t frame, uint32_t first) {
  std::vector<uint32_t> list{first};
  for (uint32_t followed = 0; followed < kMaxStackFrames; ++followed) {
    if (!IsReadable(view, frame, 8)) break;
    const uint32_t r = SafeReadPointer(view, frame + 4);
    list.push_back(view.IsCodeReadable(r) ? r : 0);
    const uint32_t next = SafeReadPointer(view, frame);
    // The stack grows down, so every caller's frame lies above its callee's;
    // anything else is a damaged or looping chain.
    if (next <= frame) break;
    frame = next;
  }
  return list;
}

int32_t FindNearestRoutine(const std::vector<RoutineRef>& routines, uint32_t address) {
  int64_t best = 1410065407;  // 0x540BE3FF
  int32_t result = 0;
  for (size_t p = 0; p < routines.size(); ++p) {
    const int64_t d = int64_t{address} - int64_t{routines[p].codeAddress};
    if (d >= 0 && d < best) {
      best = d;
      result = static_cast<int32_t>(p + 1);
    }
  }
  return result;
}

Text ComposeCallStack(const MemoryView& view, const std::vector<RoutineRef>& routines,
                      const ModuleList& modules, const WalkOptions& options,
                      const std::vector<uint32_t>& addresses) {
  Text text;
  int32_t depth = 0;
  const int64_t limit = options.prologueScanLimit;
  for (size_t i = addresses.size(); i-- > 0;) {
    const uint32_t a = addresses[i];
    if (a == 0 || !view.IsCodeReadable(a)) continue;

    const int32_t j = FindNearestRoutine(routines, a);
    if (j != 0) {
      const RoutineRef& routine = routines[static_cast<size_t>(j - 1)];
      const uint32_t d = a - routine.codeAddress;
      if (int64_t{d} <= limit) {
        text += PadSpaces(depth);
        if (routine.name) text += *routine.name;
        if (d > 0) {
          text += "+0x" + FormatHex(static_cast<int32_t>(d)) + "=" + FormatHex8(a);
        }
        text += "\r\n";
        ++depth;
        continue;
      }
    }

    const uint32_t base = ModuleBaseOf(a, modules);
    const Text name = ModuleNameOf(a, modules);
    // System frames at the bottom of the stack say nothing about the program.
    if (options.skipSystemFrames != 0 && text.empty() && IsSystemModule(name)) continue;

    const ExportMatch e = NearestExport(view, a, base);
    if (e.distance > limit) continue;

    text += PadSpaces(depth);
    if (!e.name.empty()) {
      text += "[" + name + "]." + e.name;
      if (e.distance > 0) text += "+0x" + FormatHex(e.distance);
    } else if (!name.empty()) {
      text += "[" + name + "]+0x" + FormatHex(static_cast<int32_t>(a - base)) + "=" + FormatHex8(a);
    } else {
      text += "0x" + FormatHex8(a);
    }
    text += "\r\n";
    ++depth;
  }
  return text;
}

Text WalkCallStack(const MemoryView& view, const std::vector<RoutineRef>& routines,
                   const ModuleList& modules, const WalkOptions& options,
                   uint32_t framePointer, uint32_t firstAddress) {
  return ComposeCallStack(view, routines, modules, options,
                          ReadFrameChain(view, framePointer, firstAddress));
}

}  // namespace qv
