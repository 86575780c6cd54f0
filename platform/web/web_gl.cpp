// web_gl.cpp -- the OpenGL 1.1 subset the program calls, over OpenGL ES 2.0
// (WebGL 1), with GL 1.1's default state and arithmetic: matrices multiplied
// as Mesa multiplies them, light 0 in the vertex shader, the texture
// environment MODULATE. Quad strips are batched into one triangle strip and
// drawn when a state change needs it. Not done: primitives other than quad
// strips, flat shading, lights other than 0, light positions, matrix stacks.
#include "platform/web/web_gl.h"
#include "platform/web/web_gl_es.h"

#include <math.h>
#include <string.h>

// Enough for the 255 terrain strips of 512 vertices, the wall ring and the
// joins between them in one draw.
#define BATCH_VERTICES 132000
#define BATCH_FLOATS 7 // position, colour
#define MAX_TEXTURES 64
#define READ_BAND_BYTES (256 * 1024)

static const double PI = 3.14159265358979323846;

enum { A_POSITION, A_COLOR, A_NORMAL, A_TEXCOORD };
enum { LAYOUT_NONE, LAYOUT_BATCH, LAYOUT_MESH };

// Four programs from one source, one for each of GL_LIGHTING and
// GL_TEXTURE_2D on or off: untextured drawing samples and interpolates
// nothing, and unlit vertices (the particles) fetch no normal and run no
// light. Each computes what the others would for its state.
static const char *vertex_shader =
    "attribute vec3 a_position;\n"
    "attribute vec4 a_color;\n"
    "uniform mat4 u_mvp;\n"
    "uniform vec3 u_scale;\n"
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
    "    gl_Position = u_mvp * vec4(a_position * u_scale, 1.0);\n"
    "    vec4 c = a_color;\n"
    "#ifdef LIGHTING\n"
    "    vec3 n = u_normal_matrix * a_normal;\n"
    "    if (u_normalize) n = normalize(n);\n"
    "    vec4 ambient = u_color_material ? a_color : u_material_ambient;\n"
    "    vec4 diffuse = u_color_material ? a_color : u_material_diffuse;\n"
    // Light 0 keeps its default direction, the eye's +z; no specular term,
    // since the material's specular colour stays black.
    "    c = vec4(ambient.rgb * u_ambient + diffuse.rgb * u_diffuse * max(n.z, 0.0), diffuse.a);\n"
    "#endif\n"
    "    v_color = clamp(c, 0.0, 1.0);\n"
    "#ifdef TEXTURING\n"
    "    v_texcoord = a_texcoord;\n"
    "#endif\n"
    "}\n";

// The texture environment is GL_MODULATE.
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

struct Program {
    GLuint id;
    int lit;
    GLint u_mvp, u_normal_matrix, u_scale, u_normalize, u_color_material, u_ambient, u_diffuse, u_material_ambient,
        u_material_diffuse;
};

struct Texture {
    GLuint name, es;
    int has_image;
};

static struct {
    // GL 1.1 state
    float projection[16], modelview[16];
    float *matrix; // the one glMatrixMode chose; NULL for a mode not kept
    float color[4], normal[3], texcoord[2];
    int lighting, light0, normalize, color_material, texturing, blend, cull_face;
    float light_ambient[4], light_diffuse[4];
    // The material's ambient and diffuse colours: while colour material is on
    // they are the current colour, and they keep the last one when it goes off.
    float material_ambient[4], material_diffuse[4];
    struct Texture textures[MAX_TEXTURES];
    int texture_count, bound; // bound: index in textures, -1 for none
    int surface_width, surface_height;

    // glBegin/glEnd
    int inside, quad_strip, pairs, pending;
    float pending_vertex[BATCH_FLOATS];
    int batch_count;

    // ES objects and what the program in use was last given
    struct Program programs[4]; // by 2 x lighting + texturing
    struct Program *program;    // in use; NULL until the first draw
    int started;
    GLuint batch_buffer;
    int matrices_changed, normal_matrix_changed, flags_changed, layout;
    GLuint layout_buffer;
    float scale;
    float mvp[16];  // what the program in use was given
    GLenum culled;  // the faces ES leaves out now, 0 for none
} gl;

