// The real main window, offscreen, with the dialog seam answering.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "analysis/core/maps/feature_map_list.h"
#include "analysis/core/options/analysis_options.h"
#include "analysis/core/reports/report_document.h"
#include "platform/dialogs.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/testing/temp_dir.h"
#include "vantu/window_composition.h"
#include "volume/forms/analysis_3d_options_dialog.h"
#include "volume/forms/voxel_size_dialog.h"
#include "workspace/core/command_line.h"
#include "workspace/forms/open_dispatch.h"
#include "workspace/forms/raw_options_dialog.h"
#include "workspace/forms/splash_window.h"
#include "workspace/forms/vantu_main_window.h"
#include "workspace/forms/vantu_windows.h"
#include "workspace/tests/forms/qt_test_app.h"

using platform::MessageResult;

namespace {

QApplication& application() {
    return testApplication();
}

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        application();
        analysisSettings().reset();
        windows = createVantuWindows();
    }
    void TearDown() override {
        destroyVantuWindows();
        resetReportDocuments();
        resetFeatureMaps();
        analysisSettings().reset();
    }

    platform::testing::ScopedRegistryStore store;
    platform::ScriptedDialogs dialogs;
    platform::DialogBackendScope scope{dialogs};
    std::vector<QWidget*> windows;
};

TEST_F(MainWindowTest, TheNineteenWindowsAreCreatedInTheirOrder) {
    const char* classes[] = {"Tvantu",
                             "TProgress",
                             "TReport",
                             "TImageView",
                             "TRoiRemark",
                             "TImageHeader",
                             "THistogram",
                             "TOptionsClass",
                             "TImageInfoView",
                             "TFormColor",
                             "TVoiEditor",
                             "TOptions",
                             "TImageLoadOptions",
                             "TOpZiarna",
                             "TForm1",
                             "TTransformation",
                             "TRawOptions",
                             "TBlock",
                             "TFFSpace"};
    ASSERT_EQ(windows.size(), std::size(classes));
    for (size_t i = 0; i < windows.size(); ++i)
        EXPECT_STREQ(windows[i]->metaObject()->className(), classes[i]) << i;
    EXPECT_EQ(windows[0], _vantu);
    EXPECT_EQ(_vantu->windowTitle(), "Vantu");
    for (size_t i = 1; i < windows.size(); ++i) EXPECT_TRUE(windows[i]->isHidden()) << i;
}

TEST_F(MainWindowTest, StartsWithoutAnImageAndTheImageCommandsDisabled) {
    EXPECT_FALSE(_vantu->state.GreyImage);
    EXPECT_FALSE(_vantu->state.RoiMap);
    EXPECT_EQ(_vantu->state.ActiveRoi, 1);
    EXPECT_EQ(_vantu->state.DrawColour, 255u);
    EXPECT_EQ(_vantu->state.VisibleRoiMask, 0xFFFFu);
    for (const char* caption :
         {"&Save as...", "Load ROI ...", "Save ROI ...", "Histogram", "Image Info"})
        EXPECT_FALSE(_vantu->action(caption)->isEnabled()) << caption;
    for (const char* caption :
         {"&Load image...", "Raw options...", "Color conversion...", "Run macro...", "Exit",
          "3D Editor", "Report", "Image View", "&Contents", "&About..."})
        EXPECT_TRUE(_vantu->action(caption)->isEnabled()) << caption;
    EXPECT_FALSE(_vantu->menu("&Edit")->menuAction()->isEnabled());
    EXPECT_FALSE(_vantu->menu("&Analysis")->menuAction()->isEnabled());
    EXPECT_FALSE(_vantu->menu("Testy")->menuAction()->isVisible());
    EXPECT_FALSE(_vantu->action("Analiza")->isVisible());
    EXPECT_EQ(_vantu->action("&Load image...")->shortcut(), QKeySequence("Ctrl+L"));
    EXPECT_EQ(_vantu->action("Run")->shortcut(), QKeySequence("Ctrl+A"));
    EXPECT_EQ(_vantu->action("&Redo")->shortcut(), QKeySequence("Shift+Alt+Backspace"));
    EXPECT_EQ(_vantu->action("&About...")->shortcut(), QKeySequence("Ctrl+F1"));

    _vantu->enableImageCommands();
    EXPECT_TRUE(_vantu->action("Histogram")->isEnabled());
    EXPECT_TRUE(_vantu->menu("&Analysis")->menuAction()->isEnabled());
}

