// Image buttons: owner-drawn push buttons whose picture is drawn in code,
// chosen by the control's name.
#include "platform/win32/controls.h"

namespace qv::win32 {

// The window text names the button for accessibility tools (and for finding
// it from outside); the program's caption text is kept apart.
PictureButton::PictureButton(Win32Window* owner, const ControlDesc& desc)
    : ControlBase(owner, desc), text_(desc.text) {
  Attach(CreateChildWindow(owner, L"BUTTON", BS_OWNERDRAW | BS_NOTIFY, 0, desc, Wide(desc.name),
                           nullptr),
         this);
}

// The handlers are copied before they run: a tab's close button is
// destroyed by its own click.
void PictureButton::OnCommand(WORD code) {
  if (code == BN_CLICKED) {
    auto click = handlers.click;
    if (click) click(*this);
  } else if (code == BN_DOUBLECLICKED) {
    // A quick second click is still a click on an image button.
    auto dbl = handlers.doubleClick;
    auto click = handlers.click;
    if (dbl)
      dbl(*this);
    else if (click)
      click(*this);
  }
}

bool PictureButton::OnDrawItem(const DRAWITEMSTRUCT& dis) {
  RECT rc = dis.rcItem;
  bool pressed = (dis.itemState & ODS_SELECTED) != 0;
  bool enabled = (dis.itemState & ODS_DISABLED) == 0;
  HBRUSH back = CreateSolidBrush(pressed ? RGB(214, 226, 210) : owner_->BackgroundColor());
  FillRect(dis.hDC, &rc, back);
  DeleteObject(back);
  DrawButtonGlyph(dis.hDC, rc, name_, pressed, enabled);
  return true;
}

PushButton::PushButton(Win32Window* owner, const ControlDesc& desc)
    : ControlBase(owner, desc), text_(desc.text) {
  Attach(CreateChildWindow(owner, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, desc, Wide(desc.text),
                           nullptr),
         this);
}

void PushButton::SetText(const Text& t) {
  text_ = t;
  if (hwnd_ != nullptr) SetWindowTextW(hwnd_, Wide(t).c_str());
}

void PushButton::OnCommand(WORD code) {
  if (code == BN_CLICKED && handlers.click) handlers.click(*this);
}

}  // namespace qv::win32
