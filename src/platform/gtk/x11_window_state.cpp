#include "platform/gtk/x11_window_state.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <gdk/gdkx.h>

namespace qv::gtk::x11 {
namespace {

constexpr long kNormalState = 1;
constexpr long kIconicState = 3;

Display* Dpy() {
  GdkDisplay* d = gdk_display_get_default();
  if (d == nullptr || !GDK_IS_X11_DISPLAY(d)) return nullptr;
  return GDK_DISPLAY_XDISPLAY(d);
}

// Reads up to `max` 32-bit items of a property; the items come as longs.
std::vector<unsigned long> Items(Display* dpy, Window w, Atom prop, Atom type, long max) {
  std::vector<unsigned long> out;
  Atom actual = None;
  int format = 0;
  unsigned long n = 0, after = 0;
  unsigned char* data = nullptr;
  gdk_x11_display_error_trap_push(gdk_display_get_default());
  int rc = XGetWindowProperty(dpy, w, prop, 0, max, False, type, &actual, &format, &n, &after,
                              &data);
  gdk_x11_display_error_trap_pop_ignored(gdk_display_get_default());
  if (rc == Success && data != nullptr && format == 32) {
    auto* longs = reinterpret_cast<unsigned long*>(data);
    out.assign(longs, longs + n);
  }
  if (data != nullptr) XFree(data);
  return out;
}

bool HasWindowManagerList(Display* dpy) {
  Atom list = XInternAtom(dpy, "_NET_CLIENT_LIST", True);
  return list != None && !Items(dpy, DefaultRootWindow(dpy), list, XA_WINDOW, 1).empty();
}

}  // namespace

unsigned long XidOf(GdkWindow* window) {
  return window != nullptr && GDK_IS_X11_WINDOW(window) ? GDK_WINDOW_XID(window) : 0;
}

bool NoWindowManager() {
  GdkScreen* s = gdk_screen_get_default();
  if (s == nullptr || !GDK_IS_X11_SCREEN(s)) return false;
  return !gdk_x11_screen_supports_net_wm_hint(s, gdk_atom_intern_static_string("_NET_WM_STATE"));
}

std::vector<unsigned long> TopLevelWindows() {
  std::vector<unsigned long> out;
  Display* dpy = Dpy();
  if (dpy == nullptr) return out;
  Atom list = XInternAtom(dpy, "_NET_CLIENT_LIST", True);
  if (list != None) out = Items(dpy, DefaultRootWindow(dpy), list, XA_WINDOW, 65536);
  if (!out.empty()) return out;
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int n = 0;
  gdk_x11_display_error_trap_push(gdk_display_get_default());
  if (XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &n) != 0 &&
      children != nullptr) {
    out.assign(children, children + n);
  }
  gdk_x11_display_error_trap_pop_ignored(gdk_display_get_default());
  if (children != nullptr) XFree(children);
  return out;
}

intptr_t CardinalProperty(unsigned long window, const std::string& name) {
  Display* dpy = Dpy();
  if (dpy == nullptr || window == 0) return 0;
  Atom prop = XInternAtom(dpy, name.c_str(), True);
  if (prop == None) return 0;
  auto v = Items(dpy, window, prop, XA_CARDINAL, 1);
  return v.empty() ? 0 : static_cast<intptr_t>(v[0]);
}

void SetCardinalProperty(unsigned long window, const std::string& name, intptr_t value) {
  Display* dpy = Dpy();
  if (dpy == nullptr || window == 0) return;
  Atom prop = XInternAtom(dpy, name.c_str(), False);
  long data = static_cast<long>(value);
  gdk_x11_display_error_trap_push(gdk_display_get_default());
  XChangeProperty(dpy, window, prop, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&data), 1);
  XFlush(dpy);
  gdk_x11_display_error_trap_pop_ignored(gdk_display_get_default());
}

bool IsIconic(unsigned long window) {
  Display* dpy = Dpy();
  if (dpy == nullptr || window == 0) return false;
  Atom wmState = XInternAtom(dpy, "WM_STATE", True);
  if (wmState != None) {
    auto v = Items(dpy, window, wmState, wmState, 2);
    if (!v.empty() && static_cast<long>(v[0]) == kIconicState) return true;
  }
  Atom net = XInternAtom(dpy, "_NET_WM_STATE", True);
  Atom hidden = XInternAtom(dpy, "_NET_WM_STATE_HIDDEN", True);
  if (net != None && hidden != None)
    for (unsigned long a : Items(dpy, window, net, XA_ATOM, 64))
      if (a == hidden) return true;
  return false;
}

void Restore(unsigned long window) {
  Display* dpy = Dpy();
  if (dpy == nullptr || window == 0) return;
  gdk_x11_display_error_trap_push(gdk_display_get_default());
  XMapWindow(dpy, window);
  if (!HasWindowManagerList(dpy)) {
    Atom wmState = XInternAtom(dpy, "WM_STATE", False);
    long data[2] = {kNormalState, None};
    XChangeProperty(dpy, window, wmState, wmState, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(data), 2);
  }
  XFlush(dpy);
  gdk_x11_display_error_trap_pop_ignored(gdk_display_get_default());
}

void MarkIconic(unsigned long window) {
  Display* dpy = Dpy();
  if (dpy == nullptr || window == 0) return;
  Atom wmState = XInternAtom(dpy, "WM_STATE", False);
  long data[2] = {kIconicState, None};
  gdk_x11_display_error_trap_push(gdk_display_get_default());
  XChangeProperty(dpy, window, wmState, wmState, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(data), 2);
  XUnmapWindow(dpy, window);
  XFlush(dpy);
  gdk_x11_display_error_trap_pop_ignored(gdk_display_get_default());
}

}  // namespace qv::gtk::x11
