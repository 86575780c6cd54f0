// startup_shim.cpp -- preloaded into a program by bench_startup: notes the
// moment each start-up step returns, as "<event> <monotonic ns>" lines on the
// descriptor $OSTRA_STARTUP_FD, and ends the process at its first present
// when $OSTRA_STARTUP_EXIT is set. Without $OSTRA_STARTUP_FD it only passes
// the calls on. Each event is noted once, the first time.
#include <GL/gl.h>
#include <SDL.h>
#include <fluidsynth.h>

#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

namespace {

int out_fd = -1;
bool exit_at_present;

__attribute__((constructor)) void shim_start()
{
    const char *fd = getenv("OSTRA_STARTUP_FD");
    if (fd && *fd)
        out_fd = atoi(fd);
    exit_at_present = getenv("OSTRA_STARTUP_EXIT") != NULL;
}

// One write per line: a pipe keeps lines shorter than PIPE_BUF whole, from any thread.
void note(const char *event, bool *done)
{
    if (out_fd < 0 || __atomic_exchange_n(done, true, __ATOMIC_SEQ_CST))
        return;
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    char line[64];
    int n = snprintf(line, sizeof(line), "%s %lld\n", event,
                     (long long)now.tv_sec * 1000000000LL + now.tv_nsec);
    if (write(out_fd, line, (size_t)n) != n)
        out_fd = -1;
}

template <typename F> F next(const char *name)
{
    void *f = dlsym(RTLD_NEXT, name);
    if (!f) {
        fprintf(stderr, "startup_shim: no %s to pass on to\n", name);
        _exit(99);
    }
    return (F)f;
}

bool video_done, shown_done, current_done, synthesis_done, font_done, music_done, frame_done;

} // namespace

extern "C" {

int SDL_Init(Uint32 flags)
{
    static auto real = next<int (*)(Uint32)>("SDL_Init");
    int result = real(flags);
    if (flags & SDL_INIT_VIDEO)
        note("video", &video_done);
    return result;
}

int SDL_InitSubSystem(Uint32 flags)
{
    static auto real = next<int (*)(Uint32)>("SDL_InitSubSystem");
    int result = real(flags);
    if (flags & SDL_INIT_VIDEO)
        note("video", &video_done);
    return result;
}

void SDL_ShowWindow(SDL_Window *window)
{
    static auto real = next<void (*)(SDL_Window *)>("SDL_ShowWindow");
    real(window);
    note("shown", &shown_done);
}

int SDL_GL_MakeCurrent(SDL_Window *window, SDL_GLContext context)
{
    static auto real = next<int (*)(SDL_Window *, SDL_GLContext)>("SDL_GL_MakeCurrent");
    int result = real(window, context);
    if (context && result == 0)
        note("current", &current_done);
    return result;
}

// The terrain synthesis ends with its one read-back.
void glReadPixels(GLint x, GLint y, GLsizei w, GLsizei h, GLenum format, GLenum type, void *pixels)
{
    static auto real = next<void (*)(GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void *)>(
        "glReadPixels");
    real(x, y, w, h, format, type, pixels);
    note("synthesis", &synthesis_done);
}

int fluid_synth_sfload(fluid_synth_t *synth, const char *file, int reset)
{
    static auto real = next<int (*)(fluid_synth_t *, const char *, int)>("fluid_synth_sfload");
    int result = real(synth, file, reset);
    note("soundfont", &font_done);
    return result;
}

int fluid_player_play(fluid_player_t *player)
{
    static auto real = next<int (*)(fluid_player_t *)>("fluid_player_play");
    int result = real(player);
    note("music", &music_done);
    return result;
}

void SDL_GL_SwapWindow(SDL_Window *window)
{
    static auto real = next<void (*)(SDL_Window *)>("SDL_GL_SwapWindow");
    real(window);
    note("frame", &frame_done);
    if (exit_at_present && out_fd >= 0)
        _exit(0);
}

} // extern "C"
