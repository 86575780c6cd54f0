// linux_wgl.cpp -- WGL's devices on SDL2 and the system's Mesa (platform.h's
// GL contexts): the visual a window is made with, the one pixel format
// offered on it, and its contexts. No swap interval is set and no GL state
// is touched: a new context has GL's defaults.
#include "platform/linux/linux_platform.h"

#include <SDL.h>

static struct PlatformContext contexts[WIN32_MAX_CONTEXTS];

// Tries the visuals a double-buffered RGBA window with depth can have, best
// first. A depth of 24 is a minimum: GLX gives 32 where it offers it.
SDL_Window *linux_gl_window(const char *title, int x, int y, int w, int h, uint32_t flags, int *gl_ok)
{
    static const int attempts[][2] = {{8, 24}, {0, 24}}; // alpha bits, depth bits
    for (const auto &a : attempts) {
        SDL_GL_ResetAttributes();
        SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, a[0]);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, a[1]);
        SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
        SDL_Window *win = SDL_CreateWindow(title, x, y, w, h, flags | SDL_WINDOW_OPENGL);
        if (win) {
            *gl_ok = 1;
            return win;
        }
    }
    *gl_ok = 0;
    return SDL_CreateWindow(title, x, y, w, h, flags);
}

// Mesa would still read a lost window's size and draw into it, and with no
// window to ask it takes garbage for the size and crashes.
void linux_gl_let_go(SDL_Window *window)
{
    if (SDL_GL_GetCurrentWindow() == window && SDL_GL_GetCurrentContext())
        SDL_GL_MakeCurrent(window, NULL);
}

// The visual is the best there was (linux_gl_window): it serves every request.
int platform_pixel_format(struct PlatformWindow *w, const PIXELFORMATDESCRIPTOR *)
{
    return w->gl_ok;
}

struct PlatformContext *platform_context_make(int slot, struct PlatformWindow *w)
{
    struct PlatformContext *c = &contexts[slot];
    // SDL makes a new context current; WGL does not, so the old one is put back.
    SDL_Window *old_window = SDL_GL_GetCurrentWindow();
    SDL_GLContext old_context = SDL_GL_GetCurrentContext();
    c->sdl = SDL_GL_CreateContext(w->sdl);
    SDL_GL_MakeCurrent(old_window, old_context);
    return c->sdl ? c : NULL;
}

int platform_context_current(struct PlatformWindow *w, struct PlatformContext *c)
{
    if (!c)
        return SDL_GL_MakeCurrent(SDL_GL_GetCurrentWindow(), NULL), 1;
    return SDL_GL_MakeCurrent(w->sdl, c->sdl) == 0;
}

void platform_context_unmake(struct PlatformContext *c)
{
    if (SDL_GL_GetCurrentContext() == c->sdl)
        SDL_GL_MakeCurrent(SDL_GL_GetCurrentWindow(), NULL);
    SDL_GL_DeleteContext(c->sdl);
    c->sdl = NULL;
}
