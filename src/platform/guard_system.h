// The system services the crash guard calls, under the system's own names
// and with its own record layouts. 32-bit x86 Windows provides them natively
// (win32/guard_system_win32.cpp); the x86-32 layer (x86layer/) plays the
// system's part on i386 Linux so that the guard's code runs unchanged there.
// Addresses are 32-bit on the guard's target; the declarations use
// pointer-sized types so the portable parts also compile elsewhere.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__i386__)
#define QV_STDCALL __attribute__((stdcall))
#else
#define QV_STDCALL
#endif

namespace qv::sys {

using Handle = void*;   // HANDLE
using Module = void*;   // HMODULE
using Window = void*;   // HWND
using Proc = void (*)();  // FARPROC

inline Handle const kCurrentProcessPseudo = reinterpret_cast<Handle>(static_cast<intptr_t>(-1));
inline Handle const kCurrentThreadPseudo = reinterpret_cast<Handle>(static_cast<intptr_t>(-2));

// GlobalAlloc
constexpr uint32_t kGmemFixed = 0x0000;
constexpr uint32_t kGmemZeroInit = 0x0040;
// OpenThread
constexpr uint32_t kThreadQueryInformation = 0x0040;
// Page protections and region states (VirtualProtect, VirtualQuery)
constexpr uint32_t kPageNoAccess = 0x01;
constexpr uint32_t kPageReadOnly = 0x02;
constexpr uint32_t kPageReadWrite = 0x04;
constexpr uint32_t kPageWriteCopy = 0x08;
constexpr uint32_t kPageExecute = 0x10;
constexpr uint32_t kPageExecuteRead = 0x20;
constexpr uint32_t kPageExecuteReadWrite = 0x40;
constexpr uint32_t kPageExecuteWriteCopy = 0x80;
constexpr uint32_t kPageGuard = 0x100;
constexpr uint32_t kMemCommit = 0x1000;
constexpr uint32_t kMemReserve = 0x2000;
constexpr uint32_t kMemRelease = 0x8000;
constexpr uint32_t kMemFree = 0x10000;
// MessageBoxA
constexpr uint32_t kMbOk = 0x0;
constexpr uint32_t kMbIconError = 0x10;
constexpr uint32_t kMbTaskModal = 0x2000;
// GetWindow
constexpr uint32_t kGwHwndNext = 2;
constexpr uint32_t kGwChild = 5;
// CreateToolhelp32Snapshot
constexpr uint32_t kTh32csSnapModule = 0x00000008;
// WaitForSingleObject
constexpr uint32_t kInfinite = 0xFFFFFFFF;
constexpr uint32_t kWaitObject0 = 0;
constexpr uint32_t kWaitTimeout = 258;

// Exception codes the guard and its tests meet.
constexpr uint32_t kStatusBreakpoint = 0x80000003;
constexpr uint32_t kStatusSingleStep = 0x80000004;
constexpr uint32_t kStatusAccessViolation = 0xC0000005;
constexpr uint32_t kStatusIllegalInstruction = 0xC000001D;
constexpr uint32_t kStatusNoncontinuableException = 0xC0000025;
constexpr uint32_t kStatusFloatDivideByZero = 0xC000008E;
constexpr uint32_t kStatusFloatInvalidOperation = 0xC0000090;
constexpr uint32_t kStatusIntegerDivideByZero = 0xC0000094;
constexpr uint32_t kStatusIntegerOverflow = 0xC0000095;
constexpr uint32_t kStatusPrivilegedInstruction = 0xC0000096;
constexpr uint32_t kStatusStackOverflow = 0xC00000FD;

// ExceptionFlags
constexpr uint32_t kExceptionNoncontinuable = 0x1;
constexpr uint32_t kExceptionUnwinding = 0x2;
constexpr uint32_t kExceptionExitUnwind = 0x4;
constexpr uint32_t kExceptionUnwindMask = kExceptionUnwinding | kExceptionExitUnwind;

// EXCEPTION_DISPOSITION
constexpr int32_t kExceptionContinueExecution = 0;
constexpr int32_t kExceptionContinueSearch = 1;
constexpr int32_t kExceptionNestedException = 2;
constexpr int32_t kExceptionCollidedUnwind = 3;

constexpr uint32_t kExceptionMaximumParameters = 15;

struct FileTime {
  uint32_t dwLowDateTime;
  uint32_t dwHighDateTime;
};

struct MemoryBasicInformation {
  void* BaseAddress;
  void* AllocationBase;
  uint32_t AllocationProtect;
  size_t RegionSize;
  uint32_t State;
  uint32_t Protect;
  uint32_t Type;
};

// MODULEENTRY32 (the ANSI form): 548 bytes on the 32-bit target.
struct ModuleEntry32 {
  uint32_t dwSize;
  uint32_t th32ModuleID;
  uint32_t th32ProcessID;
  uint32_t GlblcntUsage;
  uint32_t ProccntUsage;
  uint8_t* modBaseAddr;
  uint32_t modBaseSize;
  Module hModule;
  char szModule[256];
  char szExePath[260];
};

// EXCEPTION_RECORD: 80 bytes on the 32-bit target.
struct ExceptionRecord {
  uint32_t ExceptionCode;
  uint32_t ExceptionFlags;
  ExceptionRecord* NestedRecord;  // the system's ExceptionRecord field
  void* ExceptionAddress;
  uint32_t NumberParameters;
  uintptr_t ExceptionInformation[kExceptionMaximumParameters];
};

// FLOATING_SAVE_AREA: 112 bytes.
struct FloatingSaveArea {
  uint32_t ControlWord;
  uint32_t StatusWord;
  uint32_t TagWord;
  uint32_t ErrorOffset;
  uint32_t ErrorSelector;
  uint32_t DataOffset;
  uint32_t DataSelector;
  uint8_t RegisterArea[80];
  uint32_t Cr0NpxState;
};

// The x86 CONTEXT: 716 bytes, same layout as the system's.
struct Context {
  uint32_t ContextFlags;
  uint32_t Dr0, Dr1, Dr2, Dr3, Dr6, Dr7;
  FloatingSaveArea FloatSave;
  uint32_t SegGs, SegFs, SegEs, SegDs;
  uint32_t Edi, Esi, Ebx, Edx, Ecx, Eax;
  uint32_t Ebp, Eip, SegCs, EFlags, Esp, SegSs;
  uint8_t ExtendedRegisters[512];
};
static_assert(sizeof(FloatingSaveArea) == 112);
static_assert(sizeof(Context) == 716);

// CONTEXT_i386 | CONTROL | INTEGER | SEGMENTS | FLOATING_POINT
constexpr uint32_t kContextFull = 0x0001000F;

// The system's exception routine: four arguments, removed by the callee.
using ExceptionRoutine = int32_t(QV_STDCALL*)(ExceptionRecord* record, void* establisherFrame,
                                              Context* context, void* dispatcherContext);

// EXCEPTION_REGISTRATION_RECORD; the chain ends with the address 0xFFFFFFFF.
struct ExceptionRegistration {
  ExceptionRegistration* Next;
  ExceptionRoutine Handler;
};
constexpr uintptr_t kChainEnd = 0xFFFFFFFF;

#if defined(__i386__)
static_assert(sizeof(ExceptionRecord) == 80);
static_assert(sizeof(ModuleEntry32) == 548);
static_assert(sizeof(MemoryBasicInformation) == 28);
static_assert(sizeof(ExceptionRegistration) == 8);

// NT_TIB.ExceptionList is the first word of the thread's block at fs:0.
inline uintptr_t GetChainHead() {
  uintptr_t head;
  __asm__ volatile("movl %%fs:0, %0" : "=r"(head));
  return head;
}
inline void SetChainHead(uintptr_t head) {
  __asm__ volatile("movl %0, %%fs:0" : : "r"(head) : "memory");
}
#else
// Elsewhere the per-thread word is kept by the system layer.
uintptr_t GetChainHead();
void SetChainHead(uintptr_t head);
#endif

// Thread start routine: stdcall, one argument, the exit code as result.
using ThreadRoutine = uint32_t(QV_STDCALL*)(void* parameter);
// NtQueryInformationThread, found through GetProcAddress in "ntdll.dll".
using NtQueryInformationThreadRoutine = int32_t(QV_STDCALL*)(Handle thread, int32_t infoClass,
                                                             void* info, uint32_t length,
                                                             uint32_t* returnLength);
constexpr int32_t kThreadQuerySetWin32StartAddress = 9;

// --- Threads ---------------------------------------------------------------
uint32_t GetCurrentThreadId();
uint32_t GetCurrentProcessId();
Handle GetCurrentThread();   // pseudo-handle
Handle GetCurrentProcess();  // pseudo-handle (-1)
Handle OpenThread(uint32_t desiredAccess, bool inheritHandle, uint32_t threadId);
bool CloseHandle(Handle handle);
// The exit time is zero while the thread runs.
bool GetThreadTimes(Handle thread, FileTime* creation, FileTime* exit, FileTime* kernel,
                    FileTime* user);
Handle CreateThread(void* attributes, size_t stackSize, ThreadRoutine start, void* parameter,
                    uint32_t creationFlags, uint32_t* threadId);
uint32_t WaitForSingleObject(Handle handle, uint32_t milliseconds);
bool GetExitCodeThread(Handle thread, uint32_t* exitCode);
[[noreturn]] void ExitProcess(uint32_t exitCode);
[[noreturn]] void ExitThread(uint32_t exitCode);

// --- CRITICAL_SECTION: the caller provides the block -------------------------
constexpr size_t kCriticalSectionSize = 24;
void InitializeCriticalSection(void* section);
void DeleteCriticalSection(void* section);
void EnterCriticalSection(void* section);
void LeaveCriticalSection(void* section);

// --- Memory -----------------------------------------------------------------
void* GlobalAlloc(uint32_t flags, size_t bytes);
void* GlobalFree(void* block);  // null on success
void* VirtualAlloc(void* address, size_t size, uint32_t allocationType, uint32_t protect);
bool VirtualFree(void* address, size_t size, uint32_t freeType);
bool VirtualProtect(void* address, size_t size, uint32_t newProtect, uint32_t* oldProtect);
size_t VirtualQuery(const void* address, MemoryBasicInformation* info, size_t length);
// True when some byte of the range cannot be read (written, run).
bool IsBadReadPtr(const void* address, uintptr_t size);
bool IsBadWritePtr(void* address, uintptr_t size);
bool IsBadCodePtr(const void* address);

// --- Modules ------------------------------------------------------------------
// The first module of a snapshot is the process's executable.
Handle CreateToolhelp32Snapshot(uint32_t flags, uint32_t processId);
bool Module32First(Handle snapshot, ModuleEntry32* entry);
bool Module32Next(Handle snapshot, ModuleEntry32* entry);
// Null name: the executable's module.
Module GetModuleHandleA(const char* name);
Proc GetProcAddress(Module module, const char* name);

// --- Exceptions ---------------------------------------------------------------
// At most 15 arguments are carried.
void RaiseException(uint32_t code, uint32_t flags, uint32_t argumentCount,
                    const uintptr_t* arguments);

// --- Windows --------------------------------------------------------------------
int32_t MessageBoxA(Window owner, const char* text, const char* caption, uint32_t type);
Window GetDesktopWindow();
Window GetWindow(Window window, uint32_t command);
uint32_t GetWindowThreadProcessId(Window window, uint32_t* processId);
int32_t GetClassNameA(Window window, char* buffer, int32_t bufferSize);

}  // namespace qv::sys
