#!/usr/bin/env bash
# linux_scene.sh -- the living scene end to end under a virtual display.
# About ten seconds in, the picture holds flyer yellow, fire from red to
# yellow, green smoke and tree trunks, each told apart by a colour rule that
# nothing else on screen meets; then a whole 30 s run of the sanitizer build
# ends with exit code 0 and no report.
#
# Colour rules (light 0 is white, so lighting scales a colour by one factor
# s, about 0.7 to 1.7; the particles are drawn unlit):
# - fire is exactly (255, 255 c, 0): red 255 and blue 0; red to orange while
#   green is below 160, yellow from 200. No lit colour reaches red 255 with blue 0
#   and green above 0 (the flyer's red cone keeps green at 0);
# - flyer yellow is s (255, 255, 0) below saturation: red = green, blue 0;
# - smoke is (c/4 + 0.25, c/4 + 0.75, c/8 + 0.1): green 127 above red;
# - a trunk is s (128, 64, 0): red twice green, blue 0. Terrain has green =
#   blue, walls a blue well above 0, and no crown of the fixed forest has red
#   equal to green or to twice green with blue 0.
# Usage: linux_scene.sh path/to/ostra path/to/ostra_asan
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

[ "${1:-}" = --display ] || e2e_on_display "$0" "$@"
shift
exe=$1
asan_exe=$2
e2e_workdir

e2e_start_shown "$exe"
# Three pictures three seconds apart, around ten seconds in: how much red
# fire shows at one moment swings from none to thousands of pixels with where
# the fresh fireballs are and the frame step, so one moment is not enough.
sleep 4
for n in 1 2 3; do
  e2e_client_ppm "$win" "$work/scene$n.ppm"
  [ "$n" -eq 3 ] || sleep 3
done
kill -INT "$pid"
e2e_wait_exit "$pid" 10
e2e_check "the run ends on Ctrl+C with exit code 0 (got $E2E_STATUS)" "$E2E_STATUS" = 0

read -r size flyer fire_red fire_yellow smoke trunk <<<"$(
  e2e_ppm_awk '{
    if (r == 255 && b == 0 && g >= 1 && g < 160) fire_red++
    else if (r == 255 && b == 0 && g >= 200) fire_yellow++
    else if (b == 0 && r >= 100 && r <= 250 && r - g <= 1 && g - r <= 1) flyer++
    else if (g - r >= 124 && g - r <= 130 && r >= 60 && r <= 130 && b >= 20 && b <= 60) smoke++
    else if (b == 0 && r >= 40 && r <= 230 && g >= 20 && r - 2 * g <= 2 && 2 * g - r <= 2) trunk++
  }
  END { printf "%dx%d %d %d %d %d %d\n", W, H, flyer, fire_red, fire_yellow, smoke, trunk }' \
    "$work"/scene[123].ppm
)"
echo "pixels in three pictures: flyer yellow $flyer, fire red $fire_red, fire yellow $fire_yellow, smoke $smoke, trunks $trunk"
e2e_check "screenshot of the 800 x 600 client area (got $size)" "$size" = 800x600
e2e_check "flyers: at least 150 pixels of flyer yellow (got $flyer)" "$flyer" -ge 150
e2e_check "fire: at least 30 red to orange pixels (got $fire_red)" "$fire_red" -ge 30
e2e_check "fire: at least 300 yellow pixels (got $fire_yellow)" "$fire_yellow" -ge 300
e2e_check "smoke: at least 60 green pixels (got $smoke)" "$smoke" -ge 60
e2e_check "trees: at least 600 trunk pixels (got $trunk)" "$trunk" -ge 600

# A whole run under the sanitizers. Mesa's driver is preloaded to stay mapped
# until the leak check, or blocks only its globals point to read as leaks.
libasan=$(ldd "$asan_exe" | awk '/libasan/ { print $3 }')
driver=$(ls /usr/lib/*/dri/swrast_dri.so /usr/lib/dri/swrast_dri.so 2>/dev/null | head -n 1)
started=$(e2e_now)
env LD_PRELOAD="$libasan${driver:+ $driver}" \
  ASAN_OPTIONS=detect_leaks=1 \
  LSAN_OPTIONS="suppressions=$here/../lsan_third_party.supp:print_suppressions=0" \
  UBSAN_OPTIONS=print_stacktrace=1 \
  "$asan_exe" >"$work/asan.out" 2>"$work/asan.err" &
pid=$!
e2e_wait_exit "$pid" 120
took=$(e2e_elapsed "$started" "$(e2e_now)")
e2e_check "sanitizer build: a whole run ends with exit code 0 (got $E2E_STATUS)" "$E2E_STATUS" = 0
e2e_check "sanitizer build: it ran its 30 s (took $took s)" "$(e2e_between "$took" 30 120 && echo yes)" = yes
report=$(grep -E 'ERROR: (Address|Leak)Sanitizer|runtime error:|SUMMARY:' "$work/asan.err")
e2e_check "sanitizer build: no report (got: ${report:-nothing})" -z "$report"
[ -z "$report" ] || head -n 40 "$work/asan.err" >&2
e2e_finish
