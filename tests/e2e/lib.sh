# lib.sh -- shared helpers for the end-to-end scripts: checks, waiting for the
# window, pixels of a screenshot, timing, and a Wine prefix of our own.
# Source it; the scripts run with `set -u`.

E2E_TITLE='ostra velumin!'
E2E_FAILED=0

e2e_fail() { echo "FAIL: $*" >&2; E2E_FAILED=1; }
e2e_ok() { echo "ok: $*"; }
# e2e_check "what" test-args...: runs `test` on the arguments.
e2e_check() {
  local what=$1
  shift
  if test "$@"; then e2e_ok "$what"; else e2e_fail "$what (test $*)"; fi
}
e2e_finish() {
  if [ "$E2E_FAILED" -ne 0 ]; then echo "some checks failed" >&2; exit 1; fi
  echo "all checks passed"
  exit 0
}

e2e_now() { date +%s.%N; }
# e2e_elapsed start end: seconds between two e2e_now values.
e2e_elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
# e2e_between value low high: true when low <= value <= high.
e2e_between() { awk -v v="$1" -v lo="$2" -v hi="$3" 'BEGIN { exit !(v >= lo && v <= hi) }'; }

# e2e_wait_window pid seconds: prints the id of the program's window once it
# is mapped; empty when the program ends or the time runs out first.
e2e_wait_window() {
  local pid=$1 limit=$2 i w
  for i in $(seq $((limit * 10))); do
    w=$(xdotool search --onlyvisible --name "^${E2E_TITLE}\$" 2>/dev/null | head -n 1)
    if [ -n "$w" ]; then echo "$w"; return 0; fi
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# e2e_wait_exit pid seconds: waits for the program and sets $E2E_STATUS to
# its exit status, or to "timeout" after killing it when the time runs out.
e2e_wait_exit() {
  local pid=$1 limit=$2 i
  for i in $(seq $((limit * 20))); do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"
      E2E_STATUS=$?
      return 0
    fi
    sleep 0.05
  done
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  E2E_STATUS=timeout
}

# e2e_geometry window: "x y width height" of the window on the screen.
e2e_geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
    /Width:/ { w = $NF } /Height:/ { h = $NF } END { print x, y, w, h }'
}

# e2e_screenshot file: the whole screen as PNG.
e2e_screenshot() { import -window root "$1"; }

# e2e_pixel file x y: "r g b" of one pixel.
e2e_pixel() {
  convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- | tail -n 1 |
    sed -E 's/.*\(([0-9]+),([0-9]+),([0-9]+).*/\1 \2 \3/'
}

# e2e_colours file x y w h: the number of distinct colours in a region.
e2e_colours() { convert "$1" -crop "${4}x${5}+$2+$3" +repage -format '%k' info:; }

# e2e_wine_prefix dir: a Wine prefix of our own, made once; quiet, and
# without the Mono and Gecko installers.
e2e_wine_prefix() {
  export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/.ostra-ready" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.ostra-ready"
  fi
}

# e2e_on_display script args...: runs `script --display args...` again under
# a private virtual display and data home, then finishes with its result.
e2e_on_display() {
  local script=$1 status
  shift
  XDG_DATA_HOME=$(mktemp -d)
  export XDG_DATA_HOME
  trap 'rm -rf "$XDG_DATA_HOME"' EXIT
  OSTRA_XVFB_SCREEN=1024x768x24 "$(dirname "${BASH_SOURCE[0]}")/../../tools/with-xvfb" \
    bash "$script" --display "$@"
  status=$?
  [ "$status" -eq 0 ] || E2E_FAILED=1
  e2e_finish
}

# e2e_start_shown command...: starts the program with Ctrl+C's default action,
# as from a terminal (a script's background job would ignore SIGINT), and sets
# $pid and $win; finishes when no window shows within $E2E_WAIT s (20).
e2e_start_shown() {
  env --default-signal=INT "$@" &
  pid=$!
  win=$(e2e_wait_window "$pid" "${E2E_WAIT:-20}")
  if [ -z "$win" ]; then
    e2e_fail "the window did not show"
    kill -KILL "$pid" 2>/dev/null
    e2e_finish
  fi
}

# e2e_client_ppm window file: the window's client area as plain-text PPM.
e2e_client_ppm() {
  local x y w h
  read -r x y w h <<<"$(e2e_geometry "$1")"
  import -window root -crop "${w}x${h}+${x}+${y}" +repage -depth 8 -compress none "ppm:$2"
}

# e2e_ppm_awk program files...: runs the awk program once per pixel of
# plain-text PPM files, with W and H the size, x and y the place (y = 0 at
# the top) and r, g and b the colour; its END block sees the last file.
e2e_ppm_awk() {
  awk 'BEGIN { RS = "[ \t\n]+" }
    FNR == 1 { n = 0; i = 0 }
    n < 4 { if (n == 1) W = $1 + 0; if (n == 2) H = $1 + 0; n++; next }
    { v[i % 3] = $1 + 0; i++ }
    i % 3 != 0 { next }
    { r = v[0]; g = v[1]; b = v[2]; p = i / 3 - 1; x = p % W; y = int(p / W) }
    '"$1" "${@:2}"
}

# e2e_workdir: a scratch folder in $work, removed when the script ends.
e2e_workdir() {
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
}

# e2e_expected_tune dump: the embedded tune, from the music_dump helper, in
# $work/expected.mid; the files the programs write must equal it.
e2e_expected_tune() {
  "$1" >"$work/expected.mid" || { e2e_fail "music_dump failed"; e2e_finish; }
}
