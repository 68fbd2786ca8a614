#include "platform/gtk/gtk_controls.h"

#include <algorithm>
#include <cmath>

#include "platform/gtk/gtk_browser_view.h"
#include "platform/gtk/gtk_tab_strip.h"
#include "platform/gtk/gtk_text.h"
#include "platform/gtk/gtk_window.h"

namespace qv::gtk {

// ---- shared state --------------------------------------------------------

template <class Base>
ControlImpl<Base>::~ControlImpl() {
  if (widget_ != nullptr) {
    owner_->ForgetChild(widget_);
    GtkWidget* w = widget_;
    widget_ = nullptr;
    gtk_widget_destroy(w);
  }
}

template <class Base>
void ControlImpl<Base>::Attach(GtkWidget* w) {
  widget_ = w;
  g_signal_connect(w, "destroy", G_CALLBACK(+[](GtkWidget* dead, gpointer slot) {
                     auto** p = static_cast<GtkWidget**>(slot);
                     if (*p == dead) *p = nullptr;
                   }),
                   &widget_);
  gtk_widget_set_name(w, ToUtf8(name_).c_str());
  gtk_layout_put(GTK_LAYOUT(owner_->Layout()), w, rect_.left, rect_.top);
  owner_->PlaceChild(w, rect_);
  gtk_widget_set_sensitive(w, enabled_);
  gtk_widget_set_no_show_all(w, TRUE);
  gtk_widget_set_visible(w, visible_);
}

template <class Base>
void ControlImpl<Base>::SetRect(const Rect& r) {
  rect_ = r;
  if (widget_ != nullptr) owner_->PlaceChild(widget_, r);
}

template <class Base>
void ControlImpl<Base>::SetVisible(bool v) {
  visible_ = v;
  if (widget_ != nullptr) gtk_widget_set_visible(widget_, v);
}

template <class Base>
void ControlImpl<Base>::SetEnabled(bool e) {
  enabled_ = e;
  if (widget_ != nullptr) gtk_widget_set_sensitive(widget_, e);
}

template class ControlImpl<Control>;
template class ControlImpl<EditBox>;
template class ControlImpl<ComboBox>;
template class ControlImpl<TabStrip>;
template class ControlImpl<BrowserView>;
template class ControlImpl<DrawPanel>;

namespace {

void SetRgb(cairo_t* cr, double r, double g, double b) { cairo_set_source_rgb(cr, r, g, b); }

// The text of a label in the program's UI font.
void DrawText(cairo_t* cr, const Text& text, double x, double h, Color c, int sizePt, bool bold,
              bool centreWidth = false, double width = 0) {
  PangoLayout* layout = pango_cairo_create_layout(cr);
  std::string font = std::string(u8"WenQuanYi Micro Hei ") + (bold ? "Bold " : "") +
                     std::to_string(sizePt) + "px";
  PangoFontDescription* fd = pango_font_description_from_string(font.c_str());
  pango_layout_set_font_description(layout, fd);
  pango_font_description_free(fd);
  std::string u = ToUtf8(text);
  for (char& ch : u)
    if (ch == '\r') ch = ' ';
  pango_layout_set_text(layout, u.c_str(), -1);
  int tw = 0, th = 0;
  pango_layout_get_pixel_size(layout, &tw, &th);
  double tx = centreWidth ? x + (width - tw) / 2 : x;
  cairo_set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0);
  cairo_move_to(cr, tx, std::max(0.0, (h - th) / 2));
  pango_cairo_show_layout(cr, layout);
  g_object_unref(layout);
}

void RoundRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
  cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

void Arrow(cairo_t* cr, double cx, double cy, double s, bool left) {
  double d = left ? -1 : 1;
  cairo_move_to(cr, cx - d * s * 0.55, cy);
  cairo_line_to(cr, cx + d * s * 0.55, cy);
  cairo_move_to(cr, cx + d * s * 0.05, cy - s * 0.5);
  cairo_line_to(cr, cx + d * s * 0.55, cy);
  cairo_line_to(cr, cx + d * s * 0.05, cy + s * 0.5);
  cairo_stroke(cr);
}

void Cross(cairo_t* cr, double cx, double cy, double s) {
  cairo_move_to(cr, cx - s, cy - s);
  cairo_line_to(cr, cx + s, cy + s);
  cairo_move_to(cr, cx + s, cy - s);
  cairo_line_to(cr, cx - s, cy + s);
  cairo_stroke(cr);
}

void Star(cairo_t* cr, double cx, double cy, double r) {
  for (int i = 0; i < 10; ++i) {
    double a = -M_PI / 2 + i * M_PI / 5;
    double rr = i % 2 == 0 ? r : r * 0.45;
    double x = cx + rr * std::cos(a), y = cy + rr * std::sin(a);
    if (i == 0)
      cairo_move_to(cr, x, y);
    else
      cairo_line_to(cr, x, y);
  }
  cairo_close_path(cr);
}

void Gear(cairo_t* cr, double cx, double cy, double r) {
  for (int i = 0; i < 16; ++i) {
    double a0 = i * M_PI / 8, a1 = (i + 1) * M_PI / 8;
    double rr = i % 2 == 0 ? r : r * 0.72;
    cairo_line_to(cr, cx + rr * std::cos(a0), cy + rr * std::sin(a0));
    cairo_line_to(cr, cx + rr * std::cos(a1), cy + rr * std::sin(a1));
  }
  cairo_close_path(cr);
  cairo_new_sub_path(cr);
  cairo_arc_negative(cr, cx, cy, r * 0.32, 2 * M_PI, 0);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  cairo_fill(cr);
}

void Button(CanvasControl& c, cairo_t* cr) {
  const Text& n = c.Name();
  double w = c.Width(), h = c.Height();
  bool grey = !c.IsEnabled() || n.find("Disabled") != Text::npos;
  bool caption = n == "PicBtn_Minimize" || n == "PicBtn_Maximize" || n == "PicBtn_Restore" ||
                 n == "PicBtn_Exit" || n == "PicBtn_CloseCurrentTab";
  // Face: caption buttons are flat until hovered; toolbar buttons are tiles.
  if (caption) {
    if (c.hover) {
      bool red = n == "PicBtn_Exit";
      SetRgb(cr, red ? 0.85 : 0.80, red ? 0.25 : 0.88, red ? 0.22 : 0.80);
      cairo_rectangle(cr, 0, 0, w, h);
      cairo_fill(cr);
    }
  } else if (n == "PicBtn_TabClose" || n == "PicBtn_NewTab") {
    if (c.hover) {
      SetRgb(cr, 0.86, 0.86, 0.86);
      RoundRect(cr, 0.5, 0.5, w - 1, h - 1, 3);
      cairo_fill(cr);
    }
  } else {
    double top = c.pressed ? 0.82 : c.hover ? 0.98 : 0.95;
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, h);
    cairo_pattern_add_color_stop_rgb(p, 0, top, top, top);
    cairo_pattern_add_color_stop_rgb(p, 1, top - 0.1, top - 0.1, top - 0.1);
    RoundRect(cr, 0.5, 0.5, w - 1, h - 1, 4);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    SetRgb(cr, 0.68, 0.72, 0.68);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
  }
  // Glyph.
  double cx = w / 2, cy = h / 2, s = std::min(w, h);
  if (grey)
    SetRgb(cr, 0.70, 0.70, 0.70);
  else
    SetRgb(cr, 0.16, 0.45, 0.20);
  cairo_set_line_width(cr, std::max(1.5, s / 12));
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  if (n.rfind("PicBtn_Back", 0) == 0) {
    Arrow(cr, cx, cy, s * 0.5, true);
  } else if (n.rfind("PicBtn_Forward", 0) == 0) {
    Arrow(cr, cx, cy, s * 0.5, false);
  } else if (n == "PicBtn_Home") {
    cairo_move_to(cr, cx - s * 0.3, cy);
    cairo_line_to(cr, cx, cy - s * 0.28);
    cairo_line_to(cr, cx + s * 0.3, cy);
    cairo_move_to(cr, cx - s * 0.2, cy - s * 0.06);
    cairo_line_to(cr, cx - s * 0.2, cy + s * 0.26);
    cairo_line_to(cr, cx + s * 0.2, cy + s * 0.26);
    cairo_line_to(cr, cx + s * 0.2, cy - s * 0.06);
    cairo_stroke(cr);
  } else if (n == "PicBtn_Favorites") {
    Star(cr, cx, cy + 1, s * 0.32);
    SetRgb(cr, 0.95, 0.70, 0.10);
    cairo_fill(cr);
  } else if (n == "PicBtn_Refresh") {
    cairo_arc(cr, cx, cy, s * 0.24, -M_PI * 0.35, M_PI * 1.45);
    cairo_stroke(cr);
    double ax = cx + s * 0.24 * std::cos(-M_PI * 0.35), ay = cy + s * 0.24 * std::sin(-M_PI * 0.35);
    cairo_move_to(cr, ax - s * 0.14, ay - s * 0.02);
    cairo_line_to(cr, ax + s * 0.02, ay);
    cairo_line_to(cr, ax + s * 0.02, ay - s * 0.16);
    cairo_stroke(cr);
  } else if (n == "PicBtn_Stop") {
    SetRgb(cr, 0.80, 0.15, 0.12);
    Cross(cr, cx, cy, s * 0.2);
  } else if (n == "PicBtn_Go") {
    DrawText(cr, "转到", 4, h, grey ? Color{170, 170, 170} : Color{40, 110, 50}, 12, true);
    Arrow(cr, w - 12, cy, 10, false);
  } else if (n == "PicBtn_Config") {
    Gear(cr, cx, cy, s * 0.32);
  } else if (n == "PicBtn_Minimize") {
    SetRgb(cr, 0.2, 0.2, 0.2);
    cairo_move_to(cr, cx - 5, cy + 3);
    cairo_line_to(cr, cx + 5, cy + 3);
    cairo_stroke(cr);
  } else if (n == "PicBtn_Maximize") {
    SetRgb(cr, 0.2, 0.2, 0.2);
    cairo_set_line_width(cr, 1.2);
    cairo_rectangle(cr, cx - 5, cy - 4, 10, 8);
    cairo_stroke(cr);
  } else if (n == "PicBtn_Restore") {
    SetRgb(cr, 0.2, 0.2, 0.2);
    cairo_set_line_width(cr, 1.2);
    cairo_rectangle(cr, cx - 5, cy - 2, 8, 6);
    cairo_move_to(cr, cx - 3, cy - 2);
    cairo_line_to(cr, cx - 3, cy - 4);
    cairo_line_to(cr, cx + 5, cy - 4);
    cairo_line_to(cr, cx + 5, cy + 2);
    cairo_line_to(cr, cx + 3, cy + 2);
    cairo_stroke(cr);
  } else if (n == "PicBtn_Exit") {
    SetRgb(cr, c.hover ? 1.0 : 0.2, c.hover ? 1.0 : 0.2, c.hover ? 1.0 : 0.2);
    Cross(cr, cx, cy, 4);
  } else if (n == "PicBtn_CloseCurrentTab" || n == "PicBtn_TabClose") {
    SetRgb(cr, 0.35, 0.35, 0.35);
    cairo_set_line_width(cr, 1.4);
    Cross(cr, cx, cy, n == "PicBtn_TabClose" ? 3.5 : 4);
  } else if (n == "PicBtn_NewTab") {
    cairo_set_line_width(cr, 1.8);
    cairo_move_to(cr, cx, cy - 5);
    cairo_line_to(cr, cx, cy + 5);
    cairo_move_to(cr, cx - 5, cy);
    cairo_line_to(cr, cx + 5, cy);
    cairo_stroke(cr);
  } else if (!c.GetText().empty()) {
    DrawText(cr, c.GetText(), 0, h, c.GetTextColor(), 12, false, true, w);
  }
}

