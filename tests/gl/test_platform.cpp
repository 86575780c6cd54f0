// test_platform.cpp -- the Linux Win32 subset on a real virtual display: the
// message queue and its order, key translation, the close chain, the screen
// saver question, pixel formats and contexts, screen metrics and the clock.
#include "platform/linux_platform.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<std::string> seen;      // what the test procedure received
int refuse_screensaver;             // 1: the procedure swallows SC_SCREENSAVE
int pass_close_on;                  // 1: WM_CLOSE goes to DefWindowProcA

std::string name(UINT message, WPARAM wParam)
{
    return std::to_string(message) + ":" + std::to_string(wParam);
}

LRESULT CALLBACK test_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    seen.push_back(name(message, wParam));
    if (message == WM_SYSCOMMAND && refuse_screensaver &&
        (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER))
        return 0;
    if (message == WM_CLOSE && !pass_close_on)
        return 0;
    if (message == WM_DESTROY) {
        PostQuitMessage(5);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

const PIXELFORMATDESCRIPTOR wanted = {
    40, 1, PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER, PFD_TYPE_RGBA, 32,
    0, 0, 0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 32, 0, 0, PFD_MAIN_PLANE, 0, 0, 0, 0,
};

struct PlatformTest : ::testing::Test {
    HWND window = NULL;
    void SetUp() override
    {
        seen.clear();
        refuse_screensaver = 0;
        pass_close_on = 0;
        WNDCLASSA wc = {};
        wc.lpfnWndProc = test_proc;
        wc.lpszClassName = "platform_test";
        ASSERT_NE(RegisterClassA(&wc), 0);
    }
    void TearDown() override
    {
        if (window)
            DestroyWindow(window);
        UnregisterClassA("platform_test", GetModuleHandleA(NULL));
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        }
    }
    void open(DWORD style = WS_VISIBLE | WS_CAPTION | WS_SYSMENU)
    {
        window = CreateWindowExA(0, "platform_test", "platform test", style, 10, 20, 320, 240,
                                 NULL, NULL, GetModuleHandleA(NULL), NULL);
        ASSERT_NE(window, nullptr);
    }
    std::vector<std::string> drain()
    {
        std::vector<std::string> got;
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            got.push_back(name(msg.message, msg.wParam));
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        return got;
    }
};

} // namespace

TEST_F(PlatformTest, ClassesRegisterOnceAndUnregisterOnce)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = test_proc;
    wc.lpszClassName = "PLATFORM_TEST"; // class names ignore case
    EXPECT_EQ(RegisterClassA(&wc), 0);
    EXPECT_FALSE(UnregisterClassA("no such class", NULL));
    EXPECT_EQ(CreateWindowExA(0, "no such class", "x", WS_VISIBLE, 0, 0, 10, 10, NULL, NULL,
                              NULL, NULL),
              nullptr);
}

TEST_F(PlatformTest, PostedMessagesComeInOrderAndTheQuitOnlyOnceTheQueueIsEmpty)
{
    open();
    seen.clear();
    PostQuitMessage(3);
    linux_post_message(window, WM_USER + 1, 1, 0);
    linux_post_message(window, WM_USER + 2, 2, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, (UINT)WM_USER + 1);
    EXPECT_EQ(msg.hwnd, window);
    ASSERT_TRUE(PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, (UINT)WM_USER + 2);
    ASSERT_TRUE(PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, (UINT)WM_QUIT);
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_EQ(DispatchMessageA(&msg), 0); // reaches no procedure
    EXPECT_FALSE(PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)); // never waits
    EXPECT_TRUE(seen.empty());
}

TEST_F(PlatformTest, MessagesPostedFromAnotherThreadArriveWhole)
{
    open();
    std::thread poster([this] {
        for (int i = 0; i < 1000; i++)
            linux_post_message(window, WM_USER, (WPARAM)i, 0);
    });
    std::vector<WPARAM> got;
    MSG msg;
    while (got.size() < 1000) {
        if (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE) && msg.message == WM_USER)
            got.push_back(msg.wParam);
    }
    poster.join();
    for (size_t i = 0; i < got.size(); i++)
        ASSERT_EQ(got[i], i);
}

TEST_F(PlatformTest, EscapeKeyBecomesKeyDownThenTheEscapeCharacter)
{
    open();
    seen.clear();
    SDL_Event e = {};
    e.type = SDL_KEYDOWN;
    e.key.windowID = SDL_GetWindowID(window->sdl);
    e.key.keysym.sym = SDLK_ESCAPE;
    e.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
    e.key.keysym.sym = SDLK_F13; // no virtual key of ours: no message
    ASSERT_EQ(SDL_PushEvent(&e), 1);
    e.key.keysym.sym = SDLK_q;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
    EXPECT_EQ(drain(), (std::vector<std::string>{name(WM_KEYDOWN, VK_ESCAPE), name(WM_CHAR, 27),
                                                 name(WM_KEYDOWN, 'Q'), name(WM_CHAR, 'q')}));
    EXPECT_EQ(seen, (std::vector<std::string>{name(WM_KEYDOWN, VK_ESCAPE), name(WM_CHAR, 27),
                                              name(WM_KEYDOWN, 'Q'), name(WM_CHAR, 'q')}));
}

