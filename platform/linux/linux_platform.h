// linux_platform.h -- what the Linux platform files share among themselves:
// their records behind the portable ones (platform.h) and the calls between
// the files, which go one way: the SDL windows use the signals, the X11
// workarounds and WGL's visual; nothing calls back. The program never
// includes this; it sees only win32.h.
#pragma once

#include "platform/platform.h"

#include <signal.h>

// SDL stays out of this header so that the file layer builds without it.
struct SDL_Window;
typedef void *SDL_GLContext;

struct PlatformWindow {
    int used;
    HWND window; // the portable record it stands behind
    SDL_Window *sdl;
    int gl_ok; // made with an OpenGL visual we can offer
    int lost;  // X destroyed it under us: nothing may draw to it or present it any more
};

struct PlatformContext {
    SDL_GLContext sdl;
};

// -- SDL's video (linux_window.cpp) --------------------------------------------

// Starts SDL's video subsystem once; 0 when there is no display to use.
int linux_display_up(void);
// Gives back SDL; main() calls it after WinMain, once the sequencer, which
// plays on SDL audio, has been shut down.
void linux_display_shutdown(void);

// -- Signals (linux_signals.cpp) -----------------------------------------------

// SIGINT, SIGTERM and SIGHUP end the run as the close box does, or the
// process at once while no window exists, on a second one, or when no
// message pump has taken the first within 2 s (SIGALRM is ours for that);
// SDL's own handlers stay out. Call it first thing in main(), before SDL or
// any other thread starts.
void linux_signals_install(void);
// How many windows live: with none, a signal ends the process at once.
void linux_signals_windows(int open);
// Whether a signal has asked for the end; `take` clears the request.
int linux_signal_asked(int take);

// -- X11's own (linux_x11.cpp) --------------------------------------------------

// Makes a connection to the display $DISPLAY names, within a bounded time,
// and holds it until linux_x11_release: 0 when none is to be had.
int linux_x11_hold(void);
void linux_x11_release(void);
// Our error handlers, put in before SDL's video starts and again after.
void linux_x11_handlers(int connection_too);
// What to stop before the process ends when the X connection is lost
// (nothing of X is touched again); NULL for nothing.
void linux_x11_on_connection_lost(void (*hook)(void));
// The X window of slot `slot` (0: none), watched for its destruction by
// another client, which linux_x11_lost then reports once.
void linux_x11_watch(int slot, unsigned long xid);
void linux_x11_destroyed(unsigned long xid); // the server's DestroyNotify
int linux_x11_lost(int slot, int take);     // `take`: report it once
// How far the window manager's frame reaches out around a window of these
// SDL flags, asked of it with a hidden window; 0 where none answers.
int linux_x11_frame(uint32_t sdl_flags, int width, int height, RECT *frame);

// -- WGL's visual (linux_wgl.cpp) ---------------------------------------------

// A window made with the best visual for the one pixel format (gl_ok), or,
// where there is none, without GL: ChoosePixelFormat then says so.
SDL_Window *linux_gl_window(const char *title, int x, int y, int width, int height,
                            uint32_t flags, int *gl_ok);
// Lets go of the context current on the window, if any.
void linux_gl_let_go(SDL_Window *window);
