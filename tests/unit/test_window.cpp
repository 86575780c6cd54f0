// test_window.cpp -- window_init, window_end and WindowProc against the
// recording Win32: each case one table of calls.
#include "app/app.h"
#include "fakes/fake_win32.h"

#include <gtest/gtest.h>

using Lines = std::vector<std::string>;

static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40 && sizeof(DEVMODEA) == 156, "Windows layouts");

namespace {

const char *const descriptor = "pfd(40,1,0x25,0,32,8,32)";

// The frame adds (3, 26, 3, 3): 806 x 629 centred on 1920 x 1080.
const Lines windowed = {
    "RegisterClassA zo_ 0x23 WindowProc module",
    "AdjustWindowRect 0,0,800,600 0x16C80000 0",
    "GetSystemMetrics 1",
    "GetSystemMetrics 0",
    "CreateWindowExA 0x40100 zo_ ostra velumin! 0x16C80000 557 225 806 629 NULL NULL module NULL",
    "GetDC hwnd",
    std::string("ChoosePixelFormat hdc ") + descriptor,
    std::string("SetPixelFormat hdc 7 ") + descriptor,
    "wglCreateContext hdc",
    "wglMakeCurrent hdc hrc",
};

// What window_end releases after each failing step of the windowed set-up;
// DestroyWindow delivers WM_DESTROY, which posts a quit.
const struct {
    const char *step;
    Lines window_end;
} failing_steps[] = {
    {"RegisterClassA", {"UnregisterClassA zo_ module"}},
    {"CreateWindowExA", {"UnregisterClassA zo_ module"}},
    {"GetDC", {"DestroyWindow hwnd", "PostQuitMessage 0", "UnregisterClassA zo_ module"}},
    {"ChoosePixelFormat", {"ReleaseDC hwnd hdc", "DestroyWindow hwnd", "PostQuitMessage 0",
                           "UnregisterClassA zo_ module"}},
    {"SetPixelFormat", {"ReleaseDC hwnd hdc", "DestroyWindow hwnd", "PostQuitMessage 0",
                        "UnregisterClassA zo_ module"}},
    {"wglCreateContext", {"ReleaseDC hwnd hdc", "DestroyWindow hwnd", "PostQuitMessage 0",
                          "UnregisterClassA zo_ module"}},
    {"wglMakeCurrent", {"wglMakeCurrent NULL NULL", "wglDeleteContext hrc", "ReleaseDC hwnd hdc",
                        "DestroyWindow hwnd", "PostQuitMessage 0", "UnregisterClassA zo_ module"}},
    {"", {"wglMakeCurrent NULL NULL", "wglDeleteContext hrc", "ReleaseDC hwnd hdc",
          "DestroyWindow hwnd", "PostQuitMessage 0", "UnregisterClassA zo_ module"}},
};

// The window procedure, row by row: what it calls and what it returns
// (the default handling answers 77).
const struct {
    UINT message;
    WPARAM wParam;
    const char *call;
    LRESULT result;
} proc_rows[] = {
    {WM_SYSCOMMAND, SC_SCREENSAVE, "", 0},
    {WM_SYSCOMMAND, SC_MONITORPOWER, "", 0},
    {WM_SYSCOMMAND, SC_CLOSE, "DefWindowProcA hwnd WM_SYSCOMMAND 61536 5", 77},
    {WM_SYSCOMMAND, SC_SCREENSAVE | 1, "DefWindowProcA hwnd WM_SYSCOMMAND 61761 5", 77},
    {WM_SYSCOMMAND, SC_MONITORPOWER + 1, "DefWindowProcA hwnd WM_SYSCOMMAND 61809 5", 77},
    {WM_CLOSE, 0, "PostQuitMessage 0", 0},
    {WM_DESTROY, 0, "PostQuitMessage 0", 0},
    {WM_KEYDOWN, VK_ESCAPE, "PostQuitMessage 0", 0},
    {WM_KEYDOWN, 'A', "DefWindowProcA hwnd WM_KEYDOWN 65 5", 77},
    {WM_CHAR, 27, "PostQuitMessage 0", 0},
    {WM_CHAR, 'a', "DefWindowProcA hwnd WM_CHAR 97 5", 77},
    {WM_KEYUP, VK_ESCAPE, "DefWindowProcA hwnd 0x101 27 5", 77},
    {WM_CHAR, VK_ESCAPE + 1, "DefWindowProcA hwnd WM_CHAR 28 5", 77},
    {MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, "DefWindowProcA hwnd MM_MCINOTIFY 1 5", 77},
};

struct WindowTest : ::testing::Test {
    struct WindowContext ctx = {fake::the_module, NULL, NULL, NULL, 0, "zo_"};
    void SetUp() override { fake::reset(); }
};

} // namespace

