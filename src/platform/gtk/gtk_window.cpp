#include "platform/gtk/gtk_window.h"

#include <algorithm>
#include <cmath>

#include "platform/gtk/gtk_browser_view.h"
#include "platform/gtk/gtk_controls.h"
#include "platform/gtk/gtk_platform.h"
#include "platform/gtk/gtk_tab_strip.h"
#include "platform/gtk/gtk_text.h"
#include "platform/gtk/x11_window_state.h"

namespace qv::gtk {

// ---- timers ----------------------------------------------------------------

GtkTimer::~GtkTimer() {
  if (source_ != 0) g_source_remove(source_);
}

void GtkTimer::SetPeriod(int32_t ms) {
  if (source_ != 0) {
    g_source_remove(source_);
    source_ = 0;
  }
  period_ = ms;
  // The system's timers tick no faster than every 10 ms; a 1 ms timer here
  // would keep a core busy redrawing for nothing.
  constexpr int32_t kMinimumPeriod = 10;
  if (ms > 0)
    source_ = g_timeout_add(static_cast<guint>(std::max(ms, kMinimumPeriod)), &GtkTimer::Fire, this);
}

gboolean GtkTimer::Fire(gpointer self) {
  auto* t = static_cast<GtkTimer*>(self);
  guint mine = t->source_;
  if (t->tick) t->tick(*t);
  // The tick may have stopped or restarted the timer: this source then ends.
  return t->source_ == mine ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

// ---- window ----------------------------------------------------------------

namespace {

constexpr gint64 kSettleMicros = 400 * 1000;

const char* CursorName(CursorShape s) {
  switch (s) {
    case CursorShape::SizeNWSE: return "nwse-resize";
    case CursorShape::SizeNS: return "ns-resize";
    case CursorShape::SizeNESW: return "nesw-resize";
    case CursorShape::SizeWE: return "ew-resize";
    default: return "default";
  }
}

bool EdgeOf(int32_t code, GdkWindowEdge& edge) {
  switch (code) {
    case 10: edge = GDK_WINDOW_EDGE_WEST; return true;
    case 11: edge = GDK_WINDOW_EDGE_EAST; return true;
    case 12: edge = GDK_WINDOW_EDGE_NORTH; return true;
    case 13: edge = GDK_WINDOW_EDGE_NORTH_WEST; return true;
    case 14: edge = GDK_WINDOW_EDGE_NORTH_EAST; return true;
    case 15: edge = GDK_WINDOW_EDGE_SOUTH; return true;
    case 16: edge = GDK_WINDOW_EDGE_SOUTH_WEST; return true;
    case 17: edge = GDK_WINDOW_EDGE_SOUTH_EAST; return true;
    default: return false;
  }
}

std::string TipText(const Text& tip) {
  std::string u = ToUtf8(tip);
  std::string out;
  for (size_t i = 0; i < u.size(); ++i) {
    if (u[i] == '\r') continue;  // "\r\n" is one line break
    out += u[i];
  }
  return out;
}

}  // namespace

GtkWindowImpl::GtkWindowImpl(GtkPlatform* platform, const WindowDesc& desc, Rect outer)
    : platform_(platform), desc_(desc), rect_(outer), caption_(desc.caption) {
  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWindow* w = GTK_WINDOW(window_);
  gtk_window_set_title(w, ToUtf8(caption_).c_str());
  switch (desc.style) {
    case WindowStyle::Frameless:
      gtk_window_set_decorated(w, FALSE);
      break;
    case WindowStyle::Tool:
      gtk_window_set_decorated(w, FALSE);
      gtk_window_set_skip_taskbar_hint(w, TRUE);
      gtk_window_set_skip_pager_hint(w, TRUE);
      gtk_window_set_accept_focus(w, FALSE);
      gtk_window_set_focus_on_map(w, FALSE);
      gtk_window_set_type_hint(w, GDK_WINDOW_TYPE_HINT_UTILITY);
      break;
    case WindowStyle::FixedDialog:
      gtk_window_set_resizable(w, FALSE);
      gtk_window_set_type_hint(w, GDK_WINDOW_TYPE_HINT_DIALOG);
      break;
  }
  if (desc.owner != nullptr)
    gtk_window_set_transient_for(w, GTK_WINDOW(static_cast<GtkWindowImpl*>(desc.owner)->window_));
  gtk_window_set_default_size(w, std::max(outer.width, 1), std::max(outer.height, 1));
  gtk_window_move(w, outer.left, outer.top);

  layout_ = gtk_layout_new(nullptr, nullptr);
  gtk_widget_add_events(layout_, GDK_BUTTON_PRESS_MASK | GDK_POINTER_MOTION_MASK);
  gtk_container_add(GTK_CONTAINER(window_), layout_);
  gtk_widget_show(layout_);

  g_signal_connect(layout_, "draw", G_CALLBACK(&GtkWindowImpl::OnDraw), this);
  g_signal_connect(layout_, "button-press-event", G_CALLBACK(&GtkWindowImpl::OnButtonPress), this);
  g_signal_connect(layout_, "motion-notify-event", G_CALLBACK(&GtkWindowImpl::OnMotion), this);
  g_signal_connect_after(layout_, "size-allocate", G_CALLBACK(&GtkWindowImpl::OnLayoutAllocate),
                         this);
  g_signal_connect(window_, "configure-event", G_CALLBACK(&GtkWindowImpl::OnConfigure), this);
  g_signal_connect(window_, "focus-in-event", G_CALLBACK(&GtkWindowImpl::OnFocusIn), this);
  g_signal_connect(window_, "delete-event", G_CALLBACK(&GtkWindowImpl::OnDelete), this);
  g_signal_connect(window_, "realize", G_CALLBACK(&GtkWindowImpl::OnRealize), this);
  gtk_widget_realize(window_);
}

GtkWindowImpl::~GtkWindowImpl() {
  timers_.clear();
  controls_.clear();
  if (window_ != nullptr) {
    g_signal_handlers_disconnect_by_data(window_, this);
    g_signal_handlers_disconnect_by_data(layout_, this);
    gtk_widget_destroy(window_);
  }
}

void GtkWindowImpl::OnRealize(GtkWidget*, gpointer self) {
  auto* w = static_cast<GtkWindowImpl*>(self);
  w->ApplyProperties();
  w->ApplyShape();
  w->SetCursor(w->cursor_);
}

unsigned long GtkWindowImpl::XWindow() const {
  if (window_ == nullptr) return 0;
  return x11::XidOf(gtk_widget_get_window(window_));
}

gboolean GtkWindowImpl::OnDraw(GtkWidget* w, cairo_t* cr, gpointer self) {
  auto* win = static_cast<GtkWindowImpl*>(self);
  if (!gtk_cairo_should_draw_window(cr, gtk_layout_get_bin_window(GTK_LAYOUT(w)))) return FALSE;
  const Color& bg = win->desc_.background;
  cairo_set_source_rgb(cr, bg.r / 255.0, bg.g / 255.0, bg.b / 255.0);
  cairo_paint(cr);
  for (const auto& c : win->controls_)
    if (auto* p = dynamic_cast<PanelControl*>(c.get())) p->Paint(cr);
  return FALSE;  // the children are drawn over it
}

void GtkWindowImpl::OnLayoutAllocate(GtkWidget*, GdkRectangle*, gpointer self) {
  // Every child gets exactly its rectangle, whatever its own minimum.
  auto* win = static_cast<GtkWindowImpl*>(self);
  for (const auto& [child, r] : win->placed_) {
    if (!gtk_widget_get_visible(child)) continue;
    GtkAllocation a{r.left, r.top, std::max(r.width, 1), std::max(r.height, 1)};
    gtk_widget_size_allocate(child, &a);
  }
}

void GtkWindowImpl::PlaceChild(GtkWidget* w, const Rect& r) {
  placed_[w] = r;
  gtk_layout_move(GTK_LAYOUT(layout_), w, r.left, r.top);
  gtk_widget_set_size_request(w, std::max(r.width, 0), std::max(r.height, 0));
  if (gtk_widget_get_visible(w) && gtk_widget_get_realized(layout_)) {
    GtkAllocation a{r.left, r.top, std::max(r.width, 1), std::max(r.height, 1)};
    gtk_widget_size_allocate(w, &a);
  }
}

PanelControl* GtkWindowImpl::PanelAt(int x, int y) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    auto* p = dynamic_cast<PanelControl*>(it->get());
    if (p == nullptr || !p->IsVisible() || !p->IsEnabled()) continue;
    Rect r = p->GetRect();
    if (x >= r.left && y >= r.top && x < r.left + r.width && y < r.top + r.height) return p;
  }
  return nullptr;
}

