// The guard's x86-32 code: linking a registration record into another
// routine's frame, the routines that do so (start-up, the thread wrapper's
// entry, TryBegin), the catch routines with their skip to the block's end,
// the runners behind guard_block.h, and the start-up routine's way back.
#include <cstdint>

#include "crashguard/guard_api.h"
#include "crashguard/guard_machine.h"
#include "crashguard/live_memory.h"

#if defined(_WIN32)
#define QV_SYM(name) "_" #name
#define QV_FUNC(name) ".globl _" #name "\n_" #name ":\n"
#else
#define QV_SYM(name) #name
#define QV_FUNC(name) ".globl " #name "\n.type " #name ", @function\n" #name ":\n"
#endif
// push ebp; mov ebp, esp: the prologue the name registry looks for.
#define QV_PROLOGUE ".byte 0x55, 0x8b, 0xec\n"

// C++ routines the assembly calls (cdecl).
extern "C" {
uint64_t qv_GuardStartupSteps(uint32_t frame);
uint32_t qv_StartupReturnWork();
uint32_t qv_TopLevelHandler();
uint32_t qv_TryBeginRecord(uint32_t frame);
void qv_RegisterCatchName(int32_t kind);
uint32_t qv_FindBlockEnd(uint32_t frame);
void qv_StartupReturn();
void qv_SkipToBlockEnd();
void qv_InstallGuardFrame();
}

