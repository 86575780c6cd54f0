// web_gl_draw.h -- inside the web platform's GL subset: GL 1.1's state as
// the program set it (web_gl.cpp keeps it), and how it is drawn over ES:
// quad strips batched into one triangle strip, the quadrics' meshes in one
// shared store, and runs of draws of one mesh under one state drawn as one
// instanced draw, in the program's order.
#pragma once

#include <GL/gl.h>

#define WEB_GL_MAX_TEXTURES 64

struct WebGlTexture {
    GLuint name, es;
    int has_image;
};

struct WebGlState {
    float projection[16], modelview[16];
    float *matrix; // the one glMatrixMode chose; NULL for a mode not kept
    float color[4], normal[3], texcoord[2];
    int lighting, light0, normalize, color_material, texturing, blend, cull_face;
    float light_ambient[4], light_diffuse[4];
    // The material's ambient and diffuse colours: while colour material is on
    // they are the current colour, and they keep the last one when it goes off.
    float material_ambient[4], material_diffuse[4];
    struct WebGlTexture textures[WEB_GL_MAX_TEXTURES];
    int texture_count, bound; // bound: index in textures, -1 for none
    int started;              // until then every call does nothing
};
extern struct WebGlState web_gl_state;

// On a new context, after the state's defaults: programs, buffers, the
// shared store emptied. 0 when the context cannot carry the subset.
int web_gl_draw_start(void);

// The quad strips of glBegin(GL_QUAD_STRIP)..glEnd; other primitives draw nothing.
void web_gl_strip_begin(GLenum mode);
void web_gl_strip_vertex(float x, float y, float z);
void web_gl_strip_end(void);
// Before a matrix changes: batched strips are drawn with the matrices they were sent under.
void web_gl_matrix_changing(void);

// A quadric's mesh in the shared store: indexed triangles of vertices of
// position, normal and texture coordinate (8 floats each), and the normal
// and texture coordinate GLU leaves current after it. A mesh belongs to the
// store's generation it was put in; a new context, or a store that had to
// be emptied for room, starts another, and the meshes of earlier ones are
// gone.
struct WebGlMesh {
    int first, count; // its indices in the store
    int closed;       // every triangle turned outward, no edge open (a sphere)
    int texcoords;    // whether its vertices' texture coordinates are sent
    float reach;      // the distance of its farthest vertex from its origin
    float last_normal[3], last_texcoord[2];
    unsigned generation;
};
unsigned web_gl_store_generation(void);
// Puts a mesh (its indices counted from its first vertex) into the store: 1,
// or 0 where it is larger than the store.
int web_gl_store_mesh(struct WebGlMesh *mesh, const float *vertices, int vertex_count,
                      const unsigned short *indices, int index_count);
// Draws a mesh of the store's generation with the current matrices, colour
// and lighting, its positions scaled by scale (where it can show: one wholly
// outside the view is left out); then makes its last normal and (with
// texcoords) texture coordinate the current ones.
void web_gl_draw_mesh(const struct WebGlMesh *mesh, float scale);

// GL 1.1's own calls that the subset's GLU makes too (web_gl.cpp):
// glMultMatrixf on the current matrix, and one level of the texture bound
// to GL_TEXTURE_2D, its rows aligned as given.
void web_gl_multiply(const float m[16]);
void web_gl_texture_level(int level, GLenum format, int width, int height, int alignment, const void *pixels);
