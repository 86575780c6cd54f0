// ground.cpp -- the four walls around the terrain's square, dark green at the
// foot to white at the top, and the terrain drawn from the current heightmap
// as one quad strip per grid row.
#include "scene/ground.h"

#include "platform/win32.h"
#include "world/terrain.h"

// 41/4096, used as it stands: the colour scale of the terrain.
static const double K = 0.010009765625;

void backdrop_draw(void)
{
    // Walls z = 0, x = 255, z = 255 and x = 0, closing where they began.
    static const float corners[5][2] = {{0, 0}, {255, 0}, {255, 255}, {0, 255}, {0, 0}};

    glBegin(GL_QUAD_STRIP);
    for (const auto &c : corners) {
        glColor3ub(255, 255, 255);
        glVertex3f(c[0], 255, c[1]);
        glColor3ub(20, 30, 10);
        glVertex3f(c[0], 0, c[1]);
    }
    glEnd();
}

// The two vertices of a pair follow different rules on purpose: the row-i
// vertex takes red from the height, the row-(i + 1) vertex is a grey of
// K * (25 - h). Each strip so shades from colour to grey: one band per row.
// Colours are not clamped here; GL does that.
void terrain_draw(void)
{
    for (int i = 0; i < 255; i++) {
        glBegin(GL_QUAD_STRIP);
        for (int j = 0; j < 256; j++) {
            float h = heightmap[i * 256 + j];
            glColor3f((float)(K * h), (float)(K * (25.0 - h)), (float)(K * (25.0 - h)));
            glVertex3f((float)j, h, (float)i);

            float h_up = heightmap[(i + 1) * 256 + j];
            float g = (float)(K * (25.0 - h_up));
            glColor3f(g, g, g);
            glVertex3f((float)j, h_up, (float)(i + 1));
        }
        glEnd();
    }
}
