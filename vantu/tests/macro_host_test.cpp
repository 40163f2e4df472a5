// Macros on the real main window, offscreen: the commands reach the image,
// the analysis, the report window and the files; "Run macro...", dropped
// ".txt" files and plug-ins all run them.
#include "analysis/forms/macro_host.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QTabBar>
#include <filesystem>

#include "analysis/core/maps/bmf_file.h"
#include "analysis/core/maps/feature_map_list.h"
#include "analysis/core/options/analysis_options.h"
#include "analysis/core/reports/report_document.h"
#include "analysis/forms/report_window.h"
#include "platform/dialogs.h"
#include "platform/testing/temp_dir.h"
#include "vantu/window_composition.h"
#include "workspace/core/formats/image_writers.h"
#include "workspace/forms/open_dispatch.h"
#include "workspace/forms/vantu_main_window.h"
#include "workspace/forms/vantu_windows.h"
#include "workspace/tests/forms/qt_test_app.h"

namespace fs = std::filesystem;

namespace {

class MacroHostTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testApplication();
        analysisSettings().reset();
        createVantuWindows();
        saved = fs::current_path();
        fs::current_path(dir.path());
        fs::create_directory(dir.file("out"));
        // A 32 x 32 grey ramp with some texture.
        PlanePtr plane = newPlane(32, 32);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                plane->current[x + y * 32] =
                    static_cast<uint16_t>((x * 7 + y * 3 + (x ^ y)) & 0xFF);
        dir.write("scan.bmp", encodeGreyBitmap(*plane, 8));
    }
    void TearDown() override {
        fs::current_path(saved);
        destroyVantuWindows();
        resetReportDocuments();
        resetFeatureMaps();
        analysisSettings().reset();
    }
    bool exists(const std::string& name) const { return fs::exists(dir.file(name)); }

    platform::testing::ScopedRegistryStore store;
    platform::testing::TempDir dir;
    fs::path saved;
    platform::ScriptedDialogs dialogs;
    platform::DialogBackendScope scope{dialogs};
};

TEST_F(MacroHostTest, AMacroLoadsAnalysesSavesAndExits) {
    dir.write("run.txt",
              "; the whole road, as a user would write it\r\n"
              "LoadImage scan.bmp\r\n"
              "RenameRoi 1 tissue sample\r\n"
              "ForcePrefix ab\r\n"
              "RunAnalysis\r\n"
              "SaveReport out/r.par\r\n"
              "SaveSelected out/s.sel\r\n"
              "SaveImage out/copy.raw\r\n"
              "; the report is not there yet while the macro is checked\r\n"
              "TestEnd\r\n"
              "LoadReport out/r.par\r\n"
              "CloseReport\r\n"
              "ColorChannel g\r\n"
              "Exit\r\n"
              "SaveReport out/never.par\r\n");
    EXPECT_EQ(OpenFileByExtension(_vantu, dir.file("run.txt")), 15);
    for (const auto& message : dialogs.messages) ADD_FAILURE() << message.text;
    EXPECT_TRUE(dialogs.messages.empty());

    EXPECT_EQ(_vantu->state.ImageFileName, "scan.bmp");
    EXPECT_EQ(_vantu->state.RoiNames[0], "tissue sample");
    EXPECT_EQ(_vantu->RoiPanels[0].selector->toolTip(), "tissue sample");
    EXPECT_EQ(_vantu->state.FeaturePrefix, "ab");
    // ColorChannel switched the forced prefix off.
    EXPECT_EQ(_vantu->state.ColorMode, 2u);
    EXPECT_FALSE(_vantu->state.ForcedPrefixOn);
    EXPECT_EQ(_vantu->state.ForcedPrefix, "");

    // The report was saved (and its tab renamed), the loaded copy closed again.
    ASSERT_EQ(reportDocumentCount(), 1);
    ReportDocument* report = NthReportDocument(0);
    EXPECT_EQ(report->name, "r.par");
    EXPECT_NE(report->saved, 0u);
    EXPECT_EQ(_Report->tabControl()->tabText(0), "r.par");
    EXPECT_TRUE(_Report->isVisible());
    const std::string par = dir.read("out/r.par");
    EXPECT_NE(par.find("Clnm1\ttissue sample\r\n"), std::string::npos);
    EXPECT_NE(par.find("\r\nab"), std::string::npos);  // records named with the forced prefix
    EXPECT_EQ(dir.read("out/s.sel").substr(0, 8), "*label\r\n");
    EXPECT_EQ(dir.read("out/copy.raw").size(), 32u * 32u * 2u);

    // Exit ended the program and the macro with it.
    EXPECT_TRUE(_vantu->quitRequested());
    EXPECT_FALSE(exists("out/never.par"));
}