TEST_F(MainWindowTest, TheRoiRowHasSixteenPanelPairsInTheirColours) {
    for (int k = 1; k <= kRoiCount; ++k) {
        const auto& pair = _vantu->RoiPanels[static_cast<size_t>(k - 1)];
        EXPECT_EQ(pair.selector->objectName(), QString("Roi%1").arg(k));
        EXPECT_EQ(pair.selector->text(), QString::number(k));
        EXPECT_EQ(pair.indicator->objectName(), QString("Vroi%1").arg(k));
    }
    EXPECT_EQ(_vantu->RoiPanels[0].selector->colour(), 0x0000FFu);  // red
    EXPECT_EQ(_vantu->RoiPanels[15].selector->colour(), 0xC4FF00u);

    _vantu->state.RoiPixelCount[1] = 5;
    _vantu->ShowRoiIndicators();
    EXPECT_EQ(_vantu->RoiPanels[1].indicator->colour(), 0x00FF00u);
    EXPECT_NE(_vantu->RoiPanels[0].indicator->colour(), 0x0000FFu);
}

TEST_F(MainWindowTest, ExitWithoutUnsavedWorkQuitsAtOnceAndWritesTheSettings) {
    _vantu->ExitClick();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(_vantu->quitRequested());
    auto key = platform::RegistryKey::open(platform::Hive::LocalMachine, platform::kOptionsKeyPath);
    ASSERT_TRUE(key.isOpen());
    EXPECT_EQ(key.readDword("RawX"), 256u);
    EXPECT_EQ(key.readDword("3D_ComBpp"), 6u);
    EXPECT_EQ(key.readString("VoxelXSize"), "1.00");
    // The 2D options are written only after the options dialog was confirmed.
    EXPECT_FALSE(key.readDword("Do_co").has_value());
}

TEST_F(MainWindowTest, ExitWithAnUnsavedReportAsksAndCancelKeepsTheProgram) {
    FeatureRecord record{};
    setRecordName(record, "Contrast");
    NewReportDocument(1, &record, "header", "run");
    dialogs.messageAnswers = {MessageResult::Cancel};
    _vantu->close();  // closing the window takes the same road
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Warning");
    EXPECT_EQ(dialogs.messages[0].text, "Report or image not saved!\r\nClose anyway?");
    EXPECT_EQ(dialogs.messages[0].buttons, platform::MessageButtons::OkCancel);
    EXPECT_EQ(dialogs.messages[0].defaultButton, 1);
    EXPECT_FALSE(_vantu->quitRequested());
    EXPECT_FALSE(
        platform::RegistryKey::open(platform::Hive::LocalMachine, platform::kOptionsKeyPath)
            .readDword("RawX")
            .has_value());

    dialogs.messageAnswers = {MessageResult::Ok};
    _vantu->ExitClick();
    EXPECT_TRUE(_vantu->quitRequested());
}

TEST_F(MainWindowTest, AnUnsavedFeatureMapAlsoAsks) {
    double values[4] = {1, 2, 3, 4};
    AddFeatureMap("Contrast", values, 2, 2);
    dialogs.messageAnswers = {MessageResult::Cancel};
    _vantu->ExitClick();
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_FALSE(_vantu->quitRequested());
}

