// Where a dialog goes when it is centred: the arithmetic of centreWindow
// (ui/centre.h), kept apart from the window calls.
#ifndef UI_CENTRE_MATH_H
#define UI_CENTRE_MATH_H

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

#endif
