// bench_frame_nogl.cpp -- figures, not a test: whole frames of the scene
// issued to the fake GL with recording off, a GL that does nothing, so what
// is timed is our own code: the pool scan and splitting, the forest's 1000
// draws, the flyers, 16 craters, and the call overhead. Once with the pool
// empty at the start of each frame, once with all 16384 slots live (every
// particle drawn, every spawn scanning the whole pool and being dropped).
//   build/tests/bench_frame_nogl [frames]
#include "fakes/fake_gl.h"
#include "scene/flyers.h"
#include "scene/forest.h"
#include "scene/particles.h"
#include "scene/scene.h"
#include "world/random.h"
#include "world/terrain.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <stdio.h>
#include <stdlib.h>
#include <vector>

namespace {

double now_ms()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

void report(const char *what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    printf("%-48s median %8.3f ms  95th %8.3f ms  min %8.3f ms\n", what, ms[ms.size() / 2],
           ms[(size_t)(0.95 * (double)(ms.size() - 1))], ms[0]);
}

// A rolling ground between 10 and 50, so trees stand and craters dig.
void fill_ground()
{
    for (int z = 0; z < 256; z++)
        for (int x = 0; x < 256; x++)
            heightmap[z * 256 + x] = (float)(30.0 + 20.0 * ((x * 7 + z * 13) % 64) / 64.0 - 10.0);
}

// Every slot live and far from expiring.
void fill_pool()
{
    for (int i = 0; i < PARTICLE_COUNT; i++)
        particles[i] = Particle{(float)(i % 256), 40, (float)(i / 64 % 256), 0, 1.0e6f, 1, 1, 1};
}

std::vector<double> time_frames(int frames, const std::function<void()> &before,
                                const std::function<void(int)> &body)
{
    std::vector<double> ms;
    for (int i = 0; i < frames; i++) {
        before();
        double start = now_ms();
        body(i);
        ms.push_back(now_ms() - start);
    }
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    int frames = argc > 1 ? atoi(argv[1]) : 100;
    if (frames < 1)
        frames = 1;
    fake::gl_reset();
    fake::gl_recording = false;
    quadric = gluNewQuadric();
    random_seed = 1;
    flyers_reset_all();

    auto empty = [] {
        particles_clear();
        fill_ground();
    };
    auto full = [] {
        fill_pool();
        fill_ground();
    };
    // Run times stay in the flight phase; 16 ms steps as at 60 frames/s.
    auto frame = [](int i) { frame_render(1000 + 16 * (i % 1000), 16); };

    printf("our own code per frame, no-op GL, %d frames each:\n", frames);
    report("whole frame, pool empty", time_frames(frames, empty, frame));
    report("whole frame, pool full", time_frames(frames, full, frame));
    report("  particle pass, pool empty", time_frames(frames, empty, [](int) { particles_update_draw(16); }));
    report("  particle pass, pool full", time_frames(frames, full, [](int) { particles_update_draw(16); }));
    report("  forest", time_frames(frames, fill_ground, [](int) { forest_draw(); }));
    report("  flyers + bombs, pool empty", time_frames(frames, empty, [](int) {
               flyers_update_draw(64);
               flyers_bomb();
           }));
    report("  flyers + bombs, pool full", time_frames(frames, full, [](int) {
               flyers_update_draw(64);
               flyers_bomb();
           }));
    printf("(compare with bench_frame's frame time on Mesa for our share of a frame)\n");
    return 0;
}
