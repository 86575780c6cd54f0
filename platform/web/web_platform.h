// web_platform.h -- what the web platform files share among themselves:
// their records behind the portable ones (platform.h), the page's side of a
// window (web_page.cpp) and the keys (web_keys.cpp). Calls go one way: the
// windows use the page and the keys; neither calls back. The program never
// includes this; it sees only win32.h.
#pragma once

#include "platform/platform.h"

// A window is the page's canvas; there is one canvas, made anew for each
// window, and nothing more to keep of it.
struct PlatformWindow {
    int made;
};

struct PlatformContext {
    int webgl;   // the WebGL context's handle
    int started; // the GL subset has set the context up (web_gl_start)
};

// A key from the page: the browser's key code (the Windows virtual key for
// the keys we know), pressed or released, a repeat, and the modifiers held.
// Returns 1 when the key was the program's (the page then takes no action of
// its own on it).
int web_key(HWND window, int key_code, int down, int repeat, int alt, int ctrl, int shift);

// The page's side. A fresh canvas of the client size with the title, in
// place of the last one (1 on success).
int web_page_canvas(int width, int height, const char *title);
// The modal box: returns 1 once it is dismissed, 0 where the page has none.
int web_page_box(const char *caption, const char *text, int icon);
// Hands control to the browser until its next frame: the drawing is shown.
void web_page_present(void);
// Keeps the screen awake (1) or lets it sleep (0), where the browser can.
void web_page_hold_screen(int hold);
// The size of the screen the page is shown on.
void web_page_screen(int *width, int *height);
// Tells the page that the program has returned with this result; the keys
// are the page's again.
void web_page_ended(int result);