// InstallGuardFrame(handler, dropBytes, throughAdaptor, returnThrough,
// resultValue), called as the last act of a routine with an ebp frame:
// leaves that routine as its return would (dropping dropBytes of its
// arguments; through the adaptor's saved ebx, esi, edi and return when
// throughAdaptor is set), links {Next = head, Handler = handler} just below
// the receiving routine's stack pointer, pushes returnThrough when it is not
// 0 (and then leaves 256 bytes below it, for a start-up routine that stores
// its call arguments at its stack pointer), and resumes the receiver after
// its call with resultValue in eax.
__asm__(
    ".text\n"
    ".p2align 4\n"
    QV_FUNC(qv_InstallGuardFrame)
    "movl %ebp, %eax\n"
    "pushl 4(%eax)\n"        // the return address the receiver continues at
    "pushl (%eax)\n"         // the receiver's frame pointer
    // 12(%esp) handler, 16 dropBytes, 20 throughAdaptor, 24 returnThrough, 28 resultValue
    "leal 8(%eax), %edx\n"
    "addl 16(%esp), %edx\n"
    "cmpl $0, 20(%esp)\n"
    "je 1f\n"
    "movl (%edx), %edi\n"
    "movl 4(%edx), %esi\n"
    "movl 8(%edx), %ebx\n"
    "movl 12(%edx), %ecx\n"
    "movl %ecx, 4(%esp)\n"
    "addl $16, %edx\n"
    "addl 16(%esp), %edx\n"
    "1:\n"
    "movl 12(%esp), %ecx\n"
    "movl %ecx, -4(%edx)\n"
    "movl %fs:0, %ecx\n"
    "movl %ecx, -8(%edx)\n"
    "leal -8(%edx), %ecx\n"
    "movl %ecx, %fs:0\n"
    "movl %ecx, %edx\n"
    "movl 24(%esp), %ecx\n"
    "testl %ecx, %ecx\n"
    "je 2f\n"
    "movl %ecx, -4(%edx)\n"
    // Room below: code that stores its call arguments at the stack
    // pointer (instead of pushing them) must not write over the record.
    "subl $260, %edx\n"
    "2:\n"
    "movl 28(%esp), %eax\n"
    "movl 4(%esp), %ecx\n"
    "movl (%esp), %ebp\n"
    "movl %edx, %esp\n"
    "jmp *%ecx\n"

    // GuardStartup: the guard's set-up, then the top-level record in the
    // caller's frame for the rest of the caller.
    ".p2align 4\n"
    QV_FUNC(_ZN2qv12GuardStartupEv)
    QV_PROLOGUE
    "pushl %ebp\n"
    "call " QV_SYM(qv_GuardStartupSteps) "\n"
    "addl $4, %esp\n"
    "testl %eax, %eax\n"
    "je 1f\n"
    "pushl $0\n"
    "pushl %edx\n"           // FrameUnlinkStub
    "pushl $0\n"
    "pushl $0\n"
    "pushl %eax\n"           // ReportAndTerminate
    "call " QV_SYM(qv_InstallGuardFrame) "\n"
    "1:\n"
    "movl %ebp, %esp\n"
    "popl %ebp\n"
    "ret\n"

    // Where the start-up routine returns to: its record is unlinked, then
    // it goes on to its real caller with its result intact.
    ".p2align 4\n"
    QV_FUNC(qv_StartupReturn)
    "pushl %eax\n"
    "pushl %edx\n"
    "call " QV_SYM(qv_StartupReturnWork) "\n"
    "movl %eax, %ecx\n"
    "popl %edx\n"
    "popl %eax\n"
    "jmp *%ecx\n"

    // The thread wrapper's entry (an adaptor keeping ebx, esi, edi) and
    // GuardCurrentThread behind it.
    ".p2align 4\n"
    QV_FUNC(qv_GuardCurrentThreadEntry)
#if defined(_WIN32)
    // The name C++ gives a stdcall routine of one argument there.
    ".globl _qv_GuardCurrentThreadEntry@4\n_qv_GuardCurrentThreadEntry@4:\n"
#endif
    "pushl %ebx\n"
    "pushl %esi\n"
    "pushl %edi\n"
    "pushl 16(%esp)\n"
    "call " QV_SYM(qv_GuardCurrentThread) "\n"
    "popl %edi\n"
    "popl %esi\n"
    "popl %ebx\n"
    "ret $4\n"
    ".p2align 4\n"
    QV_FUNC(qv_GuardCurrentThread)
    QV_PROLOGUE
    "call " QV_SYM(qv_TopLevelHandler) "\n"
    "testl %eax, %eax\n"
    "je 1f\n"
    "pushl $0\n"
    "pushl $0\n"
    "pushl $1\n"
    "pushl $4\n"
    "pushl %eax\n"
    "call " QV_SYM(qv_InstallGuardFrame) "\n"
    "1:\n"
    "xorl %eax, %eax\n"
    "movl %ebp, %esp\n"
    "popl %ebp\n"
    "ret $4\n"

    // TryBegin: records the block, then links its record in the caller's
    // frame and returns 1.
    ".p2align 4\n"
    QV_FUNC(qv_TryBegin)
    QV_PROLOGUE
    "pushl %ebp\n"
    "call " QV_SYM(qv_TryBeginRecord) "\n"
    "addl $4, %esp\n"
    "testl %eax, %eax\n"
    "je 1f\n"
    "pushl $1\n"
    "pushl $0\n"
    "pushl $0\n"
    "pushl $0\n"
    "pushl %eax\n"
    "call " QV_SYM(qv_InstallGuardFrame) "\n"
    "1:\n"
    "movl $1, %eax\n"
    "movl %ebp, %esp\n"
    "popl %ebp\n"
    "ret\n"

    // The catch routines register their names, then skip to the block's end.
    ".p2align 4\n"
    QV_FUNC(qv___catch_status)
    QV_PROLOGUE
    "pushl $1\n"
    "call " QV_SYM(qv_RegisterCatchName) "\n"
    "addl $4, %esp\n"
    "call " QV_SYM(qv_SkipToBlockEnd) "\n"
    ".p2align 4\n"
    QV_FUNC(qv___catch_text)
    QV_PROLOGUE
    "pushl $2\n"
    "call " QV_SYM(qv_RegisterCatchName) "\n"
    "addl $4, %esp\n"
    "call " QV_SYM(qv_SkipToBlockEnd) "\n"
    ".p2align 4\n"
    QV_FUNC(qv___catch_all)
    QV_PROLOGUE
    "pushl $3\n"
    "call " QV_SYM(qv_RegisterCatchName) "\n"
    "addl $4, %esp\n"
    "call " QV_SYM(qv_SkipToBlockEnd) "\n"

    // SkipToBlockEnd, called by a catch routine (ebp is its frame): drops
    // that routine's frame and the catch call's two argument words and
    // continues at the block's TryEnd call. Without one in reach the catch
    // routine returns 0.
    ".p2align 4\n"
    QV_FUNC(qv_SkipToBlockEnd)
    "pushl %ebp\n"
    "call " QV_SYM(qv_FindBlockEnd) "\n"
    "addl $4, %esp\n"
    "testl %eax, %eax\n"
    "je 1f\n"
    "leal -5(%eax), %ecx\n"
    "movl %ebp, %esp\n"
    "popl %ebp\n"
    "addl $12, %esp\n"
    "jmp *%ecx\n"
    "1:\n"
    "addl $4, %esp\n"
    "xorl %eax, %eax\n"
    "movl %ebp, %esp\n"
    "popl %ebp\n"
    "ret\n");

