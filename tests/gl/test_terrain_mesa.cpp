// test_terrain_mesa.cpp -- the terrain synthesis on the real Mesa context of
// the program's own window: the fresh state it relies on, heights that are
// fifths of bytes, a smooth landscape that follows the blended noise layers,
// the same heights in a second run, and the dark-green clear after set-up.
#include "app/app.h"
#include "scene/scene.h"
#include "world/random.h"
#include "world/terrain.h"

#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>

#include <string>
#include <vector>

namespace {

const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// The heights of the first run, for the second to compare with.
std::vector<float> first_run;
// What the back buffer held under the heightmap's block before the first
// layer: it enters every height with the weight (1 - a)^4.
std::vector<unsigned char> background;

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

std::vector<float> get_floats(GLenum what, int n)
{
    std::vector<float> v(n, -1.0f);
    glGetFloatv(what, v.data());
    return v;
}

GLint get_int(GLenum what)
{
    GLint v = -1;
    glGetIntegerv(what, &v);
    return v;
}

// The noise images as the synthesis must make them, from an independent run
// of the generator: octave o of size n holds value o * 65536 + (65536 - k)
// of the run at byte k.
std::vector<std::vector<unsigned char>> noise_images()
{
    std::vector<unsigned char> run;
    uint32_t seed = 1;
    for (int i = 0; i < 4 * 65536; i++) {
        seed = seed * 1103515245u + 20077u;
        run.push_back((unsigned char)(seed >> 16));
    }
    std::vector<std::vector<unsigned char>> images;
    for (int o = 0, n = 256; o < 4; o++, n /= 2) {
        std::vector<unsigned char> image((size_t)n * n);
        for (size_t k = 0; k < image.size(); k++)
            image[k] = run[o * 65536 + (65535 - k)];
        images.push_back(image);
    }
    return images;
}

// Bilinear sample of an n x n luminance image at (s, t), in 0..255.
double sample(const std::vector<unsigned char> &image, int n, double s, double t)
{
    double u = s * n - 0.5, v = t * n - 0.5;
    int i = (int)floor(u), j = (int)floor(v);
    double a = u - i, b = v - j;
    auto at = [&](int ii, int jj) { return (double)image[(size_t)(jj & (n - 1)) * n + (ii & (n - 1))]; };
    return (1 - a) * (1 - b) * at(i, j) + a * (1 - b) * at(i + 1, j) + (1 - a) * b * at(i, j + 1) +
           a * b * at(i + 1, j + 1);
}

// The red byte that window pixel (256 + x, 256 + z) should hold: the disk's
// texture coordinates s = 0.5 + x_ndc / 3, t = 0.5 + y_ndc / 3, each layer
// blended over the last with a = 120/255 and rounded to 8 bits.
double modelled_byte(const std::vector<std::vector<unsigned char>> &images, int x, int z,
                     double before)
{
    double s = 0.5 + ((256.5 + x) / 400.0 - 1.0) / 3.0;
    double t = 0.5 + ((256.5 + z) / 300.0 - 1.0) / 3.0;
    double a = 120.0 / 255.0, c = before;
    for (int o = 0, n = 256; o < 4; o++, n /= 2)
        c = floor(a * sample(images[o], n, s, t) + (1 - a) * c + 0.5);
    return c;
}

} // namespace

