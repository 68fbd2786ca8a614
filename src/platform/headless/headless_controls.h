// In-memory controls: they keep every property the program sets, raise their
// events synchronously when a test (or a script) asks, and record calls.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/control.h"
#include "platform/window.h"

namespace qv::headless {

class HeadlessWindow;

// The state every control kind shares.
template <class Base>
class ControlImpl : public Base {
 public:
  ControlImpl(HeadlessWindow* owner, const ControlDesc& desc)
      : owner_(owner), kind_(desc.kind), name_(desc.name), rect_(desc.rect), text_(desc.text),
        visible_(desc.visible), enabled_(desc.enabled) {}

  ControlKind Kind() const override { return kind_; }
  const Text& Name() const override { return name_; }
  Rect GetRect() const override { return rect_; }
  void SetRect(const Rect& r) override {
    rect_ = r;
    ++rectWrites;
  }
  bool IsVisible() const override { return visible_; }
  void SetVisible(bool v) override { visible_ = v; }
  bool IsEnabled() const override { return enabled_; }
  void SetEnabled(bool e) override { enabled_ = e; }
  Text GetText() const override { return text_; }
  void SetText(const Text& t) override { text_ = t; }
  Text GetTag() const override { return tag_; }
  void SetTag(const Text& t) override { tag_ = t; }
  void SetTextColor(Color c) override { color_ = c; }
  Color GetTextColor() const override { return color_; }
  void Redraw() override { ++redraws; }

  HeadlessWindow* Owner() const { return owner_; }

  int rectWrites = 0;
  int redraws = 0;

 protected:
  HeadlessWindow* owner_;
  ControlKind kind_;
  Text name_;
  Rect rect_;
  Text text_;
  Text tag_;
  bool visible_;
  bool enabled_;
  Color color_{0, 0, 0};
};

class HeadlessControl : public ControlImpl<Control> {
 public:
  using ControlImpl::ControlImpl;
  void Click() {
    if (handlers.click) handlers.click(*this);
  }
  void DoubleClick() {
    if (handlers.doubleClick) handlers.doubleClick(*this);
  }
  void MouseMove(int32_t x, int32_t y) {
    if (handlers.mouseMove) handlers.mouseMove(*this, x, y);
  }
  void LeftDown(int32_t x, int32_t y) {
    if (handlers.leftDown) handlers.leftDown(*this, x, y);
  }
};

class HeadlessEditBox : public ControlImpl<EditBox> {
 public:
  using ControlImpl::ControlImpl;
  // Typing: characters other than Enter go into the box as the system's would.
  void TypeChar(int32_t code) {
    if (handlers.charInput) handlers.charInput(*this, code);
    if (code >= 32) text_.push_back(static_cast<char>(code));
  }
  void KeyDown(int32_t key, int32_t modifiers) {
    if (handlers.keyDown) handlers.keyDown(*this, key, modifiers);
  }
  void GainFocus() {
    if (handlers.focusGained) handlers.focusGained(*this);
  }
  void LoseFocus() {
    if (handlers.focusLost) handlers.focusLost(*this);
  }
};

class HeadlessComboBox : public ControlImpl<ComboBox> {
 public:
  using ControlImpl::ControlImpl;
  void AddEntry(const Text& t) override { entries_.push_back(t); }
  int32_t EntryCount() const override { return static_cast<int32_t>(entries_.size()); }
  Text EntryText(int32_t i) const override {
    return i >= 0 && i < EntryCount() ? entries_[static_cast<size_t>(i)] : Text();
  }
  int32_t Selected() const override { return selected_; }
  void Select(int32_t i) override {
    if (i < -1 || i >= EntryCount()) return;
    selected_ = i;
    if (i >= 0) text_ = entries_[static_cast<size_t>(i)];
  }
  // The user picks an entry: the text changes, then the event runs.
  void UserSelect(int32_t i) {
    Select(i);
    if (handlers.selected) handlers.selected(*this, i);
  }

 private:
  std::vector<Text> entries_;
  int32_t selected_ = -1;
};

struct HeadlessPage {
  Text caption;
  Text tip;
};

class HeadlessTabStrip : public ControlImpl<TabStrip> {
 public:
  using ControlImpl::ControlImpl;

