// linux_signals.cpp -- SIGINT, SIGTERM and SIGHUP as the program's close
// requests (linux_platform.h): the handlers only leave word for the next
// message pump, which posts the close; nothing else runs in them.
#include "platform/linux/linux_platform.h"

#include <SDL.h>

#include <string.h>
#include <unistd.h>

static volatile sig_atomic_t windows_open; // living windows
static volatile sig_atomic_t close_requested;

// With no window to close (before the first or after the last) a signal ends
// the process at once. So does a second one, or a first one that no message
// pump has taken within 2 s: a main thread held up elsewhere (in the driver,
// say) must not keep a terminal's Ctrl+C waiting. The sound stops with the
// process, whose audio output closes as it ends. A signal ignored by whoever
// started us stays ignored.
static void on_signal(int)
{
    static volatile sig_atomic_t caught;
    if (!windows_open || caught)
        _exit(0);
    caught = 1;
    close_requested = 1;
    alarm(2);
}

static void on_alarm(int)
{
    if (close_requested)
        _exit(0);
}

void linux_signals_install(void)
{
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    const int handled[] = {SIGINT, SIGTERM, SIGHUP, SIGALRM};
    for (int sig : handled) {
        struct sigaction old, now;
        if (sigaction(sig, NULL, &old) != 0 || old.sa_handler == SIG_IGN)
            continue;
        memset(&now, 0, sizeof(now));
        now.sa_handler = sig == SIGALRM ? on_alarm : on_signal;
        sigemptyset(&now.sa_mask);
        now.sa_flags = SA_RESTART;
        sigaction(sig, &now, NULL);
    }
}

void linux_signals_windows(int open)
{
    windows_open = open;
}

int linux_signal_asked(int take)
{
    int asked = close_requested;
    if (take)
        close_requested = 0;
    return asked;
}
