// web_page.cpp -- the platform's calls into the page that runs it (index.html
// passes its hooks as Module.page): the canvas a window is, the message box,
// the wait for the browser's next frame, the screen wake lock, the screen's
// size, the clock (platform.h) and the end. An instance without the page's
// hooks has no window and shows no box.
#include "platform/web/web_platform.h"

#include <emscripten.h>
#include <emscripten/html5.h>

EM_JS(int, page_canvas, (int width, int height, const char *title), {
    var page = Module['page'];
    return page && page['canvas'] ? page['canvas'](width, height, UTF8ToString(title)) | 0 : 0;
});

// Suspends the program until the page's box is dismissed.
EM_ASYNC_JS(int, page_box, (const char *caption, const char *text, int icon), {
    var page = Module['page'];
    if (!page || !page['box'])
        return 0;
    await page['box'](UTF8ToString(caption), UTF8ToString(text), icon);
    return 1;
});

// Suspends the program until the browser's next frame, as the page decides
// (it counts the frame, and keeps a hidden page's run going on its timers).
EM_ASYNC_JS(void, page_present, (void), {
    var page = Module['page'];
    await (page && page['present'] ? page['present']()
                                    : new Promise(function(next) { requestAnimationFrame(next); }));
});

// Where the browser offers the wake lock and allows it now; nothing otherwise.
EM_JS(void, page_hold_screen, (int hold), {
    var lock = Module['screenLock'];
    Module['screenLock'] = null;
    if (lock)
        lock.then(function(held) { if (held) held.release(); });
    if (hold && navigator['wakeLock'])
        Module['screenLock'] = navigator['wakeLock'].request('screen').catch(function() { return null; });
});

EM_JS(void, page_ended, (int result), {
    var page = Module['page'];
    if (page && page['ended'])
        page['ended'](result);
});

EM_JS(int, page_screen, (int height), {
    return (height ? screen.height : screen.width) | 0;
});

int web_page_canvas(int width, int height, const char *title)
{
    return page_canvas(width, height, title);
}

void web_page_screen(int *width, int *height)
{
    *width = page_screen(0);
    *height = page_screen(1);
}

int web_page_box(const char *caption, const char *text, int icon)
{
    return page_box(caption, text, icon);
}

void web_page_present(void)
{
    page_present();
}

void web_page_hold_screen(int hold)
{
    page_hold_screen(hold);
}

DWORD platform_clock_ms(void)
{
    return (DWORD)(unsigned long long)emscripten_get_now();
}

// The keys are the page's again once the program has returned.
void web_page_ended(int result)
{
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, NULL, EM_TRUE, NULL);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, NULL, EM_TRUE, NULL);
    page_ended(result);
}
