// web_files.cpp -- Windows drive paths in the browser: "c:\e.mid" is the file
// /drive_c/e.mid of the page's in-memory file system, which lives as long as
// the program's instance and is never stored; the page offers it for
// download from there. One file name per drive, no folders below it; other
// paths go to the C runtime unchanged.
#include "platform/web/web_platform.h"

#include <errno.h>
#include <string.h>
#include <sys/stat.h>

#undef fopen

// "c:\name" as "/drive_c/name", or 0 when the path names no file of a drive.
static int drive_path(const char *path, char *out, size_t out_size)
{
    char drive = (char)(path[0] | 0x20);
    if (!(drive >= 'a' && drive <= 'z') || path[1] != ':' || (path[2] != '\\' && path[2] != '/'))
        return 0;
    const char *name = path + 3;
    if (!*name || strcmp(name, ".") == 0 || strcmp(name, "..") == 0 || strpbrk(name, "\\/"))
        return 0;
    int n = snprintf(out, out_size, "/drive_%c/%s", drive, name);
    return n > 0 && (size_t)n < out_size;
}

FILE *web_fopen(const char *path, const char *mode)
{
    char mapped[300];
    if (!path || !mode) {
        errno = EINVAL;
        return NULL;
    }
    if (!(path[0] && path[1] == ':'))
        return fopen(path, mode);
    if (!drive_path(path, mapped, sizeof(mapped))) {
        errno = ENOENT;
        return NULL;
    }
    if (strpbrk(mode, "wa")) {
        mapped[8] = '\0'; // "/drive_c"
        mkdir(mapped, 0700);
        mapped[8] = '/';
    }
    return fopen(mapped, mode);
}
