// fake_gl.cpp -- the recording GL and GLU behind fake_gl.h.
#include "fakes/fake_gl.h"

#include <stdio.h>
#include <string.h>

namespace fake {

std::vector<GlCall> gl;
bool gl_recording = true;
const float *gl_lightfv_last;
std::function<void(int, int, int, int, unsigned char *)> gl_read_pixels;
std::vector<std::vector<unsigned char>> gl_textures;

static char quadric_storage;

void gl_reset()
{
    gl.clear();
    gl_recording = true;
    gl_read_pixels = nullptr;
    gl_textures.clear();
}

std::vector<GlCall> gl_named(const char *name)
{
    std::vector<GlCall> out;
    for (const GlCall &call : gl)
        if (call.name == name)
            out.push_back(call);
    return out;
}

size_t gl_count(const char *name)
{
    size_t n = 0;
    for (const GlCall &call : gl)
        n += call.name == name;
    return n;
}

std::string gl_text(const GlCall &call)
{
    std::string text = call.name + "(";
    for (size_t i = 0; i < call.args.size(); i++) {
        char number[40];
        snprintf(number, sizeof(number), "%.17g", call.args[i]);
        text += (i ? "," : "") + std::string(number);
    }
    return text + ")";
}

static void put(const char *name, std::initializer_list<double> args)
{
    if (gl_recording)
        gl.push_back(GlCall{name, std::vector<double>(args)});
}

} // namespace fake

using fake::put;

void glClear(GLbitfield mask) { put("glClear", {(double)mask}); }
void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) { put("glClearColor", {r, g, b, a}); }
void glEnable(GLenum cap) { put("glEnable", {(double)cap}); }
void glDisable(GLenum cap) { put("glDisable", {(double)cap}); }
void glLightfv(GLenum light, GLenum pname, const GLfloat *params)
{
    fake::gl_lightfv_last = params;
    put("glLightfv", {(double)light, (double)pname, params[0], params[1], params[2], params[3]});
}
void glShadeModel(GLenum mode) { put("glShadeModel", {(double)mode}); }
void glMatrixMode(GLenum mode) { put("glMatrixMode", {(double)mode}); }
void glLoadIdentity(void) { put("glLoadIdentity", {}); }
void glRotatef(GLfloat a, GLfloat x, GLfloat y, GLfloat z) { put("glRotatef", {a, x, y, z}); }
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) { put("glTranslatef", {x, y, z}); }
void glScalef(GLfloat x, GLfloat y, GLfloat z) { put("glScalef", {x, y, z}); }
void glBegin(GLenum mode) { put("glBegin", {(double)mode}); }
void glEnd(void) { put("glEnd", {}); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { put("glVertex3f", {x, y, z}); }
void glColor3f(GLfloat r, GLfloat g, GLfloat b) { put("glColor3f", {r, g, b}); }
void glColor3ub(GLubyte r, GLubyte g, GLubyte b) { put("glColor3ub", {(double)r, (double)g, (double)b}); }
void glColor4ub(GLubyte r, GLubyte g, GLubyte b, GLubyte a)
{
    put("glColor4ub", {(double)r, (double)g, (double)b, (double)a});
}
void glBlendFunc(GLenum s, GLenum d) { put("glBlendFunc", {(double)s, (double)d}); }
void glBindTexture(GLenum target, GLuint name) { put("glBindTexture", {(double)target, (double)name}); }
void glReadPixels(GLint x, GLint y, GLsizei w, GLsizei h, GLenum format, GLenum type, GLvoid *pixels)
{
    put("glReadPixels", {(double)x, (double)y, (double)w, (double)h, (double)format, (double)type});
    if (fake::gl_read_pixels)
        fake::gl_read_pixels(x, y, w, h, (unsigned char *)pixels);
    else
        memset(pixels, 0, (size_t)w * (size_t)h);
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble znear, GLdouble zfar)
{
    put("gluPerspective", {fovy, aspect, znear, zfar});
}
GLUquadric *gluNewQuadric(void)
{
    put("gluNewQuadric", {});
    return (GLUquadric *)&fake::quadric_storage;
}
void gluQuadricTexture(GLUquadric *q, GLboolean texture)
{
    put("gluQuadricTexture", {(double)(q == (GLUquadric *)&fake::quadric_storage), (double)texture});
}
void gluSphere(GLUquadric *q, GLdouble radius, GLint slices, GLint stacks)
{
    put("gluSphere", {(double)(q != nullptr), radius, (double)slices, (double)stacks});
}
void gluCylinder(GLUquadric *q, GLdouble base, GLdouble top, GLdouble height, GLint slices, GLint stacks)
{
    put("gluCylinder", {(double)(q != nullptr), base, top, height, (double)slices, (double)stacks});
}
void gluDisk(GLUquadric *q, GLdouble inner, GLdouble outer, GLint slices, GLint loops)
{
    put("gluDisk", {(double)(q != nullptr), inner, outer, (double)slices, (double)loops});
}
GLint gluBuild2DMipmaps(GLenum target, GLint components, GLsizei width, GLsizei height, GLenum format,
                        GLenum type, const void *data)
{
    put("gluBuild2DMipmaps", {(double)target, (double)components, (double)width, (double)height,
                              (double)format, (double)type});
    if (fake::gl_recording) {
        const unsigned char *bytes = (const unsigned char *)data;
        fake::gl_textures.emplace_back(bytes, bytes + (size_t)width * (size_t)height);
    }
    return 0;
}
