// Threads as the system shows them: small ids (multiples of four, the lowest
// free one of the running threads, so ids are reused), thread objects that
// outlive their thread while a handle refers to them, times with an exit
// time once the thread has ended, and ExitThread/ExitProcess.
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <mutex>
#include <new>
#include <set>

#include "platform/x86layer/layer.h"
#include "platform/x86layer/layer_internal.h"

namespace qv::x86layer {

struct ThreadObject {
  int refs = 0;  // open handles, plus one while the thread runs
  uint32_t id = 0;
  sys::FileTime creation{};
  sys::FileTime exit{};
  bool ended = false;
  uint32_t exitCode = 259;  // STILL_ACTIVE
  uintptr_t startAddress = 0;
};

namespace {

constexpr uint32_t kHandleMagic = 0x48414E44;  // "HAND"

enum class HandleKind { Thread, Snapshot };

struct HandleBox {
  uint32_t magic = kHandleMagic;
  HandleKind kind = HandleKind::Thread;
  ThreadObject* thread = nullptr;
};

std::mutex& Lock() {
  static std::mutex* m = new std::mutex();
  return *m;
}
std::condition_variable& Ended() {
  static std::condition_variable* c = new std::condition_variable();
  return *c;
}
// Running threads by id.
std::map<uint32_t, ThreadObject*>& Running() {
  static auto* m = new std::map<uint32_t, ThreadObject*>();
  return *m;
}
std::set<HandleBox*>& Handles() {
  static auto* s = new std::set<HandleBox*>();
  return *s;
}

thread_local LayerThread* t_thread = nullptr;
pthread_key_t g_exitKey;
std::once_flag g_keyOnce;

sys::FileTime Now() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  // 100-ns intervals since 1601-01-01.
  uint64_t v = (static_cast<uint64_t>(ts.tv_sec) + 11644473600ULL) * 10000000ULL +
               static_cast<uint64_t>(ts.tv_nsec) / 100;
  return {static_cast<uint32_t>(v), static_cast<uint32_t>(v >> 32)};
}

void Unref(ThreadObject* o) {  // caller holds Lock()
  if (--o->refs == 0) delete o;
}

uint32_t FreeId() {  // caller holds Lock()
  uint32_t id = 4;
  for (const auto& [used, obj] : Running()) {
    (void)obj;
    if (used != id) break;
    id += 4;
  }
  return id;
}

ThreadObject* NewRunningObject(uintptr_t startAddress) {  // caller holds Lock()
  auto* o = new ThreadObject();
  o->refs = 1;
  o->id = FreeId();
  o->creation = Now();
  o->startAddress = startAddress;
  Running()[o->id] = o;
  return o;
}

void MarkEnded(LayerThread& t, uint32_t exitCode) {
  std::lock_guard<std::mutex> g(Lock());
  ThreadObject* o = t.object;
  o->ended = true;
  o->exitCode = exitCode;
  o->exit = Now();
  if (o->exit.dwLowDateTime == 0 && o->exit.dwHighDateTime == 0) o->exit.dwLowDateTime = 1;
  Running().erase(o->id);
  Unref(o);
  Ended().notify_all();
}

void Detach(LayerThread* t, uint32_t exitCode) {
  TearDownMachineThread(*t);
  MarkEnded(*t, exitCode);
  t_thread = nullptr;
  delete t;
}

// Threads attached on their own (not started by the layer) end here.
void OnForeignThreadExit(void* p) {
  auto* t = static_cast<LayerThread*>(p);
  if (t != nullptr && t == t_thread) Detach(t, 0);
}

LayerThread* Attach(ThreadObject* object, bool startedByLayer) {
  std::call_once(g_keyOnce, [] { pthread_key_create(&g_exitKey, &OnForeignThreadExit); });
  auto* t = new LayerThread();
  if (object == nullptr) {
    std::lock_guard<std::mutex> g(Lock());
    object = NewRunningObject(0);
  }
  t->object = object;
  t->id = object->id;
  t->startedByLayer = startedByLayer;
  pthread_attr_t attr;
  if (pthread_getattr_np(pthread_self(), &attr) == 0) {
    void* low = nullptr;
    size_t size = 0;
    if (pthread_attr_getstack(&attr, &low, &size) == 0) {
      t->stackLow = reinterpret_cast<uintptr_t>(low);
      t->stackHigh = t->stackLow + size;
    }
    pthread_attr_destroy(&attr);
  }
  t_thread = t;
  SetUpMachineThread(*t);
  if (!startedByLayer) pthread_setspecific(g_exitKey, t);
  return t;
}

struct StartPack {
  ThreadObject* object;
  sys::ThreadRoutine start;
  void* parameter;
};

void* ThreadShim(void* p) {
  StartPack pack = *static_cast<StartPack*>(p);
  delete static_cast<StartPack*>(p);
  LayerThread* t = Attach(pack.object, true);
  volatile uint32_t code = 0;
  if (sigsetjmp(t->exitJump, 1) == 0) {
    code = pack.start(pack.parameter);
  } else {
    t = t_thread;
    code = t->exitCode;
  }
  Detach(t, code);
  return nullptr;
}

HandleBox* NewHandle(ThreadObject* o) {  // caller holds Lock()
  auto* h = new HandleBox();
  h->thread = o;
  ++o->refs;
  Handles().insert(h);
  return h;
}

// The thread object behind a handle, or null. Caller holds Lock().
ThreadObject* ThreadOf(sys::Handle handle) {
  if (handle == sys::kCurrentThreadPseudo) return t_thread != nullptr ? t_thread->object : nullptr;
  auto* box = static_cast<HandleBox*>(handle);
  if (Handles().count(box) == 0 || box->kind != HandleKind::Thread) return nullptr;
  return box->thread;
}

__attribute__((constructor(101))) void AttachMainThread() {
  if (t_thread == nullptr) {
    LayerThread* t = Attach(nullptr, false);
    std::lock_guard<std::mutex> g(Lock());
    t->object->startAddress = MainThreadStartAddress();
  }
  InstallDispatcher();
}

}  // namespace

