// The guard's two exception routines and what they share: the shell they
// run in, the capture of the exception record and context, the filter, and
// the walk's starting point.
#pragma once

#include <cstdint>

#include "crashguard/exception_description.h"
#include "platform/guard_system.h"

namespace qv {

// The system's exception-routine signature. Both pass unwinding calls on
// untouched.
int32_t QV_STDCALL ReportAndTerminate(sys::ExceptionRecord* record, void* establisherFrame,
                                      sys::Context* context, void* dispatcherContext);
int32_t QV_STDCALL GuardedBlockHandler(sys::ExceptionRecord* record, void* establisherFrame,
                                       sys::Context* context, void* dispatcherContext);

// True when the exception goes on untouched: a compiler throw while the
// configuration passes those on.
bool FilterPassesOn(const CapturedFault& fault);

// Frame pointer and first address the call-stack walk starts from: the
// context's Ebp unless it is unreadable (then the thread's lastFrame), and
// its Eip.
void WalkStart(const ContextCopy& context, uint32_t* framePointer, uint32_t* firstAddress);

// The call-stack text and the description, made over the live process.
Text WalkCallStackLive(uint32_t framePointer, uint32_t firstAddress);
Text DescribeExceptionLive(CapturedFault& fault, const ContextCopy& context);

}  // namespace qv
