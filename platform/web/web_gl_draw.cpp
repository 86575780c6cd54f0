// web_gl_draw.cpp -- how the web platform's GL subset draws over ES. Quad
// strips are batched into one triangle strip, drawn when a state change
// needs it. A quadric's draw is kept, with its matrix, colour and scale, in
// a run of draws of the same mesh under the same state; the run is drawn
// when the next draw cannot join it (another mesh, another culling choice,
// another normals' matrix), at any state change, glBegin, a read-back or
// the frame's end: as one instanced draw where the context has instancing,
// else one draw each. Nothing is reordered; a draw wholly outside the view
// is left out. What ES already holds (a
// binding, an array, a pointer, an attribute's value, the culling) costs
// no call.
#include "platform/web/web_gl.h"
#include "platform/web/web_gl_cull.h"
#include "platform/web/web_gl_draw.h"
#include "platform/web/web_gl_es.h"
#include "platform/web/web_gl_matrix.h"
#include "platform/web/web_gl_program.h"

#include <math.h>
#include <string.h>

// Enough for the 255 terrain strips of 512 vertices, the wall ring and the
// joins between them in one draw.
#define STRIP_VERTICES 132000
#define STRIP_FLOATS 7 // position, colour
#define MESH_FLOATS 8  // position, normal, texture coordinate
// 16-bit indices reach 65536 vertices.
#define STORE_VERTICES 65536
#define STORE_INDICES (3 * STORE_VERTICES)
// A run as long as the particle pool.
#define RUN_INSTANCES 16384

struct WebGlState web_gl_state;

enum { PENDING_NONE, PENDING_STRIP, PENDING_RUN };

static struct {
    int pending;
    int instancing;
    GLuint strip_buffer, store_vertices, store_indices, instance_buffer;
    int store_vertex_count, store_index_count;

    // glBegin..glEnd
    int inside, quad_strip, pairs, half;
    float half_vertex[STRIP_FLOATS];
    int strip_count;

    // The run: its mesh (its first index tells it from any other in the
    // store), and what its draws share.
    int first, count, texcoords, instances;
    GLenum culled;
    float normal_matrix[9], texcoord[2];
} d;

// What ES holds; a pointer's buffer 0 is one never set.
struct Pointer {
    GLuint buffer;
    int size, stride, offset;
};
static struct {
    GLuint array_buffer;
    unsigned enabled, constant_known; // by location
    struct Pointer pointers[WEB_GL_ATTRIBUTES];
    float constants[WEB_GL_ATTRIBUTES][4];
    GLenum culled; // the faces ES leaves out, 0 for none
} es;

static unsigned generation;
static float strip[STRIP_VERTICES * STRIP_FLOATS];
static float instances[RUN_INSTANCES * WEB_GL_DRAW_FLOATS];

static void bind_array(GLuint buffer)
{
    if (es.array_buffer != buffer)
        ES(BindBuffer)(ES_ARRAY_BUFFER, buffer);
    es.array_buffer = buffer;
}

static void array(int location, int on)
{
    unsigned bit = 1u << location;
    if (!(es.enabled & bit) == !on)
        return;
    if (on)
        ES(EnableVertexAttribArray)(location);
    else
        ES(DisableVertexAttribArray)(location);
    es.enabled ^= bit;
}

static void pointer(int location, GLuint buffer, int size, int stride, int offset)
{
    struct Pointer p = {buffer, size, stride, offset};
    if (memcmp(&es.pointers[location], &p, sizeof p) == 0)
        return;
    bind_array(buffer);
    ES(VertexAttribPointer)(location, size, GL_FLOAT, GL_FALSE, stride * sizeof(float),
                            (void *)(offset * sizeof(float)));
    es.pointers[location] = p;
}

