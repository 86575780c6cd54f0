// web_gl_cull.cpp -- what of a mesh the subset may leave out. A mesh wholly
// outside a clipping plane draws no pixel.
// With one colour for every fragment, the faces turned away cover only
// pixels that those turned towards cover too, unless a clipping plane opens
// the mesh: it must lie wholly where w > 0 and in front of the near plane.
// Which winding faces the eye then is read from a small triangle on the
// mesh's tangent plane nearest the eye (least w), turned outward as GLU
// turns its faces.
#include "platform/web/web_gl_cull.h"

#include <math.h>

// The planes are x, y and z against w, in the mesh's own space: row 3 plus
// or minus row r of the matrix (element row r, column c at m[c * 4 + r]).
// The margin holds the float arithmetic of the vertices' clip coordinates.
int web_gl_outside(const float *m, double reach)
{
    for (int r = 0; r < 3; r++)
        for (int sign = -1; sign <= 1; sign += 2) {
            double a = m[3] + sign * (double)m[r], b = m[7] + sign * (double)m[4 + r];
            double c = m[11] + sign * (double)m[8 + r], d = m[15] + sign * (double)m[12 + r];
            if (d < -1.01 * reach * sqrt(a * a + b * b + c * c))
                return 1;
        }
    return 0;
}

// Which faces of a closed mesh may be left out.

GLenum web_gl_faces_away(const float *m, float scale)
{
    if (!(scale > 0))
        return 0;
    // m: element (row r, column c) at m[c * 4 + r]
    double reach = 1.01 * scale;
    double w_length = sqrt((double)m[3] * m[3] + (double)m[7] * m[7] + (double)m[11] * m[11]);
    double near[3] = {(double)m[2] + m[3], (double)m[6] + m[7], (double)m[10] + m[11]}; // z + w
    double near_length = sqrt(near[0] * near[0] + near[1] * near[1] + near[2] * near[2]);
    // (Under a perspective projection the near plane's test implies the first.)
    if (!(w_length > 0) || m[15] - reach * w_length <= 0 || (double)m[14] + m[15] - reach * near_length <= 0)
        return 0;
    double d[3] = {-m[3] / w_length, -m[7] / w_length, -m[11] / w_length};
    // t1, t2: unit tangents there, t1 x t2 = d.
    double a[3] = {fabs(d[0]) < 0.9 ? 1.0 : 0.0, fabs(d[0]) < 0.9 ? 0.0 : 1.0, 0};
    double t1[3] = {a[1] * d[2] - a[2] * d[1], a[2] * d[0] - a[0] * d[2], a[0] * d[1] - a[1] * d[0]};
    double length = sqrt(t1[0] * t1[0] + t1[1] * t1[1] + t1[2] * t1[2]);
    for (int k = 0; k < 3; k++)
        t1[k] /= length;
    double t2[3] = {d[1] * t1[2] - d[2] * t1[1], d[2] * t1[0] - d[0] * t1[2], d[0] * t1[1] - d[1] * t1[0]};
    double screen[3][2];
    for (int corner = 0; corner < 3; corner++) {
        double p[3], clip[4];
        for (int k = 0; k < 3; k++)
            p[k] = scale * (d[k] + (corner == 1 ? 0.5 * t1[k] : corner == 2 ? 0.5 * t2[k] : 0));
        for (int r = 0; r < 4; r++)
            clip[r] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r];
        screen[corner][0] = clip[0] / clip[3], screen[corner][1] = clip[1] / clip[3];
    }
    double turn = (screen[1][0] - screen[0][0]) * (screen[2][1] - screen[0][1]) -
                  (screen[2][0] - screen[0][0]) * (screen[1][1] - screen[0][1]);
    return turn > 0 ? GL_BACK : turn < 0 ? GL_FRONT : 0;
}
