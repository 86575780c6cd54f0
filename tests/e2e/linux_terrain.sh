#!/usr/bin/env bash
# linux_terrain.sh -- the real program under a virtual display, a few seconds
# in: the wall ring shows along the top of the picture, brightening upwards,
# and the terrain fills much of it in its own colours.
#
# Both checks rest on colour rules that hold lit or unlit, since the light is
# white and no normal changes within a pass (every vertex of a pass is lit
# alike, scaling its colour by one factor s):
# - a wall pixel is s ((20, 30, 10) + f (235, 225, 245)) for a height
#   fraction f, so g - b = 2 (r - b) and g > r > b;
# - a terrain pixel has g = b (both colour rules of a strip give green and
#   blue the same value), and only greys have r = g as well.
# The clear colour (20, 30, 10) is a wall foot at f = 0; the walls' blue must
# rise well above it to count.
# Usage: linux_terrain.sh path/to/ostra
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

[ "${1:-}" = --display ] || e2e_on_display "$0" "$@"
shift
e2e_start_shown "$1"
sleep 4
shot=$(mktemp --suffix=.ppm)
e2e_client_ppm "$win" "$shot"
kill -INT "$pid"
e2e_wait_exit "$pid" 10

# Top band: the first 20 rows. Pairs: columns that are wall in both row 0
# and row 19, and whether row 0 is the brighter there.
read -r size top_wall pairs upper_brighter max_b terrain terrain_colours <<<"$(
  e2e_ppm_awk '{
    d = (g - b) - 2 * (r - b); if (d < 0) d = -d
    wall = d <= 4 && g > r && r > b && b >= 20
    if (y < 20) { top++; topwall += wall; if (wall && b > maxb) maxb = b }
    if (y == 0) { w0[x] = wall; s0[x] = r + g + b }
    if (y == 19 && w0[x] && wall) { pairs++; if (s0[x] > r + g + b) brighter++ }
    gb = g - b; if (gb < 0) gb = -gb
    rg = r - g; if (rg < 0) rg = -rg
    if (gb <= 2 && rg >= 6) { terrain++; seen[r "," g] = 1 }
    total++
  }
  END {
    kinds = 0; for (k in seen) kinds++
    printf "%dx%d %d %d %d %d %d %d\n", W, H, top ? 100 * topwall / top : 0, pairs,
      pairs ? 100 * brighter / pairs : 0, maxb, total ? 100 * terrain / total : 0, kinds
  }' "$shot"
)"
rm -f "$shot"

e2e_check "screenshot of the 800 x 600 client area (got $size)" "$size" = 800x600
e2e_check "walls: at least 30% of the top 20 rows are wall (got $top_wall%)" "$top_wall" -ge 30
e2e_check "walls: at least 50 columns of wall in rows 0 and 19 (got $pairs)" "$pairs" -ge 50
e2e_check "walls: brighter upwards in 90% of those columns (got $upper_brighter%)" "$upper_brighter" -ge 90
e2e_check "walls: well above the foot's dark green (blue up to $max_b, foot 10)" "$max_b" -ge 40
e2e_check "terrain: at least 30% of the picture (got $terrain%)" "$terrain" -ge 30
e2e_check "terrain: many shades (got $terrain_colours)" "$terrain_colours" -ge 400
e2e_finish
