// test_world.cpp -- the random source against its reference sequences, the
// terrain synthesis against the recording GL, and crater depths.
#include "unit/scene_test.h"
#include "world/crater.h"
#include "world/terrain.h"

#include <math.h>

namespace {

// The first six random_next results from the run's start and from the forest's seed.
const std::vector<int> sequence_from_1 = {16838, 12279, 22554, 19115, 7105, 31659};
const std::vector<int> sequence_from_200 = {25325, 31837, 14808, 20920, 17952, 11251};

// How far a cell sinks under one crater of radius 10 at (x, z).
const struct {
    float x, z;
    int column, row;
    float depth;
} crater_depths[] = {
    {100, 100, 100, 100, 10.0f}, {100, 100, 101, 100, sqrtf(99.0f)}, {100, 100, 99, 100, sqrtf(99.0f)},
    {100, 100, 100, 91, sqrtf(19.0f)}, {100, 100, 90, 100, 0.0f}, {100, 100, 100, 110, 0.0f},
    // Between cells the window is 89..109: one short on the high sides.
    {100.5f, 100.5f, 91, 100, sqrtf(9.5f)}, {100.5f, 100.5f, 110, 100, 0.0f},
    {100.5f, 100.5f, 100, 91, sqrtf(9.5f)}, {100.5f, 100.5f, 109, 100, sqrtf(27.5f)},
    // Near the low edge the row window is raised to 0..20.
    {100.5f, 3.5f, 100, 13, sqrtf(9.5f)}, {100.5f, 3.5f, 100, 0, sqrtf(87.5f)}, {100.5f, 3.5f, 100, 14, 0.0f},
    {3.5f, 100.5f, 13, 100, sqrtf(9.5f)},
    // A flyer may bomb from the far bound, 256.
    {128, 256, 128, 255, sqrtf(99.0f)}, {128, 256, 128, 246, 0.0f},
    {256, 256, 255, 255, sqrtf(98.0f)}, {256, 256, 247, 255, sqrtf(18.0f)},
};
std::vector<int> draw(uint32_t seed, int n)
{
    std::vector<int> out;
    random_seed = seed;
    for (int i = 0; i < n; i++)
        out.push_back(random_next());
    return out;
}

using WorldTest = SceneTest;

} // namespace

TEST(RandomTest, ReferenceSequences)
{
    EXPECT_EQ(random_seed, 1u); // the program's start value: no test has drawn yet
    EXPECT_EQ(draw(1, 6), sequence_from_1);
    EXPECT_EQ(draw(200, 6), sequence_from_200);
}

// Byte k of octave o is the low byte of value o * 65536 + (65536 - k) of the
// run; the read-back's lower-left quarter, bottom row first, holds
// (x + 7 z) % 256 at (x, z), the rest something else.
TEST_F(WorldTest, SynthesisDrawsFourOctavesAndScalesTheReadBackQuarter)
{
    fake::gl_read_pixels = [](int w, int h, unsigned char *pixels) {
        for (int z = 0; z < h; z++)
            for (int x = 0; x < w; x++)
                pixels[z * w + x] = (unsigned char)(x + 7 * z + (x < 256 && z < 256 ? 0 : 128));
    };
    terrain_generate();
    EXPECT_EQ(fake::only({"glReadPixels"}), Lines{"glReadPixels 256 256 512 512 6403 5121"});
    EXPECT_EQ(random_seed, SEED_AFTER_SYNTHESIS);

    ASSERT_EQ(fake::gl_textures.size(), 4u);
    EXPECT_EQ(fake::gl_textures[0][65535], 198); // the run's first value, 16838
    uint32_t seed = 1;
    for (int o = 0, n = 256; o < 4; o++, n /= 2) {
        std::vector<unsigned char> fill(65536);
        for (int k = 65535; k >= 0; k--)
            fill[k] = (unsigned char)((seed = seed_after(seed, 1)) >> 16);
        EXPECT_TRUE(fake::gl_textures[o] == std::vector<unsigned char>(fill.begin(), fill.begin() + n * n))
            << "octave " << o;
    }
    size_t wrong = 0;
    for (int z = 0; z < 256; z++)
        for (int x = 0; x < 256; x++)
            wrong += heightmap[z * 256 + x] != (float)((x + 7 * z) % 256 / 5.0);
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(heightmap[3], 0.60000002384185791f); // the float nearest 3/5
}

TEST_F(WorldTest, CraterDepthsInsideTheWindowAndNothingPastIt)
{
    for (const auto &c : crater_depths) {
        std::fill(heightmap, heightmap + 65536, GROUND);
        crater_carve(c.x, c.z, 100);
        EXPECT_EQ(heightmap[c.row * 256 + c.column], (float)(GROUND - (double)c.depth))
            << "centre " << c.x << "," << c.z << " cell " << c.column << "," << c.row;
    }
}
