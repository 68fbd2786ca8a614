// Shared between the layer's own files.
#pragma once

#include <csetjmp>
#include <cstdint>

#include "platform/guard_system.h"

namespace qv::x86layer {

struct ThreadObject;

// Per-thread state of an attached thread.
struct LayerThread {
  ThreadObject* object = nullptr;
  uint32_t id = 0;
  void* tib = nullptr;       // thread block (x86-32)
  int ldtEntry = -1;         // its segment (x86-32)
  void* signalStack = nullptr;
  size_t signalStackSize = 0;
  bool startedByLayer = false;
  sigjmp_buf exitJump;       // ExitThread returns here on layer threads
  uint32_t exitCode = 0;
  uintptr_t stackLow = 0;    // for telling a stack overflow apart
  uintptr_t stackHigh = 0;
};

LayerThread* CurrentLayerThread();  // null when not attached

// x86-32 only: thread block, segment, signal stack; and their release.
void SetUpMachineThread(LayerThread& t);
void TearDownMachineThread(LayerThread& t);
void InstallDispatcher();

// The layer's "kernel32" exports that must be real routines.
extern "C" sys::Handle QV_STDCALL qv_layer_CreateRemoteThread(
    sys::Handle process, void* attributes, size_t stackSize, sys::ThreadRoutine start,
    void* parameter, uint32_t flags, uint32_t* threadId);
extern "C" void* QV_STDCALL qv_layer_GlobalFree(void* block);

sys::Handle CreateRemoteThreadImpl(sys::Handle process, void* attributes, size_t stackSize,
                                   sys::ThreadRoutine start, void* parameter, uint32_t flags,
                                   uint32_t* threadId);
void* GlobalFreeImpl(void* block);
int32_t QueryThreadStartAddress(sys::Handle thread, uintptr_t* start);

// CloseHandle for tool-help snapshots; false when not one.
bool CloseSnapshotHandle(sys::Handle handle);

// Probes one byte; true when it can be read (written).
bool ProbeRead(const void* address);
bool ProbeWrite(void* address);

}  // namespace qv::x86layer
