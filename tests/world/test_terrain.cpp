// test_terrain.cpp -- the terrain synthesis against the recording GL: the
// calls it makes and their order, the noise it draws and where each value
// lands, and how the read-back becomes the heightmap.
#include "fakes/fake_gl.h"
#include "scene/scene.h"
#include "world/random.h"
#include "world/terrain.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The whole synthesis, as the recording GL sees it: blending and texturing
// on, four octaves of falling size each uploaded as texture 1 and drawn as
// one full-screen disk, one read-back of the red block, state off again.
const char *const synthesis_calls[] = {
    "glEnable(3042)",      // GL_BLEND
    "glEnable(3553)",      // GL_TEXTURE_2D
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

// The seed after the 262144 draws of the synthesis from seed 1, worked out
// outside the program; the flyers start from here.
const uint32_t seed_after_synthesis = 273416193u;

// The first value of the run, 16838, has the low byte 198; the last of the
// first octave (the 65536th value) is 17427, low byte 19.
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

std::vector<std::string> texts(const std::vector<fake::GlCall> &calls)
{
    std::vector<std::string> out;
    for (const auto &c : calls)
        out.push_back(fake::gl_text(c));
    return out;
}

// An independent run of the generator, for the bytes the octaves must hold.
std::vector<unsigned char> low_bytes_from_seed_1(int n)
{
    std::vector<unsigned char> out;
    uint32_t seed = 1;
    for (int i = 0; i < n; i++) {
        seed = seed * 1103515245u + 20077u;
        out.push_back((unsigned char)(seed >> 16));
    }
    return out;
}

void start_synthesis()
{
    fake::gl_reset();
    quadric = gluNewQuadric();
    fake::gl.clear();
    random_seed = 1;
}

} // namespace

TEST(TerrainSynthesisTest, CallsArgumentsAndOrder)
{
    start_synthesis();
    terrain_generate();
    EXPECT_EQ(texts(fake::gl),
              std::vector<std::string>(std::begin(synthesis_calls), std::end(synthesis_calls)));
}

TEST(TerrainSynthesisTest, DisksGoThroughTheSharedQuadric)
{
    start_synthesis();
    quadric = nullptr;
    terrain_generate();
    auto disks = fake::gl_named("gluDisk");
    ASSERT_EQ(disks.size(), 4u);
    for (const auto &d : disks)
        EXPECT_EQ(d.args[0], 0) << "the disk was not given the shared quadric";
}

TEST(TerrainSynthesisTest, DrawsExactly262144Values)
{
    start_synthesis();
    terrain_generate();
    EXPECT_EQ(random_seed, seed_after_synthesis);
}

TEST(TerrainSynthesisTest, FirstValueLandsAtTheLastByteOfTheFirstImage)
{
    start_synthesis();
    terrain_generate();
    ASSERT_EQ(fake::gl_textures.size(), 4u);
    ASSERT_EQ(fake::gl_textures[0].size(), 65536u);
    EXPECT_EQ(fake::gl_textures[0][65535], first_noise_byte);
    EXPECT_EQ(fake::gl_textures[0][0], last_noise_byte_of_first_octave);
}

TEST(TerrainSynthesisTest, EachImageHoldsTheLastValuesOfItsOctaveFilledDownwards)
{
    // Byte k of octave o is value number o * 65536 + (65536 - k) of the run;
    // the smaller images see only the start of the buffer, the last values
    // drawn in their octave.
    start_synthesis();
    terrain_generate();
    std::vector<unsigned char> run = low_bytes_from_seed_1(4 * 65536);
    const size_t sizes[] = {256, 128, 64, 32};
    ASSERT_EQ(fake::gl_textures.size(), 4u);
    for (int o = 0; o < 4; o++) {
        SCOPED_TRACE(o);
        const std::vector<unsigned char> &image = fake::gl_textures[o];
        ASSERT_EQ(image.size(), sizes[o] * sizes[o]);
        size_t wrong = 0;
        for (size_t k = 0; k < image.size(); k++)
            wrong += image[k] != run[o * 65536 + (65535 - k)];
        EXPECT_EQ(wrong, 0u);
    }
}

