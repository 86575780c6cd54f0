// linux_video.cpp -- the clock, the presentation and the entry of the video
// capture (build/ostra-video): the clock steps by exactly one frame period per
// presented frame, each presented frame is read back and fed to the ffmpeg
// program, and after the run the tune is rendered offline and muxed in. The
// live sequencer plays silently meanwhile; nothing but the 800x600 client
// area is captured, and nothing is played to a sound card.
#include "platform/linux/linux_mci.h"
#include "platform/linux/linux_platform.h"
#include "platform/win32_mci.h"

#include <SDL.h>
#include <fluidsynth.h>

#include <algorithm>
#include <atomic>
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <regex.h>
#include <signal.h>
#include <spawn.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

#undef fopen

#define WIDTH 800
#define HEIGHT 600
#define RUN_LIMIT 30000 // the program ends after its first frame past this
#define SAMPLE_RATE 44100
#define FADE_MS 80 // the music is cut at the video's end: a fade, not a click

enum { T_SHELL, T_DRAW, T_READ, T_ENCODE, T_FLUSH, T_MUSIC, T_MUX, T_COUNT };
static const char *const phase_names[T_COUNT] = {
    "start-up, first frame, teardown", "drawing and presenting", "read-back and row flip",
    "waiting on the encoder's pipe",   "encoder finishing",      "music rendered offline",
    "music muxed in (AAC)",
};

static struct {
    std::string out;
    int fps = 60;
    long until; // 0: the program's own end
    int frames; // how many the run presents

    DWORD base;
    std::atomic<uint32_t> presented; // read by the sequencer's thread too (message times)
    int close_posted;
    int broken; // the encoder stopped taking frames

    std::string video_tmp, partial; // beside the output, removed or renamed at the end
    int video_fd = -1, partial_fd = -1; // held open for their locks
    pid_t child = -1;
    int child_input = -1;
    std::vector<unsigned char> pixels, frame;

    int tty, times;
    std::string renderer;
    double started, first_shown, mark, next_progress, spent[T_COUNT], child_cpu;
} cap;

static volatile sig_atomic_t interrupted; // the signal's number

