#!/usr/bin/env bash
# bench_video.sh -- figures, not a test: how fast build/ostra-video captures
# on this machine's GL (llvmpipe under Xvfb), and where the time goes.
#   tools/with-xvfb bench/bench_video.sh build/ostra-video [fps] [until-ms]
set -u
exe=$1 fps=${2:-30} until=${3:-5000}
dir=$(mktemp -d "${TMPDIR:-/tmp}/ostra-bench-video.XXXXXX")
trap 'rm -rf "$dir"' EXIT
echo "video capture, --fps $fps --until $until:"
XDG_DATA_HOME=$dir OSTRA_VIDEO_TIMES=1 "$exe" --fps "$fps" --until "$until" -o "$dir/bench.mp4" \
  2>"$dir/log" || { cat "$dir/log" >&2; exit 1; }
size=$(stat -c %s "$dir/bench.mp4")
echo "  file: $((size / 1024)) KiB, $((size * 8 / until)) kbit/s"
