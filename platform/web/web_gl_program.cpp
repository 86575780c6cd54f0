// web_gl_program.cpp -- the subset's shaders and what each program's
// uniforms hold. Light 0 is lit in the vertex shader, with GL 1.1's
// arithmetic; the texture environment is GL_MODULATE.
#include "platform/web/web_gl_program.h"
#include "platform/web/web_gl_es.h"

#include <string.h>

// Unlit vertices (the particles) fetch no normal and run no light;
// untextured drawing samples and interpolates nothing. An uninstanced draw
// takes its matrix, colour and scale from one uniform array (a batch of
// quad strips has its colours per vertex and 1 there), an instanced one
// from its instance's attributes; each computes what the others would.
static const char *vertex_shader =
    "attribute vec3 a_position;\n"
    "#ifdef INSTANCED\n"
    "attribute vec4 a_mvp0, a_mvp1, a_mvp2, a_mvp3, a_instance_color;\n"
    "attribute float a_instance_scale;\n"
    "#else\n"
    "attribute vec4 a_color;\n"
    "uniform vec4 u_draw[6];\n" // the matrix's columns, the colour, the scale
    "#endif\n"
    "varying vec4 v_color;\n"
    "#ifdef LIGHTING\n"
    "attribute vec3 a_normal;\n"
    "uniform mat3 u_normal_matrix;\n"
    "uniform bool u_normalize, u_color_material;\n"
    "uniform vec3 u_ambient, u_diffuse;\n"
    "uniform vec4 u_material_ambient, u_material_diffuse;\n"
    "#endif\n"
    "#ifdef TEXTURING\n"
    "attribute vec2 a_texcoord;\n"
    "varying vec2 v_texcoord;\n"
    "#endif\n"
    "void main() {\n"
    "#ifdef INSTANCED\n"
    "    mat4 mvp = mat4(a_mvp0, a_mvp1, a_mvp2, a_mvp3);\n"
    "    vec4 c = a_instance_color;\n"
    "    float scale = a_instance_scale;\n"
    "#else\n"
    "    mat4 mvp = mat4(u_draw[0], u_draw[1], u_draw[2], u_draw[3]);\n"
    "    vec4 c = a_color * u_draw[4];\n" // one factor is always 1: exact
    "    float scale = u_draw[5].x;\n"
    "#endif\n"
    "    gl_Position = mvp * vec4(a_position * scale, 1.0);\n"
    "#ifdef LIGHTING\n"
    "    vec3 n = u_normal_matrix * a_normal;\n"
    "    if (u_normalize) n = normalize(n);\n"
    "    vec4 ambient = u_color_material ? c : u_material_ambient;\n"
    "    vec4 diffuse = u_color_material ? c : u_material_diffuse;\n"
    // Light 0 keeps its default direction, the eye's +z; no specular term,
    // since the material's specular colour stays black.
    "    c = vec4(ambient.rgb * u_ambient + diffuse.rgb * u_diffuse * max(n.z, 0.0), diffuse.a);\n"
    "#endif\n"
    "    v_color = clamp(c, 0.0, 1.0);\n"
    "#ifdef TEXTURING\n"
    "    v_texcoord = a_texcoord;\n"
    "#endif\n"
    "}\n";

static const char *fragment_shader =
    "#ifdef GL_FRAGMENT_PRECISION_HIGH\n"
    "precision highp float;\n"
    "#else\n"
    "precision mediump float;\n"
    "#endif\n"
    "varying vec4 v_color;\n"
    "#ifdef TEXTURING\n"
    "uniform sampler2D u_texture;\n"
    "varying vec2 v_texcoord;\n"
    "void main() { gl_FragColor = v_color * texture2D(u_texture, v_texcoord); }\n"
    "#else\n"
    "void main() { gl_FragColor = v_color; }\n"
    "#endif\n";

// Which of a program's uniforms hold a known value.
enum { KNOWN_DRAW = 1, KNOWN_NORMAL_MATRIX = 2, KNOWN_LIGHTING = 4 };

struct WebGlProgram {
    GLuint id;
    int tried; // made, or refused (id 0)
    GLint u_draw, u_normal_matrix, u_normalize, u_color_material, u_ambient, u_diffuse, u_material_ambient,
        u_material_diffuse;
    int known;
    float draw[WEB_GL_DRAW_FLOATS], normal_matrix[9];
    struct WebGlLighting lighting;
};

static struct {
    struct WebGlProgram programs[8]; // by flags
    struct WebGlProgram *used;
} gp;

static GLuint shader_compile(GLenum type, const char *text, int flags)
{
    const char *parts[4] = {flags & WEB_GL_LIT ? "#define LIGHTING\n" : "",
                            flags & WEB_GL_TEXTURED ? "#define TEXTURING\n" : "",
                            flags & WEB_GL_INSTANCED ? "#define INSTANCED\n" : "", text};
    GLint ok = 0;
    GLuint shader = ES(CreateShader)(type);
    ES(ShaderSource)(shader, 4, parts, NULL);
    ES(CompileShader)(shader);
    ES(GetShaderiv)(shader, ES_COMPILE_STATUS, &ok);
    return ok ? shader : 0;
}