static float batch[BATCH_VERTICES * BATCH_FLOATS];

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
    if (!ok)
        memset(&web_es, 0, sizeof web_es);
    return ok;
}
#endif

// Matrices: column-major floats, multiplied with the rounding of Mesa's
// own matrix code, so that both GLs place the same vertices.

static void matrix_identity(float *m)
{
    for (int k = 0; k < 16; k++)
        m[k] = k % 5 == 0 ? 1.0f : 0.0f;
}

// out = a * b; out may be a or b.
static void matrix_multiply(float *out, const float *a, const float *b)
{
    float p[16];
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++)
            p[j * 4 + i] = a[i] * b[j * 4] + a[4 + i] * b[j * 4 + 1] + a[8 + i] * b[j * 4 + 2] +
                           a[12 + i] * b[j * 4 + 3];
    memcpy(out, p, sizeof p);
}

static void matrix_changed(void)
{
    web_gl_flush();
    gl.matrices_changed = gl.normal_matrix_changed = 1;
}

void web_gl_multiply(const float m[16])
{
    if (!gl.matrix)
        return;
    matrix_changed();
    matrix_multiply(gl.matrix, gl.matrix, m);
}

// The normals' matrix: the inverse transpose of the modelview's upper 3 x 3,
// which is its cofactor matrix over its determinant, as a column-major mat3.
static void normal_matrix(float n[9])
{
    const float *m = gl.modelview; // element (row r, column c) is m[c * 4 + r]
    n[0] = m[5] * m[10] - m[9] * m[6], n[3] = m[9] * m[2] - m[1] * m[10], n[6] = m[1] * m[6] - m[5] * m[2];
    n[1] = m[8] * m[6] - m[4] * m[10], n[4] = m[0] * m[10] - m[8] * m[2], n[7] = m[4] * m[2] - m[0] * m[6];
    n[2] = m[4] * m[9] - m[8] * m[5], n[5] = m[8] * m[1] - m[0] * m[9], n[8] = m[0] * m[5] - m[4] * m[1];
    float det = m[0] * n[0] + m[4] * n[3] + m[8] * n[6];
    float inverse = fabsf(det) < 1e-25f ? 0.0f : 1.0f / det;
    for (int k = 0; k < 9; k++)
        n[k] *= inverse;
}

// Before every draw: the uniforms whose GL 1.1 state changed since the last.
static void uniforms_update(float scale)
{
    // A program change starts its uniforms afresh: each program keeps its own.
    int textured = gl.texturing && gl.bound >= 0 && gl.textures[gl.bound].has_image;
    struct Program *p = &gl.programs[2 * gl.lighting + textured];
    if (p != gl.program) {
        ES(UseProgram)(p->id);
        gl.program = p;
        gl.matrices_changed = gl.normal_matrix_changed = gl.flags_changed = 1;
        gl.scale = -1;
    }
    if (gl.matrices_changed) {
        matrix_multiply(gl.mvp, gl.projection, gl.modelview);
        ES(UniformMatrix4fv)(p->u_mvp, 1, GL_FALSE, gl.mvp);
        gl.matrices_changed = 0;
    }
    // Only lit vertices read the normals' matrix: the particles skip it.
    if (gl.lighting && gl.normal_matrix_changed) {
        float n[9];
        normal_matrix(n);
        ES(UniformMatrix3fv)(p->u_normal_matrix, 1, GL_FALSE, n);
        gl.normal_matrix_changed = 0;
    }
    if (gl.flags_changed && p->lit) {
        static const float scene_ambient = 0.2f;
        float on = gl.light0 ? 1.0f : 0.0f;
        ES(Uniform1i)(p->u_normalize, gl.normalize);
        ES(Uniform1i)(p->u_color_material, gl.color_material);
        ES(Uniform4fv)(p->u_material_ambient, 1, gl.material_ambient);
        ES(Uniform4fv)(p->u_material_diffuse, 1, gl.material_diffuse);
        ES(Uniform3f)(p->u_ambient, scene_ambient + on * gl.light_ambient[0], scene_ambient + on * gl.light_ambient[1],
                      scene_ambient + on * gl.light_ambient[2]);
        ES(Uniform3f)(p->u_diffuse, on * gl.light_diffuse[0], on * gl.light_diffuse[1], on * gl.light_diffuse[2]);
        gl.flags_changed = 0;
    }
    if (scale != gl.scale) {
        ES(Uniform3f)(p->u_scale, scale, scale, scale);
        gl.scale = scale;
    }
}

