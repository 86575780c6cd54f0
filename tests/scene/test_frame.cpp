// test_frame.cpp -- one frame's passes in order, the flight phase with four
// times the step, the finale exactly once, and the scene set-up's placing of
// the pool and the flyers around the terrain synthesis.
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

struct FrameTest : ::testing::Test {
    void SetUp() override
    {
        fake::gl_reset();
        quadric = gluNewQuadric();
        fake::gl.clear();
        random_seed = 1;
        particles_clear();
        finale_started = 0;
        for (float &h : heightmap)
            h = 30.0f;
        for (int i = 0; i < FLYER_COUNT; i++)
            flyers[i] = Flyer{10, 50, 8.0f + 16 * i, 0, 0};
    }
    static int live()
    {
        int n = 0;
        for (const Particle &p : particles)
            n += p.radius_max != 0.0f;
        return n;
    }
    static int count_growth(float growth)
    {
        int n = 0;
        for (const Particle &p : particles)
            n += p.radius_max != 0.0f && p.growth == growth;
        return n;
    }
    // Whether a call's text starts with `prefix` ("name(args"); the name is
    // compared first, as formatting every terrain vertex would be slow.
    static bool starts(const fake::GlCall &call, const std::string &prefix)
    {
        return prefix.compare(0, call.name.size() + 1, call.name + "(") == 0 &&
               gl_text(call).rfind(prefix, 0) == 0;
    }
    // Index of the first (or last) call that starts with `prefix`, or the
    // number of calls when there is none.
    static size_t find(const std::string &prefix)
    {
        for (size_t k = 0; k < fake::gl.size(); k++)
            if (starts(fake::gl[k], prefix))
                return k;
        return fake::gl.size();
    }
    static size_t find_last(const std::string &prefix)
    {
        for (size_t k = fake::gl.size(); k-- > 0;)
            if (starts(fake::gl[k], prefix))
                return k;
        return fake::gl.size();
    }
    static size_t models() { return fake::gl_count("glScalef"); }
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

} // namespace

// Walls and terrain, then the unlit particle pass, then the lit forest, then
// the flyers: with one live particle so that the pass draws something.
TEST_F(FrameTest, PassesComeInOrder)
{
    particles[0] = Particle{1, 2, 3, 0, 1.0f, 0.5f, 1, 0};
    frame_render(1000, 16);

    size_t terrain_end = find_last("glEnd(");
    size_t unlit = find("glDisable(2896)");
    size_t particle = find("gluSphere(1,0.0078125,16,16)"); // 16 * 0.5 / 1024
    size_t lit = find("glEnable(2896)");
    size_t first_tree = find("glRotatef(270,1,0,0)");
    size_t last_crown = find_last("gluSphere(1,3,3,5)");
    size_t first_model = find("glScalef(2,2,2)");

    EXPECT_EQ(fake::gl_count("glBegin"), 1u + 255); // walls, then 255 terrain strips
    EXPECT_LT(terrain_end, unlit);
    EXPECT_LT(unlit, particle);
    EXPECT_LT(particle, lit);
    EXPECT_LT(lit, first_tree);
    EXPECT_LT(last_crown, first_model);
    EXPECT_LT(first_model, fake::gl.size());
    EXPECT_EQ(models(), 16u);
}

TEST_F(FrameTest, FlightMovesFourTimesTheStepAndBombsEveryFlyer)
{
    frame_render(1000, 16);
    EXPECT_EQ(flyers[0].x, (float)(10 + 0.64)); // 4 x 16 = 64 flight units
    EXPECT_EQ(flyers[0].fuse, 64);
    EXPECT_EQ(count_growth(16.0f), 16);
    EXPECT_LT(heightmap[8 * 256 + 10], 30.0f);
    EXPECT_EQ(finale_started, 0);
}

TEST_F(FrameTest, BombsOfAFrameAreFirstDrawnInTheNextFrame)
{
    frame_render(1000, 16);
    EXPECT_EQ(fake::gl_count("gluSphere"), 200u + 2 * 16); // crowns and models only
    fake::gl.clear();
    frame_render(1016, 16);
    auto spheres = fake::gl_named("gluSphere");
    size_t fireballs = 0;
    for (const auto &s : spheres)
        fireballs += s.args[1] == 0.25 && s.args[2] == 16; // 16 * 16 / 1024
    EXPECT_EQ(fireballs, 16u);
}

