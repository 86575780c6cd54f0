// scene_fixture.h -- what the scene and world tests share: a clean recording
// GL, seed, pool, finale and ground, and readers of the calls and the draws.
#pragma once

#include "fakes/fake_gl.h"
#include "scene/flyers.h"
#include "scene/particles.h"
#include "scene/scene.h"
#include "world/random.h"
#include "world/terrain.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace scene_test {

const float GROUND = 30.0f;

inline void fill_ground(float h)
{
    for (float &cell : heightmap)
        cell = h;
}

// Calls as text, "glRotatef(30,1,0,0)", to compare with tables of calls.
inline std::vector<std::string> texts(const std::vector<fake::GlCall> &calls = fake::gl)
{
    std::vector<std::string> out;
    for (const auto &c : calls)
        out.push_back(fake::gl_text(c));
    return out;
}

template <size_t N> std::vector<std::string> lines(const char *const (&table)[N])
{
    return std::vector<std::string>(table, table + N);
}

// The translation after each identity load: where each object was placed.
inline std::vector<std::vector<double>> placements()
{
    std::vector<std::vector<double>> out;
    for (size_t k = 0; k + 1 < fake::gl.size(); k++)
        if (fake::gl[k].name == "glLoadIdentity" && fake::gl[k + 1].name == "glTranslatef")
            out.push_back(fake::gl[k + 1].args);
    return out;
}

// The taken slots of the pool, in index order.
inline std::vector<int> live()
{
    std::vector<int> out;
    for (int i = 0; i < PARTICLE_COUNT; i++)
        if (particles[i].radius_max != 0.0f)
            out.push_back(i);
    return out;
}

// The seed `draws` steps after `seed`, on an independent copy of the generator.
inline uint32_t seed_after(uint32_t seed, int draws)
{
    for (; draws > 0; draws--)
        seed = seed * 1103515245u + 20077u;
    return seed;
}

inline std::vector<double> fields(const Flyer &f)
{
    return {f.x, f.y, f.z, f.heading, (double)f.fuse};
}

inline std::vector<double> fields(const Particle &p)
{
    return {p.x, p.y, p.z, (double)p.age, p.radius_max, p.growth, (double)p.generations,
            (double)p.kind};
}

// What flyer_reset gives from a seed; the flyers and the seed are left alone.
inline Flyer entry_from(uint32_t seed)
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

// Recording from a clean start: the shared quadric made, seed 1, an empty
// pool, no finale yet, flat ground at GROUND.
struct SceneTest : ::testing::Test {
    void SetUp() override
    {
        fake::gl_reset();
        quadric = gluNewQuadric();
        fake::gl.clear();
        random_seed = 1;
        particles_clear();
        finale_started = 0;
        fill_ground(GROUND);
    }
};

} // namespace scene_test
