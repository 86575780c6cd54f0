# lib.sh -- what the end-to-end scripts share: checks, starting a program and waiting
# for its window or its end, the window's pixels, a Wine prefix. Source it first.
set -u
E2E_TITLE='ostra velumin!' E2E_FAILED=0

e2e_fail() { echo "FAIL: $*" >&2; E2E_FAILED=1; return 1; }
# e2e_ok "what" command...: passes when the command does.
e2e_ok() { if "${@:2}"; then echo "ok: $1"; else e2e_fail "$1 (${*:2})"; fi; }
e2e_check() { e2e_ok "$1" test "${@:2}"; } # "what" test-args...
e2e_holds() { e2e_ok "$1 (${*:3})" awk "END { exit !($2) }" "${@:3}" /dev/null; } # "what" awk-condition name=value...
e2e_finish() { [ "$E2E_FAILED" = 0 ] && echo "all checks passed" || echo "some checks failed" >&2; exit "$E2E_FAILED"; }

# e2e_start_shown command...: starts the program with Ctrl+C's default action,
# as from a terminal (a script's background job would ignore SIGINT), and sets
# $pid, $win and $shown (an $EPOCHREALTIME); finishes when no window shows
# within $E2E_WAIT s (20).
e2e_start_shown() {
  env --default-signal=INT "$@" & pid=$!
  for _ in $(seq $((${E2E_WAIT:-20} * 10))); do
    win=$(xdotool search --onlyvisible --name "^$E2E_TITLE\$" 2>/dev/null | head -n 1)
    [ -n "$win" ] && shown=$EPOCHREALTIME && return; kill -0 "$pid" 2>/dev/null && sleep 0.1 || break
  done
  e2e_fail "the window of '$*' did not show"; kill -KILL "$pid" 2>/dev/null; e2e_finish
}

# e2e_ended "what" pid seconds: the program ends within that time with exit code 0.
e2e_ended() {
  local status=timeout
  for _ in $(seq $(($3 * 20))); do kill -0 "$2" 2>/dev/null || { wait "$2"; status=$?; break; }; sleep 0.05; done
  [ "$status" != timeout ] || { kill -KILL "$2"; wait "$2"; } 2>/dev/null
  e2e_check "$1: exit code 0 within $3 s (got $status)" "$status" = 0
}

# e2e_left_alone most: the program of e2e_start_shown ends by itself with exit
# code 0. Its window shows before the set-up (terrain, tune file, soundfont),
# which the run's clock does not count: at least 30 s after it, and no hang.
e2e_left_alone() {
  e2e_ended "left alone" "$pid" "$1"
  local took=$(((${EPOCHREALTIME/[.,]/} - ${shown/[.,]/}) / 1000))
  e2e_check "left alone: ends 30 to $1 s after the window showed (took $took ms)" \
    "$took" -ge 30000 -a "$took" -le $(($1 * 1000))
}

# e2e_geometry window: "WxH+X+Y", the window's place on the screen.
e2e_geometry() { xwininfo -id "$1" | awk '/Absolute upper-left|Width:|Height:/ { v[n++] = $NF }
  END { print v[2] "x" v[3] "+" v[0] "+" v[1] }'; }
# e2e_client_ppm window file: the window's client area as plain-text PPM.
e2e_client_ppm() { import -window root -crop "$(e2e_geometry "$1")" +repage -depth 8 -compress none "ppm:$2"; }

# e2e_ppm_awk program files...: runs the awk program once per pixel of
# plain-text PPM files, with W and H the size, x and y the place (y = 0 at
# the top) and r, g and b the colour; its END block sees the last file.
e2e_ppm_awk() {
  awk 'function abs(v) { return v < 0 ? -v : v }
    BEGIN { RS = "[ \t\n]+" } FNR == 2 { W = $1 + 0 } FNR == 3 { H = $1 + 0 } FNR < 5 { next }
    { v[(FNR - 5) % 3] = $1 + 0 } (FNR - 5) % 3 < 2 { next }
    { r = v[0]; g = v[1]; b = v[2]; p = (FNR - 7) / 3; x = p % W; y = int(p / W) }
    '"$1" "${@:2}"
}

# e2e_demo_pixels files...: "size=WxH terrain=n trunks=n walls=n" of pictures
# of the demo: the client size, then the pixels of the lit terrain (green =
# blue, red unlike them), of tree trunks (red twice green, blue 0) and of the
# walls (g - b = 2 (r - b) and g > r > b), colour rules that only those meet.
e2e_demo_pixels() {
  e2e_ppm_awk '{ if (abs(g - b) <= 2 && abs(r - g) >= 6) terrain++
      else if (b == 0 && r >= 40 && r <= 230 && abs(r - 2 * g) <= 2) trunks++
      if (abs(g - b - 2 * (r - b)) <= 4 && g > r && r > b && b >= 20) walls++ }
    END { printf "size=%dx%d terrain=%d trunks=%d walls=%d\n", W, H, terrain, trunks, walls }' "$@"
}

# e2e_wine_prefix: a Wine prefix of our own, made once; quiet, and without
# the Mono and Gecko installers.
e2e_wine_prefix() {
  export WINEPREFIX=${OSTRA_BUILD:-/tmp}/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  [ -f "$WINEPREFIX/.ostra-ready" ] ||
    { mkdir -p "$WINEPREFIX"; wineboot -i >/dev/null 2>&1; wineserver -w; touch "$WINEPREFIX/.ostra-ready"; }
}

# e2e_on_display script args...: runs `script --display args...` again under a
# private virtual display ($OSTRA_XVFB_ARGS: more Xvfb options) and data home,
# then finishes with its result.
e2e_on_display() {
  export work && work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
  XDG_DATA_HOME=$work/home OSTRA_XVFB_SCREEN=1024x768x24 \
    "$(dirname "${BASH_SOURCE[0]}")/../../tools/with-xvfb" bash "$1" --display "${@:2}" || E2E_FAILED=1
  e2e_finish
}