static double now_s(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

// Adds the time since the last lap to a phase.
static void lap(int phase)
{
    double now = now_s();
    cap.spent[phase] += now - cap.mark;
    cap.mark = now;
}

// Frame k is drawn at run time k * 1000 / fps exactly: whole milliseconds
// that never drift (16, 17, 17 at 60/s).
static long frame_ms(long k)
{
    return k * 1000 / cap.fps;
}

DWORD timeGetTime(void)
{
    return cap.base + (DWORD)frame_ms(cap.presented.load());
}

// The run ends after the first frame past the program's limit, or with the
// first frame at or past --until.
static int frames_in_run(void)
{
    long k = 0;
    while (frame_ms(k) <= RUN_LIMIT && !(cap.until && frame_ms(k) >= cap.until))
        k++;
    return (int)k + 1;
}

static void clock_text(char *out, size_t size, double seconds)
{
    int s = (int)(seconds + 0.5);
    snprintf(out, size, "%d:%02d", s / 60, s % 60);
}

// One updating line on a terminal, a plain line every 5 s otherwise.
static void progress(int last)
{
    double now = now_s();
    if (!last && now < cap.next_progress)
        return;
    cap.next_progress = now + (cap.tty ? 0.25 : 5.0);
    int n = (int)cap.presented.load();
    double per_frame = n > 1 ? (now - cap.first_shown) / (n - 1) : 0;
    char elapsed[16], left[16];
    clock_text(elapsed, sizeof(elapsed), now - cap.started);
    clock_text(left, sizeof(left), per_frame * (cap.frames - n));
    fprintf(stderr, "%sframe %d of %d, %d%%, %s elapsed, %s left%s", cap.tty ? "\r" : "", n,
            cap.frames, 100 * n / cap.frames, elapsed, left, cap.tty ? "\033[K" : "\n");
    if (last && cap.tty)
        fputc('\n', stderr);
}

static int write_all(int fd, const void *data, size_t size)
{
    const char *p = (const char *)data;
    while (size > 0) {
        ssize_t n = write(fd, p, size);
        if (n < 0 && errno == EINTR && !interrupted)
            continue;
        if (n <= 0)
            return 0;
        p += n;
        size -= (size_t)n;
    }
    return 1;
}

// The back buffer as the window shows it, rows top-down, into the encoder.
// The program's pixel-store state and read buffer are put back.
static void frame_encode(void)
{
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPushAttrib(GL_PIXEL_MODE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, cap.pixels.data());
    glPopAttrib();
    glPopClientAttrib();
    const size_t row = WIDTH * 3;
    for (int y = 0; y < HEIGHT; y++)
        memcpy(&cap.frame[(size_t)y * row], &cap.pixels[(size_t)(HEIGHT - 1 - y) * row], row);
    lap(T_READ);
    if (!write_all(cap.child_input, cap.frame.data(), cap.frame.size()))
        cap.broken = 1;
    lap(T_ENCODE);
}

BOOL SwapBuffers(HDC dc)
{
    if (!linux_dc_drawable(dc))
        return FALSE;
    glFinish(); // Mesa may draw only now: that is the frame's time, not the read-back's
    lap(cap.presented.load() ? T_DRAW : T_SHELL);
    if (!cap.broken && !interrupted)
        frame_encode();
    SDL_GL_SwapWindow(dc->window->sdl);
    if (cap.presented.fetch_add(1) == 0) {
        cap.first_shown = now_s();
        cap.renderer = (const char *)glGetString(GL_RENDERER);
    }
    // Ended as the close box ends it: the program draws and presents one
    // more pass, the first at or past --until, and ends normally.
    long next = frame_ms(cap.presented.load());
    if (!cap.close_posted &&
        (interrupted || cap.broken || (cap.until && next >= cap.until))) {
        win32_post_message(dc->window, WM_SYSCOMMAND, SC_CLOSE, 0);
        cap.close_posted = 1;
    }
    progress(0);
    return TRUE;
}

// ---------------------------------------------------------------------------
// The ffmpeg processes and the files.

static void on_signal(int number)
{
    interrupted = number;
}

static void temp_remove(void)
{
    if (!cap.video_tmp.empty())
        unlink(cap.video_tmp.c_str());
    if (!cap.partial.empty())
        unlink(cap.partial.c_str());
}

// Stops everything, leaves no file behind and exits with `code`.
[[noreturn]] static void fail(int code, const char *format, ...)
{
    if (cap.child > 0) {
        kill(cap.child, SIGKILL);
        waitpid(cap.child, NULL, 0);
    }
    temp_remove();
    va_list args;
    va_start(args, format);
    fputs("ostra-video: ", stderr);
    vfprintf(stderr, format, args);
    fputc('\n', stderr);
    va_end(args);
    exit(code);
}

// The X connection is gone: nothing more can be drawn or read back, and X
// must not be touched again. Nothing is written.
static void connection_lost(void)
{
    if (cap.child > 0)
        kill(cap.child, SIGKILL);
    temp_remove();
    static const char text[] = "ostra-video: the display was lost; nothing written\n";
    (void)!write(2, text, sizeof(text) - 1);
    _exit(1);
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
static void child_start(const std::vector<std::string> &args)
{
    std::vector<char *> argv;
    argv.push_back((char *)"ffmpeg");
    for (const std::string &a : args)
        argv.push_back((char *)a.c_str());
    argv.push_back(NULL);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        fail(1, "cannot make a pipe: %s", strerror(errno));
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
            fail(1, "ffmpeg not found; install it (apt-get install ffmpeg)");
        fail(1, "cannot start ffmpeg: %s", strerror(error));
    }
}

// Closes the child's input and waits for it; 1 when it ended well. An
// interruption meanwhile stops it at once.
static int child_finish(void)
{
    int status = 0;
    struct rusage use;
    close(cap.child_input);
    cap.child_input = -1;
    for (;;) {
        if (interrupted)
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

static std::vector<std::string> ffmpeg_head(void)
{
    return {"-hide_banner", "-loglevel", "error", "-nostats", "-y"};
}

// Raw RGB frames in; H.264 out. CRF 18 keeps the noise terrain's fine grain;
// a thread count of its own, not one from the processor count, keeps the
// stream the same from machine to machine.
static void encoder_start(void)
{
    std::vector<std::string> a = ffmpeg_head();
    a.insert(a.end(), {"-f", "rawvideo", "-pixel_format", "rgb24", "-video_size", "800x600",
                       "-framerate", std::to_string(cap.fps), "-i", "pipe:0", "-c:v", "libx264",
                       "-preset", "medium", "-crf", "18", "-threads", "4", "-pix_fmt", "yuv420p",
                       "-f", "mp4", "file:" + cap.video_tmp});
    child_start(a);
}

// ---------------------------------------------------------------------------
// The music.

// The tune from its start, as many stereo samples as the video is long, with
// the soundfont the live program plays; silence when it cannot be rendered.
static std::vector<int16_t> music_render(size_t samples)
{
    std::vector<int16_t> pcm(samples * 2, 0);
    std::vector<unsigned char> tune; // the file the run wrote
    if (win32_mci_file_read("c:\\e.mid", &tune) != 0)
        tune.clear();
    const char *font = linux_mci_soundfont();
    if (!font || tune.empty()) {
        fprintf(stderr, "ostra-video: %s; the video is silent\n",
                font ? "the run wrote no tune" : "no General MIDI soundfont found");
        return pcm;
    }
    fluid_settings_t *settings = new_fluid_settings();
    // The player is driven by the samples written, not by the wall clock.
    fluid_settings_setstr(settings, "player.timing-source", "sample");
    fluid_settings_setnum(settings, "synth.sample-rate", SAMPLE_RATE);
    fluid_settings_setint(settings, "synth.lock-memory", 0);
    fluid_synth_t *synth = new_fluid_synth(settings);
    fluid_player_t *player = NULL;
    if (synth && fluid_synth_sfload(synth, font, 1) != FLUID_FAILED)
        player = new_fluid_player(synth);
    if (player && fluid_player_add_mem(player, tune.data(), tune.size()) == FLUID_OK &&
        fluid_player_play(player) == FLUID_OK) {
        for (size_t done = 0; done < samples;) {
            int block = (int)std::min<size_t>(1024, samples - done);
            fluid_synth_write_s16(synth, block, pcm.data(), (int)done * 2, 2, pcm.data(),
                                  (int)done * 2 + 1, 2);
            done += (size_t)block;
        }
    } else {
        fprintf(stderr, "ostra-video: FluidSynth could not play the tune; the video is silent\n");
    }
    if (player)
        delete_fluid_player(player);
    if (synth)
        delete_fluid_synth(synth);
    delete_fluid_settings(settings);
    size_t fade = std::min<size_t>(samples, SAMPLE_RATE * FADE_MS / 1000);
    for (size_t i = 0; i < fade; i++) {
        size_t at = samples - fade + i;
        double gain = (double)(fade - 1 - i) / (double)fade;
        pcm[at * 2] = (int16_t)(pcm[at * 2] * gain);
        pcm[at * 2 + 1] = (int16_t)(pcm[at * 2 + 1] * gain);
    }
    return pcm;
}

// The video stream copied, the music added as AAC, the index at the front.
static int music_mux(const std::vector<int16_t> &pcm)
{
    std::vector<std::string> a = ffmpeg_head();
    a.insert(a.end(), {"-i", "file:" + cap.video_tmp, "-f", "s16le", "-ar",
                       std::to_string(SAMPLE_RATE), "-ac", "2", "-i", "pipe:0", "-map", "0:v:0",
                       "-map", "1:a:0", "-c:v", "copy", "-c:a", "aac", "-b:a", "192k",
                       "-movflags", "+faststart", "-f", "mp4", "file:" + cap.partial});
    child_start(a);
    int written = write_all(cap.child_input, pcm.data(), pcm.size() * sizeof(pcm[0]));
    return child_finish() && written;
}

// ---------------------------------------------------------------------------

static void times_print(void)
{
    double total = now_s() - cap.started, seconds = (double)cap.frames / cap.fps;
    int n = (int)cap.presented.load();
    printf("capture on %s: %d frames, %.2f s of video at %d frames/s, in %.2f s: %.2f frames/s, "
           "%.2f s per second of video\n",
           cap.renderer.c_str(), n, seconds, cap.fps, total, n / total, total / seconds);
    for (int i = 0; i < T_COUNT; i++) {
        printf("  %-34s %8.2f s", phase_names[i], cap.spent[i]);
        if (i == T_DRAW || i == T_READ || i == T_ENCODE)
            printf("  %7.2f ms a frame", 1000.0 * cap.spent[i] / (n ? n : 1));
        printf("\n");
    }
    printf("  ffmpeg's own processor time (both passes) %8.2f s\n", cap.child_cpu);
}

static void usage(FILE *to)
{
    fprintf(to, "usage: ostra-video [-o FILE] [--fps N] [--until MS]\n"
                "  writes the demo as an H.264/AAC video (default ostra-velumin.mp4, 60 "
                "frames/s, the whole run)\n");
}

static long number_arg(const char *text, long low, long high)
{
    char *end;
    errno = 0;
    long v = text ? strtol(text, &end, 10) : 0;
    if (!text || errno || end == text || *end || v < low || v > high) {
        usage(stderr);
        exit(2);
    }
    return v;
}

static void options_read(int argc, char **argv)
{
    cap.out = "ostra-velumin.mp4";
    for (int i = 1; i < argc; i++) {
        const char *next = i + 1 < argc ? argv[i + 1] : NULL;
        if (strcmp(argv[i], "-o") == 0 && next && *next) {
            cap.out = next;
            i++;
        } else if (strcmp(argv[i], "--fps") == 0) {
            cap.fps = (int)number_arg(next, 1, 1000);
            i++;
        } else if (strcmp(argv[i], "--until") == 0) {
            cap.until = number_arg(next, 1, 0x7fffffff);
            i++;
        } else if (strcmp(argv[i], "-h") == 0 || strcmp(argv[i], "--help") == 0) {
            usage(stdout);
            exit(0);
        } else {
            usage(stderr);
            exit(2);
        }
    }
}

int main(int argc, char **argv)
{
    // Before anything starts SDL: the capture makes no sound, and a signal
    // is ours to turn into a clean stop.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    struct sigaction sa;
    memset(&sa, 0, sizeof(sa));
    sa.sa_handler = on_signal;
    sa.sa_flags = SA_RESETHAND; // a second Ctrl+C ends the process at once
    sigaction(SIGINT, &sa, NULL);
    sigaction(SIGTERM, &sa, NULL);
    sigaction(SIGHUP, &sa, NULL);
    signal(SIGPIPE, SIG_IGN);

    options_read(argc, argv);
    cap.frames = frames_in_run();
    cap.tty = isatty(2);
    cap.times = getenv("OSTRA_VIDEO_TIMES") != NULL;
    cap.started = cap.mark = now_s();
    leftovers_remove();
    if (!temp_make(&cap.partial, &cap.partial_fd, "partial") ||
        !temp_make(&cap.video_tmp, &cap.video_fd, "video"))
        fail(1, "cannot write %s: %s", cap.out.c_str(), strerror(errno));
    cap.pixels.resize(WIDTH * HEIGHT * 3);
    cap.frame.resize(WIDTH * HEIGHT * 3);
    encoder_start();
    linux_window_on_connection_lost(connection_lost);

    cap.base = (DWORD)(now_s() * 1000.0);
    WinMain(GetModuleHandleA(NULL), NULL, (LPSTR) "", 1);
    linux_mci_shutdown();
    linux_window_shutdown();
    lap(T_SHELL);
    int n = (int)cap.presented.load();
    if (n)
        progress(1);
    int encoded = child_finish();
    lap(T_FLUSH);
    if (interrupted)
        fail(128 + interrupted, "interrupted; nothing written");
    if (n == 0)
        fail(1, "the demo drew no frame (no display?)");
    if (!encoded || cap.broken)
        fail(1, "ffmpeg could not encode the video (see its message above)");

    // The video is as long as its frames; the music from run time 0 with it.
    cap.frames = n;
    std::vector<int16_t> pcm = music_render((size_t)((uint64_t)n * SAMPLE_RATE / cap.fps));
    lap(T_MUSIC);
    int muxed = music_mux(pcm);
    lap(T_MUX);
    if (interrupted)
        fail(128 + interrupted, "interrupted; nothing written");
    if (!muxed)
        fail(1, "ffmpeg could not add the music (see its message above)");
    if (rename(cap.partial.c_str(), cap.out.c_str()) != 0)
        fail(1, "cannot write %s: %s", cap.out.c_str(), strerror(errno));
    cap.partial.clear();
    temp_remove();
    char took[16];
    clock_text(took, sizeof(took), now_s() - cap.started);
    fprintf(stderr, "wrote %s: %d frames at %d frames/s, %.2f s, in %s\n", cap.out.c_str(), n,
            cap.fps, (double)n / cap.fps, took);
    if (cap.times)
        times_print();
    return 0;
}
