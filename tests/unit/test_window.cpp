// test_window.cpp -- window_init, window_end and WindowProc on the real
// portable part over the recording platform: each case one table of what
// reaches the platform, or of what the procedure leaves in the queue.
#include "app/app.h"
#include "fakes/fake_platform.h"

#include <gtest/gtest.h>

using Lines = std::vector<std::string>;

static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40 && sizeof(DEVMODEA) == 156, "Windows layouts");

namespace {

// The frame adds (3, 26, 3, 3): 806 x 629 centred on 1920 x 1080, whose client
// area is 800 x 600; the window refuses the screen saver; the pixel format's
// request is given to ChoosePixelFormat and to SetPixelFormat.
const Lines windowed = {
    "window_make 0 ostra velumin! 557 225 800 600 0x16C80000 0", "window_show w0", "screensaver_hold 1",
    "pixel_format w0 40 1 0x25 0 32 8 32", "pixel_format w0 40 1 0x25 0 32 8 32", "context_make 0 w0",
    "context_current w0 c0"};

// What window_end releases after each failing step (none: after success),
// the class always. GetDC and SetPixelFormat cannot fail once the window and
// its format are had.
const Lines release_all = {"context_current NULL NULL", "context_unmake c0", "window_unmake w0",
                           "screensaver_hold 0"};
const struct {
    const char *step; // the hook that fails; "class": the class name is taken
    size_t made, released; // the first lines of windowed, the last of release_all
} failing_steps[] = {
    {"class", 0, 0}, {"window_make", 1, 0}, {"pixel_format", 4, 2}, {"context_make", 6, 2},
    {"context_current", 7, 4}, {"", 7, 4},
};

// The window procedure, row by row: what it returns, and what it leaves
// queued (a quit, or the close that Alt+F4's default handling posts).
const struct {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    const char *queued;
} proc_rows[] = {
    {WM_SYSCOMMAND, SC_SCREENSAVE, 0, ""}, {WM_SYSCOMMAND, SC_MONITORPOWER, 2, ""},
    {WM_SYSCOMMAND, SC_CLOSE, 0, "18 0"}, {WM_CLOSE, 0, 0, "18 0"}, {WM_DESTROY, 0, 0, "18 0"},
    {WM_KEYDOWN, VK_ESCAPE, 1, "18 0"}, {WM_KEYDOWN, 'A', 1, ""}, {WM_CHAR, 27, 1, "18 0"}, {WM_CHAR, 28, 1, ""},
    {WM_KEYUP, VK_ESCAPE, 1, ""}, {WM_SYSKEYDOWN, VK_F4, 1 << 29 | 1, "274 61536"},
    {MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, 1, ""},
};

std::string queued()
{
    std::string out;
    for (MSG m; PeekMessageA(&m, NULL, 0, 0, PM_REMOVE);)
        out += std::to_string(m.message) + " " + std::to_string(m.wParam);
    return out;
}

} // namespace

TEST(WindowTest, EachFailingStepLeavesExactlyWhatWindowEndReleases)
{
    for (const auto &f : failing_steps) {
        SCOPED_TRACE(f.step);
        fake::platform_reset();
        fake::platform.fail = f.step;
        WNDCLASSA taken = {0, DefWindowProcA, 0, 0, 0, 0, 0, 0, 0, "zo_"};
        if (f.step == std::string("class"))
            RegisterClassA(&taken);
        struct WindowContext ctx = WindowContext; // the program's own record, as WinMain finds it
        ctx.hInstance = GetModuleHandleA(NULL), ctx.hDC = NULL, ctx.hRC = NULL, ctx.hWnd = NULL;
        EXPECT_EQ(window_init(&ctx), f.step[0] ? 0 : 1);
        EXPECT_EQ(fake::log, Lines(windowed.begin(), windowed.begin() + (long)f.made));
        fake::log.clear();
        window_end(&ctx);
        EXPECT_EQ(fake::log, Lines(release_all.end() - (long)f.released, release_all.end()));
        EXPECT_TRUE(RegisterClassA(&taken) && UnregisterClassA("zo_", NULL)) << "the class is given back";
        queued();
    }
}

TEST(WindowTest, WindowProcEveryRowOfTheTable)
{
    fake::platform_reset();
    WNDCLASSA wc = {0, WindowProc, 0, 0, 0, 0, 0, 0, 0, "proc"};
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "proc", "", 0, 0, 0, 100, 100, NULL, NULL, NULL, NULL);
    for (const auto &row : proc_rows) {
        EXPECT_EQ(WindowProc(window, row.message, row.wParam, row.lParam), 0) << row.message;
        EXPECT_EQ(queued(), row.queued) << row.message << " " << row.wParam;
    }
    EXPECT_TRUE(win32_first_window()) << "WM_CLOSE asks the loop to stop, and destroys nothing";
    DestroyWindow(window);
    UnregisterClassA("proc", NULL);
}
