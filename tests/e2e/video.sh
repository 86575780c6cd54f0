#!/usr/bin/env bash
# video.sh -- the capture program end to end: a short capture's streams, the
# demo upright in its middle frame, a second capture's frames the same, and
# Ctrl+C and the refusals: a non-zero exit and no file left.
# Usage: video.sh path/to/ostra-video
set -u
. "$(dirname "$0")/lib.sh"
[ "${1:-}" = --display ] || e2e_on_display -- "$0" "$@"
exe=$2 out=$XDG_DATA_HOME/out # the data home is this run's own scratch folder
mkdir -p "$out"

for name in a b; do
  "$exe" --fps 10 --until 2000 -o "$out/$name.mp4" 2>"$out/$name.log"
  status=$?
  e2e_check "capture $name: exit code 0 (got $status: $(tail -n 1 "$out/$name.log"))" "$status" -eq 0
done
e2e_check "the last progress line: all 21 frames" -n "$(grep -E '^frame 21 of 21, 100%, [0-9]+:[0-9]{2} elapsed, 0:00 left$' "$out/a.log")"
probe() { ffprobe -v error -select_streams "$1" -show_entries "stream=$2" -of csv=p=0 "${@:3}" "$out/a.mp4"; }
video=$(probe v codec_name,width,height,r_frame_rate)
e2e_check "an 800x600 h264 stream at 10 frames/s (got $video)" "$video" = "h264,800,600,10/1"
frames=$(probe v nb_read_frames -count_frames)
e2e_check "20 to 22 frames (got $frames)" "$frames" -ge 20 -a "$frames" -le 22
IFS=, read -r codec seconds <<<"$(probe a codec_name,duration)"
e2e_check "aac of about 2 s (got $codec, $seconds)" "$codec" = aac -a -n "$(e2e_between "$seconds" 1.9 2.3 && echo y)"

# The tune from run time 0: its first bar silent, notes from 1.333 s, faded at the cut.
level() { ffmpeg -i "$out/a.mp4" -af "atrim=$1:$2,astats" -f null - 2>&1 | awk '/Peak level dB/ { print $NF; exit }'; }
read -r quiet loud cut <<<"$(level 0 1.25) $(level 1.4 1.95) $(level 2.085 2.1)"
e2e_check "silent first bar ($quiet dB), then the notes ($loud dB), faded at the cut ($cut dB)" \
  "$(awk -v q="$quiet" -v l="$loud" -v c="$cut" 'BEGIN { print (q < -50 && l > -30 && c < l - 15) }')" = 1

ffmpeg -v error -i "$out/a.mp4" -vf 'select=eq(n\,10)' -frames:v 1 -f image2pipe -c:v ppm - |
  convert ppm:- -compress none "ppm:$out/middle.ppm"
read -r size terrain trunks _ <<<"$(e2e_demo_pixels "$out/middle.ppm")"
e2e_check "the middle frame is 800x600 (got $size)" "$size" = 800x600
e2e_check "it shows the lit terrain (got $terrain pixels)" "$terrain" -ge 50000
e2e_check "and tree trunks (got $trunks pixels)" "$trunks" -gt 0
# Top-down, and every row and column the picture's own: the last two alike
# as the two before them (one read from outside the picture would not be).
read -r up row_edge row_inner col_edge col_inner <<<"$(e2e_ppm_awk '{
    if (y < H / 2) u += r + g + b; else d += r + g + b
    if (y >= H - 4) s[y] += r + g + b; if (x >= W - 4) c[x] += r + g + b }
  END { print (u > d), s[H - 1] - s[H - 2], s[H - 3] - s[H - 4], c[W - 1] - c[W - 2], c[W - 3] - c[W - 4] }' "$out/middle.ppm")"
e2e_check "rows top-down: the backdrop above brighter than the ground below" "$up" = 1
own() { awk -v e="$1" -v i="$2" 'BEGIN { print (e * e <= 4 * i * i + 1e8) }'; }
e2e_check "the bottom row belongs to the picture ($row_edge against $row_inner)" "$(own "$row_edge" "$row_inner")" = 1
e2e_check "the right column belongs to the picture ($col_edge against $col_inner)" "$(own "$col_edge" "$col_inner")" = 1

md5s() { ffmpeg -v error -i "$out/$1.mp4" -map 0:v -f framemd5 - | grep -v '^#'; }
a=$(md5s a)
e2e_check "two captures decode to the same $(wc -l <<<"$a") frames" -n "$a" -a "$a" = "$(md5s b)"

# Ctrl+C while it captures: a clean stop.
env --default-signal=INT "$exe" -o "$out/d.mp4" 2>/dev/null &
sleep 4 && kill -INT $!
wait $!
status=$?
e2e_check "Ctrl+C: exit code 130 (got $status), no file left" "$status" -eq 130 -a -z "$(ls -A "$out" | grep d.mp4)"

# Refusals: what, output, what the line must say, environment.
while read -r what file hint env; do
  err=$(env $env "$exe" --until 100 -o "$file" 2>&1 >/dev/null)
  status=$?
  e2e_check "$what: one line, a non-zero exit (got $status: '$err')" "$status" -ne 0 -a \
    "$(grep -cE "^ostra-video: .*($hint)" <<<"$err")/$(grep -c . <<<"$err")" = 1/1
  e2e_check "$what: no file left" -z "$(ls -A "$(dirname "$file")" | grep "${file##*/}")"
done <<EOF
unwritable-output /proc/x.mp4 /proc/x.mp4 PATH=$PATH
no-ffmpeg $out/c.mp4 install PATH=/nonexistent
EOF
e2e_finish
