// Labels are drawn by the program: the caption text, background pieces,
// the transparent progress label (only its text over what lies under it)
// and separator lines.
#include "platform/win32/controls.h"

namespace qv::win32 {
namespace {
constexpr wchar_t kLabelClass[] = L"QuorviLabel";

bool HasLineBreak(const std::wstring& s) { return s.find(L'\n') != std::wstring::npos; }
}  // namespace

void Label::RegisterClass() {
  WNDCLASSEXW wc = {};
  if (GetClassInfoExW(GetModuleHandleW(nullptr), kLabelClass, &wc)) return;
  wc.cbSize = sizeof(wc);
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &Label::Proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kLabelClass;
  RegisterClassExW(&wc);
}

Label::Label(Win32Window* owner, const ControlDesc& desc) : ControlBase(owner, desc), text_(desc.text) {
  RegisterClass();
  DWORD ex = desc.kind == ControlKind::TransLabel ? WS_EX_TRANSPARENT : 0;
  Attach(CreateChildWindow(owner, kLabelClass, 0, ex, desc, Wide(desc.text), nullptr), this);
}

// The text is kept byte for byte; the window shows its conversion.
void Label::SetText(const Text& t) {
  text_ = t;
  if (hwnd_ == nullptr) return;
  SetWindowTextW(hwnd_, Wide(t).c_str());
  InvalidateRect(hwnd_, nullptr, TRUE);
}

// What shows through a transparent label: the sibling window under its
// centre (an edit box is white), else the window's own background.
COLORREF Label::BackgroundUnder() const {
  RECT rc;
  GetWindowRect(hwnd_, &rc);
  POINT centre{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
  for (HWND w = GetWindow(hwnd_, GW_HWNDNEXT); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
    if ((GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE) == 0) continue;
    RECT wr;
    GetWindowRect(w, &wr);
    if (!PtInRect(&wr, centre)) continue;
    wchar_t cls[32] = {};
    GetClassNameW(w, cls, 32);
    if (lstrcmpiW(cls, L"Edit") == 0) return GetSysColor(COLOR_WINDOW);
    if (lstrcmpiW(cls, kLabelClass) == 0 || lstrcmpiW(cls, L"QuorviPanel") == 0) break;
    return GetSysColor(COLOR_BTNFACE);
  }
  return owner_->BackgroundColor();
}

void Label::Paint(HDC dc, const RECT& rc) {
  if (kind_ == ControlKind::Shape) {
    HBRUSH line = CreateSolidBrush(RGB(160, 160, 160));
    FillRect(dc, &rc, line);
    DeleteObject(line);
    return;
  }
  COLORREF back = kind_ == ControlKind::TransLabel ? BackgroundUnder() : owner_->BackgroundColor();
  bool addressPiece = name_.compare(0, 17, "Label_AddressBack") == 0;
  if (addressPiece) back = GetSysColor(COLOR_WINDOW);
  HBRUSH b = CreateSolidBrush(back);
  FillRect(dc, &rc, b);
  DeleteObject(b);
  if (addressPiece) {
    // The address field's frame, drawn by its background pieces.
    HBRUSH edge = CreateSolidBrush(RGB(122, 170, 110));
    RECT top{rc.left, rc.top, rc.right, rc.top + 1}, bottom{rc.left, rc.bottom - 1, rc.right, rc.bottom};
    FillRect(dc, &top, edge);
    FillRect(dc, &bottom, edge);
    DeleteObject(edge);
  }
  std::wstring text = Wide(text_);
  if (text.empty()) return;
  HGDIOBJ old = SelectObject(dc, UiFont());
  SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, IsWindowEnabled(hwnd_) ? ToColorRef(color_) : GetSysColor(COLOR_GRAYTEXT));
  RECT tr = rc;
  UINT fmt = DT_NOPREFIX;
  if (HasLineBreak(text)) {
    fmt |= DT_WORDBREAK;
  } else {
    fmt |= DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;
    if (kind_ == ControlKind::TransLabel) fmt |= DT_CENTER;
  }
  if (name_ == "Label_Title") tr.left += 4;
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &tr, fmt);
  SelectObject(dc, old);
}

LRESULT CALLBACK Label::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Label* self = SelfOf<Label>(hwnd);
  if (self == nullptr) return DefWindowProcW(hwnd, msg, wp, lp);
  int32_t x = static_cast<short>(LOWORD(lp)), y = static_cast<short>(HIWORD(lp));
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT rc;
      GetClientRect(hwnd, &rc);
      self->Paint(dc, rc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN:
      if (self->handlers.leftDown) self->handlers.leftDown(*self, x, y);
      return 0;
    case WM_LBUTTONUP:
      if (self->handlers.click) self->handlers.click(*self);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (self->handlers.doubleClick) self->handlers.doubleClick(*self);
      return 0;
    case WM_MOUSEMOVE:
      if (self->handlers.mouseMove) self->handlers.mouseMove(*self, x, y);
      return 0;
    case WM_NCHITTEST:
      // The progress label lets the mouse through to the address box.
      if (self->kind_ == ControlKind::TransLabel) return HTTRANSPARENT;
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace qv::win32
