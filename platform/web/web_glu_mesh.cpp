// web_glu_mesh.cpp -- the quadrics, mipmap levels and perspective matrix of
// the system's GLU, computed as it computes them: float angles, double sines
// rounded to float, a radius applied before the rounding (a sphere's mesh is
// the unit sphere's, scaled where it is drawn). The disk's texture
// coordinates decide the terrain, so every rounding here is on purpose.
#include "platform/web/web_glu_mesh.h"

#include <GL/gl.h>
#include <math.h>
#include <string.h>

// GLU's caches hold one more entry than slices or stacks; it clamps them below this.
#define GLU_CACHE 240
static const double PI = 3.14159265358979323846;

static void mesh_clear(WebGluMesh *mesh, int texture)
{
    mesh->texcoords = texture;
    mesh->vertex_count = 0;
    mesh->run_count = 0;
    mesh->last_normal[0] = mesh->last_normal[1] = 0, mesh->last_normal[2] = 1;
}

static void mesh_begin(WebGluMesh *mesh, unsigned mode)
{
    WebGluRun *run = &mesh->runs[mesh->run_count++];
    run->mode = mode;
    run->first = mesh->vertex_count;
    run->count = 0;
}

static void mesh_normal(WebGluMesh *mesh, float x, float y, float z)
{
    mesh->last_normal[0] = x, mesh->last_normal[1] = y, mesh->last_normal[2] = z;
}

static void mesh_vertex(WebGluMesh *mesh, float s, float t, float x, float y, float z)
{
    WebGluVertex *v = &mesh->vertices[mesh->vertex_count++];
    v->position[0] = x, v->position[1] = y, v->position[2] = z;
    for (int k = 0; k < 3; k++)
        v->normal[k] = mesh->last_normal[k];
    v->texcoord[0] = s, v->texcoord[1] = t;
    mesh->runs[mesh->run_count - 1].count++;
}

// The sizes are checked before any vertex is made, so a refused mesh is empty.
static int mesh_fits(long vertices, long runs)
{
    return vertices <= WEB_GLU_MAX_VERTICES && runs <= WEB_GLU_MAX_RUNS;
}

// sin and cos of i/d of a whole turn or half a turn for i = 0 to d, the angle
// rounded to float first, scaled before their own rounding. A whole turn's
// last ends on its first exactly.
static void angle_cache(float *sines, float *cosines, int d, double turn, double scale = 1.0)
{
    int whole = turn == 2 * PI;
    for (int i = 0; i <= d - whole; i++) {
        float angle = (float)(turn * i / d);
        sines[i] = (float)(scale * sin((double)angle));
        cosines[i] = (float)(scale * cos((double)angle));
    }
    if (whole)
        sines[d] = sines[0], cosines[d] = cosines[0];
}