gboolean CanvasDraw(GtkWidget*, cairo_t* cr, gpointer self) {
  static_cast<CanvasControl*>(self)->Draw(cr);
  return FALSE;
}

gboolean CanvasPress(GtkWidget*, GdkEventButton* e, gpointer self) {
  auto* c = static_cast<CanvasControl*>(self);
  int clicks = e->type == GDK_2BUTTON_PRESS ? 2 : e->type == GDK_3BUTTON_PRESS ? 3 : 1;
  bool handled = c->handlers.leftDown || c->handlers.click || c->handlers.doubleClick;
  c->Press(static_cast<int>(e->button), clicks, static_cast<int>(e->x), static_cast<int>(e->y));
  return handled ? TRUE : FALSE;  // unhandled presses reach the window beneath
}

gboolean CanvasRelease(GtkWidget*, GdkEventButton* e, gpointer self) {
  auto* c = static_cast<CanvasControl*>(self);
  bool handled = static_cast<bool>(c->handlers.click);
  c->Release(static_cast<int>(e->button), static_cast<int>(e->x), static_cast<int>(e->y));
  return handled ? TRUE : FALSE;
}

gboolean CanvasMotion(GtkWidget*, GdkEventMotion* e, gpointer self) {
  auto* c = static_cast<CanvasControl*>(self);
  c->Motion(static_cast<int>(e->x), static_cast<int>(e->y));
  return c->handlers.mouseMove ? TRUE : FALSE;
}

