// The cross-section mode on the real windows, offscreen: the main window's
// activation hands the editor's face-on slice over, the editor's activation
// writes the ROI map back into the VOIs, and nothing else is ever written.
#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSlider>
#include <QTest>
#include <numbers>
#include <string>
#include <vector>

#include "analysis/core/reports/report_document.h"
#include "platform/dialogs.h"
#include "platform/testing/temp_dir.h"
#include "vantu/window_composition.h"
#include "volume/forms/volume_editor_window.h"
#include "volume/forms/volume_view.h"
#include "workspace/core/formats/open_rules.h"
#include "workspace/forms/image_info_window.h"
#include "workspace/forms/open_dispatch.h"
#include "workspace/forms/vantu_main_window.h"
#include "workspace/forms/vantu_windows.h"
#include "workspace/tests/forms/qt_test_app.h"

namespace {

constexpr int kWidth = 20, kHeight = 10, kSlices = 3;

class CrossSectionModeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testApplication();
        createVantuWindows();
        resetReportDocuments();
        editor = _VoiEditor;
        main = _vantu;
        // Three 20 x 10 slices whose grey level is 10 x (slice + 1) + x.
        std::vector<std::string> paths;
        for (int z = 0; z < kSlices; ++z) {
            QImage image(kWidth, kHeight, QImage::Format_RGB32);
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    const int v = 10 * (z + 1) + x;
                    image.setPixel(x, y, qRgb(v, v, v));
                }
            paths.push_back(dir.file("s" + std::to_string(z) + ".bmp"));
            image.save(QString::fromStdString(paths.back()), "BMP");
        }
        ASSERT_TRUE(editor->loadVolume(1, paths));
        editor->show();
    }
    void TearDown() override {
        destroyVantuWindows();
        resetReportDocuments();
    }
    std::vector<uint16_t> maskVoxels() const {
        std::vector<uint16_t> all;
        for (const VolumeSlice& slice : editor->mask()->slices)
            all.insert(all.end(), slice.samples.begin(), slice.samples.end());
        return all;
    }
    void fillRoiMap(uint16_t bits) {
        ImagePlane& map = *main->state.RoiMap;
        PlanePushUndo(&map);
        std::fill(map.current, map.current + map.size(), bits);
        main->RenderDisplay();
    }

    platform::testing::TempDir dir;
    platform::ScriptedDialogs dialogs;
    platform::DialogBackendScope scope{dialogs};
    TVoiEditor* editor = nullptr;
    Tvantu* main = nullptr;
};

}  // namespace

TEST_F(CrossSectionModeTest, LookingAlongZHandsOverTheZSliceOnce) {
    EXPECT_TRUE(editor->crossSectionPending());
    editor->TrackBarZ->setValue(2);
    ASSERT_TRUE(editor->handOverCrossSection());
    EXPECT_FALSE(editor->crossSectionPending());

    const WorkspaceState& state = main->state;
    ASSERT_TRUE(state.GreyImage && state.RoiMap);
    EXPECT_EQ(state.GreyImage->width, kWidth);
    EXPECT_EQ(state.GreyImage->height, kHeight);
    EXPECT_EQ(state.ImageWidth, static_cast<uint32_t>(kWidth));
    EXPECT_EQ(state.GreyImage->at(7, 4), Volume3DGetVoxel(*editor->image(), 7, 4, 2));
    EXPECT_EQ(state.ImageMin, 30);
    EXPECT_EQ(state.ImageMax, 49);
    EXPECT_EQ(state.RoiMap->at(0, 0), 0);  // a fresh volume has no VOIs
    EXPECT_EQ(main->windowTitle(), "Vantu - 3D data editing mode");
    EXPECT_EQ(state.ImageFileName, "CrossSection2");
    EXPECT_EQ(main->statusPanel(1)->text(), "CrossSection 2");
    for (const char* item :
         {"Load ROI ...", "Save ROI ...", "&Save as...", "Histogram", "Image Info"})
        EXPECT_TRUE(main->action(item)->isEnabled()) << item;
    EXPECT_TRUE(main->menu("&Analysis")->menuAction()->isEnabled());
    EXPECT_TRUE(_ImageInfoView->memo()->toPlainText().contains("CrossSection2"));
    EXPECT_EQ(main->displayBitmap.width, kWidth);

    // A second activation of the main window before the editor's: nothing
    // new, even with another slice chosen, and the edits stay.
    const uint64_t serial = state.RoiMap->serial;
    fillRoiMap(1);
    editor->TrackBarZ->setValue(0);
    EXPECT_FALSE(editor->handOverCrossSection());
    main->FormActivate();
    EXPECT_EQ(state.RoiMap->serial, serial);
    EXPECT_EQ(state.RoiMap->at(3, 3), 1);
    EXPECT_EQ(state.ImageFileName, "CrossSection2");
}

