#include "crashguard/thread_record.h"

#include "crashguard/call_sites.h"
#include "crashguard/guard_globals.h"
#include "crashguard/live_memory.h"

namespace qv {

struct ThreadRecordImpl {
  static void Destroy(ThreadRecord& self) {
    self.description_.clear();
    self.extraInfo_.clear();
    self.callStack_.clear();
    self.blocks_.clear();
    self.blocks_.shrink_to_fit();
  }

  static ThreadRecord Copy(const ThreadRecord& self) {
    ThreadRecord copy;
    copy.threadId_ = self.threadId_;
    copy.threadHandle_ = self.threadHandle_;  // shared, not duplicated
    copy.description_ = self.description_;
    copy.extraInfo_ = self.extraInfo_;
    copy.callStack_ = self.callStack_;
    copy.lastFrame_ = self.lastFrame_;
    copy.blocks_ = self.blocks_;
    return copy;
  }

  static sys::Handle Attach(ThreadRecord& self, uint32_t threadId) {
    self.threadId_ = threadId;
    self.threadHandle_ = sys::OpenThread(sys::kThreadQueryInformation, false, threadId);
    return self.threadHandle_;
  }

  static bool HasEnded(ThreadRecord& self) {
    if (self.threadHandle_ == nullptr)
      self.threadHandle_ = sys::OpenThread(sys::kThreadQueryInformation, false, self.threadId_);
    if (self.threadHandle_ == nullptr) return true;
    sys::FileTime creation{}, exit{}, kernel{}, user{};
    if (!sys::GetThreadTimes(self.threadHandle_, &creation, &exit, &kernel, &user)) return true;
    return exit.dwLowDateTime != 0 || exit.dwHighDateTime != 0;
  }

  static void CloseThreadHandle(ThreadRecord& self) {
    if (self.threadHandle_ != nullptr) sys::CloseHandle(self.threadHandle_);
    self.threadHandle_ = nullptr;
  }

  static uint32_t GetThreadId(const ThreadRecord& self) { return self.threadId_; }
  static Text GetExtraInfo(const ThreadRecord& self) { return self.extraInfo_; }
  static Text GetCallStack(const ThreadRecord& self) { return self.callStack_; }
  static Text GetDescription(const ThreadRecord& self) { return self.description_; }

  static Text ComposeReport(const ThreadRecord& self) {
    Text report = self.description_;
    const GuardGlobals* g = Guard();
    if (g != nullptr && g->config.includeCallStack != 0 && !self.callStack_.empty()) {
      report += "CallStack:\r\n";
      report += self.callStack_;
    }
    if (!self.extraInfo_.empty()) {
      report += "\r\n附属信息：";
      report += self.extraInfo_;
    }
    return report;
  }

  static Text SetReport(ThreadRecord& self, const Text& description, const Text& callStack,
                        const Text& extraInfo) {
    // Copies first: the arguments may be this record's own texts.
    Text d = description, c = callStack, e = extraInfo;
    self.callStack_ = std::move(c);
    self.extraInfo_ = std::move(e);
    self.description_ = std::move(d);
    return ComposeReport(self);
  }

  static int32_t FindCatch(ThreadRecord& self, const CapturedFault& fault, ContextCopy& context) {
    if (self.blocks_.empty()) return 1;
    GuardedBlock& block = self.blocks_.back();
    const GuardGlobals* g = Guard();
    if (g == nullptr) return 1;
    const uint32_t tryBegin = g->apiRoutines[kApiTryBegin];
    int64_t site = 0;
    if (fault.ExceptionCode == kGuardFaultCode && fault.NumberParameters == 2) {
      block.catchValue = fault.ExceptionInformation[0];
      const uint32_t wanted = fault.ExceptionInformation[1];
      if (wanted == 1)
        site = FindCatchSite(LiveMemory(), block.resumeAddress, tryBegin,
                             g->apiRoutines[kApiCatchStatus], 1);
      else if (wanted == 2)
        site = FindCatchSite(LiveMemory(), block.resumeAddress, tryBegin,
                             g->apiRoutines[kApiCatchText], 1);
      block.catchKind = 1;
    } else {
      block.catchKind = 0;
    }
    if (site == 0)
      site = FindCatchSite(LiveMemory(), block.resumeAddress, tryBegin,
                           g->apiRoutines[kApiCatchAll], 1);
    if (static_cast<int32_t>(site) <= 0) return 1;
    context.Set(ContextCopy::kEipOffset, static_cast<uint32_t>(site));
    context.Set(ContextCopy::kEspOffset, block.stackPointer - 8);
    context.Set(ContextCopy::kEbpOffset, block.framePointer);
    context.Set(ContextCopy::kEaxOffset, block.catchValue);
    return 0;
  }

  static int32_t PopBlock(ThreadRecord& self) {
    if (self.blocks_.empty()) return 0;
    sys::SetChainHead(self.blocks_.back().savedChainHead);
    self.blocks_.pop_back();
    return 1;
  }

  static void PushBlock(ThreadRecord& self, uint32_t stackPointer, uint32_t framePointer,
                        uint32_t resumeAddress) {
    GuardedBlock block{};
    block.resumeAddress = resumeAddress;
    block.savedChainHead = static_cast<uint32_t>(sys::GetChainHead());
    block.stackPointer = stackPointer;
    block.framePointer = framePointer;
    self.blocks_.push_back(block);
  }

  static void SetLastFrame(ThreadRecord& self, uint32_t frame) { self.lastFrame_ = frame; }
  static uint32_t GetLastFrame(const ThreadRecord& self) { return self.lastFrame_; }
};

namespace {
constexpr ThreadRecordRoutines kRecordRoutines = {
    &ThreadRecordImpl::Destroy,        &ThreadRecordImpl::Copy,
    &ThreadRecordImpl::HasEnded,       &ThreadRecordImpl::Attach,
    &ThreadRecordImpl::CloseThreadHandle, &ThreadRecordImpl::GetThreadId,
    &ThreadRecordImpl::GetExtraInfo,   &ThreadRecordImpl::GetCallStack,
    &ThreadRecordImpl::GetDescription, &ThreadRecordImpl::ComposeReport,
    &ThreadRecordImpl::SetReport,      &ThreadRecordImpl::FindCatch,
    &ThreadRecordImpl::PopBlock,       &ThreadRecordImpl::PushBlock,
    &ThreadRecordImpl::SetLastFrame,   &ThreadRecordImpl::GetLastFrame,
};
}  // namespace

ThreadRecord::ThreadRecord() : routines_(&kRecordRoutines) {}

const ThreadRecordRoutines& ThreadRecord::Routines() { return kRecordRoutines; }

}  // namespace qv
