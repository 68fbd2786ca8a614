#include "platform/headless/headless_controls.h"

#include <cstdlib>

#include "platform/headless/headless_platform.h"
#include "platform/headless/headless_window.h"

namespace qv::headless {

void HeadlessTabStrip::RaiseSelectionChanged() {
  ++selectionEvents;
  if (handlers.selectionChanged) handlers.selectionChanged(*this);
}

void HeadlessTabStrip::AddPage(const Text& caption) {
  pages_.push_back({caption, Text()});
  leftsDirty_ = true;
  if (current_ < 0) current_ = 0;
}

void HeadlessTabStrip::RemovePage(int32_t index) {
  if (index < 0 || index >= PageCount()) return;
  pages_.erase(pages_.begin() + index);
  leftsDirty_ = true;
  int32_t before = current_;
  if (pages_.empty()) {
    current_ = -1;
  } else if (index < current_ || current_ >= PageCount()) {
    --current_;
  }
  // The page under the selection changed: the system reports a new selection.
  if (before != current_ || index == before) RaiseSelectionChanged();
}

Text HeadlessTabStrip::GetCaption(int32_t i) const {
  return i >= 0 && i < PageCount() ? pages_[static_cast<size_t>(i)].caption : Text();
}

void HeadlessTabStrip::SetCaption(int32_t i, const Text& caption) {
  if (i < 0 || i >= PageCount()) return;
  if (pages_[static_cast<size_t>(i)].caption.size() != caption.size()) leftsDirty_ = true;
  pages_[static_cast<size_t>(i)].caption = caption;
}

void HeadlessTabStrip::SetPageTip(int32_t i, const Text& tip) {
  if (i >= 0 && i < PageCount()) pages_[static_cast<size_t>(i)].tip = tip;
}

Text HeadlessTabStrip::GetPageTip(int32_t i) const {
  return i >= 0 && i < PageCount() ? pages_[static_cast<size_t>(i)].tip : Text();
}

Rect HeadlessTabStrip::HeaderRect(int32_t i) const {
  if (i < 0 || i >= PageCount()) return Rect{};
  if (leftsDirty_) {
    lefts_.resize(pages_.size());
    int32_t left = 2;
    for (size_t k = 0; k < pages_.size(); ++k) {
      lefts_[k] = left;
      left += HeaderWidthFor(pages_[k].caption);
    }
    leftsDirty_ = false;
  }
  int32_t left = lefts_[static_cast<size_t>(i)];
  int32_t top = side_ == 1 ? rect_.height - kHeaderHeight - 2 : 2;
  return Rect{left, top, HeaderWidthFor(pages_[static_cast<size_t>(i)].caption), kHeaderHeight};
}

void HeadlessTabStrip::SetCurrentPage(int32_t i) {
  if (i < 0 || i >= PageCount() || i == current_) return;
  current_ = i;
  RaiseSelectionChanged();
}

int32_t HeadlessTabStrip::PageAreaWidth() const { return rect_.width > 8 ? rect_.width - 8 : 0; }

int32_t HeadlessTabStrip::PageAreaHeight() const {
  int32_t h = rect_.height - kHeaderHeight - 8;
  return h > 0 ? h : 0;
}

HeadlessBrowserView::HeadlessBrowserView(HeadlessWindow* owner, const ControlDesc& desc)
    : ControlImpl(owner, desc), appObjectId(owner->Platform()->nextAppObjectId++) {}

void HeadlessBrowserView::Navigate(const Text& url) {
  navigations.push_back(url);
  locationURL = url;
  HeadlessPlatform* p = owner_->Platform();
  p->log.push_back("navigate:" + url);
  if (p->navigateScript) p->navigateScript(*this, url);
}

void HeadlessBrowserView::RaiseBeforeNavigate2() {
  if (browserHandlers.beforeNavigate2) browserHandlers.beforeNavigate2(*this);
}
void HeadlessBrowserView::RaiseNewWindow2(NewWindowTarget& target) {
  if (browserHandlers.newWindow2) browserHandlers.newWindow2(*this, target);
}
void HeadlessBrowserView::RaiseNavigateComplete2(const Text& url) {
  locationURL = url;
  if (browserHandlers.navigateComplete2) browserHandlers.navigateComplete2(*this, url);
}
void HeadlessBrowserView::RaiseDownloadBegin() {
  if (browserHandlers.downloadBegin) browserHandlers.downloadBegin(*this);
}
void HeadlessBrowserView::RaiseProgressChange(int32_t progress, int32_t max) {
  if (browserHandlers.progressChange) browserHandlers.progressChange(*this, progress, max);
}
void HeadlessBrowserView::RaiseDownloadComplete() {
  if (browserHandlers.downloadComplete) browserHandlers.downloadComplete(*this);
}
void HeadlessBrowserView::RaiseStatusTextChange(const Text& text) {
  if (browserHandlers.statusTextChange) browserHandlers.statusTextChange(*this, text);
}
void HeadlessBrowserView::RaiseTitleChange(const Text& title) {
  locationName = title;
  if (browserHandlers.titleChange) browserHandlers.titleChange(*this, title);
}
void HeadlessBrowserView::RaiseCommandStateChange(int32_t command, bool enable) {
  if (browserHandlers.commandStateChange) browserHandlers.commandStateChange(*this, command, enable);
}

std::set<std::pair<int32_t, int32_t>> HeadlessDrawPanel::Pixels(Color c) const {
  std::set<std::pair<int32_t, int32_t>> out;
  for (const DrawnLine& l : lines) {
    if (l.color != c) continue;
    // Bresenham from the first point toward the second, the second excluded.
    int32_t x = l.x1, y = l.y1;
    int32_t dx = std::abs(l.x2 - l.x1), dy = -std::abs(l.y2 - l.y1);
    int32_t sx = l.x1 < l.x2 ? 1 : -1, sy = l.y1 < l.y2 ? 1 : -1;
    int32_t err = dx + dy;
    while (!(x == l.x2 && y == l.y2)) {
      out.insert({x, y});
      int32_t e2 = 2 * err;
      if (e2 >= dy) {
        err += dy;
        x += sx;
      }
      if (e2 <= dx) {
        err += dx;
        y += sy;
      }
    }
  }
  return out;
}

}  // namespace qv::headless
