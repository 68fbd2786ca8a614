#include "app/instance.h"

#include "app/constants.h"
#include "app/globals.h"
#include "settings/gbk_walk.h"

namespace qv {
namespace {

bool IsSeparator(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return u <= 0x20 || u == 0x7F;
}

Text TrimBlanks(const Text& s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

}  // namespace

Text FirstCommandLineArgument(const Text& cmd) {
  size_t i = 0, n = cmd.size();
  while (i < n && IsSeparator(cmd[i])) ++i;
  // The program's own path: up to the closing quote, or to the first blank.
  if (i < n && cmd[i] == '"') {
    ++i;
    while (i < n && cmd[i] != '"') i += SystemCharLength(cmd, i);
    if (i < n) ++i;
  } else {
    while (i < n && !IsSeparator(cmd[i])) i += SystemCharLength(cmd, i);
  }
  while (i < n && IsSeparator(cmd[i])) ++i;
  // The first argument: quotes group blanks into it and are dropped.
  Text arg;
  bool quoted = false;
  while (i < n) {
    if (cmd[i] == '"') {
      quoted = !quoted;
      ++i;
      continue;
    }
    if (!quoted && IsSeparator(cmd[i])) break;
    size_t len = SystemCharLength(cmd, i);
    arg.append(cmd, i, len);
    i += len;
  }
  return arg;
}

int32_t CheckSingleInstance(const Text& name, Window& window) {
  Platform& p = *g->platform;
  Text trimmed = TrimBlanks(name);
  MutexResult m = p.CreateNamedMutex(trimmed);
  if (!m.existedBefore) {
    // A failed creation also lands here: this instance acts as the first.
    window.SetProperty(trimmed, 1);
    g->InstanceMutex = m.handle;
    return 0;
  }
  for (ForeignWindow w : p.TopLevelWindows()) {
    if (p.ForeignProperty(w, trimmed) != 1) continue;
    if (p.ForeignIsMinimized(w)) p.ForeignRestore(w);
    break;
  }
  if (m.handle != 0) p.CloseMutex(m.handle);
  return 1;
}

Text TakeCommandLineUrl() {
  Window& main = *g->main.window;
  main.SetClassName(kInstanceName);
  Text url = FirstCommandLineArgument(g->platform->CommandLine());
  // An empty argument ("") opens nothing either, so it marks nothing.
  if (url.empty()) return Text();
  CheckSingleInstance(kInstanceName, main);
  return url;
}

}  // namespace qv
