// webgl_frames.cpp -- the program's terrain synthesis and frames at fixed run
// times, written as raw bytes to the folder argv[1] names: built once on
// Mesa's own GL 1.1 and GLU, once (WEB_GL) on the web platform's subset over
// Mesa's GLES2, there with instancing or, given "plain", without it.
// test_webgl.cpp compares them.
#include "scene/scene.h"
#include "world/random.h"
#include "world/terrain.h"
#include "tools/subset_window.h"

#include <math.h>
#include <stdio.h>
#include <string.h>
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
    int plain = argc == 3 && strcmp(argv[2], "plain") == 0;
    SDL_Window *window = argc == 2 || plain ? subset_window("webgl_frames", !plain) : NULL;
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
    // An unlit sphere, whose faces turned away the subset may leave out, half
    // transparent.
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    gluQuadricTexture(quadric, GL_TRUE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glLoadIdentity();
    glTranslatef(1.2f, -2.2f, -5);
    glRotatef(180, 1, 0, 0); // its far half drawn first, then blended over
    glColor4ub(50, 230, 230, 128);
    gluSphere(quadric, 0.5, 16, 16);
    glDisable(GL_BLEND);
    glReadPixels(0, 0, 800, 600, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    ok = ok && write_file(dir + "/probe", rgb, sizeof rgb);

    // Rows of half transparent spheres that the subset may draw as one: each
    // row's run broken by blending, the terrain's texture, lighting (and a
    // lit sphere turned), other meshes, a read-back, the culling choice (a
    // mirrored sphere with a plane through its middle drawn after it, and
    // one cut open by the near plane); seen by a camera turned about two
    // axes, as the program's is.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60, 4.0 / 3, 0.5, 100);
    glRotatef(-4, 1, 0, 0);
    glRotatef(7, 0, 1, 0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // A quad strip longer than the subset's batch of 132000 vertices, which
    // is drawn full and goes on from the strip's last pair: its first pairs
    // all in one place, its last ones apart around the cut.
    glBegin(GL_QUAD_STRIP);
    for (int k = 0; k < 66010; k++) {
        float x = -5.5f + 0.3f * (k < 65990 ? 0 : k - 65990);
        glColor3ub(200, (GLubyte)(40 + 25 * (k % 8)), 40);
        glVertex3f(x, -3.7f, -8), glVertex3f(x, -3.3f - 0.1f * (k % 2), -8);
    }
    glEnd();
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    auto place = [](float x, float y, float z, float mirror, float turn = 0) {
        glLoadIdentity();
        glTranslatef(x, y, z);
        glScalef(mirror, 1, 1);
        glRotatef(turn, 0, 1, 0);
        glColor4ub((GLubyte)(130 + 25 * x), (GLubyte)(130 + 25 * y), 120, 160);
    };
    auto sphere = [&](float x, float y, float mirror = 1, float turn = 0) {
        place(x, y, -8, mirror, turn);
        gluSphere(quadric, 0.45, 16, 16);
    };
    float y = 3;
    for (GLenum cap : {GL_BLEND, GL_TEXTURE_2D, GL_LIGHTING}) {
        sphere(-4, y), sphere(-3, y);
        glEnable(cap);
        sphere(-2, y), sphere(-1, y), sphere(0, y, 1, 90);
        glDisable(cap);
        sphere(1, y--);
    }
    sphere(-4, -1);
    place(-3, -1, -8, 1);
    gluCylinder(quadric, 0.3, 0.1, 0.8, 8, 2);
    sphere(-2, -1);
    place(-1, -1, -8, 1);
    gluSphere(quadric, 0.3, 8, 6);
    sphere(0, -1);
    glReadPixels(0, 0, 800, 600, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    ok = ok && write_file(dir + "/runs_mid", rgb, sizeof rgb);
    sphere(1, -1), sphere(-4, -2.5f), sphere(-3, -2.5f, -1), sphere(-2, -2.5f);
    place(0.35f, -0.22f, -0.62f, 1);
    gluSphere(quadric, 0.2, 16, 16);
    glLoadIdentity();
    glColor3ub(250, 250, 250);
    glBegin(GL_QUAD_STRIP);
    for (int k = 0; k < 4; k++)
        glVertex3f(k < 2 ? -3.6f : -2.4f, k % 2 ? -2.3f : -2.7f, -8);
    glEnd();
    glReadPixels(0, 0, 800, 600, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    ok = ok && write_file(dir + "/runs", rgb, sizeof rgb);
    return ok ? 0 : 1;
}
