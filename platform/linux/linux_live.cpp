// linux_live.cpp -- the live program's presentation (platform.h): the back
// buffer to the screen. The video capture presents its own way.
#include "platform/linux/linux_platform.h"

#include <SDL.h>

void platform_present(struct PlatformWindow *w)
{
    SDL_GL_SwapWindow(w->sdl);
}
