// test_mesa.cpp -- the program's window, synthesis and frames on the real
// platform layer and Mesa: heights that are fifths of bytes forming a smooth
// landscape, the same in a second run, and frames of the living scene that
// raise no GL error.
#include "app/app.h"
#include "scene/scene.h"
#include "world/random.h"

#include <gtest/gtest.h>

#include <math.h>
#include <vector>

namespace {

std::vector<float> synthesise()
{
    WindowContext.hDC = NULL, WindowContext.hRC = NULL, WindowContext.hWnd = NULL;
    WindowContext.hInstance = GetModuleHandleA(NULL);
    EXPECT_EQ(window_init(&WindowContext), 1);
    random_seed = 1;
    scene_init();
    return std::vector<float>(heightmap, heightmap + 256 * 256);
}

} // namespace

TEST(MesaTest, SynthesisGivesTheSameSmoothLandscapeAndFramesDrawCleanly)
{
    std::vector<float> first = synthesise();
    window_end(&WindowContext);
    gluDeleteQuadric(quadric); // the program makes its one quadric once
    EXPECT_TRUE(synthesise() == first) << "a second run draws other heights";
    size_t off = 0;
    double lo = 99, hi = -1, along_x = 0, along_z = 0, apart = 0;
    for (int z = 0; z < 255; z++)
        for (int x = 0; x < 255; x++) {
            float h = first[z * 256 + x];
            off += h != (float)(lround(h * 5.0) / 5.0) || h < 0 || h > 51;
            lo = fmin(lo, h), hi = fmax(hi, h);
            along_x += fabs(first[z * 256 + x + 1] - h);
            along_z += fabs(first[(z + 1) * 256 + x] - h);
            apart += fabs(first[(x * 7 % 255) * 256 + z * 13 % 255] - h);
        }
    printf("heights %.1f..%.1f; mean step along x %.3f, z %.3f, between cells far apart %.3f\n",
           lo, hi, along_x / 65025, along_z / 65025, apart / 65025);
    EXPECT_EQ(off, 0u) << "heights that are not fifths of a byte";
    EXPECT_GT(hi - lo, 15.0) << "flat";
    EXPECT_LT(along_x * 8, apart) << "not smooth";
    EXPECT_LT(along_x, along_z) << "the noise is stretched 4/3 more along x than along z";

    // The first frames, a long step that splits fireballs, then the finale.
    int t = 0;
    for (int dt : {0, 16, 17, 16, 1000, 16, 33333 - 1065, 16}) {
        frame_render(t += dt, dt);
        ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << "frame at " << t;
        SwapBuffers(WindowContext.hDC);
    }
    window_end(&WindowContext);
}
