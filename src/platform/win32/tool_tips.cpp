#include "platform/win32/tool_tips.h"

#include <commctrl.h>

namespace qv::win32 {
namespace {

TOOLINFOW ToolFor(HWND owner, HWND control) {
  TOOLINFOW ti = {};
  // The older size works with every version of the common controls.
  ti.cbSize = TTTOOLINFOW_V2_SIZE;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = owner;
  ti.uId = reinterpret_cast<UINT_PTR>(control);
  return ti;
}

}  // namespace

ToolTipWindow::ToolTipWindow(HWND owner) : owner_(owner) {
  tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                         WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, GetModuleHandleW(nullptr),
                         nullptr);
  // A width makes the tip honour "\r\n" line breaks (the two-line tips).
  if (tip_ != nullptr) SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, 480);
}

ToolTipWindow::~ToolTipWindow() {
  if (tip_ != nullptr && IsWindow(tip_)) DestroyWindow(tip_);
}

void ToolTipWindow::Set(HWND control, const std::wstring& text) {
  if (tip_ == nullptr || control == nullptr) return;
  bool known = texts_.count(control) != 0;
  std::wstring& kept = texts_[control];
  kept = text;
  TOOLINFOW ti = ToolFor(owner_, control);
  ti.lpszText = const_cast<wchar_t*>(kept.c_str());
  SendMessageW(tip_, known ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

void ToolTipWindow::Remove(HWND control) {
  auto it = texts_.find(control);
  if (it == texts_.end()) return;
  TOOLINFOW ti = ToolFor(owner_, control);
  if (tip_ != nullptr) SendMessageW(tip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  texts_.erase(it);
}

}  // namespace qv::win32
