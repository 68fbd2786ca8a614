// The crash guard's system services on Windows: each is the system's own
// call of the same name. The records of guard_system.h have the system's
// layouts; the asserts below keep them honest on the 32-bit target.
#include "platform/guard_system.h"

#include <windows.h>
#include <tlhelp32.h>

#include <cstring>

// The ANSI forms are the ones meant; UNICODE builds rename these.
#undef Module32First
#undef Module32Next
#undef MODULEENTRY32

namespace qv::sys {

#if defined(__i386__)
static_assert(sizeof(ExceptionRecord) == sizeof(EXCEPTION_RECORD));
static_assert(sizeof(Context) == sizeof(CONTEXT));
static_assert(offsetof(Context, Eip) == offsetof(CONTEXT, Eip));
static_assert(offsetof(Context, Esp) == offsetof(CONTEXT, Esp));
static_assert(offsetof(Context, Ebp) == offsetof(CONTEXT, Ebp));
static_assert(offsetof(Context, Eax) == offsetof(CONTEXT, Eax));
static_assert(offsetof(Context, ExtendedRegisters) == offsetof(CONTEXT, ExtendedRegisters));
#else
// Elsewhere the chain head lives in the thread block all the same.
uintptr_t GetChainHead() {
  return reinterpret_cast<uintptr_t>(reinterpret_cast<NT_TIB*>(NtCurrentTeb())->ExceptionList);
}
void SetChainHead(uintptr_t head) {
  reinterpret_cast<NT_TIB*>(NtCurrentTeb())->ExceptionList =
      reinterpret_cast<EXCEPTION_REGISTRATION_RECORD*>(head);
}
#endif
static_assert(sizeof(ModuleEntry32) == sizeof(tagMODULEENTRY32));
static_assert(sizeof(MemoryBasicInformation) == sizeof(MEMORY_BASIC_INFORMATION));
static_assert(sizeof(FileTime) == sizeof(FILETIME));
static_assert(kCriticalSectionSize >= sizeof(CRITICAL_SECTION) || sizeof(void*) == 8);

uint32_t GetCurrentThreadId() { return ::GetCurrentThreadId(); }
uint32_t GetCurrentProcessId() { return ::GetCurrentProcessId(); }
Handle GetCurrentThread() { return ::GetCurrentThread(); }
Handle GetCurrentProcess() { return ::GetCurrentProcess(); }

Handle OpenThread(uint32_t desiredAccess, bool inheritHandle, uint32_t threadId) {
  return ::OpenThread(desiredAccess, inheritHandle ? TRUE : FALSE, threadId);
}

bool CloseHandle(Handle handle) { return ::CloseHandle(handle) != FALSE; }

bool GetThreadTimes(Handle thread, FileTime* creation, FileTime* exit, FileTime* kernel,
                    FileTime* user) {
  return ::GetThreadTimes(thread, reinterpret_cast<FILETIME*>(creation),
                          reinterpret_cast<FILETIME*>(exit), reinterpret_cast<FILETIME*>(kernel),
                          reinterpret_cast<FILETIME*>(user)) != FALSE;
}

Handle CreateThread(void* attributes, size_t stackSize, ThreadRoutine start, void* parameter,
                    uint32_t creationFlags, uint32_t* threadId) {
  DWORD id = 0;
  HANDLE h = ::CreateThread(static_cast<LPSECURITY_ATTRIBUTES>(attributes), stackSize,
                            reinterpret_cast<LPTHREAD_START_ROUTINE>(start), parameter,
                            creationFlags, &id);
  if (threadId != nullptr) *threadId = id;
  return h;
}

uint32_t WaitForSingleObject(Handle handle, uint32_t milliseconds) {
  return ::WaitForSingleObject(handle, milliseconds);
}

bool GetExitCodeThread(Handle thread, uint32_t* exitCode) {
  DWORD code = 0;
  if (exitCode == nullptr || !::GetExitCodeThread(thread, &code)) return false;
  *exitCode = code;
  return true;
}

void ExitProcess(uint32_t exitCode) { ::ExitProcess(exitCode); }
void ExitThread(uint32_t exitCode) { ::ExitThread(exitCode); }

// The guard's 24-byte block holds the CRITICAL_SECTION itself on the 32-bit
// target; where the structure is larger it holds a pointer to one.
namespace {
CRITICAL_SECTION* SectionOf(void* block) {
  if constexpr (sizeof(CRITICAL_SECTION) <= kCriticalSectionSize) {
    return static_cast<CRITICAL_SECTION*>(block);
  } else {
    CRITICAL_SECTION* cs = nullptr;
    std::memcpy(&cs, block, sizeof cs);
    return cs;
  }
}
}  // namespace

void InitializeCriticalSection(void* section) {
  if (section == nullptr) return;
  if constexpr (sizeof(CRITICAL_SECTION) <= kCriticalSectionSize) {
    ::InitializeCriticalSection(static_cast<CRITICAL_SECTION*>(section));
  } else {
    auto* cs = new CRITICAL_SECTION;
    ::InitializeCriticalSection(cs);
    std::memcpy(section, &cs, sizeof cs);
  }
}

void DeleteCriticalSection(void* section) {
  if (section == nullptr) return;
  CRITICAL_SECTION* cs = SectionOf(section);
  if (cs == nullptr) return;
  ::DeleteCriticalSection(cs);
  if constexpr (sizeof(CRITICAL_SECTION) > kCriticalSectionSize) {
    delete cs;
    std::memset(section, 0, sizeof cs);
  }
}

void EnterCriticalSection(void* section) {
  if (CRITICAL_SECTION* cs = section != nullptr ? SectionOf(section) : nullptr)
    ::EnterCriticalSection(cs);
}

void LeaveCriticalSection(void* section) {
  if (CRITICAL_SECTION* cs = section != nullptr ? SectionOf(section) : nullptr)
    ::LeaveCriticalSection(cs);
}

void* GlobalAlloc(uint32_t flags, size_t bytes) { return ::GlobalAlloc(flags, bytes); }
void* GlobalFree(void* block) { return ::GlobalFree(block); }

void* VirtualAlloc(void* address, size_t size, uint32_t allocationType, uint32_t protect) {
  return ::VirtualAlloc(address, size, allocationType, protect);
}

bool VirtualFree(void* address, size_t size, uint32_t freeType) {
  return ::VirtualFree(address, size, freeType) != FALSE;
}

bool VirtualProtect(void* address, size_t size, uint32_t newProtect, uint32_t* oldProtect) {
  DWORD old = 0;
  if (oldProtect == nullptr || !::VirtualProtect(address, size, newProtect, &old)) return false;
  *oldProtect = old;
  return true;
}

size_t VirtualQuery(const void* address, MemoryBasicInformation* info, size_t length) {
  return ::VirtualQuery(address, reinterpret_cast<MEMORY_BASIC_INFORMATION*>(info), length);
}

bool IsBadReadPtr(const void* address, uintptr_t size) { return ::IsBadReadPtr(address, size) != FALSE; }
bool IsBadWritePtr(void* address, uintptr_t size) { return ::IsBadWritePtr(address, size) != FALSE; }
bool IsBadCodePtr(const void* address) {
  return ::IsBadCodePtr(reinterpret_cast<FARPROC>(const_cast<void*>(address))) != FALSE;
}

Handle CreateToolhelp32Snapshot(uint32_t flags, uint32_t processId) {
  HANDLE h = ::CreateToolhelp32Snapshot(flags, processId);
  return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

bool Module32First(Handle snapshot, ModuleEntry32* entry) {
  return ::Module32First(snapshot, reinterpret_cast<tagMODULEENTRY32*>(entry)) != FALSE;
}

bool Module32Next(Handle snapshot, ModuleEntry32* entry) {
  return ::Module32Next(snapshot, reinterpret_cast<tagMODULEENTRY32*>(entry)) != FALSE;
}

Module GetModuleHandleA(const char* name) { return ::GetModuleHandleA(name); }

Proc GetProcAddress(Module module, const char* name) {
  return reinterpret_cast<Proc>(::GetProcAddress(static_cast<HMODULE>(module), name));
}

void RaiseException(uint32_t code, uint32_t flags, uint32_t argumentCount,
                    const uintptr_t* arguments) {
  if (argumentCount > kExceptionMaximumParameters) argumentCount = kExceptionMaximumParameters;
  ::RaiseException(code, flags, arguments != nullptr ? argumentCount : 0,
                   reinterpret_cast<const ULONG_PTR*>(arguments));
}

int32_t MessageBoxA(Window owner, const char* text, const char* caption, uint32_t type) {
  return ::MessageBoxA(static_cast<HWND>(owner), text, caption, type);
}

Window GetDesktopWindow() { return ::GetDesktopWindow(); }
Window GetWindow(Window window, uint32_t command) { return ::GetWindow(static_cast<HWND>(window), command); }

uint32_t GetWindowThreadProcessId(Window window, uint32_t* processId) {
  DWORD pid = 0;
  DWORD tid = ::GetWindowThreadProcessId(static_cast<HWND>(window), &pid);
  if (processId != nullptr) *processId = pid;
  return tid;
}

int32_t GetClassNameA(Window window, char* buffer, int32_t bufferSize) {
  return ::GetClassNameA(static_cast<HWND>(window), buffer, bufferSize);
}

}  // namespace qv::sys
