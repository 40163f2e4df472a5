// The volume editor on the real windows, offscreen, with the dialog seam
// answering: loads, panels and slice controls, draw modes, erase with undo
// and redo, VOI files and the 3D analysis run.
#include "volume/forms/volume_editor_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "analysis/core/reports/report_document.h"
#include "platform/dialogs.h"
#include "platform/testing/temp_dir.h"
#include "vantu/window_composition.h"
#include "volume/core/files/bmf_volume.h"
#include "volume/forms/analysis_3d_options_dialog.h"
#include "volume/forms/volume_view.h"
#include "workspace/forms/raw_options_dialog.h"
#include "workspace/forms/vantu_main_window.h"
#include "workspace/forms/vantu_windows.h"
#include "workspace/tests/forms/qt_test_app.h"

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class VolumeEditorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testApplication();
        createVantuWindows();
        resetReportDocuments();
        editor = _VoiEditor;
    }
    void TearDown() override {
        destroyVantuWindows();
        resetReportDocuments();
    }
    // Three grey bitmaps of 20 x 10, named so that their order is c, a, b.
    std::vector<std::string> series() {
        std::vector<std::string> paths;
        for (const char* name : {"c.bmp", "a.bmp", "b.bmp"}) {
            QImage image(20, 10, QImage::Format_RGB32);
            image.fill(qRgb(name[0] * 2, name[0] * 2, name[0] * 2));
            paths.push_back(dir.file(name));
            image.save(QString::fromStdString(paths.back()), "BMP");
        }
        return paths;
    }
    platform::testing::TempDir dir;
    platform::ScriptedDialogs dialogs;
    platform::DialogBackendScope scope{dialogs};
    TVoiEditor* editor = nullptr;
};

}  // namespace

TEST_F(VolumeEditorTest, WithoutAVolumeOnlyLoadingActs) {
    EXPECT_FALSE(editor->saveAsItem->isEnabled());
    EXPECT_FALSE(editor->TrackBarX->isEnabled());
    EXPECT_FALSE(editor->editMenu->isEnabled());
    editor->eraseAllRoisClick();  // nothing to do, nothing happens
    editor->runAnalysisClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Cannot start analysis. Load image and create VOI first.");
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
}

TEST_F(VolumeEditorTest, EveryMenuHasItsOwnAltKeyAndEveryToolButtonNamesItsTool) {
    std::set<QChar> keys;
    for (QAction* menu : editor->MainMenu1->actions()) {
        if (!menu->isVisible()) continue;
        const qsizetype amp = menu->text().indexOf('&');
        ASSERT_GE(amp, 0) << menu->text().toStdString();
        EXPECT_TRUE(keys.insert(menu->text().at(amp + 1).toLower()).second)
            << menu->text().toStdString();
    }
    EXPECT_EQ(keys.size(), 4u);  // File, Edit, Analysis, Help
    // The editor's own buttons (the menu bar's overflow arrow is Qt's).
    for (const QToolButton* button : editor->findChildren<QToolButton*>()) {
        if (qobject_cast<QMenuBar*>(button->parent())) continue;
        EXPECT_FALSE(button->toolTip().trimmed().isEmpty()) << button->text().toStdString();
    }
}

TEST_F(VolumeEditorTest, ALoadSortsTheSeriesAndSetsUpTheControls) {
    ASSERT_TRUE(editor->loadVolume(1, series()));
    const Volume3D* image = editor->image();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->sliceCount, 3);
    EXPECT_EQ(image->maxWidth, 20);
    // a.bmp, the alphabetically first, is slice 0.
    EXPECT_LT(Volume3DGetVoxelChecked(*image, 0, 0, 0), Volume3DGetVoxelChecked(*image, 0, 0, 2));
    EXPECT_EQ(editor->TrackBarX->maximum(), 19);
    EXPECT_EQ(editor->TrackBarX->value(), 10);
    EXPECT_EQ(editor->TrackBarZ->value(), 1);
    EXPECT_EQ(editor->EditY->text(), "5");
    EXPECT_TRUE(editor->saveAsItem->isEnabled());
    EXPECT_TRUE(editor->view->sliceShown(SliceAxis::Z));

    // Typing past the end shows the last slice and moves the bar.
    editor->EditZ->setText("999");
    editor->SliceZToGL();
    EXPECT_EQ(editor->EditZ->text(), "2");
    EXPECT_EQ(editor->TrackBarZ->value(), 2);
    // Unchecking Y removes only that slice.
    editor->CheckBoxY->setChecked(false);
    EXPECT_FALSE(editor->view->sliceShown(SliceAxis::Y));
    EXPECT_TRUE(editor->view->sliceShown(SliceAxis::X));
}

