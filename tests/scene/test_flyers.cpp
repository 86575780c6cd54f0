// test_flyers.cpp -- flyer entries, flight, smoke, bounds, bombing and the
// model, against the recording GL on a flat heightmap.
#include "fakes/fake_gl.h"
#include "scene/flyers.h"
#include "scene/particles.h"
#include "scene/scene.h"
#include "world/random.h"
#include "world/terrain.h"

#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

using fake::gl_text;

namespace {

const float GROUND = 30.0f;

struct FlyersTest : ::testing::Test {
    void SetUp() override
    {
        fake::gl_reset();
        quadric = gluNewQuadric();
        fake::gl.clear();
        random_seed = 1;
        particles_clear();
        for (float &h : heightmap)
            h = GROUND;
        // In a row along x = 100 (z = 10, 25, ... 235), flying +x, not yet
        // smoking, far from any bound for a step of 64.
        for (int i = 0; i < FLYER_COUNT; i++)
            flyers[i] = Flyer{100, 50, 10.0f + 15 * i, 0, 0};
    }
    static std::vector<int> live()
    {
        std::vector<int> out;
        for (int i = 0; i < PARTICLE_COUNT; i++)
            if (particles[i].radius_max != 0.0f)
                out.push_back(i);
        return out;
    }
};

uint32_t seed_after(uint32_t seed, int draws)
{
    uint32_t saved = random_seed;
    random_seed = seed;
    while (draws-- > 0)
        random_next();
    uint32_t out = random_seed;
    random_seed = saved;
    return out;
}

// What flyer_reset gives from a seed, without touching the real flyers.
Flyer entry_from(uint32_t seed)
{
    Flyer saved = flyers[FLYER_COUNT - 1];
    uint32_t saved_seed = random_seed;
    random_seed = seed;
    flyer_reset(FLYER_COUNT - 1);
    Flyer out = flyers[FLYER_COUNT - 1];
    flyers[FLYER_COUNT - 1] = saved;
    random_seed = saved_seed;
    return out;
}

void expect_same(const Flyer &got, const Flyer &want)
{
    EXPECT_EQ(got.x, want.x);
    EXPECT_EQ(got.y, want.y);
    EXPECT_EQ(got.z, want.z);
    EXPECT_EQ(got.heading, want.heading);
    EXPECT_EQ(got.fuse, want.fuse);
}

// From seed 1: draws 16838, 12279, 22554, 19115.
const Flyer first_flyer = {0.0f, 52.5054931640625f, 131.546875f, -7.50091552734375f, 54};

// One step of 64 from x = 0: heading 45 with 3.1415 in single precision,
// not pi (which would give 0.452548325).
struct StepFrom0 {
    float heading;
    float x;
};
const StepFrom0 first_steps[] = {
    {0.0f, 0.639999986f},
    {45.0f, 0.452558815f},
};

std::vector<std::string> texts(const std::vector<fake::GlCall> &calls)
{
    std::vector<std::string> out;
    for (const auto &c : calls)
        out.push_back(gl_text(c));
    return out;
}

} // namespace

TEST_F(FlyersTest, FirstFlyerFromSeedOne)
{
    flyer_reset(3);
    expect_same(flyers[3], first_flyer);
    EXPECT_EQ(random_seed, seed_after(1, 4));
}

TEST_F(FlyersTest, EntriesStayInTheirRangesOverManySeeds)
{
    random_seed = 0xC0FFEE;
    for (int n = 0; n < 5000; n++) {
        uint32_t before = random_seed;
        flyer_reset(0);
        const Flyer &f = flyers[0];
        ASSERT_EQ(f.x, 0.0f);
        ASSERT_GE(f.z, 0.0f);
        ASSERT_LE(f.z, 255.9921875f);
        ASSERT_GT(f.y, 40.0f);
        ASSERT_LE(f.y, 60.0f);
        ASSERT_GT(f.heading, -45.0f);
        ASSERT_LE(f.heading, 45.0f);
        ASSERT_GE(f.fuse, 0);
        ASSERT_LE(f.fuse, 499);
        ASSERT_EQ(random_seed, seed_after(before, 4));
    }
}

TEST_F(FlyersTest, ResetAllPlacesTheFlyersInIndexOrder)
{
    flyers_reset_all();
    expect_same(flyers[0], first_flyer);
    for (int i = 1; i < FLYER_COUNT; i++) {
        SCOPED_TRACE(i);
        expect_same(flyers[i], entry_from(seed_after(1, 4 * i)));
    }
    EXPECT_EQ(random_seed, seed_after(1, 64));
}

TEST_F(FlyersTest, OneStepOnHeadingsZeroAndFortyFive)
{
    for (const StepFrom0 &s : first_steps) {
        SCOPED_TRACE(s.heading);
        flyers[0] = Flyer{0, 50, 100, s.heading, 0};
        flyers_update_draw(64);
        EXPECT_EQ(flyers[0].x, s.x);
    }
    EXPECT_NE(first_steps[1].x, 0.452548325f);
}

TEST_F(FlyersTest, HeadingZeroKeepsZExactly)
{
    flyers[0] = Flyer{0, 50, 131.546875f, 0, 0};
    for (int n = 0; n < 100; n++)
        flyers_update_draw(64);
    EXPECT_EQ(flyers[0].z, 131.546875f);
    EXPECT_NEAR(flyers[0].x, 64.0f, 1e-3);
}

