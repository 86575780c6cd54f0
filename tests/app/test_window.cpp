// test_window.cpp -- window_init, window_end and WindowProc against the
// recording Win32 fake: the calls, their arguments and their order.
#include "app/app.h"
#include "fakes/fake_win32.h"

#include <gtest/gtest.h>
#include <string.h>

using Calls = std::vector<std::string>;

static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40, "the Windows layout");
static_assert(sizeof(DEVMODEA) == 156, "the Windows layout");

namespace {

struct WindowTest : ::testing::Test {
    struct WindowContext ctx;
    void SetUp() override
    {
        fake::reset();
        ctx = {fake::the_module, NULL, NULL, NULL, 0, "zo_"};
    }
};

const Calls windowed_init = {
    "RegisterClassA(zo_)",
    "AdjustWindowRect(0x16C80000,0)",
    "GetSystemMetrics(1)",
    "GetSystemMetrics(0)",
    "CreateWindowExA(zo_,ostra velumin!)",
    "GetDC(hwnd)",
    "ChoosePixelFormat(hdc)",
    "SetPixelFormat(hdc,7)",
    "wglCreateContext(hdc)",
    "wglMakeCurrent(hdc,hrc)",
};

// The calls window_init makes up to and including the failing one.
Calls init_until(const std::string &failing)
{
    Calls out;
    for (const std::string &call : windowed_init) {
        out.push_back(call);
        if (call.rfind(failing + "(", 0) == 0)
            break;
    }
    return out;
}

struct FailingStep {
    const char *call;
    Calls window_end;
};

// What window_end releases after each failing step of a windowed set-up.
const FailingStep failing_steps[] = {
    {"RegisterClassA", {"UnregisterClassA(zo_,module)"}},
    {"CreateWindowExA", {"UnregisterClassA(zo_,module)"}},
    {"GetDC", {"DestroyWindow(hwnd)", "UnregisterClassA(zo_,module)"}},
    {"ChoosePixelFormat",
     {"ReleaseDC(hwnd,hdc)", "DestroyWindow(hwnd)", "UnregisterClassA(zo_,module)"}},
    {"SetPixelFormat",
     {"ReleaseDC(hwnd,hdc)", "DestroyWindow(hwnd)", "UnregisterClassA(zo_,module)"}},
    {"wglCreateContext",
     {"ReleaseDC(hwnd,hdc)", "DestroyWindow(hwnd)", "UnregisterClassA(zo_,module)"}},
    {"wglMakeCurrent",
     {"wglMakeCurrent(NULL,NULL)", "wglDeleteContext(hrc)", "ReleaseDC(hwnd,hdc)",
      "DestroyWindow(hwnd)", "UnregisterClassA(zo_,module)"}},
};

} // namespace

TEST_F(WindowTest, SucceedsWithTheWindowedSequenceAndRecordsEveryHandle)
{
    EXPECT_EQ(window_init(&ctx), 1);
    EXPECT_EQ(fake::log, windowed_init);
    EXPECT_EQ(ctx.hWnd, fake::the_hwnd);
    EXPECT_EQ(ctx.hDC, fake::the_hdc);
    EXPECT_EQ(ctx.hRC, fake::the_hrc);
}

TEST_F(WindowTest, EachFailingStepLeavesExactlyWhatWindowEndReleases)
{
    for (const FailingStep &step : failing_steps) {
        SCOPED_TRACE(step.call);
        SetUp();
        fake::win32.fail = step.call;
        EXPECT_EQ(window_init(&ctx), 0);
        EXPECT_EQ(fake::log, init_until(step.call));
        fake::log.clear();
        window_end(&ctx);
        Calls expected = step.window_end;
        // DestroyWindow delivers WM_DESTROY, whose handling posts one more quit.
        for (size_t i = 0; i < expected.size(); i++)
            if (expected[i] == "DestroyWindow(hwnd)")
                expected.insert(expected.begin() + (long)i + 1, "PostQuitMessage(0)");
        EXPECT_EQ(fake::log, expected);
    }
}

TEST_F(WindowTest, WindowEndAfterSuccessReleasesEverythingInOrder)
{
    ASSERT_EQ(window_init(&ctx), 1);
    fake::log.clear();
    window_end(&ctx);
    EXPECT_EQ(fake::log, (Calls{"wglMakeCurrent(NULL,NULL)", "wglDeleteContext(hrc)",
                                "ReleaseDC(hwnd,hdc)", "DestroyWindow(hwnd)",
                                "PostQuitMessage(0)", "UnregisterClassA(zo_,module)"}));
}

