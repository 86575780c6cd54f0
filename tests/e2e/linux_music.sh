#!/usr/bin/env bash
# linux_music.sh -- the Linux program's music end to end under a virtual
# display: the file it writes holds exactly the embedded tune (fresh, and over
# a longer file), a run with the sequencer playing ends on Escape and at the
# 30 s limit with exit code 0 and without a word on standard error, and a run
# with no audio output, the machine's own output or no writable drive
# directory goes on in silence.
# Usage: linux_music.sh path/to/ostra path/to/music_dump
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

[ "${1:-}" = --display ] || e2e_on_display "$0" "$@"

shift
exe=$1
dump=$2
e2e_workdir
e2e_expected_tune "$dump"
e2e_check "the embedded tune is 7724 bytes" "$(stat -c %s "$work/expected.mid")" -eq 7724

# run name audio-driver data-home: starts the program; sets $pid and $win.
run() {
  local name=$1
  SDL_AUDIODRIVER=$2 XDG_DATA_HOME=$3 "$exe" 2>"$work/$name.err" &
  pid=$!
  win=$(e2e_wait_window "$pid" 30)
  if [ -z "$win" ]; then
    e2e_fail "$name: the window did not show"
    kill -KILL "$pid" 2>/dev/null
    e2e_finish
  fi
}

# escape name: ends the run with Escape; checks exit code 0 within 5 s.
escape() {
  local name=$1 pressed took
  xdotool key --window "$win" Escape
  pressed=$(e2e_now)
  e2e_wait_exit "$pid" 10
  took=$(e2e_elapsed "$pressed" "$(e2e_now)")
  e2e_check "$name: Escape gives exit code 0 (got $E2E_STATUS)" "$E2E_STATUS" = 0
  e2e_check "$name: and ends within 5 s (took $took s)" "$(e2e_between "$took" 0 5 && echo yes)" = yes
}

same_bytes() { cmp -s "$1" "$2" && echo same || echo different; }
# The window shows before scene_init writes the file: wait for it (10 s at most).
wait_tune() {
  for _ in $(seq 100); do
    cmp -s "$1" "$work/expected.mid" && return 0
    sleep 0.1
  done
  return 1
}

# A fresh data home: the directories are made owner-only and the tune written.
home=$work/fresh
mkdir "$home"
run fresh dummy "$home"
file=$home/ostra/drive_c/e.mid
wait_tune "$file"
e2e_check "fresh: the file is written at the mapped place" -f "$file"
e2e_check "fresh: it holds exactly the embedded tune" "$(same_bytes "$file" "$work/expected.mid")" = same
e2e_check "fresh: the drive directory is owner-only" "$(stat -c %a "$home/ostra/drive_c")" = 700
sleep 2 # the first notes sound from 1.33 s on
escape fresh
e2e_check "fresh: nothing on standard error" ! -s "$work/fresh.err"
e2e_check "fresh: the file stays on disk after the run" "$(same_bytes "$file" "$work/expected.mid")" = same

# Over a longer file, and with no audio output at all: the run goes on.
head -c 20000 /dev/urandom >"$file"
run no-output no-such-output "$home"
wait_tune "$file"
e2e_check "no output: the longer file is replaced by exactly the tune" \
  "$(same_bytes "$file" "$work/expected.mid")" = same
sleep 1
escape no-output
e2e_check "no output: nothing on standard error" ! -s "$work/no-output.err"

# The machine's own audio output, whatever it is (none at all on a build
# machine): the sound libraries say nothing either way.
run default-output "" "$home"
sleep 1
escape default-output
e2e_check "default output: nothing on standard error" ! -s "$work/default-output.err"

# No place to write: the data home is a plain file.
echo keep >"$work/plain"
run unwritable dummy "$work/plain"
sleep 1
escape unwritable
e2e_check "unwritable: the plain file is untouched" "$(cat "$work/plain")" = keep
e2e_check "unwritable: nothing on standard error" ! -s "$work/unwritable.err"

# A whole run with the tune still playing at its end (it lasts 34.67 s). The
# set-up before the clock starts now loads the soundfont too, hence 33 s.
run whole dummy "$home"
shown=$(e2e_now)
e2e_wait_exit "$pid" 60
took=$(e2e_elapsed "$shown" "$(e2e_now)")
e2e_check "whole run: exit code 0 (got $E2E_STATUS)" "$E2E_STATUS" = 0
e2e_check "whole run: ends 30 to 33 s after the window shows, the tune still playing (took $took s)" \
  "$(e2e_between "$took" 30 33 && echo yes)" = yes
e2e_check "whole run: nothing on standard error" ! -s "$work/whole.err"

e2e_finish