namespace {
// Event position in the layout's coordinates, whichever child it came from.
void LayoutPoint(GtkWidget* layout, double xRoot, double yRoot, int& x, int& y) {
  int ox = 0, oy = 0;
  GdkWindow* bin = gtk_layout_get_bin_window(GTK_LAYOUT(layout));
  if (bin != nullptr) gdk_window_get_origin(bin, &ox, &oy);
  x = static_cast<int>(std::floor(xRoot)) - ox;
  y = static_cast<int>(std::floor(yRoot)) - oy;
}
}  // namespace

gboolean GtkWindowImpl::OnButtonPress(GtkWidget*, GdkEventButton* e, gpointer self) {
  auto* win = static_cast<GtkWindowImpl*>(self);
  if (e->button != 1 || e->type != GDK_BUTTON_PRESS) return FALSE;
  int x = 0, y = 0;
  LayoutPoint(win->layout_, e->x_root, e->y_root, x, y);
  if (PanelControl* p = win->PanelAt(x, y)) {
    Rect r = p->GetRect();
    if (p->handlers.leftDown) p->handlers.leftDown(*p, x - r.left, y - r.top);
    return TRUE;
  }
  // Any other point of the surface is a caption, when the window says so.
  if (win->desc_.dragByAnyPoint) win->BeginSystemDrag(2);
  return TRUE;
}