TEST_F(MainWindowTest, AnOptionsFileRoundTripChangesOnlyTheKeysPresent) {
    platform::testing::TempDir dir;
    std::string path = dir.write(
        "study.ini", "; my study\r\n[Vantu_DRIM]\r\nNg_vt=5\r\n3D_ComBpp=8\r\nVoxelZSize=2.50\r\n");
    analysisSettings().options.Do_co = 0;
    dialogs.fileAnswers.push_back({true, path, 1});
    _vantu->Loadoptions1Click();
    ASSERT_EQ(dialogs.fileDialogs.size(), 1u);
    EXPECT_EQ(dialogs.fileDialogs[0].title, "Load Options");
    EXPECT_EQ(dialogs.fileDialogs[0].filter, "Options (*.ini)|*.ini");
    EXPECT_TRUE(dialogs.fileDialogs[0].mustExist);
    EXPECT_EQ(_vantu->state.IgnoreMouse, 1);
    EXPECT_EQ(analysisSettings().options.Ng_vt, 5);
    EXPECT_EQ(analysisSettings().options.Do_co, 0);  // missing key: kept
    EXPECT_EQ(_Options->values.ComBpp, 8);
    EXPECT_EQ(_ImageLoadOptions->values.VoxelZSize, 2.5);
    EXPECT_EQ(_ImageLoadOptions->values.VoxelYSize, 1.0);  // a missing size becomes 1.0

    dialogs.fileAnswers.push_back({true, path, 1});
    _vantu->Saveoptions1Click();
    EXPECT_TRUE(dialogs.fileDialogs[1].overwritePrompt);
    platform::IniFile saved;
    ASSERT_TRUE(saved.load(path));
    EXPECT_EQ(saved.getInt("Vantu_DRIM", "Do_co", 7), 0);
    EXPECT_EQ(saved.getInt("Vantu_DRIM", "Ng_vt", 7), 5);
    EXPECT_EQ(saved.getString("Vantu_DRIM", "VoxelZSize", ""), "2.50");
    EXPECT_EQ(saved.getInt("Vantu_DRIM", "Sg_threshold", -1), 58);
    EXPECT_FALSE(saved.hasKey("Vantu_DRIM", "RawX"));
    EXPECT_EQ(saved.text().rfind("; my study\r\n", 0), 0u);
}

TEST_F(MainWindowTest, OptionsOutsideTheDialogsRangesAreNamedInOneMessage) {
    platform::testing::TempDir dir;
    const std::string path =
        dir.write("odd.ini",
                  "[Vantu_DRIM]\r\nDo_co=2\r\nNg_vt=3\r\nMask_y=4\r\nStep_x=65\r\n"
                  "3D_ComBpp=9\r\nSg_GrainsPerRoi=0\r\nSg_Units=0\r\n");
    dialogs.fileAnswers.push_back({true, path, 1});
    _vantu->Loadoptions1Click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "Options outside the ranges of their dialogs:\r\nNg_vt=3 is used as 8\r\n"
              "Mask_y=4 is used as 5\r\nStep_x=65 is used as 64\r\n3D_ComBpp=9 is used as 4\r\n"
              "Sg_GrainsPerRoi=0 is used as 1\r\nSg_Units=0.00 is used as 0.01");
    // The file is read as it is: a save writes back what it holds.
    EXPECT_EQ(analysisSettings().options.Mask_y, 4);

    // Named in the order the file lists them, across the groups too.
    dir.write("odd.ini", "[Vantu_DRIM]\r\nSg_Units=0\r\nMask_y=3\r\n3D_ComBpp=9\r\nNg_vt=3\r\n");
    dialogs.fileAnswers.push_back({true, path, 1});
    _vantu->Loadoptions1Click();
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[1].text,
              "Options outside the ranges of their dialogs:\r\nSg_Units=0.00 is used as 0.01\r\n"
              "Mask_y=3 is used as 5\r\n3D_ComBpp=9 is used as 4\r\nNg_vt=3 is used as 8");
    dialogs.messages.pop_back();

    // A file within the ranges says nothing.
    dir.write("odd.ini", "[Vantu_DRIM]\r\nMask_y=5\r\n");
    dialogs.fileAnswers.push_back({true, path, 1});
    _vantu->Loadoptions1Click();
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

