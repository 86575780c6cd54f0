// terrain.h -- the heightmap and its synthesis from blended noise octaves
// drawn on the GPU at start-up.
#pragma once

#include "platform/win32.h"

// Element z * 256 + x is the height of grid point (x, z), standing at world
// (x, height, z). A world position is looked up as trunc(z) * 256 + trunc(x).
extern float heightmap[256 * 256];
// The noise images while they are drawn, then the 512 x 512 red read-back.
extern unsigned char noise_buffer[512 * 512];
// The program's one GLU quadric, made by the scene set-up before the
// synthesis; every disk, sphere and cylinder is drawn through it.
extern GLUquadric *quadric;

void terrain_generate(void);
void noise_octaves(unsigned char alpha, int octaves);
void texture_upload(GLuint name, int components, int size, GLenum format,
                    const unsigned char *pixels);
