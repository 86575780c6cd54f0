// linux_x11.cpp -- what SDL leaves to us of X11 (linux_platform.h): a first
// connection made within a bounded time, error handlers that let a window
// destroyed by another client end the run instead of the process, the lost
// connection, and the frame the window manager draws, asked of it.
#include "platform/linux/linux_platform.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string.h>
#include <thread>
#include <unistd.h>

static Display *held;
static void (*connection_lost_hook)(void);
// Our windows' ids, and what the error handler leaves for the next message pump.
static unsigned long watched[WIN32_MAX_WINDOWS];
static volatile sig_atomic_t lost[WIN32_MAX_WINDOWS]; // 1: gone under us, 2: reported

// A server that accepts the connection and never answers would hold SDL's
// start-up forever, so a connection is first made on a helper thread for a
// bounded time; a helper still waiting then is left behind, and closes what
// it gets. A refusal is tried again for a moment: an X server without
// -noreset resets when its last client leaves, and while it does it drops
// the connections it is still setting up. The connection made is kept until
// SDL has its own, so that this process never leaves such a server without
// a client of its own during its start, which would drop another instance's.
int linux_x11_hold(void)
{
    struct Probe {
        std::mutex lock;
        std::condition_variable answered;
        int done = 0, abandoned = 0;
        Display *display = NULL;
    };
    auto probe = std::make_shared<Probe>();
    std::thread([probe] {
        Display *display = XOpenDisplay(NULL);
        for (int tries = 1; !display && tries < 20; tries++) {
            usleep(100000);
            display = XOpenDisplay(NULL);
        }
        std::lock_guard<std::mutex> hold(probe->lock);
        if (display && probe->abandoned)
            XCloseDisplay(display);
        else
            probe->display = display;
        probe->done = 1;
        probe->answered.notify_all();
    }).detach();
    std::unique_lock<std::mutex> hold(probe->lock);
    if (!probe->answered.wait_for(hold, std::chrono::seconds(5), [&] { return probe->done != 0; }))
        probe->abandoned = 1;
    held = probe->display;
    return held != NULL;
}

void linux_x11_release(void)
{
    if (held)
        XCloseDisplay(held);
    held = NULL;
}

// A window destroyed by another client ends the run as its close box does.
// Every other error is let pass too: the run can go on without what failed.
static int on_x_error(Display *, XErrorEvent *error)
{
    if (error->error_code == BadWindow || error->error_code == BadDrawable)
        linux_x11_destroyed(error->resourceid);
    return 0;
}

// The connection is gone: nothing of X can be touched any more.
static int on_x_connection_lost(Display *)
{
    if (connection_lost_hook)
        connection_lost_hook();
    _exit(0);
}

// SDL puts its own X error handler in front of the one it finds, which it
// calls, and puts back when it ends: ours goes in before and after. The
// default handlers would end the process with 1.
void linux_x11_handlers(int connection_too)
{
    XSetErrorHandler(on_x_error);
    if (connection_too)
        XSetIOErrorHandler(on_x_connection_lost);
}

void linux_x11_on_connection_lost(void (*hook)(void))
{
    connection_lost_hook = hook;
}

void linux_x11_watch(int slot, unsigned long xid)
{
    watched[slot] = xid;
    lost[slot] = 0;
}

void linux_x11_destroyed(unsigned long xid)
{
    for (int i = 0; i < WIN32_MAX_WINDOWS; i++)
        if (xid && watched[i] == xid && !lost[i])
            lost[i] = 1;
}

int linux_x11_lost(int slot, int take)
{
    int newly = lost[slot] == 1;
    if (newly && take)
        lost[slot] = 2;
    return newly;
}

// Whether the window manager announces that it supports an EWMH atom.
static int wm_supports(Display *display, const char *name)
{
    Atom wanted = XInternAtom(display, name, False), type;
    int format, found = 0;
    unsigned long count, after;
    unsigned char *data = NULL;
    if (XGetWindowProperty(display, DefaultRootWindow(display),
                           XInternAtom(display, "_NET_SUPPORTED", False), 0, 4096, False, XA_ATOM,
                           &type, &format, &count, &after, &data) == Success && data) {
        for (unsigned long i = 0; i < count && format == 32; i++)
            found |= ((Atom *)data)[i] == wanted;
        XFree(data);
    }
    return found;
}

// Reads _NET_FRAME_EXTENTS (left, right, top, bottom) once the window manager has set it.
static int frame_read(Display *display, Window window, RECT *frame)
{
    Atom type;
    int format, found = 0;
    unsigned long count, after;
    unsigned char *data = NULL;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_FRAME_EXTENTS", False), 0,
                           4, False, XA_CARDINAL, &type, &format, &count, &after,
                           &data) == Success && data) {
        if (format == 32 && count == 4) {
            long *e = (long *)data;
            *frame = {(LONG)e[0], (LONG)e[2], (LONG)e[1], (LONG)e[3]};
            found = 1;
        }
        XFree(data);
    }
    return found;
}

// Asked with a hidden window of the same kind, for a second at most.
int linux_x11_frame(uint32_t sdl_flags, int width, int height, RECT *frame)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    int found = 0;
    SDL_Window *probe = SDL_CreateWindow("", 0, 0, width > 0 ? width : 1, height > 0 ? height : 1,
                                         SDL_WINDOW_HIDDEN | sdl_flags);
    if (probe && SDL_GetWindowWMInfo(probe, &info) && info.subsystem == SDL_SYSWM_X11 &&
        wm_supports(info.info.x11.display, "_NET_REQUEST_FRAME_EXTENTS")) {
        Display *display = info.info.x11.display;
        XEvent request;
        memset(&request, 0, sizeof(request));
        request.xclient.type = ClientMessage;
        request.xclient.window = info.info.x11.window;
        request.xclient.message_type = XInternAtom(display, "_NET_REQUEST_FRAME_EXTENTS", False);
        request.xclient.format = 32;
        XSendEvent(display, DefaultRootWindow(display), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &request);
        for (int i = 0; i < 100 && !(found = frame_read(display, info.info.x11.window, frame)); i++) {
            XSync(display, False);
            SDL_Delay(10);
        }
    }
    if (probe)
        SDL_DestroyWindow(probe);
    return found;
}
