// test_frame.cpp -- one frame's passes in order, the flight phase with four
// times the step, and the finale exactly once.
#include "scene/scene_fixture.h"

#include <math.h>
#include <string.h>

using scene_test::GROUND;

namespace {

// The first (or last) call starting with `prefix`, else the number of calls;
// names first, as formatting every terrain vertex would be slow.
size_t find(const std::string &prefix, bool from_back = false)
{
    size_t n = fake::gl.size();
    for (size_t k = 0; k < n; k++) {
        const fake::GlCall &call = fake::gl[from_back ? n - 1 - k : k];
        if (prefix.compare(0, call.name.size() + 1, call.name + "(") == 0 &&
            fake::gl_text(call).rfind(prefix, 0) == 0)
            return from_back ? n - 1 - k : k;
    }
    return n;
}

int live_with_growth(float growth)
{
    int n = 0;
    for (const Particle &p : particles)
        n += p.radius_max != 0.0f && p.growth == growth;
    return n;
}

size_t models()
{
    return fake::gl_count("glScalef");
}

// In a row along x = 10, flying +x, not yet smoking.
struct FrameTest : scene_test::SceneTest {
    void SetUp() override
    {
        SceneTest::SetUp();
        for (int i = 0; i < FLYER_COUNT; i++)
            flyers[i] = Flyer{10, 50, 8.0f + 16 * i, 0, 0};
    }
};

} // namespace

// Walls and terrain unlit, then the unlit particle pass (one live particle)
// switching lighting on, then the lit forest, then the flyers.
TEST_F(FrameTest, PassesComeInOrderAndOnlyTheParticlePassLights)
{
    particles[0] = Particle{1, 2, 3, 0, 1.0f, 0.5f, 1, 0};
    frame_render(1000, 16);

    EXPECT_EQ(fake::gl_count("glBegin"), 1u + 255); // walls, then 255 terrain strips
    EXPECT_EQ(fake::gl_count("glEnable"), 1u);
    size_t order[] = {
        find("glEnd(", true),
        find("glDisable(2896)"),
        find("gluSphere(1,0.0078125,16,16)"), // 16 * 0.5 / 1024
        find("glEnable(2896)"),
        find("glRotatef(270,1,0,0)"), // the first tree
        find("gluSphere(1,3,3,5)", true),
        find("glScalef(2,2,2)"), // the first flyer
    };
    for (size_t k = 1; k < std::size(order); k++)
        EXPECT_LT(order[k - 1], order[k]) << k;
    EXPECT_LT(order[6], fake::gl.size());
    EXPECT_EQ(models(), 16u);
}

TEST_F(FrameTest, FlightMovesFourTimesTheStepAndBombsFirstDrawnNextFrame)
{
    frame_render(1000, 16);
    EXPECT_EQ(flyers[0].x, (float)(10 + 0.64)); // 4 x 16 = 64 flight units
    EXPECT_EQ(flyers[0].fuse, 64);
    EXPECT_EQ(live_with_growth(16.0f), 16);
    EXPECT_LT(heightmap[8 * 256 + 10], GROUND);
    EXPECT_EQ(finale_started, 0);
    EXPECT_EQ(fake::gl_count("gluSphere"), 200u + 2 * 16); // crowns and models only

    fake::gl.clear();
    frame_render(1016, 16);
    size_t fireballs = 0;
    for (const auto &s : fake::gl_named("gluSphere"))
        fireballs += s.args[1] == 0.25 && s.args[2] == 16; // 16 * 16 / 1024
    EXPECT_EQ(fireballs, 16u);
}

TEST_F(FrameTest, FinaleBurstsOnceAtEveryFlyerAtThePhaseBoundaryAndNotBefore)
{
    frame_render(33332, 16);
    EXPECT_EQ(finale_started, 0);
    EXPECT_EQ(models(), 16u);
    EXPECT_EQ(live_with_growth(8.0f), 0);

    Flyer last[FLYER_COUNT];
    memcpy(last, flyers, sizeof(last));
    particles_clear();
    fake::gl.clear();
    frame_render(33333, 17);
    EXPECT_EQ(finale_started, 1);
    std::vector<int> burst = scene_test::live();
    ASSERT_EQ(burst.size(), (size_t)FLYER_COUNT);
    for (int i = 0; i < FLYER_COUNT; i++) {
        SCOPED_TRACE(i);
        const Particle &p = particles[burst[i]];
        EXPECT_EQ(p.growth, 8.0f);
        EXPECT_EQ(p.generations, 4);
        EXPECT_EQ(p.kind, 1);
        EXPECT_EQ(p.age, 0);
        EXPECT_LE(fabsf(p.x - last[i].x), 4.0f);
        EXPECT_LE(fabsf(p.y - last[i].y), 4.0f);
        EXPECT_LE(fabsf(p.z - last[i].z), 4.0f);
    }
    EXPECT_EQ(memcmp(last, flyers, sizeof(last)), 0); // neither moved nor re-entered
    // One last model at (-1, -1, -1), at the very end of the frame.
    ASSERT_EQ(models(), 1u);
    size_t model = find("glScalef(2,2,2)");
    ASSERT_GE(model, 2u);
    EXPECT_EQ(scene_test::texts(std::vector<fake::GlCall>(fake::gl.begin() + model - 2,
                                                          fake::gl.begin() + model)),
              (std::vector<std::string>{"glLoadIdentity()", "glTranslatef(-1,-1,-1)"}));
    EXPECT_EQ(fake::gl.size() - model, 12u);

    // Afterwards no flyers, bombs or bursts; at a zero step nothing splits either.
    static float ground[256 * 256];
    memcpy(ground, heightmap, sizeof(ground));
    uint32_t seed = random_seed;
    for (int t : {33350, 40000, 40000}) {
        fake::gl.clear();
        frame_render(t, 0);
        EXPECT_EQ(models(), 0u);
    }
    EXPECT_EQ(scene_test::live(), burst);
    EXPECT_EQ(random_seed, seed);
    EXPECT_EQ(memcmp(ground, heightmap, sizeof(ground)), 0);
    EXPECT_EQ(memcmp(last, flyers, sizeof(last)), 0);
}
