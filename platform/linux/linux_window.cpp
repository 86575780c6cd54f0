// linux_window.cpp -- user32 and kernel32 on SDL2: windows, display mode,
// cursor, screen size, message box, and the keys and close requests that SDL,
// signals and the X server bring to the queue (win32_window.cpp has the queue
// and the classes). Only what the program calls: top-level windows, no
// painting, no child windows, no menus; the frame is the window manager's,
// zero where there is none.
#include "platform/linux/linux_platform.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <thread>
#include <unistd.h>

#define MAX_WINDOWS 4

static struct HWND__ windows[MAX_WINDOWS];

static int video_state; // 0 untried, 1 up, -1 failed
static int display_switched;
static SDL_DisplayMode switched_mode;
static int cursor_count; // the display counter: the cursor shows while it is >= 0
static int screensaver_held;

// What signal handlers and X error handlers leave for the next message pump.
static volatile sig_atomic_t windows_open; // living windows
static volatile sig_atomic_t close_requested;
static volatile sig_atomic_t window_lost[MAX_WINDOWS]; // 1: gone under us, 2: close posted
static unsigned long window_xid[MAX_WINDOWS];
static void (*connection_lost_hook)(void);

// The frame the window manager draws, per kind of window (caption, sizing border).
struct Frame {
    int known;
    long left, right, top, bottom;
};
static struct Frame frames[4];

// SIGINT, SIGTERM and SIGHUP end the run as the close box does; with no
// window to close (before the first or after the last) they end the process
// at once. So does a second one, or a first one that no message pump has
// taken within 2 s: a main thread held up elsewhere (in the driver, say)
// must not keep a terminal's Ctrl+C waiting. The sound stops with the
// process, whose audio output closes as it ends. A signal ignored by
// whoever started us stays ignored.
static void on_signal(int)
{
    static volatile sig_atomic_t caught;
    if (!windows_open || caught)
        _exit(0);
    caught = 1;
    close_requested = 1;
    alarm(2);
}

static void on_alarm(int)
{
    if (close_requested)
        _exit(0);
}

void linux_signals_install(void)
{
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    const int handled[] = {SIGINT, SIGTERM, SIGHUP, SIGALRM};
    for (int sig : handled) {
        struct sigaction old, now;
        if (sigaction(sig, NULL, &old) != 0 || old.sa_handler == SIG_IGN)
            continue;
        memset(&now, 0, sizeof(now));
        now.sa_handler = sig == SIGALRM ? on_alarm : on_signal;
        sigemptyset(&now.sa_mask);
        now.sa_flags = SA_RESTART;
        sigaction(sig, &now, NULL);
    }
}

void linux_window_on_connection_lost(void (*hook)(void))
{
    connection_lost_hook = hook;
}

// A server that accepts the connection and never answers would hold SDL's
// start-up forever, so a connection is first made on a helper thread for a
// bounded time; a helper still waiting then is left behind, and closes what
// it gets. A refusal is tried again for a moment: an X server without
// -noreset resets when its last client leaves, and while it does it drops
// the connections it is still setting up. The connection made is kept until
// SDL has its own, so that this process never leaves such a server without
// a client of its own during its start, which would drop another instance's.
static Display *x_server_open(void)
{
    struct Probe {
        std::mutex lock;
        std::condition_variable answered;
        int done = 0, abandoned = 0;
        Display *display = NULL;
    };
    auto probe = std::make_shared<Probe>();
    std::thread([probe] {
        Display *display = XOpenDisplay(NULL);
        for (int tries = 1; !display && tries < 20; tries++) {
            usleep(100000);
            display = XOpenDisplay(NULL);
        }
        std::lock_guard<std::mutex> hold(probe->lock);
        if (display && probe->abandoned)
            XCloseDisplay(display);
        else
            probe->display = display;
        probe->done = 1;
        probe->answered.notify_all();
    }).detach();
    std::unique_lock<std::mutex> hold(probe->lock);
    if (!probe->answered.wait_for(hold, std::chrono::seconds(5), [&] { return probe->done != 0; }))
        probe->abandoned = 1;
    return probe->display;
}

// A window destroyed by another client ends the run as its close box does.
// Every other error is let pass too: the run can go on without what failed.
static int on_x_error(Display *, XErrorEvent *error)
{
    int gone = error->error_code == BadWindow || error->error_code == BadDrawable;
    for (int i = 0; i < MAX_WINDOWS; i++)
        if (gone && windows[i].alive && window_xid[i] == error->resourceid && !window_lost[i])
            window_lost[i] = 1;
    return 0;
}

// The connection is gone: nothing of X can be touched any more.
static int on_x_connection_lost(Display *)
{
    if (connection_lost_hook)
        connection_lost_hook();
    _exit(0);
}

