// Child controls over GTK widgets. Every control lives in its window's
// GtkLayout at its exact rectangle; texts are GBK inside, UTF-8 in GTK.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "platform/control.h"
#include "platform/window.h"

namespace qv::gtk {

class GtkWindowImpl;

// The state every control kind shares, and how it reaches its widget.
template <class Base>
class ControlImpl : public Base {
 public:
  ControlImpl(GtkWindowImpl* owner, const ControlDesc& desc)
      : owner_(owner), kind_(desc.kind), name_(desc.name), rect_(desc.rect), text_(desc.text),
        visible_(desc.visible), enabled_(desc.enabled) {}
  ~ControlImpl() override;

  ControlKind Kind() const override { return kind_; }
  const Text& Name() const override { return name_; }
  Rect GetRect() const override { return rect_; }
  void SetRect(const Rect& r) override;
  bool IsVisible() const override { return visible_; }
  void SetVisible(bool v) override;
  bool IsEnabled() const override { return enabled_; }
  void SetEnabled(bool e) override;
  Text GetText() const override { return text_; }
  void SetText(const Text& t) override {
    text_ = t;
    Redraw();
  }
  Text GetTag() const override { return tag_; }
  void SetTag(const Text& t) override { tag_ = t; }
  void SetTextColor(Color c) override {
    color_ = c;
    Redraw();
  }
  Color GetTextColor() const override { return color_; }
  void Redraw() override {
    if (widget_ != nullptr) gtk_widget_queue_draw(widget_);
  }

  GtkWidget* Widget() const { return widget_; }
  GtkWindowImpl* Owner() const { return owner_; }

 protected:
  // Puts the widget into the window at the control's place and state.
  void Attach(GtkWidget* w);

  GtkWindowImpl* owner_;
  GtkWidget* widget_ = nullptr;
  ControlKind kind_;
  Text name_;
  Rect rect_;
  Text text_;
  Text tag_;
  bool visible_;
  bool enabled_;
  Color color_{0, 0, 0};
};

// Labels, transparent labels, picture buttons and lines: drawn with cairo.
// Picture buttons pick their glyph by the control's name.
class CanvasControl : public ControlImpl<Control> {
 public:
  CanvasControl(GtkWindowImpl* owner, const ControlDesc& desc);
  void Draw(cairo_t* cr);
  // Raises the events as a press, release or double press would.
  void Press(int button, int clicks, int x, int y);
  void Release(int button, int x, int y);
  void Motion(int x, int y);
  bool pressed = false;
  bool hover = false;
};

class PushButton : public ControlImpl<Control> {
 public:
  PushButton(GtkWindowImpl* owner, const ControlDesc& desc);
  void SetText(const Text& t) override;
};

class EntryControl : public ControlImpl<EditBox> {
 public:
  EntryControl(GtkWindowImpl* owner, const ControlDesc& desc);
  Text GetText() const override;
  void SetText(const Text& t) override;
  void SetTextColor(Color c) override;
};

class ComboControl : public ControlImpl<ComboBox> {
 public:
  ComboControl(GtkWindowImpl* owner, const ControlDesc& desc, bool editable);
  Text GetText() const override;
  void SetText(const Text& t) override;
  void AddEntry(const Text& text) override;
  int32_t EntryCount() const override { return static_cast<int32_t>(entries_.size()); }
  Text EntryText(int32_t index) const override;
  int32_t Selected() const override;
  void Select(int32_t index) override;
  bool programmatic = false;

 private:
  std::vector<Text> entries_;
  bool editable_;
};

// Lines kept and painted on the window's own surface, under every other
// control; its mouse events are the window's own where no control is.
class PanelControl : public ControlImpl<DrawPanel> {
 public:
  PanelControl(GtkWindowImpl* owner, const ControlDesc& desc) : ControlImpl(owner, desc) {}
  void ClearDrawing() override;
  void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Color c) override;
  void Redraw() override;
  void Paint(cairo_t* cr);
  struct Line {
    int32_t x1, y1, x2, y2;
    Color color;
  };
  std::vector<Line> lines;
};

}  // namespace qv::gtk
