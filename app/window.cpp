// window.cpp -- the program's one window, its pixel format and OpenGL context,
// and the window procedure that turns Escape and close requests into a quit.
#include "app/app.h"

#include <string.h>

struct WindowContext WindowContext = {NULL, NULL, NULL, NULL, 0, "zo_"};

// Double-buffered RGBA with a 32-bit depth buffer; no accumulation, stencil
// or auxiliary buffer. Given unchanged to ChoosePixelFormat and SetPixelFormat.
static const PIXELFORMATDESCRIPTOR pixel_format = {
    sizeof(PIXELFORMATDESCRIPTOR),
    1,
    PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER,
    PFD_TYPE_RGBA,
    32,
    0, 0, 0, 0, 0, 0,
    8,
    0,
    0, 0, 0, 0, 0,
    32,
    0,
    0,
    PFD_MAIN_PLANE,
    0,
    0, 0, 0,
};

// Each step stores its handle the moment it has it, and a failure returns at
// once without undoing anything: window_end releases what the record shows.
int window_init(struct WindowContext *ctx)
{
    WNDCLASSA wc;
    DEVMODEA dmScreenSettings;
    RECT rec;
    DWORD exstyle, style;
    int width, height, x, y, format;

    memset(&wc, 0, sizeof(wc));
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = ctx->hInstance;
    wc.lpszClassName = ctx->wndclass;
    if (!RegisterClassA(&wc))
        return 0;

    if (ctx->full) {
        memset(&dmScreenSettings, 0, sizeof(dmScreenSettings));
        dmScreenSettings.dmSize = sizeof(dmScreenSettings);
        dmScreenSettings.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
        dmScreenSettings.dmBitsPerPel = 32;
        dmScreenSettings.dmPelsWidth = 800;
        dmScreenSettings.dmPelsHeight = 600;
        if (ChangeDisplaySettingsA(&dmScreenSettings, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL)
            return 0;
        exstyle = WS_EX_APPWINDOW;
        style = WS_POPUP | WS_VISIBLE;
        ShowCursor(FALSE);
    } else {
        exstyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
        style = WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU;
    }

    rec.left = 0;
    rec.top = 0;
    rec.right = 800;
    rec.bottom = 600;
    AdjustWindowRect(&rec, style, FALSE);
    width = rec.right - rec.left;
    height = rec.bottom - rec.top;

    // Arithmetic shifts: an odd difference rounds down, and a screen smaller
    // than the window gives a negative position. The screen is read after the
    // display switch, so the fullscreen popup lands at (0, 0).
    y = (GetSystemMetrics(SM_CYSCREEN) - height) >> 1;
    x = (GetSystemMetrics(SM_CXSCREEN) - width) >> 1;

    ctx->hWnd = CreateWindowExA(exstyle, ctx->wndclass, "ostra velumin!", style, x, y, width,
                                height, NULL, NULL, ctx->hInstance, NULL);
    if (!ctx->hWnd)
        return 0;
    ctx->hDC = GetDC(ctx->hWnd);
    if (!ctx->hDC)
        return 0;
    format = ChoosePixelFormat(ctx->hDC, &pixel_format);
    if (!format)
        return 0;
    if (!SetPixelFormat(ctx->hDC, format, &pixel_format))
        return 0;
    ctx->hRC = wglCreateContext(ctx->hDC);
    if (!ctx->hRC)
        return 0;
    if (!wglMakeCurrent(ctx->hDC, ctx->hRC))
        return 0;
    return 1;
}

// Safe after a set-up that failed at any step. The handles are not cleared.
void window_end(struct WindowContext *ctx)
{
    if (ctx->hRC) {
        wglMakeCurrent(NULL, NULL);
        wglDeleteContext(ctx->hRC);
    }
    if (ctx->hDC)
        ReleaseDC(ctx->hWnd, ctx->hDC);
    if (ctx->hWnd)
        DestroyWindow(ctx->hWnd);
    UnregisterClassA(ctx->wndclass, ctx->hInstance);
    if (ctx->full) {
        ChangeDisplaySettingsA(NULL, 0);
        ShowCursor(TRUE);
    }
}

// WM_CLOSE only asks the loop to stop; the window is destroyed by window_end.
// Escape arrives twice (key and character) and posts two quits: harmless.
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SYSCOMMAND && (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER))
        return 0;
    if (message == WM_CLOSE || message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
        PostQuitMessage(0);
        return 0;
    }
    if (message == WM_CHAR && wParam == 27) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
