// test_loop.cpp -- WinMain with a scripted clock on the real portable part
// over the recording platform: set-up, the music start, frames,
// presentation, the sound stop and teardown in order, and the run's timeline.
// It runs the program's own WindowContext.
#include "app/app.h"
#include "fakes/fake_platform.h"
#include "music/music.h"

#include <gtest/gtest.h>

using Lines = std::vector<std::string>;

namespace {

struct LoopTest : ::testing::Test {
    void SetUp() override
    {
        fake::platform_reset();
        // The handles of an earlier run; full and wndclass stay as initialised.
        WindowContext.hInstance = NULL, WindowContext.hDC = NULL, WindowContext.hRC = NULL, WindowContext.hWnd = NULL;
        music_write(); // the fake scene_init writes none
        fake::log.clear();
    }
    void TearDown() override { win32_mci_close(); }
    // A clock that starts at `start` and then reads `start + t` for each t.
    int run(DWORD start, std::initializer_list<DWORD> times)
    {
        fake::platform.clock.push_back(start);
        for (DWORD t : times)
            fake::platform.clock.push_back(start + t);
        return WinMain(NULL, NULL, (LPSTR) "", 1);
    }
    Lines frames() { return fake::only({"frame_render"}); }
    // Whether the drains left a message of the thread's.
    bool thread_message_left()
    {
        MSG msg;
        return PeekMessageA(&msg, NULL, WM_USER, WM_USER, PM_REMOVE);
    }
};

} // namespace

// Between scene_init and the start sample only the music start: the tune
// opened and played; the sound stop changes nothing at the platform.
TEST_F(LoopTest, StartUpAndShutDownAroundOnePassInOrder)
{
    EXPECT_EQ(run(500, {30001}), 0);
    Lines expected = {"context_current w0 c0", "scene_init", "open 7724 49920", "play 0", "clock 500",
                      "clock 30501", "frame_render 30001 30001", "present w0", "context_current NULL NULL",
                      "context_unmake c0", "window_unmake w0", "screensaver_hold 0"};
    EXPECT_EQ(Lines(fake::log.begin() + 6, fake::log.end()), expected);
}

TEST_F(LoopTest, ThirtyThousandDoesNotEndTheRunTheFirstPassAboveItDoes)
{
    run(1000, {0, 16, 29999, 30000, 30001, 40000});
    EXPECT_EQ(fake::only({"frame_render", "present"}),
              (Lines{"frame_render 0 0", "present w0", "frame_render 16 16", "present w0",
                     "frame_render 29999 29983", "present w0", "frame_render 30000 1", "present w0",
                     "frame_render 30001 1", "present w0"}));
    EXPECT_EQ(fake::platform.clock.size(), 1u) << "the 40000 sample is never taken";
}

TEST_F(LoopTest, FirstStepIsItsOwnRunTimeSameMillisecondIsZeroAndTheClockMayWrap)
{
    run(5000, {40, 40, 41, 30005});
    EXPECT_EQ(frames(), (Lines{"frame_render 40 40", "frame_render 40 0", "frame_render 41 1",
                               "frame_render 30005 29964"}));
    SetUp();
    fake::platform.clock = {0xFFFFFF00u, 0xFFFFFFF0u, 0x00000010u, 0x00007600u};
    WinMain(NULL, NULL, (LPSTR) "", 1);
    EXPECT_EQ(frames(), (Lines{"frame_render 240 240", "frame_render 272 32", "frame_render 30464 30192"}));
}

// Escape in the second pass, then a message of the thread's: the key, its
// character and the quit are taken in that drain, which goes on to the end
// of the queue, and whose frame is still drawn.
TEST_F(LoopTest, EscapeMidDrainStillEmptiesTheQueueAndRendersThatPass)
{
    fake::platform.on_clock = [](int read) {
        if (read == 2) {
            win32_post_key(win32_first_window(), VK_ESCAPE, 1, 0, 0, 1);
            win32_post_message(NULL, WM_USER, 0, 0);
        }
    };
    EXPECT_EQ(run(0, {10, 20, 30}), 0);
    EXPECT_EQ(frames(), (Lines{"frame_render 10 10", "frame_render 20 10"}));
    EXPECT_FALSE(thread_message_left());
}

// A quit that comes before other messages (a thread message here) does not
// stop the drain; nor does a close box, whose pass is the last.
TEST_F(LoopTest, TheDrainGoesOnPastAQuitAndTheCloseBoxEndsTheRun)
{
    fake::platform.on_clock = [](int read) {
        if (read == 1) {
            win32_post_message(NULL, WM_QUIT, 0, 0);
            win32_post_message(win32_first_window(), WM_SYSCOMMAND, SC_CLOSE, 0);
            win32_post_message(NULL, WM_USER, 0, 0);
        }
    };
    run(0, {10, 20, 30});
    EXPECT_EQ(frames(), Lines{"frame_render 10 10"});
    EXPECT_FALSE(thread_message_left());
}