gboolean CanvasCrossing(GtkWidget* w, GdkEventCrossing* e, gpointer self) {
  auto* c = static_cast<CanvasControl*>(self);
  c->hover = e->type == GDK_ENTER_NOTIFY;
  if (!c->hover) c->pressed = false;
  gtk_widget_queue_draw(w);
  return FALSE;
}

}  // namespace

// ---- canvas --------------------------------------------------------------

CanvasControl::CanvasControl(GtkWindowImpl* owner, const ControlDesc& desc)
    : ControlImpl(owner, desc) {
  GtkWidget* w = gtk_drawing_area_new();
  gtk_widget_add_events(w, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                               GDK_POINTER_MOTION_MASK | GDK_ENTER_NOTIFY_MASK |
                               GDK_LEAVE_NOTIFY_MASK);
  g_signal_connect(w, "draw", G_CALLBACK(CanvasDraw), this);
  g_signal_connect(w, "button-press-event", G_CALLBACK(CanvasPress), this);
  g_signal_connect(w, "button-release-event", G_CALLBACK(CanvasRelease), this);
  g_signal_connect(w, "motion-notify-event", G_CALLBACK(CanvasMotion), this);
  g_signal_connect(w, "enter-notify-event", G_CALLBACK(CanvasCrossing), this);
  g_signal_connect(w, "leave-notify-event", G_CALLBACK(CanvasCrossing), this);
  Attach(w);
}