TEST_F(MainWindowTest, CancellingTheOptionsDialogChangesNothing) {
    _vantu->Loadoptions1Click();
    EXPECT_EQ(analysisSettings().options.Ng_vt, 6);
    _vantu->Saveoptions1Click();
    EXPECT_EQ(dialogs.fileDialogs.size(), 2u);
}

TEST_F(MainWindowTest, PluginsBecomeToolsItemsNamedAfterTheirFiles) {
    QMenu* tools = _vantu->menu("&Tools");
    platform::testing::TempDir dir;
    _vantu->ScanPlugins(dir.path());
    EXPECT_FALSE(tools->menuAction()->isVisible());
    dir.write("b.plugin", "End\n");
    dir.write("Texture study.plugin", "End\n");
    dir.write("notes.txt", "");
    _vantu->ScanPlugins(dir.path());
    EXPECT_TRUE(tools->menuAction()->isVisible());
    QStringList captions;
    for (QAction* item : tools->actions()) captions << item->text();
    EXPECT_EQ(captions, QStringList({"Texture study", "b"}));
}

TEST_F(MainWindowTest, OnlyTheFirstDroppedFileIsOpenedAndLongNamesAreIgnored) {
    EXPECT_EQ(_vantu->dropFiles({"/no/such/a.png", "/no/such/b.png"}), 0);
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Invalid image file format (Drag-drop)");
    EXPECT_EQ(_vantu->dropFiles({QString(2046, 'a')}), 0);
    EXPECT_EQ(_vantu->dropFiles({}), 0);
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

TEST_F(MainWindowTest, RunWithoutAnImageSaysSo) {
    _vantu->Run1Click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_EQ(dialogs.messages[0].text, "Cannot start analysis. Load image first.");
}

TEST_F(MainWindowTest, ViewItemsToggleTheirWindows) {
    QAction* report = _vantu->action("Report");
    report->trigger();
    EXPECT_FALSE(reinterpret_cast<QWidget*>(_Report)->isHidden());
    EXPECT_TRUE(report->isChecked());
    report->trigger();
    EXPECT_TRUE(reinterpret_cast<QWidget*>(_Report)->isHidden());
    EXPECT_FALSE(report->isChecked());
}

TEST(CommandLine, OnlyTextsOfThreeOrMoreCharactersAreOpened) {
    EXPECT_FALSE(commandLineFile({}).has_value());
    EXPECT_FALSE(commandLineFile({"ab"}).has_value());
    EXPECT_EQ(commandLineFile({"a.b"}), "a.b");
    EXPECT_EQ(commandLineFile({"/data/my", "scan.dcm"}), "/data/my scan.dcm");
    EXPECT_EQ(pathWithoutQuotes("\"/data/my scan.dcm\" x"), "/data/my scan.dcm");
    EXPECT_EQ(pathWithoutQuotes("\"/data/open"), "/data/open");
    EXPECT_EQ(pathWithoutQuotes("/plain.bmp"), "/plain.bmp");
}

TEST(Splash, TheStartUpPopupIgnoresInputUntilItsTimerThenTheAboutBoxClosesOnAClick) {
    application();
    SplashState = 1;
    auto* splash = new SplashWindow;
    QPointer<SplashWindow> guard(splash);
    splash->show();
    QTest::mouseClick(splash, Qt::LeftButton);
    EXPECT_FALSE(guard.isNull());
    EXPECT_TRUE(splash->isVisible());
    QElapsedTimer clock;
    clock.start();
    while (!guard.isNull() && clock.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_TRUE(guard.isNull());
    EXPECT_EQ(SplashState, 2);

    auto* about = new SplashWindow;  // the About box
    QPointer<SplashWindow> aboutGuard(about);
    about->show();
    QTest::keyClick(about, Qt::Key_Space);
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(aboutGuard.isNull());
}

}  // namespace
