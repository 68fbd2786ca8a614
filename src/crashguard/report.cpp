#include "crashguard/report.h"

#include "crashguard/exception_capture.h"
#include "crashguard/format.h"
#include "crashguard/guard_globals.h"
#include "crashguard/guard_machine.h"
#include "crashguard/live_memory.h"

namespace qv {

Text GetCurrentExtraInfo() {
  GuardGlobals* g = Guard();
  if (g == nullptr) return Text();
  GuardLockHold hold(g->threadTableLock);
  return ThreadAt(CurrentThreadIndex()).GetExtraInfo();
}

void StoreThreadReport(const Text& description, const Text& callStack, const Text& extraInfo,
                       bool create) {
  GuardGlobals* g = Guard();
  if (g == nullptr) return;
  GuardLockHold hold(g->threadTableLock);
  const uint32_t id = sys::GetCurrentThreadId();
  int32_t p = FindThreadRecord(id);
  if (p == 0) {
    if (!create) return;
    p = AddThreadRecord(id);
  }
  ThreadAt(p).SetReport(description, callStack, extraInfo);
}

sys::Window FindOwnerWindow(uint32_t threadId, const Text& className) {
  for (sys::Window w = sys::GetWindow(sys::GetDesktopWindow(), sys::kGwChild); w != nullptr;
       w = sys::GetWindow(w, sys::kGwHwndNext)) {
    if (sys::GetWindowThreadProcessId(w, nullptr) != threadId) continue;
    char name[256] = {};
    sys::GetClassNameA(w, name, 256);
    if (className == name) return w;
  }
  return nullptr;
}

void PresentReport() {
  GuardGlobals* g = Guard();
  if (g == nullptr) return;
  if (g->config.reportCallback != nullptr) g->config.reportCallback();
  if (g->config.showMessageBox != 1) return;
  sys::Window owner = FindOwnerWindow(sys::GetCurrentThreadId(), g->config.ownerWindowClass.Get());
  Text text;
  {
    GuardLockHold hold(g->threadTableLock);
    text = ThreadAt(CurrentThreadIndex()).ComposeReport();
  }
  sys::MessageBoxA(owner, text.c_str(), "程序异常：", sys::kMbIconError);
}

uint32_t MainModuleEntryPoint() {
  LiveMemory memory;
  const uint32_t base =
      static_cast<uint32_t>(reinterpret_cast<uintptr_t>(sys::GetModuleHandleA(nullptr)));
  uint16_t mz = 0, pe = 0;
  if (base == 0 || !ReadU16(memory, base, &mz) || mz != 0x5A4D) return 0;
  const uint32_t lfanew = SafeReadPointer(memory, base + 60);
  if (!ReadU16(memory, base + lfanew, &pe) || pe != 0x4550) return 0;
  const uint32_t entry = SafeReadPointer(memory, base + lfanew + 40);
  return entry != 0 ? base + entry : 0;
}

void EndFaultingThread() {
  auto query = reinterpret_cast<sys::NtQueryInformationThreadRoutine>(
      sys::GetProcAddress(sys::GetModuleHandleA("ntdll.dll"), "NtQueryInformationThread"));
  if (query != nullptr) {
    uintptr_t start = 0;
    if (query(sys::GetCurrentThread(), sys::kThreadQuerySetWin32StartAddress, &start,
              sizeof start, nullptr) != 0)
      start = 0;
    if (start != 0 && static_cast<uint32_t>(start) == MainModuleEntryPoint()) sys::ExitProcess(0);
  }
  sys::ExitThread(0);
}

void EndAfterReport() {
  const GuardGlobals* g = Guard();
  if (g != nullptr && g->config.endThreadOnly == 1) EndFaultingThread();
  sys::ExitProcess(0);
}

int32_t QV_STDCALL FatalReportFailure(sys::ExceptionRecord* record, void*, sys::Context*, void*) {
  if (record != nullptr && (record->ExceptionFlags & sys::kExceptionUnwindMask) != 0)
    return sys::kExceptionContinueSearch;
  const GuardGlobals* g = Guard();
  if (g != nullptr && g->config.showMessageBox == 1)
    sys::MessageBoxA(nullptr, "程序发生严重错误，无法获取异常信息，程序准备关闭", "",
                     sys::kMbIconError);
  EndAfterReport();
}

Text DescribeRunTimeError(int32_t code, const char* message) {
  Text text = "运行时出错!\r\n\r\n";
  text += "错误代码：";
  text += FormatDecimal(code);
  text += "\r\n\r\n";
  text += "错误信息：";
  if (message != nullptr) text += message;
  text += "\r\n";
  return text;
}

__attribute__((noinline)) bool OnRunTimeError(int32_t code, const char* message) {
  Text description = DescribeRunTimeError(code, message);
  Text extra = GetCurrentExtraInfo();
  // From the frame of the error mechanism's reporting routine (this
  // handler's caller), with this handler's own return point first: the
  // walk leads back to the code that raised the error.
  const uint32_t frame = CallerFrame(0);
  const uint32_t first =
      static_cast<uint32_t>(reinterpret_cast<uintptr_t>(__builtin_return_address(0)));
  Text callStack = WalkCallStackLive(frame, first);
  StoreThreadReport(description, callStack, extra, true);
  PresentReport();
  return true;
}

}  // namespace qv
