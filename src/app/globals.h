// The program's global state: created once by CreateGlobalState before any
// window exists, released by ReleaseGlobalState after the message loop.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/control.h"
#include "platform/system.h"
#include "platform/window.h"

namespace qv {

// One open tab: its browser view, three flags (only 1 counts as true) and
// its close button. A new record is zero-filled.
struct TabRecord {
  BrowserView* browser = nullptr;
  int32_t isLoading = 0;
  int32_t canGoForward = 0;
  int32_t canGoBack = 0;
  Control* closeButton = nullptr;
};

struct FrameMarginsRecord {
  int32_t Top = 0, Bottom = 0, Left = 0, Right = 0;
};

struct RestoreRectRecord {
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;
};

struct SizeRecord {
  int32_t Width = 0, Height = 0;
};

// MainWindow and the controls of its form.
struct MainForm {
  Window* window = nullptr;
  Control* Label_Title = nullptr;
  Control* PicBtn_Minimize = nullptr;
  Control* PicBtn_Maximize = nullptr;
  Control* PicBtn_Restore = nullptr;
  Control* PicBtn_Exit = nullptr;
  Control* PicBtn_CloseCurrentTab = nullptr;
  Control* Label_ToolbarBack = nullptr;
  Control* PicBtn_Back = nullptr;
  Control* PicBtn_Forward = nullptr;
  Control* PicBtn_Home = nullptr;
  Control* PicBtn_Favorites = nullptr;
  Control* PicBtn_Refresh = nullptr;
  Control* PicBtn_BackDisabled = nullptr;
  Control* PicBtn_ForwardDisabled = nullptr;
  Control* PicBtn_Stop = nullptr;
  Control* Label_AddressBack1 = nullptr;
  Control* Label_AddressBack2 = nullptr;
  Control* Label_AddressBack3 = nullptr;
  EditBox* EditBox_Address = nullptr;
  Control* PicBtn_Go = nullptr;
  Control* PicBtn_Config = nullptr;
  Control* TransLabel_LoadProgress = nullptr;
  TabStrip* PageControl_Pages = nullptr;
  BrowserView* WebBrowser_Template = nullptr;
  Control* PicBtn_TabClose = nullptr;
  Control* PicBtn_NewTab = nullptr;
  Timer* Timer_Progress = nullptr;
  DrawPanel* DrawPanel_Border = nullptr;
};

// StatusWindow: the fading status strip.
struct StatusForm {
  Window* window = nullptr;
  Control* Label_StatusText = nullptr;
  Timer* Timer_Fade = nullptr;
};

// ConfigWindow, while it is open.
struct ConfigForm {
  Window* window = nullptr;
  Control* Tab_Config = nullptr;
  Control* ShapeBox_Line4 = nullptr;
  Control* ShapeBox_Line1 = nullptr;
  Control* ShapeBox_Line2 = nullptr;
  Control* Label_DefaultBrowserCaption = nullptr;
  Control* Label_DefaultState = nullptr;
  Control* Button_SetDefault = nullptr;
  Control* Label_TabPosCaption = nullptr;
  ComboBox* ComboBox_TabPos = nullptr;
  Control* Label_Author = nullptr;
  Control* Button_Suggest = nullptr;
  Control* Label_HomeCaption = nullptr;
  ComboBox* ComboBox_Home = nullptr;
  Control* Button_SaveHome = nullptr;
  Control* Label_DefaultBrowserCaption2 = nullptr;
  Control* Label_Version = nullptr;
  Control* Button_CheckUpdate = nullptr;
};

struct AppState {
  Platform* platform = nullptr;

  // Tabbed browsing.
  std::vector<TabRecord> TabTable;  // position k (1-based) is TabTable[k - 1]
  int32_t CurrentTab = 0;
  int32_t TabOpening = 0;
  int32_t TabStripReady = 0;
  int32_t TabCaptionLimit = 16;

  // Frame and layout.
  FrameMarginsRecord FrameMargins;
  int32_t MaximizeOverhang = 0;
  RestoreRectRecord RestoreRect;
  SizeRecord MaximizedSize;
  int32_t LayoutBusy = 0;
  uint8_t BorderHitZone = 0;
  int32_t FadeMaxAlpha = 0;
  int32_t StatusAlpha = 0;
  int32_t FadeDirection = 0;
  int32_t FirstActivationSeen = 0;

  // Settings.
  int32_t TabBarPosition = 0;
  Text HomePage;

  // Instance marking: the kept mutex handle of the marked instance.
  intptr_t InstanceMutex = 0;

  MainForm main;
  StatusForm status;
  ConfigForm config;
};

// The one instance, between CreateGlobalState and ReleaseGlobalState.
extern AppState* g;

}  // namespace qv
