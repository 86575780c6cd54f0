// linux_clock.cpp -- the platform's millisecond clock (platform.h): the
// monotonic clock, in whole milliseconds, wrapping at 2^32 as winmm's does.
#include "platform/linux/linux_platform.h"

#include <time.h>

DWORD platform_clock_ms(void)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (DWORD)((uint64_t)now.tv_sec * 1000u + (uint64_t)now.tv_nsec / 1000000u);
}
