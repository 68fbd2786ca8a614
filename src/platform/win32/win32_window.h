// A top-level window of the program: the frameless main window, the status
// strip or the configuration dialog, with the controls it owns.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <vector>

#include "platform/window.h"
#include "platform/win32/child_hooks.h"

namespace qv::win32 {

class Win32Platform;
class Win32Timer;
class ToolTipWindow;

class Win32Window : public Window {
 public:
  Win32Window(Win32Platform* platform, const WindowDesc& desc);
  ~Win32Window() override;

  HWND Hwnd() const { return hwnd_; }
  Win32Platform* Platform() const { return platform_; }
  const WindowDesc& Desc() const { return desc_; }
  HBRUSH BackgroundBrush() const { return background_; }
  COLORREF BackgroundColor() const { return backgroundColor_; }

  Rect GetRect() const override;
  void SetLeft(int32_t v) override;
  void SetTop(int32_t v) override;
  void SetWidth(int32_t v) override;
  void SetHeight(int32_t v) override;
  int32_t ClientWidth() const override;
  int32_t ClientHeight() const override;

  Text GetCaption() const override;
  void SetCaption(const Text& caption) override;

  void Show(ShowCommand cmd) override;
  bool IsVisible() const override;
  bool IsMinimized() const override;
  void Redraw() override;
  void Destroy() override;
  bool IsDestroyed() const override { return hwnd_ == nullptr; }

  void SetRoundedRegion(int32_t w, int32_t h, int32_t ew, int32_t eh) override;
  void SetChildStyleOnly() override;
  void SetLayeredAlpha(int32_t alpha) override;

  void SetProperty(const Text& name, intptr_t value) override;
  intptr_t GetProperty(const Text& name) const override;
  void SetClassName(const Text& name) override { className_ = name; }

  void BeginSystemDrag(int32_t hitTestCode) override;
  void SetCursor(CursorShape shape) override;

  Control* CreateControl(const ControlDesc& desc) override;
  Control* CopyControl(Control& tmpl) override;
  void DestroyControl(Control* c) override;
  Timer* CreateTimer() override;

  void AddToolTip(Control& c, const Text& tip) override;
  Text GetToolTip(Control& c) const override;

  // For the controls.
  int NextControlId() { return nextId_++; }
  void Register(HWND hwnd, ChildHooks* hooks);
  void Unregister(ChildHooks* hooks);
  // Keeps drawing panels under every other child.
  void KeepPanelsAtBottom();
  ToolTipWindow& ToolTips();

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  ChildHooks* HooksFor(HWND child) const;
  void SetOuter(int x, int y, int w, int h, UINT flags);

  Win32Platform* platform_;
  WindowDesc desc_;
  Text className_;
  Text caption_;
  HWND hwnd_ = nullptr;
  HBRUSH background_ = nullptr;
  COLORREF backgroundColor_ = 0;
  HCURSOR cursor_ = nullptr;
  bool destroyingRaised_ = false;
  bool inSystemDrag_ = false;
  int nextId_ = 1000;
  std::map<HWND, ChildHooks*> children_;
  std::vector<std::unique_ptr<Control>> controls_;
  std::vector<std::unique_ptr<Win32Timer>> timers_;
  std::unique_ptr<ToolTipWindow> tips_;
  std::map<const Control*, Text> tipTexts_;
};

}  // namespace qv::win32