TEST_F(PlatformTest, CloseRequestsArriveAsScCloseAndTheDefaultChainDestroysTheWindow)
{
    open();
    SDL_Event e = {};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    e.window.windowID = SDL_GetWindowID(window->sdl);
    ASSERT_EQ(SDL_PushEvent(&e), 1);

    // A procedure that keeps WM_CLOSE for itself keeps its window.
    seen.clear();
    drain();
    EXPECT_EQ(seen, (std::vector<std::string>{name(WM_SYSCOMMAND, SC_CLOSE), name(WM_CLOSE, 0)}));
    EXPECT_TRUE(window->alive);

    // Passed on, WM_CLOSE destroys the window, which delivers WM_DESTROY.
    pass_close_on = 1;
    seen.clear();
    e = {};
    e.type = SDL_QUIT; // what SIGINT becomes
    ASSERT_EQ(SDL_PushEvent(&e), 1);
    std::vector<std::string> got = drain();
    EXPECT_EQ(seen, (std::vector<std::string>{name(WM_SYSCOMMAND, SC_CLOSE), name(WM_CLOSE, 0),
                                              name(WM_DESTROY, 0)}));
    EXPECT_EQ(got.back(), name(WM_QUIT, 5));
    EXPECT_FALSE(DestroyWindow(window)); // already gone
    window = NULL;
}

TEST_F(PlatformTest, TheScreenSaverIsHeldOffExactlyWhenTheProcedureRefusesIt)
{
    refuse_screensaver = 0;
    open();
    EXPECT_TRUE(SDL_IsScreenSaverEnabled());
    DestroyWindow(window);

    refuse_screensaver = 1;
    seen.clear();
    open();
    EXPECT_FALSE(SDL_IsScreenSaverEnabled());
    EXPECT_NE(std::find(seen.begin(), seen.end(), name(WM_SYSCOMMAND, SC_SCREENSAVE)), seen.end());
    EXPECT_NE(std::find(seen.begin(), seen.end(), name(WM_SYSCOMMAND, SC_MONITORPOWER)),
              seen.end());
    DestroyWindow(window);
    window = NULL;
    EXPECT_TRUE(SDL_IsScreenSaverEnabled()); // given back with the window
}

TEST_F(PlatformTest, PixelFormatIsDoubleBufferedRgbaWithDepthAndTheContextIsOpenGl11)
{
    open();
    HDC dc = GetDC(window);
    ASSERT_NE(dc, nullptr);
    PIXELFORMATDESCRIPTOR single = wanted;
    single.dwFlags &= ~PFD_DOUBLEBUFFER;
    EXPECT_EQ(ChoosePixelFormat(dc, &single), 0);
    PIXELFORMATDESCRIPTOR no_gl = wanted;
    no_gl.dwFlags &= ~PFD_SUPPORT_OPENGL;
    EXPECT_EQ(ChoosePixelFormat(dc, &no_gl), 0);
    EXPECT_EQ(wglCreateContext(dc), nullptr); // no pixel format yet

    int format = ChoosePixelFormat(dc, &wanted);
    ASSERT_NE(format, 0);
    ASSERT_TRUE(SetPixelFormat(dc, format, &wanted));
    HGLRC rc = wglCreateContext(dc);
    ASSERT_NE(rc, nullptr);
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr); // creating does not make current
    ASSERT_TRUE(wglMakeCurrent(dc, rc));

    GLint red = 0, depth = 0, viewport[4] = {};
    GLboolean doubled = GL_FALSE;
    glGetIntegerv(GL_RED_BITS, &red);
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetBooleanv(GL_DOUBLEBUFFER, &doubled);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(red, 8);
    EXPECT_GE(depth, 24);
    EXPECT_TRUE(doubled);
    EXPECT_EQ(viewport[2], 320);
    EXPECT_EQ(viewport[3], 240);

    // Immediate mode and GLU work: a cleared, then filled buffer reads back.
    glClearColor(0, 0, 1, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3ub(255, 0, 0);
    glBegin(GL_QUADS);
    glVertex2f(-1, -1);
    glVertex2f(1, -1);
    glVertex2f(1, 1);
    glVertex2f(-1, 1);
    glEnd();
    unsigned char pixel[4] = {};
    glReadPixels(100, 100, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[0], 255);
    EXPECT_EQ(pixel[2], 0);
    EXPECT_NE(gluErrorString(GL_NO_ERROR), nullptr);
    EXPECT_TRUE(SwapBuffers(dc));

    EXPECT_TRUE(wglMakeCurrent(NULL, NULL));
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
    EXPECT_TRUE(wglDeleteContext(rc));
    EXPECT_FALSE(wglMakeCurrent(dc, rc)); // deleted
    EXPECT_TRUE(ReleaseDC(window, dc));
}

TEST_F(PlatformTest, ScreenMetricsAreThePrimaryDisplayAndTheFrameCountsAsZero)
{
    // tools/with-xvfb makes a 1024 x 768 screen unless told otherwise.
    const char *screen = getenv("OSTRA_XVFB_SCREEN");
    if (!screen || std::string(screen).rfind("1024x768", 0) == 0) {
        EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
        EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
    }
    RECT r = {0, 0, 800, 600};
    EXPECT_TRUE(AdjustWindowRect(&r, WS_CAPTION | WS_SYSMENU, FALSE));
    EXPECT_EQ(r.right - r.left, 800);
    EXPECT_EQ(r.bottom - r.top, 600);
    DEVMODEA mode = {};
    mode.dmSize = sizeof(mode);
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    mode.dmPelsWidth = 801;
    mode.dmPelsHeight = 601;
    mode.dmBitsPerPel = 32;
    EXPECT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_BADMODE);
}

TEST_F(PlatformTest, TheClockIsMonotonicMilliseconds)
{
    DWORD a = timeGetTime();
    SDL_Delay(50);
    DWORD b = timeGetTime();
    EXPECT_GE(b - a, 45u);
    EXPECT_LT(b - a, 5000u);
}
