// win32_wgl.cpp -- the portable part of the subset's gdi32 and opengl32:
// pixel formats, the table of contexts (each a platform's,
// platform_context_make) and SwapBuffers. One pixel format is offered per
// window, number 1: the RGBA, double-buffered one with depth that the window
// was made with. No GL state is touched: a new context has GL's defaults.
#include "platform/platform.h"

static struct HGLRC__ contexts[WIN32_MAX_CONTEXTS];

static int dc_valid(HDC dc)
{
    return dc && win32_window_valid(dc->window) && dc == &dc->window->dc;
}

// A window that another client destroyed under us is drawn to no more.
static int dc_drawable(HDC dc)
{
    return dc_valid(dc) && platform_window_drawable(dc->window->own);
}

static int context_valid(HGLRC rc)
{
    return rc && rc >= contexts && rc < contexts + WIN32_MAX_CONTEXTS && rc->alive;
}

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR *pfd)
{
    const DWORD needed = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    if (!dc_drawable(dc) || !pfd || (pfd->dwFlags & needed) != needed || pfd->iPixelType != PFD_TYPE_RGBA)
        return 0;
    return platform_pixel_format(dc->window->own, pfd) ? 1 : 0;
}

BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR *pfd)
{
    if (!dc_drawable(dc) || format != 1 || !platform_pixel_format(dc->window->own, pfd))
        return FALSE;
    if (dc->pixel_format && dc->pixel_format != format)
        return FALSE; // a window's pixel format is set once
    dc->pixel_format = format;
    return TRUE;
}

HGLRC wglCreateContext(HDC dc)
{
    int slot = 0;
    if (!dc_drawable(dc) || !dc->pixel_format)
        return NULL;
    while (slot < WIN32_MAX_CONTEXTS && contexts[slot].alive)
        slot++;
    if (slot == WIN32_MAX_CONTEXTS)
        return NULL;
    HGLRC rc = &contexts[slot];
    if (!(rc->own = platform_context_make(slot, dc->window->own)))
        return NULL;
    rc->alive = 1;
    rc->window = dc->window;
    return rc;
}

BOOL wglMakeCurrent(HDC dc, HGLRC rc)
{
    if (!rc)
        return platform_context_current(NULL, NULL), TRUE;
    if (!dc_drawable(dc) || !context_valid(rc))
        return FALSE;
    return platform_context_current(dc->window->own, rc->own) != 0;
}

BOOL wglDeleteContext(HGLRC rc)
{
    if (!context_valid(rc))
        return FALSE;
    platform_context_unmake(rc->own);
    rc->alive = 0;
    rc->own = NULL;
    return TRUE;
}

BOOL SwapBuffers(HDC dc)
{
    if (!dc_drawable(dc))
        return FALSE;
    platform_present(dc->window->own);
    win32_clock_presented(dc->window);
    return TRUE;
}
