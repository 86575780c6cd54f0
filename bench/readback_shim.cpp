// readback_shim.cpp -- preloaded into build/ostra-video by bench_web.sh, for
// the figures that set the web page beside the native program: keeps what
// the program reads back from Mesa, in files of the folder $OSTRA_SHIM_DIR:
// "terrain" (the synthesis's red bytes that become the heightmap: 256 x 256,
// row z = 0 first) and "last.rgb" (the capture's last frame: 800 x 600 RGB,
// bottom row first). Calls pass on unchanged.
#include <GL/gl.h>

#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>

namespace {

void keep(const char *name, const void *data, size_t size)
{
    const char *dir = getenv("OSTRA_SHIM_DIR");
    FILE *f = dir ? fopen((std::string(dir) + "/" + name).c_str(), "wb") : NULL;
    if (f) {
        fwrite(data, 1, size, f);
        fclose(f);
    }
}

} // namespace

extern "C" {

void glReadPixels(GLint x, GLint y, GLsizei w, GLsizei h, GLenum format, GLenum type, void *pixels)
{
    static auto real = (void (*)(GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void *))dlsym(
        RTLD_NEXT, "glReadPixels");
    real(x, y, w, h, format, type, pixels);
    if (format == GL_RED && w == 512 && h == 512) {
        unsigned char rows[256 * 256];
        for (int z = 0; z < 256; z++)
            for (int i = 0; i < 256; i++)
                rows[z * 256 + i] = ((unsigned char *)pixels)[z * 512 + i];
        keep("terrain", rows, sizeof(rows));
    } else if (format == GL_RGB && w == 800 && h == 600) {
        keep("last.rgb", pixels, 800 * 600 * 3);
    }
}

} // extern "C"
