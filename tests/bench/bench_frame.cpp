// bench_frame.cpp -- figures, not a test: a real 30 s run of the whole scene
// on Mesa (llvmpipe under Xvfb), paced like the program's own loop: frames
// drawn, frame-time median and 95th percentile, and the live particles over
// time. Run it under a display:
//   tools/with-xvfb build/tests/bench_frame [seconds]
// Its twin bench_frame_nogl gives the cost of our own code per frame.
#include "app/app.h"
#include "scene/particles.h"
#include "scene/scene.h"

#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <vector>

namespace {

int live_particles()
{
    int n = 0;
    for (const Particle &p : particles)
        n += p.radius_max != 0.0f;
    return n;
}

double percentile(std::vector<int> v, double q)
{
    std::sort(v.begin(), v.end());
    return v[(size_t)(q * (double)(v.size() - 1) + 0.5)];
}

} // namespace

int main(int argc, char **argv)
{
    int limit = argc > 1 ? atoi(argv[1]) * 1000 : 30000;
    if (limit < 1000)
        limit = 1000;
    // scene_init may write the tune; keep it out of the user's own directory.
    char dir[] = "/tmp/ostra-bench.XXXXXX";
    if (mkdtemp(dir))
        setenv("XDG_DATA_HOME", dir, 1);

    WindowContext.hInstance = GetModuleHandleA(NULL);
    if (!window_init(&WindowContext)) {
        fprintf(stderr, "bench_frame: window_init failed (no display?)\n");
        window_end(&WindowContext);
        return 1;
    }
    printf("GL: %s / %s / %s\n", (const char *)glGetString(GL_VENDOR),
           (const char *)glGetString(GL_RENDERER), (const char *)glGetString(GL_VERSION));
    scene_init();

    // The program's loop without the music: one clock sample per pass, the
    // queue drained, a frame, the buffers swapped. A pass's frame time is
    // the step the next pass sees.
    std::vector<int> steps;
    std::vector<int> live_at; // sampled once a second
    MSG msg;
    int done = 0, t = 0, t_prev = 0, next_sample = 0, passes = 0;
    DWORD start = timeGetTime();
    while (!done) {
        t = (int)(timeGetTime() - start);
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                done = 1;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        // The first pass's step is its own run time; it measures no frame.
        if (passes++ > 0)
            steps.push_back(t - t_prev);
        if (t >= next_sample) {
            live_at.push_back(live_particles());
            next_sample += 1000;
        }
        frame_render(t, t - t_prev);
        t_prev = t;
        if (t > limit)
            done = 1;
        SwapBuffers(WindowContext.hDC);
    }
    window_end(&WindowContext);

    if (steps.empty()) {
        printf("no frame finished\n");
        return 0;
    }
    printf("run of %d ms: %d frames drawn, %.1f frames/s\n", t, passes,
           1000.0 * passes / (t ? t : 1));
    printf("frame time: median %.0f ms, 95th percentile %.0f ms, max %.0f ms\n",
           percentile(steps, 0.5), percentile(steps, 0.95), percentile(steps, 1.0));
    printf("live particles, once a second (pool of %d):\n", PARTICLE_COUNT);
    for (size_t s = 0; s < live_at.size(); s++)
        printf("  %2zu s %6d%s", s, live_at[s], s % 5 == 4 ? "\n" : "");
    printf("\n  end %5d\n", live_particles());
    return 0;
}
