// linux_clock.cpp -- winmm's millisecond clock: monotonic, wrapping at 2^32.
#include "platform/win32.h"

#include <time.h>

DWORD timeGetTime(void)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (DWORD)((uint64_t)now.tv_sec * 1000u + (uint64_t)now.tv_nsec / 1000000u);
}
