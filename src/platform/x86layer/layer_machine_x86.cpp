// The x86-32 part of the layer: each thread's block reached through %fs (one
// LDT data segment per thread), the layer's "kernel32" routines with the
// system's prologue, the readability probes, and the exception dispatcher:
// processor faults arrive as signals on the thread's signal stack, software
// exceptions through RaiseException; each becomes an EXCEPTION_RECORD and a
// CONTEXT, and the registration chain is walked from fs:[0].
#include <asm/ldt.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/ucontext.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/x86layer/layer.h"
#include "platform/x86layer/layer_internal.h"

extern "C" {
// Defined in the assembly below.
extern const char qv_layer_probe_read_insn[];
extern const char qv_layer_probe_read_fail[];
extern const char qv_layer_probe_write_insn[];
extern const char qv_layer_probe_write_fail[];
extern const char qv_layer_raise_site[];
int qv_layer_probe_read(const void* address);
int qv_layer_probe_write(void* address);
}

namespace qv::x86layer {

extern "C" sys::Handle qv_layer_CreateRemoteThreadC(sys::Handle process, void* attributes,
                                                    size_t stackSize, sys::ThreadRoutine start,
                                                    void* parameter, uint32_t flags,
                                                    uint32_t* threadId) {
  return CreateRemoteThreadImpl(process, attributes, stackSize, start, parameter, flags, threadId);
}
extern "C" void* qv_layer_GlobalFreeC(void* block) { return GlobalFreeImpl(block); }

// The two exports begin as the system's do (mov edi, edi; push ebp;
// mov ebp, esp), so a patch of their first five bytes takes whole
// instructions.
__asm__(R"(
    .text
    .p2align 4
    .globl qv_layer_CreateRemoteThread
    .type qv_layer_CreateRemoteThread, @function
qv_layer_CreateRemoteThread:
    .byte 0x8b, 0xff
    pushl %ebp
    .byte 0x8b, 0xec
    andl $-16, %esp
    subl $4, %esp
    pushl 32(%ebp)
    pushl 28(%ebp)
    pushl 24(%ebp)
    pushl 20(%ebp)
    pushl 16(%ebp)
    pushl 12(%ebp)
    pushl 8(%ebp)
    call qv_layer_CreateRemoteThreadC
    movl %ebp, %esp
    popl %ebp
    ret $28
    .size qv_layer_CreateRemoteThread, .-qv_layer_CreateRemoteThread

    .p2align 4
    .globl qv_layer_GlobalFree
    .type qv_layer_GlobalFree, @function
qv_layer_GlobalFree:
    .byte 0x8b, 0xff
    pushl %ebp
    .byte 0x8b, 0xec
    andl $-16, %esp
    subl $12, %esp
    pushl 8(%ebp)
    call qv_layer_GlobalFreeC
    movl %ebp, %esp
    popl %ebp
    ret $4
    .size qv_layer_GlobalFree, .-qv_layer_GlobalFree

    .p2align 4
    .globl qv_layer_probe_read
    .type qv_layer_probe_read, @function
qv_layer_probe_read:
    movl 4(%esp), %edx
    .globl qv_layer_probe_read_insn
qv_layer_probe_read_insn:
    movb (%edx), %al
    movl $1, %eax
    ret
    .globl qv_layer_probe_read_fail
qv_layer_probe_read_fail:
    xorl %eax, %eax
    ret
    .size qv_layer_probe_read, .-qv_layer_probe_read

    .p2align 4
    .globl qv_layer_probe_write
    .type qv_layer_probe_write, @function
qv_layer_probe_write:
    movl 4(%esp), %edx
    .globl qv_layer_probe_write_insn
qv_layer_probe_write_insn:
    lock orb $0, (%edx)
    movl $1, %eax
    ret
    .globl qv_layer_probe_write_fail
qv_layer_probe_write_fail:
    xorl %eax, %eax
    ret
    .size qv_layer_probe_write, .-qv_layer_probe_write
)");

// Resumes a thread at a CONTEXT without returning from the signal handler:
// a return would reload %gs from a descriptor that qemu-user shares between
// threads, and another thread's block could come with it. The registers
// are put back from the context; eflags, ecx, eax and eip pass through four
// words just below the context's stack pointer, which is free there.
__asm__(R"(
    .text
    .p2align 4
    .globl qv_layer_resume
    .type qv_layer_resume, @function
qv_layer_resume:
    movl 4(%esp), %eax
    movl 0xC4(%eax), %ecx
    subl $16, %ecx
    movl 0xC0(%eax), %edx
    movl %edx, 0(%ecx)
    movl 0xAC(%eax), %edx
    movl %edx, 4(%ecx)
    movl 0xB0(%eax), %edx
    movl %edx, 8(%ecx)
    movl 0xB8(%eax), %edx
    movl %edx, 12(%ecx)
    movl 0xA4(%eax), %ebx
    movl 0xA8(%eax), %edx
    movl 0xA0(%eax), %esi
    movl 0x9C(%eax), %edi
    movl 0xB4(%eax), %ebp
    movl %ecx, %esp
    popfl
    popl %ecx
    popl %eax
    ret
    .size qv_layer_resume, .-qv_layer_resume
)");
extern "C" [[noreturn]] void qv_layer_resume(const sys::Context* context);

bool ProbeRead(const void* address) { return qv_layer_probe_read(address) != 0; }
bool ProbeWrite(void* address) { return qv_layer_probe_write(address) != 0; }

namespace {

constexpr size_t kSignalStackSize = 256 * 1024;
constexpr int kLdtEntries = 8192;

std::mutex g_ldtLock;
bool g_ldtUsed[kLdtEntries];

int TakeLdtEntry() {
  std::lock_guard<std::mutex> g(g_ldtLock);
  for (int i = 1; i < kLdtEntries; ++i)
    if (!g_ldtUsed[i]) {
      g_ldtUsed[i] = true;
      return i;
    }
  return -1;
}

void SetLdtEntry(int entry, uint32_t base, bool present) {
  user_desc d{};
  d.entry_number = static_cast<unsigned>(entry);
  d.base_addr = base;
  d.limit = 0xFFF;
  d.seg_32bit = 1;
  d.contents = 0;  // data, expand up
  d.read_exec_only = 0;
  d.limit_in_pages = 0;
  d.seg_not_present = present ? 0 : 1;
  d.useable = 1;
  if (!present) {
    d.base_addr = 0;
    d.limit = 0;
    d.seg_32bit = 0;
    d.read_exec_only = 1;
  }
  syscall(SYS_modify_ldt, 1, &d, sizeof d);
}

void LoadFs(uint16_t selector) { __asm__ volatile("movw %0, %%fs" : : "r"(selector) : "memory"); }

// Layout of the first words of NT_TIB / TEB.
enum TibWord {
  kExceptionList = 0,
  kStackBase = 1,
  kStackLimit = 2,
  kSelf = 6,
  kClientProcess = 8,
  kClientThread = 9,
};

// RaiseException leaves its request here and traps at qv_layer_raise_site.
struct PendingRaise {
  uint32_t code;
  uint32_t flags;
  uint32_t count;
  uintptr_t args[sys::kExceptionMaximumParameters];
};
thread_local PendingRaise* t_raise = nullptr;

bool IsPrivilegedOpcode(const uint8_t* p) {
  if (!ProbeRead(p) || !ProbeRead(p + 1)) return false;
  uint8_t b = p[0];
  // hlt, cli, sti, in/out forms, and the 0F system group (mov cr/dr, lgdt ...).
  if (b == 0xF4 || b == 0xFA || b == 0xFB || (b >= 0xE4 && b <= 0xE7) || (b >= 0xEC && b <= 0xEF) ||
      b == 0x6C || b == 0x6D || b == 0x6E || b == 0x6F)
    return true;
  if (b == 0x0F) {
    uint8_t c = p[1];
    return c == 0x01 || c == 0x06 || c == 0x08 || c == 0x09 || c == 0x20 || c == 0x21 ||
           c == 0x22 || c == 0x23 || c == 0x30 || c == 0x32;
  }
  return false;
}

void ToContext(const ucontext_t* uc, sys::Context& c) {
  const greg_t* g = uc->uc_mcontext.gregs;
  std::memset(&c, 0, sizeof c);
  c.ContextFlags = sys::kContextFull;
  c.SegGs = static_cast<uint32_t>(g[REG_GS]) & 0xFFFF;
  c.SegFs = static_cast<uint32_t>(g[REG_FS]) & 0xFFFF;
  c.SegEs = static_cast<uint32_t>(g[REG_ES]) & 0xFFFF;
  c.SegDs = static_cast<uint32_t>(g[REG_DS]) & 0xFFFF;
  c.Edi = static_cast<uint32_t>(g[REG_EDI]);
  c.Esi = static_cast<uint32_t>(g[REG_ESI]);
  c.Ebx = static_cast<uint32_t>(g[REG_EBX]);
  c.Edx = static_cast<uint32_t>(g[REG_EDX]);
  c.Ecx = static_cast<uint32_t>(g[REG_ECX]);
  c.Eax = static_cast<uint32_t>(g[REG_EAX]);
  c.Ebp = static_cast<uint32_t>(g[REG_EBP]);
  c.Eip = static_cast<uint32_t>(g[REG_EIP]);
  c.SegCs = static_cast<uint32_t>(g[REG_CS]) & 0xFFFF;
  c.EFlags = static_cast<uint32_t>(g[REG_EFL]);
  c.Esp = static_cast<uint32_t>(g[REG_UESP]);
  c.SegSs = static_cast<uint32_t>(g[REG_SS]) & 0xFFFF;
  if (const auto* fp = uc->uc_mcontext.fpregs) {
    c.FloatSave.ControlWord = static_cast<uint32_t>(fp->cw) | 0xFFFF0000u;
    c.FloatSave.StatusWord = static_cast<uint32_t>(fp->sw) | 0xFFFF0000u;
    c.FloatSave.TagWord = static_cast<uint32_t>(fp->tag) | 0xFFFF0000u;
    c.FloatSave.ErrorOffset = static_cast<uint32_t>(fp->ipoff);
    c.FloatSave.ErrorSelector = static_cast<uint32_t>(fp->cssel);
    c.FloatSave.DataOffset = static_cast<uint32_t>(fp->dataoff);
    c.FloatSave.DataSelector = static_cast<uint32_t>(fp->datasel);
    static_assert(sizeof fp->_st == 80);
    std::memcpy(c.FloatSave.RegisterArea, fp->_st, 80);
  }
}

bool LooksLikeStackOverflow(uintptr_t address, uintptr_t esp) {
  LayerThread* t = CurrentLayerThread();
  const uintptr_t page = 4096;
  if (t != nullptr && t->stackLow != 0 && address >= t->stackLow - 16 * page &&
      address < t->stackLow + page)
    return true;
  return address + 65536 >= esp && address < esp + page && esp - address < 65536 &&
         !ProbeRead(reinterpret_cast<const void*>(address));
}

void Classify(int sig, const siginfo_t* si, const ucontext_t* uc, sys::ExceptionRecord& r,
              sys::Context& c) {
  const greg_t* g = uc->uc_mcontext.gregs;
  uint32_t eip = static_cast<uint32_t>(g[REG_EIP]);
  uint32_t trapno = static_cast<uint32_t>(g[REG_TRAPNO]);
  uint32_t err = static_cast<uint32_t>(g[REG_ERR]);
  uintptr_t addr = reinterpret_cast<uintptr_t>(si->si_addr);
  r.ExceptionAddress = reinterpret_cast<void*>(eip);
  switch (sig) {
    case SIGSEGV:
    case SIGBUS:
      if (trapno == 13 || si->si_code == SI_KERNEL) {
        if (IsPrivilegedOpcode(reinterpret_cast<const uint8_t*>(eip))) {
          r.ExceptionCode = sys::kStatusPrivilegedInstruction;
        } else {
          r.ExceptionCode = sys::kStatusAccessViolation;
          r.NumberParameters = 2;
          r.ExceptionInformation[0] = 0;
          r.ExceptionInformation[1] = 0xFFFFFFFF;
        }
      } else if (LooksLikeStackOverflow(addr, static_cast<uint32_t>(g[REG_UESP]))) {
        r.ExceptionCode = sys::kStatusStackOverflow;
        r.NumberParameters = 2;
        r.ExceptionInformation[0] = 1;
        r.ExceptionInformation[1] = addr;
      } else {
        r.ExceptionCode = sys::kStatusAccessViolation;
        r.NumberParameters = 2;
        uint32_t kind = (err & 2) != 0 ? 1 : 0;
        if ((err & 16) != 0 || addr == eip) kind = 8;
        r.ExceptionInformation[0] = kind;
        r.ExceptionInformation[1] = addr;
      }
      break;
    case SIGFPE:
      switch (si->si_code) {
        case FPE_INTDIV: r.ExceptionCode = sys::kStatusIntegerDivideByZero; break;
        case FPE_INTOVF: r.ExceptionCode = sys::kStatusIntegerOverflow; break;
        case FPE_FLTDIV: r.ExceptionCode = sys::kStatusFloatDivideByZero; break;
        case FPE_FLTOVF: r.ExceptionCode = 0xC0000091; break;
        case FPE_FLTUND: r.ExceptionCode = 0xC0000093; break;
        case FPE_FLTRES: r.ExceptionCode = 0xC000008F; break;
        default: r.ExceptionCode = sys::kStatusFloatInvalidOperation; break;
      }
      break;
    case SIGILL:
      r.ExceptionCode = si->si_code == ILL_PRVOPC ? sys::kStatusPrivilegedInstruction
                                                  : sys::kStatusIllegalInstruction;
      break;
    case SIGTRAP:
      if (trapno == 1 || si->si_code == TRAP_TRACE) {
        r.ExceptionCode = sys::kStatusSingleStep;
      } else {
        // The system reports int3 at its own address, not after it.
        r.ExceptionCode = sys::kStatusBreakpoint;
        r.NumberParameters = 1;
        r.ExceptionInformation[0] = 0;
        const auto* prev = reinterpret_cast<const uint8_t*>(eip - 1);
        if (ProbeRead(prev) && *prev == 0xCC) {
          r.ExceptionAddress = reinterpret_cast<void*>(eip - 1);
          c.Eip = eip - 1;
        }
      }
      break;
    default:
      r.ExceptionCode = 0xC0000001;
      break;
  }
}

// Offers the exception to each record from the chain head outwards. True
// when a handler asked to continue with the (possibly changed) context.
bool Dispatch(sys::ExceptionRecord& r, sys::Context& c, int depth) {
  uintptr_t p = sys::GetChainHead();
  for (int n = 0; n < 100000 && p != sys::kChainEnd; ++n) {
    if (p == 0 || (p & 3) != 0 || sys::IsBadReadPtr(reinterpret_cast<void*>(p), 8)) break;
    auto* reg = reinterpret_cast<sys::ExceptionRegistration*>(p);
    if (sys::IsBadCodePtr(reinterpret_cast<const void*>(reg->Handler))) break;
    void* dispatcherContext = nullptr;
    int32_t d = reg->Handler(&r, reg, &c, &dispatcherContext);
    if (d == sys::kExceptionContinueExecution) {
      if ((r.ExceptionFlags & sys::kExceptionNoncontinuable) == 0) return true;
      if (depth < 2) {
        sys::ExceptionRecord again{};
        again.ExceptionCode = sys::kStatusNoncontinuableException;
        again.ExceptionFlags = sys::kExceptionNoncontinuable;
        again.NestedRecord = &r;
        again.ExceptionAddress = r.ExceptionAddress;
        Dispatch(again, c, depth + 1);
      }
      return false;
    }
    if (d != sys::kExceptionContinueSearch && d != sys::kExceptionNestedException) break;
    p = reinterpret_cast<uintptr_t>(reg->Next);
  }
  return false;
}

[[noreturn]] void Unhandled(const sys::ExceptionRecord& r) {
  std::fprintf(stderr, "unhandled exception 0x%08X at 0x%08X\n", r.ExceptionCode,
               static_cast<unsigned>(reinterpret_cast<uintptr_t>(r.ExceptionAddress)));
  std::fflush(stderr);
  rlimit none{0, 0};
  setrlimit(RLIMIT_CORE, &none);
  signal(SIGABRT, SIG_DFL);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGABRT);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(SIGABRT);
  _exit(134);
}

// Only the flags user code may change come from the context.
[[noreturn]] void Resume(sys::Context& c, const ucontext_t* uc) {
  const uint32_t userFlags = 0x00000DD5;
  const uint32_t efl = static_cast<uint32_t>(uc->uc_mcontext.gregs[REG_EFL]);
  c.EFlags = (efl & ~userFlags) | (c.EFlags & userFlags);
  // The interrupted code's floating-point state, as a return would restore it.
  if (uc->uc_mcontext.fpregs != nullptr)
    __asm__ volatile("frstor %0" : : "m"(*uc->uc_mcontext.fpregs));
  qv_layer_resume(&c);
}

void OnSignal(int sig, siginfo_t* si, void* ucv) {
  auto* uc = static_cast<ucontext_t*>(ucv);
  greg_t* g = uc->uc_mcontext.gregs;
  uintptr_t eip = static_cast<uintptr_t>(g[REG_EIP]);
  if (sig == SIGSEGV || sig == SIGBUS) {
    const char* fail = eip == reinterpret_cast<uintptr_t>(qv_layer_probe_read_insn)
                           ? qv_layer_probe_read_fail
                       : eip == reinterpret_cast<uintptr_t>(qv_layer_probe_write_insn)
                           ? qv_layer_probe_write_fail
                           : nullptr;
    if (fail != nullptr) {
      sys::Context c;
      ToContext(uc, c);
      c.Eip = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(fail));
      Resume(c, uc);
    }
  }
  // The handlers run with the interrupted thread's block.
  LoadFs(static_cast<uint16_t>(g[REG_FS]));
  sys::ExceptionRecord r{};
  sys::Context c{};
  ToContext(uc, c);
  if (sig == SIGILL && eip == reinterpret_cast<uintptr_t>(qv_layer_raise_site) &&
      t_raise != nullptr) {
    PendingRaise* p = t_raise;
    t_raise = nullptr;
    r.ExceptionCode = p->code;
    r.ExceptionFlags = p->flags;
    r.ExceptionAddress = reinterpret_cast<void*>(eip);
    r.NumberParameters = p->count;
    std::memcpy(r.ExceptionInformation, p->args, sizeof(uintptr_t) * p->count);
    c.Eip = static_cast<uint32_t>(eip + 2);  // continue after the trap
  } else {
    Classify(sig, si, uc, r, c);
  }
  if (CurrentLayerThread() == nullptr || static_cast<uint16_t>(g[REG_FS]) == 0) Unhandled(r);
  if (!Dispatch(r, c, 0)) Unhandled(r);
  Resume(c, uc);
}

}  // namespace

