// linux_files.cpp -- Windows drive paths on Linux: "c:\e.mid" lives in the
// user's own drive directory, $XDG_DATA_HOME/ostra/drive_c (by default
// ~/.local/share/ostra/drive_c), made owner-only. A symbolic link at a file's
// place is never followed, so a write cannot truncate some other file, and a
// directory that others could write into is refused.
#include "platform/linux_platform.h"

#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#undef fopen

// The directory must be ours, a real directory and closed to others.
static int dir_safe(const char *dir)
{
    struct stat st;
    if (lstat(dir, &st) != 0 || !S_ISDIR(st.st_mode))
        return 0;
    return st.st_uid == getuid() && (st.st_mode & 022) == 0;
}

// Makes each missing component of an absolute path, owner-only.
static int make_dirs(char *path)
{
    for (char *p = path + 1;; p++) {
        if (*p == '/' || *p == '\0') {
            char keep = *p;
            *p = '\0';
            int made = mkdir(path, 0700) == 0 || errno == EEXIST;
            *p = keep;
            if (!made)
                return 0;
            if (keep == '\0')
                return 1;
        }
    }
}

static int data_home(char *out, size_t out_size)
{
    const char *xdg = getenv("XDG_DATA_HOME");
    int n;
    if (xdg && xdg[0] == '/') { // relative values are ignored, as the XDG rules say
        n = snprintf(out, out_size, "%s", xdg);
    } else {
        const char *home = getenv("HOME");
        if (!home || home[0] != '/') {
            struct passwd *pw = getpwuid(getuid());
            home = pw ? pw->pw_dir : NULL;
        }
        if (!home || home[0] != '/')
            return 0;
        n = snprintf(out, out_size, "%s/.local/share", home);
    }
    return n > 0 && (size_t)n < out_size;
}

int linux_drive_path(const char *path, char *out, size_t out_size, int create)
{
    char dir[4096];
    char drive;
    const char *rest;

    if (!path || !((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z') || path[1] != ':' ||
        (path[2] != '\\' && path[2] != '/'))
        return 0;
    drive = (char)(path[0] | 0x20);
    rest = path + 3;
    if (!*rest)
        return 0;
    // One level only and no tricks: the program writes a plain file name.
    for (const char *p = rest; *p; p++)
        if (*p == '\\' || *p == '/')
            return 0;
    if (strcmp(rest, ".") == 0 || strcmp(rest, "..") == 0)
        return 0;

    if (!data_home(dir, sizeof(dir)))
        return 0;
    size_t len = strlen(dir);
    int n = snprintf(dir + len, sizeof(dir) - len, "/ostra/drive_%c", drive);
    if (n < 0 || (size_t)n >= sizeof(dir) - len)
        return 0;
    if (create && !make_dirs(dir))
        return 0;
    if (!dir_safe(dir))
        return 0;
    n = snprintf(out, out_size, "%s/%s", dir, rest);
    return n > 0 && (size_t)n < out_size;
}

FILE *linux_fopen(const char *path, const char *mode)
{
    char mapped[4096];
    int flags, fd;

    if (!path || !mode)
        return NULL;
    if (!(path[0] && path[1] == ':'))
        return fopen(path, mode);

    int writing = strchr(mode, 'w') != NULL || strchr(mode, 'a') != NULL;
    if (!linux_drive_path(path, mapped, sizeof(mapped), writing)) {
        errno = ENOENT;
        return NULL;
    }
    if (strchr(mode, 'w'))
        flags = O_CREAT | O_TRUNC;
    else if (strchr(mode, 'a'))
        flags = O_CREAT | O_APPEND;
    else
        flags = 0;
    if (strchr(mode, '+'))
        flags |= O_RDWR;
    else
        flags |= writing ? O_WRONLY : O_RDONLY;
    // Non-blocking only for the open itself: a FIFO at the place must not hang us.
    fd = open(mapped, flags | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0)
        return NULL;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        errno = EINVAL;
        return NULL;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FILE *f = fdopen(fd, mode);
    if (!f)
        close(fd);
    return f;
}
