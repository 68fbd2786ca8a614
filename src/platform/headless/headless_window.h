// In-memory top-level windows.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "platform/common/control_list.h"
#include "platform/headless/headless_controls.h"
#include "platform/window.h"

namespace qv::headless {

class HeadlessPlatform;

struct RegionRecord {
  int32_t width = 0, height = 0, ellipseW = 0, ellipseH = 0;
};

class HeadlessWindow : public Window {
 public:
  HeadlessWindow(HeadlessPlatform* platform, const WindowDesc& desc, Rect outer);

  Rect GetRect() const override { return rect_; }
  void SetLeft(int32_t v) override;
  void SetTop(int32_t v) override;
  void SetWidth(int32_t v) override;
  void SetHeight(int32_t v) override;
  int32_t ClientWidth() const override;
  int32_t ClientHeight() const override;

  Text GetCaption() const override { return caption_; }
  void SetCaption(const Text& c) override { caption_ = c; }

  void Show(ShowCommand cmd) override;
  bool IsVisible() const override { return visible_; }
  bool IsMinimized() const override { return minimized_; }
  void Redraw() override { ++redraws; }
  void Destroy() override;
  bool IsDestroyed() const override { return destroyed_; }

  void SetRoundedRegion(int32_t w, int32_t h, int32_t ew, int32_t eh) override;
  void SetChildStyleOnly() override { childStyleOnly = true; }
  void SetLayeredAlpha(int32_t alpha) override;

  void SetProperty(const Text& name, intptr_t value) override { properties_[name] = value; }
  intptr_t GetProperty(const Text& name) const override;
  void SetClassName(const Text& name) override { className = name; }

  void BeginSystemDrag(int32_t hitTestCode) override;
  void SetCursor(CursorShape shape) override { cursor = shape; }

  Control* CreateControl(const ControlDesc& desc) override;
  Control* CopyControl(Control& tmpl) override;
  void DestroyControl(Control* c) override;
  Timer* CreateTimer() override;

  void AddToolTip(Control& c, const Text& tip) override;
  Text GetToolTip(Control& c) const override;

  // For tests.
  // The first live control with this form name (copies share the name).
  Control* Find(const Text& name) const;
  std::vector<Control*> FindAll(const Text& name) const;
  size_t ControlCount() const { return controls_.size(); }
  bool Owns(const Control* c) const;
  // A size or place the system imposes, raising the events; no clamping.
  void SystemSetRect(const Rect& r);
  void Activate();
  const ToolTipList& ToolTipsInOrder() const { return tips_; }
  HeadlessPlatform* Platform() const { return platform_; }
  const WindowDesc& Desc() const { return desc_; }

  Text className;
  bool childStyleOnly = false;
  int32_t layeredAlpha = -1;  // -1: not layered
  std::vector<int32_t> alphaHistory;
  std::vector<RegionRecord> regions;
  std::vector<int32_t> drags;  // hit-test codes of the system drags begun
  // What a drag does: a test may move or size the window inside it.
  std::function<void(HeadlessWindow&, int32_t hitTestCode)> dragScript;
  CursorShape cursor = CursorShape::Arrow;
  int redraws = 0;
  std::vector<ShowCommand> showCommands;

 private:
  void RaiseSize();
  void RaiseMove();
  HeadlessPlatform* platform_;
  WindowDesc desc_;
  Rect rect_;
  Text caption_;
  bool visible_ = false;
  bool minimized_ = false;
  bool destroyed_ = false;
  std::map<Text, intptr_t> properties_;
  ControlList controls_;
  std::vector<std::unique_ptr<HeadlessTimer>> timers_;
  ToolTipList tips_;
};

}  // namespace qv::headless
