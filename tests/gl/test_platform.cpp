// test_platform.cpp -- the Linux platform's hooks on a real virtual display,
// what only SDL, X11 and Mesa can fail: SDL's keys as virtual keys, the
// screen saver, a window destroyed by another client, the visual and the
// signals. The portable part's bookkeeping is unit_platform's.
#include "platform/linux/linux_platform.h"

#include <gtest/gtest.h> // before X11, whose macros it would not survive
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <chrono>

using Lines = std::vector<std::string>;
static Lines seen;
static bool refuse_saver;

// "message wParam lParam>>29", and whether a context is current.
static LRESULT CALLBACK record(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    seen.push_back(std::to_string(message) + " " + std::to_string(wParam) + " " +
                   std::to_string((unsigned long)lParam >> 29 & 7) + (SDL_GL_GetCurrentContext() ? " drawing" : ""));
    if (message == WM_SYSCOMMAND && wParam != SC_CLOSE && refuse_saver)
        return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

static void drain() // the program's pump
{
    for (MSG msg; PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE); DispatchMessageA(&msg))
        TranslateMessage(&msg);
}

static HWND open(DWORD style)
{
    WNDCLASSA wc = {.lpfnWndProc = record, .lpszClassName = "platform"};
    RegisterClassA(&wc); // the first time; later it fails harmlessly
    return CreateWindowExA(0, "platform", "t", style, 10, 20, 320, 240, NULL, NULL, NULL, NULL);
}

struct Platform : ::testing::Test {
    HWND window = NULL;
    void SetUp() override
    {
        ASSERT_NE(window = open(WS_VISIBLE | WS_CAPTION), nullptr);
        seen.clear();
    }
    void TearDown() override { DestroyWindow(window), drain(), seen.clear(); }
};

TEST_F(Platform, SdlsKeysAreVirtualKeysAndAltWithoutCtrlMakesSystemKeys)
{
    const struct { Uint32 type; SDL_Keycode sym; Uint16 mod; } keys[] = {
        {SDL_KEYDOWN, SDLK_ESCAPE, 0}, {SDL_KEYDOWN, SDLK_q, 0}, {SDL_KEYDOWN, SDLK_9, 0},
        {SDL_KEYDOWN, SDLK_F13, 0}, // no virtual key of ours: nothing
        {SDL_KEYDOWN, SDLK_ESCAPE, KMOD_LALT}, {SDL_KEYUP, SDLK_ESCAPE, KMOD_LALT},
        {SDL_KEYDOWN, SDLK_ESCAPE, KMOD_LALT | KMOD_LCTRL}, {SDL_KEYDOWN, SDLK_F4, KMOD_RALT}};
    for (const auto &k : keys) {
        SDL_Event e = {.key = {.type = k.type, .windowID = SDL_GetWindowID(window->own->sdl),
                               .keysym = {.scancode = SDL_SCANCODE_A, .sym = k.sym, .mod = k.mod}}};
        SDL_PushEvent(&e);
    }
    drain();
    EXPECT_EQ(seen, (Lines{"256 27 0", "258 27 0", "256 81 0", "258 113 0", "256 57 0", "258 57 0", "260 27 1",
                           "262 27 1", "261 27 7", "256 27 0", "258 27 0", "260 115 1", "274 61536 0", "16 0 0",
                           "2 0 0"}));
    window = NULL; // Alt+F4 closed it
}

TEST_F(Platform, TheScreenSaverIsHeldOffOnlyWhileRefused)
{
    EXPECT_TRUE(SDL_IsScreenSaverEnabled());
    DestroyWindow(window);
    refuse_saver = true;
    window = open(WS_VISIBLE);
    refuse_saver = false;
    EXPECT_FALSE(SDL_IsScreenSaverEnabled());
    DestroyWindow(window);
    EXPECT_TRUE(SDL_IsScreenSaverEnabled());
}

// Mesa would go on drawing into a window that another client destroyed.
TEST_F(Platform, AWindowDestroyedUnderUsLetsItsContextGoBeforeItsCloseComes)
{
    HDC dc = GetDC(window);
    PIXELFORMATDESCRIPTOR pfd = {.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER};
    HGLRC rc = SetPixelFormat(dc, ChoosePixelFormat(dc, &pfd), &pfd) ? wglCreateContext(dc) : NULL;
    ASSERT_TRUE(wglMakeCurrent(dc, rc));
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    ASSERT_TRUE(SDL_GetWindowWMInfo(window->own->sdl, &info));
    Display *other = XOpenDisplay(NULL);
    XDestroyWindow(other, info.info.x11.window);
    XCloseDisplay(other);
    for (int i = 0; i < 100 && seen.empty(); i++, SDL_Delay(10))
        drain();
    EXPECT_EQ(seen, (Lines{"274 61536 0", "16 0 0", "2 0 0"}));
    EXPECT_TRUE(wglDeleteContext(rc));
    window = NULL;
}

// The visual is the one format offered; its context is not current until made so.
TEST_F(Platform, TheContextIsDoubleBufferedRgbaWithDepth)
{
    HDC dc = GetDC(window);
    PIXELFORMATDESCRIPTOR pfd = {.nSize = 40, .nVersion = 1,
                                 .dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER};
    ASSERT_TRUE(SetPixelFormat(dc, ChoosePixelFormat(dc, &pfd), &pfd));
    HGLRC rc = wglCreateContext(dc);
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
    ASSERT_TRUE(rc && wglMakeCurrent(dc, rc));
    GLint bits[3] = {};
    glGetIntegerv(GL_RED_BITS, &bits[0]);
    glGetIntegerv(GL_DEPTH_BITS, &bits[1]);
    glGetIntegerv(GL_DOUBLEBUFFER, &bits[2]);
    EXPECT_TRUE(bits[0] == 8 && bits[1] >= 24 && bits[2] == 1) << bits[0] << " " << bits[1];
    EXPECT_TRUE(wglMakeCurrent(NULL, NULL) && !SDL_GL_GetCurrentContext() && wglDeleteContext(rc));
}

// A main thread held up away from its message loop still ends on Ctrl+C: on a
// second one at once, on a first one that no pump takes 2 s later. The
// children start alike, so the difference of their lives is the wait.
TEST(Signals, AHeldUpMainThreadEndsAtOnceOnASecondSignalAndSoonOnAnUntakenOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto held_up = [](int taken) {
        MSG m; // taken by a pump that leaves the close queued: the window stays
        linux_signals_install();
        open(WS_VISIBLE);
        raise(SIGINT);
        if (taken)
            PeekMessageA(&m, NULL, 0, 0, PM_NOREMOVE), raise(SIGTERM);
        SDL_Delay(10000);
        exit(3);
    };
    double lived[2];
    for (int taken : {1, 0}) {
        auto start = std::chrono::steady_clock::now();
        EXPECT_EXIT(held_up(taken), ::testing::ExitedWithCode(0), "") << taken;
        lived[taken] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    EXPECT_TRUE(lived[0] - lived[1] > 1.5 && lived[0] - lived[1] < 3) << lived[0] << " s, " << lived[1] << " s";
}
