// scene.cpp -- the one-time GL state, the swaying camera and the order in
// which one frame is drawn.
#include "scene/scene.h"

#include "music/music.h"
#include "scene/flyers.h"
#include "scene/forest.h"
#include "scene/ground.h"
#include "scene/particles.h"
#include "world/terrain.h"

#include <math.h>

GLUquadric *quadric;
unsigned char finale_started;

static const GLfloat light_ambient[4] = {0.5f, 0.5f, 0.5f, 1.0f};
static const GLfloat light_diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};

void scene_init(void)
{
    quadric = gluNewQuadric();
    gluQuadricTexture(quadric, GL_TRUE);
    particles_clear();
    // Drawn into the back buffer and read back, so it runs while the fresh
    // context's defaults still hold: before any state below is set.
    terrain_generate();

    // A dark green: the bytes 20, 30, 10.
    glClearColor(0.078125f, 0.1171875f, 0.0390625f, 0.0f);
    glEnable(GL_DEPTH_TEST);
    glLightfv(GL_LIGHT0, GL_AMBIENT, light_ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, light_diffuse);
    glEnable(GL_LIGHT0);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_NORMALIZE);
    glEnable(GL_COLOR_MATERIAL);
    // Lighting stays off here: the particle pass switches it on, so the
    // first frame's walls and terrain are drawn unlit.
    flyers_reset_all();
    music_write();
}

// The whole camera lives in the projection matrix; the modelview matrix only
// places objects. Light 0 keeps its default direction and so stays fixed in
// world space.
void camera_setup(float eye_x, float eye_y, float eye_z, float pitch, float yaw)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // The aspect ratio is 4/3 rounded to single precision and widened again,
    // and the near plane a short-mantissa constant; both exact on purpose.
    gluPerspective(45.0, 1.3333333730697632, 0.050048828125, 100000.0);
    glRotatef(pitch, 1, 0, 0);
    glRotatef(yaw, 0, 1, 0);
    glTranslatef(-eye_x, -eye_y, -eye_z);
    glMatrixMode(GL_MODELVIEW);
}

void frame_render(int t, int dt)
{
    float yaw, pitch;

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // Each quotient is rounded to single precision, its sine taken in double
    // precision and rounded to single, on purpose; sinf would be 1 ulp off
    // for some times.
    yaw = (float)(30.0 * (float)sin((double)(float)(t / 5000.0)));
    pitch = (float)(30.0 + 10.0 * (float)sin((double)(float)(t / 3000.0)));
    camera_setup(128, 100, 250, pitch, yaw);
    glLoadIdentity();

    backdrop_draw();
    terrain_draw();
    particles_update_draw(dt);
    forest_draw();

    if (t < FINALE_TIME) {
        // Spawned after this frame's particle pass: first drawn next frame.
        flyers_update_draw(4 * dt);
        flyers_bomb();
    } else if (!finale_started) {
        // Once: every flyer bursts, one last model, and the flyers are gone.
        finale_started = 1;
        for (int i = 0; i < FLYER_COUNT; i++)
            particle_spawn(flyers[i].x, flyers[i].y, flyers[i].z, 4.0, 8.0, 4, 1);
        glLoadIdentity();
        glTranslatef(-1, -1, -1);
        flyer_model_draw();
    }
}
