// fake_win32.cpp -- the recording Win32 subset behind fake_win32.h.
#include "fakes/fake_win32.h"

#include "app/app.h"

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
    logging = true;
    log_limit = (size_t)-1;
}

void post(UINT message, WPARAM wParam, LPARAM lParam, HWND window)
{
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    win32.queue.push_back(msg);
}

static std::string name(const void *handle)
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
    if (handle == (const void *)&WindowProc)
        return "WindowProc";
    return "other";
}

static std::string hex(unsigned long value)
{
    char text[24];
    snprintf(text, sizeof(text), "0x%lX", value);
    return text;
}

static std::string message(UINT m)
{
    switch (m) {
    case WM_DESTROY: return "WM_DESTROY";
    case WM_CLOSE: return "WM_CLOSE";
    case WM_QUIT: return "WM_QUIT";
    case WM_KEYDOWN: return "WM_KEYDOWN";
    case WM_CHAR: return "WM_CHAR";
    case WM_SYSCOMMAND: return "WM_SYSCOMMAND";
    case MM_MCINOTIFY: return "MM_MCINOTIFY";
    default: return hex(m);
    }
}

// The descriptor's set fields, and whether all the others are zero.
static std::string descriptor(const PIXELFORMATDESCRIPTOR *p)
{
    PIXELFORMATDESCRIPTOR rest = *p;
    rest.nSize = rest.nVersion = 0;
    rest.dwFlags = 0;
    rest.cColorBits = rest.cAlphaBits = rest.cDepthBits = 0;
    static const PIXELFORMATDESCRIPTOR zero = {};
    return "pfd(" + num(p->nSize) + "," + num(p->nVersion) + "," + hex(p->dwFlags) + "," +
           num(p->iPixelType) + "," + num(p->cColorBits) + "," + num(p->cAlphaBits) + "," +
           num(p->cDepthBits) + (memcmp(&rest, &zero, sizeof(zero)) ? ",other)" : ")");
}

static bool failing(const char *call)
{
    return win32.fail == call;
}

} // namespace fake

using namespace fake;

HMODULE GetModuleHandleA(LPCSTR module)
{
    record("GetModuleHandleA", {module ? module : "NULL"});
    return the_module;
}

ATOM RegisterClassA(const WNDCLASSA *wc)
{
    WNDCLASSA rest = *wc;
    rest.style = 0;
    rest.lpfnWndProc = nullptr;
    rest.hInstance = nullptr;
    rest.lpszClassName = nullptr;
    static const WNDCLASSA zero = {};
    record("RegisterClassA", {wc->lpszClassName, hex(wc->style), name((void *)wc->lpfnWndProc),
                              name(wc->hInstance), memcmp(&rest, &zero, sizeof(zero)) ? "other" : ""});
    if (failing("RegisterClassA"))
        return 0;
    win32.proc = wc->lpfnWndProc;
    return 0xC001;
}

BOOL UnregisterClassA(LPCSTR class_name, HINSTANCE instance)
{
    record("UnregisterClassA", {class_name, name(instance)});
    return TRUE;
}

LONG ChangeDisplaySettingsA(DEVMODEA *mode, DWORD flags)
{
    if (!mode) {
        record("ChangeDisplaySettingsA", {"NULL", num((int)flags)});
        return DISP_CHANGE_SUCCESSFUL;
    }
    DEVMODEA rest = *mode;
    rest.dmSize = 0;
    rest.dmFields = rest.dmBitsPerPel = rest.dmPelsWidth = rest.dmPelsHeight = 0;
    static const DEVMODEA zero = {};
    record("ChangeDisplaySettingsA",
           {num(mode->dmPelsWidth) + "x" + num(mode->dmPelsHeight) + "x" + num(mode->dmBitsPerPel),
            hex(mode->dmFields), num(mode->dmSize), memcmp(&rest, &zero, sizeof(zero)) ? "other" : "",
            num((int)flags)});
    return failing("ChangeDisplaySettingsA") ? DISP_CHANGE_BADMODE : DISP_CHANGE_SUCCESSFUL;
}

int ShowCursor(BOOL show)
{
    record("ShowCursor", {num(show)});
    return show ? 0 : -1;
}

BOOL AdjustWindowRect(RECT *r, DWORD style, BOOL menu)
{
    record("AdjustWindowRect", {num(r->left) + "," + num(r->top) + "," + num(r->right) + "," +
                                    num(r->bottom),
                                hex(style), num(menu)});
    r->left += win32.frame.left;
    r->top += win32.frame.top;
    r->right += win32.frame.right;
    r->bottom += win32.frame.bottom;
    return TRUE;
}

int GetSystemMetrics(int index)
{
    record("GetSystemMetrics", {num(index)});
    return index == SM_CXSCREEN ? win32.screen_width : win32.screen_height;
}

