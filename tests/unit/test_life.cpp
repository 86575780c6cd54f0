// test_life.cpp -- the particle pool, the flyers and their bombs, and the
// finale, against the recording GL on flat ground.
#include "unit/scene_test.h"

#include <math.h>
#include <string.h>

namespace {

using fake::num;

// From seed 1 into an empty pool: the draws -0.0277099609375, 0.25054931640625,
// -0.3765869140625 and -0.16668701171875 give radius_max 3.9889052 and the
// centre (11.002197265625, 18.49365234375, 29.333251953125).
const char *const first_spawn = "11.002197 18.493652 29.333252 0 3.9889052 16 3 1";
// From seed 1, flyer_reset draws 16838, 12279, 22554, 19115: x 0,
// y 52.5054931640625, z 131.546875, heading -7.50091552734375, fuse 54.
const char *const first_flyer = "0 52.505493 131.54688 -7.5009155 54";
// One step of 64 from (0, 100) on heading 45, with 3.1415 as a float and not
// pi (which would give x 0.452548325).
const char *const step_on_45 = "glTranslatef 0.45255882 50 100.45254";

const Lines model = {
    "glScalef 2 2 2", "glColor3ub 255 255 0", "gluSphere quadric 1 10 10", "glRotatef -20 1 0 0",
    "gluCylinder quadric 1 0 3 16 16", "glTranslatef 0 1.296875 0", "glRotatef 90 1 0 0",
    "gluSphere quadric 0.80078125 10 10", "glRotatef 180 0 1 0", "glRotatef 90 1 0 0",
    "glColor3f 1 0 0", "gluCylinder quadric 0.69921875 0 3 16 16",
};

std::string text(const Particle &p)
{
    return num(p.x) + " " + num(p.y) + " " + num(p.z) + " " + num(p.age) + " " + num(p.radius_max) +
           " " + num(p.growth) + " " + num(p.generations) + " " + num(p.kind);
}

// What flyer_reset gives from `seed`, the flyers and the seed left alone.
std::string entry_from(uint32_t seed)
{
    Flyer saved = flyers[15];
    uint32_t saved_seed = random_seed;
    random_seed = seed;
    flyer_reset(15);
    std::string out = text(flyers[15]);
    flyers[15] = saved, random_seed = saved_seed;
    return out;
}

Lines spheres() { return fake::only({"gluSphere"}); }

// In a row along x = 100 (z = 10, 25, ... 235), flying +x, not yet smoking.
struct LifeTest : SceneTest {
    void SetUp() override
    {
        SceneTest::SetUp();
        for (int i = 0; i < FLYER_COUNT; i++)
            flyers[i] = Flyer{100, 50, 10.0f + 15 * i, 0, 0};
    }
};

} // namespace

// A parent whose children find no room is freed all the same.
TEST_F(LifeTest, SpawnsTakeTheLowestFreeSlotAndAFullPoolDropsThem)
{
    particles[5].radius_max = 2;
    particles_clear();
    particle_spawn(10, 20, 30, 4, 16, 3, 1);
    EXPECT_EQ(text(particles[0]), first_spawn);
    particle_spawn(0, 0, 0, 1, 0.5f, 1, 0);
    particles[0].radius_max = 0.0f;
    particle_spawn(0, 0, 0, 1, 0.5f, 1, 0);
    EXPECT_EQ(live(), (std::vector<int>{0, 1}));
    EXPECT_EQ(random_seed, seed_after(1, 12));

    std::fill(particles, particles + PARTICLE_COUNT - 1, Particle{1, 2, 3, 0, 1, 0.5f, 1, 0});
    particle_spawn(10, 20, 30, 4, 16, 3, 1); // the last free slot
    EXPECT_EQ(particles[PARTICLE_COUNT - 1].growth, 16.0f);
    random_seed = 12345;
    particle_spawn(10, 20, 30, 4, 16, 3, 1);
    particles[0] = Particle{1, 2, 3, 300, 4, 16, 3, 1};
    particles_update_draw(0);
    EXPECT_EQ(particles[0].radius_max, 0.0f);
    EXPECT_EQ(random_seed, 12345u);
}

