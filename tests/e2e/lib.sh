# lib.sh -- what the end-to-end scripts share: checks, starting a program and
# waiting for its window or its end, the window's pixels, a Wine prefix.
# Source it; the scripts run with `set -u`.

E2E_TITLE='ostra velumin!'
E2E_FAILED=0

e2e_fail() { echo "FAIL: $*" >&2; E2E_FAILED=1; }
# e2e_check "what" test-args...: runs `test` on the arguments.
e2e_check() {
  local what=$1
  shift
  if test "$@"; then echo "ok: $what"; else e2e_fail "$what (test $*)"; fi
}
e2e_finish() {
  [ "$E2E_FAILED" -eq 0 ] || { echo "some checks failed" >&2; exit 1; }
  echo "all checks passed"
  exit 0
}

e2e_now() { date +%s.%N; }
# e2e_took start: seconds since an e2e_now value.
e2e_took() { awk -v a="$1" -v b="$(e2e_now)" 'BEGIN { printf "%.2f", b - a }'; }
# e2e_between value low high: true when low <= value <= high.
e2e_between() { awk -v v="$1" -v lo="$2" -v hi="$3" 'BEGIN { exit !(v >= lo && v <= hi) }'; }

# e2e_wait_window pid seconds [title]: prints the id of the mapped window
# with that title (the program's by default) once it shows; empty when the
# program ends or the time runs out first.
e2e_wait_window() {
  local w
  for _ in $(seq $(($2 * 10))); do
    w=$(xdotool search --onlyvisible --name "^${3:-$E2E_TITLE}\$" 2>/dev/null | head -n 1)
    [ -n "$w" ] && { echo "$w"; return 0; }
    kill -0 "$1" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# e2e_wait_exit pid seconds: waits for the program and sets $E2E_STATUS to
# its exit status, or to "timeout" after killing it when the time runs out.
e2e_wait_exit() {
  for _ in $(seq $(($2 * 20))); do
    if ! kill -0 "$1" 2>/dev/null; then
      wait "$1"
      E2E_STATUS=$?
      return 0
    fi
    sleep 0.05
  done
  kill -KILL "$1" 2>/dev/null
  wait "$1" 2>/dev/null
  E2E_STATUS=timeout
}

# e2e_start_shown command...: starts the program with Ctrl+C's default action,
# as from a terminal (a script's background job would ignore SIGINT), and sets
# $pid and $win; finishes when no window shows within $E2E_WAIT s (20).
e2e_start_shown() {
  env --default-signal=INT "$@" &
  pid=$!
  win=$(e2e_wait_window "$pid" "${E2E_WAIT:-20}")
  if [ -z "$win" ]; then
    e2e_fail "the window of '$*' did not show"
    kill -KILL "$pid" 2>/dev/null
    e2e_finish
  fi
}

# e2e_geometry window: "x y width height" of the window on the screen.
e2e_geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
    /Width:/ { w = $NF } /Height:/ { h = $NF } END { print x, y, w, h }'
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

# e2e_demo_pixels files...: "size lit terrain trunks walls" of pictures of the
# demo: the client size, then the pixels of the lit terrain (green = blue,
# red unlike them), of tree trunks (red twice green, blue 0) and of the walls
# (g - b = 2 (r - b) and g > r > b), colour rules that only those meet.
e2e_demo_pixels() {
  e2e_ppm_awk '{
    gb = g - b; if (gb < 0) gb = -gb; rg = r - g; if (rg < 0) rg = -rg
    if (gb <= 2 && rg >= 6) terrain++
    else if (b == 0 && r >= 40 && r <= 230 && r - 2 * g <= 2 && 2 * g - r <= 2) trunk++
    d = (g - b) - 2 * (r - b); if (d < 0) d = -d
    if (d <= 4 && g > r && r > b && b >= 20) wall++
  } END { printf "%dx%d %d %d %d\n", W, H, terrain, trunk, wall }' "$@"
}

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

# e2e_on_display [xvfb-args] -- script args...: runs `script --display args...`
# again under a private virtual display and data home, then finishes with
# its result.
e2e_on_display() {
  local script status
  while [ "$1" != -- ]; do OSTRA_XVFB_ARGS="${OSTRA_XVFB_ARGS:-} $1"; shift; done
  script=$2
  shift 2
  work=$(mktemp -d)
  export work
  trap 'rm -rf "$work"' EXIT
  XDG_DATA_HOME=$work/home OSTRA_XVFB_SCREEN=1024x768x24 OSTRA_XVFB_ARGS=${OSTRA_XVFB_ARGS:-} \
    "$(dirname "${BASH_SOURCE[0]}")/../../tools/with-xvfb" bash "$script" --display "$@"
  status=$?
  [ "$status" -eq 0 ] || E2E_FAILED=1
  e2e_finish
}
