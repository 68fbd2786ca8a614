// The address box: a single-line edit control whose characters, key
// presses and focus changes reach the program, drawn in the program's
// text colour.
#include "platform/win32/controls.h"

namespace qv::win32 {
namespace {

int32_t ModifierState() {
  int32_t m = 0;
  if (GetKeyState(VK_CONTROL) < 0) m |= kModCtrl;
  if (GetKeyState(VK_SHIFT) < 0) m |= kModShift;
  if (GetKeyState(VK_MENU) < 0) m |= kModAlt;
  return m;
}

}  // namespace

Win32EditBox::Win32EditBox(Win32Window* owner, const ControlDesc& desc) : ControlBase(owner, desc) {
  Attach(CreateChildWindow(owner, L"EDIT", ES_AUTOHSCROLL | ES_LEFT | WS_TABSTOP, 0, desc,
                           Wide(desc.text), nullptr),
         this);
  if (hwnd_ != nullptr) SetWindowSubclass(hwnd_, &Win32EditBox::Subclass, 1, 0);
}

Win32EditBox::~Win32EditBox() {
  if (hwnd_ != nullptr && IsWindow(hwnd_)) RemoveWindowSubclass(hwnd_, &Win32EditBox::Subclass, 1);
}

void Win32EditBox::OnCommand(WORD code) {
  if (code == EN_SETFOCUS) {
    if (handlers.focusGained) handlers.focusGained(*this);
  } else if (code == EN_KILLFOCUS) {
    if (handlers.focusLost) handlers.focusLost(*this);
  }
}

HBRUSH Win32EditBox::OnCtlColor(HDC dc) {
  ::SetTextColor(dc, ToColorRef(color_));
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  return GetSysColorBrush(COLOR_WINDOW);
}

LRESULT CALLBACK Win32EditBox::Subclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                        DWORD_PTR) {
  Win32EditBox* self = SelfOf<Win32EditBox>(hwnd);
  if (self == nullptr) return DefSubclassProc(hwnd, msg, wp, lp);
  switch (msg) {
    case WM_CHAR:
      if (self->handlers.charInput) self->handlers.charInput(*self, static_cast<int32_t>(wp));
      // Enter is the program's; the single-line box would only beep at it.
      if (wp == L'\r' || wp == L'\n') return 0;
      break;
    case WM_KEYDOWN:
      if (self->handlers.keyDown)
        self->handlers.keyDown(*self, static_cast<int32_t>(wp), ModifierState());
      break;
    case WM_GETDLGCODE:
      return DefSubclassProc(hwnd, msg, wp, lp) | DLGC_WANTALLKEYS;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace qv::win32
