// The feature-map window on the real forms, offscreen: tabs, track bars,
// status text, the file commands with their prompts, maps made by a run and
// saved by a macro, and .bmf files opened by extension.
#include "analysis/forms/feature_map_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <QTabBar>
#include <cstring>
#include <filesystem>
#include <limits>

#include "analysis/core/maps/bmf_file.h"
#include "analysis/core/maps/feature_map_list.h"
#include "analysis/core/maps/feature_maps.h"
#include "analysis/core/options/analysis_options.h"
#include "analysis/core/reports/report_document.h"
#include "analysis/forms/macro_host.h"
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

constexpr double kInf = std::numeric_limits<double>::infinity();
using platform::MessageResult;

class MapWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testApplication();
        analysisSettings().reset();
        resetFeatureMaps();
        createVantuWindows();
        view = _ImageView;
        saved = fs::current_path();
        fs::current_path(dir.path());
        fs::create_directory(dir.file("out"));
    }
    void TearDown() override {
        fs::current_path(saved);
        destroyVantuWindows();
        resetReportDocuments();
        resetFeatureMaps();
        analysisSettings().reset();
    }
    FeatureMap* add(const std::string& name, std::vector<double> values, int w, int h) {
        FeatureMap* map = AddFeatureMap(name, values.data(), w, h);
        view->ImageViewRefreshTabs();
        return map;
    }
    QRgb pixel(int x, int y) const { return view->Image1->picture.pixel(x, y); }
    std::string status() const { return view->StatusBar2->currentMessage().toStdString(); }
    void answerFile(const std::string& path, int filterIndex = 1) {
        dialogs.fileAnswers.push_back({true, path, filterIndex});
    }

    platform::testing::ScopedRegistryStore store;
    platform::testing::TempDir dir;
    fs::path saved;
    platform::ScriptedDialogs dialogs;
    platform::DialogBackendScope scope{dialogs};
    TImageView* view = nullptr;
};

