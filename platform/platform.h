// platform.h -- the contract between the Win32 subset's portable part (the
// win32_*.cpp files beside it, which implement every call of win32.h that is
// not a device) and a platform (linux/, web/), which supplies only the hooks
// under the first banner. The program never includes this; it sees only win32.h.
#pragma once

#include "platform/win32.h"

#include <vector>

// ---------------------------------------------------------------------------
// The records behind the handles, the portable part's. What a platform keeps
// of its own for a window (an SDL window and its X id, the page's canvas) and
// for a GL context (an SDL or a WebGL context) is a record of its own type,
// defined in its own header (linux/linux_platform.h, web/web_platform.h),
// which the portable record points to as `own`.

struct PlatformWindow;
struct PlatformContext;

#define WIN32_MAX_WINDOWS 4
#define WIN32_MAX_CONTEXTS 4

struct HDC__ {
    HWND window;
    int pixel_format; // 0 until SetPixelFormat
};

struct HWND__ {
    int alive;
    WNDPROC proc;
    DWORD style;
    int width, height; // the client area
    struct HDC__ dc;   // CS_OWNDC: one device context for the window's life
    struct PlatformWindow *own;
};

struct HGLRC__ {
    int alive;
    HWND window;
    struct PlatformContext *own;
};

// ===========================================================================
// WHAT A PLATFORM SUPPLIES
// ===========================================================================

// -- Windows and their events ------------------------------------------------

// Makes `window`'s top-level window, hidden, with this client area and its
// frame's corner at (x, y), on the switched display mode when `fullscreen`;
// NULL when it cannot (no display). `slot` (below WIN32_MAX_WINDOWS) is the
// window's place in the table, and free: the platform's record can be the
// slot's too.
struct PlatformWindow *platform_window_make(HWND window, int slot, const char *title, int x, int y,
                                            int width, int height, DWORD style, int fullscreen);
void platform_window_show(struct PlatformWindow *w);
void platform_window_unmake(struct PlatformWindow *w);
// Whether GL may still draw into it and present it: not once another client
// has destroyed it under us.
int platform_window_drawable(struct PlatformWindow *w);
// Posts what the platform has seen since its last call (keys, close
// requests); every PeekMessageA calls it before it reads the queue.
void platform_events_take(void);
// Whether Shift is held, for the character of a key press being translated.
int platform_shift_held(void);
// Keeps the screen saver and the monitor power-off away (1), or lets them be (0).
void platform_screensaver_hold(int hold);

// -- The display and the message box -----------------------------------------

// How far the frame the platform draws around a client area of this size
// and style reaches out on each side; zero where it draws none.
void platform_frame(DWORD style, int width, int height, RECT *frame);
// The primary screen's size (the switched mode's while one is); 0 when unknown.
int platform_screen_size(int *width, int *height);
// Checks a display mode asked for, which the fullscreen window then takes,
// or (NULL) goes back to the desktop's: a DISP_CHANGE_ code.
LONG platform_display_switch(const DEVMODEA *mode);
void platform_cursor_show(int shown);
// A modal box of MessageBoxA's type (one OK button; the icon its MB_ICON
// bits pick): 1 once dismissed, 0 where none can be shown.
int platform_box(const char *caption, const char *text, UINT type);

// -- GL contexts --------------------------------------------------------------

// Whether the window's visual, the one pixel format it offers (RGBA,
// double-buffered, with depth), serves the request `pfd` (NULL: any request
// for GL); the platform may weigh its colour and depth bits.
int platform_pixel_format(struct PlatformWindow *w, const PIXELFORMATDESCRIPTOR *pfd);
// A new context for the window's pixel format, not made current, in free
// slot `slot` (below WIN32_MAX_CONTEXTS) of the table; NULL when none can be made.
struct PlatformContext *platform_context_make(int slot, struct PlatformWindow *w);
// Makes the context current on the window: 1 on success. Both NULL: none is.
int platform_context_current(struct PlatformWindow *w, struct PlatformContext *c);
void platform_context_unmake(struct PlatformContext *c);
// Presents the back buffer.
void platform_present(struct PlatformWindow *w);

// -- The clock -----------------------------------------------------------------

// Milliseconds from some start, monotonic, wrapping at 2^32.
DWORD platform_clock_ms(void);

// -- The sequencer's device: one MIDI output for one tune at a time ------------

// Takes a checked Standard MIDI File that ends at `end_tick` (it keeps its
// own copy) and holds it stopped at its start: 0, or the MCI error; a failed
// open holds nothing.
MCIERROR platform_sequencer_open(const unsigned char *tune, size_t size, int end_tick);
// Plays the tune held from its start, so that it is under way when this
// returns. `again`: it has played since the open, and may still be sounding.
// The end of the latest play is reported once, with win32_mci_tune_ended.
void platform_sequencer_play(int again);
// Silences the tune and gives the output back; nothing is reported after.
void platform_sequencer_close(void);

// -- Files ----------------------------------------------------------------------

// Opens the file `name` (no folders) of the drive (a lower-case letter) as
// fopen opens files; NULL with errno set where it cannot be had safely.
FILE *platform_drive_fopen(char drive, const char *name, const char *mode);

// ===========================================================================
// WHAT THE PORTABLE PART GIVES A PLATFORM
// ===========================================================================

// Appends a message to the queue; safe to call from any thread.
void win32_post_message(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Posts a key as Windows sends it: a key of the system (one pressed while Alt
// is held and Ctrl is not) has bit 29 of lParam set, a released key bits 30
// and 31, a repeat bit 30; the scan code is in bits 16 to 23.
void win32_post_key(HWND window, WPARAM vk, int down, int repeat, int system, int scan);
// The first living window, which keys and signals go to; NULL when none is.
HWND win32_first_window(void);

// The sequencer's device has played the tune of the latest play to its end.
void win32_mci_tune_ended(void);
// Closes the device if it is open, with no notice: a process's end does this.
void win32_mci_close(void);
// Reads a whole tune file as the open reads it, drive paths mapped as the
// program's own writes map them: 0; MCIERR_FILE_NOT_FOUND where no regular
// file is; MCIERR_INVALID_FILE where it cannot be read or is too large.
MCIERROR win32_mci_file_read(const char *path, std::vector<unsigned char> *bytes);

// The clock's options, as the video capture and the page take them: "--fps N"
// (1 to 1000) steps the clock by exactly one frame period per presented frame,
// "--until MS" (1 to 2^31 - 1) ends the run with the first frame at or past
// it. For `option` and the `value` after it (NULL when none): 2 when it is one
// of them and taken into *fps or *until, 0 when it is none, -1 when the value
// is wrong.
int win32_clock_option(const char *option, const char *value, int *fps, long *until);
// Starts the clock afresh: fps 0 is the platform's own clock, until 0 the
// program's own end. Until then it is the platform's clock, with no end.
void win32_clock_start(int fps, long until);
// Frames presented since the start.
unsigned win32_clock_frames(void);
// The run time of frame k on the stepped clock: k * 1000 / fps, in whole
// milliseconds that never drift (16, 17, 17 at 60/s).
long win32_clock_frame_ms(long k);

// ---------------------------------------------------------------------------
// Between the portable files themselves.

WNDPROC win32_window_proc(HWND window); // a living window's; NULL for any other handle
int win32_window_valid(HWND window);
void win32_queue_purge(HWND window);    // drops its queued messages
void win32_queue_stamp(DWORD now);      // the time messages are stamped with from now on
void win32_clock_presented(HWND window); // SwapBuffers: the frame is out
