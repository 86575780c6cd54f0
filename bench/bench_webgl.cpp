// bench_webgl.cpp -- figures, not a test: the program's frames at 60 a second
// for 3 s of run time (the particles growing as they do live), built once on
// Mesa's own GL 1.1 and GLU and once (WEB_GL) on the web platform's subset
// over Mesa's GLES2, so the two print side by side under one Xvfb.
#include "bench/bench.h"
#include "scene/particles.h"
#include "scene/scene.h"
#ifdef WEB_GL
#include "platform/web/web_gl.h"
#define WHICH "subset on GLES2"
#else
#define WHICH "Mesa GL 1.1"
#endif

#include <SDL.h>

void music_write(void) {}

int main()
{
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return 2;
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
#ifdef WEB_GL
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
#endif
    SDL_Window *window = SDL_CreateWindow("bench_webgl", 0, 0, 800, 600, SDL_WINDOW_OPENGL);
    if (!window || !SDL_GL_CreateContext(window))
        return 3;
#ifdef WEB_GL
    if (!web_gl_load(SDL_GL_GetProcAddress) || !web_gl_start())
        return 4;
#endif
    double start = now_ms();
    scene_init();
    printf("%-16s start-up with the synthesis %.1f ms\n", WHICH, now_ms() - start);

    // Each second's frames apart; a one-pixel read waits for the drawing.
    int t = 0;
    unsigned char pixel[4];
    for (int second = 0; second < 3; second++) {
        std::vector<double> ms;
        for (int n = 0; n < 60; n++) {
            int dt = n % 3 == 0 ? 16 : 17;
            t += dt;
            start = now_ms();
            frame_render(t, dt);
            glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
            ms.push_back(now_ms() - start);
            SDL_GL_SwapWindow(window);
        }
        int live = 0;
        for (const Particle &p : particles)
            live += p.radius_max != 0.0f;
        char what[64];
        snprintf(what, sizeof what, "%s, second %d (%d particles)", WHICH, second + 1, live);
        report(what, ms);
    }
    return 0;
}
