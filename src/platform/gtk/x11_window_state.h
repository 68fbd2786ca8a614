// The few X11 window facts the instance walk needs, read and written
// directly so they work on windows of other processes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

typedef struct _GdkWindow GdkWindow;

namespace qv::gtk::x11 {

// The X window id of a GDK window (0 for none or another window system).
unsigned long XidOf(GdkWindow* window);
// True when no window manager keeps the window states.
bool NoWindowManager();

// Client windows in the window manager's list (_NET_CLIENT_LIST), or the
// root window's children when no window manager keeps one.
std::vector<unsigned long> TopLevelWindows();
// A CARDINAL property of 32 bits; 0 when missing.
intptr_t CardinalProperty(unsigned long window, const std::string& name);
void SetCardinalProperty(unsigned long window, const std::string& name, intptr_t value);
// Iconic by ICCCM WM_STATE or hidden by _NET_WM_STATE.
bool IsIconic(unsigned long window);
// Normal state: mapped (an iconic window becomes normal when mapped) and,
// with no window manager to do it, WM_STATE written as normal.
void Restore(unsigned long window);
// Iconic state kept by ourselves when no window manager runs.
void MarkIconic(unsigned long window);

}  // namespace qv::gtk::x11
