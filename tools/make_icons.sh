#!/usr/bin/env bash
# make_icons.sh [BUILD] -- remakes packaging/icons/, the menu icon in the
# hicolor sizes: a square cut of one frame of the demo as the program draws it
# (26 s in, two flyers over the trenches), captured by BUILD/ostra-video
# (build/ by default) under a virtual display. Its output is kept in the tree,
# so that a package is the same whatever machine builds it.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
XDG_DATA_HOME=$work tools/with-xvfb "$build/ostra-video" --fps 10 --until 26000 -o "$work/run.mp4"
ffmpeg -v error -sseof -0.1 -i "$work/run.mp4" -frames:v 1 "$work/frame.png"
mkdir -p packaging/icons
for size in 16 22 24 32 48 64 128 256; do
  ffmpeg -v error -y -i "$work/frame.png" -vf "crop=256:256:250:150,scale=$size:$size:flags=lanczos" \
    -pix_fmt rgb24 "packaging/icons/$size.png"
done
