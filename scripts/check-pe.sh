#!/usr/bin/env bash
# Checks that a file is a 32-bit x86 Windows GUI program that imports only
# the system's own DLLs:  check-pe.sh quorvi.exe
set -euo pipefail
exe="$1"
fail() { echo "check-pe: $exe: $*" >&2; exit 1; }
[ -f "$exe" ] || fail "missing"

# The machine field of the PE header (e_lfanew at 0x3c, machine 4 bytes on).
u32() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }
u16() { od -An -tu2 -j "$2" -N2 "$1" | tr -d ' '; }
[ "$(head -c2 "$exe")" = "MZ" ] || fail "no MZ header"
pe=$(u32 "$exe" 60)
[ "$(od -An -c -j "$pe" -N4 "$exe" | tr -d ' ')" = 'PE\0\0' ] || fail "no PE signature"
machine=$(u16 "$exe" $((pe + 4)))
[ "$machine" = $((0x14c)) ] || fail "machine $(printf 0x%x "$machine"), not i386 (0x14c)"
magic=$(u16 "$exe" $((pe + 24)))
[ "$magic" = $((0x10b)) ] || fail "optional header magic $(printf 0x%x "$magic"), not PE32"
subsystem=$(u16 "$exe" $((pe + 24 + 68)))
[ "$subsystem" = 2 ] || fail "subsystem $subsystem, not the GUI (2)"

# Only DLLs every Windows has.
allowed=" kernel32.dll user32.dll gdi32.dll advapi32.dll comctl32.dll ole32.dll oleaut32.dll
  shell32.dll shlwapi.dll msvcrt.dll ntdll.dll uxtheme.dll version.dll comdlg32.dll "
dlls=$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
[ -n "$dlls" ] || fail "no imports found"
for d in $dlls; do
  case "$allowed" in
    *" $d "*|*" $d"$'\n'*) ;;
    *) fail "imports $d, which is not a system DLL" ;;
  esac
done
echo "check-pe: $exe: 32-bit GUI PE, imports $(echo $dlls | tr '\n' ' ')"
