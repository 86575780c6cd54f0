// test_win32.cpp -- the subset's portable part on the recording platform: the
// window table, the queue and its keys, WGL's formats and contexts, the
// display's bookkeeping and the box, the clock and its options, the drive
// paths; each case a table of what reaches the platform and what the
// program's loop takes from the queue.
#include "fakes/fake_platform.h"
#include "platform/web/web_platform.h"

#include <errno.h>
#include <gtest/gtest.h>

#include <thread>

using fake::log;
using Lines = std::vector<std::string>;

namespace {

int refuse_saver = 1;
LRESULT create_result;
LRESULT CALLBACK proc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    fake::record("proc", m, (unsigned)wp, (unsigned)lp);
    if (m == WM_SYSCOMMAND && (wp == SC_SCREENSAVE || wp == SC_MONITORPOWER) && refuse_saver)
        return 0;
    return m == WM_CREATE ? create_result : DefWindowProcA(w, m, wp, lp);
}

// The program's drain: every message taken, translated and dispatched.
void drain(HWND filter = NULL, UINT first = 0, UINT last = 0)
{
    for (MSG msg; PeekMessageA(&msg, filter, first, last, PM_REMOVE); DispatchMessageA(&msg)) {
        fake::record("msg", msg.message, (unsigned)msg.wParam, msg.hwnd ? "window" : "NULL");
        TranslateMessage(&msg);
    }
}

HWND make(DWORD style = WS_VISIBLE | WS_CAPTION, int width = 800, int height = 600)
{
    return CreateWindowExA(0, "zo_", "t", style, 10, 20, width, height, NULL, NULL, NULL, NULL);
}

struct Win32Test : ::testing::Test {
    HWND window = NULL;
    void SetUp() override
    {
        fake::platform_reset();
        win32_clock_start(0, 0);
        WNDCLASSA wc = {0, proc, 0, 0, 0, 0, 0, 0, 0, "zo_"};
        ASSERT_TRUE(RegisterClassA(&wc) && (window = make()));
        drain();
        log.clear();
    }
    void TearDown() override
    {
        for (HWND w; (w = win32_first_window());)
            DestroyWindow(w);
        UnregisterClassA("zo_", NULL);
        drain();
        refuse_saver = 1, create_result = 0;
    }
};

} // namespace

// (window_init's run is unit_app's.) A fullscreen popup on a switched
// display has no frame, on a display the platform refused to switch it has;
// the screen saver left to DefWindowProcA is let be; a WM_CREATE of -1 takes
// the window back; the cursor is a counter, and the box's text goes to
// standard error where the platform can show none.
TEST_F(Win32Test, FullscreenConsentARefusedCreationTheCursorAndTheBox)
{
    DEVMODEA mode = {};
    mode.dmPelsWidth = 800;
    fake::platform.fail = "display_switch";
    EXPECT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_BADMODE);
    DestroyWindow(make(WS_POPUP)); // framed: the display was not switched
    fake::platform.fail = "";
    ASSERT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    refuse_saver = 0;
    EXPECT_TRUE(make(WS_POPUP));
    create_result = -1;
    EXPECT_FALSE(make());
    EXPECT_EQ(ChangeDisplaySettingsA(NULL, 0), DISP_CHANGE_SUCCESSFUL);
    std::string counts;
    for (BOOL show : {FALSE, FALSE, TRUE, TRUE})
        counts += std::to_string(ShowCursor(show));
    fake::platform.fail = "box";
    testing::internal::CaptureStderr();
    EXPECT_TRUE(counts == "-1-2-10" && MessageBoxA(NULL, "text", NULL, MB_ICONERROR) == 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), ": text\n");
    EXPECT_EQ(fake::only({"display_switch", "window_make", "screensaver_hold", "cursor_show", "box"}),
              (Lines{"display_switch 800", "window_make 1 t 10 20 794 571 0x80000000 0", "screensaver_hold 1",
                     "screensaver_hold 0", "display_switch 800", "window_make 1 t 10 20 800 600 0x80000000 1",
                     "screensaver_hold 0", "window_make 2 t 10 20 794 571 0x10C00000 0", "display_switch NULL",
                     "cursor_show 0", "cursor_show 0", "cursor_show 0", "cursor_show 1", "box text 0x10"}));
}