// An attribute's value where its array is off: GL 1.1's current normal,
// texture coordinate, or a colour of 1 that the draw's own multiplies.
static void constant(int location, int n, const float *v)
{
    float value[4] = {0, 0, 0, 1};
    memcpy(value, v, n * sizeof(float));
    unsigned bit = 1u << location;
    if ((es.constant_known & bit) && memcmp(es.constants[location], value, sizeof value) == 0)
        return;
    if (n == 2)
        ES(VertexAttrib2f)(location, value[0], value[1]);
    else if (n == 3)
        ES(VertexAttrib3f)(location, value[0], value[1], value[2]);
    else
        ES(VertexAttrib4f)(location, value[0], value[1], value[2], value[3]);
    memcpy(es.constants[location], value, sizeof value);
    es.constant_known |= bit;
}

// GL_BACK while the program culls (glCullFace keeps its default), else the
// faces the draw may leave out itself.
static void cull(GLenum faces)
{
    if (web_gl_state.cull_face)
        faces = GL_BACK;
    if (faces == es.culled)
        return;
    if (!faces)
        ES(Disable)(GL_CULL_FACE);
    else {
        if (!es.culled)
            ES(Enable)(GL_CULL_FACE);
        ES(CullFace)(faces);
    }
    es.culled = faces;
}

static void instance_arrays(int on)
{
    for (int k = WEB_GL_A_MVP; k < WEB_GL_ATTRIBUTES; k++)
        array(k, on);
}

static void layout_strip(void)
{
    const struct WebGlState *s = &web_gl_state;
    pointer(WEB_GL_A_POSITION, d.strip_buffer, 3, STRIP_FLOATS, 0);
    pointer(WEB_GL_A_COLOR, d.strip_buffer, 4, STRIP_FLOATS, 3);
    array(WEB_GL_A_COLOR, 1);
    array(WEB_GL_A_NORMAL, 0);
    array(WEB_GL_A_TEXCOORD, 0);
    instance_arrays(0);
    // Only the quadrics change the normal and texture coordinate, and they
    // draw on their own.
    constant(WEB_GL_A_NORMAL, 3, s->normal);
    constant(WEB_GL_A_TEXCOORD, 2, s->texcoord);
}

static void layout_mesh(int instanced)
{
    static const float white[4] = {1, 1, 1, 1};
    pointer(WEB_GL_A_POSITION, d.store_vertices, 3, MESH_FLOATS, 0);
    pointer(WEB_GL_A_NORMAL, d.store_vertices, 3, MESH_FLOATS, 3);
    pointer(WEB_GL_A_TEXCOORD, d.store_vertices, 2, MESH_FLOATS, 6);
    array(WEB_GL_A_COLOR, 0);
    array(WEB_GL_A_NORMAL, 1);
    array(WEB_GL_A_TEXCOORD, d.texcoords);
    instance_arrays(instanced);
    constant(WEB_GL_A_COLOR, 4, white);
    if (!d.texcoords)
        constant(WEB_GL_A_TEXCOORD, 2, d.texcoord);
}

static int program_flags(void)
{
    const struct WebGlState *s = &web_gl_state;
    int textured = s->texturing && s->bound >= 0 && s->textures[s->bound].has_image;
    return (s->lighting ? WEB_GL_LIT : 0) | (textured ? WEB_GL_TEXTURED : 0);
}

// The program for the state, with its light; the normals' matrix only for
// lit vertices (the particles skip it).
static int program(int flags, const float *normal_matrix)
{
    const struct WebGlState *s = &web_gl_state;
    if (!web_gl_program_use(flags))
        return 0;
    if (!(flags & WEB_GL_LIT))
        return 1;
    static const float scene_ambient = 0.2f;
    float on = s->light0 ? 1.0f : 0.0f;
    struct WebGlLighting l;
    l.normalize = s->normalize;
    l.color_material = s->color_material;
    memcpy(l.material_ambient, s->material_ambient, sizeof l.material_ambient);
    memcpy(l.material_diffuse, s->material_diffuse, sizeof l.material_diffuse);
    for (int k = 0; k < 3; k++) {
        l.ambient[k] = scene_ambient + on * s->light_ambient[k];
        l.diffuse[k] = on * s->light_diffuse[k];
    }
    web_gl_program_lighting(&l);
    web_gl_program_normal_matrix(normal_matrix);
    return 1;
}

