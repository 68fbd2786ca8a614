// The default-browser switch on a Linux desktop. The program writes the
// classes' verbs into the registry; for the classes a desktop knows
// (htmlfile = text/html, HTTP and https = the URL schemes) the same writes
// also install quorvi.desktop and make it, or stop it being, the user's
// default handler in mimeapps.list. Reading a class's command back answers
// from the desktop: the command counts only while the desktop's default for
// that type is still quorvi.desktop.
#pragma once

#include <string>

#include "platform/types.h"

namespace qv::gtk {

struct DesktopDirs {
  std::string applications;  // $XDG_DATA_HOME/applications
  std::string mimeappsList;  // $XDG_CONFIG_HOME/mimeapps.list
  static DesktopDirs ForUser();
};

inline constexpr char kDesktopFileName[] = "quorvi.desktop";

// The MIME type a registry class stands for, or "" for classes the desktop
// does not have (InternetShortcut, mhtmlfile).
std::string MimeTypeOfClass(const Text& className);

// "dir\file %1" (the program's command) as a desktop Exec line.
std::string ExecLineFromCommand(const Text& command);

// A write below HKEY_CLASSES_ROOT: "<class>\shell" default and
// "<class>\shell\e\command" default are acted on, the rest is ignored.
void OnClassesWrite(const DesktopDirs& dirs, const Text& key, const Text& value,
                    const Text& data);
// False when the read of "<class>\shell\e\command" should find nothing
// because the desktop no longer sends that type to this program.
bool ClassesReadAllowed(const DesktopDirs& dirs, const Text& key, const Text& value);

// The desktop's default handler for a MIME type ("" when none).
std::string DefaultHandler(const DesktopDirs& dirs, const std::string& mime);

// A desktop entry with this name and Exec line (the shortcut of the program).
bool WriteDesktopEntry(const std::string& path, const std::string& name,
                       const std::string& exec, const std::string& comment, bool handlerTypes);

}  // namespace qv::gtk
