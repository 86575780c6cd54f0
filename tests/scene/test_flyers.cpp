// test_flyers.cpp -- flyer entries, flight, smoke, bounds, bombing and the
// model, against the recording GL on flat ground.
#include "scene/scene_fixture.h"

#include <math.h>

using scene_test::entry_from;
using scene_test::fields;
using scene_test::GROUND;
using scene_test::live;
using scene_test::seed_after;

namespace {

// From seed 1: draws 16838, 12279, 22554, 19115.
const Flyer first_flyer = {0.0f, 52.5054931640625f, 131.546875f, -7.50091552734375f, 54};

// One step of 64 from (0, 100): heading 45 with 3.1415 in single precision,
// not pi (which would give x 0.452548325, z 100.452545).
struct StepFrom0 {
    float heading;
    float x, z;
};
const StepFrom0 first_steps[] = {
    {0.0f, 0.639999986f, 100.0f},
    {45.0f, 0.452558815f, 100.452538f},
};

const char *const model_calls[] = {
    "glScalef(2,2,2)",
    "glColor3ub(255,255,0)",
    "gluSphere(1,1,10,10)",
    "glRotatef(-20,1,0,0)",
    "gluCylinder(1,1,0,3,16,16)",
    "glTranslatef(0,1.296875,0)",
    "glRotatef(90,1,0,0)",
    "gluSphere(1,0.80078125,10,10)",
    "glRotatef(180,0,1,0)",
    "glRotatef(90,1,0,0)",
    "glColor3f(1,0,0)",
    "gluCylinder(1,0.69921875,0,3,16,16)",
};

// In a row along x = 100 (z = 10, 25, ... 235), flying +x, not yet smoking,
// far from any bound for a step of 64.
struct FlyersTest : scene_test::SceneTest {
    void SetUp() override
    {
        SceneTest::SetUp();
        for (int i = 0; i < FLYER_COUNT; i++)
            flyers[i] = Flyer{100, 50, 10.0f + 15 * i, 0, 0};
    }
};

} // namespace

TEST_F(FlyersTest, FirstFlyerFromSeedOneAndTheRestInIndexOrder)
{
    flyers_reset_all();
    EXPECT_EQ(fields(flyers[0]), fields(first_flyer));
    for (int i = 1; i < FLYER_COUNT; i++)
        EXPECT_EQ(fields(flyers[i]), fields(entry_from(seed_after(1, 4 * i)))) << i;
    EXPECT_EQ(random_seed, seed_after(1, 64));
}

TEST_F(FlyersTest, OneStepOnHeadingsZeroAndFortyFive)
{
    for (const StepFrom0 &s : first_steps) {
        SCOPED_TRACE(s.heading);
        flyers[0] = Flyer{0, 50, 100, s.heading, 0};
        flyers_update_draw(64);
        EXPECT_EQ(flyers[0].x, s.x);
        EXPECT_EQ(flyers[0].z, s.z);
    }
}