TEST_F(CrossSectionModeTest, NoHandOverWhileTheEditorIsHiddenOrEmpty) {
    editor->hide();
    EXPECT_FALSE(editor->handOverCrossSection());
    EXPECT_EQ(main->state.GreyImage, nullptr);
    EXPECT_TRUE(editor->crossSectionPending());
    // The editor's activation without a hand-over writes nothing.
    EXPECT_FALSE(editor->takeBackCrossSection());
    EXPECT_TRUE(editor->crossSectionPending());
}

TEST_F(CrossSectionModeTest, TheEditedMapGoesBackIntoTheVoisWithUndo) {
    editor->TrackBarZ->setValue(1);
    ASSERT_TRUE(editor->handOverCrossSection());
    fillRoiMap(1 << 3);  // VOI 4 over the whole slice
    ASSERT_TRUE(editor->takeBackCrossSection());
    EXPECT_TRUE(editor->crossSectionPending());
    EXPECT_EQ(editor->voiCounts()[3], kWidth * kHeight);
    EXPECT_EQ(Volume3DGetVoxelChecked(*editor->mask(), 5, 5, 1), 1 << 3);
    EXPECT_EQ(Volume3DGetVoxelChecked(*editor->mask(), 5, 5, 0), 0);
    // A second activation of the editor takes nothing back.
    EXPECT_FALSE(editor->takeBackCrossSection());

    // The next round hands over the slice with the VOI in it; clearing half
    // of it is the second snapshot, and Undo brings the whole slice back.
    ASSERT_TRUE(editor->handOverCrossSection());
    EXPECT_EQ(main->state.RoiMap->at(19, 9), 1 << 3);
    ImagePlane& map = *main->state.RoiMap;
    for (int y = 0; y < kHeight / 2; ++y)
        for (int x = 0; x < kWidth; ++x) map.at(x, y) = 0;
    ASSERT_TRUE(editor->takeBackCrossSection());
    EXPECT_EQ(editor->voiCounts()[3], kWidth * kHeight / 2);
    ASSERT_TRUE(editor->undoItem->isEnabled());
    editor->UndoClick();
    EXPECT_EQ(editor->voiCounts()[3], kWidth * kHeight);

    // Switching back and forth without an edit leaves the undo history alone.
    editor->RedoClick();
    ASSERT_TRUE(editor->handOverCrossSection());
    ASSERT_TRUE(editor->takeBackCrossSection());
    editor->UndoClick();
    EXPECT_EQ(editor->voiCounts()[3], kWidth * kHeight);
}

TEST_F(CrossSectionModeTest, AYSliceWriteBackChangesOneRowOfEverySlice) {
    // Tipped a quarter turn about x, the view looks along y.
    rotateColumns(editor->view->ViewMatrix, 1, 2, std::numbers::pi / 2);
    editor->TrackBarY->setValue(6);
    ASSERT_TRUE(editor->handOverCrossSection());
    EXPECT_EQ(main->state.RoiMap->width, kWidth);
    EXPECT_EQ(main->state.RoiMap->height, kSlices);
    EXPECT_EQ(main->statusPanel(1)->text(), "CrossSection 6");
    fillRoiMap(1 << 2);
    ASSERT_TRUE(editor->takeBackCrossSection());
    for (int z = 0; z < kSlices; ++z)
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                ASSERT_EQ(Volume3DGetVoxelChecked(*editor->mask(), x, y, z), y == 6 ? 4 : 0)
                    << x << "," << y << "," << z;

    // Along x the plane is the slice count by the height.
    editor->view->ViewMatrix = identityMatrix();
    rotateColumns(editor->view->ViewMatrix, 0, 2, std::numbers::pi / 2);
    ASSERT_TRUE(editor->handOverCrossSection());
    EXPECT_EQ(main->state.RoiMap->width, kHeight);
    EXPECT_EQ(main->state.RoiMap->height, kSlices);
    EXPECT_EQ(main->state.RoiMap->at(6, 1), 4);
}

TEST_F(CrossSectionModeTest, A2DImageLoadedMeanwhileIsNeverWrittenBack) {
    ASSERT_TRUE(editor->handOverCrossSection());
    // A 2D image of the very size of the slice, loaded in the main window:
    // its ROI map (all ROI 1 after the copy) is no slice of this volume.
    QImage picture(kWidth, kHeight, QImage::Format_RGB32);
    picture.fill(qRgb(200, 200, 200));
    const std::string path = dir.file("other.bmp");
    picture.save(QString::fromStdString(path), "BMP");
    fillRoiMap(0xFFFF);
    ASSERT_EQ(LoadImageFile(main, kFormatBitmap, path), 0);
    EXPECT_EQ(main->state.RoiMap->at(0, 0), 0xFFFF);
    const std::vector<uint16_t> before = maskVoxels();
    EXPECT_FALSE(editor->takeBackCrossSection());
    EXPECT_EQ(maskVoxels(), before);
    EXPECT_EQ(editor->voiCounts()[0], 0);
    // The mode goes on: the next activation of the main window shows a slice again.
    EXPECT_TRUE(editor->crossSectionPending());
    EXPECT_TRUE(editor->handOverCrossSection());
    EXPECT_EQ(main->state.ImageFileName, "CrossSection1");
}

