// linux_window.cpp -- the windows and events of platform.h on SDL2: SDL's
// video, top-level windows, the keys and close requests that SDL, signals and
// the X server bring, the display mode, cursor, screen size and message box.
// The frame is the window manager's, zero where there is none.
#include "platform/linux/linux_platform.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <stdlib.h>
#include <string.h>

static struct PlatformWindow windows[WIN32_MAX_WINDOWS];
static int video_state; // 0 untried, 1 up, -1 failed
static int display_switched;
static SDL_DisplayMode switched_mode;

// The frame the window manager draws, per kind of window (caption, sizing border).
static struct {
    int known;
    RECT frame;
} frames[4];

int linux_display_up(void)
{
    if (video_state != 0)
        return video_state == 1;
    // Windows keeps the screen saver unless the window refuses it, and the
    // close of the last window is a message, not a quit.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // Only a display someone can see: SDL would otherwise fall back to an
    // offscreen driver and run the whole show invisibly.
    if (!getenv("SDL_VIDEODRIVER")) {
        const char *x11 = getenv("DISPLAY");
        const char *wayland = getenv("WAYLAND_DISPLAY");
        int has_x11 = x11 && *x11 && linux_x11_hold(), has_wayland = wayland && *wayland;
        if (!has_x11 && !has_wayland) {
            video_state = -1;
            return 0;
        }
        SDL_SetHint(SDL_HINT_VIDEODRIVER, has_x11 && has_wayland ? "x11,wayland"
                                          : has_x11               ? "x11"
                                                                  : "wayland");
    }
    linux_x11_handlers(0);
    video_state = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0 ? 1 : -1;
    if (video_state == 1 && strcmp(SDL_GetCurrentVideoDriver(), "x11") == 0) {
        linux_x11_handlers(1);
        SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    }
    linux_x11_release(); // SDL holds its own now
    return video_state == 1;
}

// The decorations a window of this style gets: borderless without a caption,
// resizable with a sizing border.
static Uint32 frame_flags(DWORD style)
{
    Uint32 flags = 0;
    if (!(style & WS_CAPTION))
        flags |= SDL_WINDOW_BORDERLESS;
    if (style & WS_THICKFRAME)
        flags |= SDL_WINDOW_RESIZABLE;
    return flags;
}

// Asked of the window manager once per kind of window.
void platform_frame(DWORD style, int width, int height, RECT *frame)
{
    auto &kind = frames[(style & WS_CAPTION ? 1 : 0) | (style & WS_THICKFRAME ? 2 : 0)];
    if (!kind.known && linux_display_up()) {
        kind.known = 1;
        linux_x11_frame(frame_flags(style), width, height, &kind.frame);
    }
    *frame = kind.frame;
}

int platform_screen_size(int *width, int *height)
{
    SDL_DisplayMode m;
    if (display_switched)
        m = switched_mode;
    else if (!linux_display_up() || SDL_GetDesktopDisplayMode(0, &m) != 0)
        return 0;
    *width = m.w;
    *height = m.h;
    return 1;
}

// A mode the primary display offers; the switch comes with the fullscreen window.
LONG platform_display_switch(const DEVMODEA *mode)
{
    if (!mode) {
        if (display_switched) {
            display_switched = 0;
            for (const struct PlatformWindow &w : windows)
                if (w.used && (SDL_GetWindowFlags(w.sdl) & SDL_WINDOW_FULLSCREEN))
                    SDL_SetWindowFullscreen(w.sdl, 0);
        }
        return DISP_CHANGE_SUCCESSFUL;
    }
    if (!linux_display_up())
        return DISP_CHANGE_FAILED;
    int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; i++) {
        SDL_DisplayMode m;
        if (SDL_GetDisplayMode(0, i, &m) != 0)
            continue;
        if ((mode->dmFields & DM_PELSWIDTH) && (DWORD)m.w != mode->dmPelsWidth)
            continue;
        if ((mode->dmFields & DM_PELSHEIGHT) && (DWORD)m.h != mode->dmPelsHeight)
            continue;
        if ((mode->dmFields & DM_BITSPERPEL) && mode->dmBitsPerPel == 32 &&
            SDL_BITSPERPIXEL(m.format) < 24)
            continue;
        switched_mode = m;
        display_switched = 1;
        return DISP_CHANGE_SUCCESSFUL;
    }
    return DISP_CHANGE_BADMODE;
}

void platform_cursor_show(int shown)
{
    if (video_state == 1)
        SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE);
}

static int windows_open(void)
{
    int open = 0;
    for (const struct PlatformWindow &w : windows)
        open += w.used;
    return open;
}

