// fake_gl.cpp -- the recording GL and GLU behind fake_gl.h.
#include "fakes/fake_gl.h"

#include <string.h>

namespace fake {

std::function<void(int, int, unsigned char *)> gl_read_pixels;
std::vector<std::vector<unsigned char>> gl_textures;
static char the_quadric;

void gl_reset()
{
    log.clear();
    logging = true;
    log_limit = (size_t)-1;
    gl_read_pixels = nullptr;
    gl_textures.clear();
}

static std::string q(const GLUquadric *quad) { return quad == (GLUquadric *)&the_quadric ? "quadric" : "other"; }

} // namespace fake

using fake::q;
using fake::record;
using U = unsigned;

void glClear(GLbitfield mask) { record("glClear", mask); }
void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) { record("glClearColor", r, g, b, a); }
void glEnable(GLenum cap) { record("glEnable", cap); }
void glDisable(GLenum cap) { record("glDisable", cap); }
void glLightfv(GLenum l, GLenum p, const GLfloat *v) { record("glLightfv", l, p, v[0], v[1], v[2], v[3]); }
void glShadeModel(GLenum mode) { record("glShadeModel", mode); }
void glMatrixMode(GLenum mode) { record("glMatrixMode", mode); }
void glLoadIdentity(void) { record("glLoadIdentity"); }
void glRotatef(GLfloat a, GLfloat x, GLfloat y, GLfloat z) { record("glRotatef", a, x, y, z); }
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) { record("glTranslatef", x, y, z); }
void glScalef(GLfloat x, GLfloat y, GLfloat z) { record("glScalef", x, y, z); }
void glBegin(GLenum mode) { record("glBegin", mode); }
void glEnd(void) { record("glEnd"); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { record("glVertex3f", x, y, z); }
void glColor3f(GLfloat r, GLfloat g, GLfloat b) { record("glColor3f", r, g, b); }
void glColor3ub(GLubyte r, GLubyte g, GLubyte b) { record("glColor3ub", U(r), U(g), U(b)); }
void glColor4ub(GLubyte r, GLubyte g, GLubyte b, GLubyte a) { record("glColor4ub", U(r), U(g), U(b), U(a)); }
void glBlendFunc(GLenum s, GLenum d) { record("glBlendFunc", s, d); }
void glBindTexture(GLenum target, GLuint name) { record("glBindTexture", target, name); }
void glReadPixels(GLint x, GLint y, GLsizei w, GLsizei h, GLenum format, GLenum type, GLvoid *pixels)
{
    record("glReadPixels", x, y, w, h, format, type);
    if (fake::gl_read_pixels)
        fake::gl_read_pixels(w, h, (unsigned char *)pixels);
    else
        memset(pixels, 0, (size_t)w * (size_t)h);
}

// What the video capture's read-back sets and puts back.
void glFinish(void) {}
void glPushClientAttrib(GLbitfield) {}
void glPopClientAttrib(void) {}
void glPushAttrib(GLbitfield) {}
void glPopAttrib(void) {}
void glPixelStorei(GLenum name, GLint value) { record("glPixelStorei", name, value); }
void glReadBuffer(GLenum mode) { record("glReadBuffer", mode); }
const GLubyte *glGetString(GLenum) { return (const GLubyte *)"recording"; }

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble n, GLdouble f) { record("gluPerspective", fovy, aspect, n, f); }
GLUquadric *gluNewQuadric(void) { record("gluNewQuadric"); return (GLUquadric *)&fake::the_quadric; }
void gluQuadricTexture(GLUquadric *quad, GLboolean on) { record("gluQuadricTexture", q(quad), U(on)); }
void gluSphere(GLUquadric *quad, GLdouble r, GLint slices, GLint stacks) { record("gluSphere", q(quad), r, slices, stacks); }
void gluCylinder(GLUquadric *quad, GLdouble base, GLdouble top, GLdouble height, GLint slices, GLint stacks)
{
    record("gluCylinder", q(quad), base, top, height, slices, stacks);
}
void gluDisk(GLUquadric *quad, GLdouble inner, GLdouble outer, GLint slices, GLint loops)
{
    record("gluDisk", q(quad), inner, outer, slices, loops);
}
GLint gluBuild2DMipmaps(GLenum target, GLint components, GLsizei w, GLsizei h, GLenum format, GLenum type,
                        const void *data)
{
    record("gluBuild2DMipmaps", target, components, w, h, format, type);
    if (fake::logging)
        fake::gl_textures.emplace_back((const unsigned char *)data, (const unsigned char *)data + w * h);
    return 0;
}