TEST_F(LifeTest, TheUnlitPassPlacesColoursDrawsAndAgesEachLiveParticle)
{
    particles[3] = Particle{5, 6, 7, 100, 4, 16, 3, 1};
    particles[9] = Particle{-1, -2, -3, 0, 1, 0.5f, 1, 0};
    particles_update_draw(28);
    EXPECT_EQ(fake::log, (Lines{"glDisable 2896", "glLoadIdentity", "glTranslatef 5 6 7",
                                "glColor3f 1 0.5 0", // radius 128 * 16 / 1024 = 2 of 4
                                "gluSphere quadric 2 16 16", "glLoadIdentity", "glTranslatef -1 -2 -3",
                                "glColor3f 0.25341797 0.75341797 0.10180664", // c = 0.013671875
                                "gluSphere quadric 0.013671875 16 16", "glEnable 2896"}));
    fake::log.clear();
    particles_update_draw(0); // a zero step ages nothing
    EXPECT_EQ(spheres(), (Lines{"gluSphere quadric 2 16 16", "gluSphere quadric 0.013671875 16 16"}));
}

// The parent in slot 2 reaches its radius exactly (256 * 16 / 1024 = 4) and
// splits while its slot is taken: one child waits in slot 1, two are drawn
// now.
TEST_F(LifeTest, ChildrenAboveTheirParentAreDrawnInTheSamePass)
{
    particles[0] = Particle{1, 2, 3, 0, 1, 0.5f, 1, 0};
    particles[2] = Particle{1, 2, 3, 250, 4, 16, 2, 1};
    particles_update_draw(6);
    EXPECT_EQ(spheres(), (Lines{"gluSphere quadric 0.0029296875 16 16", "gluSphere quadric 4 16 16",
                                "gluSphere quadric 0.09375 16 16", "gluSphere quadric 0.09375 16 16"}));
    EXPECT_EQ(live(), (std::vector<int>{0, 1, 3, 4}));
    for (int i : {1, 3, 4}) {
        const Particle &p = particles[i];
        EXPECT_EQ(num(p.age) + " " + num(p.growth) + " " + num(p.generations) + " " + num(p.kind),
                  (i == 1 ? "0" : "6") + std::string(" 16 1 1"));
        EXPECT_TRUE(fabsf(p.radius_max - 4) <= 0.41f && fabsf(p.x - 1) <= 4) << i; // around the parent
    }
}

// Entries, one step on headings 0 and 45, placed where it went, turned by
// -90 whatever its heading, then the model.
TEST_F(LifeTest, EntriesStepsAndTheModel)
{
    flyers_reset_all();
    EXPECT_EQ(text(flyers[0]), first_flyer);
    EXPECT_EQ(text(flyers[15]), entry_from(seed_after(1, 60)));
    EXPECT_EQ(random_seed, seed_after(1, 64));
    flyers[0] = Flyer{0, 50, 100, 0, 0};
    flyers_update_draw(64);
    EXPECT_EQ(text(flyers[0]), "0.64 50 100 0 64");
    flyers[0] = Flyer{0, 50, 100, 45, 0};
    fake::log.clear();
    flyers_update_draw(64);
    Lines expected = {"glLoadIdentity", step_on_45, "glRotatef -90 0 1 0"};
    expected.insert(expected.end(), model.begin(), model.end());
    EXPECT_EQ(fake::from("glLoadIdentity", 15), expected);
}

