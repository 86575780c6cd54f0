#!/usr/bin/env bash
# bench_web.sh -- figures, not a test: the web page beside the native program
# on this machine. Speed: frames drawn in one 30 s live run of build/ostra
# (llvmpipe, under the display it is given) and in headless Chromium
# (software WebGL). Fidelity at ?fps=10&until=2000 against build/ostra-video
# --fps 10 --until 2000: the terrain's read-back, and the last frame (PSNR).
# Weight: the bytes the page downloads, whole and gzipped.
#   tools/with-xvfb bench/bench_web.sh build-web/site build/ostra build/ostra-video readback_shim.so
set -u
site=$1 ostra=$2 video=$3 shim=$4
work=$(mktemp -d "${TMPDIR:-/tmp}/ostra-bench-web.XXXXXX") && trap 'rm -rf "$work"' EXIT
mkdir -p "$work/native" "$work/video" "$work/home"
# The sequencer synthesizes to SDL's dummy output, as the page's does to its own.
XDG_DATA_HOME=$work/home SDL_AUDIODRIVER=dummy OSTRA_SHIM_DIR=$work/native LD_PRELOAD=$shim "$ostra" ||
  { echo "bench_web: $ostra failed" >&2; exit 1; }
XDG_DATA_HOME=$work/home OSTRA_SHIM_DIR=$work/video LD_PRELOAD=$shim \
  "$video" --fps 10 --until 2000 -o "$work/video/run.mp4" 2>/dev/null ||
  { echo "bench_web: $video failed" >&2; exit 1; }
node "$(dirname "$0")/bench_web.mjs" "$site" "$work"
