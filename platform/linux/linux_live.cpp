// linux_live.cpp -- the clock and the presentation of the live program:
// winmm's millisecond clock, monotonic and wrapping at 2^32, and SwapBuffers
// to the screen. The video capture has its own of both.
#include "platform/linux/linux_platform.h"

#include <SDL.h>
#include <time.h>

DWORD timeGetTime(void)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (DWORD)((uint64_t)now.tv_sec * 1000u + (uint64_t)now.tv_nsec / 1000000u);
}

BOOL SwapBuffers(HDC dc)
{
    if (!linux_dc_drawable(dc))
        return FALSE;
    SDL_GL_SwapWindow(dc->window->sdl);
    return TRUE;
}