static const char *const attribute_names[WEB_GL_ATTRIBUTES] = {
    "a_position", "a_color", "a_normal", "a_texcoord", "a_mvp0", "a_mvp1", "a_mvp2", "a_mvp3",
    "a_instance_color", "a_instance_scale"};

static void program_make(struct WebGlProgram *p, int flags)
{
    p->tried = 1;
    GLuint vs = shader_compile(ES_VERTEX_SHADER, vertex_shader, flags);
    GLuint fs = shader_compile(ES_FRAGMENT_SHADER, fragment_shader, flags);
    if (!vs || !fs)
        return;
    GLuint id = ES(CreateProgram)();
    ES(AttachShader)(id, vs);
    ES(AttachShader)(id, fs);
    for (int k = 0; k < WEB_GL_ATTRIBUTES; k++)
        ES(BindAttribLocation)(id, k, attribute_names[k]);
    ES(LinkProgram)(id);
    GLint ok = 0;
    ES(GetProgramiv)(id, ES_LINK_STATUS, &ok);
    if (!ok)
        return;
    p->id = id;
#define UNIFORM(name) p->name = ES(GetUniformLocation)(id, #name)
    UNIFORM(u_draw), UNIFORM(u_normal_matrix);
    UNIFORM(u_normalize), UNIFORM(u_color_material), UNIFORM(u_ambient), UNIFORM(u_diffuse);
    UNIFORM(u_material_ambient), UNIFORM(u_material_diffuse);
    ES(UseProgram)(id);
    gp.used = p;
    if (flags & WEB_GL_TEXTURED)
        ES(Uniform1i)(ES(GetUniformLocation)(id, "u_texture"), 0);
}

int web_gl_programs_start(void)
{
    memset(&gp, 0, sizeof gp);
    for (int flags = 0; flags < 4; flags++)
        if (!web_gl_program_use(flags))
            return 0;
    return 1;
}

struct WebGlProgram *web_gl_program_use(int flags)
{
    struct WebGlProgram *p = &gp.programs[flags];
    if (!p->tried)
        program_make(p, flags);
    if (!p->id)
        return NULL;
    if (p != gp.used)
        ES(UseProgram)(p->id);
    gp.used = p;
    return p;
}

// Whether the program's copy of a uniform differs from value, which it takes.
static int differs(struct WebGlProgram *p, int which, void *copy, const void *value, size_t size)
{
    if ((p->known & which) && memcmp(copy, value, size) == 0)
        return 0;
    memcpy(copy, value, size);
    p->known |= which;
    return 1;
}

void web_gl_program_draw(const float *draw)
{
    struct WebGlProgram *p = gp.used;
    if (!differs(p, KNOWN_DRAW, p->draw, draw, sizeof p->draw))
        return;
    float v[24] = {0};
    memcpy(v, draw, sizeof p->draw);
    ES(Uniform4fv)(p->u_draw, 6, v);
}

void web_gl_program_normal_matrix(const float *n)
{
    struct WebGlProgram *p = gp.used;
    if (differs(p, KNOWN_NORMAL_MATRIX, p->normal_matrix, n, sizeof p->normal_matrix))
        ES(UniformMatrix3fv)(p->u_normal_matrix, 1, GL_FALSE, n);
}

void web_gl_program_lighting(const struct WebGlLighting *l)
{
    struct WebGlProgram *p = gp.used;
    struct WebGlLighting *held = &p->lighting;
    int all = !(p->known & KNOWN_LIGHTING);
    if (all || held->normalize != l->normalize)
        ES(Uniform1i)(p->u_normalize, l->normalize);
    if (all || held->color_material != l->color_material)
        ES(Uniform1i)(p->u_color_material, l->color_material);
    if (all || memcmp(held->material_ambient, l->material_ambient, sizeof l->material_ambient))
        ES(Uniform4fv)(p->u_material_ambient, 1, l->material_ambient);
    if (all || memcmp(held->material_diffuse, l->material_diffuse, sizeof l->material_diffuse))
        ES(Uniform4fv)(p->u_material_diffuse, 1, l->material_diffuse);
    if (all || memcmp(held->ambient, l->ambient, sizeof l->ambient))
        ES(Uniform3f)(p->u_ambient, l->ambient[0], l->ambient[1], l->ambient[2]);
    if (all || memcmp(held->diffuse, l->diffuse, sizeof l->diffuse))
        ES(Uniform3f)(p->u_diffuse, l->diffuse[0], l->diffuse[1], l->diffuse[2]);
    *held = *l;
    p->known |= KNOWN_LIGHTING;
}
