// fake_platform.cpp -- the recording platform behind fake_platform.h.
#include "fakes/fake_platform.h"

#include <string.h>

struct PlatformWindow {
    int slot;
};
struct PlatformContext {
    int slot;
};

namespace fake {

Platform platform;
static PlatformWindow windows[WIN32_MAX_WINDOWS] = {{0}, {1}, {2}, {3}};
static PlatformContext contexts[WIN32_MAX_CONTEXTS] = {{0}, {1}, {2}, {3}};

void platform_reset()
{
    for (MSG msg; PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE);) {
    }
    platform = Platform();
    log.clear();
    logging = true;
    log_limit = (size_t)-1;
}

static bool failing(const char *hook) { return platform.fail == hook; }
static std::string w(const PlatformWindow *p) { return p ? "w" + num(p->slot) : "NULL"; }
static std::string c(const PlatformContext *p) { return p ? "c" + num(p->slot) : "NULL"; }

} // namespace fake

using namespace fake;

PlatformWindow *platform_window_make(HWND, int slot, const char *title, int x, int y, int width, int height,
                                     DWORD style, int fullscreen)
{
    record("window_make", slot, title, x, y, width, height, hex(style), fullscreen);
    return failing("window_make") ? NULL : &windows[slot];
}
void platform_window_show(PlatformWindow *p) { record("window_show", w(p)); }
void platform_window_unmake(PlatformWindow *p) { record("window_unmake", w(p)); }
int platform_window_drawable(PlatformWindow *p) { return p->slot != platform.undrawable; }
void platform_events_take(void) {}
void platform_screensaver_hold(int hold) { record("screensaver_hold", hold); }
void platform_frame(DWORD, int, int, RECT *frame) { *frame = platform.frame; }
int platform_screen_size(int *width, int *height)
{
    *width = platform.screen[0], *height = platform.screen[1];
    return !failing("screen_size");
}
LONG platform_display_switch(const DEVMODEA *mode)
{
    record("display_switch", mode ? num((int)mode->dmPelsWidth) : "NULL");
    return mode && failing("display_switch") ? DISP_CHANGE_BADMODE : DISP_CHANGE_SUCCESSFUL;
}
void platform_cursor_show(int shown) { record("cursor_show", shown); }
int platform_box(const char *caption, const char *text, UINT type)
{
    record("box", caption, text, hex(type));
    return !failing("box");
}

// The fields a request sets, "+other" when any other is not zero.
int platform_pixel_format(PlatformWindow *p, const PIXELFORMATDESCRIPTOR *d)
{
    PIXELFORMATDESCRIPTOR rest = *d, zero = {};
    rest.nSize = rest.nVersion = 0, rest.dwFlags = 0, rest.cColorBits = rest.cAlphaBits = rest.cDepthBits = 0;
    record("pixel_format", w(p), d->nSize, d->nVersion, hex(d->dwFlags), d->iPixelType, d->cColorBits, d->cAlphaBits,
           std::to_string(d->cDepthBits) + (memcmp(&rest, &zero, sizeof(zero)) ? "+other" : ""));
    return !failing("pixel_format");
}
PlatformContext *platform_context_make(int slot, PlatformWindow *p)
{
    record("context_make", slot, w(p));
    return failing("context_make") ? NULL : &contexts[slot];
}
int platform_context_current(PlatformWindow *p, PlatformContext *q)
{
    record("context_current", w(p), c(q));
    return !failing("context_current");
}
void platform_context_unmake(PlatformContext *q) { record("context_unmake", c(q)); }
void platform_present(PlatformWindow *p) { record("present", w(p)); }

DWORD platform_clock_ms(void)
{
    if (platform.on_clock)
        platform.on_clock(platform.clock_reads);
    platform.clock_reads++;
    DWORD value = platform.clock.empty() ? 0 : platform.clock.front();
    if (!platform.clock.empty())
        platform.clock.pop_front();
    record("clock", (unsigned)value);
    return value;
}

MCIERROR platform_sequencer_open(const unsigned char *, size_t size, int end_tick)
{
    record("open", (unsigned)size, end_tick);
    return platform.refused;
}
void platform_sequencer_play(int again) { record("play", again); }
void platform_sequencer_close(void) { record("close"); }