void CanvasControl::Draw(cairo_t* cr) {
  double w = Width(), h = Height();
  const Text& n = Name();
  switch (Kind()) {
    case ControlKind::PictureButton:
      Button(*this, cr);
      return;
    case ControlKind::Shape:
      SetRgb(cr, 0.75, 0.75, 0.75);
      cairo_rectangle(cr, 0, 0, w >= h ? w : 1, w >= h ? 1 : h);
      cairo_fill(cr);
      return;
    case ControlKind::TransLabel:
      DrawText(cr, GetText(), 0, h, Color{90, 90, 90}, 10, false);
      return;
    default:
      break;
  }
  if (n == "Label_ToolbarBack") {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, h);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.97, 0.97, 0.97);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.90, 0.90, 0.90);
    cairo_rectangle(cr, 0, 0, w, h);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    return;
  }
  if (n.rfind("Label_AddressBack", 0) == 0) {
    // Three pieces of one rounded white field: left end, middle, right end.
    SetRgb(cr, 1, 1, 1);
    cairo_rectangle(cr, 0, 2, w, h - 4);
    cairo_fill(cr);
    SetRgb(cr, 0.60, 0.72, 0.60);
    cairo_set_line_width(cr, 1);
    cairo_move_to(cr, 0, 2.5);
    cairo_line_to(cr, w, 2.5);
    cairo_move_to(cr, 0, h - 2.5);
    cairo_line_to(cr, w, h - 2.5);
    if (n == "Label_AddressBack1") {
      cairo_move_to(cr, 0.5, 2.5);
      cairo_line_to(cr, 0.5, h - 2.5);
    } else if (n == "Label_AddressBack3") {
      cairo_move_to(cr, w - 0.5, 2.5);
      cairo_line_to(cr, w - 0.5, h - 2.5);
    }
    cairo_stroke(cr);
    return;
  }
  bool title = n == "Label_Title";
  DrawText(cr, GetText(), title ? 6 : 0, h, GetTextColor(), title ? 13 : 12, title);
}

void CanvasControl::Press(int button, int clicks, int x, int y) {
  if (button != 1) return;
  if (clicks == 2) {
    if (handlers.doubleClick) handlers.doubleClick(*this);
    return;
  }
  pressed = true;
  Redraw();
  if (handlers.leftDown) handlers.leftDown(*this, x, y);
}