TEST_F(FrameTest, ZeroStepMovesAndAgesNothingButBombsStillFall)
{
    frame_render(500, 0);
    frame_render(500, 0);
    EXPECT_EQ(flyers[3].x, 10.0f);
    EXPECT_EQ(count_growth(16.0f), 32);
    for (const Particle &p : particles) {
        if (p.radius_max != 0.0f) {
            EXPECT_EQ(p.age, 0);
        }
    }
}

TEST_F(FrameTest, FinaleBurstsOnceAtThePhaseBoundaryAndNotBefore)
{
    frame_render(33332, 16);
    EXPECT_EQ(finale_started, 0);
    EXPECT_EQ(models(), 16u);
    EXPECT_EQ(count_growth(8.0f), 0);

    Flyer last[FLYER_COUNT];
    memcpy(last, flyers, sizeof(last));
    fake::gl.clear();
    frame_render(33333, 17);
    EXPECT_EQ(finale_started, 1);
    EXPECT_EQ(count_growth(8.0f), 16);
    for (int i = 0; i < PARTICLE_COUNT; i++)
        if (particles[i].radius_max != 0.0f && particles[i].growth == 8.0f) {
            EXPECT_EQ(particles[i].generations, 4);
            EXPECT_EQ(particles[i].kind, 1);
        }
    EXPECT_EQ(memcmp(last, flyers, sizeof(last)), 0); // neither moved nor re-entered
    // One last model at (-1, -1, -1), at the very end of the frame.
    ASSERT_EQ(models(), 1u);
    size_t model = find("glScalef(2,2,2)");
    ASSERT_GE(model, 2u);
    EXPECT_EQ(gl_text(fake::gl[model - 2]), "glLoadIdentity()");
    EXPECT_EQ(gl_text(fake::gl[model - 1]), "glTranslatef(-1,-1,-1)");
    EXPECT_EQ(fake::gl.size() - model, 12u);

    // Afterwards: no flyers, no bombs, no bursts. With a zero step nothing
    // splits either, so the random source and the ground stay as they are.
    static float ground[256 * 256];
    memcpy(ground, heightmap, sizeof(ground));
    int before = live();
    uint32_t seed = random_seed;
    for (int t : {33350, 40000, 40000}) {
        fake::gl.clear();
        frame_render(t, 0);
        EXPECT_EQ(models(), 0u);
    }
    EXPECT_EQ(live(), before);
    EXPECT_EQ(random_seed, seed);
    EXPECT_EQ(memcmp(ground, heightmap, sizeof(ground)), 0);
    EXPECT_EQ(memcmp(last, flyers, sizeof(last)), 0);
}

TEST_F(FrameTest, FinaleBurstsAtEveryFlyersPosition)
{
    frame_render(40000, 40000); // a first frame already past the boundary
    int k = 0;
    for (const Particle &p : particles) {
        if (p.radius_max == 0.0f)
            continue;
        ASSERT_LT(k, FLYER_COUNT);
        const Flyer &f = flyers[k++];
        EXPECT_LE(fabsf(p.x - f.x), 4.0f);
        EXPECT_LE(fabsf(p.y - f.y), 4.0f);
        EXPECT_LE(fabsf(p.z - f.z), 4.0f);
        EXPECT_EQ(p.age, 0);
    }
    EXPECT_EQ(k, FLYER_COUNT);
}

TEST_F(FrameTest, FirstFrameIsUnlitUntilTheParticlePassAndLaterFramesLit)
{
    frame_render(0, 0);
    size_t lit = find("glEnable(2896)");
    ASSERT_LT(lit, fake::gl.size());
    EXPECT_GT(lit, find_last("glEnd("));
    EXPECT_EQ(fake::gl_count("glEnable"), 1u);
}

// The pool is cleared before the terrain synthesis, and the flyers are placed
// from the sequence right after its 262144 noise draws.
TEST_F(FrameTest, SceneInitClearsThePoolThenPlacesTheFlyersAfterTheTerrain)
{
    for (Particle &p : particles)
        p.radius_max = 1.0f;
    random_seed = 1;
    scene_init();
    EXPECT_EQ(live(), 0);

    uint32_t after_noise = seed_after(1, 4 * 65536);
    uint32_t saved = random_seed;
    for (int i = 0; i < FLYER_COUNT; i++) {
        SCOPED_TRACE(i);
        Flyer got = flyers[i];
        random_seed = seed_after(after_noise, 4 * i);
        flyer_reset(i);
        EXPECT_EQ(memcmp(&got, &flyers[i], sizeof(got)), 0);
    }
    EXPECT_EQ(saved, seed_after(after_noise, 64));
    EXPECT_EQ(flyers[0].x, 0.0f);
}