int linux_video_up(void)
{
    Display *held = NULL;
    if (video_state == 0) {
        // Windows keeps the screen saver unless the window refuses it, and
        // the close of the last window is a message, not a quit.
        SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
        SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
        // Only a display someone can see: SDL would otherwise fall back to
        // an offscreen driver and run the whole show invisibly.
        if (!getenv("SDL_VIDEODRIVER")) {
            const char *x11 = getenv("DISPLAY");
            const char *wayland = getenv("WAYLAND_DISPLAY");
            int has_x11 = x11 && *x11, has_wayland = wayland && *wayland;
            held = has_x11 ? x_server_open() : NULL;
            has_x11 = held != NULL;
            if (!has_x11 && !has_wayland) {
                video_state = -1;
                return 0;
            }
            SDL_SetHint(SDL_HINT_VIDEODRIVER, has_x11 && has_wayland ? "x11,wayland"
                                              : has_x11               ? "x11"
                                                                      : "wayland");
        }
        // SDL puts its own X error handler in front of the one it finds, which
        // it calls, and puts back when it ends: ours goes in before and after.
        // The default handlers would end the process with 1.
        XSetErrorHandler(on_x_error);
        video_state = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0 ? 1 : -1;
        if (video_state == 1 && strcmp(SDL_GetCurrentVideoDriver(), "x11") == 0) {
            XSetErrorHandler(on_x_error);
            XSetIOErrorHandler(on_x_connection_lost);
            SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
        }
        if (held)
            XCloseDisplay(held); // SDL holds its own now
    }
    return video_state == 1;
}

HWND linux_window_from_sdl(uint32_t id)
{
    for (int i = 0; i < MAX_WINDOWS; i++)
        if (windows[i].alive && SDL_GetWindowID(windows[i].sdl) == id)
            return &windows[i];
    return NULL;
}

static int window_valid(HWND window)
{
    return window && window >= windows && window < windows + MAX_WINDOWS && window->alive;
}

WNDPROC platform_window_proc(HWND window)
{
    return window_valid(window) ? window->proc : NULL;
}

int platform_shift_held(void)
{
    return video_state == 1 && (SDL_GetModState() & KMOD_SHIFT);
}

DWORD platform_message_time(void)
{
    return timeGetTime();
}

