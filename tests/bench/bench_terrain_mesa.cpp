// bench_terrain_mesa.cpp -- figures, not a test: how long the terrain
// synthesis and one frame of walls and terrain take on the real Mesa context
// of the program's own window (llvmpipe under Xvfb). Run it under a display:
//   tools/with-xvfb build/tests/bench_terrain_mesa
// Its twin bench_terrain_nogl issues the same frame to a GL that does
// nothing, which leaves the share of our own code.
#include "app/app.h"
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
    printf("%-56s runs %3zu  min %8.2f ms  median %8.2f ms  mean %8.2f ms\n", what, ms.size(), ms[0],
           ms[ms.size() / 2], sum / ms.size());
}

// One frame's walls and terrain after the camera, as frame_render draws them.
// finish: wait until Mesa has drawn it all, not only taken the calls.
double frame(int t, bool finish)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFinish();
    double start = now_ms();
    camera_setup(128, 100, 250, 30.0f + 10.0f * (float)(t % 7) / 7.0f, 0.0f);
    glLoadIdentity();
    backdrop_draw();
    terrain_draw();
    if (finish)
        glFinish();
    double took = now_ms() - start;
    glFinish();
    return took;
}

} // namespace

int main(int argc, char **argv)
{
    int frames = argc > 1 ? atoi(argv[1]) : 30;
    if (frames < 1)
        frames = 1;
    // scene_init writes the tune; keep it out of the user's own directory.
    char dir[] = "/tmp/ostra-bench.XXXXXX";
    if (mkdtemp(dir))
        setenv("XDG_DATA_HOME", dir, 1);

    WindowContext.hInstance = GetModuleHandleA(NULL);
    if (!window_init(&WindowContext)) {
        fprintf(stderr, "bench_terrain_mesa: window_init failed (no display?)\n");
        window_end(&WindowContext);
        return 1;
    }
    printf("GL: %s / %s / %s\n", (const char *)glGetString(GL_VENDOR),
           (const char *)glGetString(GL_RENDERER), (const char *)glGetString(GL_VERSION));

    // The synthesis on the fresh context; the first call also allocates the
    // texture, later ones draw over what the first left behind.
    quadric = gluNewQuadric();
    gluQuadricTexture(quadric, GL_TRUE);
    std::vector<double> synthesis;
    for (int i = 0; i < 8; i++) {
        random_seed = 1;
        double start = now_ms();
        terrain_generate(); // ends in glReadPixels, so all of it is done here
        synthesis.push_back(now_ms() - start);
    }
    printf("terrain_generate, first call on the fresh context: %.2f ms\n", synthesis[0]);
    report("terrain_generate, repeated", std::vector<double>(synthesis.begin() + 1, synthesis.end()));

    // The scene's own state, then frames as the run draws them.
    random_seed = 1;
    scene_init();
    std::vector<double> issued, unlit, lit;
    for (int i = 0; i < frames; i++)
        unlit.push_back(frame(i, true));
    glEnable(GL_LIGHTING); // every frame after the first is lit
    for (int i = 0; i < frames; i++)
        lit.push_back(frame(i, true));
    for (int i = 0; i < frames; i++)
        issued.push_back(frame(i, false));
    glDisable(GL_LIGHTING);
    report("walls + terrain frame, unlit (first frame), to glFinish", unlit);
    report("walls + terrain frame, lit, to glFinish", lit);
    report("walls + terrain frame, lit, calls issued only", issued);

    window_end(&WindowContext);
    return 0;
}