// The faces ES leaves out for the next draw: GL_BACK while the program culls
// (glCullFace keeps its default), else those the draw may leave out itself.
static void cull(GLenum faces)
{
    if (gl.cull_face)
        faces = GL_BACK;
    if (faces == gl.culled)
        return;
    if (!faces)
        ES(Disable)(GL_CULL_FACE);
    else {
        if (!gl.culled)
            ES(Enable)(GL_CULL_FACE);
        ES(CullFace)(faces);
    }
    gl.culled = faces;
}

void web_gl_flush(void)
{
    if (gl.batch_count == 0 || !gl.started)
        return;
    uniforms_update(1.0f);
    cull(0);
    ES(BindBuffer)(ES_ARRAY_BUFFER, gl.batch_buffer);
    ES(BufferSubData)(ES_ARRAY_BUFFER, 0, (ptrdiff_t)(gl.batch_count * BATCH_FLOATS * sizeof(float)), batch);
    if (gl.layout != LAYOUT_BATCH) {
        ES(EnableVertexAttribArray)(A_COLOR);
        ES(DisableVertexAttribArray)(A_NORMAL);
        ES(DisableVertexAttribArray)(A_TEXCOORD);
        ES(VertexAttribPointer)(A_POSITION, 3, GL_FLOAT, GL_FALSE, BATCH_FLOATS * sizeof(float), (void *)0);
        ES(VertexAttribPointer)(A_COLOR, 4, GL_FLOAT, GL_FALSE, BATCH_FLOATS * sizeof(float),
                                (void *)(3 * sizeof(float)));
        gl.layout = LAYOUT_BATCH;
    }
    // The normal and texture coordinate cannot change inside a batch: only
    // the quadrics set them, and they draw on their own.
    ES(VertexAttrib3f)(A_NORMAL, gl.normal[0], gl.normal[1], gl.normal[2]);
    ES(VertexAttrib2f)(A_TEXCOORD, gl.texcoord[0], gl.texcoord[1]);
    ES(DrawArrays)(GL_TRIANGLE_STRIP, 0, gl.batch_count);
    gl.batch_count = 0;
}

// Which faces of a closed mesh, its vertices within scale of its origin,
// can be left out without a pixel changing, or 0. Unlit, untextured and not
// blended, every fragment of the mesh has the one colour, and the faces
// turned away cover only pixels that those turned towards cover too, unless
// a clipping plane opens the mesh: it must lie wholly where w > 0 and in
// front of the near plane. Which winding faces the eye then is read from a
// small triangle on the mesh's tangent plane nearest the eye (least w),
// turned outward as GLU turns its faces.
static GLenum faces_away(float scale)
{
    if (gl.program != &gl.programs[0] || gl.blend || !(scale > 0)) // unlit, untextured
        return 0;
    const float *m = gl.mvp; // element (row r, column c) is m[c * 4 + r]
    double reach = 1.01 * scale;
    double w_length = sqrt((double)m[3] * m[3] + (double)m[7] * m[7] + (double)m[11] * m[11]);
    double near[3] = {(double)m[2] + m[3], (double)m[6] + m[7], (double)m[10] + m[11]}; // z + w
    double near_length = sqrt(near[0] * near[0] + near[1] * near[1] + near[2] * near[2]);
    // (Under a perspective projection the near plane's test implies the first.)
    if (!(w_length > 0) || m[15] - reach * w_length <= 0 || (double)m[14] + m[15] - reach * near_length <= 0)
        return 0;
    double d[3] = {-m[3] / w_length, -m[7] / w_length, -m[11] / w_length};
    // t1, t2: unit tangents there, t1 x t2 = d.
    double a[3] = {fabs(d[0]) < 0.9 ? 1.0 : 0.0, fabs(d[0]) < 0.9 ? 0.0 : 1.0, 0};
    double t1[3] = {a[1] * d[2] - a[2] * d[1], a[2] * d[0] - a[0] * d[2], a[0] * d[1] - a[1] * d[0]};
    double length = sqrt(t1[0] * t1[0] + t1[1] * t1[1] + t1[2] * t1[2]);
    for (int k = 0; k < 3; k++)
        t1[k] /= length;
    double t2[3] = {d[1] * t1[2] - d[2] * t1[1], d[2] * t1[0] - d[0] * t1[2], d[0] * t1[1] - d[1] * t1[0]};
    double screen[3][2];
    for (int corner = 0; corner < 3; corner++) {
        double p[3], clip[4];
        for (int k = 0; k < 3; k++)
            p[k] = scale * (d[k] + (corner == 1 ? 0.5 * t1[k] : corner == 2 ? 0.5 * t2[k] : 0));
        for (int r = 0; r < 4; r++)
            clip[r] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r];
        screen[corner][0] = clip[0] / clip[3], screen[corner][1] = clip[1] / clip[3];
    }
    double turn = (screen[1][0] - screen[0][0]) * (screen[2][1] - screen[0][1]) -
                  (screen[2][0] - screen[0][0]) * (screen[1][1] - screen[0][1]);
    return turn > 0 ? GL_BACK : turn < 0 ? GL_FRONT : 0;
}

