// Centring of a dialog when it opens: on its owner's window, or on the screen
// when it has no owner. Every page and both address dialogs use it.
#ifndef UI_CENTRE_H
#define UI_CENTRE_H

#include <windows.h>

// Moves the window, keeping its size, and repaints it.
void centreWindow(HWND wnd);

#endif
