#include "platform/win32/win32_window.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/win32/controls.h"
#include "platform/win32/text_conv.h"
#include "platform/win32/tool_tips.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_timer.h"

namespace qv::win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"QuorviWindow";

DWORD StyleFor(WindowStyle s) {
  switch (s) {
    case WindowStyle::Frameless:
      // No caption and no sizing frame: the program draws both. The boxes
      // keep minimize and maximize available to the system and the taskbar.
      return WS_POPUP | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_SYSMENU | WS_CLIPCHILDREN;
    case WindowStyle::Tool:
      return WS_POPUP | WS_CLIPCHILDREN;
    case WindowStyle::FixedDialog:
      return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  }
  return WS_POPUP;
}

DWORD ExStyleFor(WindowStyle s) {
  switch (s) {
    case WindowStyle::Frameless:
    case WindowStyle::FixedDialog:
      return WS_EX_APPWINDOW;
    case WindowStyle::Tool:
      return WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
  }
  return 0;
}

// A class per name, so other programs (and the instance walk) can find the
// main window by the class the form gives it.
void RegisterWindowClass(const std::wstring& name) {
  WNDCLASSEXW wc = {};
  if (GetClassInfoExW(GetModuleHandleW(nullptr), name.c_str(), &wc)) return;
  wc.cbSize = sizeof(wc);
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = DefWindowProcW;  // replaced per window at creation
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
  wc.lpszClassName = name.c_str();
  RegisterClassExW(&wc);
}

LPCWSTR CursorId(CursorShape s) {
  switch (s) {
    case CursorShape::SizeNWSE:
      return IDC_SIZENWSE;
    case CursorShape::SizeNS:
      return IDC_SIZENS;
    case CursorShape::SizeNESW:
      return IDC_SIZENESW;
    case CursorShape::SizeWE:
      return IDC_SIZEWE;
    case CursorShape::Arrow:
      break;
  }
  return IDC_ARROW;
}

}  // namespace

Win32Window::Win32Window(Win32Platform* platform, const WindowDesc& desc)
    : platform_(platform), desc_(desc), className_(desc.className), caption_(desc.caption) {
  backgroundColor_ = RGB(desc.background.r, desc.background.g, desc.background.b);
  cursor_ = LoadCursorW(nullptr, IDC_ARROW);
  background_ = CreateSolidBrush(backgroundColor_);
  std::wstring cls = desc.className.empty() ? std::wstring(kWindowClass) : Wide(desc.className);
  RegisterWindowClass(cls);

  int w = std::max(desc.width, 0), h = std::max(desc.height, 0);
  int x = CW_USEDEFAULT, y = CW_USEDEFAULT;
  if (desc.centred) {
    x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
    y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
  }
  HWND owner = nullptr;
  if (auto* o = dynamic_cast<Win32Window*>(desc.owner)) owner = o->Hwnd();
  hwnd_ = CreateWindowExW(ExStyleFor(desc.style), cls.c_str(), Wide(desc.caption).c_str(),
                          StyleFor(desc.style), x, y, w, h, owner, nullptr,
                          GetModuleHandleW(nullptr), nullptr);
  if (hwnd_ == nullptr) return;
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32Window::Proc));
}

Win32Window::~Win32Window() {
  // Controls first: they may still need the window to unregister from.
  controls_.clear();
  timers_.clear();
  tips_.reset();
  if (hwnd_ != nullptr) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
  DeleteObject(background_);
}

LRESULT CALLBACK Win32Window::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(hwnd, msg, wp, lp);
  return self->Handle(msg, wp, lp);
}

ChildHooks* Win32Window::HooksFor(HWND child) const {
  auto it = children_.find(child);
  return it == children_.end() ? nullptr : it->second;
}

void Win32Window::Register(HWND hwnd, ChildHooks* hooks) {
  if (hwnd != nullptr) children_[hwnd] = hooks;
}

void Win32Window::Unregister(ChildHooks* hooks) {
  for (auto it = children_.begin(); it != children_.end();) {
    if (it->second == hooks)
      it = children_.erase(it);
    else
      ++it;
  }
}

