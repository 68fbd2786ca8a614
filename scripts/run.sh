#!/usr/bin/env bash
# Sets up the machine, builds the x86-64 Windows program (when needed) and
# runs it under wine64: on the current display, or on a private Xvfb when
# there is none. Saves a screenshot once the window is up and says where.
# The program runs until its window is closed (Ctrl+C ends it too); on a
# private display it is closed after the screenshot.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
bash scripts/setup.sh

BUILD="$ROOT/build/win64"
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw-x86_64.cmake" -DQUORVI_BACKEND=win32 >/dev/null
fi
cmake --build "$BUILD" --target quorvi -j "${JOBS:-2}"

export WINEPREFIX="$BUILD/wineprefix" WINEARCH=win64 WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
WINE=/usr/lib/wine/wine64

xvfb_pid=""
private=0
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 40 69); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    private=1
    break
  done
  [ -n "$xvfb_pid" ] || { echo "run: no free display number for Xvfb" >&2; exit 1; }
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "run: creating the wine prefix (once)"
  "$WINE" wineboot -i >/dev/null 2>&1 || true
fi

work="$BUILD/run"
mkdir -p "$work"
cd "$work"
"$WINE" "$BUILD/bin/quorvi.exe" "$@" >"$work/quorvi.log" 2>&1 &
app=$!
cleanup() {
  kill "$app" 2>/dev/null || true
  if [ "$private" = 1 ]; then
    timeout 15 /usr/lib/wine/wineserver -w 2>/dev/null || true
    kill "$xvfb_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

# The window is up when the display shows something besides the background.
shot="$ROOT/build/quorvi-screenshot.png"
for _ in $(seq 60); do
  sleep 0.5
  if ! kill -0 "$app" 2>/dev/null; then echo "run: the program ended early (see $work/quorvi.log)" >&2; exit 1; fi
  import -window root "$shot" 2>/dev/null || continue
  colours=$(convert "$shot" -format %k info: 2>/dev/null || echo 1)
  [ "$colours" -gt 20 ] && break
done
sleep 2  # let the first paint settle
import -window root "$shot"
echo "run: screenshot saved to $shot"

if [ "$private" = 1 ]; then
  echo "run: private display $DISPLAY; closing the program"
else
  echo "run: quorvi is running on $DISPLAY; close its window to end"
  wait "$app" || true
fi
