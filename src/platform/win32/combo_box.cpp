// Drop-down lists (the configuration window's choices), editable or not.
#include "platform/win32/controls.h"

namespace qv::win32 {
namespace {
// The drop-down part hangs below the field and is part of the window.
constexpr int kListHeight = 160;
constexpr UINT_PTR kReapplyTimer = 0x5157;
}

Win32ComboBox::Win32ComboBox(Win32Window* owner, const ControlDesc& desc) : ControlBase(owner, desc) {
  ControlDesc tall = desc;
  tall.rect.height += kListHeight;
  DWORD style = (desc.editable ? CBS_DROPDOWN | CBS_AUTOHSCROLL : CBS_DROPDOWNLIST) | WS_VSCROLL |
                WS_TABSTOP;
  Attach(CreateChildWindow(owner, L"COMBOBOX", style, 0, tall, std::wstring(), nullptr), this);
  if (hwnd_ != nullptr && !desc.text.empty() && desc.editable) SetWindowTextW(hwnd_, Wide(desc.text).c_str());
}

void Win32ComboBox::SetRect(const Rect& r) {
  rect_ = r;
  if (hwnd_ != nullptr)
    SetWindowPos(hwnd_, nullptr, r.left, r.top, r.width > 0 ? r.width : 0,
                 (r.height > 0 ? r.height : 0) + kListHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32ComboBox::AddEntry(const Text& text) {
  if (hwnd_ != nullptr)
    SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
}

int32_t Win32ComboBox::EntryCount() const {
  if (hwnd_ == nullptr) return 0;
  LRESULT n = SendMessageW(hwnd_, CB_GETCOUNT, 0, 0);
  return n < 0 ? 0 : static_cast<int32_t>(n);
}

Text Win32ComboBox::EntryText(int32_t index) const {
  if (index < 0 || index >= EntryCount()) return Text();
  LRESULT n = SendMessageW(hwnd_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (n <= 0) return Text();
  std::wstring w(static_cast<size_t>(n) + 1, L'\0');
  LRESULT got = SendMessageW(hwnd_, CB_GETLBTEXT, static_cast<WPARAM>(index),
                             reinterpret_cast<LPARAM>(&w[0]));
  w.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return Gbk(w);
}

int32_t Win32ComboBox::Selected() const {
  if (hwnd_ == nullptr) return -1;
  LRESULT i = SendMessageW(hwnd_, CB_GETCURSEL, 0, 0);
  return i == CB_ERR ? -1 : static_cast<int32_t>(i);
}

// Selecting by the program raises nothing (the system sends no
// notification for CB_SETCURSEL).
void Win32ComboBox::Select(int32_t index) {
  if (hwnd_ == nullptr || index < -1 || index >= EntryCount()) return;
  SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void Win32ComboBox::OnCommand(WORD code) {
  if (code != CBN_SELCHANGE) return;
  int32_t i = Selected();
  // The edit field of an editable box takes the entry's text only after
  // the notification; the handler reads the new text.
  if (i >= 0 && (GetWindowLongW(hwnd_, GWL_STYLE) & 0x3) == CBS_DROPDOWN)
    SetWindowTextW(hwnd_, Wide(EntryText(i)).c_str());
  Text before = GetText();
  if (handlers.selected) handlers.selected(*this, i);
  // A text the handler set would be overwritten when the box copies the
  // entry into its field after this notification: set it again then.
  Text after = GetText();
  if (after != before && hwnd_ != nullptr) {
    pending_ = after;
    SetTimer(hwnd_, kReapplyTimer, 0, &Win32ComboBox::Reapply);
  }
}

void CALLBACK Win32ComboBox::Reapply(HWND hwnd, UINT, UINT_PTR id, DWORD) {
  KillTimer(hwnd, id);
  if (Win32ComboBox* self = SelfOf<Win32ComboBox>(hwnd)) SetWindowTextW(hwnd, Wide(self->pending_).c_str());
}

}  // namespace qv::win32