static void strip_flush(void)
{
    const struct WebGlState *s = &web_gl_state;
    float draw[WEB_GL_DRAW_FLOATS] = {0}, n[9];
    web_gl_matrix_multiply(draw, s->projection, s->modelview);
    draw[16] = draw[17] = draw[18] = draw[19] = draw[20] = 1;
    web_gl_normal_matrix(n, s->modelview);
    program(program_flags(), n);
    web_gl_program_draw(draw);
    cull(0);
    layout_strip();
    bind_array(d.strip_buffer);
    ES(BufferSubData)(ES_ARRAY_BUFFER, 0, (ptrdiff_t)(d.strip_count * STRIP_FLOATS * sizeof(float)), strip);
    ES(DrawArrays)(GL_TRIANGLE_STRIP, 0, d.strip_count);
    d.strip_count = 0;
}

static void run_flush(void)
{
    int flags = program_flags(), n = d.instances;
    const void *indices = (const void *)(d.first * sizeof(unsigned short));
    d.instances = 0;
    cull(d.culled);
    if (n > 1 && d.instancing) {
        if (program(flags | WEB_GL_INSTANCED, d.normal_matrix)) {
            layout_mesh(1);
            bind_array(d.instance_buffer);
            ES(BufferSubData)(ES_ARRAY_BUFFER, 0, (ptrdiff_t)(n * WEB_GL_DRAW_FLOATS * sizeof(float)), instances);
            ES(DrawElementsInstanced)(GL_TRIANGLES, d.count, GL_UNSIGNED_SHORT, indices, n);
            return;
        }
        d.instancing = 0; // the context refused the program: one draw each from now on
    }
    program(flags, d.normal_matrix);
    layout_mesh(0);
    for (int i = 0; i < n; i++) {
        web_gl_program_draw(&instances[i * WEB_GL_DRAW_FLOATS]);
        ES(DrawElements)(GL_TRIANGLES, d.count, GL_UNSIGNED_SHORT, indices);
    }
}

void web_gl_flush(void)
{
    int pending = d.pending;
    d.pending = PENDING_NONE;
    if (!web_gl_state.started)
        return;
    if (pending == PENDING_STRIP && d.strip_count > 0)
        strip_flush();
    else if (pending == PENDING_RUN)
        run_flush();
}

int web_gl_draw_start(void)
{
    memset(&d, 0, sizeof d);
    memset(&es, 0, sizeof es);
    generation++;
    if (!web_gl_programs_start())
        return 0;
    GLuint buffers[4];
    ES(GenBuffers)(4, buffers);
    d.strip_buffer = buffers[0], d.store_vertices = buffers[1], d.store_indices = buffers[2];
    d.instance_buffer = buffers[3];
    // Each store is made once: a new one every draw costs more than the copy.
    bind_array(d.strip_buffer);
    ES(BufferData)(ES_ARRAY_BUFFER, (ptrdiff_t)sizeof strip, NULL, ES_STREAM_DRAW);
    bind_array(d.store_vertices);
    ES(BufferData)(ES_ARRAY_BUFFER, (ptrdiff_t)(STORE_VERTICES * MESH_FLOATS * sizeof(float)), NULL, ES_STATIC_DRAW);
    // The one index buffer: it stays bound.
    ES(BindBuffer)(ES_ELEMENT_ARRAY_BUFFER, d.store_indices);
    ES(BufferData)(ES_ELEMENT_ARRAY_BUFFER, (ptrdiff_t)(STORE_INDICES * sizeof(unsigned short)), NULL,
                   ES_STATIC_DRAW);
    array(WEB_GL_A_POSITION, 1);
    d.instancing = web_es_instancing();
    if (d.instancing) {
        bind_array(d.instance_buffer);
        ES(BufferData)(ES_ARRAY_BUFFER, (ptrdiff_t)sizeof instances, NULL, ES_STREAM_DRAW);
        // Instances' attributes have locations of their own (WebGL 1 has
        // no vertex array objects, so divisors are the context's): theirs
        // stays 1, the others' 0.
        for (int k = 0; k < 4; k++)
            pointer(WEB_GL_A_MVP + k, d.instance_buffer, 4, WEB_GL_DRAW_FLOATS, 4 * k);
        pointer(WEB_GL_A_INSTANCE_COLOR, d.instance_buffer, 4, WEB_GL_DRAW_FLOATS, 16);
        pointer(WEB_GL_A_INSTANCE_SCALE, d.instance_buffer, 1, WEB_GL_DRAW_FLOATS, 20);
        for (int k = WEB_GL_A_MVP; k < WEB_GL_ATTRIBUTES; k++)
            ES(VertexAttribDivisor)(k, 1);
    }
    return 1;
}

