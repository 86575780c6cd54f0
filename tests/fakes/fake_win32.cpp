// fake_win32.cpp -- the recording Win32 subset behind fake_win32.h.
#include "fakes/fake_win32.h"

#include "app/app.h"

#include <algorithm>
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
    win32.queue.push_back(MSG{window, message, wParam, lParam, 0, {0, 0}});
}

static std::string name(const void *h)
{
    const void *known[] = {the_hwnd, the_hdc, the_hrc, the_module, (const void *)&WindowProc};
    const char *names[] = {"hwnd", "hdc", "hrc", "module", "WindowProc"};
    for (int i = 0; i < 5; i++)
        if (h == known[i])
            return names[i];
    return h ? "other" : "NULL";
}

static std::string hex(unsigned long v)
{
    char text[24];
    snprintf(text, sizeof(text), "0x%lX", v);
    return text;
}

static std::string message(UINT m)
{
    const UINT known[] = {WM_DESTROY, WM_CLOSE, WM_QUIT, WM_KEYDOWN, WM_CHAR, WM_SYSCOMMAND, MM_MCINOTIFY};
    const char *names[] = {"WM_DESTROY", "WM_CLOSE", "WM_QUIT", "WM_KEYDOWN", "WM_CHAR",
                           "WM_SYSCOMMAND", "MM_MCINOTIFY"};
    for (int i = 0; i < 7; i++)
        if (m == known[i])
            return names[i];
    return hex(m);
}

// The fields the program sets, "+other" when any other is not zero.
static std::string descriptor(const PIXELFORMATDESCRIPTOR *p)
{
    PIXELFORMATDESCRIPTOR rest = *p, zero = {};
    rest.nSize = rest.nVersion = 0, rest.dwFlags = 0, rest.cColorBits = rest.cAlphaBits = rest.cDepthBits = 0;
    return "pfd(" + num(p->nSize) + "," + num(p->nVersion) + "," + hex(p->dwFlags) + "," +
           num(p->iPixelType) + "," + num(p->cColorBits) + "," + num(p->cAlphaBits) + "," +
           num(p->cDepthBits) + ")" + (memcmp(&rest, &zero, sizeof(zero)) ? "+other" : "");
}

static bool failing(const char *call) { return win32.fail == call; }

} // namespace fake

using namespace fake;
using U = unsigned;

HMODULE GetModuleHandleA(LPCSTR m) { record("GetModuleHandleA", m ? m : "NULL"); return the_module; }
BOOL UnregisterClassA(LPCSTR c, HINSTANCE i) { record("UnregisterClassA", c, name(i)); return TRUE; }
int ShowCursor(BOOL show) { record("ShowCursor", show); return show ? 0 : -1; }
int GetSystemMetrics(int i) { record("GetSystemMetrics", i); return i ? 1080 : 1920; }
HDC GetDC(HWND w) { record("GetDC", name(w)); return failing("GetDC") ? NULL : the_hdc; }
int ReleaseDC(HWND w, HDC dc) { record("ReleaseDC", name(w), name(dc)); return 1; }
HGLRC wglCreateContext(HDC dc) { record("wglCreateContext", name(dc)); return failing("wglCreateContext") ? NULL : the_hrc; }
BOOL wglMakeCurrent(HDC dc, HGLRC rc) { record("wglMakeCurrent", name(dc), name(rc)); return !(rc && failing("wglMakeCurrent")); }
BOOL wglDeleteContext(HGLRC rc) { record("wglDeleteContext", name(rc)); return TRUE; }
BOOL SwapBuffers(HDC dc) { record("SwapBuffers", name(dc)); return TRUE; }
void PostQuitMessage(int code) { record("PostQuitMessage", code), win32.quit_posted = 1; }
int MessageBoxA(HWND, LPCSTR text, LPCSTR, UINT) { record("MessageBoxA", text); return IDOK; }
BOOL sndPlaySoundA(LPCSTR sound, UINT flags) { record("sndPlaySoundA", sound ? sound : "NULL", flags); return TRUE; }

ATOM RegisterClassA(const WNDCLASSA *wc)
{
    record("RegisterClassA", wc->lpszClassName, hex(wc->style), name((void *)wc->lpfnWndProc), name(wc->hInstance));
    win32.proc = failing("RegisterClassA") ? nullptr : wc->lpfnWndProc;
    return win32.proc ? 0xC001 : 0;
}

