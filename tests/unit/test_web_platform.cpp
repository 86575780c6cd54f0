// test_web_platform.cpp -- the browser's windows, queue and keys, its clock
// and its sequencer's device, natively, on a recording page and synthesizer:
// each case a table of what the program's loop takes from the queue and what
// reaches the page.
#include "platform/web/web_mci.h"
#include "platform/web/web_platform.h"

#include "fakes/fake_log.h"

#include <gtest/gtest.h>

#include <thread>

using fake::log;
using Lines = std::vector<std::string>;

static int canvas_ok = 1;
static double page_clock;
int web_page_canvas(int width, int height, const char *title) { return fake::record("canvas", width, height, title), canvas_ok; }
int web_page_box(const char *caption, const char *text, int icon) { return fake::record("box", caption, text, icon), 1; }
void web_page_present(void) {}
void web_page_hold_screen(int hold) { fake::record("hold", hold); }
double web_page_now(void) { return page_clock; }
void web_page_ended(int) {}
static int synth_present = 1;
int web_sound_open(const unsigned char *, int size) { return fake::record("sound_open", size), synth_present; }
void web_sound_play(void) { fake::record("sound_play"); }
void web_sound_close(void) { fake::record("sound_close"); }

namespace {

int refuse_saver = 1;
LRESULT CALLBACK proc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    fake::record("proc", m, (unsigned)wp, (unsigned)lp);
    if (m == WM_SYSCOMMAND && (wp == SC_SCREENSAVE || wp == SC_MONITORPOWER) && refuse_saver)
        return 0;
    return DefWindowProcA(w, m, wp, lp);
}

// The program's drain: every message taken, translated and dispatched.
void drain(HWND filter = NULL, UINT first = 0, UINT last = 0)
{
    MSG msg;
    while (PeekMessageA(&msg, filter, first, last, PM_REMOVE)) {
        fake::record("msg", msg.message, (unsigned)msg.wParam, msg.hwnd ? "window" : "NULL");
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

struct WebWindowTest : ::testing::Test {
    HWND window = NULL;
    void SetUp() override
    {
        WNDCLASSA wc = {0, proc, 0, 0, 0, 0, 0, 0, 0, "zo_"};
        ASSERT_TRUE(RegisterClassA(&wc));
        window = CreateWindowExA(0, "zo_", "ostra velumin!", WS_VISIBLE, 0, 0, 800, 600, NULL, NULL, NULL, NULL);
        ASSERT_TRUE(window);
        drain();
        log.clear();
    }
    void TearDown() override
    {
        DestroyWindow(window);
        UnregisterClassA("zo_", NULL);
        drain();
        log.clear();
    }
};

} // namespace

TEST_F(WebWindowTest, MadeOnAFreshCanvasAskingAboutTheScreenSaver)
{
    for (int refuse : {1, 0}) {
        refuse_saver = refuse;
        log.clear();
        HWND w = CreateWindowExA(0, "zo_", "t", 0, 0, 0, 800, 600, NULL, NULL, NULL, NULL);
        DestroyWindow(w);
        Lines made = {"canvas 800 600 t", "proc 1 0 0", "proc 274 61760 0", "proc 274 61808 2"};
        made.push_back("hold " + std::to_string(refuse));
        made.push_back("proc 2 0 0");
        if (refuse)
            made.push_back("hold 0");
        EXPECT_EQ(log, made) << refuse;
    }
    refuse_saver = 1;
    canvas_ok = 0;
    EXPECT_EQ(CreateWindowExA(0, "zo_", "t", 0, 0, 0, 800, 600, NULL, NULL, NULL, NULL), (HWND)NULL);
    canvas_ok = 1;
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN) * 1000 + GetSystemMetrics(SM_CYSCREEN), 800600);
}

// Keys from the page: what the loop then takes, and whether the page's own
// handling of the key is kept from it.
TEST_F(WebWindowTest, KeysBecomeMessagesAndCharacters)
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
        {'R', 1, 0, 0, 1, 0, 0, {"msg 256 82 window", "proc 256 82 1", "msg 258 114 window", "proc 258 114 1"}},
        {186, 1, 0, 0, 0, 0, 0, {}}, // ';' is no key of ours
        {VK_F4, 1, 0, 1, 0, 0, 0, {"msg 260 115 window", "proc 260 115 536870913", "msg 274 61536 window",
                                   "proc 274 61536 0", "proc 16 0 0", "proc 2 0 0", "hold 0"}},
    };
    for (const auto &r : rows) {
        log.clear();
        EXPECT_EQ(web_key(web_key_window(), r.code, r.down, r.repeat, r.alt, r.ctrl, r.shift), r.taken) << r.code;
        drain();
        EXPECT_EQ(log, r.seen) << r.code;
    }
    EXPECT_EQ(web_key_window(), (HWND)NULL) << "Alt+F4 closed the window";
    EXPECT_EQ(web_key(window, 'A', 1, 0, 0, 0, 0), 0);
}

