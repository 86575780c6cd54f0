// test_terrain_mesa.cpp -- the terrain synthesis on the real Mesa context of
// the program's own window: the fresh state it relies on, heights that are
// fifths of bytes, a smooth landscape, the same heights in a second run, and
// the dark-green clear after set-up.
#include "app/app.h"
#include "scene/scene.h"
#include "world/random.h"
#include "world/terrain.h"

#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>

#include <algorithm>
#include <vector>

namespace {

// The state a fresh context must have for the synthesis.
struct StateIs {
    GLenum what;
    GLint value;
};
const StateIs fresh_state[] = {
    {GL_MATRIX_MODE, GL_MODELVIEW},
    {GL_PACK_ALIGNMENT, 4},
    {GL_UNPACK_ALIGNMENT, 4},
    {GL_PACK_ROW_LENGTH, 0},
    {GL_PACK_SKIP_ROWS, 0},
    {GL_PACK_SKIP_PIXELS, 0},
    {GL_DRAW_BUFFER, GL_BACK},
    {GL_READ_BUFFER, GL_BACK},
    {GL_RED_BITS, 8},
    {GL_DOUBLEBUFFER, GL_TRUE},
};
const StateIs fresh_texture_state[] = {
    {GL_TEXTURE_MIN_FILTER, GL_NEAREST_MIPMAP_LINEAR},
    {GL_TEXTURE_MAG_FILTER, GL_LINEAR},
    {GL_TEXTURE_WRAP_S, GL_REPEAT},
    {GL_TEXTURE_WRAP_T, GL_REPEAT},
};
const GLenum fresh_off[] = {GL_BLEND,        GL_DEPTH_TEST,   GL_LIGHTING,    GL_CULL_FACE,
                            GL_TEXTURE_2D,   GL_SCISSOR_TEST, GL_ALPHA_TEST,  GL_STENCIL_TEST};

// The heights of the first run, for the later tests to examine.
std::vector<float> first_run;

struct TerrainMesaTest : ::testing::Test {
    static void SetUpTestSuite()
    {
        // scene_init writes the tune; keep it out of the user's own directory.
        static char dir[] = "/tmp/ostra-gl-terrain.XXXXXX";
        if (mkdtemp(dir))
            setenv("XDG_DATA_HOME", dir, 1);
    }
    // A fresh program window and context, as WinMain makes them.
    void open()
    {
        WindowContext.hDC = NULL;
        WindowContext.hRC = NULL;
        WindowContext.hWnd = NULL;
        WindowContext.hInstance = GetModuleHandleA(NULL);
        opened = true;
        ASSERT_EQ(window_init(&WindowContext), 1);
    }
    void TearDown() override
    {
        if (opened)
            window_end(&WindowContext);
    }
    bool opened = false;
};

GLint get_int(GLenum what)
{
    GLint v[4] = {-1, -1, -1, -1};
    glGetIntegerv(what, v);
    return v[0];
}

} // namespace

TEST_F(TerrainMesaTest, FreshContextStateThenSynthesisThenTheDarkGreenClear)
{
    open();
    std::vector<GLint> viewport(4, -1);
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, (std::vector<GLint>{0, 0, 800, 600}));
    for (GLenum matrix : {GL_MODELVIEW_MATRIX, GL_PROJECTION_MATRIX}) {
        std::vector<float> m(16, -1.0f);
        glGetFloatv(matrix, m.data());
        for (int k = 0; k < 16; k++)
            EXPECT_EQ(m[k], k % 5 == 0 ? 1.0f : 0.0f) << "matrix " << matrix << " element " << k;
    }
    for (GLenum cap : fresh_off)
        EXPECT_FALSE(glIsEnabled(cap)) << "capability " << cap;
    for (const StateIs &s : fresh_state)
        EXPECT_EQ(get_int(s.what), s.value) << "state " << s.what;
    for (const StateIs &s : fresh_texture_state) {
        GLint v = -1;
        glGetTexParameteriv(GL_TEXTURE_2D, s.what, &v);
        EXPECT_EQ(v, s.value) << "texture parameter " << s.what;
    }
    GLint env = -1, mask[4] = {0, 0, 0, 0};
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_EQ(env, GL_MODULATE);
    glGetIntegerv(GL_COLOR_WRITEMASK, mask);
    EXPECT_EQ(std::vector<GLint>(mask, mask + 4), std::vector<GLint>(4, GL_TRUE));
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);

    random_seed = 1;
    scene_init();
    first_run.assign(heightmap, heightmap + 256 * 256);


    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT); // as the first frame does
    const int probes[][2] = {{0, 0}, {799, 0}, {0, 599}, {799, 599}, {400, 300}, {300, 400}};
    for (const auto &p : probes) {
        unsigned char rgb[4] = {0, 0, 0, 0};
        glReadPixels(p[0], p[1], 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
        EXPECT_EQ(std::vector<int>(rgb, rgb + 3), (std::vector<int>{20, 30, 10}))
            << "pixel " << p[0] << "," << p[1];
    }
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(TerrainMesaTest, EveryHeightIsTheNearestFloatToAFifthOfAByte)
{
    ASSERT_EQ(first_run.size(), 65536u);
    size_t off = 0;
    for (float h : first_run) {
        long k = lround(h * 5.0);
        off += k < 0 || k > 255 || h != (float)(k / 5.0);
    }
    EXPECT_EQ(off, 0u);
}

TEST_F(TerrainMesaTest, TerrainIsASmoothLandscapeNeitherNoiseNorFlat)
{
    ASSERT_EQ(first_run.size(), 65536u);
    auto h = [](int x, int z) { return (double)first_run[z * 256 + x]; };
    double lo = 1e9, hi = -1e9, sum = 0, sum2 = 0;
    for (float v : first_run) {
        lo = fmin(lo, v);
        hi = fmax(hi, v);
        sum += v;
        sum2 += (double)v * v;
    }
    double mean = sum / 65536, spread = sqrt(sum2 / 65536 - mean * mean);

    // Neighbours along x and along z, against cells paired at random.
    double along_x = 0, along_z = 0, random_pairs = 0;
    uint32_t seed = 12345;
    auto pick = [&]() {
        seed = seed * 1664525u + 1013904223u;
        return (int)(seed >> 24);
    };
    for (int z = 0; z < 255; z++)
        for (int x = 0; x < 255; x++) {
            along_x += fabs(h(x + 1, z) - h(x, z)) / (255 * 255);
            along_z += fabs(h(x, z + 1) - h(x, z)) / (255 * 255);
            random_pairs += fabs(h(pick(), pick()) - h(pick(), pick())) / (255 * 255);
        }

    printf("heights %.1f..%.1f, mean %.2f, spread %.2f; mean step along x %.3f, along z %.3f, "
           "between random cells %.3f\n",
           lo, hi, mean, spread, along_x, along_z, random_pairs);

    EXPECT_GT(hi - lo, 15.0) << "flat";
    EXPECT_GT(spread, 3.0) << "flat";
    EXPECT_LT(along_x, random_pairs / 8) << "not smooth along x";
    EXPECT_LT(along_z, random_pairs / 8) << "not smooth along z";
    // The noise is stretched 4/3 more along x than along z.
    EXPECT_LT(along_x, along_z);
}

TEST_F(TerrainMesaTest, SecondRunGivesTheSameHeightmap)
{
    ASSERT_EQ(first_run.size(), 65536u);
    for (float &cell : heightmap)
        cell = -1.0f;
    open();
    random_seed = 1;
    scene_init();
    EXPECT_TRUE(std::equal(first_run.begin(), first_run.end(), heightmap));
}