void web_gl_draw_mesh(GLuint buffer, GLuint index_buffer, int count, float scale, int closed, int texcoords,
                      const float last_normal[3], const float last_texcoord[2])
{
    if (!gl.started)
        return;
    web_gl_flush();
    uniforms_update(scale);
    cull(closed ? faces_away(scale) : 0);
    if (gl.layout != LAYOUT_MESH || gl.layout_buffer != buffer) {
        const GLsizei stride = 8 * sizeof(float);
        ES(BindBuffer)(ES_ARRAY_BUFFER, buffer);
        ES(BindBuffer)(ES_ELEMENT_ARRAY_BUFFER, index_buffer);
        ES(DisableVertexAttribArray)(A_COLOR);
        ES(EnableVertexAttribArray)(A_NORMAL);
        ES(VertexAttribPointer)(A_POSITION, 3, GL_FLOAT, GL_FALSE, stride, (void *)0);
        ES(VertexAttribPointer)(A_NORMAL, 3, GL_FLOAT, GL_FALSE, stride, (void *)(3 * sizeof(float)));
        ES(VertexAttribPointer)(A_TEXCOORD, 2, GL_FLOAT, GL_FALSE, stride, (void *)(6 * sizeof(float)));
        if (texcoords)
            ES(EnableVertexAttribArray)(A_TEXCOORD);
        else
            ES(DisableVertexAttribArray)(A_TEXCOORD);
        gl.layout = LAYOUT_MESH;
        gl.layout_buffer = buffer;
    }
    ES(VertexAttrib4f)(A_COLOR, gl.color[0], gl.color[1], gl.color[2], gl.color[3]);
    if (!texcoords)
        ES(VertexAttrib2f)(A_TEXCOORD, gl.texcoord[0], gl.texcoord[1]);
    ES(DrawElements)(GL_TRIANGLES, count, GL_UNSIGNED_SHORT, (void *)0);
    memcpy(gl.normal, last_normal, sizeof gl.normal);
    if (texcoords)
        memcpy(gl.texcoord, last_texcoord, sizeof gl.texcoord);
}

static GLuint shader_compile(GLenum type, const char *text, int lit, int texturing)
{
    const char *parts[3] = {lit ? "#define LIGHTING\n" : "", texturing ? "#define TEXTURING\n" : "", text};
    GLint ok = 0;
    GLuint shader = ES(CreateShader)(type);
    ES(ShaderSource)(shader, 3, parts, NULL);
    ES(CompileShader)(shader);
    ES(GetShaderiv)(shader, ES_COMPILE_STATUS, &ok);
    return ok ? shader : 0;
}

