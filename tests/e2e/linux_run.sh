#!/usr/bin/env bash
# linux_run.sh -- one whole run of the Linux program, built under the address
# and undefined-behaviour sanitizers, left alone with the tune playing to
# SDL's dummy output: its flyers, fire and smoke along the way (the terrain
# is the capture's to show), then its own end after 30 s with exit code 0
# and not a word on standard error.
#
# Colour rules (light 0 is white, so lighting scales a colour by one factor;
# particles are drawn unlit): fire is (255, 255 c, 0); flyer yellow has
# red = green and blue 0; smoke has green 127 above red.
# Usage: linux_run.sh path/to/ostra_asan
. "$(dirname "$0")/lib.sh"
[ "${1:-}" = --display ] || e2e_on_display "$0" "$@"

# Mesa's driver stays mapped until the leak check, or blocks only its
# globals point to would read as leaks.
E2E_WAIT=30 e2e_start_shown env ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 SDL_AUDIODRIVER=dummy \
  LD_PRELOAD="$(ldd "$2" | awk '/libasan/ { print $3 }') $(ls /usr/lib/*/dri/swrast_dri.so | head -n 1)" \
  LSAN_OPTIONS="suppressions=$(dirname "$0")/../lsan_third_party.supp:print_suppressions=0" "$2" 2>"$work/err"
# How much fire shows at one moment swings with where the fresh fireballs
# are, so three pictures, three seconds apart.
for n in 1 2 3; do sleep 3 && e2e_client_ppm "$win" "$work/scene$n.ppm"; done
e2e_holds "in three pictures: flyers, fire red to orange and yellow, smoke" \
  'flyers >= 150 && red >= 30 && yellow >= 300 && smoke >= 60' $(e2e_ppm_awk '{
    if (r == 255 && b == 0 && g >= 1 && g < 160) red++
    else if (r == 255 && b == 0 && g >= 200) yellow++
    else if (b == 0 && r >= 100 && r <= 250 && abs(r - g) <= 1) flyers++
    else if (g - r >= 124 && g - r <= 130 && r >= 60 && r <= 130 && b >= 20 && b <= 60) smoke++
  } END { printf "flyers=%d red=%d yellow=%d smoke=%d\n", flyers, red, yellow, smoke }' "$work"/scene[123].ppm)
e2e_left_alone 45
e2e_check "nothing on standard error: no sanitizer report" ! -s "$work/err" || head -n 30 "$work/err" >&2
e2e_finish
