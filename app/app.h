// app.h -- the window and rendering context record, and the procedures that
// open, run and close the program's one window.
#pragma once

#include "platform/win32.h"

// The run ends after its first pass whose run time is past this, in ms. The
// video capture's progress reads it too.
#define RUN_LIMIT 30000

// The one record of the window and its OpenGL context. A handle that is still
// null stands for a resource that was never acquired; window_end relies on it.
struct WindowContext {
    HINSTANCE hInstance;
    HDC hDC;
    HGLRC hRC;
    HWND hWnd;
    int full;         // non-zero: fullscreen 800 x 600 x 32 instead of a window
    char wndclass[4]; // the window class name
};

extern struct WindowContext WindowContext;

int window_init(struct WindowContext *ctx);
void window_end(struct WindowContext *ctx);
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
