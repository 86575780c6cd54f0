// web_files.cpp -- where the browser keeps the drives (platform.h): drive c's
// files are those of /drive_c in the page's in-memory file system, which
// lives as long as the program's instance and is never stored; the page
// offers the tune for download from there.
#include "platform/web/web_platform.h"

#include <errno.h>
#include <string.h>
#include <sys/stat.h>

#undef fopen

FILE *platform_drive_fopen(char drive, const char *name, const char *mode)
{
    char folder[] = "/drive_?", path[300];
    folder[7] = drive;
    int n = snprintf(path, sizeof(path), "%s/%s", folder, name);
    if (n <= 0 || (size_t)n >= sizeof(path)) {
        errno = ENAMETOOLONG;
        return NULL;
    }
    if (strpbrk(mode, "wa"))
        mkdir(folder, 0700);
    return fopen(path, mode);
}
