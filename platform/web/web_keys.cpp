// web_keys.cpp -- the page's keys as the program's (web_platform.h): the
// browser's key codes, which are the Windows virtual keys for the keys we
// know, posted to the window; the page gives no scan code.
#include "platform/web/web_platform.h"

static int shift_held; // as of the last key the page gave

int platform_shift_held(void)
{
    return shift_held;
}

static WPARAM vk_from_key_code(int code)
{
    if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9'))
        return (WPARAM)code;
    if (code >= VK_F1 && code < VK_F1 + 12)
        return (WPARAM)code;
    switch (code) {
    case VK_ESCAPE: case VK_RETURN: case VK_SPACE: case VK_BACK: case VK_TAB:
    case VK_LEFT: case VK_UP: case VK_RIGHT: case VK_DOWN: case VK_SHIFT: case VK_CONTROL:
        return (WPARAM)code;
    default:
        return 0;
    }
}

// Keys of the browser's own (F5, Ctrl+R) stay the browser's.
int web_key(HWND window, int key_code, int down, int repeat, int alt, int ctrl, int shift)
{
    WPARAM vk = vk_from_key_code(key_code);
    shift_held = shift;
    if (!window || !vk)
        return 0;
    win32_post_key(window, vk, down, repeat, alt && !ctrl, 0);
    return !ctrl && !(vk >= VK_F1 && vk < VK_F1 + 12);
}
