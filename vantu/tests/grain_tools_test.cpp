// The grain options window and the grain tools on the real main window,
// offscreen: the window's edit rules, "Segmentacja ", "Analiza" with its
// batches and extra ROI file, and the macro command GrainAnalysis.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <filesystem>

#include "analysis/core/maps/feature_map_list.h"
#include "analysis/core/options/analysis_options.h"
#include "analysis/core/reports/report_document.h"
#include "analysis/forms/grain_commands.h"
#include "analysis/forms/grain_options_dialog.h"
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

int documentCount() {
    int n = 0;
    for (ReportDocument* d = NextReportDocument(nullptr, nullptr); d;
         d = NextReportDocument(d, nullptr))
        ++n;
    return n;
}

// 3 x 3 grains on a grid, one every 6 pixels, in a 60 x 30 image.
PlanePtr grainImage(int grains, uint16_t background = 10, uint16_t grain = 200) {
    PlanePtr plane = newPlane(60, 30);
    std::fill_n(plane->current, plane->size(), background);
    for (int g = 0; g < grains; ++g) {
        const int x0 = (g % 10) * 6 + 1, y0 = (g / 10) * 6 + 1;
        for (int y = y0; y < y0 + 3; ++y)
            for (int x = x0; x < x0 + 3; ++x) plane->at(x, y) = grain;
    }
    return plane;
}

class GrainToolsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testApplication();
        analysisSettings().reset();
        analysisSettings().options.Do_co = 0;
        analysisSettings().options.Do_rl = 0;
        analysisSettings().options.Do_wavF1 = 0;
        createVantuWindows();
        dir.write("grains.bmp", encodeGreyBitmap(*grainImage(20), 8));
        dir.write("other.bmp", encodeGreyBitmap(*grainImage(5, 30, 100), 8));
        _OpZiarna->values = GrainOptions{};
        _OpZiarna->values.Sg_minarea = 4;
        _OpZiarna->values.Sg_ClosingDepth = 0;
    }
    void TearDown() override {
        destroyVantuWindows();
        resetReportDocuments();
        resetFeatureMaps();
        analysisSettings().reset();
    }

    platform::testing::ScopedRegistryStore store;
    platform::testing::TempDir dir;
    platform::ScriptedDialogs dialogs;
    platform::DialogBackendScope scope{dialogs};
};

TEST_F(GrainToolsTest, TheWindowKeepsItsPolishCaptionsAndEditRules) {
    TOpZiarna& w = *_OpZiarna;
    EXPECT_EQ(w.windowTitle(), "Opcje Segmentacji Ziaren");
    EXPECT_EQ(w.doGeometry()->text().remove('&').toStdString(),
              "Oblicz cechy geometryczne  obszarów");
    EXPECT_EQ(w.useExtraFile()->text().remove('&').toStdString(), "Uzyj dodatkowego pliku  ROI");
    w.FormShow();
    EXPECT_EQ(w.pixels()->text(), "1.00");
    EXPECT_FALSE(w.className()->isEnabled());
    w.setClassName()->setChecked(true);
    EXPECT_TRUE(w.className()->isEnabled());

    w.pixels()->setText("0");
    w.scaleChange(w.pixels());
    EXPECT_EQ(w.pixels()->text(), "0.01");
    w.pixels()->setText("25");
    w.units()->setText("nan");
    w.scaleChange(w.units());
    EXPECT_EQ(w.units()->text(), "0.01");
    w.units()->setText("10");
    w.scaleChange(w.units());
    EXPECT_EQ(w.pixelsPerUnit()->text(), "2.50");

    w.doGeometry()->click();
    EXPECT_EQ(w.grainsPerRoi()->value(), 1);
    EXPECT_TRUE(w.doGeometry()->isChecked());
    w.grainsPerRoi()->setValue(3);
    EXPECT_FALSE(w.doGeometry()->isChecked());
    w.okClick();
    EXPECT_EQ(w.accepted, 1);
    EXPECT_EQ(w.values.Sg_GrainsPerRoi, 3);
    EXPECT_DOUBLE_EQ(w.values.Sg_PPU, 2.5);
    EXPECT_TRUE(w.values.Sg_SetClassName);
}

