// win32_clock.cpp -- winmm's millisecond clock over the platform's, real or
// stepped, and the end that --until asks for: the video capture and the page
// take the same options. Stepped (--fps N), the clock moves by exactly one
// frame period per presented frame, so that two runs draw the same frames
// whatever the machine's speed.
#include "platform/platform.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

static struct {
    int fps;    // 0: the platform's clock
    long until; // 0: the program's own end
    DWORD base;
    unsigned presented;
    int sampled; // the program has taken its first sample, its start
    DWORD start;
    int close_posted;
} clock_state;

// A whole number from low to high, or -1.
static long number(const char *text, long low, long high)
{
    char *end;
    errno = 0;
    long v = text ? strtol(text, &end, 10) : 0;
    if (!text || errno || end == text || *end || v < low || v > high)
        return -1;
    return v;
}

int win32_clock_option(const char *option, const char *value, int *fps, long *until)
{
    if (strcmp(option, "--fps") == 0) {
        long v = number(value, 1, 1000);
        return v < 0 ? -1 : (*fps = (int)v, 2);
    }
    if (strcmp(option, "--until") == 0) {
        long v = number(value, 1, 0x7fffffff);
        return v < 0 ? -1 : (*until = v, 2);
    }
    return 0;
}

void win32_clock_start(int fps, long until)
{
    clock_state = {};
    clock_state.fps = fps;
    clock_state.until = until;
    clock_state.base = platform_clock_ms();
}

unsigned win32_clock_frames(void)
{
    return clock_state.presented;
}

long win32_clock_frame_ms(long k)
{
    return (long)((long long)k * 1000 / clock_state.fps);
}

// Nothing else reads the clock through here (messages are stamped with the
// program's latest sample), so the program's first sample is its start,
// from which --until counts on the real clock.
DWORD timeGetTime(void)
{
    DWORD now = clock_state.fps ? clock_state.base + (DWORD)win32_clock_frame_ms(clock_state.presented)
                                : platform_clock_ms();
    if (!clock_state.sampled) {
        clock_state.sampled = 1;
        clock_state.start = now;
    }
    win32_queue_stamp(now);
    return now;
}

// Ended as the close box ends it: the program draws and presents one more
// pass, the first at or past --until, and ends normally. On the real clock
// that pass's time is not known yet; the next sample comes at once, at or
// past this one.
void win32_clock_presented(HWND window)
{
    clock_state.presented++;
    if (!clock_state.until || clock_state.close_posted)
        return;
    long long next = clock_state.fps ? win32_clock_frame_ms(clock_state.presented)
                                     : (long long)(DWORD)(platform_clock_ms() - clock_state.start);
    if (next >= clock_state.until) {
        win32_post_message(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        clock_state.close_posted = 1;
    }
}
