// fuzz_mci.cpp -- libFuzzer target: the MCI command strings and the file the
// sequencer's open reads. An input is a command line and, after its newline,
// the bytes that another process put at the tune's path just before the
// command is sent. There is no soundfont: the file is checked before the
// soundfont is needed, and the open then fails as with no MIDI output.
#include "platform/linux/linux_mci.h"
#include "platform/linux/linux_platform.h"

#include <stdlib.h>
#include <string.h>
#include <string>
#include <unistd.h>

#undef fopen

static char home[] = "/tmp/ostra-fuzz.XXXXXX";

// No open succeeds without a soundfont, so no notice is ever posted.
void win32_post_message(HWND, UINT, WPARAM, LPARAM)
{
}

// remove() takes the folders too, innermost first.
static void home_remove(void)
{
    for (const char *below : {"/ostra/drive_c/e.mid", "/ostra/drive_c", "/ostra", ""})
        remove((home + std::string(below)).c_str());
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    if (!mkdtemp(home)) // a data home of its own
        abort();
    atexit(home_remove);
    setenv("XDG_DATA_HOME", home, 1);
    setenv("OSTRA_SOUNDFONT", "/nonexistent/none.sf2", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const uint8_t *newline = (const uint8_t *)memchr(data, '\n', size);
    std::string command((const char *)data, newline ? (size_t)(newline - data) : size);
    FILE *f = linux_fopen("c:\\e.mid", "wb");
    if (!f)
        abort();
    if (newline)
        fwrite(newline + 1, 1, size - (size_t)(newline + 1 - data), f);
    fclose(f);
    char answer[64];
    mciSendStringA(command.c_str(), answer, sizeof(answer), NULL);
    mciSendStringA("close all", NULL, 0, NULL);
    return 0;
}
