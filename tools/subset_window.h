// subset_window.h -- for the native programs that draw the scene on the web
// platform's GL subset and on Mesa's own GL 1.1 side by side (the frames
// compared by gl_webgl, bench_webgl): an 800 x 600 window with the Linux
// platform's visual and its context current, an OpenGL ES 2.0 one with the
// subset loaded where WEB_GL is defined, its instancing hidden where asked.
// Null where any step fails.
#pragma once
#ifdef WEB_GL
#include "platform/web/web_gl.h"
#endif

#include <SDL.h>
#include <string.h>

#ifdef WEB_GL
// The ES library as a context without instancing shows it.
static void *subset_no_instancing(const char *name)
{
    return strstr(name, "Instanced") || strstr(name, "Divisor") ? NULL : SDL_GL_GetProcAddress(name);
}
#endif

static SDL_Window *subset_window(const char *title, bool instancing = true)
{
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return NULL;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
#ifdef WEB_GL
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
#endif
    SDL_Window *window = SDL_CreateWindow(title, 0, 0, 800, 600, SDL_WINDOW_OPENGL);
    if (!window || !SDL_GL_CreateContext(window))
        return NULL;
#ifdef WEB_GL
    if (!web_gl_load(instancing ? SDL_GL_GetProcAddress : subset_no_instancing) || !web_gl_start())
        return NULL;
#endif
    return window;
}
