// main.cpp -- the whole life of the program: set up, run frames on the
// millisecond clock for 30 seconds or until asked to quit, tear down.
#include "app/app.h"
#include "music/music.h"
#include "scene/scene.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    MSG msg;
    int done = 0;
    DWORD start;
    int t, t_prev;

    WindowContext.hInstance = GetModuleHandleA(NULL);
    if (!window_init(&WindowContext)) {
        window_end(&WindowContext);
        // Destroying the window posted a quit; left pending, it would end the
        // box's own message loop before the user has read it.
        PeekMessageA(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE);
        MessageBoxA(NULL, "window_init()!", "error", MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    scene_init();
    // Run time 0 is the moment just after the tune was started.
    music_start(WindowContext.hWnd);

    start = timeGetTime();
    t_prev = 0;
    while (!done) {
        // One sample per pass, before the messages. The subtraction wraps
        // with the clock, so a wrap between samples changes nothing.
        t = (int)(timeGetTime() - start);

        // The drain runs until the queue is empty, past a WM_QUIT too; the
        // pass that saw it is still rendered and presented.
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                done = 1;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        frame_render(t, (int)((unsigned)t - (unsigned)t_prev));
        t_prev = t;
        if (t > RUN_LIMIT)
            done = 1;
        SwapBuffers(WindowContext.hDC);
    }

    music_stop();
    window_end(&WindowContext);
    return 0;
}
