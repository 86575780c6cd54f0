// bench_mesa.cpp -- figures, not a test: on the program's own window under
// Mesa, the terrain synthesis, one frame of walls and terrain, and a real run.
//   tools/with-xvfb build/bench/bench_mesa [seconds]
#include "app/app.h"
#include "bench/bench.h"
#include "scene/ground.h"
#include "scene/particles.h"
#include "scene/scene.h"
#include "world/random.h"
#include "world/terrain.h"

#include <stdlib.h>

namespace {

int live_particles()
{
    int n = 0;
    for (const Particle &p : particles)
        n += p.radius_max != 0.0f;
    return n;
}

// Walls and terrain after the camera, as frame_render draws them, until Mesa
// has drawn them all, not only taken the calls.
void ground_frame(int t)
{
    camera_setup(128, 100, 250, 30.0f + 10.0f * (float)(t % 7) / 7.0f, 0.0f);
    glLoadIdentity();
    backdrop_draw();
    terrain_draw();
    glFinish();
}

void clear_and_finish()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFinish();
}

// The program's loop without the music; a frame's time is the next pass's step.
void real_run(int limit)
{
    std::vector<double> steps;
    std::vector<int> live_at; // once a second
    MSG msg;
    int done = 0, t = 0, t_prev = 0, next_sample = 0, passes = 0;
    DWORD start = timeGetTime();
    while (!done) {
        t = (int)(timeGetTime() - start);
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            done |= msg.message == WM_QUIT;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (passes++ > 0) // the first pass's step is no frame's time
            steps.push_back(t - t_prev);
        if (t >= next_sample) {
            live_at.push_back(live_particles());
            next_sample += 1000;
        }
        frame_render(t, t - t_prev);
        t_prev = t;
        done |= t > limit;
        SwapBuffers(WindowContext.hDC);
    }
    if (steps.empty())
        return;
    printf("real run of %d ms: %d frames drawn, %.1f frames/s\n", t, passes,
           1000.0 * passes / (t ? t : 1));
    report("real run, frame time", steps);
    printf("live particles, once a second (pool of %d):\n", PARTICLE_COUNT);
    for (size_t s = 0; s < live_at.size(); s++)
        printf("  %2zu s %6d%s", s, live_at[s], s % 5 == 4 ? "\n" : "");
    printf("\n  end %5d\n", live_particles());
}

} // namespace

int main(int argc, char **argv)
{
    int seconds = argc > 1 ? atoi(argv[1]) : 30;
    // scene_init writes the tune; keep it out of the user's own directory.
    char dir[] = "/tmp/ostra-bench.XXXXXX";
    if (mkdtemp(dir))
        setenv("XDG_DATA_HOME", dir, 1);
    WindowContext.hInstance = GetModuleHandleA(NULL);
    if (!window_init(&WindowContext)) {
        fprintf(stderr, "bench_mesa: window_init failed (no display?)\n");
        window_end(&WindowContext);
        return 1;
    }
    printf("GL: %s / %s / %s\n", (const char *)glGetString(GL_VENDOR),
           (const char *)glGetString(GL_RENDERER), (const char *)glGetString(GL_VERSION));

    // The first synthesis allocates the texture; glReadPixels waits for all of it.
    quadric = gluNewQuadric();
    gluQuadricTexture(quadric, GL_TRUE);
    auto synthesis = time_runs(8, [] { random_seed = 1; }, [](int) { terrain_generate(); });
    printf("terrain_generate, first call on the fresh context: %.2f ms\n", synthesis[0]);
    synthesis.erase(synthesis.begin());
    report("terrain_generate, repeated", synthesis);

    random_seed = 1;
    scene_init();
    report("walls + terrain frame, unlit (the first frame)",
           time_runs(30, clear_and_finish, ground_frame));
    glEnable(GL_LIGHTING); // every frame after the first is lit
    report("walls + terrain frame, lit", time_runs(30, clear_and_finish, ground_frame));
    glDisable(GL_LIGHTING);

    real_run(seconds * 1000);
    window_end(&WindowContext);
    return 0;
}