TEST_F(WindowTest, WindowEndOnAnUntouchedRecordOnlyUnregisters)
{
    window_end(&ctx);
    EXPECT_EQ(fake::log, (Calls{"UnregisterClassA(zo_,module)"}));

    fake::log.clear();
    ctx.full = 1;
    window_end(&ctx);
    EXPECT_EQ(fake::log, (Calls{"UnregisterClassA(zo_,module)", "ChangeDisplaySettingsA(NULL,0)",
                                "ShowCursor(1)"}));
}

TEST_F(WindowTest, ConfiguredRecordGivesACentredCaptionedFixedSizeWindow)
{
    ASSERT_EQ(window_init(&ctx), 1);
    const fake::CreateArgs &c = fake::win32.create;
    EXPECT_EQ(c.exstyle, 0x00040100u);
    EXPECT_EQ(c.style, 0x16C80000u);
    EXPECT_EQ(c.class_name, "zo_");
    EXPECT_EQ(c.title, "ostra velumin!");
    EXPECT_EQ(c.parent, nullptr);
    EXPECT_EQ(c.menu, nullptr);
    EXPECT_EQ(c.instance, fake::the_module);
    EXPECT_EQ(c.param, nullptr);

    // The client rectangle grown by the frame: 806 x 629 centred on 1920 x 1080.
    const RECT &in = fake::win32.adjust_in;
    EXPECT_EQ(in.left, 0);
    EXPECT_EQ(in.top, 0);
    EXPECT_EQ(in.right, 800);
    EXPECT_EQ(in.bottom, 600);
    EXPECT_EQ(c.width, 806);
    EXPECT_EQ(c.height, 629);
    EXPECT_EQ(c.x, 557);
    EXPECT_EQ(c.y, 225); // (1080 - 629) = 451, halved rounding down

    // No sizing border and no minimise or maximise box.
    EXPECT_EQ(c.style & (WS_THICKFRAME | 0x00030000u), 0u);
    EXPECT_TRUE(fake::only({"ChangeDisplaySettingsA", "ShowCursor"}).empty());
}

TEST_F(WindowTest, AScreenSmallerThanTheWindowGivesANegativeRoundedDownPosition)
{
    fake::win32.screen_width = 800;
    fake::win32.screen_height = 600;
    ASSERT_EQ(window_init(&ctx), 1);
    EXPECT_EQ(fake::win32.create.x, -3);  // (800 - 806) >> 1
    EXPECT_EQ(fake::win32.create.y, -15); // (600 - 629) >> 1: -14.5 rounds down
}

TEST_F(WindowTest, ClassIsClearedAndGivenExactlyFourFields)
{
    ASSERT_EQ(window_init(&ctx), 1);
    const WNDCLASSA &wc = fake::win32.wc;
    EXPECT_EQ(wc.style, 0x0023u);
    EXPECT_EQ(wc.lpfnWndProc, &WindowProc);
    EXPECT_EQ(wc.hInstance, fake::the_module);
    EXPECT_EQ(fake::win32.wc_name, "zo_");
    EXPECT_EQ(wc.cbClsExtra, 0);
    EXPECT_EQ(wc.cbWndExtra, 0);
    EXPECT_EQ(wc.hIcon, nullptr);
    EXPECT_EQ(wc.hCursor, nullptr);
    EXPECT_EQ(wc.hbrBackground, nullptr);
    EXPECT_EQ(wc.lpszMenuName, nullptr);
}

TEST_F(WindowTest, PixelFormatRequestIsTheSameConstantDescriptorForBothCalls)
{
    ASSERT_EQ(window_init(&ctx), 1);
    PIXELFORMATDESCRIPTOR expected;
    memset(&expected, 0, sizeof(expected));
    expected.nSize = 40;
    expected.nVersion = 1;
    expected.dwFlags = 0x25;
    expected.iPixelType = 0;
    expected.cColorBits = 32;
    expected.cAlphaBits = 8;
    expected.cDepthBits = 32;
    EXPECT_EQ(memcmp(&fake::win32.pfd_choose, &expected, sizeof(expected)), 0);
    EXPECT_EQ(memcmp(&fake::win32.pfd_set, &expected, sizeof(expected)), 0);
}

