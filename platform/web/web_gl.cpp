// web_gl.cpp -- the OpenGL 1.1 subset the program calls, over OpenGL ES 2.0
// (WebGL 1): GL 1.1's state with its defaults, kept here and drawn by
// web_gl_draw.cpp; matrices multiplied as Mesa multiplies them, light 0 in
// the vertex shader, the texture environment MODULATE. Not done:
// primitives other than quad strips, flat shading, lights other than 0,
// light positions, matrix stacks.
#include "platform/web/web_gl.h"
#include "platform/web/web_gl_draw.h"
#include "platform/web/web_gl_es.h"
#include "platform/web/web_gl_matrix.h"

#include <string.h>

#define READ_BAND_BYTES (256 * 1024)

static struct WebGlState *const gl = &web_gl_state;
// The surface's size, for glReadPixels' clipping: the first viewport is it.
static int surface_width, surface_height;

int web_gl_start(void)
{
#ifndef __EMSCRIPTEN__
    if (!web_es.CreateProgram)
        return 0;
#endif
    memset(gl, 0, sizeof *gl);

    // GL 1.1's defaults, where they are not ES 2.0's too.
    web_gl_matrix_identity(gl->projection);
    web_gl_matrix_identity(gl->modelview);
    gl->matrix = gl->modelview;
    gl->color[0] = gl->color[1] = gl->color[2] = gl->color[3] = 1;
    gl->normal[2] = 1;
    gl->light_ambient[3] = 1;
    gl->light_diffuse[0] = gl->light_diffuse[1] = gl->light_diffuse[2] = gl->light_diffuse[3] = 1;
    for (int k = 0; k < 3; k++)
        gl->material_ambient[k] = 0.2f, gl->material_diffuse[k] = 0.8f;
    gl->material_ambient[3] = gl->material_diffuse[3] = 1;
    gl->bound = -1;
    if (!web_gl_draw_start())
        return 0;

    GLint viewport[4] = {0, 0, 0, 0};
    ES(GetIntegerv)(GL_VIEWPORT, viewport);
    surface_width = viewport[2];
    surface_height = viewport[3];
    gl->started = 1;
    return 1;
}

void glMatrixMode(GLenum mode)
{
    gl->matrix = mode == GL_MODELVIEW ? gl->modelview : mode == GL_PROJECTION ? gl->projection : NULL;
}

void glLoadIdentity(void)
{
    if (!gl->matrix)
        return;
    web_gl_matrix_changing();
    web_gl_matrix_identity(gl->matrix);
}

void web_gl_multiply(const float m[16])
{
    if (!gl->matrix)
        return;
    web_gl_matrix_changing();
    web_gl_matrix_multiply(gl->matrix, gl->matrix, m);
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    if (!gl->matrix)
        return;
    web_gl_matrix_changing();
    web_gl_matrix_translate(gl->matrix, x, y, z);
}

void glScalef(GLfloat x, GLfloat y, GLfloat z)
{
    if (!gl->matrix)
        return;
    web_gl_matrix_changing();
    web_gl_matrix_scale(gl->matrix, x, y, z);
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    float r[16];
    if (web_gl_matrix_rotation(r, angle, x, y, z))
        web_gl_multiply(r);
}

// A capability that changes flushes what was drawn under the old one.
static void capability(GLenum cap, int on)
{
    int *kept = cap == GL_CULL_FACE        ? &gl->cull_face // set at each draw, which may cull for itself
                : cap == GL_BLEND          ? &gl->blend
                : cap == GL_TEXTURE_2D     ? &gl->texturing
                : cap == GL_LIGHTING       ? &gl->lighting
                : cap == GL_LIGHT0         ? &gl->light0
                : cap == GL_NORMALIZE      ? &gl->normalize
                : cap == GL_COLOR_MATERIAL ? &gl->color_material
                                           : NULL;
    int es_too = cap == GL_BLEND || cap == GL_DEPTH_TEST || cap == GL_DITHER || cap == GL_SCISSOR_TEST;
    if (!gl->started || (kept && *kept == on) || (!kept && !es_too))
        return;
    web_gl_flush();
    if (cap == GL_COLOR_MATERIAL && !on)
        for (int k = 0; k < 4; k++)
            gl->material_ambient[k] = gl->material_diffuse[k] = gl->color[k];
    if (kept)
        *kept = on;
    if (es_too && on)
        ES(Enable)(cap);
    else if (es_too)
        ES(Disable)(cap);
}

void glEnable(GLenum cap) { capability(cap, 1); }
void glDisable(GLenum cap) { capability(cap, 0); }