LayerThread* CurrentLayerThread() { return t_thread; }

void AttachCurrentThread() {
  if (t_thread == nullptr) Attach(nullptr, false);
}

sys::Handle CreateRemoteThreadImpl(sys::Handle process, void*, size_t, sys::ThreadRoutine start,
                                   void* parameter, uint32_t, uint32_t* threadId) {
  // Only the own process, by its pseudo-handle, can be given threads here.
  if (process != sys::kCurrentProcessPseudo || start == nullptr) return nullptr;
  ThreadObject* o;
  HandleBox* h;
  {
    std::lock_guard<std::mutex> g(Lock());
    o = NewRunningObject(reinterpret_cast<uintptr_t>(start));
    h = NewHandle(o);
  }
  auto* pack = new StartPack{o, start, parameter};
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  pthread_t th;
  int rc = pthread_create(&th, &attr, &ThreadShim, pack);
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    delete pack;
    std::lock_guard<std::mutex> g(Lock());
    Running().erase(o->id);
    Handles().erase(h);
    delete h;
    o->refs = 0;
    delete o;
    return nullptr;
  }
  if (threadId != nullptr) *threadId = o->id;
  return h;
}

int32_t QueryThreadStartAddress(sys::Handle thread, uintptr_t* start) {
  std::lock_guard<std::mutex> g(Lock());
  ThreadObject* o = ThreadOf(thread);
  if (o == nullptr) return static_cast<int32_t>(0xC0000008);  // STATUS_INVALID_HANDLE
  *start = o->startAddress;
  return 0;
}

}  // namespace qv::x86layer

