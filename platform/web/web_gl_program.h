// web_gl_program.h -- the shaders of the web platform's GL subset: one
// source made into a program for each state that draws differently (light 0
// or none, a texture or none, one draw or many instances of it), and the
// values each program's uniforms hold, so that a value already there costs
// no call.
#pragma once

#include <GL/gl.h>

// Attribute locations, the same in every program. An instance's matrix,
// colour and scale have their own, with divisor 1 from the start and
// enabled only for instanced draws, so no divisor ever changes.
enum {
    WEB_GL_A_POSITION,
    WEB_GL_A_COLOR,
    WEB_GL_A_NORMAL,
    WEB_GL_A_TEXCOORD,
    WEB_GL_A_MVP, // four columns: 4 to 7
    WEB_GL_A_INSTANCE_COLOR = WEB_GL_A_MVP + 4,
    WEB_GL_A_INSTANCE_SCALE,
    WEB_GL_ATTRIBUTES
};

// A program's flags.
enum { WEB_GL_LIT = 1, WEB_GL_TEXTURED = 2, WEB_GL_INSTANCED = 4 };

// What a lit program computes its colours from.
struct WebGlLighting {
    int normalize, color_material;
    float material_ambient[4], material_diffuse[4];
    float ambient[3], diffuse[3]; // the scene's and light 0's terms, summed
};

// The floats of one draw that an uninstanced program takes as uniforms
// (an instanced one as attributes, in the same order): the matrix
// (projection times modelview), the colour, the scale of the positions.
#define WEB_GL_DRAW_FLOATS 21

// On a new context: forgets every program and value, and makes the four
// uninstanced programs; 0 where one cannot be made. The instanced ones are
// made at their first use.
int web_gl_programs_start(void);
// The program of these flags, in use from now on; NULL where it cannot be
// made (an instanced one the context refuses).
struct WebGlProgram *web_gl_program_use(int flags);
// Each sends only what differs from what the program in use holds.
void web_gl_program_draw(const float draw[WEB_GL_DRAW_FLOATS]);
void web_gl_program_normal_matrix(const float n[9]);
void web_gl_program_lighting(const struct WebGlLighting *l);