void CanvasControl::Release(int button, int x, int y) {
  if (button != 1 || !pressed) return;
  pressed = false;
  Redraw();
  if (x >= 0 && y >= 0 && x < Width() && y < Height() && handlers.click) handlers.click(*this);
}

void CanvasControl::Motion(int x, int y) {
  if (handlers.mouseMove) handlers.mouseMove(*this, x, y);
}

// ---- push button -----------------------------------------------------------

PushButton::PushButton(GtkWindowImpl* owner, const ControlDesc& desc) : ControlImpl(owner, desc) {
  GtkWidget* w = gtk_button_new_with_label(ToUtf8(desc.text).c_str());
  g_signal_connect(w, "clicked", G_CALLBACK(+[](GtkButton*, gpointer self) {
                     auto* b = static_cast<PushButton*>(self);
                     if (b->handlers.click) b->handlers.click(*b);
                   }),
                   this);
  Attach(w);
}

void PushButton::SetText(const Text& t) {
  text_ = t;
  if (widget_ != nullptr) gtk_button_set_label(GTK_BUTTON(widget_), ToUtf8(t).c_str());
}

// ---- entry -------------------------------------------------------------------

namespace {

int32_t Modifiers(guint state) {
  int32_t m = 0;
  if (state & GDK_CONTROL_MASK) m |= kModCtrl;
  if (state & GDK_SHIFT_MASK) m |= kModShift;
  if (state & GDK_MOD1_MASK) m |= kModAlt;
  return m;
}

// The key code the logic knows: the system's virtual-key numbers for the
// keys that have one here (Enter 13, letters and digits as their capitals).
int32_t KeyCode(guint keyval) {
  switch (keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
      return 13;
    case GDK_KEY_Escape:
      return 27;
    case GDK_KEY_BackSpace:
      return 8;
    case GDK_KEY_Tab:
      return 9;
    case GDK_KEY_Delete:
      return 46;
    default:
      break;
  }
  guint32 u = gdk_keyval_to_unicode(keyval);
  if (u >= 'a' && u <= 'z') return static_cast<int32_t>(u - 'a' + 'A');
  if (u >= 0x20 && u < 0x7F) return static_cast<int32_t>(u);
  return static_cast<int32_t>(keyval);
}

gboolean EntryKey(GtkWidget*, GdkEventKey* e, gpointer self) {
  auto* box = static_cast<EntryControl*>(self);
  int32_t key = KeyCode(e->keyval);
  int32_t mods = Modifiers(e->state);
  if (box->handlers.keyDown) box->handlers.keyDown(*box, key, mods);
  if (key == 13) {
    // Enter gives the character 13, Ctrl+Enter a line feed, as on Windows.
    int32_t ch = (mods & kModCtrl) ? 10 : 13;
    if (box->handlers.charInput) box->handlers.charInput(*box, ch);
    return TRUE;
  }
  guint32 u = gdk_keyval_to_unicode(e->keyval);
  if (u >= 0x20 && u < 0x7F && !(mods & (kModCtrl | kModAlt)) && box->handlers.charInput)
    box->handlers.charInput(*box, static_cast<int32_t>(u));
  return FALSE;
}

}  // namespace

EntryControl::EntryControl(GtkWindowImpl* owner, const ControlDesc& desc)
    : ControlImpl(owner, desc) {
  GtkWidget* w = gtk_entry_new();
  gtk_entry_set_width_chars(GTK_ENTRY(w), 1);
  gtk_entry_set_has_frame(GTK_ENTRY(w), FALSE);
  gtk_entry_set_text(GTK_ENTRY(w), ToUtf8(desc.text).c_str());
  g_signal_connect(w, "key-press-event", G_CALLBACK(EntryKey), this);
  g_signal_connect(w, "focus-in-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer self) {
                     auto* b = static_cast<EntryControl*>(self);
                     if (b->handlers.focusGained) b->handlers.focusGained(*b);
                     return FALSE;
                   }),
                   this);
  g_signal_connect(w, "focus-out-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer self) {
                     auto* b = static_cast<EntryControl*>(self);
                     if (b->handlers.focusLost) b->handlers.focusLost(*b);
                     return FALSE;
                   }),
                   this);
  Attach(w);
}

Text EntryControl::GetText() const {
  if (widget_ == nullptr) return text_;
  return FromUtf8(gtk_entry_get_text(GTK_ENTRY(widget_)));
}

