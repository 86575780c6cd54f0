// test_forest.cpp -- the forest's private run from seed 200: the reference
// trees, the tree model call by call, the restored seed and the sinking trees.
#include "fakes/fake_gl.h"
#include "scene/forest.h"
#include "scene/scene.h"
#include "world/crater.h"
#include "world/random.h"
#include "world/terrain.h"

#include <gtest/gtest.h>
#include <math.h>

using fake::gl_text;

namespace {

struct ForestTest : ::testing::Test {
    void SetUp() override
    {
        fake::gl_reset();
        quadric = gluNewQuadric();
        fake::gl.clear();
        random_seed = 1;
        for (float &h : heightmap)
            h = 30.0f;
    }
    // Each tree's placement, the translation right after its identity load.
    static std::vector<std::vector<double>> places()
    {
        std::vector<std::vector<double>> out;
        for (size_t k = 0; k + 1 < fake::gl.size(); k++)
            if (fake::gl[k].name == "glLoadIdentity")
                out.push_back(fake::gl[k + 1].args);
        return out;
    }
    static std::vector<std::vector<double>> crowns()
    {
        std::vector<std::vector<double>> out;
        for (const auto &c : fake::gl_named("glColor3f"))
            out.push_back(c.args);
        return out;
    }
};

std::vector<std::string> texts(const std::vector<fake::GlCall> &calls)
{
    std::vector<std::string> out;
    for (const auto &c : calls)
        out.push_back(gl_text(c));
    return out;
}

// The first two trees from seed 200, crown colour as red, green, blue.
struct TreeAt {
    float x, z;
    float red, green, blue;
};
const TreeAt first_trees[] = {
    {197.8515625f, 248.7265625f, 0.5478515625f, 0.638427734375f, 0.451904296875f},
    {87.8984375f, 130.171875f, 0.46954345703125f, 0.837799072265625f, 0.4512939453125f},
};

} // namespace

TEST_F(ForestTest, FirstTreesFromSeedTwoHundred)
{
    forest_draw();
    auto at = places();
    auto colour = crowns();
    ASSERT_EQ(at.size(), 200u);
    ASSERT_EQ(colour.size(), 200u);
    for (size_t k = 0; k < std::size(first_trees); k++) {
        SCOPED_TRACE(k);
        const TreeAt &t = first_trees[k];
        EXPECT_EQ(at[k], (std::vector<double>{t.x, 28, t.z})); // trunk foot 2 below ground
        EXPECT_EQ(colour[k], (std::vector<double>{t.red, t.green, t.blue}));
    }
}

TEST_F(ForestTest, TreeModelCallByCall)
{
    // From seed 1 the crown draws 16838, 12279, 22554: blue, green, red.
    tree_draw();
    EXPECT_EQ(texts(fake::gl), (std::vector<std::string>{
                                   "glRotatef(270,1,0,0)",
                                   "glColor3ub(128,64,0)",
                                   "gluCylinder(1,1,0.8984375,7,7,7)",
                                   "glTranslatef(0,0,7)",
                                   "glColor3f(0.68829345703125,0.374725341796875,0.51385498046875)",
                                   "gluSphere(1,3,3,5)",
                               }));
    EXPECT_EQ(random_next(), 19115); // exactly three draws were made
}

TEST_F(ForestTest, EveryTreeStartsFromTheIdentityAndDrawsTheWholeModel)
{
    forest_draw();
    ASSERT_EQ(fake::gl.size(), 200u * 8);
    for (size_t k = 0; k < fake::gl.size(); k += 8) {
        SCOPED_TRACE(k / 8);
        EXPECT_EQ(fake::gl[k].name, "glLoadIdentity");
        EXPECT_EQ(fake::gl[k + 1].name, "glTranslatef");
        EXPECT_EQ(gl_text(fake::gl[k + 2]), "glRotatef(270,1,0,0)");
        EXPECT_EQ(gl_text(fake::gl[k + 7]), "gluSphere(1,3,3,5)");
    }
}

TEST_F(ForestTest, SeedIsRestoredWhateverItWas)
{
    for (uint32_t seed : {1u, 0u, 200u, 0xFFFFFFFFu, 0x80000000u}) {
        SCOPED_TRACE(seed);
        random_seed = seed;
        forest_draw();
        EXPECT_EQ(random_seed, seed);
    }
    // The shared sequence goes on as if the forest had not run.
    random_seed = 1;
    forest_draw();
    EXPECT_EQ(random_next(), 16838);
}

TEST_F(ForestTest, TwoFramesOnTheSameGroundDrawTheSameForest)
{
    heightmap[248 * 256 + 197] = 41.5f;
    random_seed = 7;
    forest_draw();
    auto first = texts(fake::gl);
    fake::gl.clear();
    random_seed = 99;
    forest_draw();
    EXPECT_EQ(texts(fake::gl), first);
}

TEST_F(ForestTest, GroundBelowTwelveSendsTheTreeUnderTheWorld)
{
    heightmap[248 * 256 + 197] = 12.0f; // the first tree: g = 10 stays on the ground
    heightmap[130 * 256 + 87] = nextafterf(12.0f, 0.0f); // the second: just below
    forest_draw();
    auto at = places();
    EXPECT_EQ(at[0][1], 10.0);
    EXPECT_EQ(at[1][1], -1000.0);
}

TEST_F(ForestTest, TreeSinksWithACraterCarvedUnderIt)
{
    forest_draw();
    auto before = places();
    crater_carve(197.8515625f, 248.7265625f, 100);
    fake::gl.clear();
    forest_draw();
    auto after = places();
    float ground = heightmap[248 * 256 + 197];
    EXPECT_LT(ground, 21.0f); // about 10 deep at the centre
    EXPECT_EQ(after[0][1], (float)(ground - 2.0));
    EXPECT_EQ(after[0][0], before[0][0]);
    EXPECT_EQ(after[0][2], before[0][2]);
    EXPECT_EQ(after[1], before[1]); // the second tree stands far away
}
