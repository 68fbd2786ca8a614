// The system pieces of the Linux backend: the registry file, the desktop's
// default browser, profile files, the shortcut, instance marking and the
// WML mapping.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "app/constants.h"
#include "engine_fixture.h"
#include "pages.h"
#include "platform/gtk/desktop_association.h"
#include "platform/gtk/file_registry.h"
#include "platform/gtk/wml_mapping.h"
#include "platform/gtk/x11_window_state.h"
#include "settings/system_integration.h"

namespace qv::test {
namespace {

intptr_t g_test_hook_keep = 0;  // a lock handle held to the end of the run

using gtk::FileRegistry;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void Spit(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

class RegistryFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/quorvi-reg-XXXXXX";
    dir = mkdtemp(tmpl);
    path = dir + "/sub/registry.ini";
  }
  void TearDown() override {
    std::string rm = "rm -rf '" + dir + "'";
    ASSERT_EQ(std::system(rm.c_str()), 0);
  }
  std::string dir, path;
};

TEST_F(RegistryFileTest, ValuesSurviveTheFileWithTheSystemsRules) {
  FileRegistry reg(path);
  const Text gbkWithBackslashTrail = "\xD5\x5C路径";  // a GBK character whose trail byte is "\"
  struct Case {
    RegistryRoot root;
    Text key, value, data;
  } cases[] = {
      {RegistryRoot::CurrentUser, "xyz\\wz", "", "1"},
      {RegistryRoot::ClassesRoot, "htmlfile\\shell\\e\\command", "", "\"/opt/q\\quorvi-gtk\" \"%1\""},
      {RegistryRoot::CurrentUser, "Software\\中文键", "名称", gbkWithBackslashTrail},
      {RegistryRoot::CurrentUser, "q", "quote\"and\\back", "line1\r\nline2 \"x\" ;not a comment"},
      {RegistryRoot::CurrentUser, "q", "raw", std::string("\x80\xFF\x01", 3)},  // not GBK text
      {RegistryRoot::CurrentUser, "q", "empty", ""},
  };
  for (const Case& c : cases) ASSERT_TRUE(reg.WriteString(c.root, c.key, c.value, c.data));
  FileRegistry again(path);  // another process reading the same file
  for (const Case& c : cases) {
    Text out = "unchanged";
    ASSERT_TRUE(again.ReadString(c.root, c.key, c.value, out)) << c.key << " " << c.value;
    EXPECT_EQ(out, c.data) << c.key << " " << c.value;
  }
  // Names compare without regard to ASCII case; roots are apart.
  Text out;
  EXPECT_TRUE(again.ReadString(RegistryRoot::CurrentUser, "XYZ\\WZ", "", out));
  EXPECT_TRUE(again.ReadString(RegistryRoot::CurrentUser, "Q", "QUOTE\"AND\\BACK", out));
  EXPECT_FALSE(again.ReadString(RegistryRoot::ClassesRoot, "xyz\\wz", "", out));
  // Doubled separators name the same key, as the system's functions do.
  EXPECT_TRUE(again.ReadString(RegistryRoot::CurrentUser, "xyz\\\\wz\\", "", out));
  std::string text = Slurp(path);
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\xyz\\wz]\n@=\"1\""), std::string::npos) << text;
  EXPECT_NE(text.find(u8"[HKEY_CURRENT_USER\\Software\\中文键]"), std::string::npos) << text;
  EXPECT_NE(text.find("\"raw\"=hex:80,ff,01"), std::string::npos) << text;
}

TEST_F(RegistryFileTest, DeletingFollowsTheSystemsRules) {
  FileRegistry reg(path);
  const Text wml = "Software\\Classes\\MIME\\Database\\Content Type\\text/vnd.wap.wml";
  ASSERT_TRUE(reg.WriteString(RegistryRoot::CurrentUser, wml, "CLSID", "{x}"));
  // A key with a subkey stays; the value of that name does not exist.
  EXPECT_FALSE(reg.DeleteKey(RegistryRoot::CurrentUser, "Software\\Classes"));
  EXPECT_FALSE(reg.DeleteValue(RegistryRoot::CurrentUser,
                               "Software\\Classes\\MIME\\Database\\Content Type",
                               "text/vnd.wap.wml"));
  EXPECT_TRUE(reg.DeleteKey(RegistryRoot::CurrentUser, wml));
  EXPECT_FALSE(reg.KeyExists(RegistryRoot::CurrentUser, wml));
  EXPECT_TRUE(reg.KeyExists(RegistryRoot::CurrentUser, "Software\\Classes\\MIME"));
  EXPECT_FALSE(reg.DeleteKey(RegistryRoot::CurrentUser, wml));  // gone already
  EXPECT_FALSE(reg.DeleteKey(RegistryRoot::CurrentUser, ""));   // the root never goes
  ASSERT_TRUE(reg.WriteString(RegistryRoot::CurrentUser, "a", "v", "1"));
  EXPECT_TRUE(reg.DeleteValue(RegistryRoot::CurrentUser, "A", "V"));
  Text out;
  EXPECT_FALSE(reg.ReadString(RegistryRoot::CurrentUser, "a", "v", out));
}

