// web_gl.h -- what the web platform's WGL calls of the OpenGL 1.1 subset
// (web_gl.cpp, web_glu.cpp) that carries the program over OpenGL ES 2.0,
// which is WebGL 1. The program itself calls the GL 1.1 and GLU names, as
// everywhere; nothing here knows about the scene.
//
// The context it expects: ES 2.0 / WebGL 1, double-buffered RGBA with 8 bits
// a channel, a depth buffer of 24 bits where the platform can give it (the
// camera's near plane is 0.05 and its far plane 100000: 16 bits fight), no
// multisampling (antialias: false), no alpha in the canvas (alpha: false:
// the clear colour's alpha is 0).
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

#ifndef __EMSCRIPTEN__
// Natively the ES 2.0 entry points are fetched by name ("glDrawArrays"...)
// through the context library's getter (SDL_GL_GetProcAddress,
// eglGetProcAddress), before the first web_gl_start; under emscripten they
// are its own emscripten_gl* functions and nothing is loaded. 1 when every
// entry point was found, else 0 (and web_gl_start then fails).
int web_gl_load(void *(*get_proc)(const char *name));
#endif

// Called once a new context is current for the first time (wglMakeCurrent):
// compiles the shaders, makes the buffers and sets GL 1.1's default state,
// forgetting whatever an earlier context held. 1 on success, 0 when the
// context cannot carry the subset.
int web_gl_start(void);

// Draws what glBegin/glEnd have left batched. The platform calls it before
// it presents a frame (SwapBuffers); glReadPixels does it by itself.
void web_gl_flush(void);

#ifdef __cplusplus
}
#endif
