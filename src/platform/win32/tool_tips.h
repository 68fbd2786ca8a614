// The one standard (not balloon) tool-tip window a top-level window shares
// among its controls: one tool per control window.
#pragma once

#include <windows.h>

#include <map>
#include <string>

namespace qv::win32 {

class ToolTipWindow {
 public:
  explicit ToolTipWindow(HWND owner);
  ~ToolTipWindow();
  void Set(HWND control, const std::wstring& text);
  void Remove(HWND control);
  HWND Hwnd() const { return tip_; }

 private:
  HWND owner_;
  HWND tip_ = nullptr;
  std::map<HWND, std::wstring> texts_;  // the system keeps pointers to these
};

}  // namespace qv::win32
