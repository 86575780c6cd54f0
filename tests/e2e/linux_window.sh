#!/usr/bin/env bash
# linux_window.sh -- the real programs' window, bare and under Openbox, and every way
# out with exit code 0, on hostile machines too. Usage: linux_window.sh ostra ostra.exe ostra_release
. "$(dirname "$0")/lib.sh"

if [ "${1:-}" != --display ]; then
  err=$(env -u DISPLAY -u WAYLAND_DISPLAY timeout 20 "$1" 2>&1 >/dev/null)
  e2e_check "no display: exit code 0 and the report on standard error" "$? $err" = "0 error: window_init()!"
  # A server on a free display number that takes the connection and never answers.
  for ((n = 600; ; n++)); do [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ] || break; done
  mkdir -p /tmp/.X11-unix && printf '%10d\n' $$ >/tmp/.X$n-lock
  socat -u UNIX-LISTEN:/tmp/.X11-unix/X$n,fork OPEN:/dev/null & silent=$! && sleep 0.5
  err=$(DISPLAY=:$n timeout 15 "$1" 2>&1 >/dev/null)
  e2e_check "a silent X server: exit code 0 and the report" "$? $err" = "0 error: window_init()!"
  DISPLAY=:$n "$1" 2>/dev/null & pid=$! && sleep 1 && kill -TERM "$pid"
  e2e_ended "SIGTERM while the X server is silent" "$pid" 1
  kill "$silent" && rm -f /tmp/.X$n-lock /tmp/.X11-unix/X$n
  # A server that comes up just after the program asks for it: a refusal is
  # tried again for a moment, not taken for no display.
  home=$(mktemp -d)
  XDG_DATA_HOME=$home SDL_AUDIODRIVER=dummy DISPLAY=:$n "$1" 2>/dev/null & pid=$!
  Xvfb :$n -nolisten tcp -screen 0 1024x768x24 >/dev/null 2>&1 & late=$!
  for _ in $(seq 100); do DISPLAY=:$n xdotool search --onlyvisible --name "^$E2E_TITLE\$" >/dev/null 2>&1 && break; sleep 0.1; done
  e2e_ok "a server that comes up just after the program: the window shows" \
    env DISPLAY=:$n xdotool search --onlyvisible --name "^$E2E_TITLE\$"
  kill -TERM "$pid" && e2e_ended "SIGTERM on the late server" "$pid" 5
  kill "$late" && wait "$late"; rm -rf "$home"
  (e2e_on_display "$0" bare "$@") || E2E_FAILED=1
  (OSTRA_XVFB_ARGS='-extension GLX' e2e_on_display "$0" box "$@") || E2E_FAILED=1
  e2e_finish
fi

if [ "$2" = box ]; then # the failure box, found by its name, which xdotool cannot read
  e2e_wine_prefix
  for program in "$3" "wine $4"; do
    env --default-signal=INT $program & pid=$!
    for _ in $(seq 600); do box=$(xwininfo -root -tree | awk '/"error": / { print $1; exit }'); [ -n "$box" ] && break; sleep 0.1; done
    sleep 5 && e2e_check "$program without GLX: the error box stays 5 s" -n "$(xwininfo -id "$box" 2>/dev/null)"
    xdotool key --window "$box" Return
    e2e_ended "$program: Return in the box" "$pid" 10
  done
  wineserver -k 2>/dev/null
  e2e_finish
fi

# Started with Ctrl+C ignored, as a script's background job is, and it stays so.
e2e_start_shown env --ignore-signal=INT "$3"
e2e_check "title '$E2E_TITLE', 800 x 600 client centred at 112, 84 on the bare screen, fixed size" \
  "$(xdotool getwindowname "$win"); $(e2e_geometry "$win"); $(xprop -id "$win" WM_NORMAL_HINTS |
    grep -c 'm[ai][xn]imum size: 800 by 600')" = "$E2E_TITLE; 800x600+112+84; 2"
kill -INT "$pid" && xdotool key --window "$win" alt+Escape && sleep 1
e2e_check "an ignored SIGINT and Alt+Escape leave the run going" -d "/proc/$pid"
xdotool key --window "$win" Escape
e2e_ended "Escape" "$pid" 1

# Every way out from outside, as the window shows and a second into the run,
# in this build and in a Release build, whose timing and races are its own.
for program in "$3" "$5"; do
  for wait in 0 1; do
    for way in INT TERM HUP windowclose windowkill; do
      e2e_start_shown "$program"
      sleep "$wait"
      { kill -"$way" "$pid" || xdotool "$way" "$win"; } 2>/dev/null
      e2e_ended "${program##*/}: $way $wait s after the window showed" "$pid" 5
    done
  done
done
for sig in INT TERM HUP; do
  rm -rf "$XDG_DATA_HOME/ostra"
  env --default-signal=INT "$3" & pid=$!
  for _ in $(seq 2000); do # until SIGHUP, SIGINT and SIGTERM (0x4003) are caught
    caught=$(grep -s SigCgt "/proc/$pid/status") && (((0x${caught#*:[[:space:]]} & 0x4003) == 0x4003)) && break
  done
  kill -"$sig" "$pid"
  e2e_ended "SIG$sig at once" "$pid" 2
  e2e_check "SIG$sig at once: nothing set up yet" ! -e "$XDG_DATA_HOME/ostra"
done

openbox --sm-disable >/dev/null 2>&1 & wm=$!
for _ in $(seq 50); do xprop -root _NET_SUPPORTED | grep -q REQUEST_FRAME_EXTENTS && break || sleep 0.1; done
e2e_start_shown "$3"
IFS=x+ read -r w h x y <<<"$(e2e_geometry "$(xwininfo -children -id "$win" | awk '/^ +Parent window id/ { print $4 }')")"
e2e_check "Openbox: the frame (${w}x$h+$x+$y) is centred" \
  "$x $y $((h > 600))" = "$(((1024 - w) >> 1)) $(((768 - h) >> 1)) 1"
wmctrl -i -c "$win"
e2e_ended "the window manager's close" "$pid" 5
kill "$wm"
e2e_finish
