// terrain.cpp -- synthesises the heightmap once at start-up: four noise images
// of falling size drawn over the whole viewport as blended full-screen disks,
// finest first so the coarsest weighs most, then read back and scaled.
// It relies on the state a fresh context has: identity matrices, the whole
// client area as viewport, no depth test or lighting, back buffer drawn and read.
#include "world/terrain.h"

#include "world/random.h"

float heightmap[256 * 256];
unsigned char noise_buffer[512 * 512];

void texture_upload(GLuint name, int components, int size, GLenum format,
                    const unsigned char *pixels)
{
    glBindTexture(GL_TEXTURE_2D, name);
    gluBuild2DMipmaps(GL_TEXTURE_2D, components, size, size, format, GL_UNSIGNED_BYTE, pixels);
}

void noise_octaves(unsigned char alpha, int octaves)
{
    int size = 512;

    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4ub(255, 255, 255, alpha);
    do {
        // Always 65536 draws, from the last byte down, whatever the image
        // size: the smaller images use only the last values drawn.
        for (int k = 65535; k >= 0; k--)
            noise_buffer[k] = (unsigned char)(random_next() & 0xFF);
        size = size / 2;
        texture_upload(1, 1, size, GL_LUMINANCE, noise_buffer);
        // Radius 1.5 in clip space: the 16-sided disk covers every pixel.
        gluDisk(quadric, 0.0, 1.5, 16, 1);
    } while (--octaves > 0);
    // The block reaches past the top of the window; only its lower-left
    // 256 x 256 quarter, which lies inside, is used.
    glReadPixels(256, 256, 512, 512, GL_RED, GL_UNSIGNED_BYTE, noise_buffer);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
}

void terrain_generate(void)
{
    noise_octaves(120, 4);
    for (int z = 0; z < 256; z++)
        for (int x = 0; x < 256; x++)
            heightmap[z * 256 + x] = (float)(noise_buffer[z * 512 + x] / 5.0);
}