static int program_make(struct Program *p, int lit, int texturing)
{
    GLuint vs = shader_compile(ES_VERTEX_SHADER, vertex_shader, lit, texturing);
    GLuint fs = shader_compile(ES_FRAGMENT_SHADER, fragment_shader, lit, texturing);
    if (!vs || !fs)
        return 0;
    GLuint id = ES(CreateProgram)();
    ES(AttachShader)(id, vs);
    ES(AttachShader)(id, fs);
    ES(BindAttribLocation)(id, A_POSITION, "a_position");
    ES(BindAttribLocation)(id, A_COLOR, "a_color");
    ES(BindAttribLocation)(id, A_NORMAL, "a_normal");
    ES(BindAttribLocation)(id, A_TEXCOORD, "a_texcoord");
    ES(LinkProgram)(id);
    GLint ok = 0;
    ES(GetProgramiv)(id, ES_LINK_STATUS, &ok);
    if (!ok)
        return 0;
    p->id = id;
    p->lit = lit;
#define UNIFORM(name) p->name = ES(GetUniformLocation)(id, #name)
    UNIFORM(u_mvp), UNIFORM(u_normal_matrix), UNIFORM(u_scale);
    UNIFORM(u_normalize), UNIFORM(u_color_material), UNIFORM(u_ambient), UNIFORM(u_diffuse);
    UNIFORM(u_material_ambient), UNIFORM(u_material_diffuse);
    ES(UseProgram)(id);
    ES(Uniform1i)(ES(GetUniformLocation)(id, "u_texture"), 0);
    return 1;
}

int web_gl_start(void)
{
#ifndef __EMSCRIPTEN__
    if (!web_es.CreateProgram)
        return 0;
#endif
    memset(&gl, 0, sizeof gl);
    web_glu_forget();

    // GL 1.1's defaults, where they are not ES 2.0's too.
    matrix_identity(gl.projection);
    matrix_identity(gl.modelview);
    gl.matrix = gl.modelview;
    gl.color[0] = gl.color[1] = gl.color[2] = gl.color[3] = 1;
    gl.normal[2] = 1;
    gl.light_ambient[3] = 1;
    gl.light_diffuse[0] = gl.light_diffuse[1] = gl.light_diffuse[2] = gl.light_diffuse[3] = 1;
    for (int k = 0; k < 3; k++)
        gl.material_ambient[k] = 0.2f, gl.material_diffuse[k] = 0.8f;
    gl.material_ambient[3] = gl.material_diffuse[3] = 1;
    gl.bound = -1;

    for (int k = 0; k < 4; k++)
        if (!program_make(&gl.programs[k], k / 2, k % 2))
            return 0;
    ES(GenBuffers)(1, &gl.batch_buffer);
    // Its store is made once: a new one every draw costs more than the copy.
    ES(BindBuffer)(ES_ARRAY_BUFFER, gl.batch_buffer);
    ES(BufferData)(ES_ARRAY_BUFFER, (ptrdiff_t)sizeof batch, NULL, ES_STREAM_DRAW);
    ES(EnableVertexAttribArray)(A_POSITION);

    // The surface's size, for glReadPixels' clipping: the first viewport is it.
    GLint viewport[4] = {0, 0, 0, 0};
    ES(GetIntegerv)(GL_VIEWPORT, viewport);
    gl.surface_width = viewport[2];
    gl.surface_height = viewport[3];

    // The first draw chooses its program and gives it every uniform.
    gl.started = 1;
    return 1;
}

void glMatrixMode(GLenum mode)
{
    gl.matrix = mode == GL_MODELVIEW ? gl.modelview : mode == GL_PROJECTION ? gl.projection : NULL;
}

void glLoadIdentity(void)
{
    if (!gl.matrix)
        return;
    matrix_changed();
    matrix_identity(gl.matrix);
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    float *m = gl.matrix;
    if (!m)
        return;
    matrix_changed();
    for (int i = 0; i < 4; i++)
        m[12 + i] = m[i] * x + m[4 + i] * y + m[8 + i] * z + m[12 + i];
}

void glScalef(GLfloat x, GLfloat y, GLfloat z)
{
    float *m = gl.matrix;
    if (!m)
        return;
    matrix_changed();
    for (int i = 0; i < 4; i++)
        m[i] *= x, m[4 + i] *= y, m[8 + i] *= z;
}

