// webgl_frames.cpp -- the program's terrain synthesis and frames at fixed run
// times, written as raw bytes to the folder argv[1] names: built once on
// Mesa's own GL 1.1 and GLU, once (WEB_GL) on the web platform's subset over
// Mesa's GLES2. test_webgl.cpp compares the two.
#include "scene/scene.h"
#include "world/random.h"
#include "world/terrain.h"
#include "tools/subset_window.h"

#include <math.h>
#include <stdio.h>
#include <string>

// The tune's file is not this comparison's concern, nor the drive paths.
void music_write(void) {}
#undef fopen

static int write_file(const std::string &path, const void *bytes, size_t size)
{
    FILE *f = fopen(path.c_str(), "wb");
    int ok = f && fwrite(bytes, 1, size, f) == size;
    return (f && fclose(f) == 0) && ok;
}

int main(int argc, char **argv)
{
    // Vertices sent before there is a context are drawn nowhere, and kept nowhere.
    glBegin(GL_QUAD_STRIP);
    for (int k = 0; k < 200000; k++)
        glVertex3f(0, 0, 0);
    glEnd();
    SDL_Window *window = argc == 2 ? subset_window("webgl_frames") : NULL;
    if (!window)
        return 2;
    std::string dir = argv[1];
    random_seed = 1;
    scene_init();
    unsigned char cells[256 * 256];
    for (int k = 0; k < 256 * 256; k++)
        cells[k] = (unsigned char)lround(heightmap[k] * 5);
    int ok = write_file(dir + "/heightmap", cells, sizeof cells);

    // Frames at 10 a second, then a long step into the finale; the first
    // frame is unlit, the later ones lit, with fire, smoke and craters.
    static unsigned char rgb[800 * 600 * 3];
    int t = 0;
    for (int n = 0; n <= 22; n++) {
        int dt = n == 0 ? 0 : n <= 20 ? 100 : n == 21 ? 31400 : 100;
        t += dt;
        frame_render(t, dt);
        if (n == 0 || n == 1 || n == 10 || n == 20 || n == 22) {
            glReadPixels(0, 0, 800, 600, GL_RGB, GL_UNSIGNED_BYTE, rgb);
            ok = ok && write_file(dir + "/frame" + std::to_string(t), rgb, sizeof rgb);
        }
#ifdef WEB_GL
        web_gl_flush();
#endif
        SDL_GL_SwapWindow(window);
    }

    // Beyond the program's calls: back faces culled, other rotation axes, a
    // sphere without texture coordinates, a holed disk, light 0 off, the
    // material's own colour, and quad strips facing both ways.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_CULL_FACE);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60, 4.0 / 3, 1, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(-1, 0, -6);
    glRotatef(40, 1, 2, 3);
    glRotatef(25, 0, 0, 1);
    glRotatef(-35, 0, 0, -2);
    glColor3f(0.2f, 0.9f, 0.5f);
    gluQuadricTexture(quadric, GL_FALSE);
    gluSphere(quadric, 1.5, 24, 12);
    glTranslatef(2.5, 0, 0);
    glDisable(GL_COLOR_MATERIAL);
    gluCylinder(quadric, 1, 0.5, 2, 12, 3);
    glDisable(GL_LIGHT0);
    glTranslatef(-1, -2, 0);
    gluDisk(quadric, 0.3, 1, 9, 2);
    glLoadIdentity();
    for (float turn : {1.0f, -1.0f}) {
        glBegin(GL_QUAD_STRIP);
        for (int k = 0; k < 6; k++)
            glVertex3f(turn * (1 + k / 2) - 0.5f, (float)(k % 2) - 2, -5);
        glEnd();
    }
    // Unlit spheres, whose faces turned away the subset may leave out: one
    // plain and one mirrored, each with a plane through its middle drawn
    // after it; one half transparent; one cut open by the near plane; seen
    // by a camera turned about two axes, as the program's is.
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glMatrixMode(GL_PROJECTION);
    glRotatef(-4, 1, 0, 0);
    glRotatef(7, 0, 1, 0);
    glMatrixMode(GL_MODELVIEW);
    gluQuadricTexture(quadric, GL_TRUE);
    for (float mirror : {1.0f, -1.0f}) {
        glLoadIdentity();
        glTranslatef(2.6f, mirror * 1.4f, -5);
        glScalef(mirror, 1, 1);
        glColor3ub(230, 80, 30);
        gluSphere(quadric, 0.8, 16, 16);
        glLoadIdentity();
        glColor3ub(30, 80, 230);
        glBegin(GL_QUAD_STRIP);
        for (int k = 0; k < 4; k++)
            glVertex3f(1.4f + 2.4f * (k / 2), mirror * 1.4f - 0.4f + 0.8f * (k % 2), -5);
        glEnd();
    }
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glLoadIdentity();
    glTranslatef(1.2f, -2.2f, -5);
    glRotatef(180, 1, 0, 0); // its far half drawn first, then blended over
    glColor4ub(50, 230, 230, 128);
    gluSphere(quadric, 0.5, 16, 16);
    glDisable(GL_BLEND);
    glLoadIdentity();
    glTranslatef(-0.45f, 0.55f, -1.2f); // a cap of 0.04 cut off
    glColor3ub(200, 200, 50);
    gluSphere(quadric, 0.2, 16, 16);
    glReadPixels(0, 0, 800, 600, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    ok = ok && write_file(dir + "/probe", rgb, sizeof rgb);
    return ok ? 0 : 1;
}
