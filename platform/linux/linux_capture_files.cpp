// linux_capture_files.cpp -- the video capture's files and its encoder
// child (linux_capture.h): temporary files beside the output, locked while
// the capture runs, a killed capture's leftovers taken away, and the ffmpeg
// program started in a process group of its own.
#include "platform/linux/linux_capture.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <regex.h>
#include <spawn.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

void capture_files_remove(void)
{
    if (!cap.video_tmp.empty())
        unlink(cap.video_tmp.c_str());
    if (!cap.partial.empty())
        unlink(cap.partial.c_str());
}

void capture_fail(int code, const char *format, ...)
{
    if (cap.child > 0) {
        kill(cap.child, SIGKILL);
        waitpid(cap.child, NULL, 0);
    }
    capture_files_remove();
    va_list args;
    va_start(args, format);
    fputs("ostra-video: ", stderr);
    vfprintf(stderr, format, args);
    fputc('\n', stderr);
    va_end(args);
    exit(code);
}

// Nothing of X may be touched again, and nothing is written.
void capture_connection_lost(void)
{
    if (cap.child > 0)
        kill(cap.child, SIGKILL);
    capture_files_remove();
    static const char text[] = "ostra-video: the display was lost; nothing written\n";
    (void)!write(2, text, sizeof(text) - 1);
    _exit(1);
}

int capture_write_all(int fd, const void *data, size_t size)
{
    const char *p = (const char *)data;
    while (size > 0) {
        ssize_t n = write(fd, p, size);
        if (n < 0 && errno == EINTR && !capture_interrupted)
            continue;
        if (n <= 0)
            return 0;
        p += n;
        size -= (size_t)n;
    }
    return 1;
}

// The temporary files' names: ".NAME.partial-XXXXXX.mp4" and
// ".NAME.video-XXXXXX.mp4" beside the output NAME.
#define TEMP_PATTERN "^\\..*\\.(partial|video)-[A-Za-z0-9]{6}\\.mp4$"

static std::string out_dir(void)
{
    size_t slash = cap.out.rfind('/');
    return slash == std::string::npos ? "" : cap.out.substr(0, slash + 1);
}

// Both name one file, not a link to it: what a clean-up locked is what it removes.
static int same_file(const struct stat *a, const struct stat *b)
{
    return a->st_dev == b->st_dev && a->st_ino == b->st_ino;
}

// Every capture holds an exclusive lock on its temporary files from the
// moment they are made to its end, and so does each ffmpeg it starts while
// that runs. A temporary file of ours in the output's folder whose lock can
// be taken is therefore the leftover of a capture that was killed, and goes.
static void leftovers_remove(void)
{
    std::string dir = out_dir();
    DIR *d = opendir(dir.empty() ? "." : dir.c_str());
    regex_t ours;
    if (!d)
        return;
    if (regcomp(&ours, TEMP_PATTERN, REG_EXTENDED | REG_NOSUB) != 0) {
        closedir(d);
        return;
    }
    while (struct dirent *e = readdir(d)) {
        if (regexec(&ours, e->d_name, 0, NULL, 0) != 0)
            continue;
        struct stat st, named;
        int fd = openat(dirfd(d), e->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == getuid() &&
            flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            fstatat(dirfd(d), e->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 && same_file(&st, &named))
            unlinkat(dirfd(d), e->d_name, 0);
        close(fd);
    }
    regfree(&ours);
    closedir(d);
}

// An empty file beside the output, named after it, for ffmpeg to overwrite,
// made and locked. Another capture's clean-up may take it away between the
// two, so it counts as ours only if its name still names it once locked.
// Where the file system has no locks, nobody's clean-up can take one either.
static int temp_make(std::string *path, int *fd_out, const char *kind)
{
    for (int tries = 0; tries < 100; tries++) {
        *path = out_dir() + "." + cap.out.substr(out_dir().size()) + "." + kind + "-XXXXXX.mp4";
        int fd = mkstemps(&(*path)[0], 4);
        if (fd < 0)
            break;
        struct stat mine, named;
        int lock = flock(fd, LOCK_EX | LOCK_NB) == 0 ? 1 : errno == EWOULDBLOCK ? -1 : 0;
        if (lock >= 0 && fstat(fd, &mine) == 0 && stat(path->c_str(), &named) == 0 &&
            same_file(&mine, &named)) {
            // mkstemps makes it owner-only; the video gets a new file's usual rights.
            mode_t mask = umask(0);
            umask(mask);
            fchmod(fd, 0666 & ~mask);
            *fd_out = fd;
            return 1;
        }
        close(fd);
        errno = EAGAIN;
    }
    path->clear();
    return 0;
}

// Starts ffmpeg reading its standard input from a pipe of ours. In a process
// group of its own a terminal's Ctrl+C reaches only us, and we stop it. It
// shares our temporary files' locks, so that our end does not free them
// while it still writes.
void capture_child_start(const std::vector<std::string> &args)
{
    std::vector<char *> argv;
    static const std::string quiet[] = {"-hide_banner", "-loglevel", "error", "-nostats", "-y"};
    argv.push_back((char *)"ffmpeg");
    for (const std::string &a : quiet)
        argv.push_back((char *)a.c_str());
    for (const std::string &a : args)
        argv.push_back((char *)a.c_str());
    argv.push_back(NULL);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        capture_fail(1, "cannot make a pipe: %s", strerror(errno));
    posix_spawn_file_actions_t files;
    posix_spawnattr_t attr;
    sigset_t pipe_default; // we ignore SIGPIPE; the child ends on it as programs do
    sigemptyset(&pipe_default);
    sigaddset(&pipe_default, SIGPIPE);
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_adddup2(&files, fds[0], 0);
    for (int held : {cap.video_fd, cap.partial_fd})
        posix_spawn_file_actions_adddup2(&files, held, held); // kept open across the exec
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setsigdefault(&attr, &pipe_default);
    int error = posix_spawnp(&cap.child, argv[0], &files, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attr);
    close(fds[0]);
    cap.child_input = fds[1];
    if (error) {
        cap.child = -1;
        if (error == ENOENT)
            capture_fail(1, "ffmpeg not found; install it (apt-get install ffmpeg)");
        capture_fail(1, "cannot start ffmpeg: %s", strerror(error));
    }
}

int capture_child_finish(void)
{
    int status = 0;
    struct rusage use;
    close(cap.child_input);
    cap.child_input = -1;
    for (;;) {
        if (capture_interrupted)
            kill(cap.child, SIGKILL);
        pid_t got = wait4(cap.child, &status, 0, &use);
        if (got == cap.child)
            break;
        if (got < 0 && errno != EINTR)
            return 0;
    }
    cap.child = -1;
    cap.child_cpu += (double)(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
                     (double)(use.ru_utime.tv_usec + use.ru_stime.tv_usec) * 1e-6;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int capture_files_make(void)
{
    leftovers_remove();
    return temp_make(&cap.partial, &cap.partial_fd, "partial") && temp_make(&cap.video_tmp, &cap.video_fd, "video");
}