void SetUpMachineThread(LayerThread& t) {
  void* block = mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) return;
  auto* w = static_cast<uint32_t*>(block);
  w[kExceptionList] = sys::kChainEnd;
  w[kStackBase] = static_cast<uint32_t>(t.stackHigh);
  w[kStackLimit] = static_cast<uint32_t>(t.stackLow);
  w[kSelf] = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(block));
  w[kClientProcess] = static_cast<uint32_t>(getpid());
  w[kClientThread] = t.id;
  int entry = TakeLdtEntry();
  if (entry < 0) {
    munmap(block, 4096);
    return;
  }
  SetLdtEntry(entry, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(block)), true);
  LoadFs(static_cast<uint16_t>((entry << 3) | 7));
  t.tib = block;
  t.ldtEntry = entry;

  void* stack = mmap(nullptr, kSignalStackSize, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (stack != MAP_FAILED) {
    stack_t ss{};
    ss.ss_sp = stack;
    ss.ss_size = kSignalStackSize;
    if (sigaltstack(&ss, nullptr) == 0) {
      t.signalStack = stack;
      t.signalStackSize = kSignalStackSize;
    } else {
      munmap(stack, kSignalStackSize);
    }
  }
}

void TearDownMachineThread(LayerThread& t) {
  if (t.signalStack != nullptr) {
    char here;
    auto sp = reinterpret_cast<uintptr_t>(&here);
    auto lo = reinterpret_cast<uintptr_t>(t.signalStack);
    // Still running on it (ExitThread from a handler): leave it mapped.
    if (sp < lo || sp >= lo + t.signalStackSize) {
      stack_t ss{};
      ss.ss_flags = SS_DISABLE;
      sigaltstack(&ss, nullptr);
      munmap(t.signalStack, t.signalStackSize);
    }
    t.signalStack = nullptr;
  }
  if (t.ldtEntry >= 0) {
    LoadFs(0);
    SetLdtEntry(t.ldtEntry, 0, false);
    std::lock_guard<std::mutex> g(g_ldtLock);
    g_ldtUsed[t.ldtEntry] = false;
    t.ldtEntry = -1;
  }
  if (t.tib != nullptr) {
    munmap(t.tib, 4096);
    t.tib = nullptr;
  }
}

void InstallDispatcher() {
  struct sigaction sa{};
  sa.sa_sigaction = &OnSignal;
  sa.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
  sigemptyset(&sa.sa_mask);
  for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP}) sigaction(sig, &sa, nullptr);
}

}  // namespace qv::x86layer

namespace qv::sys {

__attribute__((noinline, noclone)) void RaiseException(uint32_t code, uint32_t flags,
                                                       uint32_t argumentCount,
                                                       const uintptr_t* arguments) {
  x86layer::PendingRaise p{};
  p.code = code;
  p.flags = flags & kExceptionNoncontinuable;
  p.count = arguments == nullptr ? 0
            : argumentCount > kExceptionMaximumParameters ? kExceptionMaximumParameters
                                                          : argumentCount;
  if (p.count != 0) std::memcpy(p.args, arguments, sizeof(uintptr_t) * p.count);
  x86layer::t_raise = &p;
  __asm__ volatile(
      ".globl qv_layer_raise_site\n"
      "qv_layer_raise_site:\n"
      "ud2\n" ::"r"(&p)
      : "memory");
  x86layer::t_raise = nullptr;
}

}  // namespace qv::sys
