// Centring of a dialog when it opens: on its owner's window, or on the screen
// when it has no owner. Every page and both address dialogs use it. The
// arithmetic (ui/centre.cpp) is pure; the window calls (ui/centre_win.cpp)
// are declared only where <windows.h> exists.
#ifndef UI_CENTRE_H
#define UI_CENTRE_H

struct CentreOrigin {
    int left;
    int top;
};

// Top-left corner that centres a width x height window on the rectangle
// (left, top, right, bottom) of its owner. Each half is an integer division
// that truncates toward zero, so a window one pixel larger than its owner
// starts at the owner's edge, not one pixel before it.
CentreOrigin centreOnRect(int left, int top, int right, int bottom, int width, int height);

// The same on a screen of screenWidth x screenHeight whose corner is 0, 0.
CentreOrigin centreOnScreen(int screenWidth, int screenHeight, int width, int height);

#if defined(_WIN32)
#include <windows.h>

// Moves the window, keeping its size, and repaints it.
void centreWindow(HWND wnd);
#endif

#endif
