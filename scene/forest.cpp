// forest.cpp -- 200 trees whose places and crown colours come from a private
// run of the random source, so they stand still while the ground sinks.
#include "scene/forest.h"

#include "platform/win32.h"
#include "scene/scene.h"
#include "world/random.h"
#include "world/terrain.h"

#define TREE_COUNT 200
#define FOREST_SEED 200

void tree_draw(void)
{
    glRotatef(270, 1, 0, 0); // the quadric's axis now points up
    glColor3ub(128, 64, 0);
    // 0.8984375 is the trunk's top radius exactly, on purpose.
    gluCylinder(quadric, 1, 0.8984375, 7, 7, 7);
    glTranslatef(0, 0, 7);
    // Drawn blue first, then green, then red.
    float blue = random_unit();
    float green = random_unit();
    float red = random_unit();
    glColor3f(red, green, blue);
    gluSphere(quadric, 3, 3, 5);
}

void forest_draw(void)
{
    // The rest of the scene must not notice the 1000 draws made here.
    uint32_t saved = random_seed;
    random_seed = FOREST_SEED;

    for (int n = 0; n < TREE_COUNT; n++) {
        float x = (float)(random_unit() * 256.0);
        float z = (float)(random_unit() * 256.0);
        // Multiples of 1/128 below 256: the indices stay inside the grid.
        float g = (float)(heightmap[(int)z * 256 + (int)x] - 2.0);
        // A tree whose ground has been bombed away drops out of sight.
        float y = g < 10 ? -1000.0f : g;
        glLoadIdentity();
        glTranslatef(x, y, z);
        tree_draw();
    }

    random_seed = saved;
}
