// linux_window.cpp -- user32 and kernel32 on SDL2: window classes, windows,
// the thread's message queue, display mode, cursor, screen size, message box.
// Only what the program calls: one thread's queue, top-level windows, no
// painting, no child windows, no menus; the window frame is reported as zero.
#include "platform/linux_platform.h"

#include <SDL.h>

#include <deque>
#include <mutex>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#define MAX_CLASSES 8
#define MAX_WINDOWS 4

struct WindowClass {
    int used;
    char name[64];
    WNDPROC proc;
    UINT style;
};

static struct WindowClass classes[MAX_CLASSES];
static struct HWND__ windows[MAX_WINDOWS];
static int module_record;

static int video_state; // 0 untried, 1 up, -1 failed
static int display_switched;
static SDL_DisplayMode switched_mode;
static int cursor_count; // the display counter: the cursor shows while it is >= 0
static int screensaver_allowed;
static int screensaver_held;

// Posted messages come from the main thread and, for the sequencer's notice,
// from the synthesizer's thread; the quit request is a flag, as on Windows,
// and is retrieved only once nothing else is queued.
static std::mutex queue_lock;
static std::deque<MSG> queue;
static int quit_posted;
static int quit_code;

HMODULE GetModuleHandleA(LPCSTR name)
{
    if (name)
        return NULL;
    return (HMODULE)&module_record;
}

int linux_video_up(void)
{
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
            if (!has_x11 && !has_wayland) {
                video_state = -1;
                return 0;
            }
            SDL_SetHint(SDL_HINT_VIDEODRIVER, has_x11 && has_wayland ? "x11,wayland"
                                              : has_x11               ? "x11"
                                                                      : "wayland");
        }
        video_state = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0 ? 1 : -1;
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

static struct WindowClass *class_find(LPCSTR name)
{
    for (int i = 0; i < MAX_CLASSES; i++)
        if (classes[i].used && strcasecmp(classes[i].name, name) == 0)
            return &classes[i];
    return NULL;
}

ATOM RegisterClassA(const WNDCLASSA *wc)
{
    if (!wc || !wc->lpszClassName || !wc->lpfnWndProc || strlen(wc->lpszClassName) >= 64)
        return 0;
    if (class_find(wc->lpszClassName))
        return 0; // already registered
    for (int i = 0; i < MAX_CLASSES; i++) {
        if (!classes[i].used) {
            classes[i].used = 1;
            strcpy(classes[i].name, wc->lpszClassName);
            classes[i].proc = wc->lpfnWndProc;
            classes[i].style = wc->style;
            return (ATOM)(0xC000 + i);
        }
    }
    return 0;
}

