// win32_queue.cpp -- the thread's message queue of the subset's user32: posts
// (from any thread: on Linux the synthesizer's posts the tune's end), the quit
// request, PeekMessageA and TranslateMessage. There is one queue, the program's
// thread's; no message is ever sent through it or waited for.
#include "platform/platform.h"

#include <atomic>
#include <mutex>
#include <string.h>

#define MAX_QUEUED 10000 // where Windows refuses a post

// A ring of posted messages; the quit request is a flag, as on Windows,
// retrieved only once nothing else is queued.
static std::mutex queue_lock;
static MSG queue[MAX_QUEUED];
static int queue_head, queue_count;
static int quit_posted, quit_code;
// The clock as the program last read it: stamping a message reads no clock
// of its own, so a post on the synthesizer's thread cannot take the
// program's first sample.
static std::atomic<DWORD> stamp;

void win32_queue_stamp(DWORD now)
{
    stamp = now;
}

static MSG *queued(int i)
{
    return &queue[(queue_head + i) % MAX_QUEUED];
}

void win32_post_message(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG msg;
    memset(&msg, 0, sizeof(msg));
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = stamp;
    std::lock_guard<std::mutex> hold(queue_lock);
    if (queue_count < MAX_QUEUED)
        *queued(queue_count++) = msg;
}

void win32_post_key(HWND window, WPARAM vk, int down, int repeat, int system, int scan)
{
    LPARAM lParam = 1 | ((LPARAM)(scan & 0xFF) << 16);
    if (system)
        lParam |= (LPARAM)1 << 29;
    if (!down)
        lParam |= (LPARAM)3 << 30;
    else if (repeat)
        lParam |= (LPARAM)1 << 30;
    UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    win32_post_message(window, message, vk, lParam);
}

void PostQuitMessage(int exit_code)
{
    std::lock_guard<std::mutex> hold(queue_lock);
    quit_posted = 1;
    quit_code = exit_code;
}

void win32_queue_purge(HWND window)
{
    std::lock_guard<std::mutex> hold(queue_lock);
    int kept = 0;
    for (int i = 0; i < queue_count; i++)
        if (queued(i)->hwnd != window)
            *queued(kept++) = *queued(i);
    queue_count = kept;
}

static int message_matches(const MSG *msg, HWND window, UINT first, UINT last)
{
    if (window && msg->hwnd != window)
        return 0;
    if (first == 0 && last == 0)
        return 1;
    return msg->message >= first && msg->message <= last;
}

BOOL PeekMessageA(MSG *msg, HWND window, UINT first, UINT last, UINT remove)
{
    platform_events_take();
    std::lock_guard<std::mutex> hold(queue_lock);
    for (int i = 0; i < queue_count; i++) {
        if (!message_matches(queued(i), window, first, last))
            continue;
        *msg = *queued(i);
        if (remove & PM_REMOVE) {
            for (int j = i; j > 0; j--) // the messages before it close up behind
                *queued(j) = *queued(j - 1);
            queue_head = (queue_head + 1) % MAX_QUEUED;
            queue_count--;
        }
        return TRUE;
    }
    if (quit_posted && !window && (first == 0 && last == 0 ? 1 : first <= WM_QUIT && WM_QUIT <= last)) {
        memset(msg, 0, sizeof(*msg));
        msg->message = WM_QUIT;
        msg->wParam = (WPARAM)quit_code;
        msg->time = stamp;
        if (remove & PM_REMOVE)
            quit_posted = 0;
        return TRUE;
    }
    return FALSE;
}

static WPARAM char_from_vk(WPARAM vk, int shift)
{
    if (vk >= 'A' && vk <= 'Z')
        return shift ? vk : vk - 'A' + 'a';
    if (vk >= '0' && vk <= '9')
        return vk;
    switch (vk) {
    case VK_ESCAPE: return 27;
    case VK_RETURN: return 13;
    case VK_SPACE: return ' ';
    case VK_BACK: return 8;
    case VK_TAB: return 9;
    default: return 0;
    }
}

// A key press makes WM_CHAR, a system key press WM_SYSCHAR; the character is
// the next message the queue gives, as on Windows.
BOOL TranslateMessage(const MSG *msg)
{
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN))
        return FALSE;
    WPARAM ch = char_from_vk(msg->wParam, platform_shift_held());
    std::lock_guard<std::mutex> hold(queue_lock);
    if (!ch || queue_count == MAX_QUEUED)
        return FALSE;
    queue_head = (queue_head + MAX_QUEUED - 1) % MAX_QUEUED;
    queue_count++;
    queue[queue_head] = *msg;
    queue[queue_head].message = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
    queue[queue_head].wParam = ch;
    return TRUE;
}
