// crater.cpp -- subtracts the lower half of a sphere from the heightmap.
#include "world/crater.h"

#include "world/terrain.h"

#include <math.h>

void crater_carve(float x, float z, int r2)
{
    int r = (int)sqrtf((float)r2);

    // The window starts one cell below a centred one and is 2r + 1 long, so
    // on the high sides it stops one cell short of what the circle may reach.
    // That cut-off is how craters look; keep it.
    int c0 = (int)x - r - 1;
    if (c0 < 0)
        c0 = 0;
    int c1 = c0 + 2 * r + 1;
    if (c1 > 256)
        c1 = 256;
    int r0 = (int)z - r - 1;
    if (r0 < 0)
        r0 = 0;
    int r1 = r0 + 2 * r + 1;
    if (r1 > 256)
        r1 = 256;

    for (int i = r0; i < r1; i++) {
        for (int j = c0; j < c1; j++) {
            double dx = j - (double)x;
            double dz = i - (double)z;
            float d2 = (float)(dx * dx + dz * dz);
            if (d2 < r2) {
                float *h = &heightmap[i * 256 + j];
                *h = (float)(*h - (double)sqrtf((float)(r2 - (double)d2)));
            }
        }
    }
}
