#include "settings/config_window.h"

#include "app/constants.h"
#include "app/globals.h"
#include "browser/tabs.h"
#include "settings/settings_store.h"
#include "settings/system_integration.h"

namespace qv {
namespace {

constexpr char kInfoCaption[] = "信息：";

struct ConfigEntry {
  Control* ConfigForm::*slot;
  const char* name;
  ControlKind kind;
  Rect rect;
  const char* text;
  int page;  // -1: on both pages
  bool editable;
};

// ConfigWindow's form: place, size and text of every control, and the page
// of Tab_Config it shows on.
const ConfigEntry kConfigForm[] = {
    {&ConfigForm::Tab_Config, "Tab_Config", ControlKind::TabStrip, {16, 16, 424, 264}, "", -1, false},
    {&ConfigForm::ShapeBox_Line4, "ShapeBox_Line4", ControlKind::Shape, {32, 56, 400, 1}, "", -1, false},
    {&ConfigForm::ShapeBox_Line1, "ShapeBox_Line1", ControlKind::Shape, {32, 141, 400, 1}, "", -1, false},
    {&ConfigForm::ShapeBox_Line2, "ShapeBox_Line2", ControlKind::Shape, {32, 224, 400, 1}, "", -1, false},
    {&ConfigForm::Label_DefaultBrowserCaption, "Label_DefaultBrowserCaption", ControlKind::Label,
     {18, 61, 80, 32}, "默认浏览器", 0, false},
    {&ConfigForm::Label_DefaultState, "Label_DefaultState", ControlKind::Label, {148, 50, 196, 16},
     "当前默认浏览器为Quorvi浏览器", 0, false},
    {&ConfigForm::Button_SetDefault, "Button_SetDefault", ControlKind::Button, {146, 73, 198, 32},
     "将Quorvi设置为默认浏览器", 0, false},
    {&ConfigForm::Label_TabPosCaption, "Label_TabPosCaption", ControlKind::Label, {18, 146, 80, 32},
     "标签栏位置", 0, false},
    {nullptr, "ComboBox_TabPos", ControlKind::ComboBox, {144, 151, 200, 20}, "", 0, false},
    {&ConfigForm::Label_Author, "Label_Author", ControlKind::Label, {24, 216, 272, 32},
     "作者:Quorvi网络\r\nQuorvi网络出品  不占内存的浏览器", 0, false},
    {&ConfigForm::Button_Suggest, "Button_Suggest", ControlKind::Button, {312, 224, 96, 24},
     "给我提建议", 0, false},
    {&ConfigForm::Label_HomeCaption, "Label_HomeCaption", ControlKind::Label, {16, 61, 80, 32},
     "主页地址", 1, false},
    {nullptr, "ComboBox_Home", ControlKind::ComboBox, {136, 51, 200, 20}, "", 1, true},
    {&ConfigForm::Button_SaveHome, "Button_SaveHome", ControlKind::Button, {136, 80, 198, 32},
     "保存主页设置", 1, false},
    {&ConfigForm::Label_DefaultBrowserCaption2, "Label_DefaultBrowserCaption2", ControlKind::Label,
     {16, 147, 80, 32}, "默认浏览器", 1, false},
    {&ConfigForm::Label_Version, "Label_Version", ControlKind::Label, {136, 136, 196, 16},
     "当前浏览器版本为：V2.3", 1, false},
    {&ConfigForm::Button_CheckUpdate, "Button_CheckUpdate", ControlKind::Button, {136, 161, 198, 32},
     "检测最新版本", 1, false},
};

// A search or directory entry of ComboBox_Home: what it saves and what the
// message names.
struct HomeChoice {
  const char* entry;
  const char* address;
  const char* shownName;
  const char* verb;  // the wording of the original messages differs per entry
};

const HomeChoice kHomeChoices[] = {
    {kHomeEntryDirectory, kDefaultHomePage, "Quorvi网络网址导航", "设定"},
    {kHomeEntryQuorviSearch, kQuorviSearchPage, "综合搜索引擎Quorvi搜", "保存"},
    {kHomeEntryTamselSearch, kTamselSearchPage, "综合搜索引擎Tamsel搜", "保存"},
};

void Inform(const Text& text) { g->platform->MessageBox(text, kInfoCaption, MessageIcon::None); }

void SaveHome(const Text& address, const Text& savedText, const Text& failedText) {
  if (!WriteHomePage(address)) {
    // The old home page stays in force.
    Inform(failedText);
    return;
  }
  g->HomePage = address;
  Inform(savedText);
}

void ClearConfigForm(Window& w) {
  if (g != nullptr && g->config.window == &w) g->config = ConfigForm{};
}

}  // namespace

void OnConfigClick() {
  if (g->config.window != nullptr && !g->config.window->IsDestroyed()) {
    // One configuration window at a time: bring the open one back.
    g->config.window->Show(ShowCommand::Normal);
    return;
  }
  g->config = ConfigForm{};
  ConfigForm& f = g->config;
  WindowDesc desc;
  desc.style = WindowStyle::FixedDialog;
  desc.className = "QuorviConfigWindow";
  desc.caption = "浏览器配置";
  desc.width = 457;
  desc.height = 330;
  desc.centred = true;
  desc.owner = g->main.window;
  f.window = g->platform->CreateTopWindow(desc);

  for (const ConfigEntry& e : kConfigForm) {
    ControlDesc cs;
    cs.kind = e.kind;
    cs.name = e.name;
    cs.rect = e.rect;
    cs.text = e.text;
    cs.editable = e.editable;
    Control* c = f.window->CreateControl(cs);
    if (e.slot != nullptr) f.*(e.slot) = c;
    else if (Text(e.name) == "ComboBox_TabPos") f.ComboBox_TabPos = static_cast<ComboBox*>(c);
    else f.ComboBox_Home = static_cast<ComboBox*>(c);
  }
  TabStrip* tabs = static_cast<TabStrip*>(f.Tab_Config);
  tabs->AddPage("基本配置");
  tabs->AddPage("其他设置");
  f.ComboBox_TabPos->AddEntry("上");
  f.ComboBox_TabPos->AddEntry("下");
  for (const char* entry :
       {kHomeEntryQuorviSearch, kHomeEntryTamselSearch, kHomeEntryDirectory, kHomeEntryCustom})
    f.ComboBox_Home->AddEntry(entry);

  f.Tab_Config->handlers.selectionChanged = [](TabStrip& t) { ShowConfigPage(t.CurrentPage()); };
  f.Button_SetDefault->handlers.click = [](Control&) { OnSetDefaultClick(); };
  f.ComboBox_TabPos->handlers.selected = [](ComboBox&, int32_t i) { OnTabPosSelected(i); };
  f.ComboBox_Home->handlers.selected = [](ComboBox&, int32_t) { OnHomeSelected(); };
  f.Button_SaveHome->handlers.click = [](Control&) { OnSaveHomeClick(); };
  f.Button_CheckUpdate->handlers.click = [](Control&) { OnCheckUpdateClick(); };
  f.Button_Suggest->handlers.click = [](Control&) { OnSuggestClick(); };
  f.window->handlers.closed = [](Window& w) { ClearConfigForm(w); };

  OnConfigWindowCreated();
  ShowConfigPage(tabs->CurrentPage());
  f.window->Show(ShowCommand::Normal);
}

void ShowConfigPage(int32_t page) {
  ConfigForm& f = g->config;
  if (f.window == nullptr) return;
  for (const ConfigEntry& e : kConfigForm) {
    if (e.page < 0) continue;
    Control* c = e.slot != nullptr                          ? f.*(e.slot)
                 : Text(e.name) == "ComboBox_TabPos" ? static_cast<Control*>(f.ComboBox_TabPos)
                                                              : f.ComboBox_Home;
    c->SetVisible(e.page == page);
  }
}

void OnConfigWindowCreated() {
  ShowDefaultBrowserState();
  g->config.ComboBox_TabPos->Select(g->TabBarPosition);
  // Show what the home page is now: its entry when it is one of theirs.
  ComboBox* home = g->config.ComboBox_Home;
  for (int32_t i = 0; i < home->EntryCount(); ++i) {
    for (const HomeChoice& c : kHomeChoices) {
      if (home->EntryText(i) == c.entry && g->HomePage == c.address) {
        home->Select(i);
        return;
      }
    }
  }
  home->SetText(g->HomePage);
}

void OnTabPosSelected(int32_t index) {
  if (index < 0) return;
  SaveTabBarPosition(std::to_string(index));
}

void OnHomeSelected() {
  ComboBox* home = g->config.ComboBox_Home;
  if (home->GetText() == kHomeEntryCustom) home->SetText("");
}

void OnSaveHomeClick() {
  Text t = g->config.ComboBox_Home->GetText();
  for (const HomeChoice& c : kHomeChoices) {
    if (t == c.entry) {
      SaveHome(c.address, Text("主页保存成功\r\n您") + c.verb + "的主页为：[" + c.shownName + "]",
               Text("主页保存失败\r\n未能保存主页：[") + c.shownName + "]");
      return;
    }
  }
  SaveHome(t, "自定义主页保存成功\r\n您设定的主页为：[" + t + "]",
           "自定义主页保存失败\r\n未能保存主页：[" + t + "]");
}

void OnCheckUpdateClick() {
  g->platform->MessageBox("暂无更新需求", "系统提示", MessageIcon::Error);
}

void OnSuggestClick() { OpenInNewTab(kDefaultHomePage); }

}  // namespace qv
