#include "crashguard/guard_lock.h"

#include "platform/guard_system.h"

namespace qv {

struct GuardLockImpl {
  static void Destroy(GuardLock&) {}
  static GuardLock Copy(const GuardLock& self) {
    GuardLock copy;
    copy.cs_ = self.cs_;
    return copy;
  }
  static bool IsCreated(const GuardLock& self) { return self.cs_ != nullptr; }
  static void Release(GuardLock& self) {
    if (self.cs_ == nullptr) return;
    sys::DeleteCriticalSection(self.cs_);
    sys::GlobalFree(self.cs_);
    self.cs_ = nullptr;
  }
  static void Create(GuardLock& self) {
    Release(self);
    void* cs = sys::GlobalAlloc(sys::kGmemZeroInit, sys::kCriticalSectionSize);
    if (cs == nullptr) return;
    sys::InitializeCriticalSection(cs);
    self.cs_ = cs;
  }
  static void Enter(GuardLock& self) {
    if (self.cs_ != nullptr) sys::EnterCriticalSection(self.cs_);
  }
  static void Leave(GuardLock& self) {
    if (self.cs_ != nullptr) sys::LeaveCriticalSection(self.cs_);
  }
};

namespace {
constexpr GuardLockRoutines kLockRoutines = {
    &GuardLockImpl::Destroy, &GuardLockImpl::Copy,  &GuardLockImpl::IsCreated,
    &GuardLockImpl::Create,  &GuardLockImpl::Release, &GuardLockImpl::Enter,
    &GuardLockImpl::Leave,
};
}  // namespace

GuardLock::GuardLock() : routines_(&kLockRoutines) {}

const GuardLockRoutines& GuardLock::Routines() { return kLockRoutines; }

}  // namespace qv
