// web_main.cpp -- the program's entry in the browser. The page starts one
// instance per run, at its gate, with the clock's options as arguments
// ("--fps N", "--until MS", as build/ostra-video takes them), and hears back
// when WinMain has returned.
#include "platform/web/web_platform.h"

int main(int argc, char **argv)
{
    int fps = 0;
    long until = 0;
    for (int i = 1; i < argc; i += 2) {
        if (win32_clock_option(argv[i], i + 1 < argc ? argv[i + 1] : NULL, &fps, &until) <= 0) {
            fprintf(stderr, "usage: ostra [--fps N] [--until MS] (fps 1 to 1000)\n");
            web_page_ended(2);
            return 2;
        }
    }
    win32_clock_start(fps, until);
    int result = WinMain(GetModuleHandleA(NULL), NULL, (LPSTR) "", 1);
    web_page_ended(result);
    return result;
}
