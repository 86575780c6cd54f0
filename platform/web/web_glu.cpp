// web_glu.cpp -- the GLU calls the program makes, over the web platform's GL
// subset: each quadric's mesh is made once, in GLU's order and rounding
// (web_glu_mesh.cpp), kept as indexed triangles in the subset's one shared
// store and drawn with the current matrices; a sphere's mesh is the unit
// sphere, scaled where it is drawn.
// Not done: draw styles, normals and orientations other than GLU's defaults,
// mipmaps of sizes that are not powers of two.
#include "platform/web/web_gl_draw.h"
#include "platform/web/web_glu_mesh.h"

#include <GL/glu.h>
#include <string.h>

#define MAX_QUADRICS 8
#define MAX_SHAPES 32
#define LEVEL_BYTES (256 * 1024)

struct GLUquadric {
    int texture;
};

enum { SPHERE = 1, CYLINDER, DISK };

// A mesh in the store, found again by its exact arguments.
struct Shape {
    int kind, slices, stacks, texture;
    double a, b, c;
    struct WebGlMesh mesh;
};

static struct {
    struct GLUquadric quadrics[MAX_QUADRICS];
    int quadric_count;
    struct Shape shapes[MAX_SHAPES];
    int shape_count, next_replaced, last_found;
} glu;

static WebGluMesh mesh;
// A quad strip of n vertices makes n - 2 triangles at most, a fan n - 2.
static unsigned short indices[3 * WEB_GLU_MAX_VERTICES];
static WebGluVertex vertices[WEB_GLU_MAX_VERTICES];
static unsigned short hashed[2 * WEB_GLU_MAX_VERTICES]; // vertices' numbers + 1 by hash, 0 for none
static unsigned char level[LEVEL_BYTES];

// The mesh vertex's number among the drawn ones: equal vertices (all eight
// floats, bit for bit) are one, which the vertex shader then runs for once.
static int vertex_number(const WebGluVertex *v, int *count)
{
    unsigned h = 2166136261u;
    const unsigned char *b = (const unsigned char *)v;
    for (size_t k = 0; k < sizeof *v; k++)
        h = (h ^ b[k]) * 16777619u;
    for (h %= 2 * WEB_GLU_MAX_VERTICES;; h = (h + 1) % (2 * WEB_GLU_MAX_VERTICES)) {
        if (!hashed[h]) {
            vertices[*count] = *v;
            hashed[h] = (unsigned short)++*count;
            return *count - 1;
        }
        if (memcmp(&vertices[hashed[h] - 1], v, sizeof *v) == 0)
            return hashed[h] - 1;
    }
}

static int same_place(const WebGluVertex *a, const WebGluVertex *b)
{
    return a->position[0] == b->position[0] && a->position[1] == b->position[1] && a->position[2] == b->position[2];
}

// GLU's runs as one list of triangles, in GL's order, each as GL 1.1 turns
// it: quad k of a quad strip v0 v1 v2 v3... is cut along v(2k)-v(2k+3), as
// Mesa cuts it, into (v2k v2k+1 v2k+3) and (v2k v2k+3 v2k+2); fan triangle k
// of c e0 e1... is (c ek ek+1). Triangles with two corners in one place (at
// a sphere's poles) draw nothing anywhere and are left out.
static int mesh_triangles(int *vertex_count)
{
    int n = 0;
    *vertex_count = 0;
    memset(hashed, 0, sizeof hashed);
    for (int r = 0; r < mesh.run_count; r++) {
        const WebGluRun *run = &mesh.runs[r];
        const WebGluVertex *v = &mesh.vertices[run->first];
        for (int k = 0; k + 2 < run->count; k++) {
            const WebGluVertex *t[3];
            if (run->mode != GL_QUAD_STRIP)
                t[0] = &v[0], t[1] = &v[k + 1], t[2] = &v[k + 2];
            else if (k % 2 == 1 || k + 3 >= run->count)
                continue; // a quad's corners from its first pair
            else
                t[0] = &v[k], t[1] = &v[k + 1], t[2] = &v[k + 3];
            for (int half = 0; half < (run->mode == GL_QUAD_STRIP ? 2 : 1); half++) {
                if (half)
                    t[1] = &v[k + 3], t[2] = &v[k + 2];
                if (same_place(t[0], t[1]) || same_place(t[1], t[2]) || same_place(t[2], t[0]))
                    continue;
                for (int c = 0; c < 3; c++)
                    indices[n++] = (unsigned short)vertex_number(t[c], vertex_count);
            }
        }
    }
    return n;
}

// The shape with these arguments, made now if it is new or its mesh left
// the store (another context, a store emptied for room); NULL where GLU
// draws nothing for them.
static struct Shape *shape_find(int kind, double a, double b, double c, int slices, int stacks, int texture)
{
    if (!web_gl_state.started)
        return NULL;
    struct Shape *s = NULL;
    for (int i = 0; i < glu.shape_count && !s; i++) {
        struct Shape *t = &glu.shapes[(glu.last_found + i) % glu.shape_count];
        if (t->kind == kind && t->a == a && t->b == b && t->c == c && t->slices == slices && t->stacks == stacks &&
            t->texture == texture)
            s = t;
    }
    if (s && s->mesh.generation == web_gl_store_generation()) {
        glu.last_found = (int)(s - glu.shapes);
        return s;
    }
    int made = kind == SPHERE     ? web_glu_sphere_mesh(&mesh, slices, stacks, texture)
               : kind == CYLINDER ? web_glu_cylinder_mesh(&mesh, a, b, c, slices, stacks, texture)
                                  : web_glu_disk_mesh(&mesh, a, b, slices, stacks, texture);
    if (!made || mesh.vertex_count == 0)
        return NULL;

