// flyers.cpp -- sixteen flyers crossing the terrain on straight headings,
// trailing smoke and bombing the ground under them every frame.
#include "scene/flyers.h"

#include "platform/win32.h"
#include "scene/particles.h"
#include "scene/scene.h"
#include "world/crater.h"
#include "world/random.h"
#include "world/terrain.h"

#include <math.h>

struct Flyer flyers[FLYER_COUNT];

// Not pi: 3.1415 as the nearest single-precision value, exact on purpose.
static const float PI_SHORT = 3.1415f;

void flyer_reset(int i)
{
    struct Flyer *f = &flyers[i];
    // Four draws, strictly in this order: z, y, fuse, heading.
    f->z = (float)(random_unit() * 256.0);
    f->x = 0;
    f->y = (float)(random_signed() * 10.0 + 50.0);
    f->fuse = random_next() % 500;
    f->heading = (float)(random_signed() * 45.0);
}

void flyers_reset_all(void)
{
    for (int i = 0; i < FLYER_COUNT; i++)
        flyer_reset(i);
}

// The single-precision cosine and sine are the double-precision functions
// rounded to single: cosf and sinf differ by an ulp between C runtimes, and
// one flipped bounds test would send the two builds' runs apart.
void flyer_direction(float heading, float *dx, float *dz)
{
    float a = (float)(heading / 360.0 * 2.0 * PI_SHORT);
    *dx = (float)cos((double)a);
    *dz = (float)sin((double)a);
}

void flyers_update_draw(int step)
{
    for (int i = 0; i < FLYER_COUNT; i++) {
        struct Flyer *f = &flyers[i];
        // The fuse is never reset in flight: once above 500 the flyer smokes
        // every frame until its next entry.
        f->fuse = f->fuse + step;
        if (f->fuse > 500)
            particle_spawn(f->x, f->y, f->z, 1, 0.5, 1, 0);

        float dx, dz;
        flyer_direction(f->heading, &dx, &dz);
        f->x = (float)((double)dx * step / 100.0 + f->x);
        f->z = (float)((double)dz * step / 100.0 + f->z);
        // The bounds themselves are inside the square.
        if (f->x < 0 || f->x > 256 || f->z < 0 || f->z > 256)
            flyer_reset(i);

        glLoadIdentity();
        glTranslatef(f->x, f->y, f->z);
        // The model never turns with the heading.
        glRotatef(-90, 0, 1, 0);
        flyer_model_draw();
    }
}

// A grid index for a flyer coordinate: a flyer may stand exactly on the far
// bound, 256, one past the last column or row.
static int grid_index(float v)
{
    int n = (int)v;
    if (n < 0)
        return 0;
    return n > 255 ? 255 : n;
}

void flyers_bomb(void)
{
    for (int i = 0; i < FLYER_COUNT; i++) {
        struct Flyer *f = &flyers[i];
        // Sampled after the craters of the lower-indexed flyers of this pass.
        float h = heightmap[grid_index(f->z) * 256 + grid_index(f->x)];
        particle_spawn(f->x, h, f->z, 4, 16, 3, 1);
        crater_carve(f->x, f->z, 100);
    }
}

// The sizes 1.296875, 0.80078125 and 0.69921875 are exact on purpose.
void flyer_model_draw(void)
{
    glScalef(2, 2, 2);
    glColor3ub(255, 255, 0);
    gluSphere(quadric, 1, 10, 10);
    glRotatef(-20, 1, 0, 0);
    gluCylinder(quadric, 1, 0, 3, 16, 16);
    glTranslatef(0, 1.296875, 0);
    glRotatef(90, 1, 0, 0);
    gluSphere(quadric, 0.80078125, 10, 10);
    glRotatef(180, 0, 1, 0);
    glRotatef(90, 1, 0, 0);
    glColor3f(1, 0, 0);
    gluCylinder(quadric, 0.69921875, 0, 3, 16, 16);
}
