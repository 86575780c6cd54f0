// test_webgl_es.cpp -- when the web GL subset draws instanced natively: the
// entry points under the core or an extension's names, and the context's
// version, extensions and attributes, over a fake ES library.
#include "platform/web/web_gl.h"
#include "platform/web/web_gl_es.h"

#include <gtest/gtest.h>

#include <string.h>

namespace {

const char *version, *extensions, *suffix;
GLint attributes;

void fake(void) {}
void get_integer(GLenum, GLint *v) { *v = attributes; }
const GLubyte *get_string(GLenum name) { return (const GLubyte *)(name == GL_VERSION ? version : extensions); }

// Every name, but the instanced ones only with the suffix.
void *get_proc(const char *name)
{
    if (strcmp(name, "glGetString") == 0)
        return (void *)get_string;
    if (strcmp(name, "glGetIntegerv") == 0)
        return (void *)get_integer;
    const char *tail = strstr(name, "Instanced") ? strstr(name, "Instanced") + 9 : strstr(name, "Divisor") ? strstr(name, "Divisor") + 7 : NULL;
    return !tail || (suffix && strcmp(tail, suffix) == 0) ? (void *)fake : NULL;
}

} // namespace

TEST(WebGlEs, InstancingWhereTheContextNamesItWithEnoughAttributes)
{
    struct {
        const char *version, *extensions, *suffix;
        GLint attributes;
        int instancing;
    } rows[] = {
        {"OpenGL ES 3.2 Mesa 22.3.6", "", "", 16, 1},
        {"OpenGL ES 2.0", "GL_OES_mapbuffer GL_EXT_instanced_arrays", "EXT", 16, 1},
        {"OpenGL ES 2.0", "GL_ANGLE_instanced_arrays GL_OES_mapbuffer", "ANGLE", 16, 1},
        {"OpenGL ES 2.0", "GL_EXT_instanced_arrays_x xGL_ANGLE_instanced_arrays", "EXT", 16, 0},
        {"OpenGL ES 2.0", "", "", 16, 0},
        {"OpenGL ES 3.2", "", "", 9, 0},  // an instance takes locations 4 to 9
        {"OpenGL ES 3.2", "", NULL, 16, 0}, // the library has no such entry point
    };
    for (const auto &row : rows) {
        version = row.version, extensions = row.extensions, suffix = row.suffix, attributes = row.attributes;
        ASSERT_TRUE(web_gl_load(get_proc));
        EXPECT_EQ(web_es_instancing(), row.instancing) << row.version << " | " << row.extensions;
    }
}
