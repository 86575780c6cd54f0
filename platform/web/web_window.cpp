// web_window.cpp -- user32 and kernel32 in the browser: window classes, the
// one window (the page's canvas), the thread's message queue, the keys the
// page hands over, and the message box. Only what the program calls: one
// queue, top-level windows without a frame, no painting, no menus, no display
// modes. The page is the screen: 800 x 600, and the window sits at its corner.
// Everything runs on the browser's one thread; posts from the page's events
// and the sequencer arrive while the program waits in SwapBuffers.
#include "platform/web/web_platform.h"

#include <string.h>
#include <strings.h>

#define MAX_CLASSES 8
#define MAX_WINDOWS 4
#define MAX_QUEUED 256 // Windows refuses posts past 10000; nothing here comes near this
#define SCREEN_WIDTH 800
#define SCREEN_HEIGHT 600

struct WindowClass {
    int used;
    char name[64];
    WNDPROC proc;
    UINT style;
};

static struct WindowClass classes[MAX_CLASSES];
static struct HWND__ windows[MAX_WINDOWS];
static int module_record;
static int cursor_count; // the display counter: the cursor shows while it is >= 0
static int screensaver_allowed;
static int screen_held;
static int shift_held; // as of the last key the page gave

// The queue: a ring of posted messages; the quit request is a flag, as on
// Windows, retrieved only once nothing else is queued.
static MSG queue[MAX_QUEUED];
static int queue_head, queue_count;
static int quit_posted, quit_code;

HMODULE GetModuleHandleA(LPCSTR name)
{
    if (name)
        return NULL;
    return (HMODULE)&module_record;
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

// Asks the window procedure, as Windows does, whether the screen saver and
// the monitor power-off may start; refusing either keeps the screen awake.
static void screensaver_ask(HWND window)
{
    screensaver_allowed = 0;
    window->proc(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
    int saver = screensaver_allowed;
    screensaver_allowed = 0;
    window->proc(window, WM_SYSCOMMAND, SC_MONITORPOWER, 2);
    screen_held = !(saver && screensaver_allowed);
    web_page_hold_screen(screen_held);
}

HWND CreateWindowExA(DWORD, LPCSTR class_name, LPCSTR title, DWORD style, int, int, int width,
                     int height, HWND parent, HMENU, HINSTANCE, void *)
{
    struct WindowClass *wc = class_name ? class_find(class_name) : NULL;
    HWND window = NULL;
    if (!wc || parent || width <= 0 || height <= 0)
        return NULL;
    for (int i = 0; i < MAX_WINDOWS && !window; i++)
        if (!windows[i].alive)
            window = &windows[i];
    if (!window || !web_page_canvas(width, height, title ? title : ""))
        return NULL;
    memset(window, 0, sizeof(*window));
    window->alive = 1;
    window->proc = wc->proc;
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
    int kept = 0;
    for (int i = 0; i < queue_count; i++) {
        MSG msg = queue[(queue_head + i) % MAX_QUEUED];
        if (msg.hwnd != window)
            queue[(queue_head + kept++) % MAX_QUEUED] = msg;
    }
    queue_count = kept;
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

void web_post_message(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (queue_count == MAX_QUEUED)
        return;
    MSG *msg = &queue[(queue_head + queue_count++) % MAX_QUEUED];
    memset(msg, 0, sizeof(*msg));
    msg->hwnd = window;
    msg->message = message;
    msg->wParam = wParam;
    msg->lParam = lParam;
    msg->time = web_clock_now();
}

void PostQuitMessage(int exit_code)
{
    quit_posted = 1;
    quit_code = exit_code;
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

// A key pressed while Alt is held (and Ctrl is not) is a system key, with bit
// 29 of lParam set; a released key has bits 30 and 31 set. The page gives no
// scan code. Keys of the browser's own (F5, Ctrl+R) stay the browser's.
int web_key(HWND window, int key_code, int down, int repeat, int alt, int ctrl, int shift)
{
    WPARAM vk = vk_from_key_code(key_code);
    shift_held = shift;
    if (!window_valid(window) || !vk)
        return 0;
    int system = alt && !ctrl;
    LPARAM lParam = 1;
    if (system)
        lParam |= (LPARAM)1 << 29;
    if (!down)
        lParam |= (LPARAM)3 << 30;
    else if (repeat)
        lParam |= (LPARAM)1 << 30;
    UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    web_post_message(window, message, vk, lParam);
    return !ctrl && !(vk >= VK_F1 && vk < VK_F1 + 12);
}

static int message_matches(const MSG *msg, HWND window, UINT first, UINT last)
{
    if (window && msg->hwnd != window)
        return 0;
    if (first == 0 && last == 0)
        return 1;
    return msg->message >= first && msg->message <= last;
}

BOOL PeekMessageA(MSG *msg, HWND window, UINT first, UINT last, UINT remove)
{
    for (int i = 0; i < queue_count; i++) {
        MSG *found = &queue[(queue_head + i) % MAX_QUEUED];
        if (!message_matches(found, window, first, last))
            continue;
        *msg = *found;
        if (remove & PM_REMOVE) {
            for (int j = i; j > 0; j--) // the messages before it close up behind
                queue[(queue_head + j) % MAX_QUEUED] = queue[(queue_head + j - 1) % MAX_QUEUED];
            queue_head = (queue_head + 1) % MAX_QUEUED;
            queue_count--;
        }
        return TRUE;
    }
    if (quit_posted && !window && (first == 0 && last == 0 ? 1 : first <= WM_QUIT && WM_QUIT <= last)) {
        memset(msg, 0, sizeof(*msg));
        msg->message = WM_QUIT;
        msg->wParam = (WPARAM)quit_code;
        msg->time = web_clock_now();
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

// A key press makes WM_CHAR, a system key press WM_SYSCHAR; the character is
// the next message the queue gives, as on Windows.
BOOL TranslateMessage(const MSG *msg)
{
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN))
        return FALSE;
    WPARAM ch = char_from_vk(msg->wParam, shift_held);
    if (!ch || queue_count == MAX_QUEUED)
        return FALSE;
    queue_head = (queue_head + MAX_QUEUED - 1) % MAX_QUEUED;
    queue_count++;
    queue[queue_head] = *msg;
    queue[queue_head].message = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
    queue[queue_head].wParam = ch;
    return TRUE;
}

LRESULT DispatchMessageA(const MSG *msg)
{
    if (!msg || !window_valid(msg->hwnd))
        return 0; // WM_QUIT and thread messages reach no procedure
    return msg->hwnd->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4 && (lParam & ((LPARAM)1 << 29)) && window_valid(window))
            web_post_message(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
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

// A modal box in the page, its icon by the type's icon bits; where the page
// cannot show one, the text goes to the console instead.
int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type)
{
    int icon = (int)(type & 0xF0);
    if (web_page_box(caption ? caption : "", text ? text : "", icon))
        return IDOK;
    return 0;
}
