#!/usr/bin/env bash
# wine_window.sh -- the Windows build end to end under Wine on a virtual
# display: a GUI-subsystem executable on the expected DLLs, its window's
# title and client size, and Escape ending the run with exit code 0.
# Usage: wine_window.sh path/to/ostra.exe
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

if [ "${1:-}" != --display ]; then
  exe=$1
  if [ ! -f "$exe" ]; then
    e2e_fail "no Windows build at $exe (./test builds it first)"
    e2e_finish
  fi
  headers=$(x86_64-w64-mingw32-objdump -p "$exe")
  e2e_check "a GUI-subsystem program" -n "$(grep -E 'Subsystem.*Windows GUI' <<<"$headers")"
  for dll in OPENGL32 GLU32 WINMM GDI32 USER32 KERNEL32; do
    e2e_check "imports $dll.dll" -n "$(grep -iE "DLL Name: $dll.dll" <<<"$headers")"
  done
  e2e_on_display "$0" "$@"
fi

shift
exe=$1
e2e_wine_prefix "${OSTRA_BUILD:-/tmp}/wineprefix"

E2E_WAIT=60 e2e_start_shown wine "$exe"
e2e_check "title is exactly '$E2E_TITLE'" "$(xdotool getwindowname "$win")" = "$E2E_TITLE"
read -r x y w h <<<"$(e2e_geometry "$win")"
e2e_check "client area 800 x 600 (got $w x $h)" "$w $h" = "800 600"
sleep 2
xdotool key --window "$win" Escape
e2e_wait_exit "$pid" 20
status=$E2E_STATUS
e2e_check "Escape: exit code 0 under Wine (got $status)" "$status" = 0
wineserver -k 2>/dev/null
e2e_finish
