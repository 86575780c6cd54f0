// test_particles.cpp -- the particle pool against the recording GL: spawning,
// the reference first spawn, a full pool, and the order of ageing, drawing,
// expiry and splitting within one pass.
#include "scene/scene_fixture.h"

#include <math.h>
#include <string.h>

using scene_test::fields;
using scene_test::live;
using scene_test::seed_after;

namespace {

// From seed 1 the four draws are -0.0277099609375, 0.25054931640625,
// -0.3765869140625 and -0.16668701171875.
const Particle first_spawn = {11.002197265625f, 18.49365234375f, 29.333251953125f, 0,
                              3.9889052f,       16.0f,           3,                1};

Particle slot(float radius_max, float growth, int age, int generations, int kind)
{
    return Particle{1, 2, 3, age, radius_max, growth, generations, kind};
}

// The radii the pass drew, in order.
std::vector<double> radii()
{
    std::vector<double> out;
    for (const auto &c : fake::gl_named("gluSphere"))
        out.push_back(c.args[1]);
    return out;
}

struct ParticlesTest : scene_test::SceneTest {};

} // namespace

TEST_F(ParticlesTest, FirstSpawnFromSeedOneTakesSlotZeroOfAClearedPoolAndDrawsNothing)
{
    for (int i = 0; i < PARTICLE_COUNT; i++)
        particles[i] = slot(2, 1, 5, 2, 1);
    particles_clear();
    EXPECT_TRUE(live().empty());
    particle_spawn(10, 20, 30, 4, 16, 3, 1);
    EXPECT_EQ(fields(particles[0]), fields(first_spawn));
    EXPECT_EQ(random_seed, seed_after(1, 4));
    EXPECT_EQ(live(), std::vector<int>{0});
    EXPECT_TRUE(fake::gl.empty());
}

// Once the last free slot is taken, spawns are dropped before any draw; a
// parent whose children are dropped is freed all the same.
TEST_F(ParticlesTest, FullPoolDropsSpawnsAndLeavesTheSeedAlone)
{
    for (int i = 0; i < PARTICLE_COUNT - 1; i++)
        particles[i] = slot(1.0f + i, 0.5f, i, 1, 0);
    particle_spawn(10, 20, 30, 4, 16, 3, 1);
    EXPECT_EQ(particles[PARTICLE_COUNT - 1].growth, 16.0f);
    EXPECT_EQ(random_seed, seed_after(1, 4));

    static Particle before[PARTICLE_COUNT];
    memcpy(before, particles, sizeof(before));
    random_seed = 12345;
    particle_spawn(10, 20, 30, 4, 16, 3, 1);
    EXPECT_EQ(random_seed, 12345u);
    EXPECT_EQ(memcmp(before, particles, sizeof(before)), 0);

    particles[0] = slot(4, 16, 300, 3, 1);
    particles_update_draw(0);
    EXPECT_EQ(particles[0].radius_max, 0.0f);
    EXPECT_EQ(random_seed, 12345u);
    EXPECT_EQ(live().size(), (size_t)PARTICLE_COUNT - 1);
}

TEST_F(ParticlesTest, SpawnsTakeTheLowestFreeSlotAndReuseAFreedOne)
{
    particle_spawn(0, 0, 0, 4, 16, 1, 1);   // slot 0: a one-generation fireball
    particle_spawn(0, 0, 0, 1, 0.5f, 1, 0); // slot 1: smoke, lives ~2 s
    EXPECT_EQ(live(), (std::vector<int>{0, 1}));

    particles_update_draw(1000); // the fireball expires and leaves nothing
    EXPECT_EQ(live(), std::vector<int>{1});

    particle_spawn(0, 0, 0, 1, 0.5f, 1, 0);
    EXPECT_EQ(live(), (std::vector<int>{0, 1}));
    EXPECT_EQ(particles[0].age, 0);
    EXPECT_EQ(particles[1].age, 1000);
}

TEST_F(ParticlesTest, UnlitPassPlacesColoursAndDrawsEachLiveParticleInOrder)
{
    particles[3] = Particle{5, 6, 7, 100, 4.0f, 16.0f, 3, 1};
    particles[9] = Particle{-1, -2, -3, 0, 1.0f, 0.5f, 1, 0};
    particles_update_draw(28);
    EXPECT_EQ(scene_test::texts(), (std::vector<std::string>{
                                       "glDisable(2896)", // GL_LIGHTING
                                       "glLoadIdentity()",
                                       "glTranslatef(5,6,7)",
                                       "glColor3f(1,0.5,0)", // r = 128 * 16 / 1024 = 2 of 4
                                       "gluSphere(1,2,16,16)",
                                       "glLoadIdentity()",
                                       "glTranslatef(-1,-2,-3)",
                                       "glColor3f(0.25341796875,0.75341796875,0.101806640625)",
                                       "gluSphere(1,0.013671875,16,16)", // 28 * 0.5 / 1024
                                       "glEnable(2896)",
                                   }));
    EXPECT_EQ(particles[3].age, 128);
    EXPECT_EQ(particles[9].age, 28);

    particles_clear(); // lighting is on after the pass even when nothing lives
    fake::gl.clear();
    particles_update_draw(16);
    EXPECT_EQ(scene_test::texts(), (std::vector<std::string>{"glDisable(2896)", "glEnable(2896)"}));
}

