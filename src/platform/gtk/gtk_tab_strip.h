// The tab strip: a GtkNotebook used for its headers only. Its pages are
// empty boxes; the browser views lie over the page area as separate
// controls. Selection changes are raised as the contract says: synchronously
// and only on a real change, whoever makes it.
#pragma once

#include <vector>

#include "platform/gtk/gtk_controls.h"

namespace qv::gtk {

class NotebookStrip : public ControlImpl<TabStrip> {
 public:
  NotebookStrip(GtkWindowImpl* owner, const ControlDesc& desc);

  void SetRect(const Rect& r) override;
  void AddPage(const Text& caption) override;
  void RemovePage(int32_t index) override;
  int32_t PageCount() const override { return static_cast<int32_t>(pages_.size()); }
  Text GetCaption(int32_t index) const override;
  void SetCaption(int32_t index, const Text& caption) override;
  void SetPageTip(int32_t index, const Text& tip) override;
  Text GetPageTip(int32_t index) const override;
  Rect HeaderRect(int32_t index) const override;
  int32_t CurrentPage() const override { return current_; }
  void SetCurrentPage(int32_t index) override;
  int32_t HeaderSide() const override { return side_; }
  void SetHeaderSide(int32_t side) override;
  int32_t HeaderHeight() const override;
  int32_t PageAreaWidth() const override;
  int32_t PageAreaHeight() const override;

  // From the notebook's signals.
  void OnSwitchPage(int32_t page);
  // A right-button release at this screen point; true on a header.
  bool OnRightUp(double xRoot, double yRoot);

  static constexpr int32_t kHeaderHeight = 20;
  static constexpr int32_t kBandExtra = 2;  // room for the selection line

 private:
  struct Page {
    GtkWidget* child;   // the empty page
    GtkWidget* header;  // the caption label, the notebook's tab widget
    GtkWidget* label;
    Text caption;
    Text tip;
  };
  // Lays the notebook out now, so header rectangles follow every change at
  // once rather than at the next frame.
  void Settle() const;

 public:
  // Where the notebook widget lies: the header row only.
  Rect Band() const;

 private:
  void PlaceBand();
  void RaiseSelectionChanged();
  std::vector<Page> pages_;
  int32_t current_ = -1;
  int32_t side_ = 0;
  int bandHeight_ = 0;
  int quiet_ = 0;  // >0 while the strip itself moves the notebook's selection
};

}  // namespace qv::gtk
