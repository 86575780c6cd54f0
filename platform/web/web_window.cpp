// web_window.cpp -- user32 and kernel32 in the browser: the one window (the
// page's canvas), the keys the page hands over, and the message box
// (win32_window.cpp has the queue and the classes). Only what the program
// calls: top-level windows without a frame, no painting, no menus, no display
// modes. The page is the screen: 800 x 600, and the window sits at its corner.
// Everything runs on the browser's one thread; posts from the page's events
// and the sequencer arrive while the program waits in SwapBuffers.
#include "platform/web/web_platform.h"

#include <string.h>

#define MAX_WINDOWS 4
#define SCREEN_WIDTH 800
#define SCREEN_HEIGHT 600

static struct HWND__ windows[MAX_WINDOWS];
static int cursor_count; // the display counter: the cursor shows while it is >= 0
static int screen_held;
static int shift_held; // as of the last key the page gave

static int window_valid(HWND window)
{
    return window && window >= windows && window < windows + MAX_WINDOWS && window->alive;
}

WNDPROC platform_window_proc(HWND window)
{
    return window_valid(window) ? window->proc : NULL;
}

// The page's events are posted as they come, while the program waits in SwapBuffers.
void platform_events_take(void)
{
}

int platform_shift_held(void)
{
    return shift_held;
}

DWORD platform_message_time(void)
{
    return web_clock_now();
}

// A page cannot switch the display; its fullscreen control scales the canvas instead.
LONG ChangeDisplaySettingsA(DEVMODEA *mode, DWORD)
{
    return mode ? DISP_CHANGE_BADMODE : DISP_CHANGE_SUCCESSFUL;
}

// Counted as Windows counts it; the canvas never hides the pointer.
int ShowCursor(BOOL show)
{
    cursor_count += show ? 1 : -1;
    return cursor_count;
}

// The canvas has no frame: the client area is the whole window.
BOOL AdjustWindowRect(RECT *rect, DWORD, BOOL)
{
    return rect != NULL;
}

int GetSystemMetrics(int index)
{
    if (index == SM_CXSCREEN)
        return SCREEN_WIDTH;
    if (index == SM_CYSCREEN)
        return SCREEN_HEIGHT;
    return 0;
}

// Refusing the screen saver or the monitor power-off keeps the screen awake.
static void screensaver_ask(HWND window)
{
    screen_held = !win32_screensaver_ask(window, window->proc);
    web_page_hold_screen(screen_held);
}

HWND CreateWindowExA(DWORD, LPCSTR class_name, LPCSTR title, DWORD style, int, int, int width,
                     int height, HWND parent, HMENU, HINSTANCE, void *)
{
    WNDPROC proc = win32_class_proc(class_name);
    HWND window = NULL;
    if (!proc || parent || width <= 0 || height <= 0)
        return NULL;
    for (int i = 0; i < MAX_WINDOWS && !window; i++)
        if (!windows[i].alive)
            window = &windows[i];
    if (!window || !web_page_canvas(width, height, title ? title : ""))
        return NULL;
    memset(window, 0, sizeof(*window));
    window->alive = 1;
    window->proc = proc;
    window->style = style;
    window->dc.window = window;
    if (window->proc(window, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(window);
        return NULL;
    }
    screensaver_ask(window);
    return window;
}

// The canvas stays on the page with its last frame: the end of the run shows it.
BOOL DestroyWindow(HWND window)
{
    if (!window_valid(window))
        return FALSE;
    window->proc(window, WM_DESTROY, 0, 0);
    window->alive = 0;
    if (screen_held) {
        screen_held = 0;
        web_page_hold_screen(0);
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

HWND web_key_window(void)
{
    for (int i = 0; i < MAX_WINDOWS; i++)
        if (windows[i].alive)
            return &windows[i];
    return NULL;
}

// The browser's key codes are the Windows virtual keys for these keys.
static WPARAM vk_from_key_code(int code)
{
    if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9'))
        return (WPARAM)code;
    if (code >= VK_F1 && code < VK_F1 + 12)
        return (WPARAM)code;
    switch (code) {
    case VK_ESCAPE: case VK_RETURN: case VK_SPACE: case VK_BACK: case VK_TAB:
    case VK_LEFT: case VK_UP: case VK_RIGHT: case VK_DOWN: case VK_SHIFT: case VK_CONTROL:
        return (WPARAM)code;
    default:
        return 0;
    }
}

// The page gives no scan code. Keys of the browser's own (F5, Ctrl+R) stay the browser's.
int web_key(HWND window, int key_code, int down, int repeat, int alt, int ctrl, int shift)
{
    WPARAM vk = vk_from_key_code(key_code);
    shift_held = shift;
    if (!window_valid(window) || !vk)
        return 0;
    win32_post_key(window, vk, down, repeat, alt && !ctrl, 0);
    return !ctrl && !(vk >= VK_F1 && vk < VK_F1 + 12);
}

// A modal box in the page, its icon by the type's icon bits; where the page
// cannot show one, the text goes to the console instead.
int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type)
{
    int icon = (int)(type & 0xF0);
    if (web_page_box(caption ? caption : "", text ? text : "", icon))
        return IDOK;
    return 0;
}