LRESULT Win32Window::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  HWND hwnd = hwnd_;
  switch (msg) {
    case WM_NCCALCSIZE:
      // The frameless window's client is the whole window, also while a
      // sizing frame is lent to it for a border drag.
      if (desc_.style == WindowStyle::Frameless && wp == TRUE) return 0;
      break;
    case WM_ERASEBKGND: {
      RECT rc;
      GetClientRect(hwnd, &rc);
      FillRect(reinterpret_cast<HDC>(wp), &rc, background_);
      return 1;
    }
    case WM_SIZE:
      // A minimized window has no size worth laying out.
      if (wp != SIZE_MINIMIZED && handlers.sizeChanged) handlers.sizeChanged(*this);
      return 0;
    case WM_MOVE:
      if (!IsIconic(hwnd) && handlers.moved) handlers.moved(*this);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wp) != WA_INACTIVE && handlers.activated) handlers.activated(*this);
      break;
    case WM_MOUSEACTIVATE:
      if (desc_.style == WindowStyle::Tool) return MA_NOACTIVATE;
      break;
    case WM_LBUTTONDOWN:
      // A press on the window's own surface moves it, as on a caption.
      if (desc_.dragByAnyPoint) BeginSystemDrag(HTCAPTION);
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lp) == HTCLIENT && cursor_ != nullptr) {
        HWND over = reinterpret_cast<HWND>(wp);
        ChildHooks* h = HooksFor(over);
        if (over == hwnd || (h != nullptr && dynamic_cast<Win32DrawPanel*>(h) != nullptr)) {
          ::SetCursor(cursor_);
          return TRUE;
        }
      }
      break;
    case WM_COMMAND:
      if (lp != 0) {
        if (ChildHooks* h = HooksFor(reinterpret_cast<HWND>(lp))) h->OnCommand(HIWORD(wp));
        return 0;
      }
      break;
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lp);
      if (hdr != nullptr) {
        if (ChildHooks* h = HooksFor(hdr->hwndFrom)) {
          LRESULT result = 0;
          if (h->OnNotify(hdr, result)) return result;
        }
      }
      break;
    }
    case WM_DRAWITEM: {
      auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
      if (dis != nullptr) {
        if (ChildHooks* h = HooksFor(dis->hwndItem))
          if (h->OnDrawItem(*dis)) return TRUE;
      }
      break;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX: {
      HDC dc = reinterpret_cast<HDC>(wp);
      if (ChildHooks* h = HooksFor(reinterpret_cast<HWND>(lp)))
        if (HBRUSH b = h->OnCtlColor(dc)) return reinterpret_cast<LRESULT>(b);
      if (msg == WM_CTLCOLORSTATIC || msg == WM_CTLCOLORBTN) {
        SetBkColor(dc, backgroundColor_);
        return reinterpret_cast<LRESULT>(background_);
      }
      break;
    }
    case WM_TIMER:
      for (auto& t : timers_) {
        if (t->Id() == wp) {
          t->Fire();
          return 0;
        }
      }
      return 0;
    case WM_CLOSE:
      Destroy();
      return 0;
    case WM_DESTROY:
      if (!destroyingRaised_) {
        destroyingRaised_ = true;
        if (handlers.destroying) handlers.destroying(*this);
      }
      for (auto& t : timers_) t->Stop();
      return 0;
    case WM_NCDESTROY: {
      LRESULT r = DefWindowProcW(hwnd, msg, wp, lp);
      hwnd_ = nullptr;
      children_.clear();
      if (handlers.closed) handlers.closed(*this);
      // Wakes the message loop so it sees that its window is gone.
      PostMessageW(nullptr, WM_NULL, 0, 0);
      return r;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

Rect Win32Window::GetRect() const {
  RECT rc{};
  if (hwnd_ != nullptr) GetWindowRect(hwnd_, &rc);
  return Rect{rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top};
}

void Win32Window::SetOuter(int x, int y, int w, int h, UINT flags) {
  if (hwnd_ == nullptr) return;
  SetWindowPos(hwnd_, nullptr, x, y, w, h, flags | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Each setter changes one value; the system then reports the move or size
// synchronously (WM_MOVE / WM_SIZE), and only when something changed.
void Win32Window::SetLeft(int32_t v) {
  Rect r = GetRect();
  if (r.left != v) SetOuter(v, r.top, 0, 0, SWP_NOSIZE);
}

void Win32Window::SetTop(int32_t v) {
  Rect r = GetRect();
  if (r.top != v) SetOuter(r.left, v, 0, 0, SWP_NOSIZE);
}

void Win32Window::SetWidth(int32_t v) {
  v = std::max(v, 0);
  Rect r = GetRect();
  if (r.width != v) SetOuter(0, 0, v, r.height, SWP_NOMOVE);
}

void Win32Window::SetHeight(int32_t v) {
  v = std::max(v, 0);
  Rect r = GetRect();
  if (r.height != v) SetOuter(0, 0, r.width, v, SWP_NOMOVE);
}

int32_t Win32Window::ClientWidth() const {
  RECT rc{};
  if (hwnd_ != nullptr) GetClientRect(hwnd_, &rc);
  return rc.right - rc.left;
}

int32_t Win32Window::ClientHeight() const {
  RECT rc{};
  if (hwnd_ != nullptr) GetClientRect(hwnd_, &rc);
  return rc.bottom - rc.top;
}

// The caption is kept as given: a title cut inside a double-byte character
// reads back byte for byte, while the system shows what it can of it.
Text Win32Window::GetCaption() const { return caption_; }

void Win32Window::SetCaption(const Text& caption) {
  caption_ = caption;
  if (hwnd_ != nullptr) SetWindowTextW(hwnd_, Wide(caption).c_str());
}

void Win32Window::Show(ShowCommand cmd) {
  if (hwnd_ == nullptr) return;
  bool quiet = desc_.style == WindowStyle::Tool;
  switch (cmd) {
    case ShowCommand::Hide:
      ShowWindow(hwnd_, SW_HIDE);
      break;
    case ShowCommand::Normal:
      ShowWindow(hwnd_, quiet ? SW_SHOWNOACTIVATE : SW_SHOWNORMAL);
      break;
    case ShowCommand::Minimize:
      ShowWindow(hwnd_, SW_MINIMIZE);
      break;
    case ShowCommand::Show:
      ShowWindow(hwnd_, quiet ? SW_SHOWNA : SW_SHOW);
      break;
  }
}

bool Win32Window::IsVisible() const {
  return hwnd_ != nullptr && (GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool Win32Window::IsMinimized() const { return hwnd_ != nullptr && IsIconic(hwnd_); }

void Win32Window::Redraw() {
  if (hwnd_ != nullptr)
    RedrawWindow(hwnd_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void Win32Window::Destroy() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

void Win32Window::SetRoundedRegion(int32_t w, int32_t h, int32_t ew, int32_t eh) {
  if (hwnd_ == nullptr) return;
  HRGN rgn = CreateRoundRectRgn(0, 0, w, h, ew, eh);
  // The window owns the region from here on.
  if (rgn != nullptr && !SetWindowRgn(hwnd_, rgn, TRUE)) DeleteObject(rgn);
}

void Win32Window::SetChildStyleOnly() {
  if (hwnd_ != nullptr) SetWindowLongW(hwnd_, GWL_STYLE, WS_CHILD);
}

void Win32Window::SetLayeredAlpha(int32_t alpha) {
  if (hwnd_ == nullptr) return;
  if (alpha < 0 || alpha > 255) alpha = 255;
  SetWindowLongW(hwnd_, GWL_EXSTYLE, WS_EX_LAYERED);
  SetLayeredWindowAttributes(hwnd_, 0, static_cast<BYTE>(alpha), LWA_ALPHA);
}

void Win32Window::SetProperty(const Text& name, intptr_t value) {
  if (hwnd_ != nullptr) SetPropW(hwnd_, Wide(name).c_str(), reinterpret_cast<HANDLE>(value));
}

intptr_t Win32Window::GetProperty(const Text& name) const {
  if (hwnd_ == nullptr) return 0;
  return reinterpret_cast<intptr_t>(GetPropW(hwnd_, Wide(name).c_str()));
}

void Win32Window::BeginSystemDrag(int32_t hitTestCode) {
  if (hwnd_ == nullptr || inSystemDrag_) return;
  // Without a held button the system's loop would wait for a release that
  // has already happened.
  if ((GetAsyncKeyState(VK_LBUTTON) & 0x8000) == 0) return;
  inSystemDrag_ = true;
  HWND hwnd = hwnd_;
  LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  bool sizing = hitTestCode >= HTLEFT && hitTestCode <= HTBOTTOMRIGHT;
  // The system sizes only windows with a sizing frame; the frame is lent
  // for the drag and has no width (WM_NCCALCSIZE keeps the client whole).
  if (sizing && (style & WS_THICKFRAME) == 0) SetWindowLongW(hwnd, GWL_STYLE, style | WS_THICKFRAME);
  ReleaseCapture();
  // The press point: the system measures the drag from it.
  SendMessageW(hwnd, WM_NCLBUTTONDOWN, static_cast<WPARAM>(hitTestCode),
               static_cast<LPARAM>(GetMessagePos()));
  if (IsWindow(hwnd)) {
    if (sizing && (style & WS_THICKFRAME) == 0) SetWindowLongW(hwnd, GWL_STYLE,
                                                               GetWindowLongW(hwnd, GWL_STYLE) & ~WS_THICKFRAME);
    inSystemDrag_ = false;
  }
}

void Win32Window::SetCursor(CursorShape shape) {
  cursor_ = LoadCursorW(nullptr, CursorId(shape));
  ::SetCursor(cursor_);
}

Control* Win32Window::CreateControl(const ControlDesc& desc) {
  if (hwnd_ == nullptr) return nullptr;
  controls_.push_back(MakeControl(this, desc));
  KeepPanelsAtBottom();
  return controls_.back().get();
}

Control* Win32Window::CopyControl(Control& tmpl) {
  Control* c = CreateControl(CopyDescOf(tmpl));
  if (c == nullptr) return nullptr;
  CopyBindings(tmpl, *c);
  return c;
}

void Win32Window::DestroyControl(Control* c) {
  if (c == nullptr) return;
  tipTexts_.erase(c);
  if (tips_ != nullptr) {
    if (auto* h = dynamic_cast<ChildHooks*>(c)) tips_->Remove(h->Hwnd());
  }
  auto it = std::find_if(controls_.begin(), controls_.end(),
                         [c](const std::unique_ptr<Control>& p) { return p.get() == c; });
  if (it == controls_.end()) return;
  std::unique_ptr<Control> gone = std::move(*it);
  controls_.erase(it);
  gone.reset();
}

Timer* Win32Window::CreateTimer() {
  timers_.push_back(std::make_unique<Win32Timer>(this, static_cast<UINT_PTR>(timers_.size() + 1)));
  return timers_.back().get();
}

ToolTipWindow& Win32Window::ToolTips() {
  if (tips_ == nullptr) tips_ = std::make_unique<ToolTipWindow>(hwnd_);
  return *tips_;
}

void Win32Window::AddToolTip(Control& c, const Text& tip) {
  auto* h = dynamic_cast<ChildHooks*>(&c);
  if (h == nullptr || hwnd_ == nullptr) return;
  tipTexts_[&c] = tip;
  ToolTips().Set(h->Hwnd(), Wide(tip));
}

Text Win32Window::GetToolTip(Control& c) const {
  auto it = tipTexts_.find(&c);
  return it == tipTexts_.end() ? Text() : it->second;
}

void Win32Window::KeepPanelsAtBottom() {
  for (auto& c : controls_) {
    if (c->Kind() != ControlKind::DrawPanel) continue;
    if (auto* h = dynamic_cast<ChildHooks*>(c.get()))
      SetWindowPos(h->Hwnd(), HWND_BOTTOM, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

}  // namespace qv::win32
