#include "platform/win32/browser_view.h"
#include "platform/win32/controls.h"

namespace qv::win32 {

std::unique_ptr<Control> MakeControl(Win32Window* owner, const ControlSpec& spec) {
  switch (spec.kind) {
    case ControlKind::Label:
    case ControlKind::TransLabel:
    case ControlKind::Shape:
      return std::make_unique<Label>(owner, spec);
    case ControlKind::PictureButton:
      return std::make_unique<PictureButton>(owner, spec);
    case ControlKind::Button:
      return std::make_unique<PushButton>(owner, spec);
    case ControlKind::EditBox:
      return std::make_unique<Win32EditBox>(owner, spec);
    case ControlKind::ComboBox:
      return std::make_unique<Win32ComboBox>(owner, spec);
    case ControlKind::TabStrip:
      return std::make_unique<Win32TabStrip>(owner, spec);
    case ControlKind::BrowserView:
      return std::make_unique<Win32BrowserView>(owner, spec);
    case ControlKind::DrawPanel:
      return std::make_unique<Win32DrawPanel>(owner, spec);
  }
  return std::make_unique<Label>(owner, spec);
}

}  // namespace qv::win32
