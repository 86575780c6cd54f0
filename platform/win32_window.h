// win32_window.h -- the portable part of the subset's user32 and kernel32: window
// classes, the thread's message queue, TranslateMessage, DispatchMessageA and
// DefWindowProcA. A platform keeps its windows' records and makes and destroys
// them itself; what it must give this part is the list below.
#pragma once

#include "platform/win32.h"

// ---------------------------------------------------------------------------
// What a platform must give.

// The procedure of a living window of the platform's; NULL for any other handle
// (NULL, destroyed, or none of ours). DispatchMessageA and DefWindowProcA call
// only what this gives.
WNDPROC platform_window_proc(HWND window);
// Called by each PeekMessageA before the queue is read: what the platform has
// seen since (keys, close requests) is posted now.
void platform_events_take(void);
// Whether Shift is held, for the character of a key press being translated.
int platform_shift_held(void);
// The time a message is stamped with as it is posted or taken.
DWORD platform_message_time(void);

// ---------------------------------------------------------------------------
// What it gives a platform.

// The procedure of a registered class, for the platform's CreateWindowExA; NULL
// when no class has that name.
WNDPROC win32_class_proc(LPCSTR name);
// Appends a message to the queue; safe to call from any thread.
void win32_post_message(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Posts a key as Windows sends it: a key of the system (one pressed while Alt
// is held and Ctrl is not) has bit 29 of lParam set, a released key bits 30
// and 31, a repeat bit 30; the scan code is in bits 16 to 23.
void win32_post_key(HWND window, WPARAM vk, int down, int repeat, int system, int scan);
// Drops the window's queued messages, as its DestroyWindow does.
void win32_queue_purge(HWND window);
// Asks the window's procedure, as Windows does, whether the screen saver and
// the monitor power-off may start: 1 when it consents to both (DefWindowProcA
// does). The procedure is asked even of a window that its WM_CREATE destroyed.
int win32_screensaver_ask(HWND window, WNDPROC proc);
