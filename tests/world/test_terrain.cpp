// test_terrain.cpp -- the terrain synthesis against the recording GL: the
// calls it makes and their order, the noise it draws and where each value
// lands, and how the read-back becomes the heightmap.
#include "scene/scene_fixture.h"

using scene_test::fields;
using scene_test::lines;
using scene_test::seed_after;
using scene_test::texts;

namespace {

// Blending and texturing on, four octaves of falling size each uploaded as
// texture 1 and drawn as one full-screen disk, the red block read back.
const char *const synthesis_calls[] = {
    "glEnable(3042)",       // GL_BLEND
    "glEnable(3553)",       // GL_TEXTURE_2D
    "glBlendFunc(770,771)", // GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA
    "glColor4ub(255,255,255,120)",
    "glBindTexture(3553,1)",
    "gluBuild2DMipmaps(3553,1,256,256,6409,5121)", // GL_LUMINANCE, GL_UNSIGNED_BYTE
    "gluDisk(1,0,1.5,16,1)",
    "glBindTexture(3553,1)",
    "gluBuild2DMipmaps(3553,1,128,128,6409,5121)",
    "gluDisk(1,0,1.5,16,1)",
    "glBindTexture(3553,1)",
    "gluBuild2DMipmaps(3553,1,64,64,6409,5121)",
    "gluDisk(1,0,1.5,16,1)",
    "glBindTexture(3553,1)",
    "gluBuild2DMipmaps(3553,1,32,32,6409,5121)",
    "gluDisk(1,0,1.5,16,1)",
    "glReadPixels(256,256,512,512,6403,5121)", // GL_RED
    "glDisable(3553)",
    "glDisable(3042)",
};

// The seed after the 262144 draws from seed 1, worked out outside the program.
const uint32_t seed_after_synthesis = 273416193u;

// The run's first value, 16838, has the low byte 198; the first octave's
// last (the 65536th value, 17427) has 19.
const unsigned char first_noise_byte = 198;
const unsigned char last_noise_byte_of_first_octave = 19;

// The float nearest to k / 5 for a few k: what a height must be exactly.
struct HeightOf {
    int k;
    float height;
};
const HeightOf heights_of[] = {
    {0, 0.0f},
    {1, 0.20000000298023224f},
    {2, 0.40000000596046448f},
    {3, 0.60000002384185791f},
    {127, 25.399999618530273f},
    {254, 50.799999237060547f},
    {255, 51.0f},
};

// The read-back: its lower-left quarter, bottom row first, holds byte
// (x + 7 z) % 256 at (x, z); the other three quarters hold something else.
unsigned char read_back_byte(int x, int z)
{
    return (unsigned char)(x + 7 * z + (x < 256 && z < 256 ? 0 : 128));
}

// The four noise images the synthesis must upload from seed 1: byte k of
// octave o is the low byte of value o * 65536 + (65536 - k) of the run.
std::vector<std::vector<unsigned char>> noise_images()
{
    std::vector<std::vector<unsigned char>> images;
    uint32_t seed = 1;
    for (int o = 0, n = 256; o < 4; o++, n /= 2) {
        std::vector<unsigned char> fill(65536);
        for (int k = 65535; k >= 0; k--) {
            seed = seed_after(seed, 1);
            fill[k] = (unsigned char)(seed >> 16);
        }
        images.emplace_back(fill.begin(), fill.begin() + n * n);
    }
    return images;
}

struct TerrainSynthesisTest : scene_test::SceneTest {};

} // namespace

TEST_F(TerrainSynthesisTest, CallsInOrderAndExactly262144Draws)
{
    terrain_generate();
    EXPECT_EQ(texts(), lines(synthesis_calls));
    EXPECT_EQ(random_seed, seed_after_synthesis);
}

TEST_F(TerrainSynthesisTest, EachImageHoldsItsOctaveFilledDownwardsFromTheLastByte)
{
    terrain_generate();
    ASSERT_EQ(fake::gl_textures.size(), 4u);
    ASSERT_EQ(fake::gl_textures[0].size(), 65536u);
    EXPECT_EQ(fake::gl_textures[0][65535], first_noise_byte);
    EXPECT_EQ(fake::gl_textures[0][0], last_noise_byte_of_first_octave);
    EXPECT_TRUE(fake::gl_textures == noise_images());
}

TEST_F(TerrainSynthesisTest, HeightsAreFifthsOfTheLowerLeftQuarterOfTheReadBack)
{
    const unsigned char *target = nullptr;
    fake::gl_read_pixels = [&](int, int, int w, int h, unsigned char *pixels) {
        target = pixels;
        for (int z = 0; z < h; z++)
            for (int x = 0; x < w; x++)
                pixels[z * w + x] = read_back_byte(x, z);
    };
    terrain_generate();
    EXPECT_EQ(target, noise_buffer);

    size_t wrong = 0;
    for (int z = 0; z < 256; z++)
        for (int x = 0; x < 256; x++)
            wrong += heightmap[z * 256 + x] != (float)(read_back_byte(x, z) / 5.0);
    EXPECT_EQ(wrong, 0u);
    for (const HeightOf &ref : heights_of) {
        SCOPED_TRACE(ref.k);
        EXPECT_EQ(heightmap[ref.k], ref.height); // row 0 holds k at column k
    }
}

// The pool is cleared first, the synthesis follows the quadric before any
// state of the scene's own, and the flyers take the draws right after it.
TEST_F(TerrainSynthesisTest, SceneInitClearsThePoolSynthesisesThenPlacesTheFlyers)
{
    for (Particle &p : particles)
        p.radius_max = 1.0f;
    fake::gl_reset();
    scene_init();
    std::vector<std::string> expected = {"gluNewQuadric()", "gluQuadricTexture(1,1)"};
    expected.insert(expected.end(), std::begin(synthesis_calls), std::end(synthesis_calls));
    expected.push_back("glClearColor(0.078125,0.1171875,0.0390625,0)");
    std::vector<std::string> got = texts();
    ASSERT_GE(got.size(), expected.size());
    got.resize(expected.size());
    EXPECT_EQ(got, expected);

    EXPECT_TRUE(scene_test::live().empty());
    for (int i = 0; i < FLYER_COUNT; i++)
        EXPECT_EQ(fields(flyers[i]),
                  fields(scene_test::entry_from(seed_after(seed_after_synthesis, 4 * i))))
            << i;
    EXPECT_EQ(random_seed, seed_after(seed_after_synthesis, 64));
}
