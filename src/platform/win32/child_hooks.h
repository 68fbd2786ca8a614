// What a top-level window forwards to one of its child controls: the
// notifications the system sends to the parent on the child's behalf.
#pragma once

#include <windows.h>

namespace qv::win32 {

class ChildHooks {
 public:
  virtual ~ChildHooks() = default;
  virtual HWND Hwnd() const = 0;
  // WM_COMMAND with this control as its source.
  virtual void OnCommand(WORD /*code*/) {}
  // WM_NOTIFY from this control; true when handled (result in `result`).
  virtual bool OnNotify(NMHDR* /*hdr*/, LRESULT& /*result*/) { return false; }
  virtual bool OnDrawItem(const DRAWITEMSTRUCT& /*dis*/) { return false; }
  // WM_CTLCOLOR*: a brush for the control's background, or null for default.
  virtual HBRUSH OnCtlColor(HDC /*dc*/) { return nullptr; }
  // The window's size or the control's place changed (z-order upkeep).
  virtual void AfterPlaced() {}
};

}  // namespace qv::win32
