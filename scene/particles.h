// particles.h -- the fixed pool of growing, splitting spheres: smoke and fire.
#pragma once

#define PARTICLE_COUNT 16384

struct Particle {
    float x, y, z;
    int age;          // ms lived: the sum of the steps of every pass that saw it
    float radius_max; // expires on reaching it; 0.0 marks a free slot
    float growth;     // radius = age * growth / 1024
    int generations;  // left, this one included; 1 leaves no children
    int kind;         // 1 = fire, anything else smoke
};

extern struct Particle particles[PARTICLE_COUNT];

// Takes the lowest free slot, or drops the particle (and draws nothing from
// the random source) when the pool is full.
void particle_spawn(float x, float y, float z, float radius, float growth, int generations,
                    int kind);
// Ages, draws, splits and frees every live particle, unlit; lighting is on
// when it returns.
void particles_update_draw(int dt);
void particles_clear(void);
