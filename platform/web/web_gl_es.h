// web_gl_es.h -- inside the web platform's GL subset: the OpenGL ES 2.0 entry
// points it draws with, reached under names of their own because the GL 1.1
// names are the subset's; and instancing where the context has it.
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
#define ES_MAX_VERTEX_ATTRIBS 0x8869

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
    X(const GLubyte *, GetString, (GLenum name))                                                   \
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

// Instancing (ANGLE_instanced_arrays in WebGL 1, EXT_instanced_arrays or
// ES 3.0's core natively): optional, so it stays out of the table above.
#define WEB_ES_INSTANCED_FUNCTIONS(X)                                                              \
    X(void, DrawElementsInstanced, (GLenum mode, GLsizei count, GLenum type, const void *offset,   \
                                    GLsizei instances))                                            \
    X(void, VertexAttribDivisor, (GLuint index, GLuint divisor))

// Under emscripten its own GL library's emscripten_gl* functions (the
// instanced ones under the extension's names); natively pointers fetched by
// name from the ES library (web_gl_load).
#ifdef __EMSCRIPTEN__
#define WEB_ES_DECLARE(result, name, params) extern "C" result emscripten_gl##name params;
WEB_ES_FUNCTIONS(WEB_ES_DECLARE)
extern "C" void emscripten_glDrawElementsInstancedANGLE(GLenum mode, GLsizei count, GLenum type, const void *offset,
                                                        GLsizei instances);
extern "C" void emscripten_glVertexAttribDivisorANGLE(GLuint index, GLuint divisor);
#define emscripten_glDrawElementsInstanced emscripten_glDrawElementsInstancedANGLE
#define emscripten_glVertexAttribDivisor emscripten_glVertexAttribDivisorANGLE
#define ES(name) emscripten_gl##name
#else
#define WEB_ES_MEMBER(result, name, params) result(*name) params;
struct WebEs {
    WEB_ES_FUNCTIONS(WEB_ES_MEMBER)
    WEB_ES_INSTANCED_FUNCTIONS(WEB_ES_MEMBER)
};
extern struct WebEs web_es;
#define ES(name) web_es.name
#endif

// Whether the current context draws instanced, found once it is started.
int web_es_instancing(void);
