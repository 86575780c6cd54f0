// fake_win32.h -- a recording stand-in for the Win32 subset: every call is
// one log line with its key arguments (handles by name: hwnd, hdc, hrc,
// module), any one call can be made to fail, and the clock and the message
// queue are scripted by the test.
#pragma once

#include "fakes/fake_log.h"
#include "platform/win32.h"

#include <deque>
#include <functional>

namespace fake {

extern const HWND the_hwnd;
extern const HDC the_hdc;
extern const HGLRC the_hrc;
extern const HMODULE the_module;

struct Win32 {
    std::string fail;             // the name of the call that fails, "" for none
    RECT frame = {-3, -26, 3, 3}; // what AdjustWindowRect adds to each side

    // The clock: scripted values first, then `now`, advancing by `tick` after
    // every read. `on_clock` runs before each read, with its index.
    std::deque<DWORD> clock;
    DWORD now = 0, tick = 0;
    std::function<void(int)> on_clock;
    int clock_reads = 0;

    // The queue: messages in order; PostQuitMessage's quit only once it is empty.
    std::deque<MSG> queue;
    int quit_posted = 0;
    WNDPROC proc = nullptr;      // the registered class's procedure
    std::function<LRESULT(UINT)> on_default; // DefWindowProcA's work and result
};

extern Win32 win32;

void reset();
// Queues a message for the window (or, with `window` NULL, for the thread).
void post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0, HWND window = the_hwnd);

} // namespace fake