TEST_F(MacroHostTest, AReloadedReportSavesAsItWasSaved) {
    dir.write("trip.txt",
              "LoadImage scan.bmp\nRunAnalysis\nSaveReport out/a.par\nTestEnd\n"
              "LoadReport out/a.par\nSaveReport out/b.par\n"
              "LoadReport out/b.par\nSaveReport out/c.par\n");
    OpenFileByExtension(_vantu, dir.file("trip.txt"));
    for (const auto& message : dialogs.messages) ADD_FAILURE() << message.text;
    const std::string a = dir.read("out/a.par");
    ASSERT_FALSE(a.empty());
    // Only the empty header line after the bit depth is lost, as empty header
    // lines always are on reading; from then on the file is a fixed point.
    std::string expected = a;
    const size_t blank = expected.find("Bits/pixel: 8\r\n\r\n");
    ASSERT_NE(blank, std::string::npos);
    expected.erase(blank + 15, 2);
    EXPECT_EQ(dir.read("out/b.par"), expected);
    EXPECT_EQ(dir.read("out/c.par"), expected);
}

TEST_F(MacroHostTest, AFailedLoadOrSaveStopsTheMacroBeforeAWrongResultIsMade) {
    // A ROI file that cannot be read: no analysis of the whole image, no
    // report saved under the user's name.
    dir.write("broken.roi", "not a ROI file");
    dir.write("rois.txt",
              "LoadImage scan.bmp\nLoadROI broken.roi\nRunAnalysis\nSaveReport out/r.par\n");
    EXPECT_EQ(OpenFileByExtension(_vantu, dir.file("rois.txt")), 0);
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages.back().caption, "Error");
    EXPECT_EQ(dialogs.messages.back().text, macroFailureText("LoadROI", "broken.roi", 2));
    EXPECT_EQ(reportDocumentCount(), 0);
    EXPECT_FALSE(exists("out/r.par"));

    // Saving without a report, and into a folder that does not exist after
    // the check: each says why, then names the line.
    dialogs.messages.clear();
    dir.write("save.txt", "SaveReport out/r.par\nRunAnalysis\n");
    EXPECT_EQ(OpenFileByExtension(_vantu, dir.file("save.txt")), 0);
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[1].text, macroFailureText("SaveReport", "out/r.par", 1));
    EXPECT_EQ(reportDocumentCount(), 0);

    dialogs.messages.clear();
    dir.write("image.txt", "LoadImage scan.bmp\nTestEnd\nSaveImage nowhere/copy.bmp\nExit\n");
    EXPECT_EQ(OpenFileByExtension(_vantu, dir.file("image.txt")), 0);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, macroFailureText("SaveImage", "nowhere/copy.bmp", 3));
    EXPECT_FALSE(_vantu->quitRequested());

    // A missing option file after "TestEnd" (the check would have caught it).
    dialogs.messages.clear();
    dir.write("opts.txt", "TestEnd\nLoadOptions gone.ini\n");
    EXPECT_EQ(OpenFileByExtension(_vantu, dir.file("opts.txt")), 0);
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[1].text, macroFailureText("LoadOptions", "gone.ini", 2));
}

TEST_F(MacroHostTest, RunMacroAsksForTheFileAndRunsIt) {
    dir.write("names.txt", "RenameRoi 5 from the menu\n");
    dialogs.fileAnswers.push_back({true, dir.file("names.txt"), 1});
    _vantu->action("Run macro...")->trigger();
    ASSERT_EQ(dialogs.fileDialogs.size(), 1u);
    const platform::FileDialogRequest& request = dialogs.fileDialogs[0];
    EXPECT_EQ(request.kind, platform::FileDialogKind::Open);
    EXPECT_EQ(request.title, "Run macro");
    EXPECT_EQ(request.filter, "Vantu macro file (*.txt)|*.txt|All files|*.*");
    EXPECT_EQ(request.defaultExtension, ".txt");
    EXPECT_TRUE(request.mustExist);
    EXPECT_EQ(_vantu->state.RoiNames[4], "from the menu");

    // Cancelled: nothing runs.
    _vantu->state.RoiNames[4].clear();
    _vantu->action("Run macro...")->trigger();
    EXPECT_EQ(_vantu->state.RoiNames[4], "");
}

