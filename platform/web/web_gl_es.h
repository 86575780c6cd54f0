// web_gl_es.h -- inside the web platform's GL subset: the OpenGL ES 2.0 entry
// points it draws with, reached under names of their own because the GL 1.1
// names are the subset's, and what web_gl.cpp offers web_glu.cpp.
#pragma once

#include <GL/gl.h>
#include <stddef.h>

// ES 2.0 values that GL 1.1's header lacks.
#define ES_ARRAY_BUFFER 0x8892
#define ES_ELEMENT_ARRAY_BUFFER 0x8893
#define ES_STREAM_DRAW 0x88E0
#define ES_STATIC_DRAW 0x88E4
#define ES_FRAGMENT_SHADER 0x8B30
#define ES_VERTEX_SHADER 0x8B31
#define ES_COMPILE_STATUS 0x8B81
#define ES_LINK_STATUS 0x8B82

// Every ES function used: result, name without "gl", parameters.
#define WEB_ES_FUNCTIONS(X)                                                                        \
    X(void, AttachShader, (GLuint program, GLuint shader))                                         \
    X(void, BindAttribLocation, (GLuint program, GLuint index, const char *name))                  \
    X(void, BindBuffer, (GLenum target, GLuint buffer))                                            \
    X(void, BindTexture, (GLenum target, GLuint texture))                                          \
    X(void, BlendFunc, (GLenum s, GLenum d))                                                       \
    X(void, BufferData, (GLenum target, ptrdiff_t size, const void *data, GLenum usage))           \
    X(void, BufferSubData, (GLenum target, ptrdiff_t offset, ptrdiff_t size, const void *data))    \
    X(void, Clear, (GLbitfield mask))                                                              \
    X(void, ClearColor, (GLfloat r, GLfloat g, GLfloat b, GLfloat a))                              \
    X(void, CompileShader, (GLuint shader))                                                        \
    X(void, CullFace, (GLenum face))                                                               \
    X(GLuint, CreateProgram, (void))                                                               \
    X(GLuint, CreateShader, (GLenum type))                                                         \
    X(void, DeleteBuffers, (GLsizei n, const GLuint *buffers))                                     \
    X(void, Disable, (GLenum cap))                                                                 \
    X(void, DisableVertexAttribArray, (GLuint index))                                              \
    X(void, DrawArrays, (GLenum mode, GLint first, GLsizei count))                                 \
    X(void, DrawElements, (GLenum mode, GLsizei count, GLenum type, const void *offset))           \
    X(void, Enable, (GLenum cap))                                                                  \
    X(void, EnableVertexAttribArray, (GLuint index))                                               \
    X(void, GenBuffers, (GLsizei n, GLuint *buffers))                                              \
    X(void, GenTextures, (GLsizei n, GLuint *textures))                                            \
    X(void, GetIntegerv, (GLenum name, GLint *values))                                             \
    X(void, GetProgramiv, (GLuint program, GLenum name, GLint *value))                             \
    X(void, GetShaderiv, (GLuint shader, GLenum name, GLint *value))                               \
    X(GLint, GetUniformLocation, (GLuint program, const char *name))                               \
    X(void, LinkProgram, (GLuint program))                                                         \
    X(void, PixelStorei, (GLenum name, GLint value))                                               \
    X(void, ReadPixels, (GLint x, GLint y, GLsizei w, GLsizei h, GLenum f, GLenum t, void *p))     \
    X(void, ShaderSource, (GLuint shader, GLsizei n, const char *const *text, const GLint *length)) \
    X(void, TexImage2D, (GLenum target, GLint level, GLint internal, GLsizei w, GLsizei h,         \
                         GLint border, GLenum format, GLenum type, const void *pixels))            \
    X(void, Uniform1i, (GLint location, GLint v))                                                  \
    X(void, Uniform3f, (GLint location, GLfloat x, GLfloat y, GLfloat z))                          \
    X(void, Uniform4fv, (GLint location, GLsizei n, const GLfloat *v))                             \
    X(void, UniformMatrix3fv, (GLint location, GLsizei n, GLboolean transpose, const GLfloat *m))  \
    X(void, UniformMatrix4fv, (GLint location, GLsizei n, GLboolean transpose, const GLfloat *m))  \
    X(void, UseProgram, (GLuint program))                                                          \
    X(void, VertexAttrib2f, (GLuint index, GLfloat x, GLfloat y))                                  \
    X(void, VertexAttrib3f, (GLuint index, GLfloat x, GLfloat y, GLfloat z))                       \
    X(void, VertexAttrib4f, (GLuint index, GLfloat x, GLfloat y, GLfloat z, GLfloat w))            \
    X(void, VertexAttribPointer, (GLuint index, GLint size, GLenum type, GLboolean normalized,     \
                                  GLsizei stride, const void *offset))

// Under emscripten its own GL library's emscripten_gl* functions; natively
// pointers fetched by name from the ES library (web_gl_load).
#ifdef __EMSCRIPTEN__
#define WEB_ES_DECLARE(result, name, params) extern "C" result emscripten_gl##name params;
WEB_ES_FUNCTIONS(WEB_ES_DECLARE)
#define ES(name) emscripten_gl##name
#else
#define WEB_ES_MEMBER(result, name, params) result(*name) params;
struct WebEs {
    WEB_ES_FUNCTIONS(WEB_ES_MEMBER)
};
extern struct WebEs web_es;
#define ES(name) web_es.name
#endif

// What the GLU of the subset (web_glu.cpp) draws with.

// Draws a quadric's mesh (vertices of position, normal, texture coordinate:
// 8 floats each; count 16-bit indices of triangles) with the current
// matrices, colour and lighting, its positions scaled by scale; then makes
// the normal and (with texcoords) the texture coordinate GLU left behind the
// current ones. A closed mesh (a sphere: every triangle turned outward, no
// edge open) may have its back faces left out where that changes no pixel.
void web_gl_draw_mesh(GLuint buffer, GLuint index_buffer, int count, float scale, int closed, int texcoords,
                      const float last_normal[3], const float last_texcoord[2]);
// Whether web_gl_start has set a context up: until then every call does nothing.
int web_gl_started(void);
// After the quadrics have bound buffers of their own.
void web_gl_buffers_changed(void);
// glMultMatrixf on the current matrix.
void web_gl_multiply(const float m[16]);
// One level of the texture bound to GL_TEXTURE_2D, rows aligned as given.
void web_gl_texture_level(int level, GLenum format, int width, int height, int alignment,
                          const void *pixels);
// Forgets the quadrics' buffers: they belonged to an earlier context.
void web_glu_forget(void);
