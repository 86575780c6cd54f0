#!/usr/bin/env bash
# package.sh -- the packages as people get them (tools/package.sh made them in
# PACKAGES): the .deb's control fields and files, which hold the Release build
# stripped and are what `cmake --install` puts under any prefix, its manual
# page and menu entry; lintian's verdict; the packaged program, unpacked,
# opening its window and ending on Escape; and the zips holding exactly the
# Windows program and the site that e2e_wine and e2e_web run.
# Usage: package.sh deb PACKAGES VERSION LINUX_BUILD | lintian PACKAGES |
#        run PACKAGES | zips PACKAGES WINDOWS_BUILD SITE
. "$(dirname "$0")/lib.sh"
displayed= && [ "${1:-}" = --display ] && displayed=1 && shift
mode=$1 packages=$2
deb=$(ls "$packages"/ostra-velumin_*.deb 2>/dev/null | head -n 1)
[ -f "$deb" ] || { e2e_fail "no package in $packages (the test 'package' makes them)"; e2e_finish; }
[ "$mode" = run ] && [ -z "$displayed" ] && e2e_on_display "$0" run "$packages"
[ -n "${work:-}" ] || { work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT; }

# The files a package holds under /usr, an install under its prefix.
files="games/ostra-velumin share/applications/ostra-velumin.desktop share/man/man6/ostra-velumin.6.gz
  share/doc/ostra-velumin/changelog.gz share/doc/ostra-velumin/copyright
  $(for size in 16 22 24 32 48 64 128 256; do echo "share/icons/hicolor/${size}x$size/apps/ostra-velumin.png"; done)"
listed() { tr ' ' '\n' | sed '/^$/d' | LC_ALL=C sort; }

case $mode in
deb)
  arch=$(dpkg --print-architecture)
  e2e_check "named for its package, version and architecture (${deb##*/})" "${deb##*/}" = "ostra-velumin_$3_$arch.deb"
  e2e_check "control: name, version, section, architecture, soundfont" \
    "$(dpkg-deb -f "$deb" Package Version Section Architecture Recommends | tr '\n' ';')" = \
    "Package: ostra-velumin;Version: $3;Section: games;Architecture: $arch;Recommends: fluid-soundfont-gm | sf2-soundfont-gm;"
  e2e_ok "control: a maintainer 'name <address>'" \
    grep -qE '^[^<>]*[^<> ] <[^<>@ ]+@[^<>@ ]+\.[^<>@ ]+>$' <<<"$(dpkg-deb -f "$deb" Maintainer)"
  e2e_check "files: exactly these, root's, the program alone executable" \
    "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $1 "," $2 "," $6 }' | LC_ALL=C sort | tr '\n' ' ')" = \
    "$(for f in $files; do m=-rw-r--r--; [ "$f" = games/ostra-velumin ] && m=-rwxr-xr-x; echo "$m,root/root,./usr/$f"; done |
      LC_ALL=C sort | tr '\n' ' ')"
  dpkg -x "$deb" "$work/deb"
  # Depends, as dpkg-shlibdeps found it: every library the program loads is of a package named there.
  multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null)
  depends=" $(dpkg-deb -f "$deb" Depends | sed 's/([^)]*)//g; s/[,|]/ /g') "
  for lib in $(objdump -p "$work/deb/usr/games/ostra-velumin" | awk '$1 == "NEEDED" { print $2 }'); do
    pkg=$(dpkg -S "*/$multiarch/$lib" 2>/dev/null | sed -n '1s/[:,].*//p')
    e2e_check "Depends names $lib's package ($pkg)" -n "$pkg" -a -z "${depends##* $pkg *}"
  done
  strip -o "$work/release" "$4/ostra-velumin"
  e2e_ok "the program is the Release build, stripped" cmp -s "$work/release" "$work/deb/usr/games/ostra-velumin"
  e2e_check "the manual page's NAME line" "$(lexgrog "$work/deb/usr/share/man/man6/ostra-velumin.6.gz" | cut -d' ' -f2-)" = \
    '"ostra-velumin - a small self-running real-time 3D demo with music"'
  entry=$work/deb/usr/share/applications/ostra-velumin.desktop
  e2e_ok "the menu entry validates" desktop-file-validate "$entry"
  e2e_check "the menu entry starts the installed program" "$(grep '^Exec=' "$entry")" = "Exec=/usr/games/ostra-velumin"
  # The same files under a user's prefix, one with a space in it, the entry
  # naming the program there, quoted.
  prefix="$work/user's home/.local"
  cmake --install "$4" --prefix "$prefix" --strip >/dev/null
  e2e_check "cmake --install: the package's files under the prefix" \
    "$(cd "$prefix" && find . -type f | sed 's|^\./||' | listed | tr '\n' ' ')" = "$(listed <<<"$files" | tr '\n' ' ')"
  for f in $files; do
    [ "$f" = share/applications/ostra-velumin.desktop ] || cmp -s "$prefix/$f" "$work/deb/usr/$f" || e2e_fail "cmake --install: $f differs"
  done
  e2e_ok "cmake --install: the menu entry validates" desktop-file-validate "$prefix/share/applications/ostra-velumin.desktop"
  e2e_check "cmake --install: the menu entry starts the program there" \
    "$(grep '^Exec=' "$prefix/share/applications/ostra-velumin.desktop")" = "Exec=\"$prefix/games/ostra-velumin\""
  ;;