TEST_F(RegistryFileTest, DamagedFileReadsWhatItCanAndLosesNothingOnWrite) {
  mkdir((dir + "/sub").c_str(), 0700);
  Spit(path,
       "garbage before any key\n"
       "[HKEY_CURRENT_USER\\xyz\\wz]\n"
       "@=\"0\"\n"
       "\"dw\"=dword:00000001\n"
       "\"open\"=\"no end\n"
       "=\"nameless\"\n"
       "[broken header\n"
       "\"lost\"=\"1\"\n"
       "[HKEY_CURRENT_USER\\other]\r\n"
       "\"k\"=\"v\"\r\n" +
           std::string(100000, 'x') + "\n");
  FileRegistry reg(path);
  Text out;
  ASSERT_TRUE(reg.ReadString(RegistryRoot::CurrentUser, "xyz\\wz", "", out));
  EXPECT_EQ(out, "0");
  EXPECT_FALSE(reg.ReadString(RegistryRoot::CurrentUser, "xyz\\wz", "dw", out));  // not text
  EXPECT_FALSE(reg.ReadString(RegistryRoot::CurrentUser, "xyz\\wz", "open", out));
  ASSERT_TRUE(reg.ReadString(RegistryRoot::CurrentUser, "other", "k", out));
  EXPECT_EQ(out, "v");
  // A write keeps the other keys and the value of another type.
  ASSERT_TRUE(reg.WriteString(RegistryRoot::CurrentUser, "xyz\\wz", "", "1"));
  ASSERT_TRUE(reg.ReadString(RegistryRoot::CurrentUser, "other", "k", out));
  EXPECT_NE(Slurp(path).find("\"dw\"=dword:00000001"), std::string::npos);
}

TEST_F(RegistryFileTest, UnwritablePlaceReportsFailure) {
  FileRegistry reg("/proc/quorvi-cannot/registry.ini");
  EXPECT_FALSE(reg.WriteString(RegistryRoot::CurrentUser, "xyz\\wz", "", "1"));
  Text out;
  EXPECT_FALSE(reg.ReadString(RegistryRoot::CurrentUser, "xyz\\wz", "", out));
}

TEST(DesktopCommandTest, ProgramCommandsBecomeExecLines) {
  struct Case {
    Text command;
    std::string exec;
  } cases[] = {
      {"\"/opt/q\\quorvi-gtk\" \"%1\"", "/opt/q/quorvi-gtk %u"},
      {"/opt/q\\quorvi-gtk %1", "/opt/q/quorvi-gtk %u"},
      {"\"/opt/my dir\\quorvi-gtk\" \"%1\"", "\"/opt/my dir/quorvi-gtk\" %u"},
      {"\"/opt/$x`y\\q\" \"%1\"", "\"/opt/\\$x\\`y/q\" %u"},
      {"\"/opt/浏览器\\q\" \"%1\"", u8"/opt/浏览器/q %u"},
      {"\"unterminated", "unterminated %u"},
  };
  for (const Case& c : cases) EXPECT_EQ(gtk::ExecLineFromCommand(c.command), c.exec) << c.command;
}

// The program's own default-browser switch, over the real files.
class DefaultBrowserTest : public EngineTest {
 protected:
  std::string Applications() { return std::string(g_get_user_data_dir()) + "/applications"; }
  std::string MimeApps() { return std::string(g_get_user_config_dir()) + "/mimeapps.list"; }
};

