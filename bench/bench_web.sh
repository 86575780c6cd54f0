#!/usr/bin/env bash
# bench_web.sh -- figures, not a test: the web page on Chromium's two software
# WebGL backends beside the native program on this machine (bench_web.mjs
# prints them). Here the native side: build/ostra-video --fps 10 --until 2000's
# terrain read-back and last frame, which the page's are compared with; and
# the Mesa GL 1.1 build of bench_webgl, which bench_web.mjs runs beside the
# page on the same display. Run under a display that fits the page's window:
#   OSTRA_XVFB_SCREEN=1280x1024x24 tools/with-xvfb bash bench/bench_web.sh build-web/site \
#     build/ostra-video build/bench/libreadback_shim.so build/bench/bench_webgl_mesa
set -u
site=$1 video=$2 shim=$3 webgl_mesa=$4
work=$(mktemp -d "${TMPDIR:-/tmp}/ostra-bench-web.XXXXXX") && trap 'rm -rf "$work"' EXIT
mkdir -p "$work/video" "$work/home"
XDG_DATA_HOME=$work/home OSTRA_SHIM_DIR=$work/video LD_PRELOAD=$shim \
  "$video" --fps 10 --until 2000 -o "$work/video/run.mp4" 2>/dev/null ||
  { echo "bench_web: $video failed" >&2; exit 1; }
node "$(dirname "$0")/bench_web.mjs" "$site" "$work" "$webgl_mesa"
