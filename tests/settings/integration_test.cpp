// Default-browser registration, the WML mapping and the shortcut.
#include <gtest/gtest.h>

#include "app_fixture.h"
#include "settings/system_integration.h"

namespace qv::test {
namespace {

constexpr RegistryRoot CR = RegistryRoot::ClassesRoot;
constexpr RegistryRoot CU = RegistryRoot::CurrentUser;
constexpr char kWmlKey[] = "Software\\Classes\\MIME\\Database\\Content Type\\text/vnd.wap.wml";
constexpr char kCommand[] = "\"C:\\Quorvi\\quorvi.exe\" \"%1\"";

class IntegrationTest : public AppTest {
 protected:
  void OpenConfig() {
    g->main.PicBtn_Config->handlers.click(*g->main.PicBtn_Config);
    ASSERT_NE(g->config.window, nullptr);
  }
  void ClickSetDefault() {
    g->config.Button_SetDefault->handlers.click(*g->config.Button_SetDefault);
  }
  Text State() { return g->config.Label_DefaultState->GetText(); }
  Text Button() { return g->config.Button_SetDefault->GetText(); }
  // The registry writes and deletes since `from` (reads left out).
  std::vector<std::string> ChangesSince(size_t from) {
    std::vector<std::string> out;
    const auto& log = platform->registry.log;
    for (size_t i = from; i < log.size(); ++i)
      if (log[i].compare(0, 5, "read ") != 0) out.push_back(log[i]);
    return out;
  }
  Text Read(RegistryRoot root, const Text& key, const Text& value) {
    Text out = "<none>";
    platform->registry.ReadString(root, key, value, out);
    return out;
  }
};

TEST_F(IntegrationTest, RegisteringWritesTenValuesInOrderAndShowsIt) {
  Start();
  OpenConfig();
  EXPECT_EQ(State(), "(当前默认浏览器为：其他浏览器)");
  EXPECT_EQ(Button(), "将Quorvi设置为默认浏览器");
  size_t mark = platform->registry.log.size();
  ClickSetDefault();
  std::vector<std::string> expected;
  for (const char* cls : {"htmlfile", "HTTP", "https", "InternetShortcut", "mhtmlfile"}) {
    expected.push_back(std::string("write HKCR\\") + cls + "\\shell\\=e");
    expected.push_back(std::string("write HKCR\\") + cls + "\\shell\\e\\command\\=" + kCommand);
  }
  EXPECT_EQ(ChangesSince(mark), expected);
  EXPECT_EQ(Read(CR, "htmlfile\\shell\\e\\command", ""), kCommand);
  EXPECT_EQ(State(), "(当前默认浏览器为：Quorvi浏览器)");
  EXPECT_EQ(Button(), "设置为其他浏览器");
}

TEST_F(IntegrationTest, UnregisteringWritesFiveDeletesNothingAndShowsIt) {
  Start();
  OpenConfig();
  ClickSetDefault();
  size_t mark = platform->registry.log.size();
  ClickSetDefault();
  std::vector<std::string> expected;
  for (const char* cls : {"htmlfile", "HTTP", "https", "InternetShortcut", "mhtmlfile"})
    expected.push_back(std::string("write HKCR\\") + cls + "\\shell\\=open");
  EXPECT_EQ(ChangesSince(mark), expected);
  EXPECT_EQ(Read(CR, "https\\shell\\e\\command", ""), kCommand) << "the verb stays in place";
  EXPECT_EQ(State(), "(当前默认浏览器为：其他浏览器)");
  EXPECT_EQ(Button(), "将Quorvi设置为默认浏览器");
  // And the switch goes round again.
  ClickSetDefault();
  EXPECT_EQ(Button(), "设置为其他浏览器");
}

TEST_F(IntegrationTest, MovedExecutableIsOfferedRegistrationAgain) {
  Start();
  OpenConfig();
  ClickSetDefault();
  g->config.window->Destroy();
  ReleaseGlobalState();
  platform->exeDirectory = "D:\\Program Files\\Quorvi";
  Start();
  OpenConfig();
  EXPECT_EQ(State(), "(当前默认浏览器为：其他浏览器)");
  EXPECT_EQ(Button(), "将Quorvi设置为默认浏览器");
  ClickSetDefault();
  EXPECT_EQ(Read(CR, "HTTP\\shell\\e\\command", ""),
            "\"D:\\Program Files\\Quorvi\\quorvi.exe\" \"%1\"");
  EXPECT_EQ(Button(), "设置为其他浏览器");
}

TEST_F(IntegrationTest, AnotherProgramsVerbOrCommandIsNotUs) {
  platform->registry.WriteString(CR, "htmlfile\\shell", "", "e");
  platform->registry.WriteString(CR, "htmlfile\\shell\\e\\command", "", "C:\\Quorvi\\quorvi.exe %1");
  Start();
  OpenConfig();
  EXPECT_EQ(Button(), "将Quorvi设置为默认浏览器") << "the old unquoted form is another command";
  platform->registry.WriteString(CR, "htmlfile\\shell\\e\\command", "", kCommand);
  platform->registry.SetRaw(CR, "htmlfile\\shell", "", 4, std::string(4, '\0'));
  g->config.window->Destroy();
  OpenConfig();
  EXPECT_EQ(Button(), "将Quorvi设置为默认浏览器") << "a default verb that is not text";
}

TEST_F(IntegrationTest, RefusedRegistrationLeavesTheButtonAsItWas) {
  platform->registry.SetReadOnly(CR, "htmlfile", true);
  Start();
  OpenConfig();
  ClickSetDefault();
  EXPECT_EQ(Button(), "将Quorvi设置为默认浏览器");
  EXPECT_EQ(Read(CR, "HTTP\\shell\\e\\command", ""), kCommand) << "other classes still written";
}

TEST_F(IntegrationTest, WmlMappingLivesWhileTheMainWindowDoes) {
  Start();
  EXPECT_EQ(Read(CU, kWmlKey, "CLSID"), "{25336920-03F9-11cf-8FD0-00AA00686F13}");
  size_t mark = platform->registry.log.size();
  Main().Destroy();
  EXPECT_FALSE(platform->registry.KeyExists(CU, kWmlKey));
  EXPECT_TRUE(platform->registry.KeyExists(CU, "Software\\Classes\\MIME\\Database\\Content Type"));
  EXPECT_EQ(ChangesSince(mark),
            (std::vector<std::string>{
                "delete-value HKCU\\Software\\Classes\\MIME\\Database\\Content Type\\text/vnd.wap.wml",
                std::string("delete-key HKCU\\") + kWmlKey}));
  ReleaseGlobalState();
  Start();
  EXPECT_EQ(Read(CU, kWmlKey, "CLSID"), "{25336920-03F9-11cf-8FD0-00AA00686F13}");
}

TEST_F(IntegrationTest, ShortcutIsWrittenToTheCurrentDirectoryAtEveryStart) {
  Start();
  ASSERT_EQ(platform->shellLinks.size(), 1u);
  const auto& link = platform->shellLinks[0];
  EXPECT_EQ(link.fileName, "QuorviWap浏览器.lnk");
  EXPECT_EQ(link.path, "C:\\Work\\QuorviWap浏览器.lnk");
  EXPECT_EQ(link.target, "C:\\Quorvi\\quorvi.exe");
  EXPECT_EQ(link.showCommand, 5);
  EXPECT_EQ(link.description, "QuorviWap浏览器");
  ReleaseGlobalState();
  platform->currentDirectory = "E:\\Elsewhere";
  Start();
  ASSERT_EQ(platform->shellLinks.size(), 2u);
  EXPECT_EQ(platform->shellLinks[1].path, "E:\\Elsewhere\\QuorviWap浏览器.lnk");
}

TEST_F(IntegrationTest, FailedShortcutDoesNotStopTheStart) {
  platform->shellLinksFail = true;
  Start();
  EXPECT_TRUE(platform->shellLinks.empty());
  EXPECT_TRUE(Main().IsVisible());
}

}  // namespace
}  // namespace qv::test
