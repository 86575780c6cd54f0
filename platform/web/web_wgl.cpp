// web_wgl.cpp -- gdi32/opengl32 pixel formats and contexts over WebGL 1 on the
// window's canvas, and SwapBuffers, which hands the frame to the browser. One
// pixel format is offered: RGBA, double-buffered, with depth. The canvas has
// no alpha of its own (the clear colour's alpha is 0, and a window's pixels
// are opaque) and is not kept between frames: the browser shows the last
// frame drawn until the next one, and after the run's end, for good.
#include "platform/web/web_gl.h"
#include "platform/web/web_platform.h"

#include <emscripten/html5.h>

#define MAX_CONTEXTS 4

static struct HGLRC__ contexts[MAX_CONTEXTS];

static int dc_valid(HDC dc)
{
    return dc && dc->window && dc->window->alive && dc == &dc->window->dc;
}

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR *pfd)
{
    const DWORD needed = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    if (!dc_valid(dc) || !pfd || (pfd->dwFlags & needed) != needed || pfd->iPixelType != PFD_TYPE_RGBA)
        return 0;
    return 1;
}

BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR *)
{
    if (!dc_valid(dc) || format != 1)
        return FALSE;
    if (dc->pixel_format && dc->pixel_format != format)
        return FALSE; // a window's pixel format is set once
    dc->pixel_format = format;
    return TRUE;
}

// The window's canvas is the page's one canvas, "#canvas". A browser without
// WebGL gives no context, and the program's set-up fails here.
HGLRC wglCreateContext(HDC dc)
{
    HGLRC rc = NULL;
    if (!dc_valid(dc) || !dc->pixel_format)
        return NULL;
    for (int i = 0; i < MAX_CONTEXTS && !rc; i++)
        if (!contexts[i].alive)
            rc = &contexts[i];
    if (!rc)
        return NULL;
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.preserveDrawingBuffer = EM_FALSE;
    attributes.failIfMajorPerformanceCaveat = EM_FALSE; // software WebGL is welcome
    attributes.majorVersion = 1;
    attributes.minorVersion = 0;
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE webgl = emscripten_webgl_create_context("#canvas", &attributes);
    if (webgl <= 0)
        return NULL;
    rc->alive = 1;
    rc->webgl = (int)webgl;
    rc->started = 0;
    rc->window = dc->window;
    return rc;
}

// The first make-current of a context sets the GL subset up on it.
BOOL wglMakeCurrent(HDC dc, HGLRC rc)
{
    if (!rc) {
        emscripten_webgl_make_context_current(0);
        return TRUE;
    }
    if (!dc_valid(dc) || rc < contexts || rc >= contexts + MAX_CONTEXTS || !rc->alive)
        return FALSE;
    if (emscripten_webgl_make_context_current(rc->webgl) != EMSCRIPTEN_RESULT_SUCCESS)
        return FALSE;
    if (!rc->started && !web_gl_start())
        return FALSE;
    rc->started = 1;
    return TRUE;
}

// The canvas keeps what it shows: deleting the context does not clear it.
BOOL wglDeleteContext(HGLRC rc)
{
    if (!rc || rc < contexts || rc >= contexts + MAX_CONTEXTS || !rc->alive)
        return FALSE;
    if (emscripten_webgl_get_current_context() == rc->webgl)
        emscripten_webgl_make_context_current(0);
    emscripten_webgl_destroy_context(rc->webgl);
    rc->alive = 0;
    rc->webgl = 0;
    return TRUE;
}

// The frame is drawn out, then the program waits for the browser's next frame:
// once per presented frame the page gets its turn (keys, sound, showing the frame).
BOOL SwapBuffers(HDC dc)
{
    if (!dc_valid(dc))
        return FALSE;
    web_gl_flush();
    web_page_present();
    web_clock_presented(dc->window);
    return TRUE;
}
