#!/usr/bin/env bash
# linux_window.sh -- the Linux program end to end: the failure report without
# a display, then under a virtual display the window's title, size, place and
# fixed size, a drawn client area, and the four ways a run ends (Escape, the
# close request, Ctrl+C, and the 30 s limit), each with exit code 0.
# Usage: linux_window.sh path/to/ostra path/to/x11_close
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

if [ "${1:-}" != --display ]; then
  exe=$1
  XDG_DATA_HOME=$(mktemp -d)
  export XDG_DATA_HOME
  trap 'rm -rf "$XDG_DATA_HOME"' EXIT

  # No display at all: the set-up fails, the report goes to standard error.
  err=$(env -u DISPLAY -u WAYLAND_DISPLAY timeout 20 "$exe" 2>&1 >/dev/null)
  status=$?
  e2e_check "no display: exit code 0 (got $status)" "$status" -eq 0
  e2e_check "no display: the report on standard error (got '$err')" "$err" = "error: window_init()!"
  e2e_check "no display: no music file written" ! -e "$XDG_DATA_HOME/ostra/drive_c/e.mid"

  OSTRA_XVFB_SCREEN=1024x768x24 "$here/../../tools/with-xvfb" bash "$0" --display "$@"
  status=$?
  [ "$status" -eq 0 ] || E2E_FAILED=1
  e2e_finish
fi

shift
exe=$1
close_tool=$2

e2e_start_shown "$exe"
e2e_check "title is exactly '$E2E_TITLE'" "$(xdotool getwindowname "$win")" = "$E2E_TITLE"
read -r x y w h <<<"$(e2e_geometry "$win")"
e2e_check "client area 800 x 600 (got $w x $h)" "$w $h" = "800 600"
e2e_check "centred on the 1024 x 768 screen at 112, 84 (got $x, $y)" "$x $y" = "112 84"
hints=$(xprop -id "$win" WM_NORMAL_HINTS)
e2e_check "not resizable: minimum size 800 by 600" -n "$(grep 'minimum size: 800 by 600' <<<"$hints")"
e2e_check "not resizable: maximum size 800 by 600" -n "$(grep 'maximum size: 800 by 600' <<<"$hints")"

sleep 2
shot=$(mktemp --suffix=.png)
e2e_screenshot "$shot"
e2e_check "the client area is drawn: many colours" "$(e2e_colours "$shot" 112 84 800 600)" -gt 50
e2e_check "nothing drawn outside the client area" "$(e2e_pixel "$shot" 111 384) $(e2e_pixel "$shot" 912 384)" = "0 0 0 0 0 0"
rm -f "$shot"

xdotool key --window "$win" Escape
pressed=$(e2e_now)
e2e_wait_exit "$pid" 10
status=$E2E_STATUS
took=$(e2e_elapsed "$pressed" "$(e2e_now)")
e2e_check "Escape: exit code 0 (got $status)" "$status" = 0
e2e_check "Escape: ends within a second (took $took s)" "$(e2e_between "$took" 0 1 && echo yes)" = yes

e2e_start_shown "$exe"
"$close_tool" "$win"
e2e_wait_exit "$pid" 10
status=$E2E_STATUS
e2e_check "the window manager's close: exit code 0 (got $status)" "$status" = 0

e2e_start_shown "$exe"
kill -INT "$pid"
e2e_wait_exit "$pid" 10
status=$E2E_STATUS
e2e_check "Ctrl+C (SIGINT): exit code 0 (got $status)" "$status" = 0

# Left alone. The window shows before the set-up (terrain, tune file, loading
# the soundfont where there is sound), and the run's clock starts after it:
# 30 to 31 s of run time, plus up to a second of set-up.
e2e_start_shown "$exe"
shown=$(e2e_now)
e2e_wait_exit "$pid" 60
status=$E2E_STATUS
took=$(e2e_elapsed "$shown" "$(e2e_now)")
e2e_check "left alone: exit code 0 (got $status)" "$status" = 0
e2e_check "left alone: ends 30 to 32 s after the window showed (took $took s)" \
  "$(e2e_between "$took" 30 32 && echo yes)" = yes

e2e_finish
