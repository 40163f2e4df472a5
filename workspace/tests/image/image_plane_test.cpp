#include "workspace/core/image/image_plane.h"

#include <gtest/gtest.h>

namespace {

// A 3x2 plane whose every pixel holds `state`, written after a push as a
// drawing gesture would.
class UndoRing : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_NE(PlaneCreate(&plane, 3, 2), nullptr); }
    void TearDown() override { PlaneDestroy(&plane, 0); }

    void change(uint16_t state) {
        EXPECT_EQ(PlanePushUndo(&plane), 1);
        for (size_t i = 0; i < plane.size(); ++i) plane.current[i] = state;
    }
    uint16_t state() const {
        for (size_t i = 1; i < plane.size(); ++i) EXPECT_EQ(plane.current[i], plane.current[0]);
        return plane.current[0];
    }
    void expectCountsBounded() const {
        EXPECT_GE(plane.undoCount, 0);
        EXPECT_GE(plane.redoCount, 0);
        EXPECT_LE(plane.undoCount + plane.redoCount, 3);
        EXPECT_EQ(plane.current, plane.ring[static_cast<size_t>(plane.ringIndex)].data());
    }

    ImagePlane plane;
};

TEST(ImagePlaneCreate, ANewPlaneIsZeroFilledWithAnEmptyRing) {
    ImagePlane plane;
    plane.undoCount = 2;
    ASSERT_EQ(PlaneCreate(&plane, 5, 4), &plane);
    EXPECT_EQ(plane.width, 5);
    EXPECT_EQ(plane.height, 4);
    EXPECT_EQ(plane.current, plane.ring[0].data());
    EXPECT_EQ(plane.ringIndex, 0);
    EXPECT_EQ(plane.undoCount, 0);
    EXPECT_EQ(plane.redoCount, 0);
    for (int k = 1; k < kRingSlots; ++k) EXPECT_TRUE(plane.ring[static_cast<size_t>(k)].empty());
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(plane.at(x, y), 0);
    plane.at(4, 3) = 7;
    EXPECT_EQ(plane.current[4 + 3 * 5], 7);
    EXPECT_EQ(undoRedoFlags(plane), 0);
    PlaneDestroy(&plane, 0);
    EXPECT_TRUE(plane.ring[0].empty());
}

TEST(ImagePlaneCreate, ImpossibleSizesAreRefused) {
    ImagePlane plane;
    EXPECT_EQ(PlaneCreate(&plane, -1, 10), nullptr);
    EXPECT_EQ(PlaneCreate(&plane, 1 << 16, 1 << 15), nullptr);
    EXPECT_EQ(plane.current, nullptr);
    EXPECT_EQ(PlaneCreate(nullptr, 1, 1), nullptr);
    EXPECT_EQ(PlaneCreate(&plane, 0, 0), &plane);  // an empty plane is harmless
    PlaneDestroy(&plane, 0);
}

TEST(ImagePlaneCreate, EveryCreationGivesANewSerialThatUndoKeeps) {
    // A caller that kept a plane's serial must tell it from a plane made
    // later, even one of the same size in the same record or at the same address.
    ImagePlane plane;
    ASSERT_NE(PlaneCreate(&plane, 4, 4), nullptr);
    const uint64_t first = plane.serial;
    EXPECT_NE(first, 0u);
    PlanePushUndo(&plane);
    planeUndo(plane);
    EXPECT_EQ(plane.serial, first);
    ASSERT_NE(PlaneCreate(&plane, 4, 4), nullptr);
    EXPECT_GT(plane.serial, first);
    const uint64_t second = plane.serial;
    EXPECT_EQ(PlaneCreate(&plane, -1, 4), nullptr);  // a refused size leaves it
    EXPECT_EQ(plane.serial, second);
    PlaneDestroy(&plane, 0);
}

TEST(ImagePlaneCreate, DestroyFreesTheRecordOnlyWhenAsked) {
    auto* plane = new ImagePlane;
    PlaneCreate(plane, 2, 2);
    PlanePushUndo(plane);
    PlaneDestroy(plane, 1);  // the sanitizer build reports a leak or double free
    PlaneDestroy(nullptr, 1);
}

