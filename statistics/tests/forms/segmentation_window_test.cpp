// r62's segmentation module, offscreen, with the dialog seam answering.
#include "statistics/forms/segmentation_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QImage>
#include <QPlainTextEdit>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/testing/temp_dir.h"
#include "statistics/core/random_source.h"
#include "statistics/core/segmentation/segmentation_report.h"
#include "statistics/tests/forms/menu_keys.h"
#include "statistics/tests/forms/r62_test_app.h"

using platform::MessageResult;

namespace {

platform::FileDialogResult chosen(std::vector<std::string> paths) {
    platform::FileDialogResult answer;
    answer.accepted = true;
    answer.path = paths.front();
    answer.paths = std::move(paths);
    return answer;
}

class SegmentationWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        r62TestApplication();
        r62Random().setSeedSource([seed = 1000u]() mutable { return seed += 7919u; });
        window = std::make_unique<TSegmentationWindow>(nullptr);
    }
    void TearDown() override {
        window.reset();
        r62Random().setSeedSource(highResolutionClockSeed);
    }

    // A W x H bitmap: left half dark, right half bright, shifted per image.
    std::string bitmap(const std::string& name, int width, int height, int shift) {
        QImage image(width, height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const int level = (x < width / 2 ? 40 : 200) + shift + (x * 7 + y * 3) % 11;
                image.setPixel(x, y, qRgb(level, level, level));
            }
        const std::string path = folder.file(name);
        image.save(QString::fromStdString(path), "BMP");
        return path;
    }

    void loadThree(int width = 40, int height = 30) {
        dialogs.fileAnswers.push_back(
            chosen({bitmap("a.bmp", width, height, 0), bitmap("b.bmp", width, height, 5),
                    bitmap("c.bmp", width, height, 9)}));
        window->Images1Click();
    }

    platform::testing::TempDir folder;
    platform::ScriptedDialogs dialogs;
    platform::DialogBackendScope scope{dialogs};
    std::unique_ptr<TSegmentationWindow> window;
};

}  // namespace

TEST_F(SegmentationWindowTest, EveryMenuHasItsAltKeyAndEveryToolButtonNamesItsTool) {
    expectAltKeysOnEveryMenu(window->MainMenu1);
    expectAltKeysOnEveryControl(window.get());
    for (QToolButton* tool :
         {window->Roi_cir, window->Roi_sqr, window->Roi_move, window->Roi_erase, window->Roi_clear})
        EXPECT_GT(tool->toolTip().size(), tool->text().size() + 3) << tool->text().toStdString();
}

