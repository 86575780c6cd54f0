// test_platform.cpp -- the Linux window layer, WGL and the clock on a real
// virtual display: events go in through SDL, and what a recording window
// procedure sees ("message wParam lParam-bits-29-to-31") is compared with a table.
#include "platform/linux_platform.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>

using Lines = std::vector<std::string>;

namespace {

Lines seen;
bool refuse_saver;

std::string line(UINT message, WPARAM wParam, LPARAM lParam)
{
    return std::to_string(message) + " " + std::to_string(wParam) + " " +
           std::to_string(((unsigned long)lParam >> 29) & 7);
}

LRESULT CALLBACK record(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    seen.push_back(line(message, wParam, lParam));
    if (message == WM_SYSCOMMAND && wParam != SC_CLOSE && refuse_saver)
        return 0;
    if (message == WM_DESTROY)
        PostQuitMessage(5);
    return DefWindowProcA(window, message, wParam, lParam);
}

struct Platform : ::testing::Test {
    HWND window = NULL;
    void SetUp() override
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = record;
        wc.lpszClassName = "platform";
        ASSERT_NE(RegisterClassA(&wc), 0);
        window = CreateWindowExA(0, "platform", "t", WS_VISIBLE | WS_CAPTION, 10, 20, 320, 240, NULL,
                                 NULL, NULL, NULL);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override
    {
        DestroyWindow(window);
        UnregisterClassA("platform", NULL);
        drain();
        seen.clear();
    }
    Lines drain() // the pump of the program's loop; gives what it took
    {
        Lines taken;
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            taken.push_back(line(msg.message, msg.wParam, msg.lParam));
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        return taken;
    }
    void key(Uint32 type, SDL_Keycode sym, Uint16 mod)
    {
        SDL_Event e = {.key = {.type = type, .windowID = SDL_GetWindowID(window->sdl),
                               .keysym = {.scancode = SDL_SCANCODE_A, .sym = sym, .mod = mod}}};
        ASSERT_EQ(SDL_PushEvent(&e), 1);
    }
};

} // namespace

TEST_F(Platform, PostsKeepTheirOrderFromAnyThreadAndTheQuitComesWhenNothingElseIsQueued)
{
    std::thread poster([this] {
        for (int i = 0; i < 1000; i++)
            linux_post_message(window, WM_USER, (WPARAM)i, 0);
    });
    std::vector<WPARAM> got;
    MSG msg;
    while (got.size() < 1000)
        if (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE) && msg.message == WM_USER)
            got.push_back(msg.wParam);
    poster.join();
    for (size_t i = 0; i < got.size(); i++)
        ASSERT_EQ(got[i], i);
    seen.clear();
    PostQuitMessage(3);
    linux_post_message(window, WM_USER, 7, 0);
    EXPECT_EQ(drain(), (Lines{"1024 7 0", "18 3 0"}));
    EXPECT_EQ(seen, (Lines{"1024 7 0"})); // the quit reaches no procedure
}

TEST_F(Platform, KeysBecomeKeyAndCharacterMessagesAndAltMakesThemSystemKeys)
{
    seen.clear();
    key(SDL_KEYDOWN, SDLK_ESCAPE, 0);
    key(SDL_KEYDOWN, SDLK_q, 0);
    key(SDL_KEYDOWN, SDLK_F13, 0); // no virtual key of ours: nothing
    key(SDL_KEYDOWN, SDLK_ESCAPE, KMOD_LALT);
    key(SDL_KEYUP, SDLK_ESCAPE, KMOD_LALT);
    key(SDL_KEYDOWN, SDLK_ESCAPE, KMOD_LALT | KMOD_LCTRL);
    drain();
    EXPECT_EQ(seen, (Lines{"256 27 0", "258 27 0", "256 81 0", "258 113 0", "260 27 1", "262 27 1",
                           "261 27 7", "256 27 0", "258 27 0"}));
}

