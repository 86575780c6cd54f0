// heading_table.cpp -- the unit step of every heading a flyer can enter on
// (45 (16384 - n) / 16384 for n = 0..32767) against the correctly rounded
// cosine and sine, computed in extended precision; prints a checksum of the
// steps, which the Linux and Windows builds must agree on.
#include "scene/flyers.h"

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

int main(void)
{
    uint32_t sum = 2166136261u;
    int off = 0;
    for (int n = 0; n < 32768; n++) {
        float heading = (float)((16384 - n) / 16384.0 * 45.0), dx, dz;
        flyer_direction(heading, &dx, &dz);
        float a = (float)(heading / 360.0 * 2.0 * 3.1415f);
        off += dx != (float)cosl(a) || dz != (float)sinl(a);
        uint32_t bits[2];
        memcpy(&bits[0], &dx, 4);
        memcpy(&bits[1], &dz, 4);
        for (uint32_t b : bits)
            sum = (sum ^ b) * 16777619u;
    }
    printf("%08x %d\n", sum, off);
    return off != 0;
}
