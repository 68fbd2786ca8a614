#!/usr/bin/env bash
# Runs a Windows program under wine64 with a prefix of its own:
#   wine-run.sh PREFIX program.exe [args...]
# The prefix is created once (under a lock, so parallel tests wait for it).
# Without a display a private Xvfb is started for this run.
set -euo pipefail
prefix="$1"; shift
WINE=/usr/lib/wine/wine64
export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or HTML-engine installer dialogs.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/system.reg" ]; then
    "$WINE" wineboot -i >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w || true
  fi
) 9>"$prefix.lock"

xvfb_pid=""
# The prefix's own processes use the display too: let them end first.
cleanup() {
  if [ -n "$xvfb_pid" ]; then
    timeout 15 /usr/lib/wine/wineserver -w 2>/dev/null || true
    kill "$xvfb_pid" 2>/dev/null || true
  fi
}
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    break
  done
  trap cleanup EXIT
fi

set +e
start=$SECONDS
"$WINE" "$@"
rc=$?
set -e
# A program that failed before it could say anything leaves only this line.
((rc == 0)) || echo "wine-run: $(basename "$1") ended with code $rc after $((SECONDS - start)) s" >&2
exit $rc