// Draws come flyer by flyer, the puff before the reset: 0 puffs and lands on
// 256 exactly, 1 puffs and leaves past x = 256, 2 leaves past z = 256, 3 past
// z = 0; 4 and 5 sit on bounds; 6 puffs where it was before it moved.
TEST_F(LifeTest, SmokeBoundsAndReEntryInFlyerOrder)
{
    flyers[0] = Flyer{255.36f, 50, 100, 0, 600};
    flyers[1] = Flyer{255.3601f, 47, 120, 0, 1000};
    flyers[2] = Flyer{100, 50, 255.9f, 90, 0};
    flyers[3] = Flyer{100, 50, 0.3f, -90, 0};
    flyers[4] = Flyer{0, 50, 0, 0, 0};
    flyers[5] = Flyer{128, 50, 256, 0, 436}; // 436 + 64 = 500: no puff yet
    flyers[6] = Flyer{30, 45, 60, 0, 437};   // 501: a puff
    random_seed = 77;
    flyers_update_draw(64);

    EXPECT_EQ(text(flyers[0]), "256 50 100 0 664");
    for (int i : {1, 2, 3})
        EXPECT_EQ(text(flyers[i]), entry_from(seed_after(77, 4 + 4 * i))) << i;
    EXPECT_EQ(text(flyers[4]) + ", " + text(flyers[5]), "0.64 50 0 0 64, 128.64 50 256 0 500");
    EXPECT_EQ(random_seed, seed_after(77, 24));
    EXPECT_EQ(live(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(particles[2].x, (float)(signed_after(seed_after(77, 21)) + 30.0));
    EXPECT_EQ(particles[2].z, (float)(signed_after(seed_after(77, 23)) + 60.0));
    EXPECT_EQ(particles[1].x, (float)(signed_after(seed_after(77, 5)) + 255.3601f));
    Lines placed = fake::only({"glTranslatef"}); // two a flyer
    EXPECT_EQ(placed[0], "glTranslatef 256 50 100");
    EXPECT_EQ(placed[2].rfind("glTranslatef 0 ", 0), 0u) << "flyer 1 drawn at its entry";

    flyers_update_draw(0); // a zero step moves nothing but still smokes
    EXPECT_EQ(text(flyers[6]) + " " + num((int)live().size()), "30.64 45 60 0 501 5");
}

TEST_F(LifeTest, BombsSampleTheGroundUnderEachFlyerAfterTheCratersBeforeIt)
{
    flyers[0] = Flyer{100.5f, 50, 100.5f, 0, 0};
    flyers[1] = Flyer{100.5f, 55, 100.5f, 0, 0};
    flyers[2] = Flyer{40.5f, 50, 200.5f, 0, 0}; // column 40, row 200
    flyers[3] = Flyer{256, 50, 256, 0, 0};       // the far bound samples the last cell
    std::fill(flyers + 4, flyers + FLYER_COUNT, Flyer{200, 50, 10, 0, 0});
    heightmap[200 * 256 + 40] = 20.0f;
    heightmap[40 * 256 + 200] = 40.0f;
    heightmap[255 * 256 + 255] = 77.0f;
    flyers_bomb();

    float lowered = (float)(GROUND - (double)sqrtf(99.5f));
    const float ground[] = {GROUND, lowered, 20.0f, 77.0f};
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(particles[i].y, (float)(signed_after(seed_after(1, 4 * i + 2)) * 4.0 + ground[i])) << i;
    EXPECT_TRUE(text(particles[0]).ends_with(" 16 3 1")) << text(particles[0]);
    EXPECT_EQ(heightmap[100 * 256 + 100], (float)(lowered - (double)sqrtf(99.5f)));
}

// At 33333 every flyer bursts once where it was, then is drawn off the
// world; afterwards no flyers, bombs or bursts.
TEST_F(LifeTest, FlightMovesFourTimesTheStepAndTheFinaleBurstsOnce)
{
    frame_render(33332, 16);
    EXPECT_EQ(text(flyers[0]), "100.64 50 10 0 64");
    EXPECT_EQ(live().size(), 16u); // the bombs, drawn from the next frame on
    EXPECT_EQ(fake::only({"glScalef"}).size(), 16u);

    Flyer last[FLYER_COUNT];
    memcpy(last, flyers, sizeof(last));
    particles_clear();
    fake::log.clear();
    frame_render(33333, 17);
    ASSERT_EQ(live().size(), 16u);
    for (int i = 0; i < FLYER_COUNT; i++) {
        const Particle &p = particles[i];
        EXPECT_EQ(num(p.growth) + " " + num(p.generations) + " " + num(p.kind), "8 4 1");
        EXPECT_TRUE(fabsf(p.x - last[i].x) <= 4 && fabsf(p.y - last[i].y) <= 4 && fabsf(p.z - last[i].z) <= 4);
    }
    EXPECT_EQ(fake::log.end()[-13], "glTranslatef -1 -1 -1"); // the last flyer off the world, then its model

    uint32_t seed = random_seed;
    float ground = heightmap[10 * 256 + 100];
    fake::log.clear();
    frame_render(40000, 0);
    EXPECT_TRUE(fake::only({"glScalef"}).empty() && live().size() == 16u && random_seed == seed);
    EXPECT_TRUE(heightmap[10 * 256 + 100] == ground && memcmp(last, flyers, sizeof(last)) == 0);
}