TEST_F(DefaultBrowserTest, RegisteringInstallsTheDesktopHandlerAndGivingUpRemovesIt) {
  Start("about:blank");
  gtk::DesktopDirs dirs = gtk::DesktopDirs::ForUser();
  // Another program's default stays where the program never claimed.
  g_mkdir_with_parents(g_get_user_config_dir(), 0700);
  Spit(MimeApps(), "[Added Associations]\ntext/plain=editor.desktop;\n\n"
                   "[Default Applications]\nx-scheme-handler/mailto=mail.desktop;\n"
                   "text/html=other-browser.desktop;\n");

  SetDefaultBrowser(false);
  std::string entry = Slurp(Applications() + "/quorvi.desktop");
  std::string exe = gtk::ToFsPath(platform->ExecutableDirectory()) + "/" +
                    gtk::ToFsPath(platform->ExecutableFileName());
  EXPECT_NE(entry.find("Exec=" + exe + " %u"), std::string::npos) << entry;
  EXPECT_NE(entry.find("MimeType=text/html;x-scheme-handler/http;x-scheme-handler/https;"),
            std::string::npos);
  for (const char* mime : {"text/html", "x-scheme-handler/http", "x-scheme-handler/https"})
    EXPECT_EQ(gtk::DefaultHandler(dirs, mime), "quorvi.desktop") << mime;
  EXPECT_EQ(gtk::DefaultHandler(dirs, "x-scheme-handler/mailto"), "mail.desktop");
  EXPECT_NE(Slurp(MimeApps()).find("text/plain=editor.desktop;"), std::string::npos);
  Text command;
  ASSERT_TRUE(platform->GetRegistry().ReadString(RegistryRoot::ClassesRoot,
                                                 "htmlfile\\shell\\e\\command", "", command));
  EXPECT_EQ(command, "\"" + platform->ExecutableDirectory() + "\\" +
                         platform->ExecutableFileName() + "\" \"%1\"");

  // The user picks another browser for web pages: the program is no
  // longer the handler, whatever the registry file still says.
  Spit(MimeApps(), "[Default Applications]\ntext/html=other-browser.desktop;\n");
  EXPECT_FALSE(platform->GetRegistry().ReadString(RegistryRoot::ClassesRoot,
                                                  "htmlfile\\shell\\e\\command", "", command));

  SetDefaultBrowser(false);
  SetDefaultBrowser(true);
  for (const char* mime : {"text/html", "x-scheme-handler/http", "x-scheme-handler/https"})
    EXPECT_EQ(gtk::DefaultHandler(dirs, mime), "") << mime;
  EXPECT_FALSE(platform->GetRegistry().ReadString(RegistryRoot::ClassesRoot,
                                                  "htmlfile\\shell\\e\\command", "", command));
}

TEST_F(DefaultBrowserTest, GivingUpLeavesAnotherBrowsersDefault) {
  Start("about:blank");
  g_mkdir_with_parents(g_get_user_config_dir(), 0700);
  Spit(MimeApps(), "[Default Applications]\ntext/html=other-browser.desktop;\n");
  SetDefaultBrowser(true);
  EXPECT_EQ(gtk::DefaultHandler(gtk::DesktopDirs::ForUser(), "text/html"), "other-browser.desktop");
}