struct PlatformWindow *platform_window_make(HWND window, int slot, const char *title, int x, int y, int width,
                                            int height, DWORD style, int fullscreen)
{
    struct PlatformWindow *w = &windows[slot];
    if (!linux_display_up())
        return NULL;
    Uint32 flags = SDL_WINDOW_HIDDEN | frame_flags(style) | (fullscreen ? SDL_WINDOW_FULLSCREEN : 0);
    memset(w, 0, sizeof(*w));
    w->sdl = linux_gl_window(title, x, y, width, height, flags, &w->gl_ok);
    if (!w->sdl)
        return NULL;
    if (fullscreen)
        SDL_SetWindowDisplayMode(w->sdl, &switched_mode);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    int x11 = SDL_GetWindowWMInfo(w->sdl, &info) && info.subsystem == SDL_SYSWM_X11;
    linux_x11_watch(slot, x11 ? info.info.x11.window : 0);
    w->used = 1;
    w->window = window;
    linux_signals_windows(windows_open());
    return w;
}

void platform_window_show(struct PlatformWindow *w)
{
    SDL_ShowWindow(w->sdl);
}

void platform_window_unmake(struct PlatformWindow *w)
{
    SDL_DestroyWindow(w->sdl);
    linux_x11_watch((int)(w - windows), 0);
    memset(w, 0, sizeof(*w));
    linux_signals_windows(windows_open());
}

int platform_window_drawable(struct PlatformWindow *w)
{
    return !w->lost;
}

// SDL holds the screen saver and the monitor power-off off together.
void platform_screensaver_hold(int hold)
{
    if (hold)
        SDL_DisableScreenSaver();
    else
        SDL_EnableScreenSaver();
}

int platform_shift_held(void)
{
    return video_state == 1 && (SDL_GetModState() & KMOD_SHIFT);
}

static HWND window_of(uint32_t id)
{
    for (const struct PlatformWindow &w : windows)
        if (w.used && SDL_GetWindowID(w.sdl) == id)
            return w.window;
    return NULL;
}

static WPARAM vk_from_sdl(SDL_Keycode key)
{
    if (key >= SDLK_a && key <= SDLK_z)
        return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9)
        return '0' + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return VK_F1 + (key - SDLK_F1);
    switch (key) {
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_RETURN: return VK_RETURN;
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL: case SDLK_RCTRL: return VK_CONTROL;
    default: return 0;
    }
}

static void post_key(const SDL_KeyboardEvent &key)
{
    HWND window = window_of(key.windowID);
    WPARAM vk = vk_from_sdl(key.keysym.sym);
    if (window && vk)
        win32_post_key(window, vk, key.type == SDL_KEYDOWN, key.repeat,
                       (key.keysym.mod & KMOD_ALT) && !(key.keysym.mod & KMOD_CTRL), key.keysym.scancode);
}

// Turns what SDL, the signal handlers and the X error handler have seen into
// window messages: keys, and close requests (the close box, the window
// manager's close, a signal, the window destroyed under us) as SC_CLOSE. A
// window gone from the server has its context let go at once: the program's
// GL calls then go nowhere and its presents do nothing, until the close it
// is sent ends the run.
void platform_events_take(void)
{
    SDL_Event e;
    HWND first = win32_first_window();
    if (first && linux_signal_asked(1))
        win32_post_message(first, WM_SYSCOMMAND, SC_CLOSE, 0);
    if (video_state != 1)
        return;
    while (SDL_PollEvent(&e)) {
        if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE && window_of(e.window.windowID))
            win32_post_message(window_of(e.window.windowID), WM_SYSCOMMAND, SC_CLOSE, 0);
        else if (e.type == SDL_KEYDOWN || e.type == SDL_KEYUP)
            post_key(e.key);
        else if (e.type == SDL_SYSWMEVENT && e.syswm.msg->subsystem == SDL_SYSWM_X11 &&
                 e.syswm.msg->msg.x11.event.type == DestroyNotify)
            linux_x11_destroyed(e.syswm.msg->msg.x11.event.xdestroywindow.window);
    }
    for (int i = 0; i < WIN32_MAX_WINDOWS; i++)
        if (windows[i].used && linux_x11_lost(i, 1)) {
            windows[i].lost = 1;
            linux_gl_let_go(windows[i].sdl);
            win32_post_message(windows[i].window, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
}

// No box where the end has been asked for already (by a signal, or the X
// server): a set-up cut short by it says why on standard error.
int platform_box(const char *caption, const char *text, UINT type)
{
    UINT icon = type & 0xF0;
    int asked = linux_signal_asked(0);
    for (int i = 0; i < WIN32_MAX_WINDOWS; i++)
        asked |= linux_x11_lost(i, 0);
    Uint32 flags = icon == MB_ICONEXCLAMATION ? SDL_MESSAGEBOX_WARNING
                   : icon == MB_ICONERROR     ? SDL_MESSAGEBOX_ERROR
                                              : SDL_MESSAGEBOX_INFORMATION;
    return !asked && linux_display_up() && SDL_ShowSimpleMessageBox(flags, caption, text, NULL) == 0;
}

void linux_display_shutdown(void)
{
    if (video_state == 1)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    video_state = 0;
    SDL_Quit();
}
