// scene_test.h -- what the world and scene tests share: a clean recording GL,
// seed 1, an empty pool, no finale and flat ground, and the generator's
// steps worked out on an independent copy.
#pragma once

#include "fakes/fake_gl.h"
#include "scene/flyers.h"
#include "scene/particles.h"
#include "scene/scene.h"
#include "world/random.h"

#include <gtest/gtest.h>

using Lines = std::vector<std::string>;

const float GROUND = 30.0f;
// The seed after the synthesis's 262144 draws from seed 1, worked out outside the program.
const uint32_t SEED_AFTER_SYNTHESIS = 273416193u;

inline uint32_t seed_after(uint32_t seed, int draws)
{
    for (; draws > 0; draws--)
        seed = seed * 1103515245u + 20077u;
    return seed;
}

// random_signed's value at the draw after `seed`.
inline float signed_after(uint32_t seed)
{
    return (float)((16384 - (int)(seed_after(seed, 1) >> 16 & 0x7FFF)) / 16384.0);
}

inline std::vector<int> live()
{
    std::vector<int> out;
    for (int i = 0; i < PARTICLE_COUNT; i++)
        if (particles[i].radius_max != 0.0f)
            out.push_back(i);
    return out;
}

// A flyer as "x y z heading fuse".
inline std::string text(const Flyer &f)
{
    using fake::num;
    return num(f.x) + " " + num(f.y) + " " + num(f.z) + " " + num(f.heading) + " " + num(f.fuse);
}

struct SceneTest : ::testing::Test {
    void SetUp() override
    {
        fake::gl_reset();
        quadric = gluNewQuadric();
        fake::log.clear();
        random_seed = 1;
        particles_clear();
        finale_started = 0;
        std::fill(heightmap, heightmap + 256 * 256, GROUND);
    }
};
