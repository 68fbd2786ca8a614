// GlobalAlloc/GlobalFree, the Virtual* calls over the process's mappings and
// the readability tests.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

#include "platform/guard_system.h"
#include "platform/x86layer/layer_internal.h"

namespace qv::x86layer {
namespace {

std::mutex& Lock() {
  static auto* m = new std::mutex();
  return *m;
}
std::set<void*>& Blocks() {
  static auto* s = new std::set<void*>();
  return *s;
}
std::map<uintptr_t, size_t>& Reservations() {
  static auto* m = new std::map<uintptr_t, size_t>();
  return *m;
}

uintptr_t PageSize() {
  static uintptr_t size = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  return size;
}

int ProtToPosix(uint32_t p) {
  switch (p & 0xFF) {
    case sys::kPageNoAccess: return PROT_NONE;
    case sys::kPageReadOnly: return PROT_READ;
    case sys::kPageReadWrite:
    case sys::kPageWriteCopy: return PROT_READ | PROT_WRITE;
    case sys::kPageExecute: return PROT_EXEC;
    case sys::kPageExecuteRead: return PROT_READ | PROT_EXEC;
    case sys::kPageExecuteReadWrite:
    case sys::kPageExecuteWriteCopy: return PROT_READ | PROT_WRITE | PROT_EXEC;
    default: return -1;
  }
}

uint32_t PosixToProt(bool r, bool w, bool x) {
  if (x) return w ? sys::kPageExecuteReadWrite : (r ? sys::kPageExecuteRead : sys::kPageExecute);
  if (w) return sys::kPageReadWrite;
  return r ? sys::kPageReadOnly : sys::kPageNoAccess;
}

uintptr_t ParseHex(const char*& p) {
  uintptr_t v = 0;
  for (;; ++p) {
    char c = *p;
    int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
    if (d < 0) return v;
    v = v * 16 + static_cast<uintptr_t>(d);
  }
}

struct Mapping {
  uintptr_t start = 0, end = 0;
  bool r = false, w = false, x = false;
};

// Finds the mapping holding `a`, or the gap around it (found = false, start
// and end describe the gap). Reads /proc/self/maps with plain system calls.
bool FindMapping(uintptr_t a, Mapping& out) {
  int fd = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buf[4096];
  size_t have = 0;
  uintptr_t gapStart = 0;
  bool found = false, done = false;
  out = Mapping{};
  while (!done) {
    ssize_t n = read(fd, buf + have, sizeof buf - 1 - have);
    if (n <= 0) break;
    have += static_cast<size_t>(n);
    buf[have] = 0;
    char* line = buf;
    char* nl;
    while ((nl = std::strchr(line, '\n')) != nullptr) {
      *nl = 0;
      const char* p = line;
      Mapping m;
      m.start = ParseHex(p);
      if (*p == '-') ++p;
      m.end = ParseHex(p);
      if (*p == ' ') ++p;
      m.r = p[0] == 'r';
      m.w = p[1] == 'w';
      m.x = p[2] == 'x';
      if (a < m.start) {
        out.start = gapStart;
        out.end = m.start;
        done = true;
        break;
      }
      if (a < m.end) {
        out = m;
        found = true;
        done = true;
        break;
      }
      gapStart = m.end;
      line = nl + 1;
    }
    have = static_cast<size_t>(buf + have - line);
    std::memmove(buf, line, have);
  }
  close(fd);
  if (!done) {
    out.start = gapStart;
    out.end = ~static_cast<uintptr_t>(0) & ~(PageSize() - 1);
  }
  return found;
}

}  // namespace

void* GlobalFreeImpl(void* block) {
  if (block == nullptr) return nullptr;
  {
    std::lock_guard<std::mutex> g(Lock());
    if (Blocks().erase(block) == 0) return block;  // not ours: failure
  }
  std::free(block);
  return nullptr;
}

}  // namespace qv::x86layer