TEST_F(Platform, AltF4AndTheWindowManagersCloseTakeTheCloseChainToTheQuit)
{
    for (int alt_f4 = 1; alt_f4 >= 0; alt_f4--) {
        SCOPED_TRACE(alt_f4 ? "Alt+F4" : "close box");
        if (window == NULL)
            SetUp();
        seen.clear();
        SDL_Event close = {.window = {.type = SDL_WINDOWEVENT, .windowID = SDL_GetWindowID(window->sdl),
                                      .event = SDL_WINDOWEVENT_CLOSE}};
        alt_f4 ? key(SDL_KEYDOWN, SDLK_F4, KMOD_RALT) : (void)SDL_PushEvent(&close);
        Lines expected = {"274 61536 0", "16 0 0", "2 0 0"};
        if (alt_f4)
            expected.insert(expected.begin(), "260 115 1");
        EXPECT_EQ(drain().back(), "18 5 0");
        EXPECT_EQ(seen, expected);
        EXPECT_FALSE(DestroyWindow(window)); // gone already
        UnregisterClassA("platform", NULL);
        window = NULL;
    }
}

TEST_F(Platform, TheScreenSaverIsAskedAtCreationAndHeldOffOnlyWhileRefused)
{
    EXPECT_EQ(seen, (Lines{"1 0 0", "274 61760 0", "274 61808 0"}));
    EXPECT_TRUE(SDL_IsScreenSaverEnabled());
    DestroyWindow(window);
    refuse_saver = true;
    window = CreateWindowExA(0, "platform", "t", WS_VISIBLE, 0, 0, 64, 64, NULL, NULL, NULL, NULL);
    refuse_saver = false;
    EXPECT_FALSE(SDL_IsScreenSaverEnabled());
    DestroyWindow(window);
    EXPECT_TRUE(SDL_IsScreenSaverEnabled());
}

TEST_F(Platform, OnlyADoubleBufferedRgbaFormatIsOfferedAndItsContextIsNotCurrentUntilMadeSo)
{
    PIXELFORMATDESCRIPTOR pfd = {
        .nSize = 40, .nVersion = 1, .dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER};
    HDC dc = GetDC(window);
    for (DWORD missing : {PFD_DOUBLEBUFFER, PFD_SUPPORT_OPENGL}) {
        PIXELFORMATDESCRIPTOR less = pfd;
        less.dwFlags &= ~missing;
        EXPECT_EQ(ChoosePixelFormat(dc, &less), 0);
    }
    EXPECT_EQ(wglCreateContext(dc), nullptr); // no pixel format yet
    ASSERT_TRUE(SetPixelFormat(dc, ChoosePixelFormat(dc, &pfd), &pfd));
    HGLRC rc = wglCreateContext(dc);
    ASSERT_NE(rc, nullptr);
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
    ASSERT_TRUE(wglMakeCurrent(dc, rc));
    GLint red = 0, depth = 0, viewport[4] = {};
    GLboolean doubled = GL_FALSE;
    glGetIntegerv(GL_RED_BITS, &red);
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetBooleanv(GL_DOUBLEBUFFER, &doubled);
    EXPECT_EQ(red, 8);
    EXPECT_GE(depth, 24);
    EXPECT_TRUE(doubled);
    EXPECT_EQ(viewport[2] * 1000 + viewport[3], 320240);
    EXPECT_TRUE(wglMakeCurrent(NULL, NULL) && wglDeleteContext(rc));
    EXPECT_FALSE(wglMakeCurrent(dc, rc)); // deleted
}

TEST_F(Platform, TheScreenIsTheDisplaysWithoutAFrameManagerAndTheClockCountsMilliseconds)
{
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN) * 10000 + GetSystemMetrics(SM_CYSCREEN), 10240768);
    RECT r = {0, 0, 800, 600};
    EXPECT_TRUE(AdjustWindowRect(&r, WS_CAPTION, FALSE));
    EXPECT_EQ(r.right - r.left + r.bottom - r.top, 1400); // no window manager: no frame
    DEVMODEA mode = {};
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    mode.dmPelsWidth = 801;
    EXPECT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_BADMODE);
    DWORD before = timeGetTime();
    SDL_Delay(50);
    EXPECT_GE(timeGetTime() - before, 45u);
    EXPECT_LT(timeGetTime() - before, 5000u);
}