TEST_F(TerrainMesaTest, FreshContextHasTheStateTheSynthesisReliesOn)
{
    open();
    std::vector<GLint> viewport(4, -1);
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, (std::vector<GLint>{0, 0, 800, 600}));
    EXPECT_EQ(get_floats(GL_MODELVIEW_MATRIX, 16), std::vector<float>(identity, identity + 16));
    EXPECT_EQ(get_floats(GL_PROJECTION_MATRIX, 16), std::vector<float>(identity, identity + 16));
    EXPECT_EQ(get_int(GL_MATRIX_MODE), GL_MODELVIEW);
    for (GLenum cap : {GL_BLEND, GL_DEPTH_TEST, GL_LIGHTING, GL_CULL_FACE, GL_TEXTURE_2D,
                       GL_SCISSOR_TEST, GL_ALPHA_TEST, GL_STENCIL_TEST})
        EXPECT_FALSE(glIsEnabled(cap)) << "capability " << cap;
    EXPECT_EQ(get_int(GL_PACK_ALIGNMENT), 4);
    EXPECT_EQ(get_int(GL_UNPACK_ALIGNMENT), 4);
    EXPECT_EQ(get_int(GL_PACK_ROW_LENGTH), 0);
    EXPECT_EQ(get_int(GL_PACK_SKIP_ROWS), 0);
    EXPECT_EQ(get_int(GL_PACK_SKIP_PIXELS), 0);
    EXPECT_EQ(get_int(GL_DRAW_BUFFER), GL_BACK);
    EXPECT_EQ(get_int(GL_READ_BUFFER), GL_BACK);
    EXPECT_EQ(get_int(GL_RED_BITS), 8);
    GLboolean doublebuffer = GL_FALSE;
    glGetBooleanv(GL_DOUBLEBUFFER, &doublebuffer);
    EXPECT_TRUE(doublebuffer);
    std::vector<GLboolean> mask(4, GL_FALSE);
    glGetBooleanv(GL_COLOR_WRITEMASK, mask.data());
    EXPECT_EQ(mask, std::vector<GLboolean>(4, GL_TRUE));
    GLint env = -1, min_filter = -1, mag_filter = -1, wrap_s = -1, wrap_t = -1;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min_filter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag_filter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap_s);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrap_t);
    EXPECT_EQ(env, GL_MODULATE);
    EXPECT_EQ(min_filter, GL_NEAREST_MIPMAP_LINEAR);
    EXPECT_EQ(mag_filter, GL_LINEAR);
    EXPECT_EQ(wrap_s, GL_REPEAT);
    EXPECT_EQ(wrap_t, GL_REPEAT);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);

    // Reading changes no state: what the buffer holds before the first layer.
    background.assign(256 * 256, 0);
    glReadPixels(256, 256, 256, 256, GL_RED, GL_UNSIGNED_BYTE, background.data());

    random_seed = 1;
    scene_init();
    first_run.assign(heightmap, heightmap + 256 * 256);

    // Left behind: blending and texturing off, texture 1 holding the last,
    // 32 x 32 layer.
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(get_int(GL_TEXTURE_BINDING_2D), 1);
    GLint width = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 32);

    // The first frame clears to the dark green.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
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

TEST_F(TerrainMesaTest, TerrainIsASmoothLandscape)
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
            along_x += fabs(h(x + 1, z) - h(x, z));
            along_z += fabs(h(x, z + 1) - h(x, z));
            random_pairs += fabs(h(pick(), pick()) - h(pick(), pick()));
        }
    along_x /= 255 * 255;
    along_z /= 255 * 255;
    random_pairs /= 255 * 255;
    printf("heights %.1f..%.1f, mean %.2f, spread %.2f; mean step along x %.3f, along z %.3f, "
           "between random cells %.3f\n",
           lo, hi, mean, spread, along_x, along_z, random_pairs);

    EXPECT_GT(hi - lo, 15.0) << "flat";
    EXPECT_GT(spread, 3.0) << "flat";
    EXPECT_LT(along_x, random_pairs / 8) << "not smooth along x";
    EXPECT_LT(along_z, random_pairs / 8) << "not smooth along z";
    // One cell is one pixel and the noise is stretched 4/3 more along x than
    // along z, so steps along x are the smaller ones.
    EXPECT_LT(along_x, along_z);
}

TEST_F(TerrainMesaTest, HeightsFollowTheBlendedNoiseLayers)
{
    // Mesa's filter and blend rounding are its own; a byte off here and
    // there is expected, a different picture is not.
    ASSERT_EQ(first_run.size(), 65536u);
    ASSERT_EQ(background.size(), 65536u);
    auto images = noise_images();
    double total = 0, worst = 0;
    size_t far_off = 0;
    for (int z = 0; z < 256; z++)
        for (int x = 0; x < 256; x++) {
            double got = first_run[z * 256 + x] * 5.0;
            double d = fabs(got - modelled_byte(images, x, z, background[z * 256 + x]));
            total += d;
            worst = fmax(worst, d);
            far_off += d > 3;
        }
    printf("against the model: mean byte error %.3f, worst %.0f, %zu cells more than 3 off\n",
           total / 65536, worst, far_off);
    EXPECT_LT(total / 65536, 1.0);
    EXPECT_LT(far_off, 65536u / 100);
}

TEST_F(TerrainMesaTest, SecondRunGivesTheSameHeightmap)
{
    ASSERT_EQ(first_run.size(), 65536u);
    for (int i = 0; i < 256 * 256; i++)
        heightmap[i] = -1.0f;
    open();
    random_seed = 1;
    scene_init();
    size_t differ = 0;
    for (int i = 0; i < 256 * 256; i++)
        differ += heightmap[i] != first_run[i];
    EXPECT_EQ(differ, 0u);
}