namespace qv::sys {

void* GlobalAlloc(uint32_t flags, size_t bytes) {
  size_t n = bytes == 0 ? 1 : bytes;
  void* p = (flags & kGmemZeroInit) != 0 ? std::calloc(1, n) : std::malloc(n);
  if (p == nullptr) return nullptr;
  std::lock_guard<std::mutex> g(x86layer::Lock());
  x86layer::Blocks().insert(p);
  return p;
}

void* GlobalFree(void* block) { return x86layer::qv_layer_GlobalFree(block); }

void* VirtualAlloc(void* address, size_t size, uint32_t, uint32_t protect) {
  int prot = x86layer::ProtToPosix(protect);
  if (size == 0 || prot < 0) return nullptr;
  void* p = mmap(address, size, prot, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  std::lock_guard<std::mutex> g(x86layer::Lock());
  x86layer::Reservations()[reinterpret_cast<uintptr_t>(p)] = size;
  return p;
}

bool VirtualFree(void* address, size_t, uint32_t freeType) {
  if (freeType != kMemRelease) return false;
  size_t size;
  {
    std::lock_guard<std::mutex> g(x86layer::Lock());
    auto it = x86layer::Reservations().find(reinterpret_cast<uintptr_t>(address));
    if (it == x86layer::Reservations().end()) return false;
    size = it->second;
    x86layer::Reservations().erase(it);
  }
  return munmap(address, size) == 0;
}

size_t VirtualQuery(const void* address, MemoryBasicInformation* info, size_t length) {
  if (info == nullptr || length < sizeof(MemoryBasicInformation)) return 0;
  uintptr_t a = reinterpret_cast<uintptr_t>(address);
  uintptr_t page = a & ~(x86layer::PageSize() - 1);
  x86layer::Mapping m;
  bool found = x86layer::FindMapping(a, m);
  std::memset(info, 0, sizeof *info);
  info->BaseAddress = reinterpret_cast<void*>(page);
  if (found) {
    info->AllocationBase = reinterpret_cast<void*>(m.start);
    info->RegionSize = m.end - page;
    info->State = kMemCommit;
    info->Protect = x86layer::PosixToProt(m.r, m.w, m.x);
    info->AllocationProtect = info->Protect;
    info->Type = 0x20000;  // MEM_PRIVATE
  } else {
    if (m.end <= page) return 0;
    info->RegionSize = m.end - page;
    info->State = kMemFree;
    info->Protect = kPageNoAccess;
  }
  return sizeof(MemoryBasicInformation);
}

bool VirtualProtect(void* address, size_t size, uint32_t newProtect, uint32_t* oldProtect) {
  int prot = x86layer::ProtToPosix(newProtect);
  if (prot < 0 || size == 0 || oldProtect == nullptr) return false;
  MemoryBasicInformation info;
  if (VirtualQuery(address, &info, sizeof info) == 0 || info.State != kMemCommit) return false;
  uintptr_t a = reinterpret_cast<uintptr_t>(address);
  uintptr_t start = a & ~(x86layer::PageSize() - 1);
  uintptr_t end = (a + size + x86layer::PageSize() - 1) & ~(x86layer::PageSize() - 1);
  if (mprotect(reinterpret_cast<void*>(start), end - start, prot) != 0) return false;
  *oldProtect = info.Protect;
  return true;
}

bool IsBadReadPtr(const void* address, uintptr_t size) {
  if (size == 0) return false;
  uintptr_t a = reinterpret_cast<uintptr_t>(address);
  if (a == 0 || a + size - 1 < a) return true;
  uintptr_t ps = x86layer::PageSize();
  uintptr_t last = a + size - 1;
  for (uintptr_t p = a;; p = (p & ~(ps - 1)) + ps) {
    if (!x86layer::ProbeRead(reinterpret_cast<const void*>(p))) return true;
    if ((p & ~(ps - 1)) == (last & ~(ps - 1))) break;
  }
  return !x86layer::ProbeRead(reinterpret_cast<const void*>(last));
}

bool IsBadWritePtr(void* address, uintptr_t size) {
  if (size == 0) return false;
  uintptr_t a = reinterpret_cast<uintptr_t>(address);
  if (a == 0 || a + size - 1 < a) return true;
  uintptr_t ps = x86layer::PageSize();
  uintptr_t last = a + size - 1;
  for (uintptr_t p = a;; p = (p & ~(ps - 1)) + ps) {
    if (!x86layer::ProbeWrite(reinterpret_cast<void*>(p))) return true;
    if ((p & ~(ps - 1)) == (last & ~(ps - 1))) break;
  }
  return !x86layer::ProbeWrite(reinterpret_cast<void*>(last));
}

bool IsBadCodePtr(const void* address) {
  if (address == nullptr) return true;
  return !x86layer::ProbeRead(address);
}

}  // namespace qv::sys