TEST(TerrainSynthesisTest, HeightsComeFromTheLowerLeftQuarterOfTheReadBack)
{
    // The block is 512 x 512, bottom row first; heights take row z, column x
    // of its lower-left quarter. Every other byte there is 255, which no
    // in-quarter byte is, so a height of 51 shows a read from the wrong place.
    start_synthesis();
    const unsigned char *target = nullptr;
    fake::gl_read_pixels = [&](int, int, int w, int h, unsigned char *pixels) {
        target = pixels;
        for (int row = 0; row < h; row++)
            for (int col = 0; col < w; col++)
                pixels[row * w + col] =
                    row < 256 && col < 256 ? (unsigned char)((row * 3 + col) % 255) : 255;
    };
    terrain_generate();
    EXPECT_EQ(target, noise_buffer);

    size_t wrong = 0;
    for (int z = 0; z < 256; z++)
        for (int x = 0; x < 256; x++)
            wrong += heightmap[z * 256 + x] != (float)(((z * 3 + x) % 255) / 5.0);
    EXPECT_EQ(wrong, 0u);
    for (const HeightOf &ref : heights_of) {
        SCOPED_TRACE(ref.k);
        if (ref.k == 255)
            continue; // not in the quarter
        // Row 0 holds k at column k.
        EXPECT_EQ(heightmap[ref.k], ref.height);
    }
}

TEST(TerrainSynthesisTest, EveryByteValueScalesToTheNearestFloatOfAFifth)
{
    start_synthesis();
    fake::gl_read_pixels = [](int, int, int w, int h, unsigned char *pixels) {
        for (int i = 0; i < w * h; i++)
            pixels[i] = (unsigned char)(i % 512 % 256);
    };
    terrain_generate();
    for (const HeightOf &ref : heights_of) {
        SCOPED_TRACE(ref.k);
        EXPECT_EQ(heightmap[ref.k], ref.height);
        EXPECT_EQ(heightmap[255 * 256 + ref.k], ref.height);
    }
}

TEST(TerrainSynthesisTest, OneOctaveDrawsOnlyTheLargestImage)
{
    start_synthesis();
    noise_octaves(77, 1);
    EXPECT_EQ(texts(fake::gl), (std::vector<std::string>{
                                   "glEnable(3042)",
                                   "glEnable(3553)",
                                   "glBlendFunc(770,771)",
                                   "glColor4ub(255,255,255,77)",
                                   "glBindTexture(3553,1)",
                                   "gluBuild2DMipmaps(3553,1,256,256,6409,5121)",
                                   "gluDisk(1,0,1.5,16,1)",
                                   "glReadPixels(256,256,512,512,6403,5121)",
                                   "glDisable(3553)",
                                   "glDisable(3042)",
                               }));
    // 65536 draws: the next value is the first of what would be octave two.
    std::vector<unsigned char> run = low_bytes_from_seed_1(65537);
    EXPECT_EQ((unsigned char)random_next(), run[65536]);
}

TEST(TerrainSynthesisTest, SceneInitSynthesisesRightAfterTheQuadricAndBeforeItsOwnState)
{
    // In scene_init the synthesis follows the quadric's creation and comes
    // before any state of the scene's own (clear colour, depth test, light).
    fake::gl_reset();
    random_seed = 1;
    scene_init();
    std::vector<std::string> all = texts(fake::gl);
    std::vector<std::string> expected = {"gluNewQuadric()", "gluQuadricTexture(1,1)"};
    expected.insert(expected.end(), std::begin(synthesis_calls), std::end(synthesis_calls));
    expected.push_back("glClearColor(0.078125,0.1171875,0.0390625,0)");
    ASSERT_GE(all.size(), expected.size());
    all.resize(expected.size());
    EXPECT_EQ(all, expected);
}
