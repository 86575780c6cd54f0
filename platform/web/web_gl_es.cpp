// web_gl_es.cpp -- the ES entry points of the web platform's GL subset:
// natively fetched by name, and whether the context can draw instanced
// (ANGLE_instanced_arrays in WebGL 1; natively ES 3.0, or the EXT or ANGLE
// extension under its own names).
#include "platform/web/web_gl.h"
#include "platform/web/web_gl_es.h"

#include <string.h>
#ifdef __EMSCRIPTEN__
#include <emscripten/html5.h>
#endif

// Locations 4 to 9 hold an instance's matrix, colour and scale.
#define INSTANCED_ATTRIBUTES 10

#ifndef __EMSCRIPTEN__
struct WebEs web_es;

int web_gl_load(void *(*get_proc)(const char *name))
{
    int ok = 1;
    void *p;
#define WEB_ES_LOAD(result, name, params)                                                         \
    p = get_proc("gl" #name);                                                                      \
    ok = ok && p;                                                                                  \
    memcpy(&web_es.name, &p, sizeof p);
    WEB_ES_FUNCTIONS(WEB_ES_LOAD)
    if (!ok) {
        memset(&web_es, 0, sizeof web_es);
        return 0;
    }
    // Fetched now, kept only where the context names them (web_es_instancing):
    // a GL library may hand out a pointer for any name.
    web_es.DrawElementsInstanced = NULL, web_es.VertexAttribDivisor = NULL;
    static const char *const suffixes[] = {"", "EXT", "ANGLE"};
    for (const char *suffix : suffixes) {
        char draw[48] = "glDrawElementsInstanced", divisor[48] = "glVertexAttribDivisor";
        strcat(draw, suffix), strcat(divisor, suffix);
        void *d = get_proc(draw), *v = get_proc(divisor);
        if (d && v) {
            memcpy(&web_es.DrawElementsInstanced, &d, sizeof d);
            memcpy(&web_es.VertexAttribDivisor, &v, sizeof v);
            break;
        }
    }
    return 1;
}
#endif

#ifndef __EMSCRIPTEN__
static int has_word(const char *list, const char *word)
{
    size_t n = strlen(word);
    for (const char *at = list; at && (at = strstr(at, word)); at += n)
        if ((at == list || at[-1] == ' ') && (at[n] == ' ' || at[n] == '\0'))
            return 1;
    return 0;
}
#endif

int web_es_instancing(void)
{
    GLint attributes = 0;
    ES(GetIntegerv)(ES_MAX_VERTEX_ATTRIBS, &attributes);
    if (attributes < INSTANCED_ATTRIBUTES)
        return 0;
#ifdef __EMSCRIPTEN__
    return emscripten_webgl_enable_extension(emscripten_webgl_get_current_context(), "ANGLE_instanced_arrays");
#else
    const char *version = (const char *)ES(GetString)(GL_VERSION);
    const char *extensions = (const char *)ES(GetString)(GL_EXTENSIONS);
    int core = version && strncmp(version, "OpenGL ES ", 10) == 0 && version[10] >= '3';
    return web_es.DrawElementsInstanced && web_es.VertexAttribDivisor &&
           (core || has_word(extensions, "GL_EXT_instanced_arrays") || has_word(extensions, "GL_ANGLE_instanced_arrays"));
#endif
}