TEST_F(MacroHostTest, ADroppedMacroRunsAndItsErrorsAreListed) {
    EXPECT_EQ(_vantu->dropFiles({QString::fromStdString(dir.write("bad.TXT",
                                                                  "LoadImage gone.bmp\n"
                                                                  "Bogus\n"))}),
              0);  // the macro never ran
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_EQ(dialogs.messages[0].text,
              "Analysis ABORTED:\r\nFile \"gone.bmp\" is missing. Line 1\r\n"
              "Unknown command \"Bogus\" in line 2\r\n");
    EXPECT_FALSE(_vantu->state.GreyImage);
}

TEST_F(MacroHostTest, PluginsRunFromTheToolsMenuWhateverTheirNames) {
    platform::testing::TempDir plugins;
    plugins.write("R&D.plugin", "RenameRoi 2 research\n");
    plugins.write("Upper.PLUGIN", "RenameRoi 3 upper\n");
    _vantu->ScanPlugins(plugins.path());
    QMenu* tools = _vantu->menu("&Tools");
    ASSERT_EQ(tools->actions().size(), 2);
    EXPECT_EQ(tools->actions()[0]->text(), "R&&D");  // shown as "R&D"
    for (QAction* item : tools->actions()) item->trigger();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(_vantu->state.RoiNames[1], "research");
    EXPECT_EQ(_vantu->state.RoiNames[2], "upper");
}

TEST_F(MacroHostTest, AMacroThatLoadsItselfIsRefusedAndStops) {
    dir.write("loop.txt", "RenameRoi 7 ran\nLoadImage loop.txt\nRenameRoi 8 after\n");
    EXPECT_EQ(OpenFileByExtension(_vantu, "loop.txt"), 0);
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text, macroAlreadyRunningText("loop.txt"));
    EXPECT_EQ(dialogs.messages[1].text, macroFailureText("LoadImage", "loop.txt", 2));
    EXPECT_EQ(_vantu->state.RoiNames[6], "ran");
    EXPECT_NE(_vantu->state.RoiNames[7], "after");
    EXPECT_FALSE(_vantu->quitRequested());
}

// A map file that cannot be read fails a macro's load like any other file
// (the map window alone passes over it without a word).
TEST_F(MacroHostTest, AMapThatCannotBeReadStopsTheMacro) {
    const double values[4] = {1.5, 2.5, 3.5, 4.5};
    const std::string good = encodeBmf(values, 2, 2);
    dir.write("good.bmf", good);
    dir.write("cut.bmf", good.substr(0, good.size() - 1));
    dir.write("empty.bmf", "");
    for (const char* name : {"cut.bmf", "empty.bmf"}) {
        SCOPED_TRACE(name);
        dialogs.messages.clear();
        dir.write("map.txt",
                  "LoadImage good.bmf\nLoadImage " + std::string(name) + "\nRenameRoi 1 after\n");
        EXPECT_EQ(OpenFileByExtension(_vantu, "map.txt"), 0);
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].text, macroFailureText("LoadImage", name, 2));
        EXPECT_NE(_vantu->state.RoiNames[0], "after");
    }
    EXPECT_EQ(featureMapCount(), 2);  // good.bmf, once per macro
}

TEST_F(MacroHostTest, LoadOptionsReadsTheOptionGroupsFromTheFile) {
    const int before = analysisSettings().options.Ng_vt;
    dir.write("opts.ini", "[Vantu_DRIM]\r\nNg_vt=" + std::to_string(before + 1) + "\r\n");
    dir.write("options.txt", "LoadOptions opts.ini\n");
    EXPECT_EQ(OpenFileByExtension(_vantu, "options.txt"), 15);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(analysisSettings().options.Ng_vt, before + 1);
}

}  // namespace
