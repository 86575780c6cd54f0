// web_gl_matrix.cpp -- the subset's matrix arithmetic, rounded as Mesa 22
// rounds it: every product and sum in float, in Mesa's order.
#include "platform/web/web_gl_matrix.h"

#include <math.h>
#include <string.h>

static const double PI = 3.14159265358979323846;

void web_gl_matrix_identity(float *m)
{
    for (int k = 0; k < 16; k++)
        m[k] = k % 5 == 0 ? 1.0f : 0.0f;
}

void web_gl_matrix_multiply(float *out, const float *a, const float *b)
{
    float p[16];
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++)
            p[j * 4 + i] = a[i] * b[j * 4] + a[4 + i] * b[j * 4 + 1] + a[8 + i] * b[j * 4 + 2] +
                           a[12 + i] * b[j * 4 + 3];
    memcpy(out, p, sizeof p);
}

void web_gl_matrix_translate(float *m, float x, float y, float z)
{
    for (int i = 0; i < 4; i++)
        m[12 + i] = m[i] * x + m[4 + i] * y + m[8 + i] * z + m[12 + i];
}

void web_gl_matrix_scale(float *m, float x, float y, float z)
{
    for (int i = 0; i < 4; i++)
        m[i] *= x, m[4 + i] *= y, m[8 + i] *= z;
}

// The angle in double, its sine and cosine in float; a rotation about a
// coordinate axis takes them as they are, any other axis is normalised.
int web_gl_matrix_rotation(float *r, float angle, float x, float y, float z)
{
    float s = sinf((float)(angle * PI / 180.0)), c = cosf((float)(angle * PI / 180.0));
    web_gl_matrix_identity(r);
    if (x == 0 && y == 0 && z != 0) {
        r[0] = r[5] = c;
        r[4] = z < 0 ? s : -s, r[1] = z < 0 ? -s : s;
    } else if (x == 0 && z == 0 && y != 0) {
        r[0] = r[10] = c;
        r[8] = y < 0 ? -s : s, r[2] = y < 0 ? s : -s;
    } else if (y == 0 && z == 0 && x != 0) {
        r[5] = r[10] = c;
        r[9] = x < 0 ? s : -s, r[6] = x < 0 ? -s : s;
    } else {
        float mag = sqrtf(x * x + y * y + z * z);
        if (mag <= 1.0e-4f)
            return 0;
        x /= mag, y /= mag, z /= mag;
        float xx = x * x, yy = y * y, zz = z * z, xy = x * y, yz = y * z, zx = z * x;
        float xs = x * s, ys = y * s, zs = z * s, one_c = 1.0f - c;
        r[0] = (one_c * xx) + c, r[4] = (one_c * xy) - zs, r[8] = (one_c * zx) + ys;
        r[1] = (one_c * xy) + zs, r[5] = (one_c * yy) + c, r[9] = (one_c * yz) - xs;
        r[2] = (one_c * zx) - ys, r[6] = (one_c * yz) + xs, r[10] = (one_c * zz) + c;
    }
    return 1;
}

// The cofactor matrix over the determinant.
void web_gl_normal_matrix(float n[9], const float *m)
{
    n[0] = m[5] * m[10] - m[9] * m[6], n[3] = m[9] * m[2] - m[1] * m[10], n[6] = m[1] * m[6] - m[5] * m[2];
    n[1] = m[8] * m[6] - m[4] * m[10], n[4] = m[0] * m[10] - m[8] * m[2], n[7] = m[4] * m[2] - m[0] * m[6];
    n[2] = m[4] * m[9] - m[8] * m[5], n[5] = m[8] * m[1] - m[0] * m[9], n[8] = m[0] * m[5] - m[4] * m[1];
    float det = m[0] * n[0] + m[4] * n[3] + m[8] * n[6];
    float inverse = fabsf(det) < 1e-25f ? 0.0f : 1.0f / det;
    for (int k = 0; k < 9; k++)
        n[k] *= inverse;
}