TEST_F(FlyersTest, SmokesOnceTheFusePassesFiveHundredAndEveryFrameAfterEvenAtZeroStep)
{
    flyers[0].fuse = 436; // 436 + 64 = 500
    flyers[1].fuse = 437; // 501
    flyers_update_draw(64);
    ASSERT_EQ(live(), std::vector<int>{0});
    EXPECT_EQ(particles[0].growth, 0.5f);
    EXPECT_EQ(particles[0].kind, 0);
    EXPECT_EQ(particles[0].generations, 1);
    // The puff is placed where the flyer was before it moved.
    EXPECT_LE(fabsf(particles[0].x - 100), 1.0f);
    EXPECT_LE(fabsf(particles[0].z - 25), 1.0f);

    flyers_update_draw(64); // both above 500 now, and neither fuse resets
    EXPECT_EQ(live(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(flyers[0].fuse, 564);
    EXPECT_EQ(flyers[1].fuse, 565);

    float x = flyers[1].x;
    flyers_update_draw(0); // a zero step still smokes, in the same place
    EXPECT_EQ(live(), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(flyers[1].x, x);
    EXPECT_EQ(flyers[1].fuse, 565);
    EXPECT_LE(fabsf(particles[4].x - x), 1.0f);
}

// Draws come flyer by flyer, puff then reset: 0 puffs and lands on 256 exactly,
// 1 puffs and lands past it, 2 lands past it, 5 puffs; 3 and 4 sit on bounds.
TEST_F(FlyersTest, OnTheBoundStaysPastItReEntersAndIsDrawnThereDrawsInFlyerOrder)
{
    flyers[0] = Flyer{255.36f, 50, 100, 0, 600};
    flyers[1] = Flyer{255.3601f, 47, 120, 0, 1000};
    flyers[2] = Flyer{255.9f, 50, 130, 0, 0};
    flyers[3] = Flyer{0, 50, 0, 0, 0};
    flyers[4] = Flyer{128, 50, 256, 0, 0};
    flyers[5].fuse = 600;
    random_seed = 77;

    flyers_update_draw(64);

    EXPECT_EQ(flyers[0].x, 256.0f);
    EXPECT_EQ(flyers[3].z, 0.0f);
    EXPECT_EQ(flyers[4].z, 256.0f);
    Flyer entry = entry_from(seed_after(77, 8));
    EXPECT_EQ(fields(flyers[1]), fields(entry));
    EXPECT_EQ(fields(flyers[2]), fields(entry_from(seed_after(77, 12))));
    EXPECT_EQ(random_seed, seed_after(77, 20));
    EXPECT_EQ(live(), (std::vector<int>{0, 1, 2}));
    EXPECT_LE(fabsf(particles[1].x - 255.3601f), 1.0f); // flyer 1's puff stays behind
    EXPECT_LE(fabsf(particles[1].z - 120), 1.0f);
    // Flyer 1 is drawn at its new entry, x = 0, in this same frame.
    auto placed = scene_test::placements();
    ASSERT_EQ(placed.size(), 16u);
    EXPECT_EQ(placed[0], (std::vector<double>{256, 50, 100}));
    EXPECT_EQ(placed[1], (std::vector<double>{0, entry.y, entry.z}));

    flyers_bomb(); // every fireball draws four more
    EXPECT_EQ(random_seed, seed_after(77, 20 + 16 * 4));
    EXPECT_EQ(live().size(), 3u + 16);
}

TEST_F(FlyersTest, EachFlyerIsPlacedTurnedAndItsModelDrawnCallByCallWhateverItsHeading)
{
    flyers[0] = Flyer{10, 45, 20, 30, 0};
    flyers_update_draw(0);
    std::vector<std::string> first = {"glLoadIdentity()", "glTranslatef(10,45,20)",
                                      "glRotatef(-90,0,1,0)"};
    first.insert(first.end(), std::begin(model_calls), std::end(model_calls));
    auto got = scene_test::texts();
    ASSERT_EQ(got.size(), 16u * 15);
    EXPECT_EQ(std::vector<std::string>(got.begin(), got.begin() + 15), first);
    EXPECT_EQ(got[15 + 2], "glRotatef(-90,0,1,0)");
}

// Flyers 0 and 1 over the same cell: 1's fireball sits on the ground that 0's
// crater of this same pass has lowered by sqrt(99.5).
TEST_F(FlyersTest, SecondBomberOnTheSameCellSeesTheFirstCrater)
{
    flyers[0] = Flyer{100.5f, 50, 100.5f, 0, 0};
    flyers[1] = Flyer{100.5f, 55, 100.5f, 0, 0};
    for (int i = 2; i < FLYER_COUNT; i++)
        flyers[i] = Flyer{200, 50, 10, 0, 0}; // well away from cell (100, 100)

    flyers_bomb();

    // The third draw of each spawn is the y offset, times the radius 4.
    auto y_draw = [&](int spawn) {
        random_seed = seed_after(1, 4 * spawn + 2);
        return random_signed();
    };
    float lowered = (float)(GROUND - (double)sqrtf(99.5f));
    EXPECT_EQ(particles[0].y, (float)(y_draw(0) * 4.0 + GROUND));
    EXPECT_EQ(particles[1].y, (float)(y_draw(1) * 4.0 + lowered));
    EXPECT_EQ(particles[0].growth, 16.0f);
    EXPECT_EQ(particles[0].generations, 3);
    EXPECT_EQ(particles[0].kind, 1);
    EXPECT_EQ(heightmap[100 * 256 + 100], (float)(lowered - (double)sqrtf(99.5f)));
}

// On the far corner the ground is sampled from the last cell of the grid.
TEST_F(FlyersTest, BombOnTheFarBoundSamplesTheLastCell)
{
    flyers[0] = Flyer{256, 50, 256, 0, 0};
    heightmap[255 * 256 + 255] = 77.0f;
    flyers_bomb();
    random_seed = seed_after(1, 2);
    EXPECT_EQ(particles[0].y, (float)(random_signed() * 4.0 + 77.0));
    EXPECT_LT(heightmap[255 * 256 + 255], 77.0f - 9.0f);
}