// The switch happens when the fullscreen popup is made; until then the
// request is checked against the modes the primary display offers.
LONG ChangeDisplaySettingsA(DEVMODEA *mode, DWORD)
{
    if (!mode) {
        if (display_switched) {
            display_switched = 0;
            for (int i = 0; i < MAX_WINDOWS; i++)
                if (windows[i].alive &&
                    (SDL_GetWindowFlags(windows[i].sdl) & SDL_WINDOW_FULLSCREEN))
                    SDL_SetWindowFullscreen(windows[i].sdl, 0);
        }
        return DISP_CHANGE_SUCCESSFUL;
    }
    if (!linux_video_up())
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

int ShowCursor(BOOL show)
{
    cursor_count += show ? 1 : -1;
    if (video_state == 1)
        SDL_ShowCursor(cursor_count >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return cursor_count;
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

// Whether the window manager announces that it supports an EWMH atom.
static int wm_supports(Display *display, const char *name)
{
    Atom wanted = XInternAtom(display, name, False), type;
    int format, found = 0;
    unsigned long count, after;
    unsigned char *data = NULL;
    if (XGetWindowProperty(display, DefaultRootWindow(display),
                           XInternAtom(display, "_NET_SUPPORTED", False), 0, 4096, False, XA_ATOM,
                           &type, &format, &count, &after, &data) == Success && data) {
        for (unsigned long i = 0; i < count && format == 32; i++)
            found |= ((Atom *)data)[i] == wanted;
        XFree(data);
    }
    return found;
}

// Reads _NET_FRAME_EXTENTS (left, right, top, bottom) once the window manager has set it.
static int frame_read(Display *display, Window window, struct Frame *frame)
{
    Atom type;
    int format, found = 0;
    unsigned long count, after;
    unsigned char *data = NULL;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_FRAME_EXTENTS", False), 0,
                           4, False, XA_CARDINAL, &type, &format, &count, &after,
                           &data) == Success && data) {
        if (format == 32 && count == 4) {
            long *e = (long *)data;
            frame->left = e[0], frame->right = e[1], frame->top = e[2], frame->bottom = e[3];
            found = 1;
        }
        XFree(data);
    }
    return found;
}

// The frame that the window manager will draw around a window of this style,
// asked of it once per kind with a hidden window of the same kind; zero where
// no window manager answers within a second.
static const struct Frame *frame_of(DWORD style, int width, int height)
{
    struct Frame *frame = &frames[(style & WS_CAPTION ? 1 : 0) | (style & WS_THICKFRAME ? 2 : 0)];
    if (frame->known || !linux_video_up())
        return frame;
    frame->known = 1;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    SDL_Window *probe = SDL_CreateWindow("", 0, 0, width > 0 ? width : 1, height > 0 ? height : 1,
                                         SDL_WINDOW_HIDDEN | frame_flags(style));
    if (probe && SDL_GetWindowWMInfo(probe, &info) && info.subsystem == SDL_SYSWM_X11 &&
        wm_supports(info.info.x11.display, "_NET_REQUEST_FRAME_EXTENTS")) {
        Display *display = info.info.x11.display;
        XEvent request;
        memset(&request, 0, sizeof(request));
        request.xclient.type = ClientMessage;
        request.xclient.window = info.info.x11.window;
        request.xclient.message_type = XInternAtom(display, "_NET_REQUEST_FRAME_EXTENTS", False);
        request.xclient.format = 32;
        XSendEvent(display, DefaultRootWindow(display), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &request);
        for (int i = 0; i < 100 && !frame_read(display, info.info.x11.window, frame); i++) {
            XSync(display, False);
            SDL_Delay(10);
        }
    }
    if (probe)
        SDL_DestroyWindow(probe);
    return frame;
}

BOOL AdjustWindowRect(RECT *rect, DWORD style, BOOL)
{
    if (!rect)
        return FALSE;
    const struct Frame *frame = frame_of(style, rect->right - rect->left, rect->bottom - rect->top);
    rect->left -= frame->left;
    rect->top -= frame->top;
    rect->right += frame->right;
    rect->bottom += frame->bottom;
    return TRUE;
}

int GetSystemMetrics(int index)
{
    SDL_DisplayMode m;
    if (index != SM_CXSCREEN && index != SM_CYSCREEN)
        return 0;
    if (display_switched)
        m = switched_mode;
    else if (!linux_video_up() || SDL_GetDesktopDisplayMode(0, &m) != 0)
        return 0;
    return index == SM_CXSCREEN ? m.w : m.h;
}

// Tries the visuals a double-buffered RGBA window with depth can have, best
// first. A depth of 24 is a minimum: GLX gives 32 where it offers it.
static SDL_Window *create_gl_window(const char *title, int x, int y, int w, int h, Uint32 flags,
                                    int *gl_ok)
{
    static const int attempts[][2] = {{8, 24}, {0, 24}}; // alpha bits, depth bits
    for (const auto &a : attempts) {
        SDL_GL_ResetAttributes();
        SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, a[0]);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, a[1]);
        SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
        SDL_Window *win = SDL_CreateWindow(title, x, y, w, h, flags | SDL_WINDOW_OPENGL);
        if (win) {
            *gl_ok = 1;
            return win;
        }
    }
    *gl_ok = 0;
    return SDL_CreateWindow(title, x, y, w, h, flags); // no GL: ChoosePixelFormat will say so
}

// SDL holds the screen saver and the monitor power-off off together:
// refusing either holds off both.
static void screensaver_ask(HWND window)
{
    if (win32_screensaver_ask(window, window->proc)) {
        SDL_EnableScreenSaver();
        screensaver_held = 0;
    } else {
        SDL_DisableScreenSaver();
        screensaver_held = 1;
    }
}