gboolean GtkWindowImpl::OnMotion(GtkWidget*, GdkEventMotion* e, gpointer self) {
  auto* win = static_cast<GtkWindowImpl*>(self);
  int x = 0, y = 0;
  LayoutPoint(win->layout_, e->x_root, e->y_root, x, y);
  if (PanelControl* p = win->PanelAt(x, y)) {
    Rect r = p->GetRect();
    if (p->handlers.mouseMove) p->handlers.mouseMove(*p, x - r.left, y - r.top);
  }
  return FALSE;
}

gboolean GtkWindowImpl::OnConfigure(GtkWidget*, GdkEventConfigure* e, gpointer self) {
  auto* win = static_cast<GtkWindowImpl*>(self);
  Rect now = win->rect_;
  GdkWindow* g = gtk_widget_get_window(win->window_);
  int x = e->x, y = e->y;
  if (g != nullptr) {
    GdkRectangle frame;
    gdk_window_get_frame_extents(g, &frame);
    x = frame.x;
    y = frame.y;
    if (win->desc_.style == WindowStyle::FixedDialog) {
      now.width = frame.width;
      now.height = frame.height;
    } else {
      now.width = e->width;
      now.height = e->height;
    }
  }
  now.left = x;
  now.top = y;
  if (now == win->rect_) {
    win->settleUntil_ = 0;
    return FALSE;
  }
  // Echoes of our own requests arrive late and one at a time; only a change
  // after they have settled is the user's (a drag, the window manager).
  if (g_get_monotonic_time() < win->settleUntil_) return FALSE;
  bool moved = now.left != win->rect_.left || now.top != win->rect_.top;
  bool sized = now.width != win->rect_.width || now.height != win->rect_.height;
  win->rect_ = now;
  if (moved && win->handlers.moved) win->handlers.moved(*win);
  if (sized && win->handlers.sizeChanged) win->handlers.sizeChanged(*win);
  return FALSE;
}

gboolean GtkWindowImpl::OnFocusIn(GtkWidget*, GdkEventFocus*, gpointer self) {
  static_cast<GtkWindowImpl*>(self)->RaiseActivated();
  return FALSE;
}

gboolean GtkWindowImpl::OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
  static_cast<GtkWindowImpl*>(self)->Destroy();
  return TRUE;
}

void GtkWindowImpl::RaiseActivated() {
  if (!destroyed_ && handlers.activated) handlers.activated(*this);
}

void GtkWindowImpl::ApplyGeometry() {
  if (window_ == nullptr) return;
  settleUntil_ = g_get_monotonic_time() + kSettleMicros;
  int w = std::max(rect_.width, 1), h = std::max(rect_.height, 1);
  if (desc_.style == WindowStyle::FixedDialog) {
    GdkWindow* g = gtk_widget_get_window(window_);
    if (g != nullptr && gtk_widget_get_mapped(window_)) {
      GdkRectangle frame;
      gdk_window_get_frame_extents(g, &frame);
      w = std::max(w - (frame.width - gdk_window_get_width(g)), 1);
      h = std::max(h - (frame.height - gdk_window_get_height(g)), 1);
    }
    gtk_widget_set_size_request(window_, w, h);
  }
  gtk_window_move(GTK_WINDOW(window_), rect_.left, rect_.top);
  gtk_window_resize(GTK_WINDOW(window_), w, h);
  if (hasShape_) ApplyShape();
}

