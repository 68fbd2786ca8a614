// The module list (tool-help snapshots, executable first), and the layer's
// own "kernel32" and "ntdll.dll": GetModuleHandleA gives a small header block
// for each, GetProcAddress the layer's routines. The executable's handle is a
// header block too, whose entry point is the main thread's start address.
#include <dlfcn.h>
#include <link.h>
#include <strings.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/x86layer/layer.h"
#include "platform/x86layer/layer_internal.h"

extern "C" void _start();

namespace qv::x86layer {
namespace {

std::mutex& Lock() {
  static auto* m = new std::mutex();
  return *m;
}

struct Snapshot {
  std::vector<sys::ModuleEntry32> modules;
  size_t next = 0;
};
std::set<Snapshot*>& Snapshots() {
  static auto* s = new std::set<Snapshot*>();
  return *s;
}

// A module's header block: "MZ", e_lfanew, "PE\0\0", the entry point.
struct HeaderBlock {
  alignas(16) uint8_t bytes[512];
};

HeaderBlock* MakeHeader(uintptr_t entry) {
  auto* h = new HeaderBlock();
  std::memset(h->bytes, 0, sizeof h->bytes);
  h->bytes[0] = 'M';
  h->bytes[1] = 'Z';
  const uint32_t lfanew = 0x80;
  std::memcpy(h->bytes + 60, &lfanew, 4);
  std::memcpy(h->bytes + lfanew, "PE\0\0", 4);
  // Optional header starts after the 20-byte file header; AddressOfEntryPoint is at +16.
  uint32_t rva = static_cast<uint32_t>(entry - reinterpret_cast<uintptr_t>(h));
  if (entry == 0) rva = 0;
  std::memcpy(h->bytes + lfanew + 4 + 20 + 16, &rva, 4);
  return h;
}

HeaderBlock* ExecutableHeader() {
  static HeaderBlock* h = MakeHeader(reinterpret_cast<uintptr_t>(&_start));
  return h;
}
HeaderBlock* Kernel32Header() {
  static HeaderBlock* h = MakeHeader(0);
  return h;
}
HeaderBlock* NtdllHeader() {
  static HeaderBlock* h = MakeHeader(0);
  return h;
}

int32_t QV_STDCALL LayerNtQueryInformationThread(sys::Handle thread, int32_t infoClass,
                                                 void* info, uint32_t length,
                                                 uint32_t* returnLength) {
  if (infoClass != sys::kThreadQuerySetWin32StartAddress) return static_cast<int32_t>(0xC0000003);
  if (info == nullptr || length != sizeof(uintptr_t)) return static_cast<int32_t>(0xC0000004);
  uintptr_t start = 0;
  int32_t status = QueryThreadStartAddress(thread, &start);
  if (status != 0) return status;
  std::memcpy(info, &start, sizeof start);
  if (returnLength != nullptr) *returnLength = sizeof start;
  return 0;
}

struct Export {
  const char* module;  // "kernel32" or "ntdll"
  const char* name;
  sys::Proc address;
  bool present;
};

std::vector<Export>& Exports() {
  static auto* v = new std::vector<Export>{
      {"kernel32", "CreateRemoteThread", reinterpret_cast<sys::Proc>(&qv_layer_CreateRemoteThread), true},
      {"kernel32", "GlobalFree", reinterpret_cast<sys::Proc>(&qv_layer_GlobalFree), true},
      {"ntdll", "NtQueryInformationThread", reinterpret_cast<sys::Proc>(&LayerNtQueryInformationThread), true},
  };
  return *v;
}

// "kernel32", "KERNEL32.DLL", ... -> "kernel32"; null for unknown names.
const char* KnownModule(const char* name) {
  std::string n(name);
  if (n.size() > 4 && strcasecmp(n.c_str() + n.size() - 4, ".dll") == 0) n.resize(n.size() - 4);
  if (strcasecmp(n.c_str(), "kernel32") == 0) return "kernel32";
  if (strcasecmp(n.c_str(), "ntdll") == 0) return "ntdll";
  return nullptr;
}

std::string ExecutablePath() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "program";
  return std::string(buf, static_cast<size_t>(n));
}

void Fill(sys::ModuleEntry32& e, const std::string& path, uintptr_t base, uintptr_t end,
          sys::Module handle) {
  std::memset(&e, 0, sizeof e);
  e.dwSize = sizeof e;
  e.th32ModuleID = 1;
  e.th32ProcessID = sys::GetCurrentProcessId();
  e.GlblcntUsage = e.ProccntUsage = 0xFFFF;
  e.modBaseAddr = reinterpret_cast<uint8_t*>(base);
  e.modBaseSize = static_cast<uint32_t>(end - base);
  e.hModule = handle;
  std::string file = path.substr(path.find_last_of('/') + 1);
  std::strncpy(e.szModule, file.c_str(), sizeof e.szModule - 1);
  std::strncpy(e.szExePath, path.c_str(), sizeof e.szExePath - 1);
}

int CollectModule(dl_phdr_info* info, size_t, void* data) {
  auto* list = static_cast<std::vector<sys::ModuleEntry32>*>(data);
  uintptr_t lo = ~static_cast<uintptr_t>(0), hi = 0;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const auto& ph = info->dlpi_phdr[i];
    if (ph.p_type != PT_LOAD) continue;
    uintptr_t s = info->dlpi_addr + ph.p_vaddr;
    lo = std::min(lo, s & ~static_cast<uintptr_t>(0xFFF));
    hi = std::max(hi, static_cast<uintptr_t>(s + ph.p_memsz));
  }
  if (hi == 0) return 0;
  bool first = list->empty();
  std::string name = info->dlpi_name != nullptr ? info->dlpi_name : "";
  if (first) {
    list->emplace_back();
    Fill(list->back(), ExecutablePath(), lo, hi, reinterpret_cast<sys::Module>(ExecutableHeader()));
  } else if (!name.empty()) {
    list->emplace_back();
    Fill(list->back(), name, lo, hi, reinterpret_cast<sys::Module>(lo));
  }
  return 0;
}

}  // namespace