namespace qv::sys {

using x86layer::CurrentLayerThread;

uint32_t GetCurrentThreadId() {
  x86layer::LayerThread* t = CurrentLayerThread();
  if (t == nullptr) {
    x86layer::AttachCurrentThread();
    t = CurrentLayerThread();
  }
  return t->id;
}

uint32_t GetCurrentProcessId() { return static_cast<uint32_t>(getpid()); }
Handle GetCurrentThread() { return kCurrentThreadPseudo; }
Handle GetCurrentProcess() { return kCurrentProcessPseudo; }

Handle OpenThread(uint32_t, bool, uint32_t threadId) {
  std::lock_guard<std::mutex> g(x86layer::Lock());
  auto it = x86layer::Running().find(threadId);
  if (it == x86layer::Running().end()) return nullptr;
  return x86layer::NewHandle(it->second);
}

bool CloseHandle(Handle handle) {
  if (x86layer::CloseSnapshotHandle(handle)) return true;
  std::lock_guard<std::mutex> g(x86layer::Lock());
  auto* box = static_cast<x86layer::HandleBox*>(handle);
  if (x86layer::Handles().erase(box) == 0) return false;
  if (box->thread != nullptr) x86layer::Unref(box->thread);
  delete box;
  return true;
}

bool GetThreadTimes(Handle thread, FileTime* creation, FileTime* exit, FileTime* kernel,
                    FileTime* user) {
  std::lock_guard<std::mutex> g(x86layer::Lock());
  x86layer::ThreadObject* o = x86layer::ThreadOf(thread);
  if (o == nullptr || creation == nullptr || exit == nullptr || kernel == nullptr ||
      user == nullptr)
    return false;
  *creation = o->creation;
  *exit = o->ended ? o->exit : FileTime{0, 0};
  *kernel = FileTime{0, 0};
  *user = FileTime{0, 0};
  return true;
}

Handle CreateThread(void* attributes, size_t stackSize, ThreadRoutine start, void* parameter,
                    uint32_t creationFlags, uint32_t* threadId) {
  // Through the exported routine, so that a patch on it sees the request.
  using Fn = Handle(QV_STDCALL*)(Handle, void*, size_t, ThreadRoutine, void*, uint32_t,
                                 uint32_t*);
  auto fn = reinterpret_cast<Fn>(GetProcAddress(GetModuleHandleA("kernel32"), "CreateRemoteThread"));
  if (fn == nullptr) return nullptr;
  return fn(GetCurrentProcess(), attributes, stackSize, start, parameter, creationFlags, threadId);
}

uint32_t WaitForSingleObject(Handle handle, uint32_t milliseconds) {
  std::unique_lock<std::mutex> g(x86layer::Lock());
  x86layer::ThreadObject* o = x86layer::ThreadOf(handle);
  if (o == nullptr) return 0xFFFFFFFF;  // WAIT_FAILED
  auto done = [o] { return o->ended; };
  if (milliseconds == kInfinite) {
    x86layer::Ended().wait(g, done);
    return kWaitObject0;
  }
  return x86layer::Ended().wait_for(g, std::chrono::milliseconds(milliseconds), done)
             ? kWaitObject0
             : kWaitTimeout;
}

bool GetExitCodeThread(Handle thread, uint32_t* exitCode) {
  std::lock_guard<std::mutex> g(x86layer::Lock());
  x86layer::ThreadObject* o = x86layer::ThreadOf(thread);
  if (o == nullptr || exitCode == nullptr) return false;
  *exitCode = o->exitCode;
  return true;
}

void ExitProcess(uint32_t exitCode) {
  std::fflush(nullptr);
  _exit(static_cast<int>(exitCode));
}

void ExitThread(uint32_t exitCode) {
  x86layer::LayerThread* t = CurrentLayerThread();
  if (t != nullptr && t->startedByLayer) {
    t->exitCode = exitCode;
    siglongjmp(t->exitJump, 1);
  }
  if (t != nullptr) x86layer::Detach(t, exitCode);
  pthread_exit(nullptr);
}

}  // namespace qv::sys
