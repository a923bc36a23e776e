#include "ui/centre.h"

namespace {

// C++ division truncates toward zero, which is the rule; a shift or a floor
// would put a window that is an odd number of pixels too big one pixel
// further left or up.
int centredStart(int start, int span, int size) { return start + (span - size) / 2; }

}  // namespace

CentreOrigin centreOnRect(int left, int top, int right, int bottom, int width, int height) {
    CentreOrigin o;
    o.left = centredStart(left, right - left, width);
    o.top = centredStart(top, bottom - top, height);
    return o;
}

CentreOrigin centreOnScreen(int screenWidth, int screenHeight, int width, int height) {
    return centreOnRect(0, 0, screenWidth, screenHeight, width, height);
}