TEST_F(CrossSectionModeTest, AVolumeLoadedMeanwhileGetsNothingOfTheOldSlice) {
    ASSERT_TRUE(editor->handOverCrossSection());
    fillRoiMap(1);
    std::vector<std::string> paths;
    for (int z = 0; z < kSlices; ++z) paths.push_back(dir.file("s" + std::to_string(z) + ".bmp"));
    ASSERT_TRUE(editor->loadVolume(1, paths));
    EXPECT_TRUE(editor->crossSectionPending());
    EXPECT_FALSE(editor->takeBackCrossSection());
    EXPECT_EQ(editor->voiCounts()[0], 0);
}

TEST_F(CrossSectionModeTest, AVolumeLoadAsksFirstWhenThe2DRoisAreUnsaved) {
    // The handed-over slice and its edits belong to the VOIs: only they are asked about.
    ASSERT_TRUE(editor->handOverCrossSection());
    fillRoiMap(1);
    ASSERT_TRUE(editor->takeBackCrossSection());
    dialogs.messageAnswers = {platform::MessageResult::No};
    editor->loadImageClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].text.find("VOIs"), std::string::npos);
    ASSERT_EQ(dialogs.fileDialogs.size(), 1u);  // the load dialog, cancelled
    editor->eraseAllRoisClick();
    dialogs.messages.clear();

    // A 2D image with drawn ROIs: Cancel keeps them and loads nothing.
    QImage picture(kWidth, kHeight, QImage::Format_RGB32);
    picture.fill(qRgb(90, 90, 90));
    const std::string image = dir.file("other.bmp");
    picture.save(QString::fromStdString(image), "BMP");
    ASSERT_EQ(LoadImageFile(main, kFormatBitmap, image), 0);
    fillRoiMap(1 << 5);
    dialogs.messageAnswers = {platform::MessageResult::Cancel};
    editor->loadImageClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].buttons, platform::MessageButtons::YesNoCancel);
    EXPECT_EQ(dialogs.fileDialogs.size(), 1u);
    // No gives them up: the load dialog opens.
    dialogs.messageAnswers = {platform::MessageResult::No};
    editor->loadImageClick();
    EXPECT_EQ(dialogs.fileDialogs.back().title, "Load 3D data");
    // Yes with the save cancelled loads nothing; a save done lets the load go on.
    dialogs.messageAnswers = {platform::MessageResult::Yes};
    editor->loadImageClick();
    EXPECT_EQ(dialogs.fileDialogs.back().title, "Save ROI");
    const size_t dialogsBefore = dialogs.fileDialogs.size();
    platform::FileDialogResult save;
    save.accepted = true;
    save.path = dir.file("drawn.roi");
    dialogs.messageAnswers = {platform::MessageResult::Yes};
    dialogs.fileAnswers = {save};
    editor->loadImageClick();
    ASSERT_EQ(dialogs.fileDialogs.size(), dialogsBefore + 2);
    EXPECT_EQ(dialogs.fileDialogs.back().title, "Load 3D data");
    // Saved, they are asked about no more.
    const size_t messagesBefore = dialogs.messages.size();
    editor->loadImageClick();
    EXPECT_EQ(dialogs.messages.size(), messagesBefore);
}

TEST_F(CrossSectionModeTest, ActivatingTheWindowsSwitchesTheMode) {
    // The editor's window counts as active while its owner is (a transient
    // child), so wait for the application's own active window.
    auto activate = [](QWidget* window) {
        window->activateWindow();
        return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; });
    };
    main->show();
    if (!activate(main)) GTEST_SKIP() << "no window activation here";
    EXPECT_FALSE(editor->crossSectionPending());
    EXPECT_EQ(main->windowTitle(), "Vantu - 3D data editing mode");
    ASSERT_TRUE(main->state.RoiMap);
    fillRoiMap(1 << 1);

    ASSERT_TRUE(activate(editor));
    EXPECT_TRUE(editor->crossSectionPending());
    EXPECT_EQ(editor->voiCounts()[1], kWidth * kHeight);

    ASSERT_TRUE(activate(main));
    EXPECT_FALSE(editor->crossSectionPending());
    EXPECT_EQ(main->state.RoiMap->at(4, 4), 1 << 1);
}
