// linux_main.cpp -- the live program's entry: the program starts in WinMain,
// with no arguments passed on, and its result is the exit code. It owns the
// order of the shutdown: the sequencer plays on SDL audio, so it ends before
// SDL does.
#include "platform/linux/linux_platform.h"
#include "platform/linux/linux_sound.h"

int main(void)
{
    linux_signals_install();
    linux_sound_prepare(); // the soundfont loads while the window is made
    linux_x11_on_connection_lost(linux_sequencer_shutdown);
    int result = WinMain(GetModuleHandleA(NULL), NULL, (LPSTR) "", 1);
    linux_sequencer_shutdown();
    linux_display_shutdown();
    return result;
}
