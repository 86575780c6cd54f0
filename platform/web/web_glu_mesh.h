// web_glu_mesh.h -- the arithmetic of the GLU the web platform offers, with no
// GL in it: the quadrics' vertices in the order and rounding of the system's
// GLU, its box-filtered mipmap levels and its perspective matrix. web_glu.cpp
// draws from it; the tests hold it against the system's GLU.
#pragma once

// One glBegin..glEnd run of a quadric: its GL primitive and its vertices.
struct WebGluRun {
    unsigned mode; // GL_QUAD_STRIP, GL_TRIANGLE_STRIP or GL_TRIANGLE_FAN
    int first;
    int count;
};

// The normal and texture coordinate current at each vertex, as GLU set them.
struct WebGluVertex {
    float position[3];
    float normal[3];
    float texcoord[2];
};

// A 64 x 63 sphere at most; GLU's own slices limit (239) is far above it.
#define WEB_GLU_MAX_VERTICES 8192
#define WEB_GLU_MAX_RUNS 256

struct WebGluMesh {
    int texcoords; // whether GLU sent texture coordinates
    int vertex_count;
    int run_count;
    float last_normal[3]; // the current normal GLU leaves behind
    struct WebGluVertex vertices[WEB_GLU_MAX_VERTICES];
    struct WebGluRun runs[WEB_GLU_MAX_RUNS];
};

// Each fills the mesh as GLU draws the solid with GLU_FILL, GLU_SMOOTH and
// GLU_OUTSIDE; 0 for the arguments GLU refuses (the mesh is then empty) or a
// mesh above the limits. The sphere's is of radius 1.
int web_glu_sphere_mesh(struct WebGluMesh *mesh, int slices, int stacks, int texture);
int web_glu_cylinder_mesh(struct WebGluMesh *mesh, double base, double top, double height, int slices,
                          int stacks, int texture);
int web_glu_disk_mesh(struct WebGluMesh *mesh, double inner, double outer, int slices, int loops,
                      int texture);

// gluPerspective's matrix, column-major; 0 where GLU leaves the matrix alone.
int web_glu_perspective_matrix(double m[16], double fovy, double aspect, double z_near, double z_far);

// The next mipmap level of a width x height image of unsigned bytes with the
// given components a texel, its rows from_row bytes apart: GLU's 2 x 2 box
// filter, or 2 x 1 once one side is 1. The level is written packed, and its
// size returned in *width, *height. In place is allowed (to == from).
void web_glu_halve(const unsigned char *from, long from_row, unsigned char *to, int *width, int *height,
                   int components);
