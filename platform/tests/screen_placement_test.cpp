#include "platform/screen_placement.h"

#include <gtest/gtest.h>

namespace {

using platform::placeInside;
using platform::ScreenRect;

TEST(ScreenPlacement, AWindowHangingOffTheScreenIsMovedInByTheLeast) {
    const ScreenRect screen{0, 0, 1280, 1024};
    // The 820 x 600 report window (630 with its title bar) below y = 419.
    EXPECT_EQ(placeInside({1, 419, 824, 634}, screen), (ScreenRect{1, 390, 824, 634}));
    // Off the left and the top.
    EXPECT_EQ(placeInside({-50, -20, 400, 300}, screen), (ScreenRect{0, 0, 400, 300}));
    // Off the right.
    EXPECT_EQ(placeInside({1200, 100, 403, 337}, screen), (ScreenRect{877, 100, 403, 337}));
    // Already inside: it stays.
    EXPECT_EQ(placeInside({100, 100, 403, 337}, screen), (ScreenRect{100, 100, 403, 337}));
}

TEST(ScreenPlacement, AWindowLargerThanTheFreeAreaTakesAllOfIt) {
    // A panel takes the top 30 pixels of a 1024 x 768 screen.
    const ScreenRect free{0, 30, 1024, 738};
    EXPECT_EQ(placeInside({10, 10, 1100, 800}, free), (ScreenRect{0, 30, 1024, 738}));
    // A second screen to the right.
    EXPECT_EQ(placeInside({2500, 500, 300, 600}, {1280, 0, 1280, 1024}),
              (ScreenRect{2260, 424, 300, 600}));
    // No free area known: nothing changes.
    EXPECT_EQ(placeInside({5, 5, 50, 50}, {0, 0, 0, 0}), (ScreenRect{5, 5, 50, 50}));
}

}  // namespace