  void AddPage(const Text& caption) override;
  void RemovePage(int32_t index) override;
  int32_t PageCount() const override { return static_cast<int32_t>(pages_.size()); }
  Text GetCaption(int32_t i) const override;
  void SetCaption(int32_t i, const Text& caption) override;
  void SetPageTip(int32_t i, const Text& tip) override;
  Text GetPageTip(int32_t i) const override;
  Rect HeaderRect(int32_t i) const override;
  int32_t CurrentPage() const override { return current_; }
  void SetCurrentPage(int32_t i) override;
  int32_t HeaderSide() const override { return side_; }
  void SetHeaderSide(int32_t side) override { side_ = side; }
  int32_t HeaderHeight() const override { return kHeaderHeight; }
  int32_t PageAreaWidth() const override;
  int32_t PageAreaHeight() const override;

  // The user clicks header i (selects it) or releases the right button on it.
  void UserSelect(int32_t i) { SetCurrentPage(i); }
  void UserRightUp(int32_t i) {
    if (handlers.headerRightUp) handlers.headerRightUp(*this, i);
  }

  // Header widths follow the caption: 6 pixels a byte plus 12.
  static constexpr int32_t kHeaderHeight = 20;
  static int32_t HeaderWidthFor(const Text& caption) {
    return static_cast<int32_t>(caption.size()) * 6 + 12;
  }

  int selectionEvents = 0;

 private:
  void RaiseSelectionChanged();
  // Header lefts, recomputed after the captions change.
  mutable std::vector<int32_t> lefts_;
  mutable bool leftsDirty_ = true;
  std::vector<HeadlessPage> pages_;
  int32_t current_ = -1;
  int32_t side_ = 0;
};

// A scripted browser view: Navigate records the address, takes it as the
// current location, and runs the platform's navigate script, which may raise
// events synchronously (nested inside Navigate, as the real control does).
class HeadlessBrowserView : public ControlImpl<BrowserView> {
 public:
  HeadlessBrowserView(HeadlessWindow* owner, const ControlDesc& desc);

  void Navigate(const Text& url) override;
  void GoBack() override { ++backCalls; }
  void GoForward() override { ++forwardCalls; }
  void Refresh() override { ++refreshCalls; }
  void Stop() override { ++stopCalls; }
  Text LocationURL() const override { return locationURL; }
  Text LocationName() const override { return locationName; }

  // Raising the events as the control would.
  void RaiseBeforeNavigate2();
  void RaiseNewWindow2(NewWindowTarget& target);
  void RaiseNavigateComplete2(const Text& url);
  void RaiseDownloadBegin();
  void RaiseProgressChange(int32_t progress, int32_t max);
  void RaiseDownloadComplete();
  void RaiseStatusTextChange(const Text& text);
  void RaiseTitleChange(const Text& title);
  void RaiseCommandStateChange(int32_t command, bool enable);

  std::vector<Text> navigations;
  int backCalls = 0, forwardCalls = 0, refreshCalls = 0, stopCalls = 0;
  Text locationURL;
  Text locationName;
  // Identity of the view's application object (handed out for new windows).
  int appObjectId;
};

// The out-argument of a new-window request, as a test holds it.
class HeadlessNewWindowTarget : public NewWindowTarget {
 public:
  void Accept(BrowserView& view) override {
    if (accepted != nullptr) ++releasedObjects;
    accepted = &view;
  }
  BrowserView* accepted = nullptr;
  int releasedObjects = 0;
};

struct DrawnLine {
  int32_t x1, y1, x2, y2;
  Color color;
};

class HeadlessDrawPanel : public ControlImpl<DrawPanel> {
 public:
  using ControlImpl::ControlImpl;
  void ClearDrawing() override { lines.clear(); }
  void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Color c) override {
    lines.push_back({x1, y1, x2, y2, c});
  }
  // The pixels the kept lines cover in colour c (line-to: end point excluded).
  std::set<std::pair<int32_t, int32_t>> Pixels(Color c) const;
  void MouseMove(int32_t x, int32_t y) {
    if (handlers.mouseMove) handlers.mouseMove(*this, x, y);
  }
  void LeftDown(int32_t x, int32_t y) {
    if (handlers.leftDown) handlers.leftDown(*this, x, y);
  }

  std::vector<DrawnLine> lines;
};

class HeadlessTimer : public Timer {
 public:
  void SetPeriod(int32_t ms) override {
    period_ = ms;
    ++periodWrites;
  }
  int32_t Period() const override { return period_; }
  // One tick, as the system would deliver it while the timer runs.
  bool Fire() {
    if (period_ == 0 || !tick) return false;
    tick(*this);
    return true;
  }
  int periodWrites = 0;

 private:
  int32_t period_ = 0;
};

}  // namespace qv::headless
