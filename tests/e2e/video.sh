#!/usr/bin/env bash
# video.sh -- the capture program end to end: a short capture's streams, the
# demo in its middle frame, a second capture's frames the same, a
# killed capture's files taken away by the next, and Ctrl+C and the
# refusals: a non-zero exit and no file left.
# Usage: video.sh path/to/ostra-video
. "$(dirname "$0")/lib.sh"
[ "${1:-}" = --display ] || e2e_on_display "$0" "$@"
exe=$2 out=$XDG_DATA_HOME/out # the data home is this run's own scratch folder
mkdir -p "$out"

for name in a b; do
  "$exe" --fps 10 --until 2000 -o "$out/$name.mp4" 2>"$out/$name.log"; status=$?
  e2e_check "capture $name: exit code 0, the last progress line all 21 frames (got $status: $(tail -n 1 "$out/$name.log"))" \
    "$status" = 0 -a -n "$(grep -E '^frame 21 of 21, 100%, [0-9]+:[0-9]{2} elapsed, 0:00 left$' "$out/$name.log")"
done
probe() { ffprobe -v error -select_streams "$1" -show_entries "stream=$2" -of csv=p=0 -count_frames "$out/a.mp4"; }
e2e_holds "an 800x600 h264 stream at 10 frames/s of 20 to 22 frames, and aac of about 2 s" \
  'video ~ /^h264,800,600,10\/1,2[0-2]$/ && audio ~ /^aac,/ && (s = substr(audio, 5) + 0) >= 1.9 && s <= 2.3' \
  video="$(probe v codec_name,width,height,r_frame_rate,nb_read_frames)" audio="$(probe a codec_name,duration)"
# The tune from run time 0: its first bar silent, notes from 1.333 s, faded at the cut.
level() { ffmpeg -i "$out/a.mp4" -af "atrim=$1:$2,astats" -f null - 2>&1 | awk '/Peak level dB/ { print $NF; exit }'; }
e2e_holds "peak dB: a silent first bar, then the notes, faded at the cut" \
  'quiet + 0 < -50 && loud > -30 && cut != "" && cut + 0 < loud - 15' \
  quiet="$(level 0 1.25)" loud="$(level 1.4 1.95)" cut="$(level 2.085 2.1)"

ffmpeg -v error -i "$out/a.mp4" -vf 'select=eq(n\,10)' -frames:v 1 -f image2pipe -c:v ppm - |
  convert ppm:- -compress none "ppm:$out/middle.ppm"
e2e_holds "the middle frame is 800x600 and shows the lit terrain and tree trunks" \
  'size == "800x600" && terrain >= 50000 && trunks > 0' $(e2e_demo_pixels "$out/middle.ppm")

md5s() { ffmpeg -v error -i "$out/$1.mp4" -map 0:v -f framemd5 - | grep -v '^#'; }
a=$(md5s a)
e2e_check "two captures decode to the same $(wc -l <<<"$a") frames" -n "$a" -a "$a" = "$(md5s b)"

# A capture killed with SIGKILL leaves its two temporary files; the next
# capture into the folder takes them away, but not those of one still
# running, which Ctrl+C then ends.
shown() { # name: a capture of the whole run, once it has shown a frame
  env --default-signal=INT "$exe" --fps 10 -o "$out/$1.mp4" 2>"$out/$1.log" & pid=$!
  for _ in $(seq 200); do grep -qs '^frame' "$out/$1.log" && return; sleep 0.1; done
}
temps() { ls -A "$out" | grep -c "^\.$1\.mp4\.\(partial\|video\)-......\.mp4$"; }
left=none r=none
shown r && r=$pid && shown k && { kill -KILL $pid; wait $pid; } 2>/dev/null
for f in "$out"/.k.mp4.*; do [ -e "$f" ] && flock -w 10 "$f" true; done # its ffmpeg ends with its input
left=$(temps k)/$(temps r) && "$exe" --fps 10 --until 100 -o "$out/n.mp4" 2>/dev/null
e2e_check "the killed capture's files go with the next capture, the running one's stay (got $left, then $(temps k)/$(temps r))" \
  "$left $(temps k)/$(temps r)" = "2/2 0/2"
kill -INT $r; wait $r; status=$?
e2e_check "Ctrl+C while it captures: exit code 130 (got $status), no file left" "$status" -eq 130 -a -z "$(ls -A "$out" | grep r.mp4)"
refused() { # what output what-the-line-says environment
  err=$(env "$4" "$exe" --until 100 -o "$2" 2>&1 >/dev/null); status=$?
  e2e_check "$1: one line, a non-zero exit, no file left (got $status: '$err')" "$status" -ne 0 -a \
    "$(grep -cE "^ostra-video: .*($3)" <<<"$err")/$(grep -c . <<<"$err")" = 1/1 -a -z "$(ls -A "${2%/*}" | grep "${2##*/}")"
}
refused "an unwritable output" /proc/x.mp4 /proc/x.mp4 "PATH=$PATH"
refused "no ffmpeg" "$out/c.mp4" install PATH=/nonexistent
e2e_finish