void glLightfv(GLenum light, GLenum name, const GLfloat *v)
{
    float *to = name == GL_AMBIENT ? gl->light_ambient : name == GL_DIFFUSE ? gl->light_diffuse : NULL;
    if (light != GL_LIGHT0 || !to)
        return;
    web_gl_flush();
    memcpy(to, v, 4 * sizeof(float));
}

// Only smooth shading is drawn; the program asks for nothing else.
void glShadeModel(GLenum) {}

void glBlendFunc(GLenum s, GLenum d)
{
    if (!gl->started)
        return;
    web_gl_flush();
    ES(BlendFunc)(s, d);
}

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a)
{
    if (gl->started)
        ES(ClearColor)(r, g, b, a);
}

void glClear(GLbitfield mask)
{
    if (!gl->started)
        return;
    web_gl_flush();
    ES(Clear)(mask & (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT));
}

// GL 1.1 binds any name, generated or not; ES objects are made on first use.
void glBindTexture(GLenum target, GLuint name)
{
    if (target != GL_TEXTURE_2D || !gl->started)
        return;
    int k = 0;
    while (k < gl->texture_count && gl->textures[k].name != name)
        k++;
    if (k == WEB_GL_MAX_TEXTURES) {
        web_gl_flush();
        gl->bound = -1; // no room: it samples as a texture without image
        return;
    }
    if (k == gl->bound)
        return;
    web_gl_flush();
    if (k == gl->texture_count) {
        gl->textures[k].name = name;
        gl->textures[k].has_image = 0;
        ES(GenTextures)(1, &gl->textures[k].es);
        gl->texture_count++;
    }
    gl->bound = k;
    ES(BindTexture)(GL_TEXTURE_2D, gl->textures[k].es);
}

void web_gl_texture_level(int level, GLenum format, int width, int height, int alignment, const void *pixels)
{
    if (gl->bound < 0 || !gl->started)
        return;
    web_gl_flush();
    ES(PixelStorei)(GL_UNPACK_ALIGNMENT, alignment);
    ES(TexImage2D)(GL_TEXTURE_2D, level, (GLint)format, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
    gl->textures[gl->bound].has_image = 1;
}

void glColor3f(GLfloat r, GLfloat g, GLfloat b)
{
    gl->color[0] = r, gl->color[1] = g, gl->color[2] = b, gl->color[3] = 1;
}

void glColor3ub(GLubyte r, GLubyte g, GLubyte b) { glColor3f(r / 255.0f, g / 255.0f, b / 255.0f); }

void glColor4ub(GLubyte r, GLubyte g, GLubyte b, GLubyte a)
{
    glColor3f(r / 255.0f, g / 255.0f, b / 255.0f);
    gl->color[3] = a / 255.0f;
}

void glBegin(GLenum mode) { web_gl_strip_begin(mode); }
void glEnd(void) { web_gl_strip_end(); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { web_gl_strip_vertex(x, y, z); }

// GL 1.1 reads with a pack alignment of 4; the block is clipped to the
// surface, and what lies outside is left as it was.
void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid *pixels)
{
    static unsigned char band[READ_BAND_BYTES];
    int first, count;
    switch (format) {
    case GL_RED: first = 0, count = 1; break;
    case GL_GREEN: first = 1, count = 1; break;
    case GL_BLUE: first = 2, count = 1; break;
    case GL_ALPHA: first = 3, count = 1; break;
    case GL_RGB: first = 0, count = 3; break;
    case GL_RGBA: first = 0, count = 4; break;
    default: return;
    }
    if (type != GL_UNSIGNED_BYTE || width < 0 || height < 0 || !pixels || !gl->started)
        return;
    web_gl_flush();
    long stride = ((long)width * count + 3) / 4 * 4;
    long x0 = x < 0 ? 0 : x, y0 = y < 0 ? 0 : y;
    long x1 = (long)x + width < surface_width ? (long)x + width : surface_width;
    long y1 = (long)y + height < surface_height ? (long)y + height : surface_height;
    if (x0 >= x1 || y0 >= y1 || (x1 - x0) * 4 > READ_BAND_BYTES)
        return;
    long rows_per_band = READ_BAND_BYTES / ((x1 - x0) * 4);
    for (long row = y0; row < y1; row += rows_per_band) {
        long rows = y1 - row < rows_per_band ? y1 - row : rows_per_band;
        ES(ReadPixels)((GLint)x0, (GLint)row, (GLsizei)(x1 - x0), (GLsizei)rows, GL_RGBA, GL_UNSIGNED_BYTE, band);
        for (long r = 0; r < rows; r++) {
            unsigned char *to = (unsigned char *)pixels + (row + r - y) * stride + (x0 - x) * count;
            const unsigned char *from = band + r * (x1 - x0) * 4 + first;
            for (long i = 0; i < x1 - x0; i++)
                memcpy(to + i * count, from + i * 4, count);
        }
    }
}