int web_glu_sphere_mesh(WebGluMesh *mesh, int slices, int stacks, int texture)
{
    float sin_a[GLU_CACHE], cos_a[GLU_CACHE];   // around the axis
    float sin_n[GLU_CACHE], cos_n[GLU_CACHE];   // down from the top (normals)
    float sin_p[GLU_CACHE], *cos_p = cos_n;     // the same, the poles come to a point

    mesh_clear(mesh, texture);
    slices = slices < GLU_CACHE ? slices : GLU_CACHE - 1;
    stacks = stacks < GLU_CACHE ? stacks : GLU_CACHE - 1;
    if (slices < 2 || stacks < 1)
        return 0;
    if (!mesh_fits(2L * (slices + 1) * stacks, stacks))
        return 0;
    angle_cache(sin_a, cos_a, slices, 2 * PI);
    angle_cache(sin_n, cos_n, stacks, PI);
    // The poles come to a point; their normals keep the rounded sines.
    memcpy(sin_p, sin_n, (stacks + 1) * sizeof *sin_p);
    sin_p[0] = sin_p[stacks] = 0;

    int start = 0, finish = stacks;
    if (!texture) {
        // Without texture coordinates GLU closes each pole with a fan; the
        // normal before the lower fan reads its slice cache at [stacks], as
        // GLU does (defined only up to stacks == slices).
        float sin_top = sin_p[1], z_top = cos_p[1];
        mesh_normal(mesh, sin_a[0] * sin_n[0], cos_a[0] * sin_n[0], cos_n[0]);
        mesh_begin(mesh, GL_TRIANGLE_FAN);
        mesh_vertex(mesh, 0, 0, 0, 0, 1);
        for (int i = slices; i >= 0; i--) {
            mesh_normal(mesh, sin_a[i] * sin_n[1], cos_a[i] * sin_n[1], cos_n[1]);
            mesh_vertex(mesh, 0, 0, sin_top * sin_a[i], sin_top * cos_a[i], z_top);
        }
        float sin_bottom = sin_p[stacks - 1], z_bottom = cos_p[stacks - 1];
        int k = stacks <= slices ? stacks : slices;
        mesh_normal(mesh, sin_a[k] * sin_n[stacks], cos_a[k] * sin_n[stacks], cos_n[stacks]);
        mesh_begin(mesh, GL_TRIANGLE_FAN);
        mesh_vertex(mesh, 0, 0, 0, 0, -1);
        for (int i = 0; i <= slices; i++) {
            mesh_normal(mesh, sin_a[i] * sin_n[stacks - 1], cos_a[i] * sin_n[stacks - 1], cos_n[stacks - 1]);
            mesh_vertex(mesh, 0, 0, sin_bottom * sin_a[i], sin_bottom * cos_a[i], z_bottom);
        }
        start = 1, finish = stacks - 1;
    }
    // Each strip sends the lower ring's vertex before the upper one's.
    for (int j = start; j < finish; j++) {
        mesh_begin(mesh, GL_QUAD_STRIP);
        for (int i = 0; i <= slices; i++)
            for (int r = j + 1; r >= j; r--) {
                mesh_normal(mesh, sin_a[i] * sin_n[r], cos_a[i] * sin_n[r], cos_n[r]);
                mesh_vertex(mesh, 1 - (float)i / slices, 1 - (float)r / stacks, sin_p[r] * sin_a[i],
                            sin_p[r] * cos_a[i], cos_p[r]);
            }
    }
    return 1;
}

int web_glu_cylinder_mesh(WebGluMesh *mesh, double base, double top, double height, int slices,
                          int stacks, int texture)
{
    float sin_a[GLU_CACHE], cos_a[GLU_CACHE], sin_n[GLU_CACHE], cos_n[GLU_CACHE];

    mesh_clear(mesh, texture);
    slices = slices < GLU_CACHE ? slices : GLU_CACHE - 1;
    if (slices < 2 || stacks < 1 || base < 0.0 || top < 0.0 || height < 0.0)
        return 0;
    if (!mesh_fits(2L * (slices + 1) * stacks, stacks))
        return 0;
    // The slope of the side: its normal leans by the radius lost over the height.
    float delta = (float)(base - top);
    float length = (float)sqrt(delta * delta + height * height);
    if (length == 0.0f)
        return 0;
    float z_normal = delta / length;
    float xy_ratio = (float)(height / length);
    // The normals scale the double sine before its rounding.
    angle_cache(sin_n, cos_n, slices, 2 * PI, xy_ratio);
    angle_cache(sin_a, cos_a, slices, 2 * PI);
    for (int j = 0; j < stacks; j++) {
        float z_low = (float)(j * height / stacks);
        float z_high = (float)((j + 1) * height / stacks);
        float r_low = (float)(base - delta * ((float)j / stacks));
        float r_high = (float)(base - delta * ((float)(j + 1) / stacks));
        mesh_begin(mesh, GL_QUAD_STRIP);
        for (int i = 0; i <= slices; i++) {
            mesh_normal(mesh, sin_n[i], cos_n[i], z_normal);
            float s = 1 - (float)i / slices;
            mesh_vertex(mesh, s, (float)j / stacks, r_low * sin_a[i], r_low * cos_a[i], z_low);
            mesh_vertex(mesh, s, (float)(j + 1) / stacks, r_high * sin_a[i], r_high * cos_a[i], z_high);
        }
    }
    return 1;
}