// A guarded block as one routine: TryBegin; body(context); the catch call
// with its two argument words; onFault(context, value); TryEnd. The
// record TryBegin links stays below the stack pointer until TryEnd. The
// result is 1 when the handling code ran.
#define QV_RUNNER(name, catchRoutine)                                   \
  ".p2align 4\n" QV_FUNC(name) QV_PROLOGUE                              \
  "pushl %ebx\n"                                                        \
  "pushl %esi\n"                                                        \
  "pushl %edi\n"                                                        \
  "pushl $0\n"                                                          \
  "subl $8, %esp\n"                                                     \
  "call " QV_SYM(qv_TryBegin) "\n"                                      \
  "subl $4, %esp\n"                                                     \
  "pushl 12(%ebp)\n"                                                    \
  "call *8(%ebp)\n"                                                     \
  "addl $8, %esp\n"                                                     \
  "pushl $0\n"                                                          \
  "pushl $0\n"                                                          \
  "call " QV_SYM(catchRoutine) "\n"                                     \
  "addl $8, %esp\n"                                                     \
  "subl $8, %esp\n"                                                     \
  "pushl %eax\n"                                                        \
  "pushl 12(%ebp)\n"                                                    \
  "call *16(%ebp)\n"                                                    \
  "addl $8, %esp\n"                                                     \
  "movl $1, -16(%ebp)\n"                                                \
  "call " QV_SYM(qv_TryEnd) "\n"                                        \
  "movl -16(%ebp), %eax\n"                                              \
  "leal -12(%ebp), %esp\n"                                              \
  "popl %edi\n"                                                         \
  "popl %esi\n"                                                         \
  "popl %ebx\n"                                                         \
  "popl %ebp\n"                                                         \
  "ret\n"

__asm__(".text\n"
        QV_RUNNER(qv_GuardedBlockAll, qv___catch_all)
        QV_RUNNER(qv_GuardedBlockStatus, qv___catch_status)
        QV_RUNNER(qv_GuardedBlockText, qv___catch_text));

namespace qv {

__attribute__((noinline)) uint32_t CallerFrame(int32_t levels) {
  LiveMemory memory;
  // Start at the calling routine's frame (saved in this one's).
  uint32_t frame = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(__builtin_frame_address(0)));
  frame = SafeReadPointer(memory, frame);
  for (int32_t i = 0; i <= levels && frame != 0; ++i) frame = SafeReadPointer(memory, frame);
  return frame;
}

void GuardApiRoutineAddresses(uint32_t out[5]) {
  out[0] = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&qv_TryBegin));
  out[1] = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&qv___catch_status));
  out[2] = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&qv___catch_text));
  out[3] = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&qv___catch_all));
  out[4] = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&qv_TryEnd));
}

}  // namespace qv
