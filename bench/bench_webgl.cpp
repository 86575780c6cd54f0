// bench_webgl.cpp -- figures, not a test: the program's frames at 60 a second
// for 3 s of run time (the particles growing as they do live), built once on
// Mesa's own GL 1.1 and GLU and once (WEB_GL) on the web platform's subset
// over Mesa's GLES2, so the two print side by side under one Xvfb; and the
// mean over the 3 s, which bench_web sets beside the page's.
#include "bench/bench.h"
#include "scene/particles.h"
#include "scene/scene.h"
#include "tools/subset_window.h"
#ifdef WEB_GL
#define WHICH "subset on GLES2"
#else
#define WHICH "Mesa GL 1.1"
#endif

#include <SDL.h>

void music_write(void) {}

int main()
{
    SDL_Window *window = subset_window("bench_webgl");
    if (!window)
        return 3;
    double start = now_ms();
    scene_init();
    printf("%-16s start-up with the synthesis %.1f ms\n", WHICH, now_ms() - start);

    // Each second's frames apart; a one-pixel read waits for the drawing.
    int t = 0;
    unsigned char pixel[4];
    double total = 0;
    for (int second = 0; second < 3; second++) {
        std::vector<double> ms;
        for (int n = 0; n < 60; n++) {
            int dt = n % 3 == 0 ? 16 : 17;
            t += dt;
            start = now_ms();
            frame_render(t, dt);
            glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
            ms.push_back(now_ms() - start);
            total += ms.back();
            SDL_GL_SwapWindow(window);
        }
        int live = 0;
        for (const Particle &p : particles)
            live += p.radius_max != 0.0f;
        char what[64];
        snprintf(what, sizeof what, "%s, second %d (%d particles)", WHICH, second + 1, live);
        report(what, ms);
    }
    printf("%s, the 3 s: mean %.2f ms a frame\n", WHICH, total / 180);
    return 0;
}