TEST_F(MapWindowTest, TabsFollowTheListAndTheLastIsShown) {
    EXPECT_EQ(view->TabControl1->count(), 1);
    EXPECT_EQ(view->TabControl1->tabText(0), " ");
    EXPECT_EQ(view->CurrentMap, nullptr);
    EXPECT_TRUE(view->Image1->picture.isNull());
    view->Image1MouseMove(1, 1);
    EXPECT_EQ(status(), "");

    add("a", {0, 1, 2, 3}, 2, 2);
    add("b", {5, kInf, 7, 9}, 2, 2);
    ASSERT_EQ(view->TabControl1->count(), 2);
    EXPECT_EQ(view->TabControl1->tabText(0), "a");
    EXPECT_EQ(view->TabControl1->currentIndex(), 1);
    EXPECT_EQ(view->CurrentMap, MapListAt(1));
    EXPECT_EQ(view->Image1->picture.size(), QSize(2, 2));
    EXPECT_EQ(view->TrMin->value(), 100);
    EXPECT_EQ(view->TrMax->value(), 0);
    EXPECT_EQ(pixel(1, 0), qRgb(0, 0, 127));  // +infinity is dark blue
    EXPECT_EQ(pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(pixel(1, 1), qRgb(255, 255, 255));

    view->Image1MouseMove(0, 1);
    EXPECT_EQ(status(), "Y[0, 1] = 7");
    view->Image1MouseMove(5, 9);
    EXPECT_EQ(status(), "Y[5, 9] = 0");
    MapListAt(1)->values[2] = 1.0 / 3;
    view->Image1MouseMove(0, 1);
    EXPECT_EQ(status(), "Y[0, 1] = 0.33333333");

    view->TabControl1->setCurrentIndex(0);
    EXPECT_EQ(view->CurrentMap, MapListAt(0));
    EXPECT_EQ(pixel(1, 1), qRgb(255, 255, 255));
}

TEST_F(MapWindowTest, TrackBarsSetTheWindowAndStylesAndEqualBarsDrawBlackAndWhite) {
    FeatureMap* map = add("m", {0, 25, 50, 75, 100, 60}, 6, 1);
    view->TrMin->setValue(50);  // low = 0 + 50 * 100 / 100
    EXPECT_EQ(map->displayLow, 50);
    EXPECT_EQ(pixel(1, 0), qRgb(0, 0, 0));
    EXPECT_EQ(pixel(3, 0), qRgb(128, 128, 128));
    view->RadioImage2->click();
    EXPECT_EQ(map->style, 1);
    EXPECT_EQ(pixel(3, 0), qRgb(127, 127, 127));
    EXPECT_EQ(pixel(4, 0), qRgb(255, 255, 255));
    view->RadioImage1->click();
    EXPECT_EQ(map->style, 0);
    view->TrMax->setValue(50);  // high = 50 too
    EXPECT_EQ(map->displayHigh, 50);
    EXPECT_EQ(pixel(2, 0), qRgb(0, 0, 0));
    EXPECT_EQ(pixel(5, 0), qRgb(255, 255, 255));

    // Each map keeps its window and style; switching tabs sets the controls from it.
    add("n", {1, 2}, 2, 1);
    EXPECT_EQ(view->TrMin->value(), 100);
    view->TabControl1->setCurrentIndex(0);
    EXPECT_EQ(view->TrMin->value(), 50);
    EXPECT_EQ(view->TrMax->value(), 50);
    EXPECT_EQ(map->displayLow, 50);  // setting the controls does not move the window
}

TEST_F(MapWindowTest, SavingTheSecondOfThreeRenamesItAndSelectsTheLast) {
    add("one", {1, 2}, 2, 1);
    add("two", {3, kInf, 4, 5}, 2, 2);
    add("three", {6, 7}, 2, 1);
    view->TabControl1->setCurrentIndex(1);
    answerFile(dir.file("out/second.bmf"), 1);
    view->Saveimage1Click();
    ASSERT_EQ(dialogs.fileDialogs.size(), 1u);
    EXPECT_EQ(dialogs.fileDialogs[0].title, "Save image");
    EXPECT_EQ(dialogs.fileDialogs[0].fileName, "two");
    EXPECT_EQ(dialogs.fileDialogs[0].filter,
              "Floating-point bitmap (*.bmf)|*.bmf|Windows bitmap (*.bmp)|*.bmp");
    EXPECT_EQ(MapListAt(1)->name, "second.bmf");
    EXPECT_EQ(MapListAt(1)->saved, 1u);
    EXPECT_EQ(view->TabControl1->tabText(1), "second.bmf");
    EXPECT_EQ(view->TabControl1->currentIndex(), 2);
    const auto back = readBmfFile(dir.file("out/second.bmf"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->values, MapListAt(1)->values);

    // The picture of the map opens as an ordinary 24-bit bitmap.
    answerFile(dir.file("out/third.bmp"), 2);
    view->Saveimage1Click();
    QImage picture(QString::fromStdString(dir.file("out/third.bmp")));
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(2, 1));
    EXPECT_EQ(picture.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(picture.pixel(1, 0), qRgb(255, 255, 255));
    EXPECT_EQ(MapListAt(2)->name, "third.bmp");
    // A bitmap is not a map: loading it adds nothing.
    EXPECT_FALSE(view->LoadBmfMap(dir.file("out/third.bmp")));
    EXPECT_EQ(featureMapCount(), 3);
}

TEST_F(MapWindowTest, AFailedSaveKeepsTheMapUnsavedAndSaysSo) {
    add("kept", {1, 2}, 2, 1);
    EXPECT_FALSE(view->SaveMap(dir.file("missing/x.bmf"), 1));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_EQ(MapListAt(0)->name, "kept");
    EXPECT_EQ(MapListAt(0)->saved, 0u);
    EXPECT_EQ(unsavedFeatureMapCount(), 1);
}

TEST_F(MapWindowTest, CloseAsksForAnUnsavedMapAndCloseAllForAny) {
    add("a", {1, 2}, 2, 1);
    add("b", {1, 2}, 2, 1);
    dialogs.messageAnswers.push_back(MessageResult::Cancel);
    view->CloseClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Warning");
    EXPECT_EQ(dialogs.messages[0].text, "Image not saved!\r\nClose anyway?");
    EXPECT_EQ(dialogs.messages[0].buttons, platform::MessageButtons::OkCancel);
    EXPECT_EQ(dialogs.messages[0].defaultButton, 1);
    EXPECT_EQ(featureMapCount(), 2);
    dialogs.messageAnswers.push_back(MessageResult::Ok);
    view->CloseClick();
    EXPECT_EQ(featureMapCount(), 1);
    EXPECT_EQ(view->CurrentMap, MapListAt(0));
    EXPECT_EQ(view->TabControl1->tabText(0), "a");

    MapListAt(0)->saved = 1;
    view->CloseClick();  // a saved map goes without a question
    EXPECT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(view->TabControl1->tabText(0), " ");
    EXPECT_EQ(view->CurrentMap, nullptr);

    add("c", {1, 2}, 2, 1);
    dialogs.messageAnswers.push_back(MessageResult::Cancel);
    view->Closeall1Click();
    EXPECT_EQ(dialogs.messages.back().text, "Some of images are not saved!\r\nClose anyway?");
    EXPECT_EQ(featureMapCount(), 1);
    view->Closeall1Click();  // the default button is Cancel
    EXPECT_EQ(featureMapCount(), 1);
    dialogs.messageAnswers.push_back(MessageResult::Ok);
    view->Closeall1Click();
    EXPECT_EQ(featureMapCount(), 0);
    EXPECT_EQ(view->CurrentMap, nullptr);
}

TEST_F(MapWindowTest, SaveAllWritesEveryMapIntoTheFolderWithoutOverwriting) {
    add("a.bmf", {1, 2}, 2, 1);
    add("b", {3, 4}, 2, 1);
    add("Teta1", {5, 6}, 2, 1);
    add("Teta1", {7, 8}, 2, 1);
    view->TabControl1->setCurrentIndex(1);
    answerFile(dir.file("out/*"));
    view->Saveall1Click();
    EXPECT_EQ(dialogs.fileDialogs[0].title, "Choose folder & prefix for new files");
    EXPECT_EQ(dialogs.fileDialogs[0].fileName, "*");
    for (const char* name : {"a.bmf", "b.bmf", "Teta1.bmf", "Teta1(2).bmf"})
        EXPECT_TRUE(fs::exists(dir.file(std::string("out/") + name))) << name;
    EXPECT_EQ(readBmfFile(dir.file("out/Teta1(2).bmf"))->values, (std::vector<double>{7, 8}));
    EXPECT_EQ(MapListAt(3)->name, "Teta1(2).bmf");
    EXPECT_EQ(unsavedFeatureMapCount(), 0);
    EXPECT_EQ(view->TabControl1->currentIndex(), 1);
    EXPECT_EQ(view->CurrentMap, MapListAt(1));
}

TEST_F(MapWindowTest, ABmfFileOpensByExtensionIntoTheShownWindow) {
    const std::vector<double> values = {kInf, 1.5, -2, 4};
    dir.write("dropped.bmf", encodeBmf(values.data(), 2, 2));
    EXPECT_EQ(OpenFileByExtension(_vantu, dir.file("dropped.bmf")), 15);
    EXPECT_TRUE(view->isVisible());
    EXPECT_TRUE(_vantu->findChild<QAction*>("ImageView1")->isChecked());
    ASSERT_EQ(featureMapCount(), 1);
    EXPECT_EQ(MapListAt(0)->name, "dropped.bmf");
    EXPECT_EQ(MapListAt(0)->saved, 1u);
    EXPECT_EQ(MapListAt(0)->min, -2);  // the range starts at the first finite value
    EXPECT_EQ(std::memcmp(MapListAt(0)->values.data(), values.data(), 32), 0);
    EXPECT_EQ(view->TabControl1->tabText(0), "dropped.bmf");

    dir.write("broken.bmf", "BM");
    EXPECT_EQ(OpenFileByExtension(_vantu, dir.file("broken.bmf")), 0);  // nothing opened
    EXPECT_EQ(featureMapCount(), 1);
    EXPECT_TRUE(dialogs.messages.empty());

    view->Close1Click();
    EXPECT_FALSE(view->isVisible());
    EXPECT_FALSE(_vantu->findChild<QAction*>("ImageView1")->isChecked());
}

TEST_F(MapWindowTest, AMacroMakesMapsSavesAndClosesThem) {
    PlanePtr plane = newPlane(40, 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            plane->current[x + y * 40] = static_cast<uint16_t>((x * 7 + y * 3 + (x ^ y)) & 0xFF);
    dir.write("scan.bmp", encodeGreyBitmap(*plane, 8));
    AnalysisOptions& o = analysisSettings().options;
    o.Maps_Tree[28].state = kMapLeafOn;  // Horzl Contrast
    o.Maps_Tree[81].state = kMapLeafOn;  // Mean
    o.Do_vt2 = o.Do_vt3 = o.Do_vt4 = o.Do_vt5 = 0;
    o.Mask_x = 7;
    o.Step_y = 2;
    dir.write("maps.txt",
              "LoadImage scan.bmp\r\n"
              "RunAnalysis\r\n"
              "SaveMap out/mean.bmf\r\n"
              "CloseMap\r\n"
              "SaveMap out/contrast.bmp\r\n"
              "SaveMap out/contrast.bmf\r\n");
    EXPECT_EQ(OpenFileByExtension(_vantu, dir.file("maps.txt")), 15);
    for (const auto& message : dialogs.messages) ADD_FAILURE() << message.text;
    EXPECT_TRUE(view->isVisible());
    ASSERT_EQ(featureMapCount(), 1);
    EXPECT_EQ(MapListAt(0)->name, "contrast.bmf");

    // The files hold what the computation gives for the loaded image.
    std::vector<std::pair<std::string, std::vector<double>>> expected;
    TextureContext context;
    context.samples = plane->current;
    context.width = 40;
    context.height = 30;
    context.BitDepth = _vantu->state.BitDepth;
    context.ImageMin = _vantu->state.ImageMin;
    context.ImageMax = _vantu->state.ImageMax;
    ComputeFeatureMaps(
        context, o,
        [&](const std::string& name, const double* v, int32_t w, int32_t h) {
            expected.emplace_back(name, std::vector<double>(v, v + size_t(w) * h));
        },
        ProgressSink{});
    ASSERT_EQ(expected.size(), 2u);
    EXPECT_EQ(expected[0].first, "S(1,0)Contrast6b");
    EXPECT_EQ(readBmfFile(dir.file("out/contrast.bmf"))->values, expected[0].second);
    EXPECT_EQ(readBmfFile(dir.file("out/mean.bmf"))->values, expected[1].second);
    EXPECT_FALSE(QImage(QString::fromStdString(dir.file("out/contrast.bmp"))).isNull());
}

}  // namespace
