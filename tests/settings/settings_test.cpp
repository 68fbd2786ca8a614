// The two settings and the configuration window.
#include <gtest/gtest.h>

#include "app_fixture.h"
#include "profile_cases.h"
#include "settings/config_window.h"
#include "settings/settings_store.h"

namespace qv::test {
namespace {

using headless::HeadlessComboBox;

constexpr char kIni[] = "C:\\Quorvi\\corvel.ini";
constexpr RegistryRoot CU = RegistryRoot::CurrentUser;

class SettingsTest : public AppTest {
 protected:
  Text TabPosValue() {
    Text out = "<none>";
    platform->registry.ReadString(CU, "xyz\\wz", "", out);
    return out;
  }
  void OpenConfig() {
    g->main.PicBtn_Config->handlers.click(*g->main.PicBtn_Config);
    ASSERT_NE(g->config.window, nullptr);
  }
  HeadlessComboBox& TabPos() { return static_cast<HeadlessComboBox&>(*g->config.ComboBox_TabPos); }
  HeadlessComboBox& Home() { return static_cast<HeadlessComboBox&>(*g->config.ComboBox_Home); }
  void Click(Control* c) { c->handlers.click(*c); }
  Text StoredHome() {
    return platform->profiles.GetString(kIni, "zhuye", "zhuye", "<none>", 100000);
  }
  const headless::MessageBoxRecord& LastBox() { return platform->messageBoxes.back(); }
};

TEST_F(SettingsTest, FirstRunPutsTabsAtTheBottomAndTheComboShowsIt) {
  Start();
  EXPECT_EQ(g->TabBarPosition, 1);
  EXPECT_EQ(Strip().HeaderSide(), 1);
  EXPECT_EQ(g->HomePage, "www.hao123.com/?tn=quorvi_dg");
  EXPECT_EQ(TabPosValue(), "<none>") << "reading writes nothing";
  EXPECT_TRUE(platform->profiles.files.empty()) << "reading creates no settings file";
  OpenConfig();
  EXPECT_EQ(TabPos().Selected(), 1);
  EXPECT_EQ(TabPos().GetText(), "下");
}

struct StoredPosition {
  const char* stored;
  int32_t position;
};

class StoredPositionTest : public SettingsTest,
                           public ::testing::WithParamInterface<StoredPosition> {};

TEST_P(StoredPositionTest, ConvertsAsDecimalText) {
  platform->registry.WriteString(CU, "xyz\\wz", "", GetParam().stored);
  Start();
  EXPECT_EQ(g->TabBarPosition, GetParam().position);
  EXPECT_EQ(TabPosValue(), GetParam().stored) << "a strange value is never overwritten";
}

INSTANTIATE_TEST_SUITE_P(Values, StoredPositionTest,
                         ::testing::Values(StoredPosition{"0", 0}, StoredPosition{"1", 1},
                                           StoredPosition{"abc", 0}, StoredPosition{"", 0},
                                           StoredPosition{" 1", 1}, StoredPosition{"1abc", 1},
                                           StoredPosition{"1.9", 1}, StoredPosition{"-1", -1},
                                           StoredPosition{"2", 2}, StoredPosition{"1e1", 10},
                                           StoredPosition{"99999999999999999999", 2147483647},
                                           StoredPosition{"-1e400", -2147483647 - 1},
                                           StoredPosition{"中", 0}));

TEST_F(SettingsTest, UnreadableOrWrongTypeGivesBottomAndKeepsTheValue) {
  platform->registry.SetRaw(CU, "xyz\\wz", "", 4, std::string("\0\0\0\0", 4));
  Start();
  EXPECT_EQ(g->TabBarPosition, 1);
  Text out;
  EXPECT_FALSE(platform->registry.ReadString(CU, "xyz\\wz", "", out)) << "DWORD left alone";
  ReleaseGlobalState();

  platform = std::make_unique<HeadlessPlatform>();
  platform->registry.WriteString(CU, "xyz\\wz", "", "0");
  platform->registry.SetDenied(CU, "xyz\\wz", true);
  Start();
  EXPECT_EQ(g->TabBarPosition, 1);  ReleaseGlobalState();

  // REG_EXPAND_SZ is text too, as the system reads it.
  platform = std::make_unique<HeadlessPlatform>();
  platform->registry.SetRaw(CU, "xyz\\wz", "", 2, std::string("0\0", 2));
  Start();
  EXPECT_EQ(g->TabBarPosition, 0);
}

TEST_F(SettingsTest, HugeRegistryValueIsRead) {
  platform->registry.WriteString(CU, "xyz\\wz", "", Text(1 << 20, '0') + "1");
  Start();
  EXPECT_EQ(g->TabBarPosition, 1);
}

TEST_F(SettingsTest, ChoosingTopWritesZeroMovesTheHeaderAndLasts) {
  Start();
  OpenConfig();
  TabPos().UserSelect(0);
  EXPECT_EQ(TabPosValue(), "0");
  EXPECT_EQ(g->TabBarPosition, 0);
  EXPECT_EQ(Strip().HeaderSide(), 0) << "the header moves at once";
  // The next start keeps it at the top.
  ReleaseGlobalState();
  Start();
  EXPECT_EQ(g->TabBarPosition, 0);
  EXPECT_EQ(Strip().HeaderSide(), 0);
  OpenConfig();
  EXPECT_EQ(TabPos().GetText(), "上");
}

TEST_F(SettingsTest, RefusedRegistryWriteIsReadBackNotAssumed) {
  Start();
  platform->registry.SetReadOnly(CU, "xyz\\wz", true);
  OpenConfig();
  TabPos().UserSelect(0);
  EXPECT_EQ(g->TabBarPosition, 1) << "what the registry holds, not what was asked";
  EXPECT_EQ(TabPosValue(), "<none>");
}

TEST_F(SettingsTest, StoredHomePageIsReadAtStart) {
  platform->profiles.files[kIni] = "[zhuye]\r\nzhuye=http://example.com/\r\n";
  Start();
  EXPECT_EQ(g->HomePage, "http://example.com/");
}

TEST_F(SettingsTest, SettingsFileSitsBesideTheExecutable) {
  platform->exeDirectory = "D:\\";
  platform->profiles.files["D:\\corvel.ini"] = "[zhuye]\r\nzhuye=root\r\n";
  Start();
  EXPECT_EQ(g->HomePage, "root");
  ReleaseGlobalState();
  // A folder whose last character's trail byte is 0x5C keeps that byte.
  platform->exeDirectory = "D:\\\x81\x5C";
  platform->profiles.files["D:\\\x81\x5C\\corvel.ini"] = "[zhuye]\r\nzhuye=dbcs\r\n";
  Start();
  EXPECT_EQ(g->HomePage, "dbcs");
}

TEST_F(SettingsTest, LongHomePageIsCutAtTheNextStart) {
  Start();
  OpenConfig();
  Text page = "http://" + Text(20000, 'a');
  Home().SetText(page);
  Click(g->config.Button_SaveHome);
  EXPECT_TRUE(g->HomePage == page) << "kept whole for this run";
  ReleaseGlobalState();
  Start();
  EXPECT_EQ(g->HomePage.size(), 10239u);
  EXPECT_TRUE(g->HomePage == page.substr(0, 10239));
}

TEST_F(SettingsTest, LongDoubleByteHomePageIsNeverCutInsideACharacter) {
  // After these 8 bytes the 10239th byte is the lead byte of a character.
  Text page = "http://x";
  while (page.size() < 10300) page += "中";
  platform->profiles.files[kIni] = "[zhuye]\r\nzhuye=" + page + "\r\n";
  Start();
  EXPECT_EQ(g->HomePage.size(), 10238u);
  EXPECT_TRUE(g->HomePage == page.substr(0, 10238));
}

TEST_F(SettingsTest, CustomEntryEmptiesTheTextAndAnEmptySaveReportsIt) {
  Start();
  OpenConfig();
  Home().UserSelect(3);
  EXPECT_EQ(Home().GetText(), "");
  Click(g->config.Button_SaveHome);
  EXPECT_EQ(StoredHome(), "");
  EXPECT_EQ(g->HomePage, "");
  EXPECT_EQ(LastBox().text, "自定义主页保存成功\r\n您设定的主页为：[]");
  EXPECT_EQ(LastBox().caption, "信息：");
  EXPECT_EQ(LastBox().icon, MessageIcon::None);
}

TEST_F(SettingsTest, OtherEntriesChangeNothingUntilSaved) {
  Start();
  OpenConfig();
  Home().UserSelect(0);
  EXPECT_EQ(Home().GetText(), "Quorvi搜");
  EXPECT_TRUE(platform->profiles.files.empty());
  EXPECT_EQ(g->HomePage, "www.hao123.com/?tn=quorvi_dg");
}

struct HomeEntry {
  int32_t index;
  const char* address;
  const char* message;
};

class HomeEntryTest : public SettingsTest, public ::testing::WithParamInterface<HomeEntry> {};

TEST_P(HomeEntryTest, EachEntrySavesItsOwnAddressAndNamesItself) {
  Start();
  OpenConfig();
  Home().UserSelect(GetParam().index);
  Click(g->config.Button_SaveHome);
  EXPECT_EQ(StoredHome(), GetParam().address);
  EXPECT_EQ(g->HomePage, GetParam().address);
  ASSERT_EQ(platform->messageBoxes.size(), 1u);
  EXPECT_EQ(LastBox().text, GetParam().message);
  EXPECT_EQ(LastBox().caption, "信息：");
  EXPECT_EQ(LastBox().icon, MessageIcon::None);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, HomeEntryTest,
    ::testing::Values(
        HomeEntry{0, kQuorviSearchPage, "主页保存成功\r\n您保存的主页为：[综合搜索引擎Quorvi搜]"},
        HomeEntry{1, kTamselSearchPage, "主页保存成功\r\n您保存的主页为：[综合搜索引擎Tamsel搜]"},
        HomeEntry{2, kDefaultHomePage, "主页保存成功\r\n您设定的主页为：[Quorvi网络网址导航]"}));

TEST_F(SettingsTest, TypedTextIsSavedUnchanged) {
  Start();
  OpenConfig();
  Home().SetText("  example.com/a b ");
  Click(g->config.Button_SaveHome);
  EXPECT_EQ(g->HomePage, "  example.com/a b ");
  EXPECT_EQ(LastBox().text, "自定义主页保存成功\r\n您设定的主页为：[  example.com/a b ]");
  EXPECT_EQ(platform->profiles.log.back(), "write C:\\Quorvi\\corvel.ini [zhuye] zhuye=  example.com/a b ");
}

TEST_F(SettingsTest, FailedSaveIsReportedAndKeepsTheOldHomePage) {
  platform->profiles.files[kIni] = "[zhuye]\r\nzhuye=http://old/\r\n";
  platform->profiles.readOnly.insert(kIni);
  Start();
  OpenConfig();
  Home().SetText("http://new/");
  Click(g->config.Button_SaveHome);
  EXPECT_EQ(g->HomePage, "http://old/");
  EXPECT_EQ(StoredHome(), "http://old/");
  ASSERT_EQ(platform->messageBoxes.size(), 1u);
  EXPECT_EQ(LastBox().text, "自定义主页保存失败\r\n未能保存主页：[http://new/]");
  EXPECT_EQ(LastBox().caption, "信息：");
  EXPECT_EQ(LastBox().icon, MessageIcon::None);

  Home().UserSelect(2);
  Click(g->config.Button_SaveHome);
  EXPECT_EQ(g->HomePage, "http://old/");
  EXPECT_EQ(LastBox().text, "主页保存失败\r\n未能保存主页：[Quorvi网络网址导航]");
  for (const auto& box : platform->messageBoxes) EXPECT_EQ(box.text.find("成功"), Text::npos);
}

TEST_F(SettingsTest, UnreadableSettingsFileGivesFallbackAndIsNotOverwritten) {
  platform->profiles.files[kIni] = "[zhuye]\r\nzhuye=http://mine/\r\n";
  platform->profiles.unreadable.insert(kIni);
  Start();
  EXPECT_EQ(g->HomePage, "www.hao123.com/?tn=quorvi_dg");
  EXPECT_EQ(platform->profiles.files[kIni], "[zhuye]\r\nzhuye=http://mine/\r\n");
}

TEST_F(SettingsTest, NotIniSettingsFileGivesFallbackAndSaveKeepsItsLines) {
  platform->profiles.files[kIni] = Bytes("\x89PNG\r\n\0\0garbage");
  Start();
  EXPECT_EQ(g->HomePage, "www.hao123.com/?tn=quorvi_dg");
  OpenConfig();
  Home().SetText("http://x/");
  Click(g->config.Button_SaveHome);
  EXPECT_EQ(StoredHome(), "http://x/");
  EXPECT_EQ(platform->profiles.files[kIni].compare(0, 4, "\x89PNG"), 0);
}

TEST_F(SettingsTest, ConfigWindowFormAndPages) {
  Start();
  OpenConfig();
  auto& w = static_cast<HeadlessWindow&>(*g->config.window);
  EXPECT_EQ(w.GetCaption(), "浏览器配置");
  EXPECT_EQ(w.Desc().style, WindowStyle::FixedDialog);
  EXPECT_EQ(w.Desc().owner, g->main.window);
  EXPECT_TRUE(w.Desc().centred);
  EXPECT_EQ(w.GetRect().width, 457);
  EXPECT_EQ(w.GetRect().height, 330);
  EXPECT_TRUE(w.IsVisible());
  struct Expect {
    const char* name;
    Rect rect;
    const char* text;
    int page;
  };
  const Expect form[] = {
      {"Tab_Config", {16, 16, 424, 264}, "", -1},
      {"ShapeBox_Line4", {32, 56, 400, 1}, "", -1},
      {"ShapeBox_Line1", {32, 141, 400, 1}, "", -1},
      {"ShapeBox_Line2", {32, 224, 400, 1}, "", -1},
      {"Label_DefaultBrowserCaption", {18, 61, 80, 32}, "默认浏览器", 0},
      {"Label_DefaultState", {148, 50, 196, 16}, "(当前默认浏览器为：其他浏览器)", 0},
      {"Button_SetDefault", {146, 73, 198, 32}, "将Quorvi设置为默认浏览器", 0},
      {"Label_TabPosCaption", {18, 146, 80, 32}, "标签栏位置", 0},
      {"ComboBox_TabPos", {144, 151, 200, 20}, "下", 0},
      {"Label_Author", {24, 216, 272, 32}, "作者:Quorvi网络\r\nQuorvi网络出品  不占内存的浏览器", 0},
      {"Button_Suggest", {312, 224, 96, 24}, "给我提建议", 0},
      {"Label_HomeCaption", {16, 61, 80, 32}, "主页地址", 1},
      {"ComboBox_Home", {136, 51, 200, 20}, "www.hao123.com/?tn=quorvi_dg", 1},
      {"Button_SaveHome", {136, 80, 198, 32}, "保存主页设置", 1},
      {"Label_DefaultBrowserCaption2", {16, 147, 80, 32}, "默认浏览器", 1},
      {"Label_Version", {136, 136, 196, 16}, "当前浏览器版本为：V2.3", 1},
      {"Button_CheckUpdate", {136, 161, 198, 32}, "检测最新版本", 1},
  };
  auto& tabs = static_cast<headless::HeadlessTabStrip&>(*w.Find("Tab_Config"));
  ASSERT_EQ(tabs.PageCount(), 2);
  EXPECT_EQ(tabs.GetCaption(0), "基本配置");
  EXPECT_EQ(tabs.GetCaption(1), "其他设置");
  for (int page : {0, 1}) {
    tabs.UserSelect(page);
    for (const Expect& e : form) {
      SCOPED_TRACE(std::string(e.name) + " on page " + std::to_string(page));
      Control* c = w.Find(e.name);
      ASSERT_NE(c, nullptr);
      EXPECT_EQ(c->GetRect(), e.rect);
      if (e.name != std::string("Tab_Config")) {
        EXPECT_EQ(c->GetText(), e.text);
      }
      EXPECT_EQ(c->IsVisible(), e.page < 0 || e.page == page);
    }
  }
  EXPECT_EQ(TabPos().EntryCount(), 2);
  EXPECT_EQ(TabPos().EntryText(0), "上");
  ASSERT_EQ(Home().EntryCount(), 4);
  EXPECT_EQ(Home().EntryText(0), "Quorvi搜");
  EXPECT_EQ(Home().EntryText(1), "Tamsel搜");
  EXPECT_EQ(Home().EntryText(2), "网址导航");
  EXPECT_EQ(Home().EntryText(3), "自定义。。");
}

TEST_F(SettingsTest, ConfigWindowShowsTheHomePagesEntry) {
  platform->profiles.files[kIni] = std::string("[zhuye]\r\nzhuye=") + kTamselSearchPage + "\r\n";
  Start();
  OpenConfig();
  EXPECT_EQ(Home().Selected(), 1);
  EXPECT_EQ(Home().GetText(), "Tamsel搜");
}

TEST_F(SettingsTest, SecondClickBringsBackTheOpenWindow) {
  Start();
  OpenConfig();
  Window* first = g->config.window;
  first->Show(ShowCommand::Minimize);
  OpenConfig();
  EXPECT_EQ(g->config.window, first);
  EXPECT_FALSE(first->IsMinimized());
  first->Destroy();
  EXPECT_EQ(g->config.window, nullptr);
  OpenConfig();
  EXPECT_NE(g->config.window, first);
}

TEST_F(SettingsTest, CheckUpdateAndSuggest) {
  Start();
  OpenConfig();
  Click(g->config.Button_CheckUpdate);
  ASSERT_EQ(platform->messageBoxes.size(), 1u);
  EXPECT_EQ(LastBox().text, "暂无更新需求");
  EXPECT_EQ(LastBox().caption, "系统提示");
  EXPECT_EQ(LastBox().icon, MessageIcon::Error);
  int32_t tabs = Strip().PageCount();
  Click(g->config.Button_Suggest);
  EXPECT_EQ(Strip().PageCount(), tabs + 1);
  EXPECT_EQ(View(g->CurrentTab).LocationURL(), kDefaultHomePage);
}

}  // namespace
}  // namespace qv::test
