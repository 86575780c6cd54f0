// linux_files.cpp -- where Linux keeps the drives (platform.h): drive c's
// files live in the user's own drive directory, $XDG_DATA_HOME/ostra/drive_c
// (by default ~/.local/share/ostra/drive_c), made owner-only. A directory
// that others could write into is refused, no link is followed below the
// data home, and a file with another name (a hard link) is not written, so a
// write cannot land in some other file.
#include "platform/linux/linux_platform.h"

#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

// Ours, and closed to writes by others: nobody else can put a link or a
// file of theirs into it.
static int dir_safe(const struct stat *st)
{
    return S_ISDIR(st->st_mode) && st->st_uid == getuid() && (st->st_mode & 022) == 0;
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

// The drive's directory, opened one step at a time below the data home (which
// is the user's own choice, links and all): "ostra", then "drive_<letter>",
// each made owner-only where missing (when `create` is set), opened without
// following a link and checked as ours and closed to writes by others.
static int drive_dir_open(char drive, int create)
{
    char home[4096];
    char drive_name[] = "drive_?";
    const char *steps[] = {"ostra", drive_name};
    drive_name[6] = drive;
    if (!data_home(home, sizeof(home)) || (create && !make_dirs(home)))
        return -1;
    int fd = open(home, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (const char *step : steps) {
        if (fd < 0)
            return -1;
        if (create)
            mkdirat(fd, step, 0700);
        int next = openat(fd, step, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        close(fd);
        struct stat st;
        if (next >= 0 && (fstat(next, &st) != 0 || !dir_safe(&st))) {
            close(next);
            errno = EACCES;
            return -1;
        }
        fd = next;
    }
    return fd;
}

// The file is opened inside the checked directory, without truncating, and
// checked before anything is written: a regular file of ours with no other
// name, so that a link planted at its place (symbolic or hard) cannot make
// the write land in some other file.
FILE *platform_drive_fopen(char drive, const char *name, const char *mode)
{
    struct stat st;
    int flags;

    int writing = strchr(mode, 'w') != NULL || strchr(mode, 'a') != NULL;
    int dir_fd = drive_dir_open(drive, writing);
    if (dir_fd < 0)
        return NULL;

    if (strchr(mode, 'w'))
        flags = O_CREAT;
    else if (strchr(mode, 'a'))
        flags = O_CREAT | O_APPEND;
    else
        flags = 0;
    if (strchr(mode, '+'))
        flags |= O_RDWR;
    else
        flags |= writing ? O_WRONLY : O_RDONLY;
    // Non-blocking only for the open itself: a FIFO at the place must not hang us.
    int fd = openat(dir_fd, name, flags | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    int open_errno = errno;
    close(dir_fd);
    if (fd < 0) {
        errno = open_errno;
        return NULL;
    }
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        (writing && (st.st_uid != getuid() || st.st_nlink != 1)) ||
        (strchr(mode, 'w') && ftruncate(fd, 0) != 0)) {
        close(fd);
        errno = EACCES;
        return NULL;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FILE *f = fdopen(fd, mode);
    if (!f)
        close(fd);
    return f;
}
