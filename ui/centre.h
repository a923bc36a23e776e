// Where windows go: centring of a dialog when it opens (on its owner's
// window, or on the screen when it has no owner; every page and both address
// dialogs), and what the program places in pixels itself, scaled by the
// system's DPI. The arithmetic (ui/centre.cpp) is pure; the window calls
// (ui/centre_win.cpp) are declared only where <windows.h> exists.
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

// pixels (meant at 96 DPI) at dpi, rounded to the nearest: unchanged at 96,
// one and a half times at 144. A dpi of 0 or less reads as 96.
int scaleForDpi(int pixels, int dpi);

struct PlaceRect {
    int left, top, right, bottom;
};

// A control placed in pixels among the buttons of a template, which the
// template's font sizes: kept where it is asked for, unless a button shares
// part of its height. Then it ends gap pixels before a button that starts to
// the right of its left edge, and starts gap pixels after one that ends left
// of its right edge and starts before its left edge (a mirrored layout).
PlaceRect placeClearOf(PlaceRect want, const PlaceRect* buttons, int count, int gap);

#if defined(_WIN32)
#include <windows.h>

// Moves the window, keeping its size, and repaints it.
void centreWindow(HWND wnd);

// The system's DPI (LOGPIXELSY of the screen), read once; 96 when unknown.
int systemDpi(void);
#endif

#endif
