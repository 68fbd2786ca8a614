// The tab strip: the common tab control, headers only. The views lie over
// its page area; the strip reports selection changes and right-button
// releases over a header.
#include "platform/win32/controls.h"

namespace qv::win32 {
namespace {

DWORD SideStyle(int32_t side) {
  switch (side) {
    case 1:
      return TCS_BOTTOM;
    case 2:
      return TCS_VERTICAL | TCS_MULTILINE;
    case 3:
      return TCS_VERTICAL | TCS_RIGHT | TCS_MULTILINE;
    default:
      return 0;
  }
}

constexpr DWORD kSideBits = TCS_BOTTOM | TCS_VERTICAL | TCS_RIGHT | TCS_MULTILINE;

}  // namespace

Win32TabStrip::Win32TabStrip(Win32Window* owner, const ControlDesc& desc) : ControlBase(owner, desc) {
  Attach(CreateChildWindow(owner, WC_TABCONTROLW, TCS_TOOLTIPS | TCS_FOCUSNEVER, 0, desc,
                           std::wstring(), nullptr),
         this);
  if (hwnd_ == nullptr) return;
  SetWindowSubclass(hwnd_, &Win32TabStrip::Subclass, 1, 0);
  // Wider headers: a tab's close button sits at the right end of its header.
  SendMessageW(hwnd_, TCM_SETPADDING, 0, MAKELPARAM(14, 3));
  // The headers' tip window asks the strip's parent for texts; route them here.
  HWND tips = reinterpret_cast<HWND>(SendMessageW(hwnd_, TCM_GETTOOLTIPS, 0, 0));
  if (tips != nullptr) owner_->Register(tips, this);
}

Win32TabStrip::~Win32TabStrip() {
  if (hwnd_ != nullptr && IsWindow(hwnd_)) RemoveWindowSubclass(hwnd_, &Win32TabStrip::Subclass, 1);
}

void Win32TabStrip::RaiseSelectionChanged() {
  if (handlers.selectionChanged) handlers.selectionChanged(*this);
}

int32_t Win32TabStrip::PageCount() const { return static_cast<int32_t>(captions_.size()); }

void Win32TabStrip::AddPage(const Text& caption) {
  if (hwnd_ == nullptr) return;
  std::wstring w = Wide(caption);
  TCITEMW item = {};
  item.mask = TCIF_TEXT;
  item.pszText = const_cast<wchar_t*>(w.c_str());
  LRESULT at = SendMessageW(hwnd_, TCM_INSERTITEMW, static_cast<WPARAM>(captions_.size()),
                            reinterpret_cast<LPARAM>(&item));
  if (at < 0) return;
  captions_.push_back(caption);
  tips_.emplace_back();
  // The first page becomes the current one, as the system does it.
  if (CurrentPage() < 0) SendMessageW(hwnd_, TCM_SETCURSEL, 0, 0);
}

void Win32TabStrip::RemovePage(int32_t index) {
  if (hwnd_ == nullptr || index < 0 || index >= PageCount()) return;
  int32_t before = CurrentPage();
  SendMessageW(hwnd_, TCM_DELETEITEM, static_cast<WPARAM>(index), 0);
  captions_.erase(captions_.begin() + index);
  tips_.erase(tips_.begin() + index);
  // The system leaves no selection when the current page goes; keep the
  // same place (or the new last page) selected instead.
  int32_t now = before;
  if (captions_.empty()) {
    now = -1;
  } else if (index < before || before >= PageCount()) {
    now = before - 1;
  }
  SendMessageW(hwnd_, TCM_SETCURSEL, static_cast<WPARAM>(now), 0);
  InvalidateRect(hwnd_, nullptr, TRUE);
  if (before != now || index == before) RaiseSelectionChanged();
}

Text Win32TabStrip::GetCaption(int32_t index) const {
  return index >= 0 && index < PageCount() ? captions_[static_cast<size_t>(index)] : Text();
}

void Win32TabStrip::SetCaption(int32_t index, const Text& caption) {
  if (hwnd_ == nullptr || index < 0 || index >= PageCount()) return;
  captions_[static_cast<size_t>(index)] = caption;
  std::wstring w = Wide(caption);
  TCITEMW item = {};
  item.mask = TCIF_TEXT;
  item.pszText = const_cast<wchar_t*>(w.c_str());
  SendMessageW(hwnd_, TCM_SETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

void Win32TabStrip::SetPageTip(int32_t index, const Text& tip) {
  if (index >= 0 && index < PageCount()) tips_[static_cast<size_t>(index)] = tip;
}

Text Win32TabStrip::GetPageTip(int32_t index) const {
  return index >= 0 && index < PageCount() ? tips_[static_cast<size_t>(index)] : Text();
}

Rect Win32TabStrip::HeaderRect(int32_t index) const {
  if (hwnd_ == nullptr || index < 0 || index >= PageCount()) return Rect{};
  RECT rc{};
  if (!SendMessageW(hwnd_, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rc)))
    return Rect{};
  return Rect{rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top};
}

int32_t Win32TabStrip::CurrentPage() const {
  if (hwnd_ == nullptr) return -1;
  return static_cast<int32_t>(SendMessageW(hwnd_, TCM_GETCURSEL, 0, 0));
}

// The system reports no change made by the program; the strip does, and
// only when the page really changes.
void Win32TabStrip::SetCurrentPage(int32_t index) {
  if (hwnd_ == nullptr || index < 0 || index >= PageCount() || index == CurrentPage()) return;
  SendMessageW(hwnd_, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  RaiseSelectionChanged();
}

void Win32TabStrip::SetHeaderSide(int32_t side) {
  side_ = side;
  if (hwnd_ == nullptr) return;
  LONG style = GetWindowLongW(hwnd_, GWL_STYLE);
  LONG want = (style & ~static_cast<LONG>(kSideBits)) | static_cast<LONG>(SideStyle(side));
  if (want == style) return;
  SetWindowLongW(hwnd_, GWL_STYLE, want);
  SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

RECT Win32TabStrip::PageArea() const {
  RECT rc{};
  if (hwnd_ == nullptr) return rc;
  GetClientRect(hwnd_, &rc);
  SendMessageW(hwnd_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rc));
  return rc;
}

int32_t Win32TabStrip::HeaderHeight() const {
  if (hwnd_ == nullptr) return 0;
  if (PageCount() > 0) {
    Rect r = HeaderRect(0);
    if (r.height > 0) return r.height;
  }
  // No header yet: what the strip keeps free around its page area.
  RECT client{};
  GetClientRect(hwnd_, &client);
  RECT area = PageArea();
  int32_t h = (client.bottom - client.top) - (area.bottom - area.top);
  return h > 0 ? h : 0;
}

int32_t Win32TabStrip::PageAreaWidth() const {
  RECT rc = PageArea();
  return rc.right > rc.left ? rc.right - rc.left : 0;
}

int32_t Win32TabStrip::PageAreaHeight() const {
  RECT rc = PageArea();
  return rc.bottom > rc.top ? rc.bottom - rc.top : 0;
}

bool Win32TabStrip::OnNotify(NMHDR* hdr, LRESULT& result) {
  if (hdr->code == TCN_SELCHANGE && hdr->hwndFrom == hwnd_) {
    RaiseSelectionChanged();
    result = 0;
    return true;
  }
  if (hdr->code == TTN_GETDISPINFOW && hdr->hwndFrom != hwnd_) {
    auto* info = reinterpret_cast<NMTTDISPINFOW*>(hdr);
    int32_t page = static_cast<int32_t>(hdr->idFrom);
    tipBuffer_ = Wide(GetPageTip(page));
    info->lpszText = const_cast<wchar_t*>(tipBuffer_.c_str());
    info->hinst = nullptr;
    result = 0;
    return true;
  }
  return false;
}

LRESULT CALLBACK Win32TabStrip::Subclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                         DWORD_PTR) {
  Win32TabStrip* self = SelfOf<Win32TabStrip>(hwnd);
  if (self != nullptr && msg == WM_RBUTTONUP) {
    TCHITTESTINFO hit = {};
    hit.pt.x = static_cast<short>(LOWORD(lp));
    hit.pt.y = static_cast<short>(HIWORD(lp));
    LRESULT page = SendMessageW(hwnd, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (page >= 0 && self->handlers.headerRightUp) {
      self->handlers.headerRightUp(*self, static_cast<int32_t>(page));
      return 0;
    }
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace qv::win32