void GtkWindowImpl::SetLeft(int32_t v) {
  if (v == rect_.left) return;
  rect_.left = v;
  ApplyGeometry();
  if (handlers.moved) handlers.moved(*this);
}

void GtkWindowImpl::SetTop(int32_t v) {
  if (v == rect_.top) return;
  rect_.top = v;
  ApplyGeometry();
  if (handlers.moved) handlers.moved(*this);
}

void GtkWindowImpl::SetWidth(int32_t v) {
  v = std::max(v, 0);
  if (v == rect_.width) return;
  rect_.width = v;
  ApplyGeometry();
  if (handlers.sizeChanged) handlers.sizeChanged(*this);
}

void GtkWindowImpl::SetHeight(int32_t v) {
  v = std::max(v, 0);
  if (v == rect_.height) return;
  rect_.height = v;
  ApplyGeometry();
  if (handlers.sizeChanged) handlers.sizeChanged(*this);
}

int32_t GtkWindowImpl::ClientWidth() const {
  if (desc_.style != WindowStyle::FixedDialog) return rect_.width;
  GdkWindow* g = window_ != nullptr ? gtk_widget_get_window(window_) : nullptr;
  return g != nullptr && gtk_widget_get_mapped(window_) ? gdk_window_get_width(g) : rect_.width;
}

int32_t GtkWindowImpl::ClientHeight() const {
  if (desc_.style != WindowStyle::FixedDialog) return rect_.height;
  GdkWindow* g = window_ != nullptr ? gtk_widget_get_window(window_) : nullptr;
  return g != nullptr && gtk_widget_get_mapped(window_) ? gdk_window_get_height(g) : rect_.height;
}

void GtkWindowImpl::SetCaption(const Text& c) {
  caption_ = c;
  if (window_ != nullptr) gtk_window_set_title(GTK_WINDOW(window_), ToUtf8(c).c_str());
}

void GtkWindowImpl::Show(ShowCommand cmd) {
  if (window_ == nullptr) return;
  GtkWindow* w = GTK_WINDOW(window_);
  switch (cmd) {
    case ShowCommand::Hide:
      gtk_widget_hide(window_);
      return;
    case ShowCommand::Minimize:
      gtk_widget_show(window_);
      gtk_window_iconify(w);
      if (x11::NoWindowManager()) {
        // Nobody keeps the iconic state: keep it ourselves, as the window
        // manager would, so other instances can see and restore it.
        minimizedFallback_ = true;
        x11::MarkIconic(XWindow());
      }
      return;
    case ShowCommand::Normal:
      if (minimizedFallback_ || IsMinimized()) {
        minimizedFallback_ = false;
        x11::Restore(XWindow());
        gtk_window_deiconify(w);
      }
      [[fallthrough]];
    case ShowCommand::Show: {
      bool first = !gtk_widget_get_visible(window_);
      gtk_widget_show(window_);
      if (first) gtk_window_move(w, rect_.left, rect_.top);
      if (desc_.style != WindowStyle::Tool) {
        gtk_window_present(w);
        // The system activates a window it shows; it does so at once.
        RaiseActivated();
      }
      return;
    }
  }
}

bool GtkWindowImpl::IsVisible() const {
  return window_ != nullptr && gtk_widget_get_visible(window_) && !IsMinimized();
}

bool GtkWindowImpl::IsMinimized() const {
  if (window_ == nullptr) return false;
  GdkWindow* g = gtk_widget_get_window(window_);
  if (g != nullptr && (gdk_window_get_state(g) & GDK_WINDOW_STATE_ICONIFIED)) return true;
  return minimizedFallback_ && x11::IsIconic(XWindow());
}

void GtkWindowImpl::Redraw() {
  if (window_ != nullptr) gtk_widget_queue_draw(window_);
}

void GtkWindowImpl::Destroy() {
  if (destroyed_) return;
  if (handlers.destroying) handlers.destroying(*this);
  destroyed_ = true;
  for (auto& t : timers_) t->SetPeriod(0);
  GtkWidget* w = window_;
  window_ = nullptr;
  if (w != nullptr) {
    g_signal_handlers_disconnect_by_data(w, this);
    g_signal_handlers_disconnect_by_data(layout_, this);
    // The widgets go with the window, as the system's child windows do; the
    // control objects stay (empty) for whoever still holds them.
    placed_.clear();
    gtk_widget_destroy(w);
  }
  if (handlers.closed) handlers.closed(*this);
}

