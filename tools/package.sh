#!/usr/bin/env bash
# package.sh OUT LINUX_BUILD WINDOWS_BUILD SITE -- packs what the three builds
# made as people download it: OUT/ostra-velumin_VERSION_ARCH.deb (CPack, from
# LINUX_BUILD's install rules), OUT/ostra-velumin-windows-x64.zip (the
# stripped ostra.exe and a README.txt with CRLF line ends) and
# OUT/ostra-velumin-web.zip (the site as it is, with its third-party notices).
# ./release and the package tests run it; it builds nothing itself.
set -euo pipefail
out=$1 linux=$2 windows=$3 site=$4
src=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$out" && out=$(cd "$out" && pwd)
stage=$(mktemp -d) && trap 'rm -rf "$stage"' EXIT
# Every file in the zips dated at the commit, so that one commit packs the same bytes.
epoch=$(git -C "$src" log -1 --format=%ct 2>/dev/null || date +%s)

cpack -G DEB --config "$linux/CPackConfig.cmake" -B "$stage/cpack" >"$stage/cpack.log" 2>&1 ||
  { cat "$stage/cpack.log" >&2; exit 1; }
rm -f "$out"/ostra-velumin_*.deb && mv "$stage"/cpack/*.deb "$out/"

mkdir "$stage/windows"
SOURCE_DATE_EPOCH=$epoch x86_64-w64-mingw32-strip -o "$stage/windows/ostra.exe" "$windows/ostra.exe" # its PE date too
sed 's/$/\r/' "$src/packaging/windows-README.txt" >"$stage/windows/README.txt"

# The notices name the synthesizer's version as the lockfile installed it.
cp -R "$site" "$stage/web"
synth=$src/platform/web/node_modules/js-synthesizer
version=$(sed -n 's/^  "version": "\(.*\)",$/\1/p' "$synth/package.json")
{ sed "s/@JS_SYNTHESIZER_VERSION@/$version/g" "$src/packaging/web-notices.txt"
  printf '\n\njs-synthesizer %s: its licence\n\n' "$version" && cat "$synth/LICENSE"
  printf '\n\nFluidSynth: the GNU Lesser General Public License, version 2.1\n\n'
  cat "$synth/externals/LICENSE.fluidsynth.txt"; } >"$stage/web/THIRD-PARTY-NOTICES.txt"

for zip in windows-x64:windows web:web; do
  name=ostra-velumin-${zip%%:*}.zip && dir=$stage/${zip#*:}
  find "$dir" -exec touch -h -d "@$epoch" {} +
  rm -f "$out/$name"
  (cd "$dir" && find . -type f | LC_ALL=C sort | sed 's|^\./||' | TZ=UTC zip -X -q -@ "$out/$name")
done
