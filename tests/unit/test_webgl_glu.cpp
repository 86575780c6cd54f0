// test_webgl_glu.cpp -- the web platform's GLU arithmetic against the system's
// GLU: this program defines the GL entry points GLU calls, so the system
// libGLU's quadrics, mipmaps and perspective land in these recorders, and
// each recording is held against what web_glu_mesh computes.
#include "platform/web/web_glu_mesh.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>
#include <vector>

namespace {

WebGluMesh glu; // what the system's GLU sent
float current_normal[3] = {0, 0, 1}, current_tex[2];
std::vector<std::vector<unsigned char>> levels;
double multiplied[16];
int last_width = 1, alignment = 4;

} // namespace

extern "C" {
void glBegin(GLenum mode) { glu.runs[glu.run_count++] = {mode, glu.vertex_count, 0}; }
void glEnd(void) {}
void glNormal3f(GLfloat x, GLfloat y, GLfloat z) { current_normal[0] = x, current_normal[1] = y, current_normal[2] = z; }
void glTexCoord2f(GLfloat s, GLfloat t) { current_tex[0] = s, current_tex[1] = t; }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    glu.vertices[glu.vertex_count++] = {{x, y, z}, {current_normal[0], current_normal[1], current_normal[2]},
                                        {current_tex[0], current_tex[1]}};
    glu.runs[glu.run_count - 1].count++;
}
void glMultMatrixd(const GLdouble *m)
{
    for (int k = 0; k < 16; k++)
        multiplied[k] = m[k];
}
// Enough of a GL 1.1 for gluBuild2DMipmaps: its defaults, every size fits,
// and the rows of each level are read as the unpack alignment lays them out.
void glGetIntegerv(GLenum name, GLint *v)
{
    *v = name == GL_MAX_TEXTURE_SIZE ? 4096 : name == GL_UNPACK_ALIGNMENT ? alignment : name == GL_PACK_ALIGNMENT ? 4 : 0;
}
void glPixelStorei(GLenum name, GLint v) { alignment = name == GL_UNPACK_ALIGNMENT ? v : alignment; }
const GLubyte *glGetString(GLenum) { return (const GLubyte *)"1.1"; }
void glGetTexLevelParameteriv(GLenum, GLint, GLenum, GLint *v) { *v = last_width; }
void glTexImage2D(GLenum target, GLint, GLint, GLsizei w, GLsizei h, GLint, GLenum format, GLenum, const void *data)
{
    last_width = w;
    int row = w * (format == GL_RGBA ? 4 : 1), stride = (row + alignment - 1) / alignment * alignment;
    if (target != GL_TEXTURE_2D)
        return;
    levels.emplace_back();
    for (int y = 0; y < h; y++)
        levels.back().insert(levels.back().end(), (const unsigned char *)data + y * stride,
                             (const unsigned char *)data + y * stride + row);
}
}

struct Quadric {
    char kind; // sphere, cylinder, disk
    double a, b, c;
    int slices, stacks, texture;
};

// The program's solids first (flyer, tree, particle, noise disk), then other
// shapes: without texture coordinates, refused, past GLU's slices limit, tiny.
static const Quadric quadrics[] = {
    {'s', 1, 0, 0, 10, 10, 1},          {'s', 0.80078125, 0, 0, 10, 10, 1}, {'s', 3, 0, 0, 3, 5, 1},
    {'s', 0.0137, 0, 0, 16, 16, 1},     {'s', 4.3999, 0, 0, 16, 16, 1},     {'c', 1, 0, 3, 16, 16, 1},
    {'c', 0.69921875, 0, 3, 16, 16, 1}, {'c', 1, 0.8984375, 7, 7, 7, 1},   {'d', 0, 1.5, 0, 16, 1, 1},
    {'s', 1, 0, 0, 12, 8, 0},           {'s', 2.5, 0, 0, 5, 5, 0},          {'c', 2, 2.5, 0.3, 5, 3, 0},
    {'d', 0.5, 2, 0, 7, 3, 1},          {'d', 0, 1, 0, 9, 2, 0},            {'s', 1, 0, 0, 1, 4, 1},           {'c', 1, 1, 0, 8, 2, 1},            {'c', 1, 0.5, 1, 300, 2, 1},
    {'d', 0, 0.005, 0, 5, 1, 1},        {'d', 0, 1, 0, 1, 1, 1},
};

