// test_loop.cpp -- WinMain with a scripted clock and message queue: set-up,
// the music start, frames, presentation, the sound stop and teardown in
// order, and the run's timeline. It runs the program's own WindowContext.
#include "app/app.h"
#include "fakes/fake_win32.h"

#include <gtest/gtest.h>

using Lines = std::vector<std::string>;

namespace {

const char *const drain_end = "PeekMessageA NULL 0 0 1 none";

struct LoopTest : ::testing::Test {
    void SetUp() override
    {
        fake::reset();
        // The handles of an earlier run; full and wndclass stay as initialised.
        WindowContext.hInstance = NULL, WindowContext.hDC = NULL, WindowContext.hRC = NULL, WindowContext.hWnd = NULL;
    }
    // A clock that starts at `start` and then reads `start + t` for each t.
    int run(DWORD start, std::initializer_list<DWORD> times)
    {
        fake::win32.clock.push_back(start);
        for (DWORD t : times)
            fake::win32.clock.push_back(start + t);
        return WinMain(NULL, NULL, (LPSTR) "", 1);
    }
    Lines frames() { return fake::only({"frame_render"}); }
};

} // namespace

// Between scene_init and the start sample only the three commands, the window
// only on the play; the sound stop between the last present and the teardown.
TEST_F(LoopTest, StartUpAndShutDownAroundOnePassInOrder)
{
    EXPECT_EQ(run(500, {30001}), 0);
    Lines expected = {
        "wglMakeCurrent hdc hrc", "scene_init", "mciSendStringA 'close all' NULL 0 NULL",
        "mciSendStringA 'open c:\\e.mid type sequencer alias MUSIC' NULL 0 NULL",
        "mciSendStringA 'play MUSIC from 0 notify' NULL 0 hwnd", "timeGetTime 500",
        "timeGetTime 30501", drain_end, "frame_render 30001 30001", "SwapBuffers hdc",
        "sndPlaySoundA NULL 0", "wglMakeCurrent NULL NULL", "wglDeleteContext hrc",
        "ReleaseDC hwnd hdc", "DestroyWindow hwnd", "PostQuitMessage 0",
        "UnregisterClassA zo_ module"};
    EXPECT_EQ(Lines(fake::log.begin() + 10, fake::log.end()), expected);
}

TEST_F(LoopTest, ThirtyThousandDoesNotEndTheRunTheFirstPassAboveItDoes)
{
    run(1000, {0, 16, 29999, 30000, 30001, 40000});
    EXPECT_EQ(fake::only({"frame_render", "SwapBuffers"}),
              (Lines{"frame_render 0 0", "SwapBuffers hdc", "frame_render 16 16", "SwapBuffers hdc",
                     "frame_render 29999 29983", "SwapBuffers hdc", "frame_render 30000 1",
                     "SwapBuffers hdc", "frame_render 30001 1", "SwapBuffers hdc"}));
    EXPECT_EQ(fake::win32.clock.size(), 1u) << "the 40000 sample is never taken";
}

TEST_F(LoopTest, FirstStepIsItsOwnRunTimeSameMillisecondIsZeroAndTheClockMayWrap)
{
    run(5000, {40, 40, 41, 30005});
    EXPECT_EQ(frames(), (Lines{"frame_render 40 40", "frame_render 40 0", "frame_render 41 1",
                               "frame_render 30005 29964"}));
    SetUp();
    fake::win32.clock = {0xFFFFFF00u, 0xFFFFFFF0u, 0x00000010u, 0x00007600u};
    WinMain(NULL, NULL, (LPSTR) "", 1);
    EXPECT_EQ(frames(), (Lines{"frame_render 240 240", "frame_render 272 32",
                               "frame_render 30464 30192"}));
}

// Escape in the second pass: the key, its character and their quits, a later
// message and the quit are all taken in that drain, whose frame is still drawn.
TEST_F(LoopTest, EscapeMidDrainStillEmptiesTheQueueAndRendersThatPass)
{
    fake::win32.on_clock = [](int read) {
        if (read == 2) {
            fake::post(WM_KEYDOWN, VK_ESCAPE);
            fake::post(MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, 1);
        }
    };
    EXPECT_EQ(run(0, {10, 20, 30}), 0);
    EXPECT_EQ(fake::from("timeGetTime 20", 2)[1], "PeekMessageA NULL 0 0 1 WM_KEYDOWN");
    EXPECT_EQ(fake::only({"DispatchMessageA", "PostQuitMessage"}),
              (Lines{"DispatchMessageA WM_KEYDOWN", "PostQuitMessage 0", "DispatchMessageA WM_CHAR", "PostQuitMessage 0",
                     "DispatchMessageA MM_MCINOTIFY", "DispatchMessageA WM_QUIT", "PostQuitMessage 0"}));
    EXPECT_EQ(frames(), (Lines{"frame_render 10 10", "frame_render 20 10"}));
}

// A quit that comes before other messages (a thread message here) does not
// stop the drain; nor does a close box, whose pass is the last.
TEST_F(LoopTest, TheDrainGoesOnPastAQuitAndTheCloseBoxEndsTheRun)
{
    fake::post(WM_QUIT, 0, 0, NULL);
    fake::post(WM_CLOSE);
    run(0, {10, 20, 30});
    EXPECT_EQ(fake::only({"DispatchMessageA"}),
              (Lines{"DispatchMessageA WM_QUIT", "DispatchMessageA WM_CLOSE", "DispatchMessageA WM_QUIT"}));
    EXPECT_EQ(frames(), Lines{"frame_render 10 10"});
}
