#include "platform/gtk/gtk_platform.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fstream>
#include <sstream>

#include "platform/common/profile_ini.h"
#include "platform/gtk/desktop_association.h"
#include "platform/gtk/gtk_text.h"
#include "platform/gtk/x11_window_state.h"

namespace qv::gtk {
namespace {

// Small, even controls everywhere, in a font that has the Chinese glyphs.
constexpr char kCss[] = R"css(
* { font-family: "WenQuanYi Micro Hei", sans-serif; font-size: 12px; }
entry { min-height: 0; min-width: 0; padding: 0 3px; border-width: 0; border-radius: 0;
        box-shadow: none; background-color: #ffffff; }
notebook > header { padding: 0; }
notebook > header > tabs > tab { padding: 0; margin: 0; min-height: 0; min-width: 0; }
notebook > header > tabs > tab label { padding: 0; }
button { min-height: 0; min-width: 0; padding: 1px 6px; }
combobox button { padding: 0 4px; }
)css";

std::string ReadAll(const std::string& path, bool& ok) {
  std::ifstream in(path, std::ios::binary);
  ok = static_cast<bool>(in);
  std::ostringstream s;
  if (in) s << in.rdbuf();
  return s.str();
}

std::string LockDirectory() {
  const char* runtime = g_getenv("XDG_RUNTIME_DIR");
  std::string dir;
  if (runtime != nullptr && *runtime == '/' && access(runtime, W_OK) == 0) {
    dir = std::string(runtime) + "/quorvi";
  } else {
    dir = "/tmp/quorvi-" + std::to_string(getuid());
  }
  mkdir(dir.c_str(), 0700);
  // A directory someone else made for us is not ours to trust.
  struct stat st {};
  if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid())
    return std::string();
  return dir;
}

// A name as a file name: letters and digits stay, every other byte is hex.
std::string FileNameOf(const Text& name) {
  std::string out;
  char buf[4];
  for (unsigned char c : name) {
    if (g_ascii_isalnum(static_cast<char>(c)) || c == '-' || c == '_') {
      out += static_cast<char>(c);
    } else {
      std::snprintf(buf, sizeof buf, "%%%02x", c);
      out += buf;
    }
  }
  return out.substr(0, 200);
}

GdkMonitor* MainMonitor(const std::vector<GtkWindowImpl*>& windows) {
  GdkDisplay* d = gdk_display_get_default();
  for (GtkWindowImpl* w : windows) {
    if (w->IsDestroyed() || w->Toplevel() == nullptr) continue;
    GdkWindow* g = gtk_widget_get_window(w->Toplevel());
    if (g != nullptr) return gdk_display_get_monitor_at_window(d, g);
  }
  GdkMonitor* m = gdk_display_get_primary_monitor(d);
  return m != nullptr ? m : gdk_display_get_monitor(d, 0);
}

Text QuoteArgument(const std::string& utf8) {
  Text t = FromUtf8(utf8);
  bool blank = t.empty();
  for (char c : t) blank = blank || c == ' ' || c == '\t';
  return blank ? "\"" + t + "\"" : t;
}

}  // namespace

// ---- profile files ---------------------------------------------------------

Text DiskProfiles::GetString(const Text& file, const Text& section, const Text& key,
                             const Text& fallback, uint32_t bufferSize) {
  bool ok = false;
  std::string content = ReadAll(ToFsPath(file), ok);
  Text out;
  if (ok && IniLookup(content, section, key, bufferSize, out)) return out;
  return bufferSize == 0 ? Text() : fallback.substr(0, bufferSize - 1);
}

bool DiskProfiles::WriteString(const Text& file, const Text& section, const Text& key,
                               const Text& value) {
  std::string path = ToFsPath(file);
  bool ok = false;
  std::string content = ReadAll(path, ok);
  if (!ok && errno != ENOENT) return false;
  std::string updated = IniUpdate(content, section, key, value);
  std::string tmp = path + ".quorvi-tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << updated;
    if (!out.flush()) {
      out.close();
      std::remove(tmp.c_str());
      return false;
    }
  }
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    std::remove(tmp.c_str());
    return false;
  }
  return true;
}

// ---- platform ----------------------------------------------------------------

