#include "platform/screen_placement.h"

#include <gtest/gtest.h>

namespace {

using platform::placeBeside;
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

TEST(ScreenPlacement, AWindowBesideAnotherTakesTheFreeSideElseCoversTheLeastButNeverItsMenu) {
    // A 645 x 330 table beside a 540 x 460 dendrogram whose title bar and
    // menu take its top 50 pixels.
    const ScreenRect large{0, 0, 1280, 1024};
    const ScreenRect dendrogram{80, 200, 540, 460};
    const ScreenRect menu{80, 200, 540, 50};
    EXPECT_EQ(placeBeside(645, 330, dendrogram, menu, large), (ScreenRect{620, 200, 645, 330}));
    // Moved right, it has room below.
    EXPECT_EQ(placeBeside(645, 330, {100, 200, 540, 460}, {100, 200, 540, 50}, large),
              (ScreenRect{100, 660, 645, 330}));
    // Centred on a 1024 x 768 screen no side has room: the table covers the
    // least of it (a bottom corner of the screen), never its menu.
    const ScreenRect small{0, 0, 1024, 768};
    const ScreenRect centred{242, 154, 540, 460};
    const ScreenRect strip{242, 154, 540, 50};
    const ScreenRect placed = placeBeside(645, 330, centred, strip, small);
    EXPECT_EQ(placed, (ScreenRect{379, 438, 645, 330}));
    // Room on the left only, and then below.
    EXPECT_EQ(placeBeside(300, 200, {400, 0, 624, 500}, {400, 0, 624, 50}, small),
              (ScreenRect{100, 0, 300, 200}));
    EXPECT_EQ(placeBeside(300, 200, {0, 0, 1024, 500}, {0, 0, 1024, 50}, small),
              (ScreenRect{0, 500, 300, 200}));
    // A window as large as the screen: the table stays off its menu.
    const ScreenRect all = placeBeside(645, 330, small, {0, 0, 1024, 50}, small);
    EXPECT_GE(all.y, 50);
}

}  // namespace
