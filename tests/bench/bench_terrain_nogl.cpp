// bench_terrain_nogl.cpp -- figures, not a test: the same walls-and-terrain
// frame and the same synthesis as bench_terrain_mesa, issued to the fake GL
// with recording off, a GL that does nothing. What remains is our own code:
// the loops, the double-precision colours and the call overhead.
//   build/tests/bench_terrain_nogl [frames]
#include "fakes/fake_gl.h"
#include "scene/ground.h"
#include "scene/scene.h"
#include "world/random.h"
#include "world/terrain.h"

#include <algorithm>
#include <chrono>
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
    double sum = 0;
    for (double v : ms)
        sum += v;
    printf("%-56s runs %3zu  min %8.3f ms  median %8.3f ms  mean %8.3f ms\n", what, ms.size(), ms[0],
           ms[ms.size() / 2], sum / ms.size());
}

} // namespace

int main(int argc, char **argv)
{
    int frames = argc > 1 ? atoi(argv[1]) : 200;
    if (frames < 1)
        frames = 1;
    fake::gl_reset();
    fake::gl_recording = false;
    quadric = gluNewQuadric();

    // The synthesis: 262144 draws from the random source, the scaling of the
    // read-back (the no-op GL hands back its bytes as a soft slope).
    fake::gl_read_pixels = [](int, int, int w, int h, unsigned char *pixels) {
        for (int i = 0; i < w * h; i++)
            pixels[i] = (unsigned char)(i % w / 4 + i / w / 4);
    };
    std::vector<double> synthesis;
    for (int i = 0; i < 50; i++) {
        random_seed = 1;
        double start = now_ms();
        terrain_generate();
        synthesis.push_back(now_ms() - start);
    }
    report("terrain_generate, no-op GL", synthesis);

    std::vector<double> frame;
    for (int i = 0; i < frames; i++) {
        double start = now_ms();
        backdrop_draw();
        terrain_draw();
        frame.push_back(now_ms() - start);
    }
    report("walls + terrain frame, no-op GL", frame);
    printf("(%d vertices and as many colour calls per frame)\n", 10 + 255 * 512);
    return 0;
}
