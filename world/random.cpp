// random.cpp -- the shared random source.
#include "world/random.h"

uint32_t random_seed = 1;

int random_next(void)
{
    // The increment is 20077, not the 12345 that usually goes with this
    // multiplier; unsigned arithmetic wraps the same on every platform.
    random_seed = random_seed * 1103515245u + 20077u;
    return (int)((random_seed >> 16) & 0x7FFF);
}

float random_unit(void)
{
    return (float)(random_next() / 32768.0);
}

float random_signed(void)
{
    return (float)(1.0 - 2.0 * random_unit());
}
