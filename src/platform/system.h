// The system services the program logic uses: windows, the message loop,
// the screen, message boxes, the registry, profile files, instance marking
// and shell links. One object per process; each backend provides it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/types.h"
#include "platform/window.h"

namespace qv {

enum class RegistryRoot { ClassesRoot, CurrentUser };

// Registry primitives. Key paths use "\" between levels; names compare
// without regard to ASCII case, as the system's do. The path rule (value
// name after the last "\") is the program's, not the platform's.
class Registry {
 public:
  virtual ~Registry() = default;
  // False when the key or value cannot be read or is not a string.
  virtual bool ReadString(RegistryRoot root, const Text& key, const Text& value, Text& out) = 0;
  // Opens the key for writing or, failing that, creates it; stores REG_SZ.
  virtual bool WriteString(RegistryRoot root, const Text& key, const Text& value,
                           const Text& data) = 0;
  virtual bool DeleteValue(RegistryRoot root, const Text& key, const Text& value) = 0;
  // Only a key without subkeys can be deleted.
  virtual bool DeleteKey(RegistryRoot root, const Text& key) = 0;
};

// Private profile (ini) files with the system's rules.
class ProfileFiles {
 public:
  virtual ~ProfileFiles() = default;
  // Reads at most bufferSize - 1 bytes of the value; `fallback` when the
  // file, section or key is missing.
  virtual Text GetString(const Text& file, const Text& section, const Text& key,
                         const Text& fallback, uint32_t bufferSize) = 0;
  // False when the file cannot be written.
  virtual bool WriteString(const Text& file, const Text& section, const Text& key,
                           const Text& value) = 0;
};

// A top-level window of any process, for the instance walk.
using ForeignWindow = intptr_t;

struct MutexResult {
  intptr_t handle = 0;        // 0 when creation failed
  bool existedBefore = false;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // Windows and the message loop.
  virtual Window* CreateTopWindow(const WindowDesc& desc) = 0;
  // Runs until `main` is destroyed.
  virtual void RunMessageLoop(Window& main) = 0;
  // One pass over the pending messages; returns when the queue is empty.
  virtual void PumpPendingMessages() = 0;

  // Screen and taskbar.
  virtual int32_t ScreenWidth() = 0;
  virtual int32_t ScreenHeight() = 0;
  // The taskbar window (class "Shell_TrayWnd", empty title): its outer
  // rectangle as left, top, right, bottom. False when there is none.
  virtual bool FindTaskbar(int32_t& l, int32_t& t, int32_t& r, int32_t& b) = 0;
  // The system's own work area of the primary screen.
  virtual Rect SystemWorkArea() = 0;

  // Task-modal, no owner, OK button only.
  virtual void MessageBox(const Text& text, const Text& caption, MessageIcon icon) = 0;

  virtual Registry& GetRegistry() = 0;
  virtual ProfileFiles& GetProfiles() = 0;

  // The executable's directory (no trailing separator) and file name.
  virtual Text ExecutableDirectory() = 0;
  virtual Text ExecutableFileName() = 0;
  // The whole command line as the system gives it, program path included.
  virtual Text CommandLine() = 0;

  // Instance marking.
  virtual MutexResult CreateNamedMutex(const Text& name) = 0;
  virtual void CloseMutex(intptr_t handle) = 0;
  // Top-level windows in the system's order (the desktop's children).
  virtual std::vector<ForeignWindow> TopLevelWindows() = 0;
  virtual intptr_t ForeignProperty(ForeignWindow w, const Text& name) = 0;
  virtual bool ForeignIsMinimized(ForeignWindow w) = 0;
  // Show in the normal state without activating it by another call.
  virtual void ForeignRestore(ForeignWindow w) = 0;

  // Writes a shell link `fileName` (relative names go to the current
  // directory) to `target`. False when it could not be saved.
  virtual bool CreateShellLink(const Text& fileName, const Text& target, int32_t showCommand,
                               const Text& description) = 0;
};

}  // namespace qv
