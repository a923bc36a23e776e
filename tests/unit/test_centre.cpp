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

TEST(Placement, PixelsScaleWithTheDpiAndStayPutAt96) {
    EXPECT_EQ(scaleForDpi(25, 96), 25);
    EXPECT_EQ(scaleForDpi(25, 144), 38);  // 37.5 rounds up
    EXPECT_EQ(scaleForDpi(313, 120), 391);
    EXPECT_EQ(scaleForDpi(-3, 144), -5);
    EXPECT_EQ(scaleForDpi(30, 0), 30);
}

TEST(Placement, TheFieldGivesWayToTheButtonsOfItsRow) {
    const PlaceRect field = {25, 40, 225, 60};
    // English at Times New Roman's size: Search 6 px clear, OK and Cancel below.
    PlaceRect english[] = {{231, 40, 302, 62}, {130, 65, 223, 87}, {229, 65, 298, 87}};
    PlaceRect r = placeClearOf(field, english, 3, 4);
    EXPECT_EQ(r.left, 25);
    EXPECT_EQ(r.right, 225);
    // A wider font (Japanese): Search starts inside the field, which ends before it.
    PlaceRect japanese[] = {{210, 37, 277, 58}};
    EXPECT_EQ(placeClearOf(field, japanese, 1, 4).right, 206);
    // Mirrored (Arabic): Search on the left reaching into the field moves it right.
    const PlaceRect arabic = {110, 40, 310, 60};
    PlaceRect search[] = {{21, 40, 121, 62}};
    r = placeClearOf(arabic, search, 1, 4);
    EXPECT_EQ(r.left, 125);
    EXPECT_EQ(r.right, 310);
}