// What CreateWindowExA refuses before any platform call, and the table's edges:
// four windows, the last of them valid, and no fifth.
TEST_F(Win32Test, RefusalsAndTheTablesEdges)
{
    EXPECT_FALSE(CreateWindowExA(0, "none", "t", 0, 0, 0, 8, 8, NULL, NULL, NULL, NULL) ||
                 CreateWindowExA(0, "zo_", "t", 0, 0, 0, 8, 8, window, NULL, NULL, NULL) ||
                 CreateWindowExA(0, NULL, "t", 0, 0, 0, 8, 8, NULL, NULL, NULL, NULL) || make(0, 0, 8) ||
                 make(0, 8, 0) || make(0, 6, 29) || make(0, 7, 29));
    EXPECT_EQ(log, Lines{});
    HWND last = make(0, 7, 30) && make(0, 8, 31) ? make() : NULL;
    EXPECT_TRUE(last && !make() && GetDC(last) == &last->dc && ReleaseDC(last, GetDC(last)));
    EXPECT_FALSE(GetDC(last + 1) || GetDC(NULL) || ReleaseDC(window, GetDC(last)) || win32_window_proc(last + 1));
    fake::platform.fail = "window_make";
    DestroyWindow(last);
    EXPECT_FALSE(make());
    EXPECT_EQ(fake::only({"window_make"}).back(), "window_make 3 t 10 20 794 571 0x10C00000 0");
    EXPECT_EQ(GetModuleHandleA("other"), (HMODULE)NULL);
}

// Keys from the page: what the loop then takes, and whether the page's own
// handling of the key is kept from it.
TEST_F(Win32Test, KeysBecomeMessagesAndCharacters)
{
    const struct {
        int code, down, repeat, alt, ctrl, shift, taken;
        Lines seen;
    } rows[] = {
        {'A', 1, 0, 0, 0, 0, 1, {"msg 256 65 window", "proc 256 65 1", "msg 258 97 window", "proc 258 97 1"}},
        {'A', 1, 1, 0, 0, 1, 1, {"msg 256 65 window", "proc 256 65 1073741825", "msg 258 65 window", "proc 258 65 1073741825"}},
        {'0', 1, 0, 0, 0, 0, 1, {"msg 256 48 window", "proc 256 48 1", "msg 258 48 window", "proc 258 48 1"}},
        {'7', 0, 0, 0, 0, 0, 1, {"msg 257 55 window", "proc 257 55 3221225473"}},
        {'X', 1, 0, 1, 0, 0, 1, {"msg 260 88 window", "proc 260 88 536870913", "msg 262 120 window", "proc 262 120 536870913"}},
        {'R', 1, 0, 1, 1, 0, 0, {"msg 256 82 window", "proc 256 82 1", "msg 258 114 window", "proc 258 114 1"}},
        {VK_F1 + 11, 1, 0, 0, 0, 0, 0, {"msg 256 123 window", "proc 256 123 1"}},
        {186, 1, 0, 0, 0, 0, 0, {}}, // ';' is no key of ours
    };
    for (const auto &r : rows) {
        log.clear();
        EXPECT_EQ(web_key(win32_first_window(), r.code, r.down, r.repeat, r.alt, r.ctrl, r.shift), r.taken) << r.code;
        drain();
        EXPECT_EQ(log, r.seen) << r.code;
    }
    EXPECT_EQ(web_key(NULL, 'A', 1, 0, 0, 0, 0), 0) << "no window";
}