int web_glu_disk_mesh(WebGluMesh *mesh, double inner, double outer, int slices, int loops, int texture)
{
    float sin_a[GLU_CACHE], cos_a[GLU_CACHE];

    mesh_clear(mesh, texture);
    slices = slices < GLU_CACHE ? slices : GLU_CACHE - 1;
    if (slices < 2 || loops < 1 || outer <= 0.0 || inner < 0.0 || inner > outer)
        return 0;
    if (!mesh_fits(2L * (slices + 1) * loops, loops))
        return 0;
    // A whole turn as a partial disk of 360 degrees, whose angle arithmetic
    // comes to the same: 360 degrees in radians is exactly 2 PI in double.
    angle_cache(sin_a, cos_a, slices, 2 * PI);
    float delta = (float)(outer - inner);
    mesh_normal(mesh, 0, 0, 1);
    int finish = loops;
    if (inner == 0.0) {
        // The innermost loop is a fan around the centre, sent clockwise.
        finish = loops - 1;
        mesh_begin(mesh, GL_TRIANGLE_FAN);
        mesh_vertex(mesh, 0.5f, 0.5f, 0, 0, 0);
        float r = (float)(outer - delta * ((float)(loops - 1) / loops));
        float tex = (float)(r / outer / 2);
        for (int i = slices; i >= 0; i--)
            mesh_vertex(mesh, (float)(tex * sin_a[i] + 0.5), (float)(tex * cos_a[i] + 0.5), r * sin_a[i],
                        r * cos_a[i], 0);
    }
    for (int j = 0; j < finish; j++) {
        float r[2], tex[2];
        for (int k = 0; k < 2; k++) {
            r[k] = (float)(outer - delta * ((float)(j + k) / loops));
            tex[k] = (float)(r[k] / outer / 2);
        }
        mesh_begin(mesh, GL_QUAD_STRIP);
        for (int i = 0; i <= slices; i++)
            for (int k = 0; k < 2; k++)
                mesh_vertex(mesh, (float)(tex[k] * sin_a[i] + 0.5), (float)(tex[k] * cos_a[i] + 0.5),
                            r[k] * sin_a[i], r[k] * cos_a[i], 0);
    }
    return 1;
}

int web_glu_perspective_matrix(double m[16], double fovy, double aspect, double z_near, double z_far)
{
    double radians = fovy / 2 * PI / 180;
    double delta = z_far - z_near;
    double sine = sin(radians);
    if (delta == 0 || sine == 0 || aspect == 0)
        return 0;
    double cotangent = cos(radians) / sine;
    for (int k = 0; k < 16; k++)
        m[k] = 0;
    m[0] = cotangent / aspect;
    m[5] = cotangent;
    m[10] = -(z_far + z_near) / delta;
    m[11] = -1;
    m[14] = -2 * z_near * z_far / delta;
    return 1;
}

// GLU rounds the 2 x 2 sums half up, (a + b + c + d + 2) / 4, and the pairs down, (a + b) / 2.
void web_glu_halve(const unsigned char *from, long from_row, unsigned char *to, int *width, int *height,
                   int components)
{
    int w = *width, h = *height;
    int nw = w > 1 ? w / 2 : 1, nh = h > 1 ? h / 2 : 1;
    long row = from_row;
    for (int y = 0; y < nh; y++)
        for (int x = 0; x < nw; x++)
            for (int c = 0; c < components; c++) {
                const unsigned char *p = from + (h > 1 ? 2 * y : y) * row + (w > 1 ? 2 * x : x) * components + c;
                int sum;
                if (w > 1 && h > 1)
                    sum = (p[0] + p[components] + p[row] + p[row + components] + 2) / 4;
                else if (w > 1)
                    sum = (p[0] + p[components]) / 2;
                else
                    sum = (p[0] + p[row]) / 2;
                to[(y * nw + x) * components + c] = (unsigned char)sum;
            }
    *width = nw;
    *height = nh;
}
