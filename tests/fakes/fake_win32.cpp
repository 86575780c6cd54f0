// fake_win32.cpp -- the recording Win32 subset behind fake_win32.h.
#include "fakes/fake_win32.h"

#include <stdio.h>
#include <string.h>

namespace fake {

const HWND the_hwnd = (HWND)0x1001;
const HDC the_hdc = (HDC)0x2002;
const HGLRC the_hrc = (HGLRC)0x3003;
const HMODULE the_module = (HMODULE)0x4004;

Win32 win32;

void reset()
{
    win32 = Win32();
    log.clear();
}

void post(UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG msg{};
    msg.hwnd = the_hwnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    win32.queue.push_back(msg);
}

static std::string name_of(const void *handle)
{
    if (!handle)
        return "NULL";
    if (handle == the_hwnd)
        return "hwnd";
    if (handle == the_hdc)
        return "hdc";
    if (handle == the_hrc)
        return "hrc";
    if (handle == the_module)
        return "module";
    char text[32];
    snprintf(text, sizeof(text), "%p", handle);
    return text;
}

static std::string message_name(UINT message)
{
    switch (message) {
    case WM_CREATE: return "WM_CREATE";
    case WM_DESTROY: return "WM_DESTROY";
    case WM_CLOSE: return "WM_CLOSE";
    case WM_QUIT: return "WM_QUIT";
    case WM_KEYDOWN: return "WM_KEYDOWN";
    case WM_KEYUP: return "WM_KEYUP";
    case WM_CHAR: return "WM_CHAR";
    case WM_SYSCOMMAND: return "WM_SYSCOMMAND";
    case MM_MCINOTIFY: return "MM_MCINOTIFY";
    default: {
        char text[16];
        snprintf(text, sizeof(text), "0x%04X", message);
        return text;
    }
    }
}

static bool failing(const char *name)
{
    return win32.fail == name;
}

static std::string hex(unsigned long value)
{
    char text[24];
    snprintf(text, sizeof(text), "0x%lX", value);
    return text;
}

} // namespace fake

using namespace fake;

HMODULE GetModuleHandleA(LPCSTR name)
{
    record("GetModuleHandleA(" + std::string(name ? name : "NULL") + ")");
    return the_module;
}

ATOM RegisterClassA(const WNDCLASSA *wc)
{
    win32.wc = *wc;
    win32.wc_name = wc->lpszClassName ? wc->lpszClassName : "";
    record("RegisterClassA(" + win32.wc_name + ")");
    if (failing("RegisterClassA"))
        return 0;
    win32.proc = wc->lpfnWndProc;
    return 0xC001;
}

BOOL UnregisterClassA(LPCSTR name, HINSTANCE instance)
{
    record("UnregisterClassA(" + std::string(name) + "," + name_of(instance) + ")");
    return TRUE;
}

LONG ChangeDisplaySettingsA(DEVMODEA *mode, DWORD flags)
{
    if (!mode) {
        record("ChangeDisplaySettingsA(NULL," + std::to_string(flags) + ")");
        return DISP_CHANGE_SUCCESSFUL;
    }
    win32.devmode = *mode;
    record("ChangeDisplaySettingsA(mode," + std::to_string(flags) + ")");
    return failing("ChangeDisplaySettingsA") ? DISP_CHANGE_BADMODE : DISP_CHANGE_SUCCESSFUL;
}

int ShowCursor(BOOL show)
{
    record("ShowCursor(" + std::to_string(show) + ")");
    return show ? 0 : -1;
}

BOOL AdjustWindowRect(RECT *rect, DWORD style, BOOL menu)
{
    win32.adjust_in = *rect;
    record("AdjustWindowRect(" + hex(style) + "," + std::to_string(menu) + ")");
    rect->left += win32.frame.left;
    rect->top += win32.frame.top;
    rect->right += win32.frame.right;
    rect->bottom += win32.frame.bottom;
    return TRUE;
}

int GetSystemMetrics(int index)
{
    record("GetSystemMetrics(" + std::to_string(index) + ")");
    return index == SM_CXSCREEN ? win32.screen_width : win32.screen_height;
}

HWND CreateWindowExA(DWORD exstyle, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     void *param)
{
    win32.create = {exstyle, style, x, y, width, height, class_name, title,
                    parent, menu, instance, param};
    record("CreateWindowExA(" + std::string(class_name) + "," + title + ")");
    if (failing("CreateWindowExA"))
        return NULL;
    win32.window_alive = 1;
    return the_hwnd;
}

