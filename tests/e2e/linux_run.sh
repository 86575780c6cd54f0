#!/usr/bin/env bash
# linux_run.sh -- one whole run of the Linux program, built under the address
# and undefined-behaviour sanitizers, left alone with the tune playing to
# SDL's dummy output: pictures of the living scene along the way, then its
# own end after 30 s with exit code 0 and not a word on standard error.
#
# Colour rules (light 0 is white, so lighting scales a colour by one factor;
# particles are drawn unlit): fire is (255, 255 c, 0); flyer yellow has
# red = green and blue 0; smoke has green 127 above red; for walls, terrain
# and trunks see e2e_demo_pixels in lib.sh.
# Usage: linux_run.sh path/to/ostra_asan
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
[ "${1:-}" = --display ] || e2e_on_display -- "$0" "$@"
exe=$2

# Mesa's driver stays mapped until the leak check, or blocks only its
# globals point to would read as leaks.
driver=$(ls /usr/lib/*/dri/swrast_dri.so 2>/dev/null | head -n 1)
E2E_WAIT=30 e2e_start_shown env LD_PRELOAD="$(ldd "$exe" | awk '/libasan/ { print $3 }') $driver" \
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 SDL_AUDIODRIVER=dummy \
  LSAN_OPTIONS="suppressions=$here/../lsan_third_party.supp:print_suppressions=0" "$exe" 2>"$work/err"
shown=$(e2e_now)
# How much fire shows at one moment swings with where the fresh fireballs
# are, so three pictures, three seconds apart.
for n in 1 2 3; do
  sleep 3
  e2e_client_ppm "$win" "$work/scene$n.ppm"
done
read -r size terrain trunk wall <<<"$(e2e_demo_pixels "$work/scene1.ppm")"
read -r flyer fire_red fire_yellow smoke <<<"$(e2e_ppm_awk '{
    if (r == 255 && b == 0 && g >= 1 && g < 160) red++
    else if (r == 255 && b == 0 && g >= 200) yellow++
    else if (b == 0 && r >= 100 && r <= 250 && r - g <= 1 && g - r <= 1) flyer++
    else if (g - r >= 124 && g - r <= 130 && r >= 60 && r <= 130 && b >= 20 && b <= 60) smoke++
  } END { printf "%d %d %d %d\n", flyer, red, yellow, smoke }' "$work"/scene[123].ppm)"
echo "pixels: terrain $terrain, trunks $trunk, walls $wall; in three pictures: flyer yellow" \
  "$flyer, fire red $fire_red, fire yellow $fire_yellow, smoke $smoke"
e2e_check "the 800 x 600 client area (got $size)" "$size" = 800x600
e2e_check "terrain fills much of the picture (got $terrain)" "$terrain" -ge 150000
e2e_check "the trees' trunks show (got $trunk)" "$trunk" -ge 200
e2e_check "the walls show (got $wall)" "$wall" -ge 5000
e2e_check "flyers (got $flyer)" "$flyer" -ge 150
e2e_check "fire, red to orange (got $fire_red) and yellow (got $fire_yellow)" \
  "$((fire_red >= 30 && fire_yellow >= 300))" = 1
e2e_check "smoke (got $smoke)" "$smoke" -ge 60

e2e_wait_exit "$pid" 60
took=$(e2e_took "$shown")
e2e_check "left alone: exit code 0 (got $E2E_STATUS)" "$E2E_STATUS" = 0
# The window shows before the set-up (terrain, tune file, soundfont), which
# the run's clock does not count: at least 30 s, and no hang.
e2e_check "left alone: ends 30 s or more after the window showed (took $took s)" \
  "$(e2e_between "$took" 30 45 && echo yes)" = yes
e2e_check "nothing on standard error: no sanitizer report" ! -s "$work/err"
[ -s "$work/err" ] && head -n 30 "$work/err" >&2
e2e_finish