// WM_QUIT comes once nothing else that matches is queued; filters leave the
// rest in order; a destroyed window's messages go with it. A post may come
// from another thread. A key keeps its scan code; the characters are of the
// keys the program knows.
TEST_F(Win32Test, TheQueuesOrderFiltersKeysAndADestroyedWindowsMessages)
{
    PostQuitMessage(3);
    std::thread([this] { win32_post_message(window, WM_USER, 1, 0); }).join();
    win32_post_message(NULL, WM_USER + 1, 2, 0);
    win32_post_message(window, WM_KEYDOWN, VK_ESCAPE, 1);
    drain(NULL, WM_KEYDOWN, WM_KEYDOWN);
    drain(window);
    MSG msg;
    PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE);
    fake::record("peek", msg.message);
    drain(NULL, WM_QUIT, WM_QUIT); // as the program takes a quit before its failure box
    drain();
    win32_post_key(window, 'Q', 0, 0, 1, 0x1E); // a system key's release
    for (WPARAM vk : {VK_BACK, VK_TAB, VK_RETURN, VK_SPACE, VK_F1})
        win32_post_message(window, WM_KEYDOWN, vk, 0);
    drain();
    for (WPARAM i : {1, 2, 3, 4})
        win32_post_message(i % 2 ? window : NULL, WM_USER, i, 0);
    DefWindowProcA(window, WM_CLOSE, 0, 0);
    drain();
    EXPECT_EQ(fake::only({"msg", "peek", "window_unmake"}),
              (Lines{"msg 256 27 window", "msg 258 27 window", "msg 1024 1 window", "peek 1025", "msg 18 3 NULL",
                     "msg 1025 2 NULL", "msg 261 81 window", "msg 256 8 window", "msg 258 8 window",
                     "msg 256 9 window", "msg 258 9 window", "msg 256 13 window", "msg 258 13 window",
                     "msg 256 32 window", "msg 258 32 window", "msg 256 112 window", "window_unmake w0",
                     "msg 1024 2 NULL", "msg 1024 4 NULL"}));
    EXPECT_EQ(fake::only({"proc"})[3], "proc 261 81 3760062465");
    EXPECT_FALSE(DestroyWindow(window)) << "gone already";
}

// A class registered again, in any case, and a ninth class.
TEST_F(Win32Test, Classes)
{
    WNDCLASSA wc = {0, proc, 0, 0, 0, 0, 0, 0, 0, "ZO_"};
    EXPECT_FALSE(RegisterClassA(&wc)) << "taken, in any case";
    EXPECT_TRUE(UnregisterClassA("ZO_", NULL) && !UnregisterClassA("zo_", NULL));
    std::string atoms;
    const char *names[] = {"a", "b", "c", "d", "e", "f", "g", "h", "i"};
    for (const char *name : names)
        wc.lpszClassName = name, atoms += std::to_string(RegisterClassA(&wc) - 49152) + " ";
    for (const char *name : names)
        UnregisterClassA(name, NULL);
    EXPECT_EQ(atoms, "0 1 2 3 4 5 6 7 -49152 ");
}

// One pixel format, set once; four contexts; a window destroyed under us is
// drawn to no more.
TEST_F(Win32Test, PixelFormatsAndContextsRefused)
{
    HDC dc = GetDC(window);
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    EXPECT_FALSE(ChoosePixelFormat(dc, &pfd) || wglCreateContext(dc)) << "single-buffered; no format yet";
    pfd.dwFlags |= PFD_DOUBLEBUFFER;
    EXPECT_FALSE(SetPixelFormat(dc, 2, &pfd) || ChoosePixelFormat(NULL, &pfd) || ChoosePixelFormat(dc, NULL));
    ASSERT_TRUE(SetPixelFormat(dc, ChoosePixelFormat(dc, &pfd), &pfd) && SetPixelFormat(dc, 1, &pfd));
    HGLRC rc[5];
    for (HGLRC &r : rc)
        r = wglCreateContext(dc);
    EXPECT_TRUE(rc[3] && !rc[4] && wglDeleteContext(rc[3]));
    EXPECT_FALSE(wglMakeCurrent(dc, rc[3]) || wglDeleteContext(rc[3]) || wglDeleteContext(rc[3] + 1));
    fake::platform.undrawable = 0;
    EXPECT_FALSE(SwapBuffers(dc) || wglMakeCurrent(dc, rc[0]) || SetPixelFormat(dc, 1, &pfd) ||
                 ChoosePixelFormat(dc, &pfd) || wglCreateContext(dc));
    EXPECT_EQ(fake::only({"context_make", "context_current", "present"}).size(), 4u);
    fake::platform.undrawable = -1;
    fake::platform.fail = "pixel_format";
    EXPECT_FALSE(ChoosePixelFormat(dc, &pfd) || SetPixelFormat(dc, 1, &pfd));
    for (int i = 0; i < 3; i++)
        wglDeleteContext(rc[i]);
}

