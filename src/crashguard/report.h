// Reports and the end of a faulting thread or process; the texts a report
// is made of live on the thread's record.
#pragma once

#include <cstdint>

#include "platform/guard_system.h"
#include "platform/types.h"

namespace qv {

// Calls the report callback, then shows the thread's composed report when
// showMessageBox is exactly 1.
void PresentReport();
// Ends the thread (endThreadOnly exactly 1, not the main thread) or the
// process, with exit code 0.
[[noreturn]] void EndAfterReport();
[[noreturn]] void EndFaultingThread();
// The handler of the nested record around the guard's handlers: a fault
// while a report is made. Passes unwinding calls on; otherwise never returns.
int32_t QV_STDCALL FatalReportFailure(sys::ExceptionRecord* record, void* establisherFrame,
                                      sys::Context* context, void* dispatcherContext);
// The run-time error handler: makes and presents the report; true.
bool OnRunTimeError(int32_t code, const char* message);
// The first top-level window of the thread with exactly this class name.
sys::Window FindOwnerWindow(uint32_t threadId, const Text& className);

// The run-time error's description.
Text DescribeRunTimeError(int32_t code, const char* message);

// Copy of the current thread's extraInfo; gives the thread a record.
Text GetCurrentExtraInfo();
// Stores the three texts on the current thread's record; without a record
// nothing is stored unless `create`.
void StoreThreadReport(const Text& description, const Text& callStack, const Text& extraInfo,
                       bool create);

// The main module's entry point from its headers; 0 when they are not a
// readable "MZ"/"PE" pair with an entry point.
uint32_t MainModuleEntryPoint();

}  // namespace qv