// WM_QUIT comes once nothing else that matches is queued; filters leave the
// rest in order. A post may come from another thread.
TEST_F(WebWindowTest, QueueOrderAndFilters)
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
    EXPECT_EQ(log, (Lines{"msg 256 27 window", "proc 256 27 1", "msg 258 27 window", "proc 258 27 1",
                          "msg 1024 1 window", "proc 1024 1 0", "peek 1025", "msg 18 3 NULL", "msg 1025 2 NULL"}));
}

TEST_F(WebWindowTest, DestroyedWindowLosesItsMessages)
{
    for (WPARAM i : {1, 2, 3, 4})
        win32_post_message(i % 2 ? window : NULL, WM_USER, i, 0);
    DefWindowProcA(window, WM_CLOSE, 0, 0);
    drain();
    EXPECT_EQ(log, (Lines{"proc 2 0 0", "hold 0", "msg 1024 2 NULL", "msg 1024 4 NULL"}));
}

// What the program's calls never reach: a class registered again, a ninth
// class, the characters of keys it does not press, and what DefWindowProcA
// and DispatchMessageA answer.
TEST_F(WebWindowTest, ClassesCharactersAndAnswers)
{
    WNDCLASSA wc = {0, proc, 0, 0, 0, 0, 0, 0, 0, "ZO_"};
    EXPECT_EQ(RegisterClassA(&wc), 0) << "taken, in any case";
    EXPECT_TRUE(UnregisterClassA("ZO_", NULL) && !UnregisterClassA("zo_", NULL));
    const char *names[] = {"a", "b", "c", "d", "e", "f", "g", "h", "i"};
    Lines atoms;
    for (const char *name : names)
        wc.lpszClassName = name, atoms.push_back(std::to_string(RegisterClassA(&wc)));
    for (const char *name : names)
        UnregisterClassA(name, NULL);
    EXPECT_EQ(atoms, (Lines{"49152", "49153", "49154", "49155", "49156", "49157", "49158", "49159", "0"}));
    for (WPARAM vk : {VK_BACK, VK_TAB, VK_RETURN, VK_SPACE, VK_F1})
        win32_post_message(window, WM_KEYDOWN, vk, 0);
    drain();
    EXPECT_EQ(fake::only({"msg"}), (Lines{"msg 256 8 window", "msg 258 8 window", "msg 256 9 window", "msg 258 9 window",
                                          "msg 256 13 window", "msg 258 13 window", "msg 256 32 window",
                                          "msg 258 32 window", "msg 256 112 window"}));
    MSG quit = {NULL, WM_QUIT, 0, 0, 0, {0, 0}};
    EXPECT_EQ(DispatchMessageA(&quit) | DefWindowProcA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0) |
                  DefWindowProcA(window, WM_SYSCOMMAND, 0xF020, 0) | DefWindowProcA(window, WM_USER, 0, 0) |
                  DefWindowProcA(window, WM_CLOSE, 0, 0), 0) << "SC_MINIMIZE and WM_USER too";
}

// The page's synthesizer is the sequencer's device: the open, the play and
// the close reach it, and its end comes to the window as the notice.
TEST_F(WebWindowTest, TheSynthesizerPlaysTheTuneAndItsEndIsNoticed)
{
    FILE *f = fopen("c:\\e.mid", "wb"); // one note, 480 ticks
    fwrite("MThd\0\0\0\6\0\0\0\1\1\xE0MTrk\0\0\0\x0D\0\x90\x3C\x64\x83\x60\x80\x3C\x40\0\xFF\x2F\0", 1, 35, f);
    fclose(f);
    for (int present : {0, 1})
        synth_present = present, mciSendStringA("open c:\\e.mid type sequencer alias m", 0, 0, 0);
    mciSendStringA("play m from 0 notify", 0, 0, window), web_mci_tune_ended(), drain();
    mciSendStringA("close m", 0, 0, 0);
    EXPECT_EQ(log, (Lines{"sound_open 35", "sound_open 35", "sound_play", "msg 953 1 window", "proc 953 1 1",
                          "sound_close"})) << "the first open found no synthesizer";
}

// The stepped clock moves one frame period per present; --until's close
// follows the present before the frame at or past it. On the real clock it
// counts from the program's first sample, and follows the present at or past it.
TEST(WebClock, SteppedAndRealEnds)
{
    const struct {
        int fps;
        double clock[4]; // the page's clock at each sample, then at its present
        Lines seen;
    } rows[] = {
        {60, {5000.7, 5000.7, 5000.7, 5000.7}, {"0", "16", "33", "close", "50"}},
        {0, {5000.7, 5010, 5049.9, 5050}, {"0", "10", "49", "50", "close"}},
    };
    for (const auto &r : rows) {
        page_clock = r.clock[0];
        web_clock_options(r.fps, 50);
        Lines seen;
        for (double now : r.clock) {
            page_clock = now;
            seen.push_back(std::to_string(timeGetTime() - 5000));
            web_clock_presented(NULL);
            MSG msg;
            if (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE) && msg.wParam == SC_CLOSE)
                seen.push_back("close");
        }
        EXPECT_EQ(seen, r.seen) << r.fps;
    }
}
