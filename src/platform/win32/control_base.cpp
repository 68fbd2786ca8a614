#include "platform/win32/control_base.h"

namespace qv::win32 {

HWND CreateChildWindow(Win32Window* owner, const wchar_t* cls, DWORD style, DWORD exStyle,
                       const ControlDesc& desc, const std::wstring& text, void* param) {
  if (owner == nullptr || owner->Hwnd() == nullptr) return nullptr;
  style |= WS_CHILD | WS_CLIPSIBLINGS;
  if (desc.visible) style |= WS_VISIBLE;
  if (!desc.enabled) style |= WS_DISABLED;
  const Rect& r = desc.rect;
  HWND hwnd = CreateWindowExW(exStyle, cls, text.c_str(), style, r.left, r.top,
                              r.width > 0 ? r.width : 0, r.height > 0 ? r.height : 0,
                              owner->Hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(owner->NextControlId())),
                              GetModuleHandleW(nullptr), param);
  // A control made later lies over the ones made before it, as on a form.
  if (hwnd != nullptr)
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return hwnd;
}

COLORREF ToColorRef(Color c) { return RGB(c.r, c.g, c.b); }

}  // namespace qv::win32
