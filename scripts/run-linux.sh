#!/usr/bin/env bash
# Builds and starts the Linux program (GTK 3 + WebKitGTK) showing the start
# page shipped with the project, or the address given as the first argument.
# With a display it opens there; without one it runs on a private Xvfb,
# saves a screenshot to build/gtk/screenshot.png and stops.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
bash scripts/setup.sh

BUILD="$ROOT/build/gtk"
# The same configuration as the test stage (scripts/stages/30-gtk.sh).
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORVI_BACKEND=gtk -DQUORVI_WERROR=ON >/dev/null
fi
cmake --build "$BUILD" -j "${JOBS:-2}" --target quorvi-gtk
PROGRAM="$(find "$BUILD" -name quorvi-gtk -type f -perm -u+x | head -n1)"
URL="${1:-file://$ROOT/assets/start.html}"
export WEBKIT_DISABLE_COMPOSITING_MODE=1

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec "$PROGRAM" "$URL"
fi

# No display: a private one, a screenshot after the page has loaded.
for n in $(seq 120 199); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB=$!
  export DISPLAY=":$n"
  break
done
trap 'kill ${APP:-} $XVFB 2>/dev/null || true' EXIT
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
"$PROGRAM" "$URL" &
APP=$!
sleep "${SHOT_DELAY:-6}"
SHOT="$BUILD/screenshot.png"
import -window root "$SHOT"
echo "run-linux: quorvi-gtk ran on a private display ($DISPLAY); screenshot: $SHOT"