TEST_F(SegmentationWindowTest, LoadsAStackDrawsARoiRunsAndSavesTheReport) {
    loadThree();
    ASSERT_EQ(window->stack().depth(), 3);
    EXPECT_EQ(window->statusText(), "Data loaded.");
    EXPECT_EQ(window->report().front(), "> r62 - Segmentation Module Report");
    EXPECT_EQ(window->report().back(), "c.bmp");
    EXPECT_EQ(window->TrackBar1->value(), 77);
    // The first image shows at once.
    EXPECT_TRUE(window->CheckBox1->isChecked());
    EXPECT_EQ(window->workImage().size(), QSize(40, 30));

    // An ellipse over the middle of the image.
    window->Roi_cir->setChecked(true);
    window->Roi_cirClick();
    window->CheckBox1->setChecked(true);
    window->CheckBox1Click();
    window->RoiMouseDown(QPoint(10, 5));
    window->RoiMouseMove(QPoint(30, 25));
    window->Timer1Timer();
    window->RoiMouseUp();
    EXPECT_TRUE(window->CheckBox2->isChecked());
    EXPECT_EQ(window->roiPicture().pixel(20, 15) & 0xFFFFFF, 0x33CC00u);  // red 0x33, green 0xCC
    EXPECT_EQ(window->roiPicture().pixel(0, 0) & 0xFFFFFF, 0u);

    window->ROIonly1Click();
    EXPECT_EQ(window->segmentationState(), 1);
    EXPECT_TRUE(window->CheckBox3->isChecked());
    EXPECT_FALSE(window->CheckBox2->isChecked());
    EXPECT_EQ(window->statusText().rfind("Done in (min:sec:msc) ", 0), 0u);
    // Outside the ROI the segments picture is black; inside, the two halves
    // get the two segment colours.
    const auto& segments = window->segmentsPicture();
    auto colourAt = [&](int x, int y) {
        const size_t p = (static_cast<size_t>(y) * 40 + x) * 3;
        return segments[p] << 16 | segments[p + 1] << 8 | segments[p + 2];
    };
    EXPECT_EQ(colourAt(0, 0), 0u);
    EXPECT_NE(colourAt(15, 15), 0u);
    EXPECT_NE(colourAt(25, 15), 0u);
    EXPECT_NE(colourAt(15, 15), colourAt(25, 15));

    window->Report2Click();
    const std::string memo = window->Memo1->toPlainText().toStdString();
    EXPECT_NE(memo.find("> Segmentation results:"), std::string::npos);
    EXPECT_NE(memo.find("Area of class #1 (Red segment) = "), std::string::npos);
    EXPECT_NE(memo.find("Area of class #2 (Lime segment) = "), std::string::npos);

    dialogs.fileAnswers.push_back(chosen({folder.file("result")}));
    window->Report1Click();
    const std::string saved = folder.read("result.seg");
    EXPECT_EQ(saved.rfind("> r62 - Segmentation Module Report\r\n", 0), 0u);
    EXPECT_NE(saved.find("\r\n> Files:\r\na.bmp\r\nb.bmp\r\nc.bmp\r\n"), std::string::npos);
    EXPECT_EQ(dialogs.fileDialogs.back().filter, "R62 Segmentation Module Report *.SEG|*.seg");

    // The segments picture opens as a bitmap of the image's size.
    dialogs.fileAnswers.push_back(chosen({folder.file("segments.bmp")}));
    window->Segments1Click();
    EXPECT_EQ(window->segmentationState(), 2);
    const QImage reread(QString::fromStdString(folder.file("segments.bmp")));
    EXPECT_EQ(reread.size(), QSize(40, 30));
    EXPECT_EQ(reread.pixel(0, 0) & 0xFFFFFF, 0u);
}

TEST_F(SegmentationWindowTest, RefusesMismatchedSizesTooManyImagesAndSmallRois) {
    dialogs.fileAnswers.push_back(chosen(
        {bitmap("a.bmp", 20, 20, 0), bitmap("b.bmp", 20, 20, 0), bitmap("c.bmp", 20, 19, 0)}));
    window->Images1Click();
    EXPECT_TRUE(window->stack().empty());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Images sizes do not match or exceed limits (512 x 512)!");

    std::vector<std::string> many;
    const std::string one = bitmap("one.bmp", 8, 8, 0);
    for (int i = 0; i < 51; ++i) many.push_back(one);
    dialogs.fileAnswers.push_back(chosen(many));
    window->Images1Click();
    EXPECT_EQ(dialogs.messages.back().text,
              "Too many images! Only first 50 images will be analysed.");
    EXPECT_EQ(window->stack().depth(), 50);

    // Without a ROI a ROI run is refused; so is one of 47 pixels at K = 16.
    window->UpDown1->setValue(16);
    window->ROIonly1Click();
    EXPECT_EQ(dialogs.messages.back().text, "Not enough pixels in a current ROI!");
    EXPECT_EQ(window->segmentationState(), 0);
}

TEST_F(SegmentationWindowTest, ACancelledSaveAtCloseKeepsTheSegmentation) {
    loadThree();
    window->Wholeimage1Click();
    ASSERT_EQ(window->segmentationState(), 1);

    // Yes to saving, then the save dialog is cancelled: the window stays.
    dialogs.messageAnswers.push_back(MessageResult::Yes);
    EXPECT_FALSE(window->close());
    EXPECT_EQ(window->segmentationState(), 1);
    // Cancel keeps it too; No closes.
    dialogs.messageAnswers.push_back(MessageResult::Cancel);
    EXPECT_FALSE(window->close());
    dialogs.messageAnswers.push_back(MessageResult::No);
    EXPECT_TRUE(window->close());
}

TEST_F(SegmentationWindowTest, RunAndReportWithoutDataOnlySaySo) {
    window->Wholeimage1Click();
    EXPECT_EQ(window->statusText(), "No valid data loaded.");
    window->Report2Click();
    EXPECT_EQ(window->statusText(), "No valid data loaded.");
    EXPECT_TRUE(dialogs.messages.empty());
}
