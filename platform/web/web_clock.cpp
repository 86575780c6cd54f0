// web_clock.cpp -- winmm's millisecond clock in the browser, real or stepped,
// and the end that --until asks for. Stepped (--fps N), it moves by exactly
// one frame period per presented frame, as the Linux video capture's does,
// so that two runs draw the same frames; real, it is the page's clock.
#include "platform/web/web_platform.h"

static struct {
    int fps; // 0: the real clock
    long until; // 0: the program's own end
    DWORD base;
    unsigned presented;
    int sampled; // the program has taken its first sample, its start
    DWORD start;
    int close_posted;
} clock_state;

// Starts the clock afresh.
void web_clock_options(int fps, long until)
{
    clock_state = {};
    clock_state.fps = fps;
    clock_state.until = until;
    clock_state.base = web_clock_now();
}

DWORD web_clock_now(void)
{
    return (DWORD)(unsigned long long)web_page_now();
}

// Frame k is drawn at run time k * 1000 / fps exactly: whole milliseconds
// that never drift (16, 17, 17 at 60/s).
static long long frame_ms(long long k)
{
    return k * 1000 / clock_state.fps;
}

// The platform's own code reads web_clock_now, so the program's first
// sample here is its start, from which --until counts on the real clock.
DWORD timeGetTime(void)
{
    DWORD now = clock_state.fps ? clock_state.base + (DWORD)frame_ms(clock_state.presented)
                                : web_clock_now();
    if (!clock_state.sampled) {
        clock_state.sampled = 1;
        clock_state.start = now;
    }
    return now;
}

// Ended as the close box ends it: the program draws and presents one more
// pass, the first at or past --until, and ends normally. On the real clock
// that pass's time is not known yet; the browser has just handed control
// back, and the next sample comes at once, at or past this one.
void web_clock_presented(HWND window)
{
    clock_state.presented++;
    if (!clock_state.until || clock_state.close_posted)
        return;
    long long next = clock_state.fps ? frame_ms(clock_state.presented)
                                     : (long long)(DWORD)(web_clock_now() - clock_state.start);
    if (next >= clock_state.until) {
        win32_post_message(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        clock_state.close_posted = 1;
    }
}
