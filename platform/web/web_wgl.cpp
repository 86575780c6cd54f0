// web_wgl.cpp -- WGL's devices over WebGL 1 (platform.h's GL contexts): the
// window's canvas's contexts, and the present, which hands the frame to the
// browser. The canvas has no alpha of its own (the clear colour's alpha is
// 0, and a window's pixels are opaque) and is not kept between frames: the
// browser shows the last frame drawn until the next one, and after the
// run's end, for good.
#include "platform/web/web_gl.h"
#include "platform/web/web_platform.h"

#include <emscripten/html5.h>

static struct PlatformContext contexts[WIN32_MAX_CONTEXTS];

// WebGL gives what it has; a browser without it gives no context at all.
int platform_pixel_format(struct PlatformWindow *, const PIXELFORMATDESCRIPTOR *)
{
    return 1;
}

// The window's canvas is the page's one canvas, "#canvas". A browser without
// WebGL gives no context, and the program's set-up fails here.
struct PlatformContext *platform_context_make(int slot, struct PlatformWindow *)
{
    struct PlatformContext *c = &contexts[slot];
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
    c->webgl = (int)webgl;
    c->started = 0;
    return c;
}

// The first make-current of a context sets the GL subset up on it.
int platform_context_current(struct PlatformWindow *, struct PlatformContext *c)
{
    if (!c)
        return emscripten_webgl_make_context_current(0), 1;
    if (emscripten_webgl_make_context_current(c->webgl) != EMSCRIPTEN_RESULT_SUCCESS)
        return 0;
    if (!c->started && !web_gl_start())
        return 0;
    c->started = 1;
    return 1;
}

// The canvas keeps what it shows: deleting the context does not clear it.
void platform_context_unmake(struct PlatformContext *c)
{
    if (emscripten_webgl_get_current_context() == c->webgl)
        emscripten_webgl_make_context_current(0);
    emscripten_webgl_destroy_context(c->webgl);
    c->webgl = 0;
}

// The frame is drawn out, then the program waits for the browser's next frame:
// once per presented frame the page gets its turn (keys, sound, showing the frame).
void platform_present(struct PlatformWindow *)
{
    web_gl_flush();
    web_page_present();
}
