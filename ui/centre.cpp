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

int scaleForDpi(int pixels, int dpi) {
    if (dpi <= 0) dpi = 96;
    long long v = (long long)pixels * dpi;
    return (int)(v >= 0 ? (v + 48) / 96 : -((-v + 48) / 96));
}

PlaceRect placeClearOf(PlaceRect want, const PlaceRect* buttons, int count, int gap) {
    PlaceRect r = want;
    for (int i = 0; i < count; ++i) {
        const PlaceRect& b = buttons[i];
        if (b.bottom <= r.top || b.top >= r.bottom || b.right <= b.left) continue;  // not on the same row
        if (b.left >= want.left) {
            if (b.left - gap < r.right) r.right = b.left - gap;
        } else if (b.right + gap > r.left) {
            r.left = b.right + gap;
        }
    }
    if (r.right < r.left) r.right = r.left;
    return r;
}
