// Centring arithmetic: halves truncate toward zero, on the owner's rectangle
// or on the screen.
#include <gtest/gtest.h>

#include "ui/centre.h"

TEST(CentreMath, OnTheScreenHalvesTruncateTowardZero) {
    EXPECT_EQ(centreOnScreen(1024, 768, 501, 313).left, 261);  // 523 / 2
    EXPECT_EQ(centreOnScreen(1024, 768, 501, 313).top, 227);   // 455 / 2
    EXPECT_EQ(centreOnScreen(1024, 768, 1024, 768).left, 0);
    // Wider than the screen: -1 / 2 is 0 and -3 / 2 is -1, not -1 and -2 as
    // a floor or a shift would give.
    EXPECT_EQ(centreOnScreen(1024, 768, 1025, 769).left, 0);
    EXPECT_EQ(centreOnScreen(1024, 768, 1025, 769).top, 0);
    EXPECT_EQ(centreOnScreen(1024, 768, 1027, 768).left, -1);
    EXPECT_EQ(centreOnScreen(1024, 768, 1026, 768).left, -1);
}

TEST(CentreMath, OnTheOwnerStartsFromItsCorner) {
    CentreOrigin o = centreOnRect(100, 50, 600, 450, 300, 201);
    EXPECT_EQ(o.left, 200);
    EXPECT_EQ(o.top, 149);  // 50 + 199 / 2
    // An owner narrower than the dialog by an odd amount.
    o = centreOnRect(10, 20, 110, 120, 103, 105);
    EXPECT_EQ(o.left, 9);   // 10 + (-3 / 2)
    EXPECT_EQ(o.top, 18);   // 20 + (-5 / 2)
    // An owner partly off the screen keeps its own coordinates.
    o = centreOnRect(-400, -30, -100, 270, 100, 100);
    EXPECT_EQ(o.left, -300);
    EXPECT_EQ(o.top, 70);
}
