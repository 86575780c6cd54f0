// particles.cpp -- the particle pool: spawning into the lowest free slot, and
// the one pass a frame that ages, draws and splits every live particle.
#include "scene/particles.h"

#include "platform/win32.h"
#include "scene/scene.h"
#include "world/random.h"

struct Particle particles[PARTICLE_COUNT];

void particle_spawn(float x, float y, float z, float radius, float growth, int generations,
                    int kind)
{
    int i = 0;
    while (i < PARTICLE_COUNT && particles[i].radius_max != 0.0f)
        i++;
    if (i == PARTICLE_COUNT)
        return; // full: dropped before any draw, so the sequence is untouched

    struct Particle *p = &particles[i];
    // Four draws in this order. The offsets use the nominal radius, not the
    // jittered one; 0.10009765625 is exact on purpose.
    float s = random_signed();
    p->radius_max = (float)(radius + s * (radius * 0.10009765625));
    s = random_signed();
    p->x = (float)(s * (double)radius + x);
    s = random_signed();
    p->y = (float)(s * (double)radius + y);
    s = random_signed();
    p->z = (float)(s * (double)radius + z);
    p->age = 0;
    p->growth = growth;
    p->generations = generations;
    p->kind = kind;
}

// Each slot is read when the pass reaches it, never from a copy: children
// spawned at higher indices are aged, drawn and may split in this same pass.
void particles_update_draw(int dt)
{
    glDisable(GL_LIGHTING);
    for (int i = 0; i < PARTICLE_COUNT; i++) {
        struct Particle *p = &particles[i];
        if (p->radius_max == 0.0f)
            continue;

        glLoadIdentity();
        glTranslatef(p->x, p->y, p->z);
        p->age = p->age + dt;
        float r = (float)((double)p->age * p->growth / 1024.0);
        double c = r / (double)p->radius_max;
        if (p->kind == 1)
            glColor3f(1.0f, (float)c, 0.0f);
        else
            glColor3f((float)(c / 4 + 0.25), (float)(c / 4 + 0.75), (float)(c / 8 + 0.10009765625));
        gluSphere(quadric, r, 16, 16);

        if (r >= p->radius_max) {
            // The slot stays taken while the children are spawned, so none
            // of them lands in it.
            p->generations = p->generations - 1;
            if (p->generations != 0)
                for (int n = 0; n < 3; n++)
                    particle_spawn(p->x, p->y, p->z, p->radius_max, p->growth, p->generations,
                                   p->kind);
            p->radius_max = 0.0f;
        }
    }
    // The only place lighting is switched on: everything drawn after the
    // first pass is lit.
    glEnable(GL_LIGHTING);
}

void particles_clear(void)
{
    for (int i = 0; i < PARTICLE_COUNT; i++)
        particles[i].radius_max = 0.0f;
}