lintian)
  # Its warnings and notes go to the log; an error fails.
  e2e_ok "lintian reports no error" lintian --fail-on error --info "$deb"
  ;;
run)
  dpkg -x "$deb" "$work/deb"
  e2e_start_shown "$work/deb/usr/games/ostra-velumin"
  sleep 1 && xdotool key --window "$win" Escape
  e2e_ended "the packaged program: Escape" "$pid" 5
  ;;
zips)
  windows=$packages/ostra-velumin-windows-x64.zip web=$packages/ostra-velumin-web.zip
  e2e_check "the Windows zip: README.txt and ostra.exe" "$(unzip -Z1 "$windows" | listed | tr '\n' ' ')" = "README.txt ostra.exe "
  # Stripped again, both dated alike (strip dates the program it writes): the
  # same program, and the zip's already as small as stripping makes it.
  unzip -p "$windows" ostra.exe >"$work/zipped.exe"
  SOURCE_DATE_EPOCH=0 x86_64-w64-mingw32-strip -o "$work/built.0" "$3/ostra.exe"
  SOURCE_DATE_EPOCH=0 x86_64-w64-mingw32-strip -o "$work/zipped.0" "$work/zipped.exe"
  e2e_check "the Windows zip: the built ostra.exe, stripped" \
    "$(cmp "$work/built.0" "$work/zipped.0" && stat -c %s "$work/zipped.exe" "$work/built.0" | uniq | wc -l)" = 1
  unzip -p "$windows" README.txt >"$work/README.txt"
  e2e_check "the Windows zip: README.txt with CRLF line ends" \
    "$(grep -c $'\r$' "$work/README.txt") $(tr -d '\r' <"$work/README.txt" | cmp - "$OSTRA_SOURCE/packaging/windows-README.txt" && echo same)" = \
    "$(wc -l <"$work/README.txt") same"
  e2e_check "the web zip: the site's files and the notices" "$(unzip -Z1 "$web" | listed | tr '\n' ' ')" = \
    "$({ (cd "$4" && find . -type f | sed 's|^\./||'); echo THIRD-PARTY-NOTICES.txt; } | listed | tr '\n' ' ')"
  unzip -q "$web" -d "$work/web"
  e2e_ok "the web zip: each file as the site has it" diff -r -x THIRD-PARTY-NOTICES.txt "$4" "$work/web"
  for want in 'GNU LESSER GENERAL PUBLIC LICENSE' 'github.com/FluidSynth/fluidsynth' 'Copyright (C) 2018 jet' \
    '2008 Frank Wen'; do
    e2e_ok "the web zip's notices: $want" grep -qF "$want" "$work/web/THIRD-PARTY-NOTICES.txt"
  done
  ;;
esac
e2e_finish