BOOL DestroyWindow(HWND window)
{
    record("DestroyWindow(" + name_of(window) + ")");
    if (window != the_hwnd || !win32.window_alive)
        return FALSE;
    win32.window_alive = 0;
    if (win32.proc)
        win32.proc(window, WM_DESTROY, 0, 0);
    return TRUE;
}

HDC GetDC(HWND window)
{
    record("GetDC(" + name_of(window) + ")");
    return failing("GetDC") ? NULL : the_hdc;
}

int ReleaseDC(HWND window, HDC dc)
{
    record("ReleaseDC(" + name_of(window) + "," + name_of(dc) + ")");
    return 1;
}

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR *pfd)
{
    win32.pfd_choose = *pfd;
    record("ChoosePixelFormat(" + name_of(dc) + ")");
    return failing("ChoosePixelFormat") ? 0 : win32.pixel_format;
}

BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR *pfd)
{
    win32.pfd_set = *pfd;
    record("SetPixelFormat(" + name_of(dc) + "," + std::to_string(format) + ")");
    return failing("SetPixelFormat") ? FALSE : TRUE;
}

HGLRC wglCreateContext(HDC dc)
{
    record("wglCreateContext(" + name_of(dc) + ")");
    return failing("wglCreateContext") ? NULL : the_hrc;
}

BOOL wglMakeCurrent(HDC dc, HGLRC rc)
{
    record("wglMakeCurrent(" + name_of(dc) + "," + name_of(rc) + ")");
    return rc && failing("wglMakeCurrent") ? FALSE : TRUE;
}

BOOL wglDeleteContext(HGLRC rc)
{
    record("wglDeleteContext(" + name_of(rc) + ")");
    return TRUE;
}

BOOL SwapBuffers(HDC dc)
{
    record("SwapBuffers(" + name_of(dc) + ")");
    return TRUE;
}

DWORD timeGetTime(void)
{
    if (win32.on_clock)
        win32.on_clock(win32.clock_reads);
    win32.clock_reads++;
    DWORD value;
    if (!win32.clock.empty()) {
        value = win32.clock.front();
        win32.clock.pop_front();
    } else {
        value = win32.now;
        win32.now += win32.tick;
    }
    record("timeGetTime(" + std::to_string(value) + ")");
    return value;
}

BOOL PeekMessageA(MSG *msg, HWND window, UINT first, UINT last, UINT remove)
{
    std::string args = name_of(window) + "," + std::to_string(first) + "," +
                       std::to_string(last) + "," + std::to_string(remove);
    if (!win32.queue.empty()) {
        *msg = win32.queue.front();
        if (remove & PM_REMOVE)
            win32.queue.pop_front();
    } else if (win32.quit_posted) {
        *msg = MSG{};
        msg->message = WM_QUIT;
        if (remove & PM_REMOVE)
            win32.quit_posted = 0;
    } else {
        record("PeekMessageA(" + args + ")=0");
        return FALSE;
    }
    record("PeekMessageA(" + args + ")=" + message_name(msg->message));
    return TRUE;
}

BOOL TranslateMessage(const MSG *msg)
{
    record("TranslateMessage(" + message_name(msg->message) + ")");
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) {
        MSG ch = *msg;
        ch.message = WM_CHAR;
        ch.wParam = 27;
        win32.queue.push_front(ch);
        return TRUE;
    }
    return FALSE;
}

LRESULT DispatchMessageA(const MSG *msg)
{
    record("DispatchMessageA(" + message_name(msg->message) + ")");
    if (msg->hwnd == the_hwnd && win32.proc)
        return win32.proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
    return 0;
}

void PostQuitMessage(int exit_code)
{
    record("PostQuitMessage(" + std::to_string(exit_code) + ")");
    win32.quit_posted = 1;
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    record("DefWindowProcA(" + name_of(window) + "," + message_name(message) + "," +
           std::to_string(wParam) + "," + std::to_string(lParam) + ")");
    if (win32.on_default)
        return win32.on_default(window, message, wParam, lParam);
    return 0;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    win32.box_text = text;
    win32.box_caption = caption;
    record("MessageBoxA(" + name_of(owner) + "," + text + "," + caption + "," + hex(type) + ")");
    return IDOK;
}

MCIERROR mciSendStringA(LPCSTR command, LPSTR ret, UINT ret_length, HWND notify)
{
    record("mciSendStringA(" + std::string(command) + "," + name_of(ret) + "," +
           std::to_string(ret_length) + "," + name_of(notify) + ")");
    return 0;
}

BOOL sndPlaySoundA(LPCSTR sound, UINT flags)
{
    record("sndPlaySoundA(" + std::string(sound ? sound : "NULL") + "," + std::to_string(flags) +
           ")");
    return TRUE;
}
