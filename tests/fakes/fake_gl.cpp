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

static std::string q(const GLUquadric *quad)
{
    return quad == (GLUquadric *)&the_quadric ? "quadric" : "other";
}

} // namespace fake

using fake::num;

// Nothing is formatted when nothing is recorded.
#define record(...)                                                                                \
    do {                                                                                           \
        if (fake::active())                                                                        \
            fake::record(__VA_ARGS__);                                                             \
    } while (0)

void glClear(GLbitfield mask) { record("glClear", {num(mask)}); }
void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a)
{
    record("glClearColor", {num(r), num(g), num(b), num(a)});
}
void glEnable(GLenum cap) { record("glEnable", {num(cap)}); }
void glDisable(GLenum cap) { record("glDisable", {num(cap)}); }
void glLightfv(GLenum light, GLenum pname, const GLfloat *v)
{
    record("glLightfv", {num(light), num(pname), num(v[0]), num(v[1]), num(v[2]), num(v[3])});
}
void glShadeModel(GLenum mode) { record("glShadeModel", {num(mode)}); }
void glMatrixMode(GLenum mode) { record("glMatrixMode", {num(mode)}); }
void glLoadIdentity(void) { record("glLoadIdentity"); }
void glRotatef(GLfloat a, GLfloat x, GLfloat y, GLfloat z)
{
    record("glRotatef", {num(a), num(x), num(y), num(z)});
}
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) { record("glTranslatef", {num(x), num(y), num(z)}); }
void glScalef(GLfloat x, GLfloat y, GLfloat z) { record("glScalef", {num(x), num(y), num(z)}); }
void glBegin(GLenum mode) { record("glBegin", {num(mode)}); }
void glEnd(void) { record("glEnd"); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { record("glVertex3f", {num(x), num(y), num(z)}); }
void glColor3f(GLfloat r, GLfloat g, GLfloat b) { record("glColor3f", {num(r), num(g), num(b)}); }
void glColor3ub(GLubyte r, GLubyte g, GLubyte b)
{
    record("glColor3ub", {num((int)r), num((int)g), num((int)b)});
}
void glColor4ub(GLubyte r, GLubyte g, GLubyte b, GLubyte a)
{
    record("glColor4ub", {num((int)r), num((int)g), num((int)b), num((int)a)});
}
void glBlendFunc(GLenum s, GLenum d) { record("glBlendFunc", {num(s), num(d)}); }
void glBindTexture(GLenum target, GLuint name) { record("glBindTexture", {num(target), num(name)}); }
void glReadPixels(GLint x, GLint y, GLsizei w, GLsizei h, GLenum format, GLenum type, GLvoid *pixels)
{
    record("glReadPixels", {num(x), num(y), num(w), num(h), num(format), num(type)});
    if (fake::gl_read_pixels)
        fake::gl_read_pixels(w, h, (unsigned char *)pixels);
    else
        memset(pixels, 0, (size_t)w * (size_t)h);
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble znear, GLdouble zfar)
{
    record("gluPerspective", {num(fovy), num(aspect), num(znear), num(zfar)});
}
GLUquadric *gluNewQuadric(void)
{
    record("gluNewQuadric");
    return (GLUquadric *)&fake::the_quadric;
}
void gluQuadricTexture(GLUquadric *quad, GLboolean texture)
{
    record("gluQuadricTexture", {fake::q(quad), num((int)texture)});
}
void gluSphere(GLUquadric *quad, GLdouble radius, GLint slices, GLint stacks)
{
    record("gluSphere", {fake::q(quad), num(radius), num(slices), num(stacks)});
}
void gluCylinder(GLUquadric *quad, GLdouble base, GLdouble top, GLdouble height, GLint slices,
                 GLint stacks)
{
    record("gluCylinder", {fake::q(quad), num(base), num(top), num(height), num(slices), num(stacks)});
}
void gluDisk(GLUquadric *quad, GLdouble inner, GLdouble outer, GLint slices, GLint loops)
{
    record("gluDisk", {fake::q(quad), num(inner), num(outer), num(slices), num(loops)});
}
GLint gluBuild2DMipmaps(GLenum target, GLint components, GLsizei width, GLsizei height,
                        GLenum format, GLenum type, const void *data)
{
    record("gluBuild2DMipmaps",
           {num(target), num(components), num(width), num(height), num(format), num(type)});
    if (fake::logging) {
        const unsigned char *bytes = (const unsigned char *)data;
        fake::gl_textures.emplace_back(bytes, bytes + (size_t)width * (size_t)height);
    }
    return 0;
}