BOOL UnregisterClassA(LPCSTR name, HINSTANCE)
{
    struct WindowClass *wc = name ? class_find(name) : NULL;
    if (!wc)
        return FALSE;
    wc->used = 0;
    return TRUE;
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

BOOL AdjustWindowRect(RECT *rect, DWORD, BOOL)
{
    // The window manager draws the frame outside the client area, and SDL
    // cannot tell its size before a window exists: the frame counts as zero.
    return rect != NULL;
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

// Asks the window procedure, as Windows does, whether the screen saver and
// the monitor power-off may start; our default handling marks consent.
static void screensaver_ask(HWND window)
{
    screensaver_allowed = 0;
    window->proc(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
    int saver = screensaver_allowed;
    screensaver_allowed = 0;
    window->proc(window, WM_SYSCOMMAND, SC_MONITORPOWER, 2);
    int power = screensaver_allowed;
    // SDL holds both off together: refusing either holds off both.
    if (saver && power) {
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
    struct WindowClass *wc = class_name ? class_find(class_name) : NULL;
    HWND window = NULL;
    if (!wc || parent || width <= 0 || height <= 0 || !linux_video_up())
        return NULL;
    for (int i = 0; i < MAX_WINDOWS; i++)
        if (!windows[i].alive)
            window = &windows[i];
    if (!window)
        return NULL;

    int fullscreen = (style & WS_POPUP) && display_switched;
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (!(style & WS_CAPTION))
        flags |= SDL_WINDOW_BORDERLESS;
    if (style & WS_THICKFRAME)
        flags |= SDL_WINDOW_RESIZABLE;
    if (fullscreen)
        flags |= SDL_WINDOW_FULLSCREEN;

    memset(window, 0, sizeof(*window));
    window->sdl = create_gl_window(title ? title : "", x, y, width, height, flags, &window->gl_ok);
    if (!window->sdl)
        return NULL;
    if (fullscreen)
        SDL_SetWindowDisplayMode(window->sdl, &switched_mode);
    window->alive = 1;
    window->proc = wc->proc;
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
    if (screensaver_held) {
        SDL_EnableScreenSaver();
        screensaver_held = 0;
    }
    std::lock_guard<std::mutex> hold(queue_lock);
    for (auto it = queue.begin(); it != queue.end();)
        it = it->hwnd == window ? queue.erase(it) : it + 1;
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

void linux_post_message(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG msg;
    memset(&msg, 0, sizeof(msg));
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = timeGetTime();
    std::lock_guard<std::mutex> hold(queue_lock);
    queue.push_back(msg);
}

void PostQuitMessage(int exit_code)
{
    std::lock_guard<std::mutex> hold(queue_lock);
    quit_posted = 1;
    quit_code = exit_code;
}

static WPARAM vk_from_sdl(SDL_Keycode key)
{
    if (key >= SDLK_a && key <= SDLK_z)
        return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9)
        return '0' + (key - SDLK_0);
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

// Turns what SDL has seen into window messages: keys, and close requests
// (the close box, the window manager's close, SIGINT) as SC_CLOSE.
static void pump_events(void)
{
    SDL_Event e;
    if (video_state != 1)
        return;
    while (SDL_PollEvent(&e)) {
        HWND window = NULL;
        switch (e.type) {
        case SDL_QUIT: // SIGINT or SIGTERM
            for (int i = 0; i < MAX_WINDOWS && !window; i++)
                if (windows[i].alive)
                    window = &windows[i];
            if (window)
                linux_post_message(window, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        case SDL_WINDOWEVENT:
            window = linux_window_from_sdl(e.window.windowID);
            if (window && e.window.event == SDL_WINDOWEVENT_CLOSE)
                linux_post_message(window, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            window = linux_window_from_sdl(e.key.windowID);
            WPARAM vk = vk_from_sdl(e.key.keysym.sym);
            if (!window || !vk)
                break;
            LPARAM lParam = 1 | ((LPARAM)(e.key.keysym.scancode & 0xFF) << 16);
            if (e.type == SDL_KEYUP)
                lParam |= (LPARAM)3 << 30;
            else if (e.key.repeat)
                lParam |= (LPARAM)1 << 30;
            linux_post_message(window, e.type == SDL_KEYDOWN ? WM_KEYDOWN : WM_KEYUP, vk, lParam);
            break;
        }
        default:
            break;
        }
    }
}

static int message_matches(const MSG &msg, HWND window, UINT first, UINT last)
{
    if (window && msg.hwnd != window)
        return 0;
    if (first == 0 && last == 0)
        return 1;
    return msg.message >= first && msg.message <= last;
}

BOOL PeekMessageA(MSG *msg, HWND window, UINT first, UINT last, UINT remove)
{
    pump_events();
    std::lock_guard<std::mutex> hold(queue_lock);
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (message_matches(*it, window, first, last)) {
            *msg = *it;
            if (remove & PM_REMOVE)
                queue.erase(it);
            return TRUE;
        }
    }
    if (quit_posted && !window && (first == 0 && last == 0 ? 1 : first <= WM_QUIT && WM_QUIT <= last)) {
        memset(msg, 0, sizeof(*msg));
        msg->message = WM_QUIT;
        msg->wParam = (WPARAM)quit_code;
        msg->time = timeGetTime();
        if (remove & PM_REMOVE)
            quit_posted = 0;
        return TRUE;
    }
    return FALSE;
}

static WPARAM char_from_vk(WPARAM vk, int shift)
{
    if (vk >= 'A' && vk <= 'Z')
        return shift ? vk : vk - 'A' + 'a';
    if (vk >= '0' && vk <= '9')
        return vk;
    switch (vk) {
    case VK_ESCAPE: return 27;
    case VK_RETURN: return 13;
    case VK_SPACE: return ' ';
    case VK_BACK: return 8;
    case VK_TAB: return 9;
    default: return 0;
    }
}

BOOL TranslateMessage(const MSG *msg)
{
    if (!msg || msg->message != WM_KEYDOWN)
        return FALSE;
    int shift = video_state == 1 && (SDL_GetModState() & KMOD_SHIFT);
    WPARAM ch = char_from_vk(msg->wParam, shift);
    if (!ch)
        return FALSE;
    MSG out = *msg;
    out.message = WM_CHAR;
    out.wParam = ch;
    // The character is the next message the queue gives, as on Windows.
    std::lock_guard<std::mutex> hold(queue_lock);
    queue.push_front(out);
    return TRUE;
}

LRESULT DispatchMessageA(const MSG *msg)
{
    if (!msg || !window_valid(msg->hwnd))
        return 0; // WM_QUIT and thread messages reach no procedure
    return msg->hwnd->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE:
            // Sent, not posted: the procedure sees WM_CLOSE at once.
            if (window_valid(window))
                return window->proc(window, WM_CLOSE, 0, 0);
            return 0;
        case SC_SCREENSAVE:
        case SC_MONITORPOWER:
            screensaver_allowed = 1;
            return 0;
        default:
            return 0;
        }
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    default:
        return 0;
    }
}

// A modal box with the warning icon; where no box can be shown (no display),
// the text goes to standard error instead.
int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type)
{
    Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
    if ((type & 0xF0) == MB_ICONEXCLAMATION)
        flags = SDL_MESSAGEBOX_WARNING;
    else if ((type & 0xF0) == MB_ICONERROR)
        flags = SDL_MESSAGEBOX_ERROR;
    if (SDL_ShowSimpleMessageBox(flags, caption ? caption : "", text ? text : "", NULL) == 0)
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