TEST_F(GrainToolsTest, OpeningAnExtraFileChecksItsBox) {
    dialogs.fileAnswers.push_back({true, dir.file("other.bmp"), 1, {}});
    _OpZiarna->FormShow();
    _OpZiarna->otworzClick();
    ASSERT_EQ(dialogs.fileDialogs.size(), 1u);
    EXPECT_EQ(dialogs.fileDialogs[0].title, "Wybierz plik ROI");
    EXPECT_EQ(dialogs.fileDialogs[0].filter, "Windows bitmap (*.bmp)|*.bmp");
    EXPECT_TRUE(_OpZiarna->useExtraFile()->isChecked());
}

TEST_F(GrainToolsTest, WithoutAnImageBothCommandsRefuse) {
    SegmentacjaClick(_vantu);
    Analiza1Click(_vantu);
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text, "Brak danych do analizy. Załaduj obraz!");
}

TEST_F(GrainToolsTest, SegmentationPaintsTheGrainsIntoTheRoiMap) {
    ASSERT_GT(OpenFileByExtension(_vantu, dir.file("grains.bmp")), 0);
    _vantu->action("Segmentacja ")->trigger();
    const ImagePlane& roi = *_vantu->state.RoiMap;
    EXPECT_EQ(roi.at(1, 1), 1);   // grain 0
    EXPECT_EQ(roi.at(7, 1), 2);   // grain 1
    EXPECT_EQ(roi.at(37, 7), 1);  // grain 16 reuses ROI 1
    EXPECT_EQ(roi.at(0, 0), 0);
    EXPECT_EQ(documentCount(), 0);  // no analysis
    EXPECT_TRUE(_vantu->action("&Undo")->isEnabled());
}

TEST_F(GrainToolsTest, AnalysisRunsOneReportPerSetOfSixteenRois) {
    ASSERT_GT(OpenFileByExtension(_vantu, dir.file("grains.bmp")), 0);
    _OpZiarna->values.Sg_SetClassName = true;
    _OpZiarna->values.Sg_ClassName = "grain";
    Analiza1Click(_vantu);
    for (const auto& m : dialogs.messages) ADD_FAILURE() << m.text;
    ASSERT_EQ(documentCount(), 2);
    const ReportDocument* first = NthReportDocument(0);
    const ReportDocument* second = NthReportDocument(1);
    EXPECT_EQ(recordName(first->records[0]), "_Area");
    EXPECT_EQ(first->records[0].values[15], 9);
    EXPECT_EQ(second->records[0].values[3], 9);  // grains 16..19
    EXPECT_EQ(second->records[0].values[4], 0);
    EXPECT_EQ(first->roiName[0], "grain");
}

TEST_F(GrainToolsTest, TwoGrainsPerRoiShareTheirRoi) {
    ASSERT_GT(OpenFileByExtension(_vantu, dir.file("grains.bmp")), 0);
    _OpZiarna->values.Sg_GrainsPerRoi = 2;
    Analiza1Click(_vantu);
    ASSERT_EQ(documentCount(), 1);  // 20 grains fit in 16 x 2
    const ReportDocument* d = NthReportDocument(0);
    EXPECT_EQ(d->records[0].values[0], 18);  // grains 0 and 1
    EXPECT_EQ(d->records[0].values[2], 18);  // grains 4 and 5
    EXPECT_EQ(d->records[0].values[10], 0);
}

