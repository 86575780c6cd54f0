// win32_window.cpp -- the portable part of the subset's user32 and kernel32:
// the module, window classes, the table of windows (each a platform's window,
// platform_window_make), their device contexts, dispatch and the default
// handling of the close chain and the screen saver question, the display's
// bookkeeping (the frame, the screen, the mode switch, the cursor's counter)
// and the message box. Only top-level windows: no painting, no child windows,
// no menus. Everything here runs on the program's thread.
#include "platform/platform.h"

#include <stdio.h>
#include <string.h>
#include <strings.h>

#define MAX_CLASSES 8

struct WindowClass {
    int used;
    char name[64];
    WNDPROC proc;
    UINT style;
};

static struct WindowClass classes[MAX_CLASSES];
static struct HWND__ windows[WIN32_MAX_WINDOWS];
static int module_record;
static int screensaver_allowed; // DefWindowProcA's answer to the last question asked
static int screensaver_held;    // a living window refused it
static int display_switched;
static int cursor_count; // the display counter: the cursor shows while it is >= 0

HMODULE GetModuleHandleA(LPCSTR name)
{
    if (name)
        return NULL;
    return (HMODULE)&module_record;
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

int win32_window_valid(HWND window)
{
    return window && window >= windows && window < windows + WIN32_MAX_WINDOWS && window->alive;
}

WNDPROC win32_window_proc(HWND window)
{
    return win32_window_valid(window) ? window->proc : NULL;
}

HWND win32_first_window(void)
{
    for (int i = 0; i < WIN32_MAX_WINDOWS; i++)
        if (windows[i].alive)
            return &windows[i];
    return NULL;
}

// Asks the window's procedure, as Windows does, whether the screen saver and
// the monitor power-off may start; it consents to both when it leaves them
// to DefWindowProcA. The platform holds off both while either is refused.
static void screensaver_ask(HWND window)
{
    screensaver_allowed = 0;
    window->proc(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
    int saver = screensaver_allowed;
    screensaver_allowed = 0;
    window->proc(window, WM_SYSCOMMAND, SC_MONITORPOWER, 2);
    screensaver_held = !(saver && screensaver_allowed);
    platform_screensaver_hold(screensaver_held);
}

HWND CreateWindowExA(DWORD, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU, HINSTANCE, void *)
{
    struct WindowClass *wc = class_name ? class_find(class_name) : NULL;
    int slot = 0;
    if (!wc || parent || width <= 0 || height <= 0)
        return NULL;
    while (slot < WIN32_MAX_WINDOWS && windows[slot].alive)
        slot++;
    if (slot == WIN32_MAX_WINDOWS)
        return NULL;
    HWND window = &windows[slot];

    // The size and place asked for are the outer frame's; the platform puts
    // the frame's corner where the window asks to be.
    int fullscreen = (style & WS_POPUP) && display_switched;
    RECT frame = {0, 0, 0, 0};
    if (!fullscreen)
        platform_frame(style, width, height, &frame);
    width -= frame.left + frame.right;
    height -= frame.top + frame.bottom;
    if (width <= 0 || height <= 0)
        return NULL;
    memset(window, 0, sizeof(*window));
    window->own = platform_window_make(window, slot, title ? title : "", x, y, width, height, style, fullscreen);
    if (!window->own)
        return NULL;
    window->alive = 1;
    window->proc = wc->proc;
    window->style = style;
    window->width = width;
    window->height = height;
    window->dc.window = window;

    if (window->proc(window, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(window);
        return NULL;
    }
    if (style & WS_VISIBLE)
        platform_window_show(window->own);
    screensaver_ask(window);
    if (cursor_count < 0)
        platform_cursor_show(0);
    return window;
}

BOOL DestroyWindow(HWND window)
{
    if (!win32_window_valid(window))
        return FALSE;
    window->proc(window, WM_DESTROY, 0, 0);
    platform_window_unmake(window->own);
    window->own = NULL;
    window->alive = 0;
    if (screensaver_held) {
        screensaver_held = 0;
        platform_screensaver_hold(0);
    }
    win32_queue_purge(window);
    return TRUE;
}

HDC GetDC(HWND window)
{
    return win32_window_valid(window) ? &window->dc : NULL;
}

int ReleaseDC(HWND window, HDC dc)
{
    // CS_OWNDC: the device context belongs to the window and stays valid.
    return win32_window_valid(window) && dc == &window->dc;
}

LRESULT DispatchMessageA(const MSG *msg)
{
    WNDPROC proc = msg ? win32_window_proc(msg->hwnd) : NULL;
    if (!proc)
        return 0; // WM_QUIT and thread messages reach no procedure
    return proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4 && (lParam & ((LPARAM)1 << 29)) && win32_window_valid(window))
            win32_post_message(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE: {
            // Sent, not posted: the procedure sees WM_CLOSE at once.
            WNDPROC proc = win32_window_proc(window);
            return proc ? proc(window, WM_CLOSE, 0, 0) : 0;
        }
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

// ---------------------------------------------------------------------------
// The display and the box.

BOOL AdjustWindowRect(RECT *rect, DWORD style, BOOL)
{
    if (!rect)
        return FALSE;
    RECT frame = {0, 0, 0, 0};
    platform_frame(style, rect->right - rect->left, rect->bottom - rect->top, &frame);
    rect->left -= frame.left;
    rect->top -= frame.top;
    rect->right += frame.right;
    rect->bottom += frame.bottom;
    return TRUE;
}

int GetSystemMetrics(int index)
{
    int width, height;
    if ((index != SM_CXSCREEN && index != SM_CYSCREEN) || !platform_screen_size(&width, &height))
        return 0;
    return index == SM_CXSCREEN ? width : height;
}

// The switch happens when the fullscreen popup is made; until then the
// platform only checks the mode asked for.
LONG ChangeDisplaySettingsA(DEVMODEA *mode, DWORD)
{
    LONG result = platform_display_switch(mode);
    display_switched = mode && result == DISP_CHANGE_SUCCESSFUL;
    return result;
}

int ShowCursor(BOOL show)
{
    cursor_count += show ? 1 : -1;
    platform_cursor_show(cursor_count >= 0);
    return cursor_count;
}

// Where the platform can show no box (no display, one that does not answer,
// an end already asked for), the text goes to standard error instead.
int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type)
{
    caption = caption ? caption : "";
    text = text ? text : "";
    if (platform_box(caption, text, type))
        return IDOK;
    fprintf(stderr, "%s: %s\n", caption, text);
    return 0;
}
