// The Win32 platform: windows and the message loop, the screen, message
// boxes, registry, profile files, instance marking and shell links.
#pragma once

#include <windows.h>
// The platform has its own MessageBox; the system's is called by its W name.
#undef MessageBox

#include <memory>
#include <vector>

#include "platform/system.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/profiles_win32.h"

namespace qv::win32 {

class Win32Window;

class Win32Platform : public Platform {
 public:
  Win32Platform();
  ~Win32Platform() override;

  Window* CreateTopWindow(const WindowDesc& desc) override;
  void RunMessageLoop(Window& main) override;
  void PumpPendingMessages() override;

  int32_t ScreenWidth() override;
  int32_t ScreenHeight() override;
  bool FindTaskbar(int32_t& l, int32_t& t, int32_t& r, int32_t& b) override;
  Rect SystemWorkArea() override;

  void MessageBox(const Text& text, const Text& caption, MessageIcon icon) override;

  Registry& GetRegistry() override { return registry_; }
  ProfileFiles& GetProfiles() override { return profiles_; }

  Text ExecutableDirectory() override;
  Text ExecutableFileName() override;
  Text CommandLine() override;

  MutexResult CreateNamedMutex(const Text& name) override;
  void CloseMutex(intptr_t handle) override;
  std::vector<ForeignWindow> TopLevelWindows() override;
  intptr_t ForeignProperty(ForeignWindow w, const Text& name) override;
  bool ForeignIsMinimized(ForeignWindow w) override;
  void ForeignRestore(ForeignWindow w) override;

  bool CreateShellLink(const Text& fileName, const Text& target, int32_t showCommand,
                       const Text& description) override;

 private:
  bool DispatchOne(void* msg);
  RegistryWin32 registry_;
  ProfilesWin32 profiles_;
  std::vector<std::unique_ptr<Win32Window>> windows_;
};

}  // namespace qv::win32