void EntryControl::SetText(const Text& t) {
  text_ = t;
  if (widget_ == nullptr) return;
  gtk_entry_set_text(GTK_ENTRY(widget_), ToUtf8(t).c_str());
}

void EntryControl::SetTextColor(Color c) {
  color_ = c;
  if (widget_ == nullptr) return;
  GdkRGBA rgba{c.r / 255.0, c.g / 255.0, c.b / 255.0, 1.0};
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gtk_widget_override_color(widget_, GTK_STATE_FLAG_NORMAL, &rgba);
  G_GNUC_END_IGNORE_DEPRECATIONS
}

// ---- combo box -----------------------------------------------------------

ComboControl::ComboControl(GtkWindowImpl* owner, const ControlDesc& desc, bool editable)
    : ControlImpl(owner, desc), editable_(editable) {
  GtkWidget* w = editable ? gtk_combo_box_text_new_with_entry() : gtk_combo_box_text_new();
  if (editable) {
    GtkWidget* entry = gtk_bin_get_child(GTK_BIN(w));
    gtk_entry_set_width_chars(GTK_ENTRY(entry), 1);
    gtk_entry_set_text(GTK_ENTRY(entry), ToUtf8(desc.text).c_str());
  }
  g_signal_connect(w, "changed", G_CALLBACK(+[](GtkComboBox* box, gpointer self) {
                     auto* c = static_cast<ComboControl*>(self);
                     int32_t i = gtk_combo_box_get_active(box);
                     if (c->programmatic || i < 0) return;
                     if (c->handlers.selected) c->handlers.selected(*c, i);
                   }),
                   this);
  Attach(w);
}

Text ComboControl::GetText() const {
  if (widget_ == nullptr) return text_;
  if (editable_)
    return FromUtf8(gtk_entry_get_text(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(widget_)))));
  int32_t i = Selected();
  return i >= 0 ? entries_[static_cast<size_t>(i)] : text_;
}

void ComboControl::SetText(const Text& t) {
  text_ = t;
  if (widget_ == nullptr) return;
  if (editable_) {
    programmatic = true;
    gtk_entry_set_text(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(widget_))), ToUtf8(t).c_str());
    programmatic = false;
  }
}

void ComboControl::AddEntry(const Text& text) {
  entries_.push_back(text);
  if (widget_ != nullptr)
    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(widget_), ToUtf8(text).c_str());
}

Text ComboControl::EntryText(int32_t index) const {
  return index >= 0 && index < EntryCount() ? entries_[static_cast<size_t>(index)] : Text();
}

int32_t ComboControl::Selected() const {
  return widget_ != nullptr ? gtk_combo_box_get_active(GTK_COMBO_BOX(widget_)) : -1;
}

void ComboControl::Select(int32_t index) {
  if (index < -1 || index >= EntryCount() || widget_ == nullptr) return;
  programmatic = true;
  gtk_combo_box_set_active(GTK_COMBO_BOX(widget_), index);
  programmatic = false;
  if (index >= 0) text_ = entries_[static_cast<size_t>(index)];
}

// ---- draw panel ------------------------------------------------------------

void PanelControl::ClearDrawing() {
  lines.clear();
  Redraw();
}

void PanelControl::DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Color c) {
  lines.push_back({x1, y1, x2, y2, c});
  Redraw();
}

void PanelControl::Redraw() { gtk_widget_queue_draw(owner_->Layout()); }

void PanelControl::Paint(cairo_t* cr) {
  if (!visible_) return;
  cairo_save(cr);
  cairo_rectangle(cr, rect_.left, rect_.top, rect_.width, rect_.height);
  cairo_clip(cr);
  cairo_set_line_width(cr, 1);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  for (const Line& l : lines) {
    cairo_set_source_rgb(cr, l.color.r / 255.0, l.color.g / 255.0, l.color.b / 255.0);
    // Pixel centres; the end point itself is left out, as line-to does.
    double x1 = rect_.left + l.x1 + 0.5, y1 = rect_.top + l.y1 + 0.5;
    double x2 = rect_.left + l.x2 + 0.5, y2 = rect_.top + l.y2 + 0.5;
    cairo_move_to(cr, x1, y1);
    cairo_line_to(cr, x2, y2);
    cairo_stroke(cr);
  }
  cairo_restore(cr);
}

}  // namespace qv::gtk