TEST_F(VolumeEditorTest, DrawModesEraseUndoRedoAndVoiFiles) {
    ASSERT_TRUE(editor->loadVolume(1, series()));
    editor->OverlapButton->click();
    EXPECT_TRUE(editor->OverlapButton->isChecked());
    EXPECT_FALSE(editor->NonoverlapButton->isChecked());
    editor->RoiClick(2);
    EXPECT_EQ(editor->drawMode().orValue, 2);
    EXPECT_EQ(editor->drawMode().andMask, 0xFFFF);

    // VOIs 1 and 2 in some voxels, as a fill would make them.
    Volume3D& mask = *editor->mask();
    for (int x = 0; x < 5; ++x) Volume3DSetVoxel(mask, x, 2, 1, 3);
    editor->maskChanged(true);
    EXPECT_EQ(editor->voiCounts()[0], 5);
    EXPECT_EQ(editor->voiCounts()[1], 5);
    editor->eraseActiveRoiClick();  // VOI 2
    EXPECT_EQ(editor->voiCounts()[1], 0);
    EXPECT_EQ(editor->voiCounts()[0], 5);
    editor->UndoClick();
    EXPECT_EQ(editor->voiCounts()[1], 5);
    editor->RedoClick();
    EXPECT_EQ(editor->voiCounts()[1], 0);

    // Save and load the VOIs; the loaded file names the next save.
    editor->names()[0] = "lesion";
    platform::FileDialogResult save;
    save.accepted = true;
    save.path = dir.file("vois.voi");
    dialogs.fileAnswers.push_back(save);
    editor->SaveRoiClick();
    editor->eraseAllRoisClick();
    EXPECT_EQ(editor->voiCounts()[0], 0);
    dialogs.fileAnswers.push_back(save);
    editor->LoadRoiClick();
    EXPECT_EQ(editor->voiCounts()[0], 5);
    EXPECT_EQ(editor->names()[0], "lesion");
    editor->UndoClick();  // back to the erased mask, from a snapshot
    EXPECT_EQ(editor->voiCounts()[0], 0);
    dialogs.fileAnswers.push_back({});
    editor->SaveRoiClick();
    EXPECT_EQ(dialogs.fileDialogs.back().fileName, dir.file("vois.voi"));
}

TEST_F(VolumeEditorTest, TheFirstEditAfterALoadCanBeUndone) {
    ASSERT_TRUE(editor->loadVolume(1, series()));
    EXPECT_FALSE(editor->undoItem->isEnabled());
    Volume3DSetVoxel(*editor->mask(), 1, 1, 1, 1);
    editor->maskChanged(true);
    ASSERT_TRUE(editor->undoItem->isEnabled());
    editor->UndoClick();
    EXPECT_EQ(editor->voiCounts()[0], 0);
    EXPECT_FALSE(editor->undoItem->isEnabled());
    EXPECT_TRUE(editor->redoItem->isEnabled());
}

TEST_F(VolumeEditorTest, UndoAndRedoKeepTheNamesGivenBeforeTheEditUndone) {
    ASSERT_TRUE(editor->loadVolume(1, series()));
    Volume3D& mask = *editor->mask();
    Volume3DSetVoxel(mask, 1, 1, 1, 1);
    editor->maskChanged(true);
    Volume3DSetVoxel(mask, 4, 4, 1, 2);
    editor->maskChanged(true);
    editor->renameVoi(1, "lesion");
    editor->renameVoi(2, "liver");
    // VOI 2 moved: one voxel elsewhere.
    Volume3DSetVoxel(mask, 4, 4, 1, 0);
    Volume3DSetVoxel(mask, 6, 4, 1, 2);
    editor->maskChanged(true);
    editor->UndoClick();
    EXPECT_EQ(Volume3DGetVoxel(mask, 4, 4, 1), 2);
    EXPECT_EQ(editor->names()[0], "lesion");
    EXPECT_EQ(editor->names()[1], "liver");
    editor->RedoClick();
    EXPECT_EQ(Volume3DGetVoxel(mask, 6, 4, 1), 2);
    EXPECT_EQ(editor->names()[1], "liver");
    // Back before the naming, the names are empty again.
    editor->UndoClick();
    editor->UndoClick();
    EXPECT_EQ(editor->names()[0], "");
    // A rename there leaves nothing to redo that would bring the old names back.
    editor->renameVoi(1, "spleen");
    EXPECT_FALSE(editor->redoItem->isEnabled());
    editor->UndoClick();
    EXPECT_EQ(editor->voiCounts()[0], 0);
    editor->RedoClick();
    EXPECT_EQ(editor->names()[0], "spleen");
}

