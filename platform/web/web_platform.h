// web_platform.h -- what the web platform files share among themselves: the
// records behind the handles, the portable part's calls (among them the
// post), the clock's options and the page's side of a window. The program
// never includes this; it sees only win32.h.
#pragma once

#include "platform/win32.h"
#include "platform/win32_window.h"

struct HDC__ {
    HWND window;
    int pixel_format; // 0 until SetPixelFormat
};

// A window is the page's canvas; there is one canvas, made anew for each window.
struct HWND__ {
    int alive;
    WNDPROC proc;
    DWORD style;
    struct HDC__ dc; // CS_OWNDC: one device context for the window's life
};

struct HGLRC__ {
    int alive;
    int webgl;   // the WebGL context's handle
    int started; // the GL subset has set the context up (web_gl_start)
    HWND window;
};

// A key from the page: the browser's key code (the Windows virtual key for
// the keys we know), pressed or released, a repeat, and the modifiers held.
// Returns 1 when the key was the program's (the page then takes no action of
// its own on it).
int web_key(HWND window, int key_code, int down, int repeat, int alt, int ctrl, int shift);

// The window (canvas) the keys go to: the first living one, or NULL.
HWND web_key_window(void);

// The clock's options: fps 0 is the real clock; until 0 is the program's own
// end. The platform's own code reads web_clock_now, never timeGetTime: the
// program's first sample is its start, from which --until counts.
void web_clock_options(int fps, long until);
// The clock in milliseconds for the platform's own use (message times): it
// leaves the program's samples alone.
DWORD web_clock_now(void);
// A frame was presented; the end of the run by --until is decided here.
void web_clock_presented(HWND window);

// The page's side (web_page.cpp). A fresh canvas of the client size with the
// title, in place of the last one (1 on success); the keys go to the first
// living window meanwhile.
int web_page_canvas(int width, int height, const char *title);
// The modal box: returns 1 once it is dismissed, 0 where the page has none
// (the text then goes to the console).
int web_page_box(const char *caption, const char *text, int icon);
// Hands control to the browser until its next frame: the drawing is shown.
void web_page_present(void);
// Keeps the screen awake (1) or lets it sleep (0), where the browser can.
void web_page_hold_screen(int hold);
// The page's clock: milliseconds since the page began, with a fraction.
double web_page_now(void);
// Tells the page that the program has returned with this result.
void web_page_ended(int result);
