#include "app/startup.h"

#include <string>

#include "app/constants.h"
#include "app/globals.h"
#include "app/instance.h"
#include "app/main_form.h"
#include "browser/navigation.h"
#include "browser/tabs.h"
#include "crashguard/guard_api.h"
#include "frame/status_strip.h"
#include "settings/settings_store.h"
#include "settings/system_integration.h"

namespace qv {
namespace {

// What runs when the program ends normally.
void ExitRoutine() {
  ReleaseGlobalState();
  ReleaseInstructionTables();
}

}  // namespace

void EmptyCrashRoutine() {}

int StartUp(Platform& platform) {
  QV_GUARD_STARTUP_FRAME();
  CreateGlobalState(platform);
  g->MaximizeOverhang = 3;
  GuardStartup();
  LoadMainWindow();
  platform.RunMessageLoop(*g->main.window);
  ExitRoutine();
  return 0;
}

void LoadMainWindow() {
  CreateMainForm(*g->platform, g->main);
  OnMainWindowCreated();
  g->main.window->Show(ShowCommand::Normal);
}

void OnMainWindowCreated() {
  std::string ownerClass;  // empty: keep the guard's default class name
  ConfigureGuard(&EmptyCrashRoutine, 0, 0, std::nullopt, &ownerClass, std::nullopt, std::nullopt,
                 std::nullopt, 0);
  InstallRunTimeErrorHandler();

  Text url = TakeCommandLineUrl();

  g->FrameMargins = FrameMarginsRecord{3, 3, 3, 3};
  LoadStatusWindow();
  AddToolTips();
  LoadSettings();
  g->TabCaptionLimit = 16;
  OpenFirstTab(url);
  RegisterWmlContentType();
  CreateProgramShortcut();
}

void OnMainWindowDestroying() { UnregisterWmlContentType(); }

void AddToolTips() {
  MainForm& f = g->main;
  struct Tip {
    Control* button;
    const char* text;
  };
  const Tip tips[] = {
      {f.PicBtn_Back, "后退"},
      {f.PicBtn_Forward, "前进"},
      {f.PicBtn_Home, "主页"},
      {f.PicBtn_Refresh, "刷新"},
      {f.PicBtn_Favorites, "收藏夹"},
      {f.PicBtn_Stop, "停止"},
      {f.PicBtn_Config, "配置"},
      {f.PicBtn_Go, "按 Ctrl+Enter 在新窗口中打开网页。 \r\n按 Enter      在当前窗口打开网页。"},
      {f.PicBtn_Minimize, "最小化"},
      {f.PicBtn_Maximize, "最大化"},
      {f.PicBtn_Restore, "还原"},
      {f.PicBtn_Exit, "退出程序"},
      {f.PicBtn_CloseCurrentTab, "关闭当前标签"},
  };
  for (const Tip& t : tips) f.window->AddToolTip(*t.button, t.text);
}

void OpenFirstTab(const Text& url) {
  MainForm& f = g->main;
  TabRecord rec;
  f.Label_Title->SetText(kProgramTitle);
  f.window->SetCaption(f.Label_Title->GetText());
  rec.browser = static_cast<BrowserView*>(f.window->CopyControl(*f.WebBrowser_Template));
  rec.closeButton = f.window->CopyControl(*f.PicBtn_TabClose);
  rec.closeButton->Show();
  rec.browser->Show();
  g->CurrentTab = 1;
  rec.browser->SetTag("1");
  rec.closeButton->SetTag("0");
  TabAt(1) = rec;
  UpdateHistoryButtons();
  NavigateTab(url.empty() ? Text(kDefaultHomePage) : url, 1);
}

}  // namespace qv
