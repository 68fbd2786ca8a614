// One CRITICAL_SECTION behind a pointer; every operation is a no-op until
// Create. Operations go through a table whose first two entries are destroy
// and copy.
#pragma once

namespace qv {

class GuardLock;

struct GuardLockRoutines {
  void (*destroy)(GuardLock& self);
  GuardLock (*copy)(const GuardLock& self);
  bool (*isCreated)(const GuardLock& self);
  void (*create)(GuardLock& self);
  void (*release)(GuardLock& self);
  void (*enter)(GuardLock& self);
  void (*leave)(GuardLock& self);
};

class GuardLock {
 public:
  GuardLock();

  // Leaves the critical section alone: copies may share it.
  void Destroy() { routines_->destroy(*this); }
  // A new lock sharing this one's critical section.
  GuardLock Copy() const { return routines_->copy(*this); }
  bool IsCreated() const { return routines_->isCreated(*this); }
  // Releases any current section first, then makes a new one.
  void Create() { routines_->create(*this); }
  void Release() { routines_->release(*this); }
  void Enter() { routines_->enter(*this); }
  void Leave() { routines_->leave(*this); }

  void* Section() const { return cs_; }
  static const GuardLockRoutines& Routines();

 private:
  friend struct GuardLockImpl;
  const GuardLockRoutines* routines_;
  void* cs_ = nullptr;
};

// Holds a lock for a scope.
class GuardLockHold {
 public:
  explicit GuardLockHold(GuardLock& lock) : lock_(lock) { lock_.Enter(); }
  ~GuardLockHold() { lock_.Leave(); }
  GuardLockHold(const GuardLockHold&) = delete;
  GuardLockHold& operator=(const GuardLockHold&) = delete;

 private:
  GuardLock& lock_;
};

}  // namespace qv
