#include "ui/centre.h"

void centreWindow(HWND wnd) {
    RECT self;
    if (!GetWindowRect(wnd, &self)) return;
    int width = self.right - self.left;
    int height = self.bottom - self.top;

    CentreOrigin at;
    // For a popup window GetParent gives its owner.
    HWND owner = GetParent(wnd);
    RECT o;
    if (owner && GetWindowRect(owner, &o)) {
        at = centreOnRect(o.left, o.top, o.right, o.bottom, width, height);
    } else {
        // An information context of the display: the screen's own size,
        // which every Windows since 95 answers.
        HDC ic = CreateICA("DISPLAY", NULL, NULL, NULL);
        if (!ic) return;
        int screenWidth = GetDeviceCaps(ic, HORZRES);
        int screenHeight = GetDeviceCaps(ic, VERTRES);
        DeleteDC(ic);
        at = centreOnScreen(screenWidth, screenHeight, width, height);
    }
    MoveWindow(wnd, at.left, at.top, width, height, TRUE);
}

int systemDpi(void) {
    static int dpi = 0;
    if (dpi == 0) {
        HDC ic = CreateICA("DISPLAY", NULL, NULL, NULL);
        int got = ic ? GetDeviceCaps(ic, LOGPIXELSY) : 0;
        if (ic) DeleteDC(ic);
        dpi = got > 0 ? got : 96;
    }
    return dpi;
}
