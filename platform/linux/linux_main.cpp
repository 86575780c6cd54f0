// linux_main.cpp -- the process entry: the program starts in WinMain, with no
// arguments passed on, and its result is the exit code. It owns the order of
// the shutdown: the sequencer plays on SDL audio, so it ends before SDL does.
#include "platform/linux/linux_mci.h"
#include "platform/linux/linux_platform.h"

int main(void)
{
    linux_signals_install();
    linux_mci_prepare(); // the soundfont loads while the window is made
    linux_window_on_connection_lost(linux_mci_shutdown);
    int result = WinMain(GetModuleHandleA(NULL), NULL, (LPSTR) "", 1);
    linux_mci_shutdown();
    linux_window_shutdown();
    return result;
}
