// bench_nogl.cpp -- figures, not a test: bench_mesa's frames issued to the
// fake GL with recording off, a GL that does nothing: what is left is our own
// code, with the pool empty and with all 16384 slots live.
//   build/bench/bench_nogl [frames]
#include "bench/bench.h"
#include "fakes/fake_gl.h"
#include "scene/flyers.h"
#include "scene/forest.h"
#include "scene/ground.h"
#include "scene/particles.h"
#include "scene/scene.h"
#include "world/random.h"
#include "world/terrain.h"

#include <stdlib.h>

namespace {

// A rolling ground between 10 and 50, so trees stand and craters dig.
void fill_ground()
{
    for (int z = 0; z < 256; z++)
        for (int x = 0; x < 256; x++)
            heightmap[z * 256 + x] = (float)(30.0 + 20.0 * ((x * 7 + z * 13) % 64) / 64.0 - 10.0);
}

void empty_pool()
{
    particles_clear();
    fill_ground();
}

// Every slot live and far from expiring.
void full_pool()
{
    for (int i = 0; i < PARTICLE_COUNT; i++)
        particles[i] = Particle{(float)(i % 256), 40, (float)(i / 64 % 256), 0, 1.0e6f, 1, 1, 1};
    fill_ground();
}

// Run times stay in the flight phase; 16 ms steps as at 60 frames/s.
void flight_frame(int i)
{
    frame_render(1000 + 16 * (i % 1000), 16);
}

struct Case {
    const char *what;
    void (*before)();
    void (*body)(int frame);
};
const Case cases[] = {
    {"walls + terrain frame", fill_ground, [](int) { backdrop_draw(); terrain_draw(); }},
    {"whole frame, pool empty", empty_pool, flight_frame},
    {"whole frame, pool full", full_pool, flight_frame},
    {"  particle pass, pool full", full_pool, [](int) { particles_update_draw(16); }},
    {"  forest", fill_ground, [](int) { forest_draw(); }},
    {"  flyers + bombs, pool full", full_pool, [](int) { flyers_update_draw(64); flyers_bomb(); }},
};

} // namespace

int main(int argc, char **argv)
{
    int frames = argc > 1 ? atoi(argv[1]) : 100;
    fake::gl_reset();
    fake::logging = false;
    quadric = gluNewQuadric();
    random_seed = 1;
    flyers_reset_all();
    printf("our own code per frame on the no-op GL, %d frames each:\n", frames < 1 ? 1 : frames);
    for (const Case &c : cases)
        report(c.what, time_runs(frames, c.before, c.body));
    return 0;
}
