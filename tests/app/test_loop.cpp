// test_loop.cpp -- WinMain with a scripted clock and message queue: the order
// of set-up, frames, presentation and teardown, and the run's timeline.
#include "app/app.h"
#include "fakes/fake_win32.h"

#include <gtest/gtest.h>

using Calls = std::vector<std::string>;

namespace {

struct LoopTest : ::testing::Test {
    void SetUp() override
    {
        fake::reset();
        WindowContext = {NULL, NULL, NULL, NULL, 0, "zo_"};
    }
    int run() { return WinMain(NULL, NULL, (LPSTR) "", 1); }
    // frame_render and SwapBuffers, in order.
    Calls frames() { return fake::only({"frame_render", "SwapBuffers"}); }
};

// A clock that starts at `start` and then reads `start + t` for each t.
void script_clock(DWORD start, std::initializer_list<DWORD> times)
{
    fake::win32.clock.push_back(start);
    for (DWORD t : times)
        fake::win32.clock.push_back(start + t);
}

} // namespace

TEST_F(LoopTest, AFailedSetUpTearsDownThenShowsTheBoxAndTouchesNothingElse)
{
    fake::win32.fail = "GetDC";
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(fake::log, (Calls{"GetModuleHandleA(NULL)", "RegisterClassA(zo_)",
                                "AdjustWindowRect(0x16C80000,0)", "GetSystemMetrics(1)",
                                "GetSystemMetrics(0)", "CreateWindowExA(zo_,ostra velumin!)",
                                "GetDC(hwnd)", "DestroyWindow(hwnd)", "PostQuitMessage(0)",
                                "UnregisterClassA(zo_,module)",
                                "MessageBoxA(NULL,window_init()!,error,0x30)"}));
}

TEST_F(LoopTest, ThirtyThousandDoesNotEndTheRunTheFirstPassAboveItDoes)
{
    script_clock(1000, {0, 16, 29999, 30000, 30001, 40000});
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(frames(), (Calls{"frame_render(0,0)", "SwapBuffers(hdc)",
                               "frame_render(16,16)", "SwapBuffers(hdc)",
                               "frame_render(29999,29983)", "SwapBuffers(hdc)",
                               "frame_render(30000,1)", "SwapBuffers(hdc)",
                               "frame_render(30001,1)", "SwapBuffers(hdc)"}));
    EXPECT_EQ(fake::win32.clock.size(), 1u); // the 40000 sample is never taken
}

TEST_F(LoopTest, StartUpAndShutDownAroundTheLoopInOrder)
{
    script_clock(0, {30001});
    run();
    Calls outline = fake::only({"GetModuleHandleA", "wglMakeCurrent", "scene_init",
                                "mciSendStringA", "timeGetTime", "frame_render", "SwapBuffers",
                                "sndPlaySoundA", "DestroyWindow", "UnregisterClassA"});
    Calls expected = {"GetModuleHandleA(NULL)", "wglMakeCurrent(hdc,hrc)", "scene_init()"};
    for (const std::string &line : fake::only({"mciSendStringA"}))
        expected.push_back(line); // the music start, where the program has one
    Calls rest = {"timeGetTime(0)", "timeGetTime(30001)", "frame_render(30001,30001)",
                  "SwapBuffers(hdc)"};
    expected.insert(expected.end(), rest.begin(), rest.end());
    for (const std::string &line : fake::only({"sndPlaySoundA"}))
        expected.push_back(line);
    Calls teardown = {"wglMakeCurrent(NULL,NULL)", "DestroyWindow(hwnd)",
                      "UnregisterClassA(zo_,module)"};
    expected.insert(expected.end(), teardown.begin(), teardown.end());
    EXPECT_EQ(outline, expected);
}

TEST_F(LoopTest, TheFirstStepIsItsOwnRunTimeAndASameMillisecondStepIsZero)
{
    script_clock(5000, {40, 40, 41, 30005});
    run();
    EXPECT_EQ(fake::only({"frame_render"}),
              (Calls{"frame_render(40,40)", "frame_render(40,0)", "frame_render(41,1)",
                     "frame_render(30005,29964)"}));
}

TEST_F(LoopTest, TheClockWrappingBetweenSamplesDoesNotDisturbTheRunTime)
{
    fake::win32.clock = {0xFFFFFF00u, 0xFFFFFFF0u, 0x00000010u, 0x00007600u};
    run();
    EXPECT_EQ(fake::only({"frame_render"}),
              (Calls{"frame_render(240,240)", "frame_render(272,32)",
                     "frame_render(30464,30192)"}));
}

TEST_F(LoopTest, EscapeMidDrainStillDrainsTheQueueAndRendersThatPass)
{
    script_clock(0, {10, 20});
    fake::win32.on_clock = [](int read) {
        if (read == 2) { // the second pass's sample
            fake::post(WM_KEYDOWN, VK_ESCAPE);
            fake::post(WM_USER + 1);
        }
    };
    EXPECT_EQ(run(), 0);
    Calls drain = fake::only({"DispatchMessageA", "PostQuitMessage", "frame_render",
                              "SwapBuffers", "DestroyWindow"});
    EXPECT_EQ(drain, (Calls{"frame_render(10,10)", "SwapBuffers(hdc)",
                            "DispatchMessageA(WM_KEYDOWN)", "PostQuitMessage(0)",
                            "DispatchMessageA(WM_CHAR)", "PostQuitMessage(0)",
                            "DispatchMessageA(0x0401)", "DispatchMessageA(WM_QUIT)",
                            "frame_render(20,10)", "SwapBuffers(hdc)", "DestroyWindow(hwnd)",
                            "PostQuitMessage(0)"}));
}

TEST_F(LoopTest, TheCloseBoxEndsTheRunAfterThatPass)
{
    script_clock(0, {10, 20, 30});
    fake::post(WM_CLOSE);
    run();
    EXPECT_EQ(fake::only({"frame_render"}), (Calls{"frame_render(10,10)"}));
}

TEST_F(LoopTest, ALongDrainDrawsForTheEarlierSampleAndTheNextStepCoversThePause)
{
    fake::win32.now = 100;
    fake::win32.tick = 0;
    fake::win32.on_clock = [](int read) {
        if (read == 1)
            fake::post(WM_USER + 2); // handled for 5 s
        if (read >= 3)
            fake::win32.now += 20000;
    };
    fake::win32.on_default = [](HWND, UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == WM_USER + 2)
            fake::win32.now += 5000;
        return 0;
    };
    run();
    EXPECT_EQ(fake::only({"frame_render"}),
              (Calls{"frame_render(0,0)", "frame_render(5000,5000)", "frame_render(25000,20000)",
                     "frame_render(45000,20000)"}));
}