// As Mesa 22: the angle in double, its sine and cosine in float; a rotation
// about a coordinate axis takes them as they are, any other axis is normalised.
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    float s = sinf((float)(angle * PI / 180.0)), c = cosf((float)(angle * PI / 180.0));
    float r[16];
    matrix_identity(r);
    if (x == 0 && y == 0 && z != 0) {
        r[0] = r[5] = c;
        r[4] = z < 0 ? s : -s, r[1] = z < 0 ? -s : s;
    } else if (x == 0 && z == 0 && y != 0) {
        r[0] = r[10] = c;
        r[8] = y < 0 ? -s : s, r[2] = y < 0 ? s : -s;
    } else if (y == 0 && z == 0 && x != 0) {
        r[5] = r[10] = c;
        r[9] = x < 0 ? s : -s, r[6] = x < 0 ? -s : s;
    } else {
        float mag = sqrtf(x * x + y * y + z * z);
        if (mag <= 1.0e-4f)
            return;
        x /= mag, y /= mag, z /= mag;
        float xx = x * x, yy = y * y, zz = z * z, xy = x * y, yz = y * z, zx = z * x;
        float xs = x * s, ys = y * s, zs = z * s, one_c = 1.0f - c;
        r[0] = (one_c * xx) + c, r[4] = (one_c * xy) - zs, r[8] = (one_c * zx) + ys;
        r[1] = (one_c * xy) + zs, r[5] = (one_c * yy) + c, r[9] = (one_c * yz) - xs;
        r[2] = (one_c * zx) - ys, r[6] = (one_c * yz) + xs, r[10] = (one_c * zz) + c;
    }
    web_gl_multiply(r);
}

// Without a started context the calls do nothing, as GL's do without a current one.
int web_gl_started(void) { return gl.started; }

void web_gl_buffers_changed(void) { gl.layout = LAYOUT_NONE; }

static void capability(GLenum cap, int on)
{
    if (!web_gl_started())
        return;
    web_gl_flush();
    switch (cap) {
    case GL_CULL_FACE: // set at each draw, which may cull for itself
        gl.cull_face = on;
        return;
    case GL_BLEND:
        gl.blend = on;
        // fall through
    case GL_DEPTH_TEST:
    case GL_DITHER:
    case GL_SCISSOR_TEST:
        if (on)
            ES(Enable)(cap);
        else
            ES(Disable)(cap);
        return;
    case GL_TEXTURE_2D:
        gl.texturing = on;
        break;
    case GL_LIGHTING:
        gl.lighting = on;
        break;
    case GL_LIGHT0:
        gl.light0 = on;
        break;
    case GL_NORMALIZE:
        gl.normalize = on;
        break;
    case GL_COLOR_MATERIAL:
        if (!on && gl.color_material)
            for (int k = 0; k < 4; k++)
                gl.material_ambient[k] = gl.material_diffuse[k] = gl.color[k];
        gl.color_material = on;
        break;
    default:
        return;
    }
    gl.flags_changed = 1;
}

void glEnable(GLenum cap) { capability(cap, 1); }
void glDisable(GLenum cap) { capability(cap, 0); }

void glLightfv(GLenum light, GLenum name, const GLfloat *v)
{
    float *to = name == GL_AMBIENT ? gl.light_ambient : name == GL_DIFFUSE ? gl.light_diffuse : NULL;
    if (light != GL_LIGHT0 || !to)
        return;
    web_gl_flush();
    memcpy(to, v, 4 * sizeof(float));
    gl.flags_changed = 1;
}

// Only smooth shading is drawn; the program asks for nothing else.
void glShadeModel(GLenum) {}

void glBlendFunc(GLenum s, GLenum d)
{
    if (!web_gl_started())
        return;
    web_gl_flush();
    ES(BlendFunc)(s, d);
}

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a)
{
    if (web_gl_started())
        ES(ClearColor)(r, g, b, a);
}

void glClear(GLbitfield mask)
{
    if (!web_gl_started())
        return;
    web_gl_flush();
    ES(Clear)(mask & (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT));
}

