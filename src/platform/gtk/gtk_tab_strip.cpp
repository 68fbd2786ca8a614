#include "platform/gtk/gtk_tab_strip.h"

#include <algorithm>

#include "platform/gtk/gtk_text.h"
#include "platform/gtk/gtk_window.h"

namespace qv::gtk {
namespace {

GtkPositionType Position(int32_t side) {
  switch (side) {
    case 1: return GTK_POS_BOTTOM;
    case 2: return GTK_POS_LEFT;
    case 3: return GTK_POS_RIGHT;
    default: return GTK_POS_TOP;
  }
}

}  // namespace

NotebookStrip::NotebookStrip(GtkWindowImpl* owner, const ControlDesc& desc)
    : ControlImpl(owner, desc) {
  GtkWidget* nb = gtk_notebook_new();
  gtk_notebook_set_scrollable(GTK_NOTEBOOK(nb), FALSE);
  gtk_widget_set_can_focus(nb, FALSE);
  g_signal_connect(nb, "switch-page",
                   G_CALLBACK(+[](GtkNotebook*, GtkWidget*, guint page, gpointer self) {
                     static_cast<NotebookStrip*>(self)->OnSwitchPage(static_cast<int32_t>(page));
                   }),
                   this);
  gtk_notebook_set_show_border(GTK_NOTEBOOK(nb), FALSE);
  gtk_widget_add_events(nb, GDK_BUTTON_RELEASE_MASK);
  g_signal_connect(nb, "button-release-event",
                   G_CALLBACK(+[](GtkWidget*, GdkEventButton* e, gpointer self) -> gboolean {
                     if (e->button != 3) return FALSE;
                     return static_cast<NotebookStrip*>(self)->OnRightUp(e->x_root, e->y_root);
                   }),
                   this);
  // The notebook paints its headers over any sibling that lies on them (the
  // tabs' close buttons): those are painted once more over the headers.
  g_signal_connect_after(nb, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t* cr, gpointer self) {
                           auto* strip = static_cast<NotebookStrip*>(self);
                           strip->Owner()->PaintOver(cr, strip->Band());
                           return FALSE;
                         }),
                         this);
  Attach(nb);
  PlaceBand();
}

// The notebook covers only its header row: the page area stays free for the
// browser views, which then never compete with the notebook for the pixels.
Rect NotebookStrip::Band() const {
  Rect b = rect_;
  if (side_ <= 1) {
    // As tall as the notebook needs for its header row (its own borders and
    // the selection line included), so headers never spill out of the strip.
    b.height = std::min(rect_.height, std::max(kHeaderHeight, bandHeight_) + kBandExtra);
    if (side_ == 1) b.top = rect_.top + rect_.height - b.height;
  }
  return b;
}

void NotebookStrip::PlaceBand() {
  if (widget_ == nullptr) return;
  // What the header row needs, measured without the size we imposed.
  int w = -1, h = -1, minimum = 0;
  gtk_widget_get_size_request(widget_, &w, &h);
  gtk_widget_set_size_request(widget_, -1, -1);
  gtk_widget_get_preferred_height(widget_, &minimum, nullptr);
  gtk_widget_set_size_request(widget_, w, h);
  bandHeight_ = minimum;
  owner_->PlaceChild(widget_, Band());
}

void NotebookStrip::RaiseSelectionChanged() {
  if (handlers.selectionChanged) handlers.selectionChanged(*this);
}

void NotebookStrip::OnSwitchPage(int32_t page) {
  if (quiet_ > 0 || page == current_) return;
  // The user picked a header: the notebook reports it before it has moved,
  // so the new index is taken from the signal.
  current_ = page;
  RaiseSelectionChanged();
}

bool NotebookStrip::OnRightUp(double xRoot, double yRoot) {
  if (widget_ == nullptr) return false;
  GdkWindow* win = gtk_widget_get_window(widget_);
  int ox = 0, oy = 0;
  gdk_window_get_origin(win, &ox, &oy);
  GtkAllocation a;
  gtk_widget_get_allocation(widget_, &a);
  // The point relative to the strip, then the header under it.
  int x = static_cast<int>(xRoot) - ox - a.x;
  int y = static_cast<int>(yRoot) - oy - a.y + (Band().top - rect_.top);
  for (int32_t i = 0; i < PageCount(); ++i) {
    Rect h = HeaderRect(i);
    if (x >= h.left && y >= h.top && x < h.left + h.width && y < h.top + h.height) {
      if (handlers.headerRightUp) handlers.headerRightUp(*this, i);
      return true;
    }
  }
  return false;
}

void NotebookStrip::SetRect(const Rect& r) {
  rect_ = r;
  PlaceBand();
}

