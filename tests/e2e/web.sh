#!/usr/bin/env bash
# web.sh -- the web page end to end in headless Chromium (software WebGL), as
# web.mjs drives it: the gate, then the demo's picture and its sound after the
# first bar; Escape's early end with the last frame left on the canvas, the
# tune to download and a second run; the program's own end and ?until's on
# the stepped clock; the failure box where WebGL is missing; and no uncaught
# error on the console. Then once on ANGLE over Mesa GL under a virtual
# display of its own, the closest this machine has to a GPU: a short run to
# its end, drawing the demo. Colour rules: e2e_demo_pixels in lib.sh.
# Usage: web.sh path/to/build-web/site
. "$(dirname "$0")/lib.sh"
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
node "$(dirname "$0")/web.mjs" "$1" "$work" >"$work/facts" || e2e_fail "the driver ended badly"
OSTRA_XVFB_SCREEN=1280x1024x24 "$(dirname "$0")/../../tools/with-xvfb" \
  node "$(dirname "$0")/web.mjs" "$1" "$work" gl >"$work/gl_facts" || e2e_fail "the driver on ANGLE over Mesa GL ended badly"
# facts name...: those facts, as awk's name=value arguments ($facts: which file).
facts() { local name; for name; do grep "^$name=" "${facts:-$work/facts}" | tr ' ' _; done; }
e2e_holds "the gate shows while the page is ready, and its click starts the run" \
  'gate_ready && gate_shows && running && caption == "ostra_velumin!"' $(facts gate_ready gate_shows running caption)
# The tune's first bar is silent: its first note at 1333 ms, heard within a
# frame or two of software WebGL.
e2e_holds "sound after the first bar" 'onset_ms >= 1300 && onset_ms <= 2500' $(facts onset_ms)
for picture in picture end1 full again; do convert "$work/$picture.png" -compress none "ppm:$work/$picture.ppm"; done
e2e_holds "the canvas shows terrain, the trees' trunks and the walls" \
  'size == "800x600" && terrain >= 150000 && trunks >= 200 && walls >= 5000' $(e2e_demo_pixels "$work/picture.ppm")
e2e_holds "Escape ends the run at once; the last frame stays as it was" \
  'escape_ms >= 0 && escape_ms < 3000 && frames_after == 0 && end_kept' \
  $(facts escape_ms frames_escape frames_after end_kept)
# Fireballs grow with the frame's step, and software WebGL's steps are long.
e2e_holds "the last frame is the demo's" 'terrain >= 50000 && trunks >= 200' $(e2e_demo_pixels "$work/end1.ppm")
# The page is 1024 x 800: fullscreen scales the picture to 1024 x 768 between black bars.
e2e_holds "fullscreen keeps the picture's 4:3" 'size == "1024x800" && bars == 0 && inside >= 700000' \
  $(e2e_ppm_awk '{ if (y < 16 || y >= 784) bars += r + g + b; else inside += r + g + b > 0 }
    END { printf "size=%dx%d bars=%d inside=%d\n", W, H, bars, inside }' "$work/full.ppm")
e2e_holds "after the end: the tune written (7724 bytes), watch again and download offered" \
  'tune == "7724:MThd" && offers == "again,download"' $(facts tune offers)
e2e_holds "watched again: a second run, ended by Escape, draws the demo" \
  'again_ended && terrain >= 50000 && trunks >= 200' $(facts again_ended) $(e2e_demo_pixels "$work/again.ppm")
e2e_holds "the program's own end on the stepped clock: frames at 0 to 31000 ms" \
  'own_end_ended && own_end_frames == 32' $(facts own_end_ended own_end_frames)
e2e_holds "?until=500 at 10 frames/s: frames at 0 to 500 ms" 'until_ended && until_frames == 6' $(facts until_ended until_frames)
e2e_holds "?until=1000 on the real clock, ?fps out of range left alone" \
  'real_until_ended && real_until_frames >= 2 && real_until_frames <= 70' $(facts real_until_ended real_until_frames)
e2e_holds "without WebGL: the program's box, and the page stays failed" \
  'no_webgl_failed && no_webgl_box == "error|window_init()!" && no_webgl_after == "failed"' \
  $(facts no_webgl_failed no_webgl_box no_webgl_after)
e2e_holds "no uncaught error, nothing on the console's error level" 'errors == 0' $(facts errors)
facts=$work/gl_facts
convert "$work/short.png" -compress none "ppm:$work/short.ppm"
e2e_holds "ANGLE over Mesa GL: llvmpipe draws; ?until=1000 at 10 frames/s ends, its last frame the demo's, no error" \
  'renderer ~ /llvmpipe/ && short_ended && short_frames == 11 && terrain >= 50000 && trunks >= 200 && errors == 0' \
  $(facts renderer short_ended short_frames errors) $(e2e_demo_pixels "$work/short.ppm")
e2e_finish