TEST(WebGluTest, QuadricsSendGlusVerticesNormalsAndTextureCoordinatesInGlusOrder)
{
    static WebGluMesh mine;
    GLUquadric *q = gluNewQuadric();
    for (const Quadric &row : quadrics) {
        SCOPED_TRACE(testing::Message() << row.kind << " " << row.a << " " << row.b << " " << row.c << " "
                                        << row.slices << "x" << row.stacks << " texture " << row.texture);
        gluQuadricTexture(q, (GLboolean)row.texture);
        glu.vertex_count = glu.run_count = 0;
        // A sphere is drawn from the unit mesh, scaled by its radius where it is drawn.
        float scale = 1;
        if (row.kind == 's') {
            gluSphere(q, row.a, row.slices, row.stacks);
            web_glu_sphere_mesh(&mine, row.slices, row.stacks, row.texture);
            scale = (float)row.a;
        } else if (row.kind == 'c') {
            gluCylinder(q, row.a, row.b, row.c, row.slices, row.stacks);
            web_glu_cylinder_mesh(&mine, row.a, row.b, row.c, row.slices, row.stacks, row.texture);
        } else {
            gluDisk(q, row.a, row.b, row.slices, row.stacks);
            web_glu_disk_mesh(&mine, row.a, row.b, row.slices, row.stacks, row.texture);
        }
        ASSERT_EQ(mine.run_count, glu.run_count);
        for (int r = 0; r < glu.run_count; r++) {
            EXPECT_EQ(mine.runs[r].mode, glu.runs[r].mode) << "run " << r;
            ASSERT_EQ(mine.runs[r].count, glu.runs[r].count) << "run " << r;
        }
        ASSERT_EQ(mine.vertex_count, glu.vertex_count);
        for (int i = 0; i < glu.vertex_count; i++) {
            const WebGluVertex &m = mine.vertices[i], &g = glu.vertices[i];
            for (int k = 0; k < 3; k++) {
                // Scaled: the radius enters GLU's rounding once and ours twice.
                float p = m.position[k] * scale, tolerance = scale == 1 ? 0 : 2.5e-7f * scale;
                ASSERT_LE(fabsf(p - g.position[k]), tolerance) << "vertex " << i << " axis " << k;
                ASSERT_EQ(m.normal[k], g.normal[k]) << "vertex " << i << " normal " << k;
            }
            if (row.texture) {
                ASSERT_TRUE(m.texcoord[0] == g.texcoord[0] && m.texcoord[1] == g.texcoord[1]) << "vertex " << i;
            }
        }
        for (int k = 0; k < 3; k++)
            EXPECT_EQ(mine.last_normal[k], current_normal[k]) << "the normal left current";
    }
    gluDeleteQuadric(q);

    // Our own limits, which GLU has not: a 64 x 63 sphere fits, 64 x 64 does
    // not; 256 strips fit, 257 do not.
    EXPECT_EQ(web_glu_sphere_mesh(&mine, 64, 63, 1), 1);
    EXPECT_EQ(web_glu_sphere_mesh(&mine, 64, 64, 1), 0);
    EXPECT_EQ(web_glu_cylinder_mesh(&mine, 1, 1, 1, 2, 256, 1), 1);
    EXPECT_EQ(web_glu_cylinder_mesh(&mine, 1, 1, 1, 2, 257, 1), 0);
}

TEST(WebGluTest, MipmapLevelsAndPerspectiveAreGlus)
{
    struct Image {
        int w, h, components;
    };
    for (Image image : {Image{256, 256, 1}, Image{32, 32, 1}, Image{8, 2, 1}, Image{8, 8, 4}, Image{2, 8, 4}}) {
        std::vector<unsigned char> pixels(image.w * image.h * image.components), level;
        for (unsigned char &p : pixels)
            p = (unsigned char)(rand() & 0xFF);
        levels.clear();
        gluBuild2DMipmaps(GL_TEXTURE_2D, image.components, image.w, image.h,
                          image.components == 4 ? GL_RGBA : GL_LUMINANCE, GL_UNSIGNED_BYTE, pixels.data());
        int w = image.w, h = image.h;
        level = pixels;
        for (size_t n = 1; n < levels.size(); n++) {
            web_glu_halve(level.data(), (long)w * image.components, level.data(), &w, &h, image.components);
            level.resize(w * h * image.components);
            ASSERT_TRUE(level == levels[n]) << image.w << "x" << image.h << " level " << n;
        }
        EXPECT_EQ(w * h, 1) << "the chain ends at 1 x 1";
    }

    for (const double *p : {(const double[]){45, 1.3333333730697632, 0.050048828125, 100000},
                            (const double[]){90, 1, 1, 2}, (const double[]){10, 0.5, 3, 7}}) {
        double mine[16];
        gluPerspective(p[0], p[1], p[2], p[3]);
        ASSERT_EQ(web_glu_perspective_matrix(mine, p[0], p[1], p[2], p[3]), 1);
        for (int k = 0; k < 16; k++)
            EXPECT_EQ(mine[k], multiplied[k]) << p[0] << " element " << k;
    }
}