TEST_F(VolumeEditorTest, UnsavedVoisAreAskedAboutBeforeALoadTheCloseOrTheEnd) {
    using platform::MessageResult;
    ASSERT_TRUE(editor->loadVolume(1, series()));
    editor->show();
    QAction* loadItem = nullptr;
    for (QAction* item : editor->findChildren<QAction*>())
        if (item->shortcut() == QKeySequence("Ctrl+L")) loadItem = item;
    ASSERT_NE(loadItem, nullptr);
    // No VOI drawn: nothing to ask.
    loadItem->trigger();
    EXPECT_TRUE(dialogs.messages.empty());
    ASSERT_EQ(dialogs.fileDialogs.size(), 1u);

    Volume3DSetVoxel(*editor->mask(), 2, 2, 1, 1);
    editor->maskChanged(true);
    // Cancel, before any load dialog, keeps the VOIs, the editor and the program.
    dialogs.messageAnswers = {MessageResult::Cancel, MessageResult::Cancel, MessageResult::Cancel,
                              MessageResult::Cancel};
    loadItem->trigger();
    editor->LoadRoiClick();
    editor->close();
    _vantu->close();
    ASSERT_EQ(dialogs.messages.size(), 4u);
    EXPECT_EQ(dialogs.messages[0].buttons, platform::MessageButtons::YesNoCancel);
    EXPECT_EQ(dialogs.messages[0].text,
              "The VOIs are not saved, and a loaded volume replaces them.\r\nSave them first?");
    EXPECT_EQ(dialogs.fileDialogs.size(), 1u);
    EXPECT_EQ(editor->voiCounts()[0], 1);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_FALSE(_vantu->quitRequested());

    // Yes goes through Save ROI: cancelled there, nothing is dropped.
    dialogs.messageAnswers = {MessageResult::Yes};
    loadItem->trigger();
    EXPECT_EQ(dialogs.fileDialogs.back().title, "Save ROI");
    EXPECT_EQ(dialogs.fileDialogs.size(), 2u);
    platform::FileDialogResult save;
    save.accepted = true;
    save.path = dir.file("kept.voi");
    dialogs.messageAnswers = {MessageResult::Yes};
    dialogs.fileAnswers = {save};
    loadItem->trigger();
    EXPECT_EQ(dialogs.fileDialogs.back().title, "Load 3D data");
    // Saved, the VOIs are asked about no more; a rename makes them unsaved again.
    const size_t asked = dialogs.messages.size();
    editor->close();
    EXPECT_EQ(dialogs.messages.size(), asked);
    editor->show();
    editor->renameVoi(1, "lesion");
    dialogs.messageAnswers = {MessageResult::No};
    editor->close();
    EXPECT_EQ(dialogs.messages.size(), asked + 1);
    EXPECT_FALSE(editor->isVisible());
    // Given up with the editor closed, they are not asked about at the end.
    _vantu->ExitClick();
    EXPECT_EQ(dialogs.messages.size(), asked + 1);
    EXPECT_TRUE(_vantu->quitRequested());
}

