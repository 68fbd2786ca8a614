// The headless backend: in-memory windows, a scripted browser view, an
// in-memory registry and profile store with the system's rules. Tests drive
// it and read back everything the program did.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/headless/headless_window.h"
#include "platform/headless/memory_profiles.h"
#include "platform/headless/memory_registry.h"
#include "platform/system.h"

namespace qv::headless {

struct MessageBoxRecord {
  Text text;
  Text caption;
  MessageIcon icon;
};

struct ShellLinkRecord {
  Text fileName;  // as given
  Text path;      // where it was written (current directory applied)
  Text target;
  int32_t showCommand;
  Text description;
};

// What several headless "processes" share: named mutexes and the list of
// top-level windows, so instance marking can be tested within one test.
struct HeadlessWorld {
  std::vector<std::pair<Text, int>> mutexes;  // name, open handle count
  std::vector<HeadlessWindow*> topLevel;
  static HeadlessWorld& Get();
};

class HeadlessPlatform : public Platform {
 public:
  HeadlessPlatform();
  ~HeadlessPlatform() override;

  Window* CreateTopWindow(const WindowDesc& desc) override;
  void RunMessageLoop(Window& main) override;
  void PumpPendingMessages() override;

  int32_t ScreenWidth() override { return screenWidth; }
  int32_t ScreenHeight() override { return screenHeight; }
  bool FindTaskbar(int32_t& l, int32_t& t, int32_t& r, int32_t& b) override;
  Rect SystemWorkArea() override { return systemWorkArea; }

  void MessageBox(const Text& text, const Text& caption, MessageIcon icon) override;

  Registry& GetRegistry() override { return registry; }
  ProfileFiles& GetProfiles() override { return profiles; }

  Text ExecutableDirectory() override { return exeDirectory; }
  Text ExecutableFileName() override { return exeFileName; }
  Text CommandLine() override { return commandLine; }

  MutexResult CreateNamedMutex(const Text& name) override;
  void CloseMutex(intptr_t handle) override;
  std::vector<ForeignWindow> TopLevelWindows() override;
  intptr_t ForeignProperty(ForeignWindow w, const Text& name) override;
  bool ForeignIsMinimized(ForeignWindow w) override;
  void ForeignRestore(ForeignWindow w) override;

  bool CreateShellLink(const Text& fileName, const Text& target, int32_t showCommand,
                       const Text& description) override;

  // Test controls.
  int32_t screenWidth = 1024;
  int32_t screenHeight = 768;
  bool hasTaskbar = true;
  int32_t taskbarL = 0, taskbarT = 738, taskbarR = 1024, taskbarB = 768;
  Rect systemWorkArea{0, 0, 1024, 738};
  Text exeDirectory = "C:\\Quorvi";
  Text exeFileName = "quorvi.exe";
  Text commandLine = "\"C:\\Quorvi\\quorvi.exe\"";
  Text currentDirectory = "C:\\Work";
  bool shellLinksFail = false;

  // Runs inside every Navigate of every view, after the address is taken.
  std::function<void(HeadlessBrowserView&, const Text& url)> navigateScript;
  // Runs once inside RunMessageLoop, before it returns.
  std::function<void()> loopScript;
  // Runs inside each PumpPendingMessages pass.
  std::function<void()> pumpScript;

  MemoryRegistry registry;
  MemoryProfiles profiles;
  std::vector<MessageBoxRecord> messageBoxes;
  std::vector<ShellLinkRecord> shellLinks;
  std::vector<HeadlessWindow*> Windows() const;
  // A log of the calls that matter for ordering checks ("window:<caption>",
  // "tip:<name>", "navigate:<url>", "link:<file>", "mutex:<name>" ...);
  // registry and profile access is logged by their stores.
  std::vector<std::string> log;
  int pumpPasses = 0;
  int nextAppObjectId = 1;

 private:
  std::vector<std::unique_ptr<HeadlessWindow>> windows_;
  std::vector<intptr_t> openMutexes_;
};

}  // namespace qv::headless