uintptr_t MainThreadStartAddress() { return reinterpret_cast<uintptr_t>(&_start); }

void SetExportPresent(const char* module, const char* name, bool present) {
  const char* m = KnownModule(module);
  std::lock_guard<std::mutex> g(Lock());
  for (Export& e : Exports())
    if (m != nullptr && std::strcmp(e.module, m) == 0 && std::strcmp(e.name, name) == 0)
      e.present = present;
}

}  // namespace qv::x86layer

namespace qv::sys {

Handle CreateToolhelp32Snapshot(uint32_t flags, uint32_t processId) {
  if ((flags & kTh32csSnapModule) == 0) return nullptr;
  if (processId != 0 && processId != GetCurrentProcessId()) return nullptr;
  auto* s = new x86layer::Snapshot();
  dl_iterate_phdr(&x86layer::CollectModule, &s->modules);
  std::lock_guard<std::mutex> g(x86layer::Lock());
  x86layer::Snapshots().insert(s);
  return s;
}

namespace {
bool NextModule(Handle snapshot, ModuleEntry32* entry, bool restart) {
  std::lock_guard<std::mutex> g(x86layer::Lock());
  auto* s = static_cast<x86layer::Snapshot*>(snapshot);
  if (x86layer::Snapshots().count(s) == 0 || entry == nullptr ||
      entry->dwSize != sizeof(ModuleEntry32))
    return false;
  if (restart) s->next = 0;
  if (s->next >= s->modules.size()) return false;
  *entry = s->modules[s->next++];
  return true;
}
}  // namespace

bool Module32First(Handle snapshot, ModuleEntry32* entry) { return NextModule(snapshot, entry, true); }
bool Module32Next(Handle snapshot, ModuleEntry32* entry) { return NextModule(snapshot, entry, false); }

}  // namespace qv::sys

namespace qv::x86layer {

bool CloseSnapshotHandle(sys::Handle handle) {
  std::lock_guard<std::mutex> g(x86layer::Lock());
  auto* s = static_cast<x86layer::Snapshot*>(handle);
  if (x86layer::Snapshots().erase(s) == 0) return false;
  delete s;
  return true;
}

}  // namespace qv::x86layer

namespace qv::sys {

Module GetModuleHandleA(const char* name) {
  if (name == nullptr) return x86layer::ExecutableHeader();
  const char* m = x86layer::KnownModule(name);
  if (m == nullptr) return nullptr;
  return std::strcmp(m, "kernel32") == 0 ? static_cast<Module>(x86layer::Kernel32Header())
                                          : static_cast<Module>(x86layer::NtdllHeader());
}

Proc GetProcAddress(Module module, const char* name) {
  if (module == nullptr || name == nullptr) return nullptr;
  const char* m = module == x86layer::Kernel32Header() ? "kernel32"
                  : module == x86layer::NtdllHeader()  ? "ntdll"
                                                       : nullptr;
  if (m == nullptr) return nullptr;
  std::lock_guard<std::mutex> g(x86layer::Lock());
  for (const auto& e : x86layer::Exports())
    if (e.present && std::strcmp(e.module, m) == 0 && std::strcmp(e.name, name) == 0)
      return e.address;
  return nullptr;
}

}  // namespace qv::sys