TEST_F(EngineTest, StartUpWritesTheShortcutDesktopEntryIntoTheCurrentDirectory) {
  std::string file = std::string(u8"QuorviWap浏览器") + ".desktop";
  unlink(file.c_str());
  Start("about:blank");
  struct stat st {};
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IXUSR);
  std::string entry = Slurp(file);
  std::string exe = gtk::ToFsPath(platform->ExecutableDirectory()) + "/" +
                    gtk::ToFsPath(platform->ExecutableFileName());
  EXPECT_NE(entry.find("Exec=" + exe + "\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find(u8"Name=QuorviWap浏览器\n"), std::string::npos) << entry;
}

TEST_F(EngineTest, ShellLinkToAnUnwritablePlaceReportsFailure) {
  EXPECT_FALSE(platform->CreateShellLink("/proc/nowhere/x.lnk", "/bin/true", 5, "x"));
  EXPECT_FALSE(platform->CreateShellLink("", "/bin/true", 5, "x"));
}

TEST_F(EngineTest, ProfileFilesOnDiskWithTheProfileRules) {
  ProfileFiles& p = platform->GetProfiles();
  Text file = gtk::FromUtf8(Home()) + "\\配置.ini";  // the program's "\" separator
  EXPECT_EQ(p.GetString(file, "zhuye", "zhuye", "fallback", 256), "fallback");
  ASSERT_TRUE(p.WriteString(file, "zhuye", "zhuye", "http://主页/"));
  EXPECT_EQ(p.GetString(file, "ZHUYE", "Zhuye", "fallback", 256), "http://主页/");
  EXPECT_EQ(p.GetString(file, "zhuye", "zhuye", "fallback", 5), "http");
  EXPECT_TRUE(g_file_test((Home() + u8"/配置.ini").c_str(), G_FILE_TEST_EXISTS));
  EXPECT_FALSE(p.WriteString("/proc/nowhere/corvel.ini", "a", "b", "c"));
  EXPECT_EQ(p.GetString("/proc/nowhere/corvel.ini", "a", "b", "fb", 256), "fb");
}

TEST_F(EngineTest, NamedLockExistsWhileHeldAndAcrossProcesses) {
  const Text name = "quorvi-test-lock-名";
  MutexResult first = platform->CreateNamedMutex(name);
  ASSERT_NE(first.handle, 0);
  EXPECT_FALSE(first.existedBefore);
  MutexResult second = platform->CreateNamedMutex(name);
  EXPECT_TRUE(second.existedBefore);
  platform->CloseMutex(second.handle);
  // Another process sees it held.
  std::string lockDir = g_getenv("XDG_RUNTIME_DIR") != nullptr
                            ? std::string(g_getenv("XDG_RUNTIME_DIR")) + "/quorvi"
                            : "/tmp/quorvi-" + std::to_string(getuid());
  std::string held = "flock -n '" + lockDir + "/quorvi-test-lock-%c3%fb.lock' true";
  EXPECT_NE(std::system(held.c_str()), 0);
  platform->CloseMutex(first.handle);
  EXPECT_EQ(std::system(held.c_str()), 0);
  MutexResult third = platform->CreateNamedMutex(name);
  EXPECT_FALSE(third.existedBefore);
  platform->CloseMutex(third.handle);
}

// The marked instance is this test's window; a second program started with
// an address finds it through the window system and restores it.
TEST_F(EngineTest, SecondProgramRestoresTheMarkedMinimizedWindow) {
  // Whichever start came first in this process holds the instance lock, as
  // the first marked instance does for its whole life.
  MutexResult held = platform->CreateNamedMutex(kInstanceName);
  if (!held.existedBefore) g_test_hook_keep = held.handle;
  else platform->CloseMutex(held.handle);
  Start("about:blank");
  unsigned long xid = Main().XWindow();
  ASSERT_NE(xid, 0u);
  Main().SetProperty(kInstanceName, 1);
  EXPECT_EQ(platform->ForeignProperty(static_cast<ForeignWindow>(xid), kInstanceName), 1);
  auto all = platform->TopLevelWindows();
  EXPECT_NE(std::find(all.begin(), all.end(), static_cast<ForeignWindow>(xid)), all.end());
  EXPECT_EQ(platform->ForeignProperty(static_cast<ForeignWindow>(Status().XWindow()),
                                      kInstanceName), 0);

  Main().Show(ShowCommand::Minimize);
  ASSERT_TRUE(Wait([&] { return platform->ForeignIsMinimized(static_cast<ForeignWindow>(xid)); },
                   3000));
  EXPECT_TRUE(Main().IsMinimized());

  GPid child = 0;
  gchar* argv[] = {const_cast<gchar*>(QUORVI_GTK_PROGRAM), const_cast<gchar*>("about:blank"),
                   nullptr};
  ASSERT_TRUE(g_spawn_async(nullptr, argv, nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, &child,
                            nullptr));
  bool restored = Wait([&] { return !Main().IsMinimized() &&
                                    gtk_widget_get_mapped(Main().Toplevel()); }, 20000);
  kill(child, SIGTERM);
  g_spawn_close_pid(child);
  ASSERT_TRUE(restored);
  EXPECT_FALSE(platform->ForeignIsMinimized(static_cast<ForeignWindow>(xid)));
}

class WmlTest : public EngineTest {
 protected:
  static void SetUpTestSuite() { server = new HttpServer(TestPages()); }
  static void TearDownTestSuite() {
    delete server;
    server = nullptr;
  }
  // The page's text, read back from the engine.
  Text PageText() {
    struct Result {
      bool done = false;
      std::string text;
    } r;
    webkit_web_view_evaluate_javascript(
        View(1).View(), "document.contentType + ' ' + (document.documentElement ? document.documentElement.textContent : '')",
        -1, nullptr, nullptr, nullptr,
        +[](GObject* v, GAsyncResult* res, gpointer p) {
          auto* out = static_cast<Result*>(p);
          JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(v), res,
                                                                       nullptr);
          if (value != nullptr) {
            char* s = jsc_value_to_string(value);
            out->text = s != nullptr ? s : "";
            g_free(s);
            g_object_unref(value);
          }
          out->done = true;
        },
        &r);
    Wait([&] { return r.done; }, 5000);
    return r.text;
  }
  static HttpServer* server;
};
HttpServer* WmlTest::server = nullptr;

TEST_F(WmlTest, WmlPageShowsAsHtmlWhileTheMappingExists) {
  Start("about:blank");
  Text clsid;
  ASSERT_TRUE(platform->GetRegistry().ReadString(RegistryRoot::CurrentUser, gtk::kWmlMappingKey,
                                                 "CLSID", clsid));
  NavigateTab(server->Url("/wml"), 1);
  ASSERT_TRUE(Wait([&] { return View(1).LocationURL() == server->Url("/wml") &&
                                !webkit_web_view_is_loading(View(1).View()) &&
                                PageText().find("wml-card-text") != Text::npos; }));
  EXPECT_EQ(PageText().rfind("text/html ", 0), 0u) << PageText();
}

TEST_F(WmlTest, WithoutTheMappingAWmlPageIsNotMadeHtml) {
  Start("about:blank");
  UnregisterWmlContentType();
  NavigateTab(server->Url("/wml"), 1);
  Idle(1500);
  EXPECT_NE(PageText().rfind("text/html ", 0), 0u) << PageText();
}

}  // namespace
}  // namespace qv::test
