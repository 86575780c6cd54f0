// fake_win32.h -- a recording stand-in for the Win32 subset: every call is
// logged with its arguments (handles by name: hwnd, hdc, hrc), any call can be
// made to fail, and the clock and the message queue are scripted by the test.
#pragma once

#include "fakes/fake_log.h"
#include "platform/win32.h"

#include <deque>
#include <functional>
#include <string>

namespace fake {

extern const HWND the_hwnd;
extern const HDC the_hdc;
extern const HGLRC the_hrc;
extern const HMODULE the_module;

struct CreateArgs {
    DWORD exstyle, style;
    int x, y, width, height;
    std::string class_name, title;
    HWND parent;
    HMENU menu;
    HINSTANCE instance;
    void *param;
};

struct Win32 {
    std::string fail;            // the name of the call that fails, "" for none
    int screen_width = 1920;
    int screen_height = 1080;
    RECT frame = {-3, -26, 3, 3}; // what AdjustWindowRect adds to each side
    int pixel_format = 7;         // ChoosePixelFormat's answer

    // What the calls were given.
    WNDCLASSA wc{};
    std::string wc_name;
    DEVMODEA devmode{};
    RECT adjust_in{};
    CreateArgs create{};
    PIXELFORMATDESCRIPTOR pfd_choose{}, pfd_set{};
    std::string box_text, box_caption;

    // The clock: scripted values first, then `now`, which advances by `tick`
    // after every read. `on_clock` runs before each read, with its index.
    std::deque<DWORD> clock;
    DWORD now = 0;
    DWORD tick = 0;
    std::function<void(int)> on_clock;
    int clock_reads = 0;

    // The queue: messages for the window, then WM_QUIT once empty.
    std::deque<MSG> queue;
    int quit_posted = 0;
    int window_alive = 0;
    WNDPROC proc = nullptr;
    std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> on_default; // DefWindowProcA's result
};

extern Win32 win32;

void reset();
void post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

} // namespace fake