GtkPlatform::GtkPlatform(int argc, char** argv) {
  // X11 first (XWayland on Wayland desktops): instance marking lives in X
  // window properties.
  gdk_set_allowed_backends("x11,*");
  gtk_init(&argc, &argv);
  GtkCssProvider* css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(css, kCss, -1, nullptr);
  gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(css);

  registry_ = std::make_unique<FileRegistry>(DefaultRegistryPath());
  DesktopDirs dirs = DesktopDirs::ForUser();
  registry_->afterWrite = [dirs](RegistryRoot root, const Text& key, const Text& value,
                                 const Text& data) {
    if (root == RegistryRoot::ClassesRoot) OnClassesWrite(dirs, key, value, data);
  };
  registry_->readAllowed = [dirs](RegistryRoot root, const Text& key, const Text& value) {
    return root != RegistryRoot::ClassesRoot || ClassesReadAllowed(dirs, key, value);
  };

  // The command line as the system would give it: the program, then the
  // arguments, quoted where they hold blanks.
  char self[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  std::string program = n > 0 ? std::string(self, static_cast<size_t>(n))
                              : std::string(argc > 0 ? argv[0] : "quorvi-gtk");
  commandLine_ = QuoteArgument(program);
  for (int i = 1; i < argc; ++i) commandLine_ += " " + QuoteArgument(argv[i]);
}

GtkPlatform::~GtkPlatform() {
  windows_.clear();
  for (int fd : lockFds_) close(fd);
}

Window* GtkPlatform::CreateTopWindow(const WindowDesc& desc) {
  Rect r{0, 0, desc.width, desc.height};
  if (desc.centred) {
    r.left = (ScreenWidth() - desc.width) / 2;
    r.top = (ScreenHeight() - desc.height) / 2;
  }
  windows_.push_back(std::make_unique<GtkWindowImpl>(this, desc, r));
  return windows_.back().get();
}

std::vector<GtkWindowImpl*> GtkPlatform::Windows() const {
  std::vector<GtkWindowImpl*> out;
  for (const auto& w : windows_) out.push_back(w.get());
  return out;
}

void GtkPlatform::RunMessageLoop(Window& main) {
  while (!main.IsDestroyed()) g_main_context_iteration(nullptr, TRUE);
}

void GtkPlatform::PumpPendingMessages() {
  // What is waiting now, not what the running timers keep adding.
  gint64 until = g_get_monotonic_time() + 50 * 1000;
  for (int i = 0; i < 200 && g_main_context_pending(nullptr); ++i) {
    g_main_context_iteration(nullptr, FALSE);
    if (g_get_monotonic_time() > until) break;
  }
}

bool GtkPlatform::RunUntil(const std::function<bool()>& done, int timeoutMs) {
  gint64 until = g_get_monotonic_time() + static_cast<gint64>(timeoutMs) * 1000;
  guint wake = g_timeout_add(10, +[](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  bool ok = done();
  while (!ok && g_get_monotonic_time() < until) {
    g_main_context_iteration(nullptr, TRUE);
    ok = done();
  }
  g_source_remove(wake);
  return ok;
}

int32_t GtkPlatform::ScreenWidth() {
  GdkDisplay* d = gdk_display_get_default();
  GdkMonitor* m = gdk_display_get_primary_monitor(d);
  if (m == nullptr) m = gdk_display_get_monitor(d, 0);
  GdkRectangle g{0, 0, 0, 0};
  if (m != nullptr) gdk_monitor_get_geometry(m, &g);
  return g.width;
}

int32_t GtkPlatform::ScreenHeight() {
  GdkDisplay* d = gdk_display_get_default();
  GdkMonitor* m = gdk_display_get_primary_monitor(d);
  if (m == nullptr) m = gdk_display_get_monitor(d, 0);
  GdkRectangle g{0, 0, 0, 0};
  if (m != nullptr) gdk_monitor_get_geometry(m, &g);
  return g.height;
}

bool GtkPlatform::FindTaskbar(int32_t&, int32_t&, int32_t&, int32_t&) {
  // Linux desktops have no taskbar window of that class; the work area
  // comes from the system instead.
  return false;
}

Rect GtkPlatform::SystemWorkArea() {
  GdkMonitor* m = MainMonitor(Windows());
  GdkRectangle a{0, 0, ScreenWidth(), ScreenHeight()};
  if (m != nullptr) gdk_monitor_get_workarea(m, &a);
  return Rect{a.x, a.y, a.width, a.height};
}

void GtkPlatform::MessageBox(const Text& text, const Text& caption, MessageIcon icon) {
  shownMessages.emplace_back(text, caption);
  if (quietMessageBoxes) return;
  GtkWidget* dlg = gtk_message_dialog_new(
      nullptr, GTK_DIALOG_MODAL, icon == MessageIcon::Error ? GTK_MESSAGE_ERROR : GTK_MESSAGE_INFO,
      GTK_BUTTONS_OK, "%s", ToUtf8(text).c_str());
  gtk_window_set_title(GTK_WINDOW(dlg), ToUtf8(caption).c_str());
  gtk_window_set_keep_above(GTK_WINDOW(dlg), TRUE);
  gtk_dialog_run(GTK_DIALOG(dlg));
  gtk_widget_destroy(dlg);
}

Text GtkPlatform::ExecutableDirectory() {
  char self[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return Text(".");
  std::string p(self, static_cast<size_t>(n));
  size_t slash = p.rfind('/');
  return FromUtf8(slash == 0 ? std::string("/") : p.substr(0, slash));
}

Text GtkPlatform::ExecutableFileName() {
  char self[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return Text("quorvi-gtk");
  std::string p(self, static_cast<size_t>(n));
  return FromUtf8(p.substr(p.rfind('/') + 1));
}

MutexResult GtkPlatform::CreateNamedMutex(const Text& name) {
  MutexResult r;
  std::string dir = LockDirectory();
  if (dir.empty()) return r;
  std::string path = dir + "/" + FileNameOf(name) + ".lock";
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return r;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    // Held by a running instance (or by an earlier handle of ours).
    r.existedBefore = errno == EWOULDBLOCK;
  }
  lockFds_.push_back(fd);
  r.handle = fd + 1;
  return r;
}

void GtkPlatform::CloseMutex(intptr_t handle) {
  int fd = static_cast<int>(handle - 1);
  auto it = std::find(lockFds_.begin(), lockFds_.end(), fd);
  if (it == lockFds_.end()) return;
  lockFds_.erase(it);
  close(fd);
}

std::vector<ForeignWindow> GtkPlatform::TopLevelWindows() {
  std::vector<ForeignWindow> out;
  for (unsigned long w : x11::TopLevelWindows()) out.push_back(static_cast<ForeignWindow>(w));
  return out;
}

intptr_t GtkPlatform::ForeignProperty(ForeignWindow w, const Text& name) {
  return x11::CardinalProperty(static_cast<unsigned long>(w), ToUtf8(name));
}

bool GtkPlatform::ForeignIsMinimized(ForeignWindow w) {
  return x11::IsIconic(static_cast<unsigned long>(w));
}

void GtkPlatform::ForeignRestore(ForeignWindow w) { x11::Restore(static_cast<unsigned long>(w)); }

std::string GtkPlatform::Cwd() const {
  gchar* d = g_get_current_dir();
  std::string s = d;
  g_free(d);
  return s;
}

bool GtkPlatform::CreateShellLink(const Text& fileName, const Text& target, int32_t,
                                  const Text& description) {
  std::string name = ToFsPath(fileName);
  if (name.empty()) return false;
  // A shell link becomes a desktop entry of the same name.
  const std::string lnk = ".lnk";
  if (name.size() > lnk.size() &&
      g_ascii_strcasecmp(name.c_str() + name.size() - lnk.size(), lnk.c_str()) == 0)
    name.resize(name.size() - lnk.size());
  if (name.back() == '/') return false;
  name += ".desktop";
  std::string path = name[0] == '/' ? name : Cwd() + "/" + name;
  std::string base = name.substr(name.rfind('/') + 1);
  base.resize(base.size() - std::string(".desktop").size());
  std::string exec = ExecLineFromCommand(target);
  // No argument: the entry starts the program itself.
  exec.resize(exec.size() - std::string(" %u").size());
  if (!WriteDesktopEntry(path, base, exec, ToUtf8(description), false)) return false;
  chmod(path.c_str(), 0755);  // desktops launch only trusted (executable) entries
  return true;
}

}  // namespace qv::gtk