void NotebookStrip::AddPage(const Text& caption) {
  Page p;
  p.caption = caption;
  p.child = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_widget_show(p.child);
  p.label = gtk_label_new(ToUtf8(caption).c_str());
  p.header = p.label;
  gtk_widget_set_margin_start(p.label, 6);
  gtk_widget_set_margin_end(p.label, 6);
  gtk_widget_set_size_request(p.header, -1, kHeaderHeight);
  gtk_widget_show(p.header);
  ++quiet_;
  if (widget_ != nullptr) gtk_notebook_append_page(GTK_NOTEBOOK(widget_), p.child, p.header);
  pages_.push_back(p);
  if (pages_.size() == 1) PlaceBand();  // the first header sets the row's height
  if (current_ < 0) current_ = 0;
  if (widget_ != nullptr) gtk_notebook_set_current_page(GTK_NOTEBOOK(widget_), current_);
  --quiet_;
}

void NotebookStrip::RemovePage(int32_t index) {
  if (index < 0 || index >= PageCount()) return;
  int32_t before = current_;
  ++quiet_;
  if (widget_ != nullptr) gtk_notebook_remove_page(GTK_NOTEBOOK(widget_), index);
  pages_.erase(pages_.begin() + index);
  if (pages_.empty()) {
    current_ = -1;
  } else if (index < current_ || current_ >= PageCount()) {
    --current_;
  }
  if (widget_ != nullptr && current_ >= 0)
    gtk_notebook_set_current_page(GTK_NOTEBOOK(widget_), current_);
  --quiet_;
  // The page under the selection changed: report a new selection.
  if (before != current_ || index == before) RaiseSelectionChanged();
}

Text NotebookStrip::GetCaption(int32_t i) const {
  return i >= 0 && i < PageCount() ? pages_[static_cast<size_t>(i)].caption : Text();
}

void NotebookStrip::SetCaption(int32_t i, const Text& caption) {
  if (i < 0 || i >= PageCount()) return;
  Page& p = pages_[static_cast<size_t>(i)];
  p.caption = caption;
  gtk_label_set_text(GTK_LABEL(p.label), ToUtf8(caption).c_str());
}

void NotebookStrip::SetPageTip(int32_t i, const Text& tip) {
  if (i < 0 || i >= PageCount()) return;
  Page& p = pages_[static_cast<size_t>(i)];
  p.tip = tip;
  gtk_widget_set_tooltip_text(p.header, tip.empty() ? nullptr : ToUtf8(tip).c_str());
}

Text NotebookStrip::GetPageTip(int32_t i) const {
  return i >= 0 && i < PageCount() ? pages_[static_cast<size_t>(i)].tip : Text();
}

void NotebookStrip::Settle() const {
  if (widget_ == nullptr || !gtk_widget_get_visible(widget_)) return;
  GtkAllocation a;
  gtk_widget_get_allocation(widget_, &a);
  GtkRequisition min;
  gtk_widget_get_preferred_size(widget_, &min, nullptr);
  // Allocations are relative to the layout's own surface, where the
  // control's rectangle is.
  Rect b = Band();
  a.x = b.left;
  a.y = b.top;
  a.width = std::max(b.width, 1);
  a.height = std::max(b.height, 1);
  gtk_widget_size_allocate(widget_, &a);
}

Rect NotebookStrip::HeaderRect(int32_t i) const {
  if (i < 0 || i >= PageCount() || widget_ == nullptr) return Rect{};
  Settle();
  GtkWidget* h = pages_[static_cast<size_t>(i)].header;
  int x = 0, y = 0;
  if (!gtk_widget_translate_coordinates(h, widget_, 0, 0, &x, &y)) return Rect{};
  GtkAllocation a;
  gtk_widget_get_allocation(h, &a);
  // The theme may push a header a pixel past the notebook (negative
  // margins): the header is taken as lying inside the strip.
  Rect b = Band();
  int32_t top = y + b.top - rect_.top;
  top = std::min(top, b.top - rect_.top + b.height - a.height);
  return Rect{x, top, a.width, a.height};
}

void NotebookStrip::SetCurrentPage(int32_t i) {
  if (i < 0 || i >= PageCount() || i == current_) return;
  current_ = i;
  ++quiet_;
  if (widget_ != nullptr) gtk_notebook_set_current_page(GTK_NOTEBOOK(widget_), i);
  --quiet_;
  RaiseSelectionChanged();
}

void NotebookStrip::SetHeaderSide(int32_t side) {
  side_ = side;
  if (widget_ != nullptr) gtk_notebook_set_tab_pos(GTK_NOTEBOOK(widget_), Position(side));
  PlaceBand();
}

// The headers are made exactly this tall (their labels ask for it); a
// fixed value keeps the layout the same before and after the notebook has
// been laid out.
int32_t NotebookStrip::HeaderHeight() const { return kHeaderHeight; }

// The page area: the strip less its header row and a two-pixel frame.
int32_t NotebookStrip::PageAreaWidth() const {
  if (side_ >= 2) return std::max(rect_.width - HeaderHeight() - 4, 0);
  return std::max(rect_.width - 4, 0);
}

int32_t NotebookStrip::PageAreaHeight() const {
  if (side_ >= 2) return std::max(rect_.height - 4, 0);
  return std::max(rect_.height - HeaderHeight() - 4, 0);
}

}  // namespace qv::gtk