HWND CreateWindowExA(DWORD exstyle, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     void *param)
{
    record("CreateWindowExA", {hex(exstyle), class_name, title, hex(style), num(x), num(y),
                               num(width), num(height), name(parent), name(menu), name(instance),
                               name(param)});
    return failing("CreateWindowExA") ? NULL : the_hwnd;
}

BOOL DestroyWindow(HWND window)
{
    record("DestroyWindow", {name(window)});
    if (win32.proc)
        win32.proc(window, WM_DESTROY, 0, 0);
    return TRUE;
}

HDC GetDC(HWND window)
{
    record("GetDC", {name(window)});
    return failing("GetDC") ? NULL : the_hdc;
}

int ReleaseDC(HWND window, HDC dc)
{
    record("ReleaseDC", {name(window), name(dc)});
    return 1;
}

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR *pfd)
{
    record("ChoosePixelFormat", {name(dc), descriptor(pfd)});
    return failing("ChoosePixelFormat") ? 0 : 7;
}

BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR *pfd)
{
    record("SetPixelFormat", {name(dc), num(format), descriptor(pfd)});
    return !failing("SetPixelFormat");
}

HGLRC wglCreateContext(HDC dc)
{
    record("wglCreateContext", {name(dc)});
    return failing("wglCreateContext") ? NULL : the_hrc;
}

BOOL wglMakeCurrent(HDC dc, HGLRC rc)
{
    record("wglMakeCurrent", {name(dc), name(rc)});
    return !(rc && failing("wglMakeCurrent"));
}

BOOL wglDeleteContext(HGLRC rc)
{
    record("wglDeleteContext", {name(rc)});
    return TRUE;
}

BOOL SwapBuffers(HDC dc)
{
    record("SwapBuffers", {name(dc)});
    return TRUE;
}

DWORD timeGetTime(void)
{
    if (win32.on_clock)
        win32.on_clock(win32.clock_reads);
    win32.clock_reads++;
    DWORD value = win32.now;
    if (!win32.clock.empty()) {
        value = win32.clock.front();
        win32.clock.pop_front();
    } else {
        win32.now += win32.tick;
    }
    record("timeGetTime", {num(value)});
    return value;
}

BOOL PeekMessageA(MSG *msg, HWND window, UINT first, UINT last, UINT remove)
{
    std::string args = name(window) + " " + num((int)first) + " " + num((int)last) + " " +
                       num((int)remove);
    auto wanted = [&](const MSG &m) {
        return (!window || m.hwnd == window) &&
               ((first == 0 && last == 0) || (m.message >= first && m.message <= last));
    };
    for (auto it = win32.queue.begin(); it != win32.queue.end(); ++it) {
        if (wanted(*it)) {
            *msg = *it;
            if (remove & PM_REMOVE)
                win32.queue.erase(it);
            record("PeekMessageA", {args, message(msg->message)});
            return TRUE;
        }
    }
    MSG quit{};
    quit.message = WM_QUIT;
    if (win32.quit_posted && wanted(quit)) {
        *msg = quit;
        if (remove & PM_REMOVE)
            win32.quit_posted = 0;
        record("PeekMessageA", {args, "WM_QUIT"});
        return TRUE;
    }
    record("PeekMessageA", {args, "none"});
    return FALSE;
}

BOOL TranslateMessage(const MSG *msg)
{
    record("TranslateMessage", {message(msg->message)});
    if (msg->message != WM_KEYDOWN || msg->wParam != VK_ESCAPE)
        return FALSE;
    MSG ch = *msg;
    ch.message = WM_CHAR;
    ch.wParam = 27;
    win32.queue.push_front(ch);
    return TRUE;
}

LRESULT DispatchMessageA(const MSG *msg)
{
    record("DispatchMessageA", {message(msg->message)});
    return msg->hwnd && win32.proc ? win32.proc(msg->hwnd, msg->message, msg->wParam, msg->lParam)
                                   : 0;
}

void PostQuitMessage(int exit_code)
{
    record("PostQuitMessage", {num(exit_code)});
    win32.quit_posted = 1;
}

LRESULT DefWindowProcA(HWND window, UINT m, WPARAM wParam, LPARAM lParam)
{
    record("DefWindowProcA", {name(window), message(m), num((double)wParam), num((double)lParam)});
    return win32.on_default ? win32.on_default(m) : 0;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    record("MessageBoxA", {name(owner), text, caption, hex(type)});
    return IDOK;
}

MCIERROR mciSendStringA(LPCSTR command, LPSTR ret, UINT ret_length, HWND notify)
{
    record("mciSendStringA", {"'" + std::string(command) + "'", name(ret), num((int)ret_length),
                              name(notify)});
    return 0;
}

BOOL sndPlaySoundA(LPCSTR sound, UINT flags)
{
    record("sndPlaySoundA", {sound ? sound : "NULL", num((int)flags)});
    return TRUE;
}
