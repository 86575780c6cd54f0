// win32_files.cpp -- the C runtime's fopen taught the Windows drive paths the
// program uses ("c:\e.mid"): such a path names one file of its drive, which
// the platform keeps where it keeps drives (platform_drive_fopen); a drive
// path with folders, or none of a file, is refused. Other paths pass through.
#include "platform/platform.h"

#include <errno.h>
#include <string.h>

#undef fopen

// Splits "c:\name" into its drive letter, lower case, and its file name.
static int drive_split(const char *path, char *drive, const char **name)
{
    char letter = (char)(path[0] | 0x20);
    if (!(letter >= 'a' && letter <= 'z') || path[1] != ':' || (path[2] != '\\' && path[2] != '/'))
        return 0;
    const char *rest = path + 3;
    if (!*rest || strcmp(rest, ".") == 0 || strcmp(rest, "..") == 0 || strpbrk(rest, "\\/"))
        return 0;
    *drive = letter;
    *name = rest;
    return 1;
}

FILE *win32_fopen(const char *path, const char *mode)
{
    char drive;
    const char *name;
    if (!path || !mode) {
        errno = EINVAL;
        return NULL;
    }
    if (!(path[0] && path[1] == ':'))
        return fopen(path, mode);
    if (!drive_split(path, &drive, &name)) {
        errno = ENOENT;
        return NULL;
    }
    return platform_drive_fopen(drive, name, mode);
}
