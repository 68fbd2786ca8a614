// What the guard knows about one thread: its id and a query handle, the
// texts of its last report, the frame of the last routine that registered
// its name, and its open guarded blocks. Operations go through a table
// whose first two entries are destroy and copy.
#pragma once

#include <cstdint>
#include <vector>

#include "crashguard/exception_description.h"
#include "platform/guard_system.h"
#include "platform/types.h"

namespace qv {

// The code of a fault raised by the guard's own users: two parameters, the
// catch value and the wanted catch (1 status, 2 text).
inline constexpr uint32_t kGuardFaultCode = 0x206D7361;

// One open guarded block.
struct GuardedBlock {
  uint32_t resumeAddress = 0;
  uint32_t savedChainHead = 0;
  uint32_t stackPointer = 0;
  uint32_t framePointer = 0;
  int32_t catchKind = 0;
  uint32_t catchValue = 0;
};

class ThreadRecord;

struct ThreadRecordRoutines {
  void (*destroy)(ThreadRecord& self);
  ThreadRecord (*copy)(const ThreadRecord& self);
  bool (*hasEnded)(ThreadRecord& self);
  sys::Handle (*attach)(ThreadRecord& self, uint32_t threadId);
  void (*closeThreadHandle)(ThreadRecord& self);
  uint32_t (*getThreadId)(const ThreadRecord& self);
  Text (*getExtraInfo)(const ThreadRecord& self);
  Text (*getCallStack)(const ThreadRecord& self);
  Text (*getDescription)(const ThreadRecord& self);
  Text (*composeReport)(const ThreadRecord& self);
  Text (*setReport)(ThreadRecord& self, const Text& description, const Text& callStack,
                    const Text& extraInfo);
  int32_t (*findCatch)(ThreadRecord& self, const CapturedFault& fault, ContextCopy& context);
  int32_t (*popBlock)(ThreadRecord& self);
  void (*pushBlock)(ThreadRecord& self, uint32_t stackPointer, uint32_t framePointer,
                    uint32_t resumeAddress);
  void (*setLastFrame)(ThreadRecord& self, uint32_t frame);
  uint32_t (*getLastFrame)(const ThreadRecord& self);
};

class ThreadRecord {
 public:
  ThreadRecord();

  void Destroy() { routines_->destroy(*this); }
  ThreadRecord Copy() const { return routines_->copy(*this); }
  // True when the thread cannot be opened, its times cannot be read, or it
  // has an exit time.
  bool HasEnded() { return routines_->hasEnded(*this); }
  sys::Handle Attach(uint32_t threadId) { return routines_->attach(*this, threadId); }
  void CloseThreadHandle() { routines_->closeThreadHandle(*this); }
  uint32_t GetThreadId() const { return routines_->getThreadId(*this); }
  Text GetExtraInfo() const { return routines_->getExtraInfo(*this); }
  Text GetCallStack() const { return routines_->getCallStack(*this); }
  Text GetDescription() const { return routines_->getDescription(*this); }
  // Description, then "CallStack:\r\n" and the call stack (when the guard
  // includes call stacks and there is one), then "\r\n附属信息：" and the
  // additional information when there is some.
  Text ComposeReport() const { return routines_->composeReport(*this); }
  Text SetReport(const Text& description, const Text& callStack, const Text& extraInfo) {
    return routines_->setReport(*this, description, callStack, extraInfo);
  }
  // 0: the context now resumes at the innermost block's catch site;
  // 1: not handled.
  int32_t FindCatch(const CapturedFault& fault, ContextCopy& context) {
    return routines_->findCatch(*this, fault, context);
  }
  // Closes the innermost block, putting back the chain head it saved.
  int32_t PopBlock() { return routines_->popBlock(*this); }
  void PushBlock(uint32_t stackPointer, uint32_t framePointer, uint32_t resumeAddress) {
    routines_->pushBlock(*this, stackPointer, framePointer, resumeAddress);
  }
  void SetLastFrame(uint32_t frame) { routines_->setLastFrame(*this, frame); }
  uint32_t GetLastFrame() const { return routines_->getLastFrame(*this); }

  sys::Handle ThreadHandle() const { return threadHandle_; }
  const std::vector<GuardedBlock>& Blocks() const { return blocks_; }

  static const ThreadRecordRoutines& Routines();

 private:
  friend struct ThreadRecordImpl;
  const ThreadRecordRoutines* routines_;
  uint32_t threadId_ = 0;
  sys::Handle threadHandle_ = nullptr;
  Text description_;
  Text extraInfo_;
  Text callStack_;
  uint32_t lastFrame_ = 0;
  std::vector<GuardedBlock> blocks_;
};

}  // namespace qv
