#include "crashguard/live_memory.h"

#include <cstring>

#include "platform/guard_system.h"

namespace qv {
namespace {
const void* Ptr(uint32_t address) { return reinterpret_cast<const void*>(static_cast<uintptr_t>(address)); }
}  // namespace

bool LiveMemory::Read(uint32_t address, void* out, uint32_t size) const {
  if (size == 0) return true;
  if (address > UINT32_MAX - (size - 1)) return false;
  if (sys::IsBadReadPtr(Ptr(address), size)) return false;
  std::memcpy(out, Ptr(address), size);
  return true;
}

bool LiveMemory::IsCodeReadable(uint32_t address) const { return !sys::IsBadCodePtr(Ptr(address)); }

bool LiveMemory::QueryRegion(uint32_t address, uint32_t* base, uint32_t* size) const {
  sys::MemoryBasicInformation info{};
  if (sys::VirtualQuery(Ptr(address), &info, sizeof info) == 0) return false;
  *base = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(info.BaseAddress));
  *size = static_cast<uint32_t>(info.RegionSize);
  return true;
}

ModuleList ListModules() {
  ModuleList modules;
  sys::Handle snapshot = sys::CreateToolhelp32Snapshot(sys::kTh32csSnapModule, sys::GetCurrentProcessId());
  if (snapshot == nullptr) return modules;
  sys::ModuleEntry32 entry{};
  entry.dwSize = sizeof entry;
  for (bool more = sys::Module32First(snapshot, &entry); more;
       more = sys::Module32Next(snapshot, &entry)) {
    ModuleEntry m;
    m.name.assign(entry.szModule, strnlen(entry.szModule, sizeof entry.szModule));
    m.base = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(entry.modBaseAddr));
    m.end = m.base + entry.modBaseSize;
    modules.push_back(std::move(m));
  }
  sys::CloseHandle(snapshot);
  return modules;
}

}  // namespace qv
