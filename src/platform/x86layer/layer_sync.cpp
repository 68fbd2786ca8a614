// CRITICAL_SECTION: re-entrant, kept behind the first word of the caller's
// 24-byte block (the block is too small for a mutex on every host).
#include <pthread.h>

#include <cstring>

#include "platform/guard_system.h"

namespace qv::sys {
namespace {

pthread_mutex_t* MutexOf(void* section) {
  pthread_mutex_t* m = nullptr;
  std::memcpy(&m, section, sizeof m);
  return m;
}

}  // namespace

void InitializeCriticalSection(void* section) {
  if (section == nullptr) return;
  auto* m = new pthread_mutex_t;
  pthread_mutexattr_t attr;
  pthread_mutexattr_init(&attr);
  pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(m, &attr);
  pthread_mutexattr_destroy(&attr);
  std::memset(section, 0, kCriticalSectionSize);
  std::memcpy(section, &m, sizeof m);
}

void DeleteCriticalSection(void* section) {
  if (section == nullptr) return;
  pthread_mutex_t* m = MutexOf(section);
  if (m == nullptr) return;
  pthread_mutex_destroy(m);
  delete m;
  std::memset(section, 0, kCriticalSectionSize);
}

void EnterCriticalSection(void* section) {
  if (section == nullptr) return;
  if (pthread_mutex_t* m = MutexOf(section)) pthread_mutex_lock(m);
}

void LeaveCriticalSection(void* section) {
  if (section == nullptr) return;
  if (pthread_mutex_t* m = MutexOf(section)) pthread_mutex_unlock(m);
}

}  // namespace qv::sys
