// linux_main.cpp -- the process entry: the program starts in WinMain, with no
// arguments passed on, and its result is the exit code.
#include "platform/linux_platform.h"

int main(void)
{
    int result = WinMain(GetModuleHandleA(NULL), NULL, (LPSTR) "", 1);
    linux_shutdown();
    return result;
}