TEST_F(VolumeEditorTest, ATypedNameOpensAsTheKindItsExtensionNames) {
    ASSERT_TRUE(editor->loadVolume(1, series()));
    ASSERT_EQ(saveBmfVolume(*editor->image(), VoxelSizes{}, dir.file("stack.BMF")),
              VolumeSaveStatus::Ok);
    platform::FileDialogResult answer;
    answer.accepted = true;
    answer.path = dir.file("stack.BMF");
    answer.filterIndex = 1;  // the bitmap filter left as it was
    dialogs.fileAnswers.push_back(answer);
    editor->loadImageClick();
    ASSERT_NE(editor->image(), nullptr);
    EXPECT_EQ(editor->image()->slices.size(), 3u);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(VolumeEditorTest, SaveRoiWritesTheKindChosen) {
    ASSERT_TRUE(editor->loadVolume(1, series()));
    Volume3DSetVoxel(*editor->mask(), 3, 2, 1, 1);
    editor->maskChanged(true);
    // A bare name takes the chosen kind's extension.
    for (const auto& [name, kind] :
         std::vector<std::pair<std::string, int>>{{"list", 2}, {"mask.bmf", 3}, {"vois", 1}}) {
        platform::FileDialogResult answer;
        answer.accepted = true;
        answer.path = dir.file(name);
        answer.filterIndex = kind;
        dialogs.fileAnswers.push_back(answer);
        editor->SaveRoiClick();
    }
    const platform::FileDialogRequest& asked = dialogs.fileDialogs.front();
    EXPECT_EQ(asked.title, "Save ROI");
    EXPECT_EQ(asked.fileName, "new.voi");
    EXPECT_EQ(asked.filter,
              "Regions of interest (*.voi)|*.voi|Text file (*.txt)|*.txt|Export as bmf "
              "(*.bmf)|*.bmf");
    const std::string text = readFile(dir.file("list.txt"));
    EXPECT_EQ(text.substr(0, 10), "\r\nRoi #1\r\n");
    EXPECT_NE(text.find("3\t2\t1\t"), std::string::npos);
    EXPECT_EQ(readFile(dir.file("mask.bmf")).substr(0, 2), "BM");
    EXPECT_EQ(readFile(dir.file("vois.voi")).substr(0, 12), "KWL_VOI_2006");
    EXPECT_TRUE(dialogs.messages.empty());
    // Names typed with an export's extension, the filter left at .voi.
    for (const char* name : {"typed.TXT", "typed.bmf"}) {
        platform::FileDialogResult answer;
        answer.accepted = true;
        answer.path = dir.file(name);
        answer.filterIndex = 1;
        dialogs.fileAnswers.push_back(answer);
        editor->SaveRoiClick();
    }
    EXPECT_EQ(readFile(dir.file("typed.TXT")).substr(0, 10), "\r\nRoi #1\r\n");
    EXPECT_EQ(readFile(dir.file("typed.bmf")).substr(0, 2), "BM");

    dialogs.fileAnswers.push_back({});
    editor->LoadRoiClick();
    EXPECT_EQ(dialogs.fileDialogs.back().title, "Load ROI");
    EXPECT_EQ(dialogs.fileDialogs.back().filter, "Regions of interest (*.voi)|*.voi");
}

TEST_F(VolumeEditorTest, RunningTheAnalysisMakesAReport) {
    ASSERT_TRUE(editor->loadVolume(1, series()));
    Volume3D& mask = *editor->mask();
    for (int z = 0; z < 3; ++z)
        for (int y = 2; y < 8; ++y)
            for (int x = 3; x < 12; ++x) Volume3DSetVoxel(mask, x, y, z, 1);
    editor->maskChanged(true);
    editor->runAnalysisClick();
    ReportDocument* document = NthReportDocument(0);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->recordCount(), 101);  // the default 3D options
}

TEST_F(VolumeEditorTest, RawOptionsHideTheImageNumberAndTheMainWindowShowsItAgain) {
    // The editor's boxes, created under the main window, open in front of the
    // editor and go back to the main window afterwards.
    bool reloadShown = true;
    QWidget* owner = nullptr;
    QTimer::singleShot(0, _RawOptions, [&] {
        reloadShown = _RawOptions->autoReloadBox()->isVisible();
        owner = _RawOptions->parentWidget();
        _RawOptions->reject();
    });
    editor->rawOptionsClick();
    EXPECT_FALSE(reloadShown);
    EXPECT_EQ(owner, editor);
    EXPECT_EQ(_RawOptions->parentWidget(), _vantu);
    QTimer::singleShot(0, _Options, [&] {
        owner = _Options->parentWidget();
        _Options->reject();
    });
    editor->analysisOptionsClick();
    EXPECT_EQ(owner, editor);
    QTimer::singleShot(0, _RawOptions, [&] {
        reloadShown = _RawOptions->autoReloadBox()->isVisible();
        _RawOptions->reject();
    });
    _RawOptions->showForMainWindow();
    EXPECT_TRUE(reloadShown);
}
