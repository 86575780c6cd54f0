// linux_platform.h -- what the Linux platform files share among themselves:
// the records behind the handles, and the portable part's calls (among them
// the post, safe from any thread). The program never includes this; it sees
// only win32.h.
#pragma once

#include "platform/win32.h"
#include "platform/win32_window.h"

// SDL stays out of this header so that the file layer builds without it.
struct SDL_Window;
typedef void *SDL_GLContext;

struct HDC__ {
    HWND window;
    int pixel_format; // 0 until SetPixelFormat
};

struct HWND__ {
    int alive;
    int lost; // X destroyed it under us: nothing may draw to it or present it any more
    SDL_Window *sdl;
    WNDPROC proc;
    DWORD style;
    int gl_ok;   // the window was made with an OpenGL visual we can offer
    struct HDC__ dc; // CS_OWNDC: one device context for the window's life
};

struct HGLRC__ {
    int alive;
    SDL_GLContext sdl;
    HWND window;
};

// Starts SDL's video subsystem once; 0 when there is no display to use.
int linux_video_up(void);

// The window record for an SDL window id, or NULL.
HWND linux_window_from_sdl(uint32_t id);

// A device context of a living window.
int linux_dc_valid(HDC dc);
// And one whose window X still has: the only kind GL may draw to or present.
int linux_dc_drawable(HDC dc);

// SIGINT, SIGTERM and SIGHUP end the run as the close box does, or the
// process at once while no window exists, on a second one, or when no
// message pump has taken the first within 2 s (SIGALRM is ours for that);
// SDL's own handlers stay out. Call it first thing in main(), before SDL or
// any other thread starts.
void linux_signals_install(void);

// What to stop before the process ends when the X connection is lost
// (nothing of X is touched again); NULL for nothing.
void linux_window_on_connection_lost(void (*hook)(void));

// Gives back the windows' side of SDL; main() calls it after WinMain, once
// the sequencer, which plays on SDL audio, has been shut down.
void linux_window_shutdown(void);