TEST_F(UndoRing, FourPushesThenFourUndosRestoreThreeStates) {
    for (uint16_t s = 1; s <= 4; ++s) change(s);
    EXPECT_EQ(plane.undoCount, 3);
    EXPECT_TRUE(planeUndo(plane));
    EXPECT_EQ(state(), 3);
    EXPECT_TRUE(planeUndo(plane));
    EXPECT_EQ(state(), 2);
    EXPECT_TRUE(planeUndo(plane));
    EXPECT_EQ(state(), 1);
    EXPECT_EQ(plane.undoCount, 0);
    EXPECT_FALSE(planeUndo(plane));
    EXPECT_EQ(state(), 1);
    EXPECT_EQ(undoRedoFlags(plane), 2);
    expectCountsBounded();
}

TEST_F(UndoRing, AfterTwoChangesTwoUndosAndTwoRedosAllSucceed) {
    change(1);
    change(2);
    EXPECT_TRUE(planeUndo(plane));
    EXPECT_TRUE(planeUndo(plane));
    EXPECT_EQ(state(), 0);
    EXPECT_TRUE(planeRedo(plane));
    EXPECT_EQ(state(), 1);
    EXPECT_TRUE(planeRedo(plane));
    EXPECT_EQ(state(), 2);
    EXPECT_FALSE(planeRedo(plane));
    EXPECT_EQ(state(), 2);
    EXPECT_EQ(undoRedoFlags(plane), 1);
}

TEST_F(UndoRing, AfterOneChangeOnlyOneUndoAndOneRedoDoAnything) {
    change(1);
    EXPECT_TRUE(planeUndo(plane));
    EXPECT_FALSE(planeUndo(plane));
    EXPECT_EQ(state(), 0);
    EXPECT_TRUE(planeRedo(plane));
    EXPECT_FALSE(planeRedo(plane));
    EXPECT_EQ(state(), 1);
}

TEST_F(UndoRing, AChangeAfterUndoDiscardsTheUndoneStates) {
    for (uint16_t s = 1; s <= 3; ++s) change(s);
    planeUndo(plane);
    planeUndo(plane);
    EXPECT_EQ(state(), 1);
    change(9);
    EXPECT_EQ(undoRedoFlags(plane), 1);
    EXPECT_FALSE(EnableUndoRedo(undoRedoFlags(plane)).redo);
    EXPECT_FALSE(planeRedo(plane));
    EXPECT_EQ(state(), 9);
    EXPECT_TRUE(planeUndo(plane));
    EXPECT_EQ(state(), 1);
}

TEST_F(UndoRing, CountsStayWithinTheRingForAnySequence) {
    // A fixed pseudo-random walk over push, undo and redo.
    uint32_t seed = 12345;
    for (int step = 0; step < 2000; ++step) {
        seed = seed * 134775813u + 1u;
        switch (seed >> 30) {
            case 0:
                change(static_cast<uint16_t>(step));
                break;
            case 1:
            case 2:
                planeUndo(plane);
                break;
            default:
                planeRedo(plane);
                break;
        }
        expectCountsBounded();
    }
    // Buffers were only ever allocated for the four slots.
    for (const auto& slot : plane.ring) EXPECT_FALSE(slot.empty());
}

TEST_F(UndoRing, UndoThenRedoGivesBackTheSameStateSequence) {
    for (uint16_t s = 1; s <= 6; ++s) change(s);
    planeUndo(plane);
    planeUndo(plane);
    planeUndo(plane);
    EXPECT_EQ(state(), 3);
    planeRedo(plane);
    EXPECT_EQ(state(), 4);
    planeUndo(plane);
    EXPECT_EQ(state(), 3);
    planeRedo(plane);
    planeRedo(plane);
    planeRedo(plane);
    EXPECT_EQ(state(), 6);
    EXPECT_EQ(undoRedoFlags(plane), 1);
}

TEST(UndoRedoMenu, EachFlagEnablesItsItem) {
    EXPECT_FALSE(EnableUndoRedo(0).undo);
    EXPECT_FALSE(EnableUndoRedo(0).redo);
    EXPECT_TRUE(EnableUndoRedo(1).undo);
    EXPECT_FALSE(EnableUndoRedo(1).redo);
    EXPECT_FALSE(EnableUndoRedo(2).undo);
    EXPECT_TRUE(EnableUndoRedo(2).redo);
    EXPECT_TRUE(EnableUndoRedo(3).undo && EnableUndoRedo(3).redo);
}

}  // namespace