void GtkWindowImpl::SetRoundedRegion(int32_t w, int32_t h, int32_t ew, int32_t eh) {
  hasShape_ = true;
  shape_ = Shape{w, h, ew, eh};
  ApplyShape();
}

void GtkWindowImpl::ApplyShape() {
  if (!hasShape_ || window_ == nullptr || !gtk_widget_get_realized(window_)) return;
  // The round rectangle from (0,0) to (w,h), right and bottom edges left
  // out, built row by row; the corners follow an ellipse ew x eh.
  cairo_region_t* region = cairo_region_create();
  double rx = shape_.ew / 2.0, ry = shape_.eh / 2.0;
  int32_t right = shape_.w - 1, bottom = shape_.h - 1;
  for (int32_t y = 0; y < bottom; ++y) {
    double inset = 0;
    double dy = 0;
    if (ry > 0 && y < ry) dy = ry - (y + 0.5);
    if (ry > 0 && y >= bottom - ry) dy = (y + 0.5) - (bottom - ry);
    if (dy > 0 && rx > 0) {
      double f = 1.0 - (dy / ry) * (dy / ry);
      inset = rx - rx * std::sqrt(std::max(f, 0.0));
    }
    auto in = static_cast<int32_t>(std::ceil(inset - 1e-9));
    if (right - 2 * in <= 0) continue;
    cairo_rectangle_int_t row{in, y, right - 2 * in, 1};
    cairo_region_union_rectangle(region, &row);
  }
  gtk_widget_shape_combine_region(window_, region);
  cairo_region_destroy(region);
}

void GtkWindowImpl::PaintOver(cairo_t* cr, const Rect& area) {
  for (const auto& c : controls_) {
    auto* canvas = dynamic_cast<CanvasControl*>(c.get());
    if (canvas == nullptr || !canvas->IsVisible() || canvas->Widget() == nullptr) continue;
    Rect r = canvas->GetRect();
    if (r.left >= area.left + area.width || r.top >= area.top + area.height ||
        r.left + r.width <= area.left || r.top + r.height <= area.top)
      continue;
    cairo_save(cr);
    cairo_translate(cr, r.left - area.left, r.top - area.top);
    cairo_rectangle(cr, 0, 0, r.width, r.height);
    cairo_clip(cr);
    canvas->Draw(cr);
    cairo_restore(cr);
  }
}

void GtkWindowImpl::SetChildStyleOnly() {
  // No caption, no border, not visible: what a bare child style gives.
  if (window_ == nullptr) return;
  gtk_window_set_decorated(GTK_WINDOW(window_), FALSE);
  gtk_widget_hide(window_);
}

void GtkWindowImpl::SetLayeredAlpha(int32_t alpha) {
  if (alpha < 0 || alpha > 255) alpha = 255;
  opacity_ = alpha / 255.0;
  if (window_ != nullptr) gtk_widget_set_opacity(window_, opacity_);
}

double GtkWindowImpl::Opacity() const { return opacity_; }

void GtkWindowImpl::SetProperty(const Text& name, intptr_t value) {
  properties_[name] = value;
  ApplyProperties();
}

void GtkWindowImpl::ApplyProperties() {
  unsigned long xid = XWindow();
  if (xid == 0) return;
  for (const auto& [name, value] : properties_) x11::SetCardinalProperty(xid, ToUtf8(name), value);
}

intptr_t GtkWindowImpl::GetProperty(const Text& name) const {
  auto it = properties_.find(name);
  return it == properties_.end() ? 0 : it->second;
}

void GtkWindowImpl::SetClassName(const Text& name) {
  // The class name of a GTK window is fixed once it is mapped; the program
  // relies on the lock and the window property alone.
  (void)name;
}

