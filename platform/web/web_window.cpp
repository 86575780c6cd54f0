// web_window.cpp -- the windows and events of platform.h in the browser: a
// window is the page's canvas, and the keys the page sees go to the first
// living one. No frame, no display modes, no hidden pointer. Everything runs
// on the browser's one thread; the page's events and the sequencer post
// while the program waits in SwapBuffers.
#include "platform/web/web_platform.h"

#include <emscripten/html5.h>

static struct PlatformWindow windows[WIN32_MAX_WINDOWS];

static EM_BOOL on_key(int type, const EmscriptenKeyboardEvent *key, void *)
{
    return web_key(win32_first_window(), (int)key->keyCode, type == EMSCRIPTEN_EVENT_KEYDOWN, key->repeat,
                   key->altKey, key->ctrlKey, key->shiftKey);
}

struct PlatformWindow *platform_window_make(HWND, int slot, const char *title, int, int, int width, int height,
                                            DWORD, int)
{
    if (!web_page_canvas(width, height, title))
        return NULL;
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, NULL, EM_TRUE, on_key);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, NULL, EM_TRUE, on_key);
    windows[slot].made = 1;
    return &windows[slot];
}

// The canvas shows itself. It stays on the page with its last frame once its
// window is gone: the end of the run shows it.
void platform_window_show(struct PlatformWindow *)
{
}

void platform_window_unmake(struct PlatformWindow *w)
{
    w->made = 0;
}

int platform_window_drawable(struct PlatformWindow *)
{
    return 1;
}

// The page's events are posted as they come, while the program waits in SwapBuffers.
void platform_events_take(void)
{
}

// Refusing the screen saver or the monitor power-off keeps the screen awake.
void platform_screensaver_hold(int hold)
{
    web_page_hold_screen(hold);
}

// The canvas has no frame: the client area is the whole window.
void platform_frame(DWORD, int, int, RECT *frame)
{
    *frame = {0, 0, 0, 0};
}

int platform_screen_size(int *width, int *height)
{
    web_page_screen(width, height);
    return *width > 0 && *height > 0;
}

// A page cannot switch the display; its fullscreen control scales the canvas instead.
LONG platform_display_switch(const DEVMODEA *mode)
{
    return mode ? DISP_CHANGE_BADMODE : DISP_CHANGE_SUCCESSFUL;
}

void platform_cursor_show(int)
{
}

int platform_box(const char *caption, const char *text, UINT type)
{
    return web_page_box(caption, text, (int)(type & 0xF0));
}
