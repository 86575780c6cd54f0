#!/usr/bin/env bash
# wine.sh -- the Windows build under Wine on a virtual display: a GUI program
# on the expected DLLs, whose window shows the demo (lit terrain, walls and
# trunks, not a black window), writes "c:\e.mid" as exactly the embedded
# tune over a longer file, and ends by itself after 30 s with exit code 0;
# and the flyers' headings computed as the Linux build computes them.
# Usage: wine.sh path/to/ostra.exe path/to/heading_table.exe path/to/linux/heading_table
#        path/to/compose_tune
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
if [ "${1:-}" != --display ]; then
  [ -f "$1" ] || { e2e_fail "no Windows build at $1 (./test builds it first)"; e2e_finish; }
  headers=$(x86_64-w64-mingw32-objdump -p "$1")
  e2e_check "a GUI-subsystem program" -n "$(grep -E 'Subsystem.*Windows GUI' <<<"$headers")"
  for dll in OPENGL32 GLU32 WINMM GDI32 USER32 KERNEL32; do
    e2e_check "imports $dll.dll" -n "$(grep -iE "DLL Name: $dll.dll" <<<"$headers")"
  done
  e2e_on_display -- "$0" "$@"
fi
shift
e2e_wine_prefix "${OSTRA_BUILD:-/tmp}/wineprefix"
"$4" "$work/expected.mid" || e2e_fail "the composer did not write the tune"
file=$WINEPREFIX/drive_c/e.mid
head -c 20000 /dev/urandom >"$file"

E2E_WAIT=60 e2e_start_shown wine "$1"
shown=$(e2e_now)
sleep 5
e2e_client_ppm "$win" "$work/shot.ppm"
read -r size terrain trunk wall <<<"$(e2e_demo_pixels "$work/shot.ppm")"
e2e_check "an 800 x 600 client area (got $size)" "$size" = 800x600
e2e_check "the demo shows: terrain $terrain, trunks $trunk, walls $wall" \
  "$((terrain >= 150000 && trunk >= 200 && wall >= 5000))" = 1
e2e_check "c:\\e.mid in Wine's drive_c holds exactly the embedded tune" \
  "$(cmp -s "$file" "$work/expected.mid" && echo same)" = same
linux=$("$3")
windows=$(wine "$2" | tr -d '\r')
e2e_check "the same flyer headings as the Linux build ($windows, $linux)" "$windows" = "$linux"
e2e_wait_exit "$pid" 90
took=$(e2e_took "$shown")
e2e_check "left alone: exit code 0 under Wine (got $E2E_STATUS)" "$E2E_STATUS" = 0
e2e_check "left alone: ends 30 s or more after the window showed (took $took s)" \
  "$(e2e_between "$took" 30 60 && echo yes)" = yes
wineserver -k 2>/dev/null
e2e_finish
