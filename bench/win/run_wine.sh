#!/usr/bin/env bash
# The start-up and memory figures under wine64 (bench/run.sh calls this,
# inside a network namespace of its own): a private display, the prefix in
# $BENCH_DIR/prefix made once, then the driver. Prints the driver's lines.
set -euo pipefail
B="$BENCH_DIR"
WINE=/usr/lib/wine/wine64
export WINEPREFIX="$B/prefix" WINEARCH=win64 WINEDEBUG=-all
# No Mono or HTML-engine installer dialogs.
export WINEDLLOVERRIDES="mscoree,mshtml="
ip link set lo up 2>/dev/null || true

xvfb=""
cleanup() {
  timeout 20 /usr/lib/wine/wineserver -w 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
for n in $(seq 150 199); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  break
done

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "bench: creating the wine prefix (once)" >&2
  "$WINE" wineboot -i >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -w || true
fi
ie="$WINEPREFIX/drive_c/Program Files/Internet Explorer/iexplore.exe"
[ -f "$ie" ] || { echo "bench: no iexplore.exe in the prefix" >&2; exit 1; }

win() { printf 'Z:%s' "$1" | tr / '\\'; }
QUORVI="$(win "$B/win64/bin/quorvi.exe")"
BARE="$(win "$B/win-tools/bare_host.exe")"
DRIVER="$B/win-tools/startup_driver.exe"
mkdir -p "$B/wine-work"
cd "$B/wine-work"

"$WINE" "$DRIVER" startup "$ROUNDS" quorvi "$QUORVI" QuorviBrowserHost bare "$BARE" QuorviBareBrowser \
  iexplore 'C:\Program Files\Internet Explorer\iexplore.exe' - 2> >(grep -v "Read access denied" >&2)
"$WINE" "$DRIVER" memory "$MEM_ROUNDS" quorvi "$QUORVI" QuorviBrowserHost bare "$BARE" QuorviBareBrowser \
  2> >(grep -v "Read access denied" >&2)
# The program's own share of a tab: the same clicks with its views left
# without the browser control.
QUORVI_NO_BROWSER_CONTROL=1 "$WINE" "$DRIVER" memory "$MEM_ROUNDS" quorvi-no-control "$QUORVI" \
  '*QuorviBrowserHost' 2> >(grep -v "Read access denied" >&2)
