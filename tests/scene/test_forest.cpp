// test_forest.cpp -- the forest's private run from seed 200: the reference
// trees, the tree model call by call, the restored seed and the sunk trees.
#include "scene/forest.h"
#include "scene/scene_fixture.h"

#include <math.h>

using scene_test::placements;
using scene_test::texts;

namespace {

// The first two trees from seed 200, crown colour as red, green, blue.
struct TreeAt {
    float x, z;
    float red, green, blue;
};
const TreeAt first_trees[] = {
    {197.8515625f, 248.7265625f, 0.5478515625f, 0.638427734375f, 0.451904296875f},
    {87.8984375f, 130.171875f, 0.46954345703125f, 0.837799072265625f, 0.4512939453125f},
};

// From seed 1 the crown draws 16838, 12279, 22554: blue, green, red.
const char *const tree_calls[] = {
    "glRotatef(270,1,0,0)",
    "glColor3ub(128,64,0)",
    "gluCylinder(1,1,0.8984375,7,7,7)",
    "glTranslatef(0,0,7)",
    "glColor3f(0.68829345703125,0.374725341796875,0.51385498046875)",
    "gluSphere(1,3,3,5)",
};

struct ForestTest : scene_test::SceneTest {};

} // namespace

TEST_F(ForestTest, TreeModelCallByCall)
{
    tree_draw();
    EXPECT_EQ(texts(), scene_test::lines(tree_calls));
    EXPECT_EQ(random_next(), 19115); // exactly three draws were made
}

TEST_F(ForestTest, FirstTreesFromSeedTwoHundredEachFromTheIdentity)
{
    forest_draw();
    ASSERT_EQ(fake::gl.size(), 200u * 8);
    for (size_t k = 0; k < fake::gl.size(); k += 8) {
        EXPECT_EQ(fake::gl[k].name, "glLoadIdentity");
        EXPECT_EQ(fake::gl[k + 1].name, "glTranslatef");
        EXPECT_EQ(fake::gl_text(fake::gl[k + 2]), tree_calls[0]);
    }
    auto at = placements();
    auto crowns = fake::gl_named("glColor3f");
    for (size_t k = 0; k < std::size(first_trees); k++) {
        SCOPED_TRACE(k);
        const TreeAt &t = first_trees[k];
        EXPECT_EQ(at[k], (std::vector<double>{t.x, 28, t.z})); // trunk foot 2 below ground
        EXPECT_EQ(crowns[k].args, (std::vector<double>{t.red, t.green, t.blue}));
    }
}

TEST_F(ForestTest, SameForestAndSeedRestoredWhateverTheSeedWas)
{
    forest_draw();
    const std::vector<std::string> first = texts();
    for (uint32_t seed : {1u, 0u, 200u, 0xFFFFFFFFu, 0x80000000u}) {
        SCOPED_TRACE(seed);
        random_seed = seed;
        fake::gl.clear();
        forest_draw();
        EXPECT_EQ(random_seed, seed);
        EXPECT_TRUE(texts() == first);
    }
}

TEST_F(ForestTest, GroundBelowTwelveSendsTheTreeUnderTheWorld)
{
    heightmap[248 * 256 + 197] = 12.0f; // the first tree: g = 10 stays on the ground
    heightmap[130 * 256 + 87] = nextafterf(12.0f, 0.0f); // the second: just below
    forest_draw();
    auto at = placements();
    EXPECT_EQ(at[0][1], 10.0);
    EXPECT_EQ(at[1][1], -1000.0);
}