    if (!s) {
        if (glu.shape_count < MAX_SHAPES)
            s = &glu.shapes[glu.shape_count++];
        else {
            // Full: the oldest shape's record takes the new mesh.
            s = &glu.shapes[glu.next_replaced];
            glu.next_replaced = (glu.next_replaced + 1) % MAX_SHAPES;
        }
    }
    s->kind = kind, s->a = a, s->b = b, s->c = c;
    s->slices = slices, s->stacks = stacks, s->texture = texture;
    int vertex_count, index_count = mesh_triangles(&vertex_count);
    s->mesh.closed = kind == SPHERE;
    s->mesh.texcoords = texture;
    memcpy(s->mesh.last_normal, mesh.last_normal, sizeof s->mesh.last_normal);
    memcpy(s->mesh.last_texcoord, mesh.vertices[mesh.vertex_count - 1].texcoord, sizeof s->mesh.last_texcoord);
    static_assert(sizeof(WebGluVertex) == 8 * sizeof(float), "the store's vertex layout");
    s->mesh.generation = 0; // no mesh until it is stored
    if (!web_gl_store_mesh(&s->mesh, vertices[0].position, vertex_count, indices, index_count))
        return NULL;
    glu.last_found = (int)(s - glu.shapes);
    return s;
}

static void shape_draw(struct Shape *s, float scale)
{
    if (s)
        web_gl_draw_mesh(&s->mesh, scale);
}

GLUquadric *gluNewQuadric(void)
{
    if (glu.quadric_count == MAX_QUADRICS)
        return NULL;
    GLUquadric *q = &glu.quadrics[glu.quadric_count++];
    q->texture = 0;
    return q;
}

void gluQuadricTexture(GLUquadric *q, GLboolean texture)
{
    if (q)
        q->texture = texture ? 1 : 0;
}

void gluSphere(GLUquadric *q, GLdouble radius, GLint slices, GLint stacks)
{
    if (q && radius >= 0.0)
        shape_draw(shape_find(SPHERE, 0, 0, 0, slices, stacks, q->texture), (float)radius);
}

void gluCylinder(GLUquadric *q, GLdouble base, GLdouble top, GLdouble height, GLint slices, GLint stacks)
{
    if (q)
        shape_draw(shape_find(CYLINDER, base, top, height, slices, stacks, q->texture), 1.0f);
}

void gluDisk(GLUquadric *q, GLdouble inner, GLdouble outer, GLint slices, GLint loops)
{
    if (q)
        shape_draw(shape_find(DISK, inner, outer, 0, slices, loops, q->texture), 1.0f);
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble z_near, GLdouble z_far)
{
    double m[16];
    float f[16];
    if (!web_glu_perspective_matrix(m, fovy, aspect, z_near, z_far))
        return;
    // GL receives GLU's doubles and keeps them as floats.
    for (int k = 0; k < 16; k++)
        f[k] = (float)m[k];
    web_gl_multiply(f);
}

static GLenum base_format(GLint components)
{
    switch (components) {
    case 1: case GL_LUMINANCE: return GL_LUMINANCE;
    case 2: case GL_LUMINANCE_ALPHA: return GL_LUMINANCE_ALPHA;
    case 3: case GL_RGB: return GL_RGB;
    case 4: case GL_RGBA: return GL_RGBA;
    default: return 0;
    }
}

// The image is read with GL 1.1's unpack alignment of 4 and must be in the
// texture's own format: no conversion, no rescaling.
GLint gluBuild2DMipmaps(GLenum target, GLint components, GLsizei width, GLsizei height, GLenum format, GLenum type,
                        const void *data)
{
    GLenum base = base_format(components);
    int texel = base == GL_LUMINANCE ? 1 : base == GL_LUMINANCE_ALPHA ? 2 : base == GL_RGB ? 3 : 4;
    if (target != GL_TEXTURE_2D || type != GL_UNSIGNED_BYTE || !base || format != base)
        return GLU_INVALID_ENUM;
    if (width < 1 || height < 1 || (width & (width - 1)) || (height & (height - 1)) || !data)
        return GLU_INVALID_VALUE;
    int w = width, h = height;
    long row = ((long)w * texel + 3) / 4 * 4;
    if ((w > 1 || h > 1) && (long)(w > 1 ? w / 2 : 1) * (h > 1 ? h / 2 : 1) * texel > LEVEL_BYTES)
        return GLU_INVALID_VALUE;
    web_gl_texture_level(0, base, w, h, 4, data);
    // Level 1 from the image's padded rows into packed ones, the rest in place.
    const unsigned char *from = (const unsigned char *)data;
    for (int n = 1; w > 1 || h > 1; n++) {
        web_glu_halve(from, row, level, &w, &h, texel);
        web_gl_texture_level(n, base, w, h, 1, level);
        from = level;
        row = (long)w * texel;
    }
    return 0;
}
