#include "app/main_form.h"

#include "app/constants.h"
#include "app/startup.h"
#include "browser/address_box.h"
#include "browser/browser_events.h"
#include "browser/navigation.h"
#include "browser/tabs.h"
#include "frame/caption_bar.h"
#include "frame/layout.h"
#include "settings/config_window.h"

namespace qv {
namespace {

struct FormEntry {
  const char* name;
  ControlKind kind;
  Rect rect;
  const char* text;
  bool visible;
  bool enabled;
};

// MainWindow's controls at their design places, in the form's order.
constexpr FormEntry kMainForm[] = {
    {"Label_Title", ControlKind::Label, {3, 3, 661, 20}, "", true, true},
    {"PicBtn_Minimize", ControlKind::PictureButton, {668, 3, 26, 17}, "", true, true},
    {"PicBtn_Maximize", ControlKind::PictureButton, {694, 3, 25, 17}, "", true, true},
    {"PicBtn_Restore", ControlKind::PictureButton, {792, 3, 25, 17}, "", false, true},
    {"PicBtn_Exit", ControlKind::PictureButton, {719, 3, 42, 17}, "", true, true},
    {"PicBtn_CloseCurrentTab", ControlKind::PictureButton, {763, 3, 25, 17}, "", true, true},
    {"Label_ToolbarBack", ControlKind::Label, {4, 24, 360, 30}, "", true, true},
    {"PicBtn_Back", ControlKind::PictureButton, {4, 24, 27, 27}, "", true, true},
    {"PicBtn_Forward", ControlKind::PictureButton, {33, 24, 27, 27}, "", true, true},
    {"PicBtn_Home", ControlKind::PictureButton, {62, 24, 27, 27}, "", true, true},
    {"PicBtn_Favorites", ControlKind::PictureButton, {91, 24, 27, 27}, "", true, true},
    {"PicBtn_Refresh", ControlKind::PictureButton, {120, 24, 27, 27}, "", true, true},
    {"PicBtn_BackDisabled", ControlKind::PictureButton, {531, 23, 27, 27}, "", true, false},
    {"PicBtn_ForwardDisabled", ControlKind::PictureButton, {560, 23, 27, 27}, "", true, false},
    {"PicBtn_Stop", ControlKind::PictureButton, {747, 23, 27, 27}, "", false, true},
    {"Label_AddressBack1", ControlKind::Label, {160, 55, 13, 27}, "", true, true},
    {"Label_AddressBack2", ControlKind::Label, {173, 55, 13, 27}, "", true, true},
    {"Label_AddressBack3", ControlKind::Label, {186, 55, 13, 27}, "", true, true},
    {"EditBox_Address", ControlKind::EditBox, {156, 28, 155, 20}, kAddressPlaceholder, true, true},
    {"PicBtn_Go", ControlKind::PictureButton, {660, 24, 48, 27}, "", true, true},
    {"PicBtn_Config", ControlKind::PictureButton, {710, 24, 27, 27}, "", true, true},
    {"TransLabel_LoadProgress", ControlKind::TransLabel, {462, 31, 42, 11}, "100.1%", true, true},
    {"PageControl_Pages", ControlKind::TabStrip, {4, 53, 664, 280}, "", true, true},
    {"WebBrowser_Template", ControlKind::BrowserView, {4, 53, 600, 200}, "", false, true},
    {"PicBtn_TabClose", ControlKind::PictureButton, {328, 5, 16, 16}, "", false, true},
    {"PicBtn_NewTab", ControlKind::PictureButton, {792, 24, 14, 14}, "", true, true},
    {"DrawPanel_Border", ControlKind::DrawPanel, {672, 52, 104, 64}, "", true, true},
};

Control* Make(Window& w, const FormEntry& e) {
  ControlDesc desc;
  desc.kind = e.kind;
  desc.name = e.name;
  desc.rect = e.rect;
  desc.text = e.text;
  desc.visible = e.visible;
  desc.enabled = e.enabled;
  return w.CreateControl(desc);
}

void OnClick(Control* c, void (*handler)()) {
  c->handlers.click = [handler](Control&) { handler(); };
}

void BindEvents(MainForm& f) {
  OnClick(f.PicBtn_Minimize, &OnMinimizeClick);
  OnClick(f.PicBtn_Maximize, &ToggleMaximize);
  OnClick(f.PicBtn_Restore, &ToggleMaximize);
  OnClick(f.PicBtn_Exit, &OnExitClick);
  OnClick(f.PicBtn_CloseCurrentTab, &OnCloseCurrentTabClick);
  OnClick(f.PicBtn_Back, &OnBackClick);
  OnClick(f.PicBtn_Forward, &OnForwardClick);
  OnClick(f.PicBtn_Home, &OnHomeClick);
  OnClick(f.PicBtn_Favorites, &OnFavoritesClick);
  OnClick(f.PicBtn_Refresh, &OnRefreshClick);
  OnClick(f.PicBtn_Stop, &OnStopClick);
  OnClick(f.PicBtn_Go, &OnGoClick);
  OnClick(f.PicBtn_Config, &OnConfigClick);
  OnClick(f.PicBtn_NewTab, &OnNewTabClick);
  f.PicBtn_TabClose->handlers.click = [](Control& sender) { OnTabCloseButtonClick(sender); };

  f.Label_Title->handlers.doubleClick = [](Control&) { ToggleMaximize(); };
  f.Label_Title->handlers.leftDown = [](Control&, int32_t, int32_t) { BeginCaptionDrag(); };
  f.DrawPanel_Border->handlers.mouseMove = [](Control&, int32_t x, int32_t y) {
    HitTestBorder(x, y);
  };
  f.DrawPanel_Border->handlers.leftDown = [](Control&, int32_t, int32_t) { BeginBorderDrag(); };

  ControlHandlers& edit = f.EditBox_Address->handlers;
  edit.charInput = [](EditBox&, int32_t code) { OnAddressChar(code); };
  edit.keyDown = [](EditBox&, int32_t key, int32_t mods) { OnAddressKeyDown(key, mods); };
  edit.focusGained = [](EditBox&) { OnAddressFocusGained(); };
  edit.focusLost = [](EditBox&) { OnAddressFocusLost(); };

  f.PageControl_Pages->handlers.selectionChanged = [](TabStrip&) { OnTabSelectionChanged(); };
  f.PageControl_Pages->handlers.headerRightUp = [](TabStrip&, int32_t page) {
    OnHeaderRightUp(page);
  };

  BindBrowserEvents(*f.WebBrowser_Template);

  f.Timer_Progress->tick = [](Timer&) { TickProgressLabel(); };

  WindowHandlers& wh = f.window->handlers;
  wh.sizeChanged = [](Window&) { LayoutMainWindow(); };
  wh.moved = [](Window&) { OnMainWindowMoved(); };
  wh.destroying = [](Window&) { OnMainWindowDestroying(); };
  wh.activated = [](Window&) {
    if (g == nullptr || g->FirstActivationSeen == 1) return;
    g->FirstActivationSeen = 1;
    OnMainWindowFirstActivated();
  };
}

}  // namespace

void CreateMainForm(Platform& platform, MainForm& f) {
  WindowDesc desc;
  desc.style = WindowStyle::Frameless;
  desc.className = "QuorviMainWindow";
  desc.width = 847;
  desc.height = 560;
  desc.centred = true;
  desc.background = Color{236, 236, 236};
  desc.dragByAnyPoint = true;
  f.window = platform.CreateTopWindow(desc);

  Control* made[sizeof(kMainForm) / sizeof(kMainForm[0])];
  for (size_t i = 0; i < sizeof(kMainForm) / sizeof(kMainForm[0]); ++i)
    made[i] = Make(*f.window, kMainForm[i]);
  size_t k = 0;
  f.Label_Title = made[k++];
  f.PicBtn_Minimize = made[k++];
  f.PicBtn_Maximize = made[k++];
  f.PicBtn_Restore = made[k++];
  f.PicBtn_Exit = made[k++];
  f.PicBtn_CloseCurrentTab = made[k++];
  f.Label_ToolbarBack = made[k++];
  f.PicBtn_Back = made[k++];
  f.PicBtn_Forward = made[k++];
  f.PicBtn_Home = made[k++];
  f.PicBtn_Favorites = made[k++];
  f.PicBtn_Refresh = made[k++];
  f.PicBtn_BackDisabled = made[k++];
  f.PicBtn_ForwardDisabled = made[k++];
  f.PicBtn_Stop = made[k++];
  f.Label_AddressBack1 = made[k++];
  f.Label_AddressBack2 = made[k++];
  f.Label_AddressBack3 = made[k++];
  f.EditBox_Address = static_cast<EditBox*>(made[k++]);
  f.PicBtn_Go = made[k++];
  f.PicBtn_Config = made[k++];
  f.TransLabel_LoadProgress = made[k++];
  f.PageControl_Pages = static_cast<TabStrip*>(made[k++]);
  f.WebBrowser_Template = static_cast<BrowserView*>(made[k++]);
  f.PicBtn_TabClose = made[k++];
  f.PicBtn_NewTab = made[k++];
  f.DrawPanel_Border = static_cast<DrawPanel*>(made[k++]);

  // The design-time page becomes tab 1's.
  f.PageControl_Pages->AddPage(kLoadingCaption);

  f.Timer_Progress = f.window->CreateTimer();
  f.Timer_Progress->SetPeriod(1);

  BindEvents(f);
}

}  // namespace qv
