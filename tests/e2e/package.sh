#!/usr/bin/env bash
# package.sh -- the packages that tools/package.sh made in PACKAGES: the .deb's
# control fields and files (the Release build stripped, as `cmake --install`
# puts them under any prefix), lintian's verdict, the packaged program ending
# on Escape, and the zips holding exactly what e2e_wine and e2e_web run.
# Usage: package.sh deb|lintian|run|zips PACKAGES VERSION LINUX_BUILD WINDOWS_BUILD SITE
. "$(dirname "$0")/lib.sh"
shown= && [ "$1" = --display ] && shown=1 && shift
mode=$1 deb=$(ls "$2"/ostra-velumin_*.deb 2>/dev/null | head -n 1)
[ -f "$deb" ] || { e2e_fail "no package in $2 (the test 'package' makes them)"; e2e_finish; }
[ "$mode" = run ] && [ -z "$shown" ] && e2e_on_display "$0" "$@"
[ -n "${work:-}" ] || { work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT; }
files="games/ostra-velumin share/applications/ostra-velumin.desktop share/man/man6/ostra-velumin.6.gz
  share/doc/ostra-velumin/changelog.gz share/doc/ostra-velumin/copyright
  $(for size in 16 22 24 32 48 64 128 256; do echo "share/icons/hicolor/${size}x$size/apps/ostra-velumin.png"; done)"
sorted() { tr ' ' '\n' | sed '/^$/d' | LC_ALL=C sort | tr '\n' ' '; }
# entry what prefix exec: the menu entry under the prefix validates and starts exec.
entry() {
  e2e_ok "$1: the menu entry validates" desktop-file-validate "$2/share/applications/ostra-velumin.desktop"
  e2e_check "$1: the menu entry starts $3" "$(grep '^Exec=' "$2/share/applications/ostra-velumin.desktop")" = "Exec=$3"
}

case $mode in
deb)
  arch=$(dpkg --print-architecture) && dpkg -x "$deb" "$work/deb"
  e2e_check "file name and control fields" "${deb##*/};$(dpkg-deb -f "$deb" Package Version Section Architecture \
    Recommends | tr '\n' ';')" = "ostra-velumin_$3_$arch.deb;Package: ostra-velumin;Version: $3;Section: games;\
Architecture: $arch;Recommends: fluid-soundfont-gm | sf2-soundfont-gm;"
  e2e_ok "a maintainer 'name <address>'" grep -qE '^[^<>]*[^<> ] <[^<>@ ]+@[^<>@ ]+\.[^<>@ ]+>$' \
    <<<"$(dpkg-deb -f "$deb" Maintainer)"
  e2e_check "exactly these files, root's, the program alone executable" \
    "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $1 "," $2 "," $6 }' | sorted)" = "$(for f in $files; do
      [ "$f" = games/ostra-velumin ] && m=x || m=-; echo "-rw${m}r-${m}r-$m,root/root,./usr/$f"; done | sorted)"
  # Depends as dpkg-shlibdeps found it: every library the program loads is of a package it names.
  depends=" $(dpkg-deb -f "$deb" Depends | sed 's/([^)]*)//g; s/[,|]/ /g') " multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
  for lib in $(objdump -p "$work/deb/usr/games/ostra-velumin" | awk '$1 == "NEEDED" { print $2 }'); do
    pkg=$(dpkg -S "*/$multiarch/$lib" 2>/dev/null | sed -n '1s/[:,].*//p')
    e2e_check "Depends names $lib's package ($pkg)" -n "$pkg" -a -z "${depends##* $pkg *}"
  done
  strip -o "$work/release" "$4/ostra-velumin"
  e2e_ok "the program is the Release build, stripped" cmp -s "$work/release" "$work/deb/usr/games/ostra-velumin"
  e2e_check "the manual page's NAME line" "$(lexgrog "$work/deb/usr/share/man/man6/ostra-velumin.6.gz" | cut -d' ' -f2-)" \
    = '"ostra-velumin - a small self-running real-time 3D demo with music"'
  # The same files under a user's prefix, one with a space in it: the menu
  # entry, valid either way, names the program where it is, quoted there.
  prefix="$work/user's home/.local" && cmake --install "$4" --prefix "$prefix" --strip >/dev/null
  e2e_check "cmake --install: the same files under the prefix" \
    "$(cd "$prefix" && find . -type f | sed 's|^\./||' | sorted)" = "$(sorted <<<"$files")"
  for f in $files; do
    [ "${f##*.}" = desktop ] || cmp -s "$prefix/$f" "$work/deb/usr/$f" || e2e_fail "cmake --install: $f differs"
  done
  entry "the package" "$work/deb/usr" /usr/games/ostra-velumin
  entry "cmake --install" "$prefix" "\"$prefix/games/ostra-velumin\""
  ;;
lintian) e2e_ok "lintian reports no error (its warnings and notes above)" lintian --fail-on error --display-info "$deb" ;;
run)
  dpkg -x "$deb" "$work/deb" && e2e_start_shown "$work/deb/usr/games/ostra-velumin"
  sleep 1 && xdotool key --window "$win" Escape
  e2e_ended "the packaged program: Escape" "$pid" 5
  ;;
zips)
  windows=$2/ostra-velumin-windows-x64.zip web=$2/ostra-velumin-web.zip
  e2e_check "the Windows zip: README.txt and ostra.exe" "$(unzip -Z1 "$windows" | sorted)" = "README.txt ostra.exe "
  # Stripped again, both dated alike (strip dates what it writes): the same
  # program, and the zip's already as small as stripping makes it.
  unzip -p "$windows" ostra.exe >"$work/zipped.exe"
  for exe in "$5/ostra.exe" "$work/zipped.exe"; do SOURCE_DATE_EPOCH=0 x86_64-w64-mingw32-strip -o "$work/${exe##*/}.0" "$exe"; done
  e2e_check "the Windows zip: the built ostra.exe, stripped" \
    "$(cmp "$work/ostra.exe.0" "$work/zipped.exe.0" && stat -c %s "$work/zipped.exe" "$work/ostra.exe.0" | uniq | wc -l)" = 1
  unzip -p "$windows" README.txt >"$work/README.txt"
  e2e_check "the Windows zip: README.txt with CRLF line ends" "$(grep -c $'\r$' "$work/README.txt") $(tr -d '\r' \
    <"$work/README.txt" | cmp - "$OSTRA_SOURCE/packaging/windows-README.txt" && echo same)" = "$(wc -l <"$work/README.txt") same"
  e2e_check "the web zip: the site's files and the notices" "$(unzip -Z1 "$web" | sorted)" = \
    "$({ (cd "$6" && find . -type f | sed 's|^\./||'); echo THIRD-PARTY-NOTICES.txt; } | sorted)"
  unzip -q "$web" -d "$work/web"
  e2e_ok "the web zip: each file as the site has it" diff -r -x THIRD-PARTY-NOTICES.txt "$6" "$work/web"
  e2e_check "the web zip's notices: FluidSynth's LGPL-2.1 and its source, js-synthesizer's licence, FluidR3's" \
    "$(grep -cE 'Version 2.1, February 1999|github.com/FluidSynth/fluidsynth|^Copyright \(C\) 2018 jet|2008 Frank Wen' \
      "$work/web/THIRD-PARTY-NOTICES.txt")" = 4
  ;;
esac
e2e_finish