TEST_F(GrainToolsTest, TheExtraRoiFileGivesTheGrainsAndTheImageStays) {
    ASSERT_GT(OpenFileByExtension(_vantu, dir.file("grains.bmp")), 0);
    _OpZiarna->useExtraRoi = true;
    _OpZiarna->extraRoiFile = dir.file("other.bmp");
    Analiza1Click(_vantu);
    for (const auto& m : dialogs.messages) ADD_FAILURE() << m.text;
    ASSERT_EQ(documentCount(), 1);  // the five grains of other.bmp
    EXPECT_EQ(NthReportDocument(0)->records[0].values[4], 9);
    EXPECT_EQ(NthReportDocument(0)->records[0].values[5], 0);
    // The analysis read the starting image: grain pixels of 200, not 100.
    EXPECT_EQ(recordName(NthReportDocument(0)->records[1]), "Mean");
    EXPECT_GT(NthReportDocument(0)->records[1].values[0], 150);
    EXPECT_EQ(_vantu->state.ImageFileName, dir.file("grains.bmp"));
}

TEST_F(GrainToolsTest, AnExtraRoiFileOfAnotherSizeIsRefused) {
    PlanePtr small = newPlane(20, 20);
    dir.write("small.bmp", encodeGreyBitmap(*small, 8));
    ASSERT_GT(OpenFileByExtension(_vantu, dir.file("grains.bmp")), 0);
    _OpZiarna->useExtraRoi = true;
    _OpZiarna->extraRoiFile = dir.file("small.bmp");
    Analiza1Click(_vantu);
    EXPECT_EQ(documentCount(), 0);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].text.find("same size"), std::string::npos);
    EXPECT_EQ(_vantu->state.GreyImage->width, 60);
}

TEST_F(GrainToolsTest, TheMacroCommandRunsTheAnalysis) {
    dir.write("grains.txt", "LoadImage grains.bmp\r\nGrainAnalysis\r\n");
    const fs::path saved = fs::current_path();
    fs::current_path(dir.path());
    EXPECT_EQ(OpenFileByExtension(_vantu, dir.file("grains.txt")), 15);
    fs::current_path(saved);
    for (const auto& m : dialogs.messages) ADD_FAILURE() << m.text;
    EXPECT_EQ(documentCount(), 2);
}

TEST_F(GrainToolsTest, AMacroRunPlacesShapeRecordsFirstAndWaveletRecordsLast) {
    dir.write("shape.ini",
              "[Vantu_DRIM]\r\nSg_DoGeometry=1\r\nSg_PPU=2.00\r\nDo_wavF1=1\r\nDo_wavMap=1\r\n");
    dir.write("run.txt", "LoadImage grains.bmp\r\nLoadOptions shape.ini\r\nRunAnalysis\r\n");
    const fs::path saved = fs::current_path();
    fs::current_path(dir.path());
    EXPECT_EQ(OpenFileByExtension(_vantu, dir.file("run.txt")), 15);
    fs::current_path(saved);
    for (const auto& m : dialogs.messages) ADD_FAILURE() << m.text;
    ASSERT_EQ(documentCount(), 1);
    const ReportDocument* d = NthReportDocument(0);
    ASSERT_GT(d->recordCount(), 73);
    EXPECT_EQ(recordName(d->records[0]), "GeoX");
    EXPECT_DOUBLE_EQ(d->records[2].values[0], 60 * 30 / 4.0);  // GeoF of ROI 1, f = 1/2
    EXPECT_EQ(recordName(d->records[73]), "_Area");
    // 60 x 30: D = 64, two scales; the six scales no ROI reaches are dropped.
    EXPECT_EQ(recordName(d->records.back()), "WavEnHH_s-2");
    EXPECT_NE(d->header.find("Geometrical features done\r\nWavelet analysis = Yes\r\n"),
              std::string::npos);
    ASSERT_NE(MapListAt(0), nullptr);
    EXPECT_EQ(MapListAt(0)->name, "Wavelet");
    EXPECT_EQ(MapListAt(0)->width, 64);
}

}  // namespace