void web_gl_matrix_changing(void)
{
    if (d.pending == PENDING_STRIP)
        web_gl_flush();
}

void web_gl_strip_begin(GLenum mode)
{
    // Without a context nothing is drawn, so nothing is batched either.
    if (d.inside || !web_gl_state.started)
        return;
    if (d.pending == PENDING_RUN)
        web_gl_flush();
    d.inside = 1;
    d.quad_strip = mode == GL_QUAD_STRIP;
    d.pairs = d.half = 0;
}

void web_gl_strip_end(void) { d.inside = 0; }

static void strip_put(const float *v)
{
    memcpy(&strip[d.strip_count++ * STRIP_FLOATS], v, STRIP_FLOATS * sizeof(float));
}

// A quad strip v0 v1 v2 v3... goes into the batch's triangle strip pair by
// pair swapped, v1 v0 v3 v2: each quad is then cut along v0-v3, as Mesa cuts
// it. Each strip starts on an odd place, where the swapped pairs face the way
// GL's quads face: after one repeat of its first vertex at the batch's
// start, or after the last vertex and its first repeated, which join strips
// with triangles without area.
void web_gl_strip_vertex(float x, float y, float z)
{
    const float *c = web_gl_state.color;
    if (!d.inside || !d.quad_strip)
        return;
    float v[STRIP_FLOATS] = {x, y, z, c[0], c[1], c[2], c[3]};
    if (!d.half) {
        memcpy(d.half_vertex, v, sizeof v);
        d.half = 1;
        return;
    }
    d.half = 0;
    if (d.strip_count + 4 > STRIP_VERTICES) {
        // Full: draw it, and go on from this strip's last pair.
        float carry[2][STRIP_FLOATS];
        int carried = d.pairs > 0;
        if (carried)
            memcpy(carry, &strip[(d.strip_count - 2) * STRIP_FLOATS], sizeof carry);
        web_gl_flush();
        if (carried)
            strip_put(carry[0]), strip_put(carry[0]), strip_put(carry[1]);
    }
    if (d.pairs == 0) {
        if (d.strip_count > 0)
            strip_put(&strip[(d.strip_count - 1) * STRIP_FLOATS]);
        strip_put(v);
    }
    strip_put(v);
    strip_put(d.half_vertex);
    d.pairs++;
    d.pending = PENDING_STRIP;
}

unsigned web_gl_store_generation(void) { return generation; }

