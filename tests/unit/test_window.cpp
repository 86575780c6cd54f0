// test_window.cpp -- window_init, window_end and WindowProc against the
// recording Win32: each case one table of calls.
#include "app/app.h"
#include "fakes/fake_win32.h"

#include <gtest/gtest.h>

using Lines = std::vector<std::string>;

static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40 && sizeof(DEVMODEA) == 156, "Windows layouts");

namespace {

// The frame adds (3, 26, 3, 3): 806 x 629 centred on 1920 x 1080.
const Lines windowed = {
    "RegisterClassA zo_ 0x23 WindowProc module", "AdjustWindowRect 0,0,800,600 0x16C80000 0",
    "GetSystemMetrics 1", "GetSystemMetrics 0",
    "CreateWindowExA 0x40100 zo_ ostra velumin! 0x16C80000 557 225 806 629 NULL NULL module NULL", "GetDC hwnd",
    "ChoosePixelFormat hdc pfd(40,1,0x25,0,32,8,32)", "SetPixelFormat hdc 7 pfd(40,1,0x25,0,32,8,32)",
    "wglCreateContext hdc", "wglMakeCurrent hdc hrc",
};

// What window_end releases after each failing step (none: after success);
// DestroyWindow delivers WM_DESTROY, which posts a quit.
const Lines release_all = {"wglMakeCurrent NULL NULL", "wglDeleteContext hrc", "ReleaseDC hwnd hdc",
                           "DestroyWindow hwnd", "PostQuitMessage 0", "UnregisterClassA zo_ module"};
const struct {
    const char *step;
    size_t released; // the last lines of release_all
} failing_steps[] = {
    {"RegisterClassA", 1}, {"CreateWindowExA", 1}, {"GetDC", 3}, {"ChoosePixelFormat", 4},
    {"SetPixelFormat", 4}, {"wglCreateContext", 4}, {"wglMakeCurrent", 6}, {"", 6},
};

// The window procedure, row by row: what it calls, and what it returns (the
// default handling answers 77).
const struct {
    UINT message;
    WPARAM wParam;
    const char *call;
    LRESULT result;
} proc_rows[] = {
    {WM_SYSCOMMAND, SC_SCREENSAVE, "", 0}, {WM_SYSCOMMAND, SC_MONITORPOWER, "", 0},
    {WM_SYSCOMMAND, SC_CLOSE, "DefWindowProcA hwnd WM_SYSCOMMAND 61536 5", 77},
    {WM_SYSCOMMAND, SC_SCREENSAVE | 1, "DefWindowProcA hwnd WM_SYSCOMMAND 61761 5", 77},
    {WM_SYSCOMMAND, SC_MONITORPOWER + 1, "DefWindowProcA hwnd WM_SYSCOMMAND 61809 5", 77},
    {WM_CLOSE, 0, "PostQuitMessage 0", 0}, {WM_DESTROY, 0, "PostQuitMessage 0", 0},
    {WM_KEYDOWN, VK_ESCAPE, "PostQuitMessage 0", 0}, {WM_KEYDOWN, 'A', "DefWindowProcA hwnd WM_KEYDOWN 65 5", 77},
    {WM_CHAR, 27, "PostQuitMessage 0", 0}, {WM_CHAR, 28, "DefWindowProcA hwnd WM_CHAR 28 5", 77},
    {WM_KEYUP, VK_ESCAPE, "DefWindowProcA hwnd 0x101 27 5", 77},
    {MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, "DefWindowProcA hwnd MM_MCINOTIFY 1 5", 77},
};

struct WindowContext record() { return {fake::the_module, NULL, NULL, NULL, 0, "zo_"}; }

} // namespace

TEST(WindowTest, TheProgramsRecordIsWindowedWithItsClassName)
{
    EXPECT_EQ(WindowContext.full, 0);
    EXPECT_STREQ(WindowContext.wndclass, "zo_");
}

TEST(WindowTest, EachFailingStepLeavesExactlyWhatWindowEndReleases)
{
    for (const auto &f : failing_steps) {
        SCOPED_TRACE(f.step);
        fake::reset();
        fake::win32.fail = f.step;
        struct WindowContext ctx = record();
        EXPECT_EQ(window_init(&ctx), f.step[0] ? 0 : 1);
        size_t made = windowed.size(); // up to and including the failing call
        for (size_t i = windowed.size(); i-- > 0;)
            if (f.step[0] && windowed[i].rfind(std::string(f.step) + " ", 0) == 0)
                made = i + 1;
        EXPECT_EQ(fake::log, Lines(windowed.begin(), windowed.begin() + (long)made));
        fake::log.clear();
        window_end(&ctx);
        EXPECT_EQ(fake::log, Lines(release_all.end() - (long)f.released, release_all.end()));
    }
}

TEST(WindowTest, WindowProcEveryRowOfTheTable)
{
    for (const auto &row : proc_rows) {
        fake::reset();
        fake::win32.on_default = [](UINT) -> LRESULT { return 77; };
        EXPECT_EQ(WindowProc(fake::the_hwnd, row.message, row.wParam, 5), row.result) << row.call;
        EXPECT_EQ(fake::log, row.call[0] ? Lines{row.call} : Lines{});
    }
}
