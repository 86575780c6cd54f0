// fake_gl.h -- a recording stand-in for the GL and GLU calls the program
// makes, each one log line ("gluSphere quadric 3 3 5"; enums as numbers, the
// shared quadric by name). With logging off it is a no-op GL.
#pragma once

#include "fakes/fake_log.h"
#include "platform/win32.h"

#include <functional>
#include <vector>

namespace fake {

// Fills glReadPixels' destination; by default with zeros.
extern std::function<void(int w, int h, unsigned char *pixels)> gl_read_pixels;
// The bytes each gluBuild2DMipmaps was given, in order.
extern std::vector<std::vector<unsigned char>> gl_textures;

void gl_reset(); // also clears the log

} // namespace fake
