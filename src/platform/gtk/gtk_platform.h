// The Linux desktop backend: GTK 3 windows, WebKitGTK views, the registry
// as a file, profile files on disk, a per-user lock file and an X11 window
// property for instance marking, desktop entries for links.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/gtk/file_registry.h"
#include "platform/gtk/gtk_window.h"
#include "platform/system.h"

namespace qv::gtk {

// Profile files on disk with the system's profile rules; "\" in a path is
// taken as the directory separator.
class DiskProfiles : public ProfileFiles {
 public:
  Text GetString(const Text& file, const Text& section, const Text& key, const Text& fallback,
                 uint32_t bufferSize) override;
  bool WriteString(const Text& file, const Text& section, const Text& key,
                   const Text& value) override;
};

class GtkPlatform : public Platform {
 public:
  // argv as main() received it; initialises GTK (needs a display).
  GtkPlatform(int argc, char** argv);
  ~GtkPlatform() override;

  Window* CreateTopWindow(const WindowDesc& desc) override;
  void RunMessageLoop(Window& main) override;
  void PumpPendingMessages() override;

  int32_t ScreenWidth() override;
  int32_t ScreenHeight() override;
  bool FindTaskbar(int32_t& l, int32_t& t, int32_t& r, int32_t& b) override;
  Rect SystemWorkArea() override;

  void MessageBox(const Text& text, const Text& caption, MessageIcon icon) override;

  Registry& GetRegistry() override { return *registry_; }
  ProfileFiles& GetProfiles() override { return profiles_; }

  Text ExecutableDirectory() override;
  Text ExecutableFileName() override;
  Text CommandLine() override { return commandLine_; }
  void SetCommandLine(const Text& c) { commandLine_ = c; }

  MutexResult CreateNamedMutex(const Text& name) override;
  void CloseMutex(intptr_t handle) override;
  std::vector<ForeignWindow> TopLevelWindows() override;
  intptr_t ForeignProperty(ForeignWindow w, const Text& name) override;
  bool ForeignIsMinimized(ForeignWindow w) override;
  void ForeignRestore(ForeignWindow w) override;

  bool CreateShellLink(const Text& fileName, const Text& target, int32_t showCommand,
                       const Text& description) override;

  // For the backend and the tests.
  FileRegistry& Files() { return *registry_; }
  std::vector<GtkWindowImpl*> Windows() const;
  // Iterates the main loop until `done` or the time runs out; true if done.
  bool RunUntil(const std::function<bool()>& done, int timeoutMs);
  // Message boxes show nothing and return at once when set (tests).
  bool quietMessageBoxes = false;
  std::vector<std::pair<Text, Text>> shownMessages;
  // The directory where relative shell-link names go (default: cwd).
  std::string Cwd() const;

 private:
  std::unique_ptr<FileRegistry> registry_;
  DiskProfiles profiles_;
  Text commandLine_;
  std::vector<std::unique_ptr<GtkWindowImpl>> windows_;
  std::vector<int> lockFds_;
  GMainLoop* loop_ = nullptr;
};

}  // namespace qv::gtk
