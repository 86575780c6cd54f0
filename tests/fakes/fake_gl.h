// fake_gl.h -- a recording stand-in for the GL and GLU calls the program
// makes. Every call becomes one GlCall with its arguments as doubles (enums
// and bytes as their integer values, pointers as 0/1). With recording off it
// is a no-op GL, for measuring our own code.
#pragma once

#include "platform/win32.h"

#include <functional>
#include <string>
#include <vector>

namespace fake {

struct GlCall {
    std::string name;
    std::vector<double> args;
};

extern std::vector<GlCall> gl;
extern bool gl_recording;
extern const float *gl_lightfv_last; // the array last given to glLightfv
// Fills glReadPixels' destination; by default with zeros.
extern std::function<void(int x, int y, int w, int h, unsigned char *pixels)> gl_read_pixels;
// The bytes each gluBuild2DMipmaps was given (size x size of them).
extern std::vector<std::vector<unsigned char>> gl_textures;

void gl_reset();
std::vector<GlCall> gl_named(const char *name);
size_t gl_count(const char *name);
std::string gl_text(const GlCall &call); // "glRotatef(30,1,0,0)"

} // namespace fake
