// test_life.cpp -- the particle pool, the flyers and their bombs, and the
// finale, against the recording GL on flat ground.
#include "unit/scene_test.h"

#include <math.h>
#include <string.h>

namespace {

// From seed 1 into an empty pool: the draws -0.0277099609375, 0.25054931640625,
// -0.3765869140625, -0.16668701171875 give these fields.
const Particle first_spawn = {11.002197265625f, 18.49365234375f, 29.333251953125f, 0,
                              3.9889052f, 16.0f, 3, 1};
// From seed 1, flyer_reset draws 16838, 12279, 22554, 19115.
const Flyer first_flyer = {0.0f, 52.5054931640625f, 131.546875f, -7.50091552734375f, 54};

// One step of 64 from (0, 100): 3.1415 as a float, not pi (which would give
// x 0.452548325 on heading 45).
const struct {
    float heading;
    const char *x, *z;
} first_steps[] = {{0.0f, "0.64", "100"}, {45.0f, "0.45255882", "100.45254"}};

const Lines model = {
    "glScalef 2 2 2", "glColor3ub 255 255 0", "gluSphere quadric 1 10 10",
    "glRotatef -20 1 0 0", "gluCylinder quadric 1 0 3 16 16", "glTranslatef 0 1.296875 0",
    "glRotatef 90 1 0 0", "gluSphere quadric 0.80078125 10 10", "glRotatef 180 0 1 0",
    "glRotatef 90 1 0 0", "glColor3f 1 0 0", "gluCylinder quadric 0.69921875 0 3 16 16",
};

std::string text(const Particle &p)
{
    return fake::num(p.x) + " " + fake::num(p.y) + " " + fake::num(p.z) + " " + fake::num(p.age) +
           " " + fake::num(p.radius_max) + " " + fake::num(p.growth) + " " +
           fake::num(p.generations) + " " + fake::num(p.kind);
}

// Growth, generations and kind.
std::string family(const Particle &p)
{
    return fake::num(p.growth) + " " + fake::num(p.generations) + " " + fake::num(p.kind);
}

Particle slot(float radius_max, float growth, int age, int generations, int kind)
{
    return Particle{1, 2, 3, age, radius_max, growth, generations, kind};
}

// The radii the pass drew, in order.
std::vector<double> radii()
{
    std::vector<double> out;
    for (const std::string &line : fake::only({"gluSphere"}))
        out.push_back(atof(line.c_str() + strlen("gluSphere quadric ")));
    return out;
}

// What flyer_reset gives from `seed`, the flyers and the seed left alone.
std::string entry_from(uint32_t seed)
{
    Flyer saved = flyers[15];
    uint32_t saved_seed = random_seed;
    random_seed = seed;
    flyer_reset(15);
    std::string out = text(flyers[15]);
    flyers[15] = saved;
    random_seed = saved_seed;
    return out;
}

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

TEST_F(LifeTest, SpawnsTakeTheLowestFreeSlotAndAFullPoolDropsThemUndrawn)
{
    particles[0] = slot(2, 1, 5, 2, 1);
    particles_clear();
    particle_spawn(10, 20, 30, 4, 16, 3, 1);
    EXPECT_EQ(text(particles[0]), text(first_spawn));
    EXPECT_EQ(random_seed, seed_after(1, 4));
    particle_spawn(0, 0, 0, 1, 0.5f, 1, 0);
    particles[0].radius_max = 0.0f;
    particle_spawn(0, 0, 0, 1, 0.5f, 1, 0);
    EXPECT_EQ(live(), (std::vector<int>{0, 1}));
    EXPECT_TRUE(fake::log.empty());

    for (int i = 0; i < PARTICLE_COUNT; i++)
        particles[i] = slot(1.0f + i, 0.5f, i, 1, 0);
    particles[PARTICLE_COUNT - 1].radius_max = 0.0f;
    particle_spawn(10, 20, 30, 4, 16, 3, 1); // the last free slot
    EXPECT_EQ(particles[PARTICLE_COUNT - 1].growth, 16.0f);
    random_seed = 12345;
    particle_spawn(10, 20, 30, 4, 16, 3, 1);
    EXPECT_EQ(random_seed, 12345u);
    // A parent whose children find no room is freed all the same.
    particles[0] = slot(4, 16, 300, 3, 1);
    particles_update_draw(0);
    EXPECT_EQ(particles[0].radius_max, 0.0f);
    EXPECT_EQ(random_seed, 12345u);
}

TEST_F(LifeTest, TheUnlitPassPlacesColoursDrawsAndAgesEachLiveParticle)
{
    particles[3] = Particle{5, 6, 7, 100, 4.0f, 16.0f, 3, 1};
    particles[9] = Particle{-1, -2, -3, 0, 1.0f, 0.5f, 1, 0};
    particles_update_draw(28);
    EXPECT_EQ(fake::log, (Lines{"glDisable 2896", "glLoadIdentity", "glTranslatef 5 6 7",
                                "glColor3f 1 0.5 0", // radius 128 * 16 / 1024 = 2 of 4
                                "gluSphere quadric 2 16 16", "glLoadIdentity",
                                "glTranslatef -1 -2 -3",
                                "glColor3f 0.25341797 0.75341797 0.10180664",
                                "gluSphere quadric 0.013671875 16 16", "glEnable 2896"}));
    EXPECT_EQ(particles[3].age, 128);
    fake::log.clear();
    particles_update_draw(0); // a zero step ages nothing
    EXPECT_EQ(radii(), (std::vector<double>{2, 0.013671875}));
    particles_clear();
    fake::log.clear();
    particles_update_draw(16);
    EXPECT_EQ(fake::log, (Lines{"glDisable 2896", "glEnable 2896"}));
}

// The parent in slot 2 reaches its radius exactly (256 * 16 / 1024 = 4) and
// splits while its slot is taken: one child waits in slot 1, two are drawn now.
TEST_F(LifeTest, ChildrenAboveTheirParentAreDrawnInTheSamePassAndTheLastGenerationEnds)
{
    particles[0] = slot(1, 0.5f, 0, 1, 0);
    particles[2] = slot(4, 16, 250, 2, 1);
    particles_update_draw(6);
    EXPECT_EQ(radii(), (std::vector<double>{0.0029296875, 4, 0.09375, 0.09375}));
    EXPECT_EQ(live(), (std::vector<int>{0, 1, 3, 4}));
    EXPECT_EQ(random_seed, seed_after(1, 12));
    for (int i : {1, 3, 4}) {
        const Particle &p = particles[i];
        EXPECT_EQ(p.age, i == 1 ? 0 : 6) << i;
        EXPECT_EQ(family(p), "16 1 1") << i;
        EXPECT_NEAR(p.radius_max, 4.0f, 0.41f); // the parent's radius_max is the nominal one
        EXPECT_NEAR(p.x, 1.0f, 4.0f);
    }
    // A fireball's 1 + 3 + 9 spheres, all expiring in one long step but for
    // the three grandchildren that land below their parents.
    particles_clear();
    random_seed = 1;
    particle_spawn(128, 30, 128, 4, 16, 3, 1);
    fake::log.clear();
    particles_update_draw(1000);
    EXPECT_EQ(radii(), std::vector<double>(10, 15.625));
    EXPECT_EQ(live(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(particles[2].generations, 1);
    EXPECT_EQ(random_seed, seed_after(1, 4 + 12 * 4));
}

TEST_F(LifeTest, SmokeAndFireColoursFromFirstToLastDraw)
{
    particle_spawn(0, 0, 0, 1, 0.5f, 1, 0);
    particle_spawn(0, 0, 0, 4, 16, 1, 1);
    Lines smoke, fire;
    for (int pass = 0; pass < 1000 && !live().empty(); pass++) {
        fake::log.clear();
        particles_update_draw(pass ? 16 : 0);
        for (const std::string &c : fake::only({"glColor3f"}))
            (c.rfind("glColor3f 1 ", 0) == 0 ? fire : smoke).push_back(c);
    }
    ASSERT_TRUE(live().empty());
    ASSERT_GE(smoke.size(), 100u);
    ASSERT_GE(fire.size(), 14u);
    EXPECT_EQ(smoke.front(), "glColor3f 0.25 0.75 0.100097656");
    EXPECT_EQ(fire.front(), "glColor3f 1 0 0");
    float r, g, b;
    sscanf(smoke.back().c_str(), "glColor3f %f %f %f", &r, &g, &b);
    EXPECT_TRUE(r >= 0.5f && g >= 1.0f && b >= (float)0.22509765625) << smoke.back();
    sscanf(fire.back().c_str(), "glColor3f %f %f %f", &r, &g, &b);
    EXPECT_TRUE(g >= 1.0f && b == 0.0f) << fire.back();
}

TEST_F(LifeTest, EntriesStepsAndTheModel)
{
    flyers_reset_all();
    EXPECT_EQ(text(flyers[0]), text(first_flyer));
    EXPECT_EQ(text(flyers[15]), entry_from(seed_after(1, 60)));
    EXPECT_EQ(random_seed, seed_after(1, 64));
    for (const auto &s : first_steps) {
        flyers[0] = Flyer{0, 50, 100, s.heading, 0};
        fake::log.clear();
        flyers_update_draw(64);
        EXPECT_EQ(fake::num(flyers[0].x) + " " + fake::num(flyers[0].z),
                  std::string(s.x) + " " + s.z);
    }
    // Placed at its position, turned by -90 whatever its heading, then the model.
    Lines expected = {"glLoadIdentity", "glTranslatef 0.45255882 50 100.45254", "glRotatef -90 0 1 0"};
    expected.insert(expected.end(), model.begin(), model.end());
    EXPECT_EQ(fake::from("glLoadIdentity", 15), expected);
}

// Draws come flyer by flyer, the puff before the reset: 0 puffs and lands on
// 256 exactly, 1 puffs and leaves past x = 256, 2 leaves past z = 256, 3 past
// z = 0; 4 and 5 sit on bounds, 6 puffs where it was before it moved.
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

    EXPECT_EQ(fake::num(flyers[0].x), "256");
    EXPECT_EQ(text(flyers[1]), entry_from(seed_after(77, 8)));
    EXPECT_EQ(text(flyers[2]), entry_from(seed_after(77, 12)));
    EXPECT_EQ(text(flyers[3]), entry_from(seed_after(77, 16)));
    EXPECT_EQ(flyers[4].z, 0.0f);
    EXPECT_EQ(flyers[5].z, 256.0f);
    EXPECT_EQ(random_seed, seed_after(77, 24));
    EXPECT_EQ(live(), (std::vector<int>{0, 1, 2}));
    // Flyer 6's puff: radius 1 around (30, 45, 60), where it was before the move.
    EXPECT_EQ(particles[2].x, (float)(signed_after(seed_after(77, 21)) + 30.0));
    EXPECT_EQ(particles[2].z, (float)(signed_after(seed_after(77, 23)) + 60.0));
    EXPECT_EQ(particles[1].x, (float)(signed_after(seed_after(77, 5)) + 255.3601f));
    // Flyer 1 is drawn at its new entry, x = 0, in this same frame.
    Lines placed = fake::only({"glTranslatef"});
    EXPECT_EQ(placed[0], "glTranslatef 256 50 100");
    EXPECT_EQ(placed[2].rfind("glTranslatef 0 ", 0), 0u) << placed[2]; // flyer 1

    flyers_update_draw(0); // a zero step moves nothing but still smokes
    EXPECT_EQ(text(flyers[6]), "30.64 45 60 0 501");
    EXPECT_EQ(live().size(), 3u + 2);
}

TEST_F(LifeTest, BombsSampleTheGroundUnderEachFlyerAfterTheCratersBeforeIt)
{
    flyers[0] = Flyer{100.5f, 50, 100.5f, 0, 0};
    flyers[1] = Flyer{100.5f, 55, 100.5f, 0, 0};
    flyers[2] = Flyer{40.5f, 50, 200.5f, 0, 0}; // column 40, row 200
    flyers[3] = Flyer{256, 50, 256, 0, 0};       // the far bound samples the last cell
    for (int i = 4; i < FLYER_COUNT; i++)
        flyers[i] = Flyer{200, 50, 10, 0, 0};
    heightmap[200 * 256 + 40] = 20.0f;
    heightmap[40 * 256 + 200] = 40.0f;
    heightmap[255 * 256 + 255] = 77.0f;
    flyers_bomb();

    float lowered = (float)(GROUND - (double)sqrtf(99.5f));
    EXPECT_EQ(particles[0].y, (float)(signed_after(seed_after(1, 2)) * 4.0 + GROUND));
    EXPECT_EQ(particles[1].y, (float)(signed_after(seed_after(1, 6)) * 4.0 + lowered));
    EXPECT_EQ(particles[2].y, (float)(signed_after(seed_after(1, 10)) * 4.0 + 20.0));
    EXPECT_EQ(particles[3].y, (float)(signed_after(seed_after(1, 14)) * 4.0 + 77.0));
    EXPECT_EQ(family(particles[0]), "16 3 1");
    EXPECT_EQ(heightmap[100 * 256 + 100], (float)(lowered - (double)sqrtf(99.5f)));
    EXPECT_LT(heightmap[255 * 256 + 255], 77.0f - 9.0f);
}

TEST_F(LifeTest, FlightMovesFourTimesTheStepAndTheFinaleBurstsOnce)
{
    frame_render(33332, 16);
    EXPECT_EQ(flyers[0].x, (float)(100 + 0.64));
    EXPECT_EQ(live().size(), 16u); // the bombs, drawn from the next frame on
    EXPECT_EQ(fake::only({"glScalef"}).size(), 16u);
    EXPECT_EQ(finale_started, 0);

    Flyer last[FLYER_COUNT];
    memcpy(last, flyers, sizeof(last));
    particles_clear();
    fake::log.clear();
    frame_render(33333, 17);
    ASSERT_EQ(live().size(), 16u);
    for (int i = 0; i < FLYER_COUNT; i++) {
        const Particle &p = particles[i];
        EXPECT_EQ(family(p), "8 4 1") << i;
        EXPECT_TRUE(fabsf(p.x - last[i].x) <= 4 && fabsf(p.y - last[i].y) <= 4 &&
                    fabsf(p.z - last[i].z) <= 4) << i;
    }
    Lines expected = {"glLoadIdentity", "glTranslatef -1 -1 -1"};
    expected.insert(expected.end(), model.begin(), model.end());
    EXPECT_EQ(Lines(fake::log.end() - 14, fake::log.end()), expected);
    EXPECT_EQ(fake::only({"glScalef"}).size(), 1u);

    // Afterwards no flyers, bombs or bursts.
    uint32_t seed = random_seed;
    float ground = heightmap[(int)last[0].z * 256 + (int)last[0].x];
    for (int t : {33350, 40000}) {
        fake::log.clear();
        frame_render(t, 0);
        EXPECT_TRUE(fake::only({"glScalef"}).empty());
    }
    EXPECT_EQ(live().size(), 16u);
    EXPECT_EQ(random_seed, seed);
    EXPECT_EQ(heightmap[(int)last[0].z * 256 + (int)last[0].x], ground);
    EXPECT_EQ(memcmp(last, flyers, sizeof(last)), 0);
}
