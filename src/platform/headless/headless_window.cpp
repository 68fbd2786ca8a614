#include "platform/headless/headless_window.h"

#include <algorithm>

#include "platform/headless/headless_platform.h"

namespace qv::headless {

HeadlessWindow::HeadlessWindow(HeadlessPlatform* platform, const WindowDesc& desc, Rect outer)
    : className(desc.className), platform_(platform), desc_(desc), rect_(outer),
      caption_(desc.caption) {}

void HeadlessWindow::RaiseSize() {
  if (handlers.sizeChanged) handlers.sizeChanged(*this);
}

void HeadlessWindow::RaiseMove() {
  if (handlers.moved) handlers.moved(*this);
}

// The system does not make a window narrower than nothing.
void HeadlessWindow::SetLeft(int32_t v) {
  if (v == rect_.left) return;
  rect_.left = v;
  RaiseMove();
}

void HeadlessWindow::SetTop(int32_t v) {
  if (v == rect_.top) return;
  rect_.top = v;
  RaiseMove();
}

void HeadlessWindow::SetWidth(int32_t v) {
  v = std::max(v, 0);
  if (v == rect_.width) return;
  rect_.width = v;
  RaiseSize();
}

void HeadlessWindow::SetHeight(int32_t v) {
  v = std::max(v, 0);
  if (v == rect_.height) return;
  rect_.height = v;
  RaiseSize();
}

void HeadlessWindow::SystemSetRect(const Rect& r) {
  bool moved = r.left != rect_.left || r.top != rect_.top;
  bool sized = r.width != rect_.width || r.height != rect_.height;
  rect_ = r;
  if (moved) RaiseMove();
  if (sized) RaiseSize();
}

int32_t HeadlessWindow::ClientWidth() const {
  int32_t border = desc_.style == WindowStyle::FixedDialog ? 6 : 0;
  return std::max(rect_.width - border, 0);
}

int32_t HeadlessWindow::ClientHeight() const {
  int32_t border = desc_.style == WindowStyle::FixedDialog ? 29 : 0;
  return std::max(rect_.height - border, 0);
}

void HeadlessWindow::Show(ShowCommand cmd) {
  showCommands.push_back(cmd);
  switch (cmd) {
    case ShowCommand::Hide:
      visible_ = false;
      break;
    case ShowCommand::Normal:
      visible_ = true;
      minimized_ = false;
      break;
    case ShowCommand::Minimize:
      visible_ = true;
      minimized_ = true;
      break;
    case ShowCommand::Show:
      visible_ = true;
      break;
  }
}

void HeadlessWindow::Destroy() {
  if (destroyed_) return;
  if (handlers.destroying) handlers.destroying(*this);
  destroyed_ = true;
  visible_ = false;
  auto& top = HeadlessWorld::Get().topLevel;
  top.erase(std::remove(top.begin(), top.end(), this), top.end());
  if (handlers.closed) handlers.closed(*this);
}

void HeadlessWindow::SetRoundedRegion(int32_t w, int32_t h, int32_t ew, int32_t eh) {
  regions.push_back({w, h, ew, eh});
}

void HeadlessWindow::SetLayeredAlpha(int32_t alpha) {
  layeredAlpha = alpha;
  alphaHistory.push_back(alpha);
}

intptr_t HeadlessWindow::GetProperty(const Text& name) const {
  auto it = properties_.find(name);
  return it == properties_.end() ? 0 : it->second;
}

void HeadlessWindow::BeginSystemDrag(int32_t hitTestCode) {
  drags.push_back(hitTestCode);
  if (dragScript) dragScript(*this, hitTestCode);
}

Control* HeadlessWindow::CreateControl(const ControlDesc& desc) {
  std::unique_ptr<Control> c;
  switch (desc.kind) {
    case ControlKind::EditBox:
      c = std::make_unique<HeadlessEditBox>(this, desc);
      break;
    case ControlKind::ComboBox:
      c = std::make_unique<HeadlessComboBox>(this, desc);
      break;
    case ControlKind::TabStrip:
      c = std::make_unique<HeadlessTabStrip>(this, desc);
      break;
    case ControlKind::BrowserView:
      c = std::make_unique<HeadlessBrowserView>(this, desc);
      break;
    case ControlKind::DrawPanel:
      c = std::make_unique<HeadlessDrawPanel>(this, desc);
      break;
    default:
      c = std::make_unique<HeadlessControl>(this, desc);
      break;
  }
  controls_.push_back(std::move(c));
  return controls_.back().get();
}

Control* HeadlessWindow::CopyControl(Control& tmpl) {
  Control* c = CreateControl(CopyDescOf(tmpl));
  CopyBindings(tmpl, *c);
  return c;
}

void HeadlessWindow::DestroyControl(Control* c) {
  RemoveControl(controls_, tips_, c);
}

Timer* HeadlessWindow::CreateTimer() {
  timers_.push_back(std::make_unique<HeadlessTimer>());
  return timers_.back().get();
}

void HeadlessWindow::AddToolTip(Control& c, const Text& tip) {
  platform_->log.push_back("tip:" + c.Name());
  SetToolTip(tips_, c, tip);
}

Text HeadlessWindow::GetToolTip(Control& c) const {
  return ToolTipOf(tips_, c);
}

Control* HeadlessWindow::Find(const Text& name) const {
  return FindControl(controls_, name);
}

std::vector<Control*> HeadlessWindow::FindAll(const Text& name) const {
  return FindControls(controls_, name);
}

bool HeadlessWindow::Owns(const Control* c) const {
  return OwnsControl(controls_, c);
}

void HeadlessWindow::Activate() {
  if (handlers.activated) handlers.activated(*this);
}

}  // namespace qv::headless
