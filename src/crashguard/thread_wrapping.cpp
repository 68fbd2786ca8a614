#include "crashguard/thread_wrapping.h"

#include <cstring>

#include "crashguard/guard_globals.h"
#include "crashguard/guard_machine.h"

namespace qv {
namespace {

uint32_t g_thunk = 0;

void PutAddress(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
  at[2] = static_cast<uint8_t>(value >> 16);
  at[3] = static_cast<uint8_t>(value >> 24);
}

uint16_t SaveAndResetFpu() {
  uint16_t controlWord = 0;
  __asm__ volatile("fnstcw %0\n\tfninit" : "=m"(controlWord));
  return controlWord;
}

void RestoreFpu(uint16_t controlWord) { __asm__ volatile("fldcw %0" : : "m"(controlWord)); }

}  // namespace

std::array<uint8_t, kThreadStartThunkSize> ThreadStartThunkCode(uint32_t guardEntry,
                                                                uint32_t globalFree) {
  std::array<uint8_t, kThreadStartThunkSize> code = {
      0x55, 0x8B, 0xEC,                          //  0 push ebp; mov ebp, esp
      0x56,                                      //  3 push esi
      0x64, 0xFF, 0x35, 0x00, 0x00, 0x00, 0x00,  //  4 push fs:[0]
      0xFF, 0x75, 0x08,                          // 11 push the record
      0xB9, 0x00, 0x00, 0x00, 0x00,              // 14 mov ecx, GuardCurrentThread's entry
      0xFF, 0xD1,                                // 19 call ecx
      0xFF, 0x75, 0x08,                          // 21 push the record
      0xE8, 0x21, 0x00, 0x00, 0x00,              // 24 call 62
      0x8B, 0xF0,                                // 29 mov esi, eax
      0xFF, 0x75, 0x08,                          // 31 push the record
      0xB9, 0x00, 0x00, 0x00, 0x00,              // 34 mov ecx, GlobalFree
      0xFF, 0xD1,                                // 39 call ecx
      0x8B, 0x4D, 0xF8,                          // 41 mov ecx, [ebp-8]
      0x64, 0x89, 0x0D, 0x00, 0x00, 0x00, 0x00,  // 44 mov fs:[0], ecx
      0x8B, 0xC6,                                // 51 mov eax, esi
      0x8B, 0x75, 0xFC,                          // 53 mov esi, [ebp-4]
      0x8B, 0xE5, 0x5D, 0xC2, 0x04, 0x00,        // 56 mov esp, ebp; pop ebp; ret 4
      0x55, 0x8B, 0xEC,                          // 62 push ebp; mov ebp, esp
      0x8B, 0x45, 0x08,                          // 65 mov eax, the record
      0xFF, 0x70, 0x04,                          // 68 push parameter
      0xFF, 0x10,                                // 71 call startRoutine
      0x8B, 0xE5, 0x5D, 0xC2, 0x04, 0x00,        // 73 mov esp, ebp; pop ebp; ret 4
  };
  PutAddress(&code[15], guardEntry);
  PutAddress(&code[35], globalFree);
  return code;
}

uint32_t BuildThreadStartThunk() {
  if (g_thunk != 0) return g_thunk;
  sys::Module kernel = sys::GetModuleHandleA("kernel32");
  sys::Proc globalFree = kernel != nullptr ? sys::GetProcAddress(kernel, "GlobalFree") : nullptr;
  if (globalFree == nullptr) return 0;
  const auto code = ThreadStartThunkCode(
      static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&qv_GuardCurrentThreadEntry)),
      static_cast<uint32_t>(reinterpret_cast<uintptr_t>(globalFree)));
  // Code must be able to run from the block; ordinary allocations may not.
  void* block = sys::VirtualAlloc(nullptr, code.size(), sys::kMemCommit | sys::kMemReserve,
                                  sys::kPageExecuteReadWrite);
  if (block == nullptr) return 0;
  std::memcpy(block, code.data(), code.size());
  g_thunk = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(block));
  return g_thunk;
}

void ReleaseThreadStartThunk(uint32_t& thunk) { thunk = 0; }

ApiHook& CreateThreadHook() {
  static ApiHook* hook = new ApiHook();
  return *hook;
}

void HookThreadCreation() {
  if (CreateThreadHook().GetTrampoline() != 0) return;
  CreateThreadHook().HookExport(
      "kernel32", "CreateRemoteThread",
      static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&OnCreateRemoteThread)));
}

sys::Handle QV_STDCALL OnCreateRemoteThread(sys::Handle process, void* attributes,
                                            size_t stackSize, sys::ThreadRoutine start,
                                            void* parameter, uint32_t creationFlags,
                                            uint32_t* threadId) {
  const uint16_t controlWord = SaveAndResetFpu();
  ThreadStartRecord* record = nullptr;
  const GuardGlobals* g = Guard();
  const uint32_t thunk = g != nullptr ? g->threadStartThunk : 0;
  // A null start stays as asked: the system's answer to it is the caller's.
  if (process == sys::kCurrentProcessPseudo && thunk != 0 && start != nullptr) {
    record = static_cast<ThreadStartRecord*>(
        sys::GlobalAlloc(sys::kGmemFixed, sizeof(ThreadStartRecord)));
    if (record != nullptr) {
      record->startRoutine = start;
      record->parameter = parameter;
      start = reinterpret_cast<sys::ThreadRoutine>(static_cast<uintptr_t>(thunk));
      parameter = record;
    }
  }
  RestoreFpu(controlWord);
  auto* thread = reinterpret_cast<sys::Handle>(static_cast<uintptr_t>(CreateThreadHook().CallThrough(
      process, attributes, stackSize, start, parameter, creationFlags, threadId)));
  // No thread will free it.
  if (thread == nullptr && record != nullptr) sys::GlobalFree(record);
  return thread;
}

}  // namespace qv
