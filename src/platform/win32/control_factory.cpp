#include "platform/win32/browser_view.h"
#include "platform/win32/controls.h"

namespace qv::win32 {

std::unique_ptr<Control> MakeControl(Win32Window* owner, const ControlDesc& desc) {
  switch (desc.kind) {
    case ControlKind::Label:
    case ControlKind::TransLabel:
    case ControlKind::Shape:
      return std::make_unique<Label>(owner, desc);
    case ControlKind::PictureButton:
      return std::make_unique<PictureButton>(owner, desc);
    case ControlKind::Button:
      return std::make_unique<PushButton>(owner, desc);
    case ControlKind::EditBox:
      return std::make_unique<Win32EditBox>(owner, desc);
    case ControlKind::ComboBox:
      return std::make_unique<Win32ComboBox>(owner, desc);
    case ControlKind::TabStrip:
      return std::make_unique<Win32TabStrip>(owner, desc);
    case ControlKind::BrowserView:
      return std::make_unique<Win32BrowserView>(owner, desc);
    case ControlKind::DrawPanel:
      return std::make_unique<Win32DrawPanel>(owner, desc);
  }
  return std::make_unique<Label>(owner, desc);
}

}  // namespace qv::win32
