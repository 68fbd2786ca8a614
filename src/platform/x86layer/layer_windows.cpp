// Message boxes are recorded (and echoed on the standard error stream);
// the desktop's windows are the ones a test placed.
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/x86layer/layer.h"

namespace qv::x86layer {
namespace {

struct FakeWindow {
  uint32_t threadId;
  std::string className;
};

std::mutex& Lock() {
  static auto* m = new std::mutex();
  return *m;
}
std::vector<RecordedMessageBox>& Boxes() {
  static auto* v = new std::vector<RecordedMessageBox>();
  return *v;
}
std::vector<FakeWindow*>& Windows() {
  static auto* v = new std::vector<FakeWindow*>();
  return *v;
}
int g_desktop;

int IndexOf(sys::Window w) {  // caller holds Lock()
  auto& v = Windows();
  for (size_t i = 0; i < v.size(); ++i)
    if (v[i] == w) return static_cast<int>(i);
  return -1;
}

}  // namespace

std::vector<RecordedMessageBox> RecordedMessageBoxes() {
  std::lock_guard<std::mutex> g(Lock());
  return Boxes();
}

void ClearRecordedMessageBoxes() {
  std::lock_guard<std::mutex> g(Lock());
  Boxes().clear();
}

sys::Window AddDesktopWindow(uint32_t threadId, const std::string& className) {
  std::lock_guard<std::mutex> g(Lock());
  Windows().push_back(new FakeWindow{threadId, className});
  return Windows().back();
}

void ClearDesktopWindows() {
  std::lock_guard<std::mutex> g(Lock());
  for (FakeWindow* w : Windows()) delete w;
  Windows().clear();
}

}  // namespace qv::x86layer

namespace qv::sys {

int32_t MessageBoxA(Window owner, const char* text, const char* caption, uint32_t type) {
  const char* t = text != nullptr ? text : "";
  const char* c = caption != nullptr ? caption : "";
  std::fprintf(stderr, "[MessageBoxA] %s|%s\n", c, t);
  std::fflush(stderr);
  std::lock_guard<std::mutex> g(x86layer::Lock());
  x86layer::Boxes().push_back({owner, t, c, type});
  return 1;  // IDOK
}

Window GetDesktopWindow() { return &x86layer::g_desktop; }

Window GetWindow(Window window, uint32_t command) {
  std::lock_guard<std::mutex> g(x86layer::Lock());
  auto& v = x86layer::Windows();
  if (command == kGwChild) return window == &x86layer::g_desktop && !v.empty() ? v.front() : nullptr;
  if (command != kGwHwndNext) return nullptr;
  int i = x86layer::IndexOf(window);
  if (i < 0 || static_cast<size_t>(i) + 1 >= v.size()) return nullptr;
  return v[static_cast<size_t>(i) + 1];
}

uint32_t GetWindowThreadProcessId(Window window, uint32_t* processId) {
  std::lock_guard<std::mutex> g(x86layer::Lock());
  int i = x86layer::IndexOf(window);
  if (i < 0) return 0;
  if (processId != nullptr) *processId = GetCurrentProcessId();
  return x86layer::Windows()[static_cast<size_t>(i)]->threadId;
}

int32_t GetClassNameA(Window window, char* buffer, int32_t bufferSize) {
  std::lock_guard<std::mutex> g(x86layer::Lock());
  int i = x86layer::IndexOf(window);
  if (i < 0 || buffer == nullptr || bufferSize <= 0) return 0;
  const std::string& name = x86layer::Windows()[static_cast<size_t>(i)]->className;
  size_t n = std::min(name.size(), static_cast<size_t>(bufferSize - 1));
  std::memcpy(buffer, name.data(), n);
  buffer[n] = 0;
  return static_cast<int32_t>(n);
}

}  // namespace qv::sys
