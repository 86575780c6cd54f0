#!/usr/bin/env bash
# wine.sh -- the Windows build under Wine on a virtual display: a GUI program
# on the expected DLLs, whose window shows the demo (lit terrain, walls and
# trunks, not a black window), writes "c:\e.mid" whole and untranslated
# (the tune's 7724 bytes) over a longer file, and ends by itself after 30 s
# with exit code 0; and the flyers' headings computed as the Linux build
# computes them.
# Usage: wine.sh path/to/ostra.exe path/to/heading_table.exe path/to/linux/heading_table
. "$(dirname "$0")/lib.sh"
if [ "${1:-}" != --display ]; then
  [ -f "$1" ] || { e2e_fail "no Windows build at $1 (./test builds it first)"; e2e_finish; }
  headers=$(x86_64-w64-mingw32-objdump -p "$1")
  for want in 'Subsystem.*Windows GUI' 'DLL Name: '{OPENGL32,GLU32,WINMM,GDI32,USER32,KERNEL32}.dll; do
    e2e_check "objdump -p: $want" -n "$(grep -iE "$want" <<<"$headers")"
  done
  e2e_on_display "$0" "$@"
fi

shift
e2e_wine_prefix
file=$WINEPREFIX/drive_c/e.mid
head -c 20000 /dev/urandom >"$file"
E2E_WAIT=60 e2e_start_shown wine "$1"
sleep 5 && e2e_client_ppm "$win" "$work/shot.ppm"
e2e_holds "the demo shows in an 800 x 600 client area: terrain, trunks and walls" \
  'size == "800x600" && terrain >= 150000 && trunks >= 200 && walls >= 5000' $(e2e_demo_pixels "$work/shot.ppm")
e2e_check "c:\\e.mid in Wine's drive_c is the tune's 7724 bytes, binary, over a longer file" \
  "$(stat -c %s "$file")" = 7724
e2e_check "the same flyer headings as the Linux build" "$(wine "$2" | tr -d '\r')" = "$("$3")"
e2e_left_alone 60
wineserver -k 2>/dev/null
e2e_finish
