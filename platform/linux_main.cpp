// linux_main.cpp -- the process entry: the program starts in WinMain, with no
// arguments passed on, and its result is the exit code.
#include "platform/linux_mci.h"
#include "platform/linux_platform.h"

int main(void)
{
    linux_mci_prepare(); // the soundfont loads while the window is made
    int result = WinMain(GetModuleHandleA(NULL), NULL, (LPSTR) "", 1);
    // The sequencer plays on SDL audio: it ends before SDL does.
    linux_mci_shutdown();
    linux_window_shutdown();
    return result;
}
