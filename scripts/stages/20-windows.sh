# Windows: the product quorvi.exe (i686, warnings as errors) and its check,
# then the x86-64 test vehicle with every test run under wine64.
build win32 -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw-i686.cmake" \
  -DQUORVI_BACKEND=win32 -DQUORVI_WERROR=ON -DQUORVI_TESTS=OFF -DCMAKE_BUILD_TYPE=MinSizeRel
echo "=== check: build/win32/bin/quorvi.exe"
bash "$ROOT/scripts/check-pe.sh" "$ROOT/build/win32/bin/quorvi.exe" || FAILED+=("win32-pe")

# The program's windows need a display, and so does listing the tests at
# build time: a private one when there is none.
win64_xvfb=""
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 70 99); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    win64_xvfb=$!
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    export DISPLAY=":$n"
    break
  done
fi
build win64 -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw-x86_64.cmake" \
  -DQUORVI_BACKEND=win32
run_ctest_twice win64
# Let this prefix's wine processes end before their display goes.
WINEPREFIX="$ROOT/build/win64/wineprefix" timeout 20 /usr/lib/wine/wineserver -w 2>/dev/null || true
if [ -n "$win64_xvfb" ]; then
  kill "$win64_xvfb" 2>/dev/null || true
  unset DISPLAY
fi
