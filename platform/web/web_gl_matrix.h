// web_gl_matrix.h -- the matrices of the web platform's GL subset:
// column-major floats (element row r, column c at m[c * 4 + r]) with the
// rounding of Mesa's own matrix code, so that both GLs place the same
// vertices. No GL in it.
#pragma once

void web_gl_matrix_identity(float m[16]);
// out = a * b; out may be a or b.
void web_gl_matrix_multiply(float out[16], const float a[16], const float b[16]);
// m = m * translation, m = m * scaling, in place as Mesa does them.
void web_gl_matrix_translate(float m[16], float x, float y, float z);
void web_gl_matrix_scale(float m[16], float x, float y, float z);
// glRotatef's matrix; 0 where GL leaves the matrix alone (an axis of no length).
int web_gl_matrix_rotation(float r[16], float angle, float x, float y, float z);
// The normals' matrix of a modelview matrix: the inverse transpose of its
// upper 3 x 3, as a column-major mat3.
void web_gl_normal_matrix(float n[9], const float modelview[16]);
