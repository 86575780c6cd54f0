// web_main.cpp -- the program's entry in the browser. The page starts one
// instance per run, at its gate, with the clock's options as arguments
// ("--fps N", "--until MS", as build/ostra-video takes them), and hears back
// when WinMain has returned. It also lends the page the terrain's read-back,
// for the figures that compare it with native Mesa's.
#include "platform/web/web_platform.h"
#include "world/terrain.h"

#include <stdlib.h>
#include <string.h>

// A whole number from min to max, or -1.
static long number_arg(const char *text, long min, long max)
{
    char *end;
    long value = strtol(text, &end, 10);
    if (!*text || *end || value < min || value > max)
        return -1;
    return value;
}

int main(int argc, char **argv)
{
    long fps = 0, until = 0;
    for (int i = 1; i < argc; i += 2) {
        const char *next = i + 1 < argc ? argv[i + 1] : "";
        long *option = strcmp(argv[i], "--fps") == 0 ? &fps : strcmp(argv[i], "--until") == 0 ? &until : NULL;
        if (option)
            *option = number_arg(next, 1, option == &fps ? 1000 : 0x7fffffff);
        if (!option || *option < 0) {
            fprintf(stderr, "usage: ostra [--fps N] [--until MS] (fps 1 to 1000)\n");
            web_page_ended(2);
            return 2;
        }
    }
    web_clock_options((int)fps, until);
    int result = WinMain(GetModuleHandleA(NULL), NULL, (LPSTR) "", 1);
    web_page_ended(result);
    return result;
}

// The 512 x 512 red bytes the synthesis read back, bottom row first: the
// heightmap as it was before the first crater, since nothing else writes
// them. Height (x, z) is byte z * 512 + x, divided by 5.
extern "C" const unsigned char *web_terrain_readback(void)
{
    return noise_buffer;
}
