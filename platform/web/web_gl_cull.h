// web_gl_cull.h -- the web platform's GL subset's own culling: a mesh it
// may leave out, or which faces of a closed mesh (a sphere: every triangle
// turned outward, no edge open), without a pixel changing. No GL state in it.
#pragma once

#include <GL/gl.h>

// For a mesh whose vertices lie within scale of its origin, drawn with the
// matrix mvp (projection times modelview) in one colour (unlit, untextured,
// not blended): GL_BACK or GL_FRONT, the winding turned away from the eye,
// or 0 where nothing may be left out.
GLenum web_gl_faces_away(const float mvp[16], float scale);

// Whether a mesh whose vertices lie within reach of its origin, drawn with
// the matrix mvp, lies wholly outside one of the clipping planes: its
// every triangle is clipped away.
int web_gl_outside(const float mvp[16], double reach);
