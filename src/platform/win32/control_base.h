// The part every Win32 control shares: one child window of the owning
// top-level window, with the form's name, a tag and a text colour.
#pragma once

#include <windows.h>

#include "platform/control.h"
#include "platform/win32/child_hooks.h"
#include "platform/win32/text_conv.h"
#include "platform/win32/win32_window.h"

namespace qv::win32 {

// The window property that leads a control's window procedure to its object.
inline constexpr wchar_t kSelfProp[] = L"QuorviControl";
template <class T>
T* SelfOf(HWND hwnd) {
  return static_cast<T*>(GetPropW(hwnd, kSelfProp));
}

// Creates a child window of `owner` at the place its description gives;
// every control is clipped by its siblings so overlapping controls paint in
// z-order.
HWND CreateChildWindow(Win32Window* owner, const wchar_t* cls, DWORD style, DWORD exStyle,
                       const ControlDesc& desc, const std::wstring& text, void* param);
// The program's UI font (a CJK-capable face), shared by every control.
HFONT UiFont();
COLORREF ToColorRef(Color c);

template <class Base>
class ControlBase : public Base, public ChildHooks {
 public:
  ControlBase(Win32Window* owner, const ControlDesc& desc)
      : owner_(owner), kind_(desc.kind), name_(desc.name), rect_(desc.rect) {}
  // The window goes with the control; its procedure no longer finds us.
  ~ControlBase() override {
    if (hwnd_ != nullptr) {
      owner_->Unregister(this);
      if (IsWindow(hwnd_)) {
        RemovePropW(hwnd_, kSelfProp);
        DestroyWindow(hwnd_);
      }
    }
  }

  HWND Hwnd() const override { return hwnd_; }
  Win32Window* Owner() const { return owner_; }

  ControlKind Kind() const override { return kind_; }
  const Text& Name() const override { return name_; }

  Rect GetRect() const override { return rect_; }
  void SetRect(const Rect& r) override {
    // Layout passes place every control again; an unchanged place costs the
    // system a window move for nothing.
    bool moved = !(r == rect_);
    rect_ = r;
    if (hwnd_ != nullptr && moved) {
      SetWindowPos(hwnd_, nullptr, r.left, r.top, r.width > 0 ? r.width : 0,
                   r.height > 0 ? r.height : 0, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    AfterPlaced();
  }

  // The control's own visibility flag, whatever its parent's state.
  bool IsVisible() const override {
    return hwnd_ != nullptr && (GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0;
  }
  void SetVisible(bool v) override {
    if (hwnd_ != nullptr) ShowWindow(hwnd_, v ? SW_SHOWNA : SW_HIDE);
  }
  bool IsEnabled() const override { return hwnd_ != nullptr && IsWindowEnabled(hwnd_); }
  void SetEnabled(bool e) override {
    if (hwnd_ != nullptr) EnableWindow(hwnd_, e ? TRUE : FALSE);
  }

  Text GetText() const override {
    if (hwnd_ == nullptr) return Text();
    int n = GetWindowTextLengthW(hwnd_);
    if (n <= 0) return Text();
    std::wstring w(static_cast<size_t>(n) + 1, L'\0');
    int got = GetWindowTextW(hwnd_, &w[0], n + 1);
    w.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return Gbk(w);
  }
  void SetText(const Text& t) override {
    if (hwnd_ != nullptr) SetWindowTextW(hwnd_, Wide(t).c_str());
  }

  Text GetTag() const override { return tag_; }
  void SetTag(const Text& t) override { tag_ = t; }

  void SetTextColor(Color c) override {
    color_ = c;
    if (hwnd_ != nullptr) InvalidateRect(hwnd_, nullptr, TRUE);
  }
  Color GetTextColor() const override { return color_; }

  void Redraw() override {
    if (hwnd_ == nullptr) return;
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  }

 protected:
  // Called by the kind's constructor once its window exists.
  void Attach(HWND hwnd, void* self) {
    hwnd_ = hwnd;
    if (hwnd_ == nullptr) return;
    SetPropW(hwnd_, kSelfProp, self);
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(UiFont()), FALSE);
    owner_->Register(hwnd_, this);
  }

  Win32Window* owner_;
  HWND hwnd_ = nullptr;
  ControlKind kind_;
  Text name_;
  Rect rect_;
  Text tag_;
  Color color_{0, 0, 0};
};

}  // namespace qv::win32
