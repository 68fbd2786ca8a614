// Top-level windows and timers as the program logic sees them.
#pragma once

#include <functional>
#include <memory>

#include "platform/control.h"
#include "platform/types.h"

namespace qv {

class Window;

class Timer {
 public:
  virtual ~Timer() = default;
  // A period of 0 stops the timer; any other value (re)starts it.
  virtual void SetPeriod(int32_t ms) = 0;
  virtual int32_t Period() const = 0;
  std::function<void(Timer&)> tick;
};

// What a control is created with: the form's design values.
struct ControlDesc {
  ControlKind kind = ControlKind::Label;
  Text name;
  Rect rect;
  Text text;
  bool visible = true;
  bool enabled = true;
  bool editable = false;  // combo boxes: an edit field the user types into
};

// What a copy of `tmpl` is created with: its kind, name, place, size, text
// and state.
inline ControlDesc CopyDescOf(const Control& tmpl) {
  ControlDesc desc;
  desc.kind = tmpl.Kind();
  desc.name = tmpl.Name();
  desc.rect = tmpl.GetRect();
  desc.text = tmpl.GetText();
  desc.visible = tmpl.IsVisible();
  desc.enabled = tmpl.IsEnabled();
  return desc;
}

// Binds `copy` to the template's handlers (and its text colour), so every
// copy shares one handler per event.
inline void CopyBindings(const Control& tmpl, Control& copy) {
  copy.handlers = tmpl.handlers;
  copy.SetTextColor(tmpl.GetTextColor());
  auto* from = dynamic_cast<const BrowserView*>(&tmpl);
  auto* to = dynamic_cast<BrowserView*>(&copy);
  if (from != nullptr && to != nullptr) to->browserHandlers = from->browserHandlers;
}

struct WindowHandlers {
  std::function<void(Window&)> sizeChanged;
  std::function<void(Window&)> moved;
  std::function<void(Window&)> activated;   // every activation; the logic tracks the first
  std::function<void(Window&)> destroying;  // before the window goes
  std::function<void(Window&)> closed;      // after it has gone
};

enum class WindowStyle {
  Frameless,     // main window: no system caption or border, in the taskbar
  Tool,          // status strip: no caption, border or taskbar button
  FixedDialog,   // configuration window: caption with a close box, fixed frame
};

struct WindowDesc {
  WindowStyle style = WindowStyle::Frameless;
  Text className;
  Text caption;
  int32_t width = 0;   // outer size
  int32_t height = 0;
  bool centred = true;
  Color background{236, 236, 236};
  Window* owner = nullptr;
  bool dragByAnyPoint = false;
};

class Window {
 public:
  virtual ~Window() = default;

  // Outer rectangle in screen coordinates. Each setter raises sizeChanged or
  // moved as the system would, synchronously.
  virtual Rect GetRect() const = 0;
  virtual void SetLeft(int32_t v) = 0;
  virtual void SetTop(int32_t v) = 0;
  virtual void SetWidth(int32_t v) = 0;
  virtual void SetHeight(int32_t v) = 0;
  virtual int32_t ClientWidth() const = 0;
  virtual int32_t ClientHeight() const = 0;

  virtual Text GetCaption() const = 0;
  virtual void SetCaption(const Text& caption) = 0;

  virtual void Show(ShowCommand cmd) = 0;
  virtual bool IsVisible() const = 0;
  virtual bool IsMinimized() const = 0;
  virtual void Redraw() = 0;
  virtual void Destroy() = 0;
  virtual bool IsDestroyed() const = 0;

  // Round-rectangle window region from (0,0) to (w,h), corner ellipse ew x eh.
  virtual void SetRoundedRegion(int32_t w, int32_t h, int32_t ew, int32_t eh) = 0;

  // Replace the window style by the plain child style alone.
  virtual void SetChildStyleOnly() = 0;
  // Layered window with a constant opacity (0..255).
  virtual void SetLayeredAlpha(int32_t alpha) = 0;

  // Window properties and the class name (instance marking).
  virtual void SetProperty(const Text& name, intptr_t value) = 0;
  virtual intptr_t GetProperty(const Text& name) const = 0;
  virtual void SetClassName(const Text& name) = 0;

  // A press on a sizing edge or caption (hit-test code, as WM_NCLBUTTONDOWN):
  // returns when the system's move or size loop ends.
  virtual void BeginSystemDrag(int32_t hitTestCode) = 0;
  virtual void SetCursor(CursorShape shape) = 0;

  // Children. The window owns every control and timer it creates.
  virtual Control* CreateControl(const ControlDesc& desc) = 0;
  // A new control of the template's kind, place, size, images and handlers.
  virtual Control* CopyControl(Control& tmpl) = 0;
  virtual void DestroyControl(Control* c) = 0;
  virtual Timer* CreateTimer() = 0;

  // One standard tool tip per control, shared tip window.
  virtual void AddToolTip(Control& c, const Text& tip) = 0;
  virtual Text GetToolTip(Control& c) const = 0;

  WindowHandlers handlers;
};

}  // namespace qv