TEST_F(WindowTest, FullscreenSwitchesTheDisplayHidesTheCursorAndTakesThePopup)
{
    ctx.full = 1;
    fake::win32.frame = {0, 0, 0, 0};
    fake::win32.screen_width = 800; // the display after the switch
    fake::win32.screen_height = 600;
    ASSERT_EQ(window_init(&ctx), 1);
    EXPECT_EQ(fake::log, (Calls{"RegisterClassA(zo_)", "ChangeDisplaySettingsA(mode,4)",
                                "ShowCursor(0)", "AdjustWindowRect(0x90000000,0)",
                                "GetSystemMetrics(1)", "GetSystemMetrics(0)",
                                "CreateWindowExA(zo_,ostra velumin!)", "GetDC(hwnd)",
                                "ChoosePixelFormat(hdc)", "SetPixelFormat(hdc,7)",
                                "wglCreateContext(hdc)", "wglMakeCurrent(hdc,hrc)"}));
    const DEVMODEA &dm = fake::win32.devmode;
    EXPECT_EQ(dm.dmSize, 156);
    EXPECT_EQ(dm.dmFields, 0x001C0000u);
    EXPECT_EQ(dm.dmBitsPerPel, 32u);
    EXPECT_EQ(dm.dmPelsWidth, 800u);
    EXPECT_EQ(dm.dmPelsHeight, 600u);
    EXPECT_EQ(dm.dmDisplayFrequency, 0u);
    EXPECT_EQ(dm.dmDriverExtra, 0);
    EXPECT_EQ(fake::win32.create.exstyle, 0x00040000u);
    EXPECT_EQ(fake::win32.create.style, 0x90000000u);
    EXPECT_EQ(fake::win32.create.x, 0);
    EXPECT_EQ(fake::win32.create.y, 0);
}

TEST_F(WindowTest, ARefusedDisplayModeFailsBeforeAnyWindowAndIsStillRestored)
{
    ctx.full = 1;
    fake::win32.fail = "ChangeDisplaySettingsA";
    EXPECT_EQ(window_init(&ctx), 0);
    EXPECT_EQ(fake::log, (Calls{"RegisterClassA(zo_)", "ChangeDisplaySettingsA(mode,4)"}));
    fake::log.clear();
    window_end(&ctx);
    EXPECT_EQ(fake::log, (Calls{"UnregisterClassA(zo_,module)", "ChangeDisplaySettingsA(NULL,0)",
                                "ShowCursor(1)"}));
}

// The window procedure, row by row: what it posts, what it passes on, and
// its result.
struct ProcRow {
    UINT message;
    WPARAM wParam;
    Calls calls;
    LRESULT result;
};

TEST(WindowProcTest, EveryRowOfTheTable)
{
    const ProcRow rows[] = {
        {WM_SYSCOMMAND, SC_SCREENSAVE, {}, 0},
        {WM_SYSCOMMAND, SC_MONITORPOWER, {}, 0},
        {WM_SYSCOMMAND, SC_CLOSE, {"DefWindowProcA(hwnd,WM_SYSCOMMAND,61536,5)"}, 77},
        // The whole wParam is compared: low bits make it another command.
        {WM_SYSCOMMAND, SC_SCREENSAVE | 1, {"DefWindowProcA(hwnd,WM_SYSCOMMAND,61761,5)"}, 77},
        {WM_CLOSE, 0, {"PostQuitMessage(0)"}, 0},
        {WM_DESTROY, 0, {"PostQuitMessage(0)"}, 0},
        {WM_KEYDOWN, VK_ESCAPE, {"PostQuitMessage(0)"}, 0},
        {WM_KEYDOWN, 'A', {"DefWindowProcA(hwnd,WM_KEYDOWN,65,5)"}, 77},
        {WM_CHAR, 27, {"PostQuitMessage(0)"}, 0},
        {WM_CHAR, 'a', {"DefWindowProcA(hwnd,WM_CHAR,97,5)"}, 77},
        {WM_KEYUP, VK_ESCAPE, {"DefWindowProcA(hwnd,WM_KEYUP,27,5)"}, 77},
        {MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, {"DefWindowProcA(hwnd,MM_MCINOTIFY,1,5)"}, 77},
        {WM_CREATE, 0, {"DefWindowProcA(hwnd,WM_CREATE,0,5)"}, 77},
    };
    for (const ProcRow &row : rows) {
        SCOPED_TRACE(testing::Message() << "message " << row.message << " wParam " << row.wParam);
        fake::reset();
        fake::win32.on_default = [](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 77; };
        EXPECT_EQ(WindowProc(fake::the_hwnd, row.message, row.wParam, 5), row.result);
        EXPECT_EQ(fake::log, row.calls);
    }
}
