// Hosts other than x86-32: no thread block and no dispatcher. The chain
// head is a per-thread word, the probes go through the kernel, and
// RaiseException has no one to hand the exception to.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/x86layer/layer_internal.h"

namespace qv::x86layer {
namespace {

thread_local uintptr_t t_chainHead = sys::kChainEnd;

// A pipe the probes write one byte through; the kernel answers EFAULT for
// an address the process cannot read.
int ProbePipe(int end) {
  static int fds[2] = {-1, -1};
  static bool made = pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0;
  return made ? fds[end] : -1;
}

}  // namespace

bool ProbeRead(const void* address) {
  int w = ProbePipe(1), r = ProbePipe(0);
  if (w < 0) return false;
  if (write(w, address, 1) != 1) return false;
  char c;
  return read(r, &c, 1) == 1;
}

bool ProbeWrite(void* address) {
  // Reading the byte back into place through the pipe needs write access.
  int w = ProbePipe(1), r = ProbePipe(0);
  if (w < 0 || write(w, address, 1) != 1) return false;
  if (read(r, address, 1) == 1) return true;
  char c;
  (void)!read(r, &c, 1);
  return false;
}

extern "C" sys::Handle QV_STDCALL qv_layer_CreateRemoteThread(sys::Handle process, void* attributes,
                                                             size_t stackSize,
                                                             sys::ThreadRoutine start,
                                                             void* parameter, uint32_t flags,
                                                             uint32_t* threadId) {
  return CreateRemoteThreadImpl(process, attributes, stackSize, start, parameter, flags, threadId);
}
extern "C" void* QV_STDCALL qv_layer_GlobalFree(void* block) { return GlobalFreeImpl(block); }

void SetUpMachineThread(LayerThread&) { t_chainHead = sys::kChainEnd; }
void TearDownMachineThread(LayerThread&) {}
void InstallDispatcher() {}

}  // namespace qv::x86layer

namespace qv::sys {

uintptr_t GetChainHead() { return x86layer::t_chainHead; }
void SetChainHead(uintptr_t head) { x86layer::t_chainHead = head; }

void RaiseException(uint32_t code, uint32_t, uint32_t, const uintptr_t*) {
  std::fprintf(stderr, "unhandled exception 0x%08X (no dispatcher on this host)\n", code);
  std::abort();
}

}  // namespace qv::sys
