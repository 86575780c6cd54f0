// linux_wgl.cpp -- gdi32/opengl32 pixel formats and contexts on SDL2 and the
// system's Mesa. One pixel format is offered per window: the RGBA, double-
// buffered visual with depth that the window was made with. No swap interval
// is set and no GL state is touched: a new context has GL's defaults.
#include "platform/linux/linux_platform.h"

#include <SDL.h>

#define MAX_CONTEXTS 4

static struct HGLRC__ contexts[MAX_CONTEXTS];

int linux_dc_valid(HDC dc)
{
    return dc && dc->window && dc->window->alive && dc == &dc->window->dc;
}

int linux_dc_drawable(HDC dc)
{
    return linux_dc_valid(dc) && !dc->window->lost;
}

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR *pfd)
{
    const DWORD needed = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    if (!linux_dc_drawable(dc) || !pfd || !dc->window->gl_ok)
        return 0;
    if ((pfd->dwFlags & needed) != needed || pfd->iPixelType != PFD_TYPE_RGBA)
        return 0;
    return 1;
}

BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR *)
{
    if (!linux_dc_drawable(dc) || format != 1 || !dc->window->gl_ok)
        return FALSE;
    if (dc->pixel_format && dc->pixel_format != format)
        return FALSE; // a window's pixel format is set once
    dc->pixel_format = format;
    return TRUE;
}

HGLRC wglCreateContext(HDC dc)
{
    HGLRC rc = NULL;
    if (!linux_dc_drawable(dc) || !dc->pixel_format)
        return NULL;
    for (int i = 0; i < MAX_CONTEXTS && !rc; i++)
        if (!contexts[i].alive)
            rc = &contexts[i];
    if (!rc)
        return NULL;
    // SDL makes a new context current; WGL does not, so the old one is put back.
    SDL_Window *old_window = SDL_GL_GetCurrentWindow();
    SDL_GLContext old_context = SDL_GL_GetCurrentContext();
    rc->sdl = SDL_GL_CreateContext(dc->window->sdl);
    SDL_GL_MakeCurrent(old_window, old_context);
    if (!rc->sdl)
        return NULL;
    rc->alive = 1;
    rc->window = dc->window;
    return rc;
}

BOOL wglMakeCurrent(HDC dc, HGLRC rc)
{
    if (!rc) {
        SDL_GL_MakeCurrent(SDL_GL_GetCurrentWindow(), NULL);
        return TRUE;
    }
    if (!linux_dc_drawable(dc) || rc < contexts || rc >= contexts + MAX_CONTEXTS || !rc->alive)
        return FALSE;
    return SDL_GL_MakeCurrent(dc->window->sdl, rc->sdl) == 0;
}

BOOL wglDeleteContext(HGLRC rc)
{
    if (!rc || rc < contexts || rc >= contexts + MAX_CONTEXTS || !rc->alive)
        return FALSE;
    if (SDL_GL_GetCurrentContext() == rc->sdl)
        SDL_GL_MakeCurrent(SDL_GL_GetCurrentWindow(), NULL);
    SDL_GL_DeleteContext(rc->sdl);
    rc->alive = 0;
    rc->sdl = NULL;
    return TRUE;
}