TEST_F(ParticlesTest, ZeroStepAgesNothingAndDrawsFreshParticlesAtRadiusZero)
{
    particle_spawn(0, 0, 0, 4, 16, 3, 1);
    particles[5] = slot(4, 16, 100, 3, 1);
    particles_update_draw(0);
    particles_update_draw(0);
    EXPECT_EQ(radii(), (std::vector<double>{0, 1.5625, 0, 1.5625}));
    EXPECT_EQ(particles[0].age, 0);
    EXPECT_EQ(particles[5].age, 100);
    EXPECT_EQ(live(), (std::vector<int>{0, 5}));
}

// The parent in slot 2 reaches its radius exactly (256 * 16 / 1024 = 4) and splits
// while its slot is taken: child one waits in slot 1, two and three are drawn now.
TEST_F(ParticlesTest, SplittingChildrenAboveTheParentAreDrawnInTheSamePass)
{
    particles[0] = slot(1, 0.5f, 0, 1, 0);
    particles[2] = slot(4, 16, 250, 2, 1);

    particles_update_draw(6);

    EXPECT_EQ(radii(), (std::vector<double>{0.0029296875, 4, 0.09375, 0.09375}));
    EXPECT_EQ(live(), (std::vector<int>{0, 1, 3, 4}));
    EXPECT_EQ(random_seed, seed_after(1, 12));
    for (int i : {1, 3, 4}) {
        SCOPED_TRACE(i);
        EXPECT_EQ(particles[i].age, i == 1 ? 0 : 6);
        EXPECT_EQ(particles[i].generations, 1);
        EXPECT_EQ(particles[i].growth, 16.0f);
        EXPECT_EQ(particles[i].kind, 1);
        // The child's nominal radius is the parent's radius_max, 4.
        EXPECT_GE(particles[i].radius_max, 3.59f);
        EXPECT_LE(particles[i].radius_max, 4.41f);
        EXPECT_LE(fabsf(particles[i].x - 1), 4.0f);
    }

    particles_update_draw(6); // the lower child is aged for the first time
    EXPECT_EQ(particles[1].age, 6);
    EXPECT_EQ(particles[3].age, 12);

    particles_clear(); // the last generation leaves no children
    particles[7] = slot(1, 0.5f, 2047, 1, 0);
    uint32_t seed = random_seed;
    fake::gl.clear();
    particles_update_draw(1);
    EXPECT_TRUE(live().empty());
    EXPECT_EQ(random_seed, seed);
    EXPECT_EQ(radii(), std::vector<double>{1});
}

// A 1000 ms step takes the root and all above it to 15.625: children in 1..3 each
// leave a grandchild below (0..2) and two above (4..9) that expire childless.
TEST_F(ParticlesTest, LongStepExpiresAFireballAndItsHigherDescendantsInOnePass)
{
    particle_spawn(128, 30, 128, 4, 16, 3, 1);

    particles_update_draw(1000);

    EXPECT_EQ(radii(), std::vector<double>(10, 15.625));
    EXPECT_EQ(live(), (std::vector<int>{0, 1, 2}));
    for (int i : {0, 1, 2}) {
        SCOPED_TRACE(i);
        EXPECT_EQ(particles[i].age, 0);
        EXPECT_EQ(particles[i].generations, 1);
    }
    EXPECT_EQ(random_seed, seed_after(1, 4 + 12 * 4));
}

// Colours at the first draw (radius 0) and the last (radius_max reached).
TEST_F(ParticlesTest, SmokeAndFireColoursFromFirstToLastDraw)
{
    particle_spawn(0, 0, 0, 1, 0.5f, 1, 0);
    particle_spawn(0, 0, 0, 4, 16, 1, 1);
    std::vector<std::vector<double>> smoke, fire;
    // Bounded: a particle that never expires must fail here, not hang.
    for (int pass = 0; pass < 1000 && !live().empty(); pass++) {
        fake::gl.clear();
        particles_update_draw(pass ? 16 : 0);
        for (auto &c : fake::gl_named("glColor3f"))
            (c.args[0] == 1.0 ? fire : smoke).push_back(c.args);
    }
    ASSERT_TRUE(live().empty());
    ASSERT_GE(smoke.size(), 100u); // about 2 s of 16 ms frames
    ASSERT_GE(fire.size(), 14u);   // about 256 ms

    EXPECT_EQ(smoke.front(), (std::vector<double>{0.25, 0.75, (float)0.10009765625}));
    EXPECT_GE(smoke.back()[0], 0.5);
    EXPECT_GE(smoke.back()[1], 1.0);
    EXPECT_GE(smoke.back()[2], (float)0.22509765625);
    EXPECT_EQ(fire.front(), (std::vector<double>{1, 0, 0}));
    EXPECT_GE(fire.back()[1], 1.0);
    EXPECT_EQ(fire.back()[2], 0.0);
    for (size_t k = 1; k < fire.size(); k++)
        EXPECT_GT(fire[k][1], fire[k - 1][1]); // red turning to yellow
}
