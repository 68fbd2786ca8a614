// The drawing panel: keeps the lines drawn on it and paints them again on
// every repaint; it lies under every other control of its window.
#include "platform/win32/controls.h"

namespace qv::win32 {
namespace {
constexpr wchar_t kPanelClass[] = L"QuorviPanel";
}

void Win32DrawPanel::RegisterClass() {
  WNDCLASSEXW wc = {};
  if (GetClassInfoExW(GetModuleHandleW(nullptr), kPanelClass, &wc)) return;
  wc.cbSize = sizeof(wc);
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &Win32DrawPanel::Proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  // No class cursor: the program sets the sizing cursors itself.
  wc.hCursor = nullptr;
  wc.lpszClassName = kPanelClass;
  RegisterClassExW(&wc);
}

Win32DrawPanel::Win32DrawPanel(Win32Window* owner, const ControlDesc& desc) : ControlBase(owner, desc) {
  RegisterClass();
  Attach(CreateChildWindow(owner, kPanelClass, 0, 0, desc, std::wstring(), nullptr), this);
}

void Win32DrawPanel::ClearDrawing() {
  lines_.clear();
  if (hwnd_ != nullptr) InvalidateRect(hwnd_, nullptr, TRUE);
}

void Win32DrawPanel::DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Color c) {
  lines_.push_back({x1, y1, x2, y2, c});
  if (hwnd_ != nullptr) InvalidateRect(hwnd_, nullptr, FALSE);
}

void Win32DrawPanel::AfterPlaced() { owner_->KeepPanelsAtBottom(); }

LRESULT CALLBACK Win32DrawPanel::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Win32DrawPanel* self = SelfOf<Win32DrawPanel>(hwnd);
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
      FillRect(dc, &rc, self->owner_->BackgroundBrush());
      for (const PanelLine& l : self->lines_) {
        HPEN pen = CreatePen(PS_SOLID, 1, ToColorRef(l.color));
        HGDIOBJ old = SelectObject(dc, pen);
        // Line-to draws up to, not including, the end point.
        MoveToEx(dc, l.x1, l.y1, nullptr);
        LineTo(dc, l.x2, l.y2);
        SelectObject(dc, old);
        DeleteObject(pen);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (self->handlers.mouseMove) self->handlers.mouseMove(*self, x, y);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (self->handlers.leftDown) self->handlers.leftDown(*self, x, y);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace qv::win32
