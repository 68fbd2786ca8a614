// Top-level windows over GtkWindow. Children sit in a GtkLayout at exact
// pixel places (the layout arithmetic of the program applies unchanged).
// The outer rectangle is kept here and every setter raises its event at
// once; what the window system does later (a user's drag) is reported from
// its configure events.
#pragma once

#include <gtk/gtk.h>

#include <map>
#include <memory>
#include <vector>

#include "platform/common/control_list.h"
#include "platform/window.h"

namespace qv::gtk {

class GtkPlatform;
class PanelControl;

class GtkTimer : public Timer {
 public:
  ~GtkTimer() override;
  void SetPeriod(int32_t ms) override;
  int32_t Period() const override { return period_; }

 private:
  static gboolean Fire(gpointer self);
  int32_t period_ = 0;
  guint source_ = 0;
};

class GtkWindowImpl : public Window {
 public:
  GtkWindowImpl(GtkPlatform* platform, const WindowDesc& desc, Rect outer);
  ~GtkWindowImpl() override;

  Rect GetRect() const override { return rect_; }
  void SetLeft(int32_t v) override;
  void SetTop(int32_t v) override;
  void SetWidth(int32_t v) override;
  void SetHeight(int32_t v) override;
  int32_t ClientWidth() const override;
  int32_t ClientHeight() const override;

  Text GetCaption() const override { return caption_; }
  void SetCaption(const Text& c) override;

  void Show(ShowCommand cmd) override;
  bool IsVisible() const override;
  bool IsMinimized() const override;
  void Redraw() override;
  void Destroy() override;
  bool IsDestroyed() const override { return destroyed_; }

  void SetRoundedRegion(int32_t w, int32_t h, int32_t ew, int32_t eh) override;
  void SetChildStyleOnly() override;
  void SetLayeredAlpha(int32_t alpha) override;

  void SetProperty(const Text& name, intptr_t value) override;
  intptr_t GetProperty(const Text& name) const override;
  void SetClassName(const Text& name) override;

  void BeginSystemDrag(int32_t hitTestCode) override;
  void SetCursor(CursorShape shape) override;

  Control* CreateControl(const ControlDesc& desc) override;
  Control* CopyControl(Control& tmpl) override;
  void DestroyControl(Control* c) override;
  Timer* CreateTimer() override;

  void AddToolTip(Control& c, const Text& tip) override;
  Text GetToolTip(Control& c) const override;

  // For the backend and the tests.
  GtkWidget* Toplevel() const { return window_; }
  GtkWidget* Layout() const { return layout_; }
  GtkPlatform* Platform() const { return platform_; }
  const WindowDesc& Desc() const { return desc_; }
  Control* Find(const Text& name) const;
  std::vector<Control*> FindAll(const Text& name) const;
  bool Owns(const Control* c) const;
  double Opacity() const;
  CursorShape Cursor() const { return cursor_; }
  // The X window id (0 before the window is realised).
  unsigned long XWindow() const;
  // Puts a child at its rectangle (used by the controls).
  void PlaceChild(GtkWidget* w, const Rect& r);
  void ForgetChild(GtkWidget* w) { placed_.erase(w); }
  // Paints the drawn controls that overlap `area` (layout coordinates) into
  // a context whose origin is the area's corner.
  void PaintOver(cairo_t* cr, const Rect& area);

 private:
  static gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer self);
  static gboolean OnConfigure(GtkWidget*, GdkEventConfigure* e, gpointer self);
  static gboolean OnButtonPress(GtkWidget*, GdkEventButton* e, gpointer self);
  static gboolean OnMotion(GtkWidget*, GdkEventMotion* e, gpointer self);
  static gboolean OnFocusIn(GtkWidget*, GdkEventFocus*, gpointer self);
  static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer self);
  static void OnRealize(GtkWidget*, gpointer self);
  static void OnLayoutAllocate(GtkWidget*, GdkRectangle*, gpointer self);
  PanelControl* PanelAt(int x, int y) const;
  void ApplyGeometry();
  void ApplyProperties();
  void ApplyShape();
  void RaiseActivated();

  GtkPlatform* platform_;
  WindowDesc desc_;
  GtkWidget* window_ = nullptr;
  GtkWidget* layout_ = nullptr;
  Rect rect_;
  Text caption_;
  bool destroyed_ = false;
  bool minimizedFallback_ = false;
  gint64 settleUntil_ = 0;  // configure events before this time echo our own requests
  std::map<Text, intptr_t> properties_;
  std::map<GtkWidget*, Rect> placed_;
  ControlList controls_;
  std::vector<std::unique_ptr<GtkTimer>> timers_;
  ToolTipList tips_;
  CursorShape cursor_ = CursorShape::Arrow;
  struct Shape {
    int32_t w, h, ew, eh;
  };
  bool hasShape_ = false;
  Shape shape_{};
  double opacity_ = 1.0;
};

}  // namespace qv::gtk