// The program runs windowed: a mode change is only logged, and refused.
LONG ChangeDisplaySettingsA(DEVMODEA *m, DWORD flags)
{
    record("ChangeDisplaySettingsA", m ? "mode" : "NULL", U(flags));
    return m ? DISP_CHANGE_BADMODE : DISP_CHANGE_SUCCESSFUL;
}

BOOL AdjustWindowRect(RECT *r, DWORD style, BOOL menu)
{
    record("AdjustWindowRect", num(r->left) + "," + num(r->top) + "," + num(r->right) + "," + num(r->bottom),
           hex(style), menu);
    *r = {r->left + win32.frame.left, r->top + win32.frame.top, r->right + win32.frame.right,
          r->bottom + win32.frame.bottom};
    return TRUE;
}

HWND CreateWindowExA(DWORD exstyle, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y, int w, int h,
                     HWND parent, HMENU menu, HINSTANCE instance, void *param)
{
    record("CreateWindowExA", hex(exstyle), class_name, title, hex(style), x, y, w, h, name(parent), name(menu),
           name(instance), name(param));
    return failing("CreateWindowExA") ? NULL : the_hwnd;
}

BOOL DestroyWindow(HWND w)
{
    record("DestroyWindow", name(w));
    if (win32.proc)
        win32.proc(w, WM_DESTROY, 0, 0);
    return TRUE;
}

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR *pfd)
{
    record("ChoosePixelFormat", name(dc), descriptor(pfd));
    return failing("ChoosePixelFormat") ? 0 : 7;
}

BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR *pfd)
{
    record("SetPixelFormat", name(dc), format, descriptor(pfd));
    return !failing("SetPixelFormat");
}

// Scripted values first, then `now`, advancing by `tick` after each read.
DWORD timeGetTime(void)
{
    if (win32.on_clock)
        win32.on_clock(win32.clock_reads);
    win32.clock_reads++;
    DWORD value = win32.clock.empty() ? (win32.now += win32.tick) - win32.tick : win32.clock.front();
    if (!win32.clock.empty())
        win32.clock.pop_front();
    record("timeGetTime", U(value));
    return value;
}

// Queued messages in order, filtered as asked; PostQuitMessage's quit only
// once nothing that matches is queued.
BOOL PeekMessageA(MSG *msg, HWND window, UINT first, UINT last, UINT remove)
{
    auto wanted = [&](const MSG &m) {
        return (!window || m.hwnd == window) && ((!first && !last) || (m.message >= first && m.message <= last));
    };
    auto it = std::find_if(win32.queue.begin(), win32.queue.end(), wanted);
    MSG quit = {NULL, WM_QUIT, 0, 0, 0, {0, 0}};
    bool found = it != win32.queue.end() || (win32.quit_posted && wanted(quit));
    if (found)
        *msg = it != win32.queue.end() ? *it : quit;
    if (found && (remove & PM_REMOVE))
        it != win32.queue.end() ? (void)win32.queue.erase(it) : (void)(win32.quit_posted = 0);
    record("PeekMessageA", name(window), first, last, remove, found ? message(msg->message) : "none");
    return found;
}

BOOL TranslateMessage(const MSG *msg)
{
    record("TranslateMessage", message(msg->message));
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE)
        win32.queue.push_front(MSG{msg->hwnd, WM_CHAR, 27, msg->lParam, 0, {0, 0}});
    return msg->message == WM_KEYDOWN;
}

LRESULT DispatchMessageA(const MSG *msg)
{
    record("DispatchMessageA", message(msg->message));
    return msg->hwnd && win32.proc ? win32.proc(msg->hwnd, msg->message, msg->wParam, msg->lParam) : 0;
}

LRESULT DefWindowProcA(HWND w, UINT m, WPARAM wParam, LPARAM lParam)
{
    record("DefWindowProcA", name(w), message(m), U(wParam), (int)lParam);
    return win32.on_default ? win32.on_default(m) : 0;
}

MCIERROR mciSendStringA(LPCSTR command, LPSTR ret, UINT ret_length, HWND notify)
{
    record("mciSendStringA", "'" + std::string(command) + "'", name(ret), ret_length, name(notify));
    return 0;
}