TEST_F(FlyersTest, FuseAtExactlyFiveHundredDoesNotSmokeAtFiveHundredAndOneItDoes)
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
}

TEST_F(FlyersTest, ZeroStepStillSmokesAtTheSamePlace)
{
    flyers[2].fuse = 900;
    for (int n = 0; n < 3; n++)
        flyers_update_draw(0);
    EXPECT_EQ(live(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(flyers[2].x, 100.0f);
    EXPECT_EQ(flyers[2].fuse, 900);
    EXPECT_EQ(flyers[3].fuse, 0);
    for (int i = 0; i < 3; i++)
        EXPECT_LE(fabsf(particles[i].z - 40), 1.0f);
}

TEST_F(FlyersTest, ExactlyOnTheBoundStaysJustPastItReEntersAndIsDrawnThere)
{
    flyers[0] = Flyer{255.36f, 50, 100, 0, 0};      // lands on 256 exactly
    flyers[1] = Flyer{255.3601f, 47, 120, 0, 1000}; // lands past it, smoking
    flyers[2] = Flyer{128, 50, 256, 0, 0};          // on the z bound already
    flyers[3] = Flyer{0, 50, 0, 0, 0};              // on both low bounds
    random_seed = 77;

    flyers_update_draw(64);

    EXPECT_EQ(flyers[0].x, 256.0f);
    EXPECT_EQ(flyers[2].z, 256.0f);
    EXPECT_EQ(flyers[3].z, 0.0f);
    // Flyer 1: its puff's four draws, then the reset's four.
    Flyer entry = entry_from(seed_after(77, 4));
    expect_same(flyers[1], entry);
    EXPECT_LE(fabsf(particles[0].x - 255.3601f), 1.0f); // the puff stays behind
    EXPECT_LE(fabsf(particles[0].z - 120), 1.0f);
    EXPECT_EQ(random_seed, seed_after(77, 8));

    // Flyer 1 is drawn at its new entry, x = 0, in this same frame.
    std::vector<std::vector<double>> placed;
    for (size_t k = 0; k + 1 < fake::gl.size(); k++)
        if (fake::gl[k].name == "glLoadIdentity")
            placed.push_back(fake::gl[k + 1].args);
    ASSERT_EQ(placed.size(), 16u);
    EXPECT_EQ(placed[0], (std::vector<double>{256, 50, 100}));
    EXPECT_EQ(placed[1], (std::vector<double>{0, entry.y, entry.z}));
}

TEST_F(FlyersTest, DrawsInOneFrameComeFlyerByFlyerPuffThenReset)
{
    flyers[0].fuse = 600;                       // puff
    flyers[1] = Flyer{255.9f, 50, 100, 0, 0};   // reset
    flyers[2] = Flyer{255.9f, 50, 130, 0, 600}; // puff, then reset
    flyers[5].fuse = 600;                       // puff
    random_seed = 4242;

    flyers_update_draw(64);

    expect_same(flyers[1], entry_from(seed_after(4242, 4)));
    expect_same(flyers[2], entry_from(seed_after(4242, 12)));
    EXPECT_EQ(random_seed, seed_after(4242, 20));
    EXPECT_EQ(live().size(), 3u);

    // Every bomb draws four more, and each flyer's fireball sits on the ground.
    flyers_bomb();
    EXPECT_EQ(random_seed, seed_after(4242, 20 + 16 * 4));
    EXPECT_EQ(live().size(), 3u + 16);
}

TEST_F(FlyersTest, EachFlyerIsPlacedTurnedAndDrawnWhateverItsHeading)
{
    flyers[0] = Flyer{10, 45, 20, 30, 0};
    flyers_update_draw(0);
    auto got = texts(fake::gl);
    ASSERT_EQ(got.size(), 16u * 15);
    EXPECT_EQ(got[0], "glLoadIdentity()");
    EXPECT_EQ(got[1], "glTranslatef(10,45,20)");
    EXPECT_EQ(got[2], "glRotatef(-90,0,1,0)");
    EXPECT_EQ(got[3], "glScalef(2,2,2)");
    EXPECT_EQ(got[15 + 2], "glRotatef(-90,0,1,0)");
}

TEST_F(FlyersTest, ModelCallByCall)
{
    flyer_model_draw();
    EXPECT_EQ(texts(fake::gl), (std::vector<std::string>{
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
                               }));
}

// Flyers 0 and 1 over the same cell: 1's fireball sits on the ground that 0's
// crater of this same pass has lowered by sqrt(99.5).
TEST_F(FlyersTest, SecondBomberOnTheSameCellSeesTheFirstCrater)
{
    flyers[0] = Flyer{100.5f, 50, 100.5f, 0, 0};
    flyers[1] = Flyer{100.5f, 55, 100.5f, 0, 0};
    for (int i = 2; i < FLYER_COUNT; i++)
        flyers[i] = Flyer{200, 50, 10, 0, 0}; // well away from cell (100, 100)
    uint32_t seed = 31337;
    random_seed = seed;

    flyers_bomb();

    // The third draw of each spawn is the y offset, times the radius 4.
    auto y_draw = [&](int spawn) {
        random_seed = seed_after(seed, 4 * spawn + 2);
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
    uint32_t seed = random_seed;
    flyers_bomb();
    random_seed = seed_after(seed, 2);
    EXPECT_EQ(particles[0].y, (float)(random_signed() * 4.0 + 77.0));
    EXPECT_LT(heightmap[255 * 256 + 255], 77.0f - 9.0f);
}