TEST(WindowContextTest, TheProgramsRecordIsWindowedWithItsClassName)
{
    EXPECT_EQ(WindowContext.full, 0);
    EXPECT_STREQ(WindowContext.wndclass, "zo_");
}

TEST_F(WindowTest, EachFailingStepLeavesExactlyWhatWindowEndReleases)
{
    for (const auto &f : failing_steps) {
        SCOPED_TRACE(f.step);
        SetUp();
        ctx = {fake::the_module, NULL, NULL, NULL, 0, "zo_"};
        fake::win32.fail = f.step;
        EXPECT_EQ(window_init(&ctx), f.step[0] ? 0 : 1);
        size_t made = windowed.size(); // up to and including the failing call
        for (size_t i = 0; f.step[0] && i < windowed.size(); i++)
            if (windowed[i].rfind(std::string(f.step) + " ", 0) == 0 && made == windowed.size())
                made = i + 1;
        EXPECT_EQ(fake::log, Lines(windowed.begin(), windowed.begin() + (long)made));
        fake::log.clear();
        window_end(&ctx);
        EXPECT_EQ(fake::log, f.window_end);
    }
}

TEST_F(WindowTest, ASmallScreenGivesANegativePositionRoundedDown)
{
    fake::win32.screen_width = 800;
    fake::win32.screen_height = 600;
    ASSERT_EQ(window_init(&ctx), 1);
    EXPECT_EQ(fake::log[4], // (800 - 806) >> 1 and (600 - 629) >> 1
              "CreateWindowExA 0x40100 zo_ ostra velumin! 0x16C80000 -3 -15 806 629 NULL NULL "
              "module NULL");
}

TEST_F(WindowTest, FullscreenSwitchesTheDisplayFirstAndRestoresItWhateverHappened)
{
    ctx.full = 1;
    fake::win32.frame = {0, 0, 0, 0};
    fake::win32.screen_width = 800; // the display after the switch
    fake::win32.screen_height = 600;
    ASSERT_EQ(window_init(&ctx), 1);
    Lines expected = {"RegisterClassA zo_ 0x23 WindowProc module",
                      "ChangeDisplaySettingsA 800x600x32 0x1C0000 156 4", "ShowCursor 0",
                      "AdjustWindowRect 0,0,800,600 0x90000000 0", "GetSystemMetrics 1",
                      "GetSystemMetrics 0",
                      "CreateWindowExA 0x40000 zo_ ostra velumin! 0x90000000 0 0 800 600 NULL "
                      "NULL module NULL"};
    expected.insert(expected.end(), windowed.begin() + 5, windowed.end());
    EXPECT_EQ(fake::log, expected);

    SetUp();
    fake::win32.fail = "ChangeDisplaySettingsA";
    EXPECT_EQ(window_init(&ctx), 0);
    EXPECT_EQ(fake::log.size(), 2u) << "no window for a refused mode";
    ctx = {fake::the_module, NULL, NULL, NULL, 1, "zo_"};
    fake::log.clear();
    window_end(&ctx);
    EXPECT_EQ(fake::log, (Lines{"UnregisterClassA zo_ module", "ChangeDisplaySettingsA NULL 0",
                                "ShowCursor 1"}));
}

TEST(WindowProcTest, EveryRowOfTheTable)
{
    for (const auto &row : proc_rows) {
        SCOPED_TRACE(testing::Message() << row.message << " " << row.wParam);
        fake::reset();
        fake::win32.on_default = [](UINT) -> LRESULT { return 77; };
        EXPECT_EQ(WindowProc(fake::the_hwnd, row.message, row.wParam, 5), row.result);
        EXPECT_EQ(fake::log, row.call[0] ? Lines{row.call} : Lines{});
    }
}