HWND CreateWindowExA(DWORD, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU, HINSTANCE, void *)
{
    WNDPROC proc = win32_class_proc(class_name);
    HWND window = NULL;
    if (!proc || parent || width <= 0 || height <= 0 || !linux_video_up())
        return NULL;
    for (int i = 0; i < MAX_WINDOWS && !window; i++)
        if (!windows[i].alive)
            window = &windows[i];
    if (!window)
        return NULL;

    // The size and place asked for are the outer frame's; the window manager
    // puts the frame's corner where the window asks to be.
    int fullscreen = (style & WS_POPUP) && display_switched;
    static const struct Frame no_frame = {1, 0, 0, 0, 0};
    const struct Frame *frame = fullscreen ? &no_frame : frame_of(style, width, height);
    width -= frame->left + frame->right;
    height -= frame->top + frame->bottom;
    if (width <= 0 || height <= 0)
        return NULL;
    Uint32 flags = SDL_WINDOW_HIDDEN | frame_flags(style);
    if (fullscreen)
        flags |= SDL_WINDOW_FULLSCREEN;

    memset(window, 0, sizeof(*window));
    window->sdl = create_gl_window(title ? title : "", x, y, width, height, flags, &window->gl_ok);
    if (!window->sdl)
        return NULL;
    if (fullscreen)
        SDL_SetWindowDisplayMode(window->sdl, &switched_mode);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    int index = (int)(window - windows);
    window_xid[index] = SDL_GetWindowWMInfo(window->sdl, &info) && info.subsystem == SDL_SYSWM_X11
                            ? info.info.x11.window
                            : 0;
    window_lost[index] = 0;
    window->alive = 1;
    windows_open = windows_open + 1;
    window->proc = proc;
    window->style = style;
    window->dc.window = window;

    if (window->proc(window, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(window);
        return NULL;
    }
    if (style & WS_VISIBLE)
        SDL_ShowWindow(window->sdl);
    screensaver_ask(window);
    if (cursor_count < 0)
        SDL_ShowCursor(SDL_DISABLE);
    return window;
}

BOOL DestroyWindow(HWND window)
{
    if (!window_valid(window))
        return FALSE;
    window->proc(window, WM_DESTROY, 0, 0);
    SDL_DestroyWindow(window->sdl);
    window->sdl = NULL;
    window->alive = 0;
    windows_open = windows_open - 1;
    if (screensaver_held) {
        SDL_EnableScreenSaver();
        screensaver_held = 0;
    }
    win32_queue_purge(window);
    return TRUE;
}

HDC GetDC(HWND window)
{
    if (!window_valid(window))
        return NULL;
    return &window->dc;
}

int ReleaseDC(HWND window, HDC dc)
{
    // CS_OWNDC: the device context belongs to the window and stays valid.
    return window_valid(window) && dc == &window->dc;
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

static HWND first_window(void)
{
    for (int i = 0; i < MAX_WINDOWS; i++)
        if (windows[i].alive)
            return &windows[i];
    return NULL;
}

static void post_key(const SDL_KeyboardEvent &key)
{
    HWND window = linux_window_from_sdl(key.windowID);
    WPARAM vk = vk_from_sdl(key.keysym.sym);
    if (window && vk)
        win32_post_key(window, vk, key.type == SDL_KEYDOWN, key.repeat,
                       (key.keysym.mod & KMOD_ALT) && !(key.keysym.mod & KMOD_CTRL), key.keysym.scancode);
}

// The window is gone from the X server. Mesa would still read its size and
// draw into it, and with no window to ask it takes garbage for the size and
// crashes; so its context is let go at once. The program's GL calls then go
// nowhere and its presents do nothing, until the close it is sent ends the run.
static void window_forget(HWND window)
{
    window->lost = 1;
    if (SDL_GL_GetCurrentWindow() == window->sdl && SDL_GL_GetCurrentContext())
        SDL_GL_MakeCurrent(window->sdl, NULL);
}

// Turns what SDL, the signal handlers and the X error handler have seen into
// window messages: keys, and close requests (the close box, the window
// manager's close, a signal, the window destroyed under us) as SC_CLOSE.
void platform_events_take(void)
{
    SDL_Event e;
    if (close_requested && first_window()) {
        close_requested = 0;
        win32_post_message(first_window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    if (video_state != 1)
        return;
    while (SDL_PollEvent(&e)) {
        HWND window = NULL;
        switch (e.type) {
        case SDL_WINDOWEVENT:
            window = linux_window_from_sdl(e.window.windowID);
            if (window && e.window.event == SDL_WINDOWEVENT_CLOSE)
                win32_post_message(window, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            post_key(e.key);
            break;
        case SDL_SYSWMEVENT:
            if (e.syswm.msg->subsystem == SDL_SYSWM_X11 &&
                e.syswm.msg->msg.x11.event.type == DestroyNotify)
                for (int i = 0; i < MAX_WINDOWS; i++)
                    if (windows[i].alive && !window_lost[i] &&
                        window_xid[i] == e.syswm.msg->msg.x11.event.xdestroywindow.window)
                        window_lost[i] = 1;
            break;
        default:
            break;
        }
    }
    for (int i = 0; i < MAX_WINDOWS; i++)
        if (windows[i].alive && window_lost[i] == 1) {
            window_lost[i] = 2;
            window_forget(&windows[i]);
            win32_post_message(&windows[i], WM_SYSCOMMAND, SC_CLOSE, 0);
        }
}

// Whether a signal or the X server has asked for the end and no message
// pump has seen it yet (a set-up cut short by it, say).
static int end_asked(void)
{
    int asked = close_requested;
    for (int i = 0; i < MAX_WINDOWS; i++)
        asked |= window_lost[i] == 1;
    return asked;
}

// A modal box with the warning icon; where no box can be shown (no display,
// or one that does not answer) or the end has been asked for already, the
// text goes to standard error instead.
int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type)
{
    Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
    if ((type & 0xF0) == MB_ICONEXCLAMATION)
        flags = SDL_MESSAGEBOX_WARNING;
    else if ((type & 0xF0) == MB_ICONERROR)
        flags = SDL_MESSAGEBOX_ERROR;
    if (!end_asked() && linux_video_up() &&
        SDL_ShowSimpleMessageBox(flags, caption ? caption : "", text ? text : "", NULL) == 0)
        return IDOK;
    fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
    return 0;
}

void linux_window_shutdown(void)
{
    if (video_state == 1)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    video_state = 0;
    SDL_Quit();
}
