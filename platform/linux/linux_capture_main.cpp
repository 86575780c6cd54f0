// linux_capture_main.cpp -- the video capture's entry (build/ostra-video):
// its options, the run of the program on the stepped clock with each frame
// encoded, then the music muxed in, and the one line said on success or
// failure. The live sequencer plays meanwhile on SDL's silent driver.
#include "app/app.h"
#include "platform/linux/linux_capture.h"
#include "platform/linux/linux_sound.h"

#include <SDL.h>

#include <errno.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static const char *const phase_names[T_COUNT] = {
    "start-up, first frame, teardown", "drawing and presenting", "read-back and row flip",
    "waiting on the encoder's pipe",   "encoder finishing",      "music rendered offline",
    "music muxed in (AAC)",
};

static void on_signal(int number)
{
    capture_interrupted = number;
}

static void times_print(void)
{
    double total = capture_now() - cap.started, seconds = (double)cap.frames / cap.fps;
    int n = cap.frames;
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

static void options_read(int argc, char **argv)
{
    cap.out = "ostra-velumin.mp4";
    for (int i = 1; i < argc; i++) {
        const char *next = i + 1 < argc ? argv[i + 1] : NULL;
        int taken = win32_clock_option(argv[i], next, &cap.fps, &cap.until);
        if (taken > 0) {
            i++;
        } else if (taken == 0 && strcmp(argv[i], "-o") == 0 && next && *next) {
            cap.out = next;
            i++;
        } else if (taken == 0 && (strcmp(argv[i], "-h") == 0 || strcmp(argv[i], "--help") == 0)) {
            usage(stdout);
            exit(0);
        } else {
            usage(stderr);
            exit(2);
        }
    }
}

// The run ends after the first frame past the program's limit, or with the
// first frame at or past --until.
static int frames_in_run(void)
{
    long k = 0;
    while (win32_clock_frame_ms(k) <= RUN_LIMIT && !(cap.until && win32_clock_frame_ms(k) >= cap.until))
        k++;
    return (int)k + 1;
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
    win32_clock_start(cap.fps, cap.until);
    cap.frames = frames_in_run();
    cap.tty = isatty(2);
    cap.started = cap.mark = capture_now();
    if (!capture_files_make())
        capture_fail(1, "cannot write %s: %s", cap.out.c_str(), strerror(errno));
    linux_sound_prepare();
    linux_x11_on_connection_lost(capture_connection_lost);

    WinMain(GetModuleHandleA(NULL), NULL, (LPSTR) "", 1);
    linux_sequencer_shutdown();
    linux_display_shutdown();
    capture_lap(T_SHELL);
    int n = (int)win32_clock_frames();
    if (n)
        capture_progress(n, 1);
    int encoded = cap.child > 0 && capture_child_finish();
    capture_lap(T_FLUSH);
    if (capture_interrupted)
        capture_fail(128 + capture_interrupted, "interrupted; nothing written");
    if (n == 0)
        capture_fail(1, "the demo drew no frame (no display?)");
    if (!encoded || cap.broken)
        capture_fail(1, "ffmpeg could not encode the video (see its message above)");

    // The video is as long as its frames; the music from run time 0 with it.
    cap.frames = n;
    int muxed = capture_music(n);
    if (capture_interrupted)
        capture_fail(128 + capture_interrupted, "interrupted; nothing written");
    if (!muxed)
        capture_fail(1, "ffmpeg could not add the music (see its message above)");
    if (rename(cap.partial.c_str(), cap.out.c_str()) != 0)
        capture_fail(1, "cannot write %s: %s", cap.out.c_str(), strerror(errno));
    cap.partial.clear();
    capture_files_remove();
    int took = (int)(capture_now() - cap.started + 0.5);
    fprintf(stderr, "wrote %s: %d frames at %d frames/s, %.2f s, in %d:%02d\n", cap.out.c_str(), n, cap.fps,
            (double)n / cap.fps, took / 60, took % 60);
    if (getenv("OSTRA_VIDEO_TIMES"))
        times_print();
    return 0;
}