// GL 1.1 binds any name, generated or not; ES objects are made on first use.
void glBindTexture(GLenum target, GLuint name)
{
    if (target != GL_TEXTURE_2D || !web_gl_started())
        return;
    web_gl_flush();
    int k = 0;
    while (k < gl.texture_count && gl.textures[k].name != name)
        k++;
    if (k == gl.texture_count) {
        if (k == MAX_TEXTURES) {
            gl.bound = -1; // no room: it samples as a texture without image
            gl.flags_changed = 1;
            return;
        }
        gl.textures[k].name = name;
        gl.textures[k].has_image = 0;
        ES(GenTextures)(1, &gl.textures[k].es);
        gl.texture_count++;
    }
    gl.bound = k;
    ES(BindTexture)(GL_TEXTURE_2D, gl.textures[k].es);
    gl.flags_changed = 1;
}

void web_gl_texture_level(int level, GLenum format, int width, int height, int alignment, const void *pixels)
{
    if (gl.bound < 0 || !web_gl_started())
        return;
    web_gl_flush();
    ES(PixelStorei)(GL_UNPACK_ALIGNMENT, alignment);
    ES(TexImage2D)(GL_TEXTURE_2D, level, (GLint)format, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
    gl.textures[gl.bound].has_image = 1;
    gl.flags_changed = 1;
}

void glColor3f(GLfloat r, GLfloat g, GLfloat b)
{
    gl.color[0] = r, gl.color[1] = g, gl.color[2] = b, gl.color[3] = 1;
}

void glColor3ub(GLubyte r, GLubyte g, GLubyte b) { glColor3f(r / 255.0f, g / 255.0f, b / 255.0f); }

void glColor4ub(GLubyte r, GLubyte g, GLubyte b, GLubyte a)
{
    glColor3f(r / 255.0f, g / 255.0f, b / 255.0f);
    gl.color[3] = a / 255.0f;
}

void glBegin(GLenum mode)
{
    // Without a context nothing is drawn, so nothing is batched either.
    if (gl.inside || !web_gl_started())
        return;
    gl.inside = 1;
    gl.quad_strip = mode == GL_QUAD_STRIP;
    gl.pairs = gl.pending = 0;
}

void glEnd(void) { gl.inside = 0; }

static void batch_put(const float *v)
{
    memcpy(&batch[gl.batch_count++ * BATCH_FLOATS], v, BATCH_FLOATS * sizeof(float));
}

// A quad strip v0 v1 v2 v3... goes into the batch's triangle strip pair by
// pair swapped, v1 v0 v3 v2: each quad is then cut along v0-v3, as Mesa cuts
// it. Each strip starts on an odd place, where the swapped pairs face the way
// GL's quads face: after one repeat of its first vertex at the batch's
// start, or after the last vertex and its first repeated, which join strips
// with triangles without area.
void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    if (!gl.inside || !gl.quad_strip)
        return;
    float v[BATCH_FLOATS] = {x, y, z, gl.color[0], gl.color[1], gl.color[2], gl.color[3]};
    if (!gl.pending) {
        memcpy(gl.pending_vertex, v, sizeof v);
        gl.pending = 1;
        return;
    }
    gl.pending = 0;
    if (gl.batch_count + 4 > BATCH_VERTICES) {
        // Full: draw it, and go on from this strip's last pair.
        float carry[2][BATCH_FLOATS];
        int carried = gl.pairs > 0;
        if (carried)
            memcpy(carry, &batch[(gl.batch_count - 2) * BATCH_FLOATS], sizeof carry);
        web_gl_flush();
        if (carried)
            batch_put(carry[0]), batch_put(carry[0]), batch_put(carry[1]);
    }
    if (gl.pairs == 0) {
        if (gl.batch_count > 0)
            batch_put(&batch[(gl.batch_count - 1) * BATCH_FLOATS]);
        batch_put(v);
    }
    batch_put(v);
    batch_put(gl.pending_vertex);
    gl.pairs++;
}

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
    if (type != GL_UNSIGNED_BYTE || width < 0 || height < 0 || !pixels || !web_gl_started())
        return;
    web_gl_flush();
    long stride = ((long)width * count + 3) / 4 * 4;
    long x0 = x < 0 ? 0 : x, y0 = y < 0 ? 0 : y;
    long x1 = (long)x + width < gl.surface_width ? (long)x + width : gl.surface_width;
    long y1 = (long)y + height < gl.surface_height ? (long)y + height : gl.surface_height;
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
