#!/usr/bin/env bash
# wine_music.sh -- the Windows build's music file under Wine: the C runtime
# writes "c:\e.mid" into Wine's drive_c, replacing a longer file there with
# exactly the embedded tune, and the run with its MCI commands (played or
# refused by Wine's sequencer) ends on Escape with exit code 0.
# Usage: wine_music.sh path/to/ostra.exe path/to/music_dump
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

if [ "${1:-}" != --display ]; then
  if [ ! -f "$1" ]; then
    e2e_fail "no Windows build at $1 (./test builds it first)"
    e2e_finish
  fi
  e2e_check "the Windows build imports winmm.dll for the MCI commands" \
    -n "$(x86_64-w64-mingw32-objdump -p "$1" | grep -iE 'DLL Name: winmm.dll')"
  e2e_on_display "$0" "$@"
fi

shift
exe=$1
dump=$2
e2e_workdir
e2e_expected_tune "$dump"
e2e_wine_prefix "${OSTRA_BUILD:-/tmp}/wineprefix"
file=$WINEPREFIX/drive_c/e.mid
head -c 20000 /dev/urandom >"$file"

E2E_WAIT=60 e2e_start_shown wine "$exe"
# The file is written in scene_init, before the first frame; the window shows
# earlier, so give the set-up its time.
for _ in $(seq 100); do
  cmp -s "$file" "$work/expected.mid" && break
  sleep 0.1
done
e2e_check "c:\\e.mid in Wine's drive_c holds exactly the embedded tune" \
  "$(cmp -s "$file" "$work/expected.mid" && echo same || echo different)" = same
sleep 2
xdotool key --window "$win" Escape
e2e_wait_exit "$pid" 20
e2e_check "Escape: exit code 0 under Wine (got $E2E_STATUS)" "$E2E_STATUS" = 0
e2e_check "the file stays on disk after the run" \
  "$(cmp -s "$file" "$work/expected.mid" && echo same || echo different)" = same
wineserver -k 2>/dev/null
e2e_finish
