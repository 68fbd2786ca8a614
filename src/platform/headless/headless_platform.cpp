#include "platform/headless/headless_platform.h"

#include <algorithm>

namespace qv::headless {

HeadlessWorld& HeadlessWorld::Get() {
  static HeadlessWorld world;
  return world;
}

HeadlessPlatform::HeadlessPlatform() {
  registry.echo = &log;
  profiles.echo = &log;
}

HeadlessPlatform::~HeadlessPlatform() {
  // A process that ends releases its handles and its windows.
  auto& world = HeadlessWorld::Get();
  for (intptr_t h : openMutexes_) CloseMutex(h);
  for (auto& w : windows_) {
    world.topLevel.erase(std::remove(world.topLevel.begin(), world.topLevel.end(), w.get()),
                         world.topLevel.end());
  }
}

Window* HeadlessPlatform::CreateTopWindow(const WindowDesc& desc) {
  Rect r{0, 0, desc.width, desc.height};
  if (desc.centred) {
    r.left = (screenWidth - desc.width) / 2;
    r.top = (screenHeight - desc.height) / 2;
  }
  windows_.push_back(std::make_unique<HeadlessWindow>(this, desc, r));
  HeadlessWorld::Get().topLevel.push_back(windows_.back().get());
  log.push_back("window:" + desc.caption);
  return windows_.back().get();
}

std::vector<HeadlessWindow*> HeadlessPlatform::Windows() const {
  std::vector<HeadlessWindow*> out;
  for (const auto& w : windows_) out.push_back(w.get());
  return out;
}

void HeadlessPlatform::RunMessageLoop(Window& main) {
  log.push_back("loop");
  if (loopScript && !main.IsDestroyed()) loopScript();
}

void HeadlessPlatform::PumpPendingMessages() {
  ++pumpPasses;
  if (pumpScript) pumpScript();
}

bool HeadlessPlatform::FindTaskbar(int32_t& l, int32_t& t, int32_t& r, int32_t& b) {
  if (!hasTaskbar) return false;
  l = taskbarL;
  t = taskbarT;
  r = taskbarR;
  b = taskbarB;
  return true;
}

void HeadlessPlatform::MessageBox(const Text& text, const Text& caption, MessageIcon icon) {
  log.push_back("messagebox:" + caption);
  messageBoxes.push_back({text, caption, icon});
}

MutexResult HeadlessPlatform::CreateNamedMutex(const Text& name) {
  log.push_back("mutex:" + name);
  auto& world = HeadlessWorld::Get();
  MutexResult result;
  for (size_t i = 0; i < world.mutexes.size(); ++i) {
    if (world.mutexes[i].first == name && world.mutexes[i].second > 0) {
      ++world.mutexes[i].second;
      result.existedBefore = true;
      result.handle = static_cast<intptr_t>(i + 1);
      openMutexes_.push_back(result.handle);
      return result;
    }
  }
  world.mutexes.emplace_back(name, 1);
  result.handle = static_cast<intptr_t>(world.mutexes.size());
  openMutexes_.push_back(result.handle);
  return result;
}

void HeadlessPlatform::CloseMutex(intptr_t handle) {
  auto& world = HeadlessWorld::Get();
  auto it = std::find(openMutexes_.begin(), openMutexes_.end(), handle);
  if (it == openMutexes_.end()) return;
  openMutexes_.erase(it);
  size_t i = static_cast<size_t>(handle - 1);
  if (i < world.mutexes.size() && world.mutexes[i].second > 0) --world.mutexes[i].second;
}

std::vector<ForeignWindow> HeadlessPlatform::TopLevelWindows() {
  std::vector<ForeignWindow> out;
  for (HeadlessWindow* w : HeadlessWorld::Get().topLevel)
    out.push_back(reinterpret_cast<ForeignWindow>(w));
  return out;
}

namespace {
HeadlessWindow* Live(ForeignWindow w) {
  for (HeadlessWindow* t : HeadlessWorld::Get().topLevel)
    if (reinterpret_cast<ForeignWindow>(t) == w) return t;
  return nullptr;
}
}  // namespace

intptr_t HeadlessPlatform::ForeignProperty(ForeignWindow w, const Text& name) {
  HeadlessWindow* t = Live(w);
  return t != nullptr ? t->GetProperty(name) : 0;
}

bool HeadlessPlatform::ForeignIsMinimized(ForeignWindow w) {
  HeadlessWindow* t = Live(w);
  return t != nullptr && t->IsMinimized();
}

void HeadlessPlatform::ForeignRestore(ForeignWindow w) {
  if (HeadlessWindow* t = Live(w)) t->Show(ShowCommand::Normal);
}

bool HeadlessPlatform::CreateShellLink(const Text& fileName, const Text& target,
                                       int32_t showCommand, const Text& description) {
  log.push_back("link:" + fileName);
  if (shellLinksFail) return false;
  bool relative = fileName.find('\\') == Text::npos && fileName.find(':') == Text::npos;
  Text path = relative ? currentDirectory + "\\" + fileName : fileName;
  shellLinks.push_back({fileName, path, target, showCommand, description});
  return true;
}

}  // namespace qv::headless