int web_gl_store_mesh(struct WebGlMesh *mesh, const float *vertices, int vertex_count, const unsigned short *indices,
                      int index_count)
{
    if (!web_gl_state.started || vertex_count > STORE_VERTICES || index_count > STORE_INDICES)
        return 0;
    if (d.store_vertex_count + vertex_count > STORE_VERTICES || d.store_index_count + index_count > STORE_INDICES) {
        // Full: a pending run still reads the store; then every mesh is gone.
        web_gl_flush();
        generation++;
        d.store_vertex_count = d.store_index_count = 0;
    }
    bind_array(d.store_vertices);
    ES(BufferSubData)(ES_ARRAY_BUFFER, (ptrdiff_t)(d.store_vertex_count * MESH_FLOATS * sizeof(float)),
                      (ptrdiff_t)(vertex_count * MESH_FLOATS * sizeof(float)), vertices);
    // The indices count from the store's first vertex.
    static unsigned short rebased[8192];
    for (int done = 0; done < index_count;) {
        int n = index_count - done < 8192 ? index_count - done : 8192;
        for (int k = 0; k < n; k++)
            rebased[k] = (unsigned short)(indices[done + k] + d.store_vertex_count);
        ES(BufferSubData)(ES_ELEMENT_ARRAY_BUFFER, (ptrdiff_t)((d.store_index_count + done) * sizeof *rebased),
                          (ptrdiff_t)(n * sizeof *rebased), rebased);
        done += n;
    }
    double reach = 0;
    for (int k = 0; k < vertex_count; k++) {
        const float *v = &vertices[k * MESH_FLOATS];
        double r = sqrt((double)v[0] * v[0] + (double)v[1] * v[1] + (double)v[2] * v[2]);
        reach = r > reach ? r : reach;
    }
    mesh->reach = (float)(reach * 1.0001);
    mesh->first = d.store_index_count;
    mesh->count = index_count;
    mesh->generation = generation;
    d.store_vertex_count += vertex_count;
    d.store_index_count += index_count;
    return 1;
}

// The draw joins the run, or starts another.
static void run_add(const struct WebGlMesh *mesh, const float *draw)
{
    const struct WebGlState *s = &web_gl_state;
    int flags = program_flags();
    float n[9] = {0};
    // Unlit, untextured and not blended, every fragment has the one colour.
    GLenum culled = mesh->closed && flags == 0 && !s->blend ? web_gl_faces_away(draw, draw[20]) : 0;
    if (flags & WEB_GL_LIT)
        web_gl_normal_matrix(n, s->modelview);
    if (d.pending == PENDING_RUN && (d.first != mesh->first || d.culled != culled ||
                                     memcmp(d.normal_matrix, n, sizeof n) || d.instances == RUN_INSTANCES))
        web_gl_flush();
    if (d.pending != PENDING_RUN) {
        d.pending = PENDING_RUN;
        d.first = mesh->first, d.count = mesh->count, d.texcoords = mesh->texcoords;
        d.culled = culled;
        memcpy(d.normal_matrix, n, sizeof n);
        memcpy(d.texcoord, s->texcoord, sizeof d.texcoord);
    }
    memcpy(&instances[d.instances++ * WEB_GL_DRAW_FLOATS], draw, WEB_GL_DRAW_FLOATS * sizeof(float));
}

void web_gl_draw_mesh(const struct WebGlMesh *mesh, float scale)
{
    struct WebGlState *s = &web_gl_state;
    if (!s->started || mesh->generation != generation)
        return;
    if (d.pending == PENDING_STRIP)
        web_gl_flush();
    float draw[WEB_GL_DRAW_FLOATS];
    web_gl_matrix_multiply(draw, s->projection, s->modelview);
    memcpy(&draw[16], s->color, 4 * sizeof(float));
    draw[20] = scale;
    if (!web_gl_outside(draw, mesh->reach * fabs((double)scale)))
        run_add(mesh, draw);
    memcpy(s->normal, mesh->last_normal, sizeof s->normal);
    if (mesh->texcoords)
        memcpy(s->texcoord, mesh->last_texcoord, sizeof s->texcoord);
}