void GtkWindowImpl::BeginSystemDrag(int32_t hitTestCode) {
  if (window_ == nullptr) return;
  GtkWindow* w = GTK_WINDOW(window_);
  guint32 time = gtk_get_current_event_time();
  gint xr = 0, yr = 0;
  GdkEvent* ev = gtk_get_current_event();
  gdouble dx = 0, dy = 0;
  if (ev != nullptr && gdk_event_get_root_coords(ev, &dx, &dy)) {
    xr = static_cast<gint>(dx);
    yr = static_cast<gint>(dy);
  } else {
    GdkSeat* seat = gdk_display_get_default_seat(gtk_widget_get_display(window_));
    gdk_device_get_position(gdk_seat_get_pointer(seat), nullptr, &xr, &yr);
  }
  if (ev != nullptr) gdk_event_free(ev);
  GdkWindowEdge edge;
  if (hitTestCode == 2)
    gtk_window_begin_move_drag(w, 1, xr, yr, time);
  else if (EdgeOf(hitTestCode, edge))
    gtk_window_begin_resize_drag(w, edge, 1, xr, yr, time);
}

void GtkWindowImpl::SetCursor(CursorShape shape) {
  cursor_ = shape;
  if (window_ == nullptr || !gtk_widget_get_realized(window_)) return;
  GdkDisplay* d = gtk_widget_get_display(window_);
  GdkCursor* c = gdk_cursor_new_from_name(d, CursorName(shape));
  gdk_window_set_cursor(gtk_widget_get_window(window_), c);
  if (GdkWindow* bin = gtk_layout_get_bin_window(GTK_LAYOUT(layout_))) gdk_window_set_cursor(bin, c);
  if (c != nullptr) g_object_unref(c);
}

Control* GtkWindowImpl::CreateControl(const ControlDesc& desc) {
  std::unique_ptr<Control> c;
  switch (desc.kind) {
    case ControlKind::EditBox:
      c = std::make_unique<EntryControl>(this, desc);
      break;
    case ControlKind::ComboBox:
      c = std::make_unique<ComboControl>(this, desc, desc.editable);
      break;
    case ControlKind::TabStrip:
      c = std::make_unique<NotebookStrip>(this, desc);
      break;
    case ControlKind::BrowserView:
      c = std::make_unique<WebControl>(this, desc);
      break;
    case ControlKind::DrawPanel:
      c = std::make_unique<PanelControl>(this, desc);
      break;
    case ControlKind::Button:
      c = std::make_unique<PushButton>(this, desc);
      break;
    default:
      c = std::make_unique<CanvasControl>(this, desc);
      break;
  }
  controls_.push_back(std::move(c));
  return controls_.back().get();
}

Control* GtkWindowImpl::CopyControl(Control& tmpl) {
  Control* c = CreateControl(CopyDescOf(tmpl));
  CopyBindings(tmpl, *c);
  if (tmpl.Kind() == ControlKind::BrowserView) {
    auto* copy = static_cast<WebControl*>(c);
    // Asked for by a page's new-window request: the view must be related to
    // the asking one, so it is made now.
    if (WebControl::creatingFrom != nullptr) copy->EnsureView(WebControl::creatingFrom);
  }
  return c;
}

void GtkWindowImpl::DestroyControl(Control* c) {
  RemoveControl(controls_, tips_, c);
}

Timer* GtkWindowImpl::CreateTimer() {
  timers_.push_back(std::make_unique<GtkTimer>());
  return timers_.back().get();
}

namespace {
GtkWidget* WidgetOf(Control& c) {
  if (auto* x = dynamic_cast<ControlImpl<Control>*>(&c)) return x->Widget();
  if (auto* x = dynamic_cast<ControlImpl<EditBox>*>(&c)) return x->Widget();
  if (auto* x = dynamic_cast<ControlImpl<ComboBox>*>(&c)) return x->Widget();
  if (auto* x = dynamic_cast<ControlImpl<TabStrip>*>(&c)) return x->Widget();
  if (auto* x = dynamic_cast<ControlImpl<BrowserView>*>(&c)) return x->Widget();
  return nullptr;
}
}  // namespace

void GtkWindowImpl::AddToolTip(Control& c, const Text& tip) {
  SetToolTip(tips_, c, tip);
  if (GtkWidget* w = WidgetOf(c)) gtk_widget_set_tooltip_text(w, TipText(tip).c_str());
}

Text GtkWindowImpl::GetToolTip(Control& c) const {
  return ToolTipOf(tips_, c);
}

Control* GtkWindowImpl::Find(const Text& name) const {
  return FindControl(controls_, name);
}

std::vector<Control*> GtkWindowImpl::FindAll(const Text& name) const {
  return FindControls(controls_, name);
}

bool GtkWindowImpl::Owns(const Control* c) const {
  return OwnsControl(controls_, c);
}

}  // namespace qv::gtk