// The stepped clock moves one frame period per present; --until's close
// follows the present before the frame at or past it. On the real clock it
// counts from the program's first sample, and follows the present at or past it.
TEST(Win32Clock, OptionsSteppedAndRealEnds)
{
    int fps = 7;
    long until = 9;
    const struct { const char *option, *value; int taken; } options[] = {
        {"--fps", "1000", 2}, {"--fps", "1001", -1}, {"--fps", "0", -1}, {"--fps", "6x", -1},
        {"--fps", NULL, -1}, {"--until", "2147483647", 2}, {"--until", "2147483648", -1}, {"-o", "x", 0}};
    for (const auto &o : options)
        EXPECT_EQ(win32_clock_option(o.option, o.value, &fps, &until), o.taken) << o.option << " " << o.value;
    EXPECT_TRUE(fps == 1000 && until == 2147483647);
    const struct {
        int fps;
        DWORD clock[4]; // the platform's clock at each sample, then at its present
        Lines seen;
    } rows[] = {
        {60, {5000, 5000, 5000, 5000}, {"0", "16", "33", "close", "50"}},
        {0, {5000, 5010, 5049, 5050}, {"0", "10", "49", "50", "close"}},
    };
    for (const auto &r : rows) {
        fake::platform.clock = {r.clock[0]};
        for (DWORD now : r.clock) // read by the sample, and by the present on the real clock
            fake::platform.clock.insert(fake::platform.clock.end(), {now, now});
        win32_clock_start(r.fps, 50);
        Lines seen;
        for (int i = 0; i < 4; i++) {
            seen.push_back(std::to_string(timeGetTime() - 5000));
            win32_clock_presented(NULL);
            MSG msg;
            if (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE) && msg.wParam == SC_CLOSE)
                seen.push_back("close");
        }
        EXPECT_EQ(seen, r.seen) << r.fps;
    }
    win32_clock_start(0, 0);
}

// Drive paths name one file of their drive, its letter lower case, in the
// platform's folder of that drive; other paths go to the C runtime as they are.
TEST(Win32Files, DrivePathsNameOneFileOfTheirDrive)
{
    const std::string home = getenv("XDG_DATA_HOME");
    for (const char *p : {"C:\\e.mid", "z:/Two.MID"}) {
        FILE *f = fopen(p, "wb");
        EXPECT_TRUE(f && fclose(f) == 0) << p;
    }
    for (std::string landed : {"/ostra/drive_c/e.mid", "/ostra/drive_z/Two.MID"}) {
        FILE *f = fopen((home + landed).c_str(), "rb");
        EXPECT_TRUE(f && fclose(f) == 0) << landed;
    }
    for (const char *p : {"c:\\sub\\e.mid", "c:\\..", "c:\\.", "c:\\", "c:e.mid", "1:\\e.mid", "@:\\e.mid", "{:\\e.mid"})
        EXPECT_TRUE(!fopen(p, "wb") && errno == ENOENT) << p;
    errno = 0;
    EXPECT_TRUE(!fopen(NULL, "rb") && errno == EINVAL && !fopen("c:\\e.mid", NULL));
    EXPECT_TRUE(!fopen("/nonexistent/x", "rb") && errno == ENOENT) << "the C runtime's own";
}
