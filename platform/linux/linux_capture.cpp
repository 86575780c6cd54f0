// linux_capture.cpp -- the video capture's presentation (platform.h): each
// presented frame, the window's client area, read back and fed to the
// encoder, with the progress on the terminal. Its clock is the portable
// stepped one (win32_clock.cpp); nothing but the client area is captured.
#include "platform/linux/linux_capture.h"

#include <SDL.h>

#include <stdio.h>
#include <string.h>
#include <time.h>

Capture cap;
volatile sig_atomic_t capture_interrupted;

double capture_now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

void capture_lap(int phase)
{
    double now = capture_now();
    cap.spent[phase] += now - cap.mark;
    cap.mark = now;
}

static void clock_text(char *out, size_t size, double seconds)
{
    int s = (int)(seconds + 0.5);
    snprintf(out, size, "%d:%02d", s / 60, s % 60);
}

void capture_progress(int shown, int last)
{
    double now = capture_now();
    if (!last && now < cap.next_progress)
        return;
    cap.next_progress = now + (cap.tty ? 0.25 : 5.0);
    double per_frame = shown > 1 ? (now - cap.first_shown) / (shown - 1) : 0;
    char elapsed[16], left[16];
    clock_text(elapsed, sizeof(elapsed), now - cap.started);
    clock_text(left, sizeof(left), per_frame * (cap.frames - shown));
    fprintf(stderr, "%sframe %d of %d, %d%%, %s elapsed, %s left%s", cap.tty ? "\r" : "", shown,
            cap.frames, 100 * shown / cap.frames, elapsed, left, cap.tty ? "\033[K" : "\n");
    if (last && cap.tty)
        fputc('\n', stderr);
}

// Raw RGB frames of the window's client size in; H.264 out. CRF 18 keeps the
// noise terrain's fine grain; a thread count of its own, not one from the
// processor count, keeps the stream the same from machine to machine.
static void encoder_start(int width, int height)
{
    capture_child_start({"-f", "rawvideo", "-pixel_format", "rgb24", "-video_size",
                         std::to_string(width) + "x" + std::to_string(height), "-framerate",
                         std::to_string(cap.fps), "-i", "pipe:0", "-c:v", "libx264", "-preset", "medium",
                         "-crf", "18", "-threads", "4", "-pix_fmt", "yuv420p", "-f", "mp4",
                         "file:" + cap.video_tmp});
}

// The back buffer as the window shows it, rows top-down, into the encoder,
// which starts with the first frame, once the window's size is known. The
// program's pixel-store state and read buffer are put back.
static void frame_encode(int width, int height)
{
    if (cap.child_input < 0)
        encoder_start(width, height);
    cap.pixels.resize((size_t)width * height * 3);
    cap.frame.resize(cap.pixels.size());
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPushAttrib(GL_PIXEL_MODE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, cap.pixels.data());
    glPopAttrib();
    glPopClientAttrib();
    const size_t row = (size_t)width * 3;
    for (int y = 0; y < height; y++) // bottom row first as GL reads, top row first as the window shows
        memcpy(&cap.frame[(size_t)y * row], &cap.pixels[(size_t)(height - 1 - y) * row], row);
    capture_lap(T_READ);
    if (!capture_write_all(cap.child_input, cap.frame.data(), cap.frame.size()))
        cap.broken = 1;
    capture_lap(T_ENCODE);
}

// An interruption or an encoder that stops ends the run as the close box
// does: the program draws and presents one more pass and ends normally.
void platform_present(struct PlatformWindow *w)
{
    int shown = (int)win32_clock_frames(); // before this one
    glFinish(); // Mesa may draw only now: that is the frame's time, not the read-back's
    capture_lap(shown ? T_DRAW : T_SHELL);
    if (!cap.broken && !capture_interrupted)
        frame_encode(w->window->width, w->window->height);
    SDL_GL_SwapWindow(w->sdl);
    if (shown++ == 0) {
        cap.first_shown = capture_now();
        cap.renderer = (const char *)glGetString(GL_RENDERER);
    }
    if (!cap.close_posted && (capture_interrupted || cap.broken)) {
        win32_post_message(w->window, WM_SYSCOMMAND, SC_CLOSE, 0);
        cap.close_posted = 1;
    }
    capture_progress(shown, 0);
}
