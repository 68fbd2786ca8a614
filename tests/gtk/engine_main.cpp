// The engine tests' entry: a private X display when there is none, private
// user directories, then one GTK platform for every test.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine_fixture.h"
// Last: its macros clash with the program's names.
#include <X11/Xlib.h>

namespace {

pid_t xvfb = 0;
Display* keepAlive = nullptr;  // our first connection to the private display

// Starts Xvfb on a display number nobody holds and waits until it answers.
bool StartPrivateDisplay() {
  for (int n = 100 + getpid() % 300, tries = 0; tries < 20; ++n, ++tries) {
    std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
    if (access(lock.c_str(), F_OK) == 0) continue;
    std::string display = ":" + std::to_string(n);
    xvfb = fork();
    if (xvfb == 0) {
      int log = open("/tmp/quorvi-gtk-tests-xvfb.log", O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (log >= 0) dup2(log, 2);
      execlp("Xvfb", "Xvfb", display.c_str(), "-screen", "0", "1280x800x24", "-nolisten", "tcp",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int i = 0; i < 100; ++i) {
      // The connection stays open: the server resets when its last client
      // leaves, and GTK's connection must not land in that reset.
      if (Display* d = XOpenDisplay(display.c_str())) {
        keepAlive = d;
        setenv("DISPLAY", display.c_str(), 1);
        return true;
      }
      if (waitpid(xvfb, nullptr, WNOHANG) == xvfb) break;  // lost the race for it
      usleep(50 * 1000);
    }
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
    xvfb = 0;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // The tests need X11 (window properties, XTest pointer moves).
  unsetenv("WAYLAND_DISPLAY");
  const char* display = getenv("DISPLAY");
  if ((display == nullptr || *display == '\0') && !StartPrivateDisplay()) {
    std::fprintf(stderr, "no X display and Xvfb could not start\n");
    return 1;
  }
  char tmpl[] = "/tmp/quorvi-gtk-test-XXXXXX";
  std::string home = mkdtemp(tmpl);
  setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
  setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
  setenv("WEBKIT_DISABLE_COMPOSITING_MODE", "1", 0);
  setenv("NO_AT_BRIDGE", "1", 1);
  if (chdir(home.c_str()) != 0) return 1;
  qv::test::EngineTest::Home() = home;
  int rc;
  {
    qv::gtk::GtkPlatform platform(argc, argv);
    platform.quietMessageBoxes = true;
    qv::test::EngineTest::platform = &platform;
    rc = RUN_ALL_TESTS();
    qv::test::EngineTest::platform = nullptr;
  }
  std::string rm = "rm -rf '" + home + "'";
  if (std::system(rm.c_str()) != 0) rc = rc == 0 ? 1 : rc;
  if (keepAlive != nullptr) XCloseDisplay(keepAlive);
  if (xvfb > 0) {
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
  }
  return rc;
}
