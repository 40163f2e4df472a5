#include "workspace/core/roi/roi_save_mark.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(RoiSaveMark, OnlyROIsChangedSinceTheLastKeeperAreUnsaved) {
    WorkspaceState state;
    EXPECT_FALSE(roisUnsaved(state));  // no map at all
    state.RoiMap = newPlane(4, 3);
    EXPECT_FALSE(roisUnsaved(state));  // an empty map has nothing to lose
    std::fill(state.RoiMap->current, state.RoiMap->current + 12, uint16_t{1});
    EXPECT_FALSE(roisUnsaved(state));  // nor the whole image in ROI 1, as loaded
    std::fill(state.RoiMap->current, state.RoiMap->current + 12, uint16_t{0});
    state.RoiMap->at(2, 1) = 1;
    EXPECT_TRUE(roisUnsaved(state));
    markRoisKept(state);
    EXPECT_FALSE(roisUnsaved(state));
    // A name counts as much as a pixel; undoing the change is kept again.
    state.RoiNames[3] = "lesion";
    EXPECT_TRUE(roisUnsaved(state));
    state.RoiNames[3].clear();
    EXPECT_FALSE(roisUnsaved(state));
    state.RoiMap->at(0, 0) = 1 << 4;
    EXPECT_TRUE(roisUnsaved(state));
}
