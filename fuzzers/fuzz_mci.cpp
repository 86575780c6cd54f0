// fuzz_mci.cpp -- libFuzzer target: the MCI command strings, the file the
// sequencer's open reads, and the device's end notice among them, on a
// recording stand-in for the device. An input is command lines and, after
// its first NUL byte, the bytes that another process put at the tune's path
// before the first command is sent. Two lines are no commands: "end", the
// device's report that the latest play has played to its end, and "refuse",
// which makes the device's next open fail as with no MIDI output.
#include "platform/platform.h"

#include <stdlib.h>
#include <string.h>
#include <string>

static char home[] = "/tmp/ostra-fuzz.XXXXXX";

// The device: open, playing or not, as the commands have left it.
static int device_open, device_playing, device_refuses;

MCIERROR platform_sequencer_open(const unsigned char *tune, size_t size, int end_tick)
{
    if (device_open || !tune || !size || end_tick < 0)
        abort(); // one device at a time, and only a checked file reaches it
    if (device_refuses)
        return device_refuses = 0, MCIERR_SEQ_NOMIDIPRESENT;
    device_open = 1;
    return 0;
}

void platform_sequencer_play(int)
{
    if (!device_open)
        abort();
    device_playing = 1;
}

void platform_sequencer_close(void)
{
    if (!device_open)
        abort();
    device_open = device_playing = 0;
}

// What the real queue asks of its platform.
void platform_events_take(void) {}
int platform_shift_held(void) { return 0; }

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
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const uint8_t *nul = (const uint8_t *)memchr(data, '\0', size);
    std::string text((const char *)data, nul ? (size_t)(nul - data) : size);
    FILE *f = fopen("c:\\e.mid", "wb");
    if (!f)
        abort();
    if (nul)
        fwrite(nul + 1, 1, size - (size_t)(nul + 1 - data), f);
    fclose(f);
    HWND window = (HWND)home;
    for (size_t at = 0; at <= text.size();) {
        size_t end = text.find('\n', at);
        std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? text.size() + 1 : end + 1;
        char answer[64];
        if (line == "end")
            device_playing ? win32_mci_tune_ended() : (void)0;
        else if (line == "refuse")
            device_refuses = 1;
        else
            mciSendStringA(line.c_str(), answer, sizeof(answer), window);
        for (MSG msg; PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE);)
            if (msg.message != MM_MCINOTIFY || msg.hwnd != window || msg.wParam != MCI_NOTIFY_SUCCESSFUL)
                abort(); // the one message the commands post
    }
    mciSendStringA("close all", NULL, 0, NULL);
    device_refuses = 0;
    return 0;
}
