# deps.sh -- the Debian packages the project needs, and their installation.
# Sourced by ./run, ./video, ./test, ./fuzz, ./web and ./release: `ostra_install run`,
# `video`, `test`, `fuzz`, `web` or `release`.
# Only what is missing is installed (apt-get, through sudo when not root).

# Build and run the Linux program, with music, on a real or virtual display
# (the X core fonts draw the failure box).
OSTRA_PACKAGES_RUN="g++ cmake ninja-build pkg-config libsdl2-dev libfluidsynth-dev
  fluid-soundfont-gm libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri xvfb xauth
  libx11-dev xfonts-base"
# Capture the demo with its music as a video.
OSTRA_PACKAGES_VIDEO="$OSTRA_PACKAGES_RUN ffmpeg"
# Build and serve the web page (./web): emscripten, Node with npm (the page's
# packages, the soundfont's trim) and the soundfont; Chromium runs its tests.
OSTRA_PACKAGES_WEB="cmake ninja-build emscripten nodejs npm fluid-soundfont-gm chromium"
# Pack the three as people download them (./release): the Debian package, its
# checks, the zips.
OSTRA_PACKAGES_PACK="dpkg-dev lintian desktop-file-utils zip"
OSTRA_PACKAGES_RELEASE="$OSTRA_PACKAGES_RUN g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  $OSTRA_PACKAGES_WEB $OSTRA_PACKAGES_PACK"
# Build the Windows program and run every test, end to end included (the
# web GL subset's test draws on Mesa's GLES2; the web sound's benchmark
# renders the tune with the fluidsynth program; the packages' tests read the
# manual page's NAME line with man-db's lexgrog and open the zips).
OSTRA_PACKAGES_TEST="$OSTRA_PACKAGES_VIDEO googletest libgtest-dev g++-mingw-w64-x86-64
  binutils-mingw-w64-x86-64 wine wine64 xdotool x11-utils imagemagick
  openbox wmctrl socat libgles-dev libegl-dev fluidsynth $OSTRA_PACKAGES_WEB
  $OSTRA_PACKAGES_PACK man-db unzip"
# Build and run the fuzz targets (./fuzz): clang with libFuzzer and the
# sanitizers; libclang-rt-dev comes with clang from the same source package,
# so the runtime is always that of the clang installed.
OSTRA_PACKAGES_FUZZ="clang libclang-rt-dev cmake ninja-build"

ostra_missing() {
  local pkg
  for pkg in "$@"; do
    # NodeSource's nodejs carries its own npm and refuses Debian's.
    [ "$pkg" = npm ] && command -v npm >/dev/null && continue
    dpkg-query -W -f='${Status}\n' "$pkg" 2>/dev/null | grep -q '^install ok installed$' ||
      echo "$pkg"
  done
}

ostra_install() {
  local list missing sudo=
  case $1 in
    test) list=$OSTRA_PACKAGES_TEST ;;
    video) list=$OSTRA_PACKAGES_VIDEO ;;
    web) list=$OSTRA_PACKAGES_WEB ;;
    fuzz) list=$OSTRA_PACKAGES_FUZZ ;;
    release) list=$OSTRA_PACKAGES_RELEASE ;;
    *) list=$OSTRA_PACKAGES_RUN ;;
  esac
  # shellcheck disable=SC2086
  missing=$(ostra_missing $list | tr '\n' ' ')
  [ -z "${missing// /}" ] && return 0
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  echo "installing: $missing"
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q
  # shellcheck disable=SC2086
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
}
