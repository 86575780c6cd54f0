// test_scene.cpp -- the scene set-up, the camera, one frame's passes in
// order, the walls and terrain, and the forest, against the recording GL.
#include "scene/forest.h"
#include "scene/ground.h"
#include "unit/scene_test.h"
#include "world/terrain.h"

#include <math.h>

namespace {

using fake::num;

// Pitch and yaw at run time t: each quotient rounded to single precision, its
// sine taken in double and rounded to single. Worked out outside the program.
const struct {
    int t;
    const char *pitch, *yaw;
} camera_at[] = {
    {0, "30", "0"}, {431, "31.43173", "2.5827985"}, {1000, "33.271946", "5.9600797"},
    {2958, "38.338245", "16.730696"}, {4712, "40", "24.269136"}, {30001, "24.556988", "-8.37671"},
};

// After the quadric, the pool and the synthesis; lighting stays off.
const Lines fixed_state = {
    "glClearColor 0.078125 0.1171875 0.0390625 0", "glEnable 2929", // depth test
    "glLightfv 16384 4608 0.5 0.5 0.5 1", "glLightfv 16384 4609 1 1 1 1", "glEnable 16384",
    "glShadeModel 7425", "glEnable 2977", "glEnable 2903", // normalise, colour material
};

// Walls z = 0, x = 255, z = 255 and x = 0 as one strip round the corners,
// each corner white at 255 over dark green at 0.
const Lines wall_corners = {"glVertex3f 0 255 0",     "glVertex3f 0 0 0",     "glVertex3f 255 255 0",
                            "glVertex3f 255 0 0",     "glVertex3f 255 255 255", "glVertex3f 255 0 255",
                            "glVertex3f 0 255 255",   "glVertex3f 0 0 255",   "glVertex3f 0 255 0",
                            "glVertex3f 0 0 0"};

// The first two trees from seed 200, at (197.8515625, 248.7265625) and
// (87.8984375, 130.171875), the trunk's foot 2 below the ground; the crown's
// draws blue, green, red, set as red, green, blue: (0.5478515625,
// 0.638427734375, 0.451904296875) and (0.46954345703125, 0.837799072265625,
// 0.4512939453125).
const Lines first_trees = {
    "glLoadIdentity", "glTranslatef 197.85156 28 248.72656", "glRotatef 270 1 0 0",
    "glColor3ub 128 64 0", "gluCylinder quadric 1 0.8984375 7 7 7", "glTranslatef 0 0 7",
    "glColor3f 0.54785156 0.63842773 0.4519043", "gluSphere quadric 3 3 5", "glLoadIdentity",
    "glTranslatef 87.89844 28 130.17188", "glRotatef 270 1 0 0", "glColor3ub 128 64 0",
    "gluCylinder quadric 1 0.8984375 7 7 7", "glTranslatef 0 0 7",
    "glColor3f 0.46954346 0.8377991 0.45129395",
};

using FrameTest = SceneTest;

} // namespace

TEST_F(FrameTest, EachFrameStartsWithTheClearAndTheSwayingCameraInTheProjection)
{
    for (const auto &c : camera_at) {
        fake::log.clear();
        fake::log_limit = 9;
        frame_render(c.t, 0);
        EXPECT_EQ(fake::log, (Lines{"glClear 16640", "glMatrixMode 5889", "glLoadIdentity",
                                    "gluPerspective 45 1.3333333730697632 0.050048828125 100000",
                                    std::string("glRotatef ") + c.pitch + " 1 0 0",
                                    std::string("glRotatef ") + c.yaw + " 0 1 0",
                                    "glTranslatef -128 -100 -250", "glMatrixMode 5888", "glLoadIdentity"}));
    }
}

// The quadric first, the pool cleared, the synthesis on the fresh state, the
// fixed state, then the flyers from where the synthesis left the seed.
TEST_F(FrameTest, SceneInitOrderAndFixedState)
{
    particles[PARTICLE_COUNT - 1].radius_max = 1.0f;
    fake::log.clear();
    scene_init();
    Lines expected = {"gluNewQuadric", "gluQuadricTexture quadric 1", "glEnable 3042"};
    expected.insert(expected.end(), fixed_state.begin(), fixed_state.end());
    ASSERT_EQ(fake::log.size(), 21 + fixed_state.size());
    fake::log.erase(fake::log.begin() + 3, fake::log.begin() + 21); // the rest of the synthesis
    EXPECT_EQ(fake::log, expected);
    EXPECT_TRUE(live().empty());
    EXPECT_EQ(random_seed, seed_after(SEED_AFTER_SYNTHESIS, 64));
    for (int i : {0, 15}) {
        std::string placed = text(flyers[i]);
        random_seed = seed_after(SEED_AFTER_SYNTHESIS, 4 * i);
        flyer_reset(i);
        EXPECT_EQ(placed, text(flyers[i])) << i;
    }
}

TEST_F(FrameTest, WallsThenTerrainStrips)
{
    backdrop_draw();
    EXPECT_EQ(fake::only({"glVertex3f"}), wall_corners);
    EXPECT_EQ(fake::only({"glColor3ub"}).size(), 10u);
    EXPECT_EQ(fake::log.front() + ", " + fake::log[1] + ", " + fake::log[3] + ", " + fake::log.back(),
              "glBegin 8, glColor3ub 255 255 255, glColor3ub 20 30 10, glEnd");
    EXPECT_EQ(fake::log.size(), 22u);

    // The first columns of the first strip at reference heights, 41/4096 the
    // scale: the lower vertex (K h, K (25 - h), K (25 - h)), the upper one the
    // grey K (25 - h'); strips go row by row, column by column.
    heightmap[0] = 0, heightmap[1] = 51, heightmap[256] = 25, heightmap[257] = -75, heightmap[65535] = 7;
    fake::log.clear();
    terrain_draw();
    ASSERT_EQ(fake::log.size(), 255u * (2 + 2 * 512));
    EXPECT_EQ(Lines(fake::log.begin(), fake::log.begin() + 9),
              (Lines{"glBegin 8", "glColor3f 0 0.25024414 0.25024414", "glVertex3f 0 0 0", "glColor3f 0 0 0",
                     "glVertex3f 0 25 1", "glColor3f 0.51049805 -0.2602539 -0.2602539", "glVertex3f 1 51 0",
                     "glColor3f 1.0009766 1.0009766 1.0009766", "glVertex3f 1 -75 1"}));
    EXPECT_EQ(fake::log.end()[-2] + ", " + fake::log.back(), "glVertex3f 255 7 255, glEnd");
}

TEST_F(FrameTest, ForestStandsFromItsOwnSeedAndRestoresTheSharedOne)
{
    forest_draw();
    EXPECT_EQ(Lines(fake::log.begin(), fake::log.begin() + 15), first_trees);
    EXPECT_EQ(fake::log.size(), 200u * 8);
    const Lines first = fake::log;
    for (uint32_t seed : {0u, 0xFFFFFFFFu}) {
        random_seed = seed;
        fake::log.clear();
        forest_draw();
        EXPECT_EQ(random_seed, seed);
        EXPECT_TRUE(fake::log == first) << seed;
    }
    // Ground sampled at (column, row); a sample below 12 sends the tree under the world.
    heightmap[248 * 256 + 197] = 12.0f;
    heightmap[130 * 256 + 87] = nextafterf(12.0f, 0.0f);
    fake::log.clear();
    forest_draw();
    EXPECT_EQ(fake::log[1] + ", " + fake::log[9],
              "glTranslatef 197.85156 10 248.72656, glTranslatef 87.89844 -1000 130.17188");
}
