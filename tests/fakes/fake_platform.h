// fake_platform.h -- a recording platform: the hooks of platform.h under the
// real portable part (queue, windows, WGL, clock, MCI commands, drive paths).
// Every hook that does something is one log line with its key arguments
// ("window_make 0 ostra velumin! 557 225 800 600 0x16C80000 0"; windows and
// contexts by slot, w0 and c0), any one hook can be made to fail, and the
// clock, the screen, the frame and a window destroyed under us are the
// test's. The drives are Linux's own (linux_files.cpp) under the test's own
// data home; the keys' Shift is web_keys.cpp's.
#pragma once

#include "fakes/fake_log.h"
#include "platform/platform.h"

#include <deque>
#include <functional>

namespace fake {

struct Platform {
    std::string fail; // the hook that fails, "" for none
    // The clock: the scripted values, then 0, each read logged ("clock 500").
    // `on_clock` runs before each read, with its index.
    std::deque<DWORD> clock;
    std::function<void(int)> on_clock;
    int clock_reads = 0;
    int screen[2] = {1920, 1080};
    RECT frame = {3, 26, 3, 3}; // left, top, right, bottom
    int undrawable = -1;        // the slot of a window destroyed under us
    MCIERROR refused = 0;       // what the sequencer's open answers
};

extern Platform platform;
void platform_reset(); // also clears the log and the queue

} // namespace fake
