// Opening and showing images in the real main window, offscreen.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <cstring>
#include <regex>

#include "analysis/core/reports/report_document.h"
#include "analysis/forms/report_window.h"
#include "platform/dialogs.h"
#include "platform/testing/temp_dir.h"
#include "vantu/window_composition.h"
#include "workspace/forms/image_control.h"
#include "workspace/forms/open_dispatch.h"
#include "workspace/forms/raw_options_dialog.h"
#include "workspace/forms/roi_commands.h"
#include "workspace/forms/vantu_main_window.h"
#include "workspace/forms/vantu_windows.h"
#include "workspace/tests/forms/qt_test_app.h"

using platform::MessageResult;

namespace {

void put16(std::string& s, uint16_t v) {
    s.append({char(v & 0xFF), char(v >> 8)});
}
void put32(std::string& s, uint32_t v) {
    put16(s, static_cast<uint16_t>(v));
    put16(s, static_cast<uint16_t>(v >> 16));
}

// An 8-bit grey-palette bitmap, bottom-up as usual; `rows` from the top.
std::string greyBmp(int width, int height, const std::vector<uint8_t>& rows) {
    int stride = (width + 3) & ~3;
    std::string s = "BM";
    put32(s, static_cast<uint32_t>(54 + 1024 + stride * height));
    put32(s, 0);
    put32(s, 54 + 1024);
    put32(s, 40);
    put32(s, static_cast<uint32_t>(width));
    put32(s, static_cast<uint32_t>(height));
    put16(s, 1);
    put16(s, 8);
    for (int i = 0; i < 6; ++i) put32(s, i == 4 ? 256 : 0);
    for (int i = 0; i < 256; ++i) s.append({char(i), char(i), char(i), 0});
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x)
            s += static_cast<char>(rows[static_cast<size_t>(y * width + x)]);
        s.append(static_cast<size_t>(stride - width), '\0');
    }
    return s;
}

class ImageWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testApplication();
        createVantuWindows();
    }
    void TearDown() override { destroyVantuWindows(); }

    std::string writeGrey(const std::string& name, int w, int h, uint8_t value) {
        return dir.write(name,
                         greyBmp(w, h, std::vector<uint8_t>(static_cast<size_t>(w * h), value)));
    }
    uint32_t displayed(int x, int y) const {
        const auto& b = _vantu->displayBitmap;
        return b.pixels[static_cast<size_t>(y * b.width + x)] & 0xFFFFFF;
    }

    platform::testing::ScopedRegistryStore store;
    platform::testing::TempDir dir;
    platform::ScriptedDialogs dialogs;
    platform::DialogBackendScope scope{dialogs};
};

TEST_F(ImageWindowTest, ABitmapOpensWithItsRangeCaptionAndRoiOne) {
    std::vector<uint8_t> rows = {0, 10, 20, 200, 250, 40};
    std::string path = dir.write("scan.bmp", greyBmp(3, 2, rows));
    EXPECT_EQ(OpenFileByExtension(_vantu, path), 1);
    const auto& s = _vantu->state;
    ASSERT_TRUE(s.GreyImage);
    EXPECT_EQ(s.GreyImage->at(0, 1), 200);  // row 1 is the bottom row of the picture
    EXPECT_EQ(s.ImageMin, 0);
    EXPECT_EQ(s.ImageMax, 250);
    EXPECT_EQ(s.BitDepth, 8);
    EXPECT_EQ(s.WindowLow, 0);
    EXPECT_EQ(s.WindowHigh, 250);
    EXPECT_EQ(s.ImageFileName, path);
    EXPECT_EQ(_vantu->windowTitle().toStdString(), "Vantu - " + path);
    EXPECT_EQ(s.RoiPixelCount[0], 6u);
    EXPECT_EQ(_vantu->RoiPanels[0].indicator->colour(), 0x0000FFu);
    EXPECT_TRUE(_vantu->action("Histogram")->isEnabled());
    EXPECT_TRUE(_vantu->menu("&Analysis")->menuAction()->isEnabled());
    EXPECT_TRUE(_vantu->statusPanel(1)->text().isEmpty());
    // Grey 0 under red ROI 1: 0/2 + 255/2 in red only.
    EXPECT_EQ(displayed(0, 0), 0x7F0000u);
    // Grey 250 (white, the top of the window) under ROI 1.
    EXPECT_EQ(displayed(1, 1), 0xFE7F7Fu);  // 127 + 127
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ImageWindowTest, ADicomFileOpensByItsExtension) {
    std::string path = std::string(VANTU_TEST_DATA) + "/dicom/CT_small.dcm";
    EXPECT_EQ(OpenFileByExtension(_vantu, path), 13);
    EXPECT_EQ(_vantu->state.ImageWidth, 128u);
    EXPECT_EQ(_vantu->state.ImageHeight, 128u);
    EXPECT_EQ(_vantu->state.ImageMax, 34959);  // signed samples shifted by 32768
    EXPECT_EQ(_vantu->state.BitDepth, 16);
    std::string truncated = std::string(VANTU_TEST_DATA) + "/dicom/MR_truncated.dcm";
    EXPECT_EQ(OpenFileByExtension(_vantu, truncated), 0);
    EXPECT_EQ(_vantu->state.ImageFileName, path);
}

TEST_F(ImageWindowTest, QuotedPathsAndUnknownExtensionsFallBackToRaw) {
    std::string path = dir.write("scan.png", std::string(256 * 256, '\x05'));
    EXPECT_EQ(OpenFileByExtension(_vantu, "\"" + path + "\""), 2);
    EXPECT_EQ(_vantu->state.ImageMax, 5);
    EXPECT_EQ(_vantu->state.ImageWidth, 256u);
}

TEST_F(ImageWindowTest, AFileNoReaderTakesIsRefusedAndTheImageKept) {
    std::string good = writeGrey("good.bmp", 4, 4, 9);
    ASSERT_EQ(OpenFileByExtension(_vantu, good), 1);
    _vantu->state.RoiMap->at(1, 1) = 6;
    std::string bad = dir.write("bad.bmp", "XX not a bitmap");
    EXPECT_EQ(OpenFileByExtension(_vantu, bad), 0);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Invalid image file format (Drag-drop)");
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_EQ(_vantu->state.ImageFileName, good);
    EXPECT_EQ(_vantu->state.RoiMap->at(1, 1), 6);
    EXPECT_EQ(_vantu->state.ImageWidth, 4u);
    EXPECT_EQ(LoadImageFile(_vantu, 1, bad), 4);
}

TEST_F(ImageWindowTest, AFailedLoadFromTheMenuSaysSo) {
    std::string good = writeGrey("good.bmp", 4, 4, 9);
    dialogs.fileAnswers.push_back({true, good, 1});
    LoadClick(_vantu);
    ASSERT_EQ(dialogs.fileDialogs.size(), 1u);
    EXPECT_EQ(dialogs.fileDialogs[0].title, "Load image");
    EXPECT_TRUE(dialogs.fileDialogs[0].mustExist);
    EXPECT_EQ(_vantu->state.ImageFileName, good);
    // The same bitmap under a name that says nothing, chosen as a DICOM
    // file: refused, nothing changes, and the box names the type tried.
    const std::string plain = dir.write("good.dat", dir.read("good.bmp"));
    dialogs.fileAnswers.push_back({true, plain, 12});
    LoadClick(_vantu);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_EQ(dialogs.messages[0].text, cannotLoadAsText(plain, 12));
    EXPECT_NE(dialogs.messages[0].text.find("as Dicom (*.dcm; *.dicom)."), std::string::npos);
    EXPECT_EQ(_vantu->state.ImageFileName, good);
}

TEST_F(ImageWindowTest, ANameWhoseExtensionSaysItsTypeOpensByItWhateverTheListShows) {
    // A DICOM name typed while the list shows bitmaps.
    const std::string dicom = std::string(VANTU_TEST_DATA) + "/dicom/MR_small.dcm";
    dialogs.fileAnswers.push_back({true, dicom, 1});
    LoadClick(_vantu);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(_vantu->state.ImageFileName, dicom);
    EXPECT_EQ(_vantu->state.ImageWidth, 64u);
    // A bitmap name with the DICOM type chosen, and one in capitals.
    const std::string upper = writeGrey("UP.BMP", 3, 2, 7);
    dialogs.fileAnswers.push_back({true, upper, 12});
    LoadClick(_vantu);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(_vantu->state.ImageFileName, upper);
    EXPECT_EQ(_vantu->state.ImageWidth, 3u);
}

TEST_F(ImageWindowTest, ZoomStepsStopAtTheirEnds) {
    ASSERT_EQ(OpenFileByExtension(_vantu, writeGrey("z.bmp", 10, 6, 50)), 1);
    EXPECT_EQ(_vantu->imageControl()->size(), QSize(10, 6));
    _vantu->SetZoom(161);
    EXPECT_EQ(_vantu->state.ZoomScale, 4096);
    _vantu->SetZoom(1);
    EXPECT_EQ(_vantu->state.ZoomScale, 4096);
    EXPECT_TRUE(_vantu->action("16:1")->isChecked());
    EXPECT_EQ(_vantu->imageControl()->size(), QSize(160, 96));
    EXPECT_EQ(_vantu->imageControl()->imagePixelAt(QPoint(159, 95)), QPoint(9, 5));
    _vantu->SetZoom(14);
    _vantu->SetZoom(-1);
    EXPECT_EQ(_vantu->state.ZoomScale, 64);
    EXPECT_TRUE(_vantu->action("1:4")->isChecked());
    EXPECT_FALSE(_vantu->action("16:1")->isChecked());
    EXPECT_EQ(_vantu->imageControl()->size(), QSize(2, 1));
    _vantu->SetZoom(7);  // unknown code: 1:1
    EXPECT_EQ(_vantu->state.ZoomScale, 256);
}

TEST_F(ImageWindowTest, TrackBarsAndStylesRedrawTheWindow) {
    std::vector<uint8_t> rows = {0, 100, 200, 250};
    ASSERT_EQ(OpenFileByExtension(_vantu, dir.write("w.bmp", greyBmp(4, 1, rows))), 1);
    _vantu->vroiClick(1);  // hide ROI 1 to see the grey
    EXPECT_EQ(_vantu->state.VisibleRoiMask, 0xFFFEu);
    EXPECT_EQ(_vantu->state.RoiPixelCount[0], 4u);  // hidden but counted
    EXPECT_EQ(displayed(1, 0), 0x666666u);          // 100 in 0..250: (100*256)/250 = 102
    _vantu->setTrackBarPositions(60, 20);           // low 0+250*40/100, high 250*80/100
    EXPECT_EQ(_vantu->state.WindowLow, 100);
    EXPECT_EQ(_vantu->state.WindowHigh, 200);
    EXPECT_EQ(displayed(1, 0), 0x000000u);
    EXPECT_EQ(displayed(2, 0), 0xFFFFFFu);
    _vantu->findChild<QRadioButton*>("RadioImage3")->click();
    EXPECT_EQ(displayed(0, 0), 0x7F7F7Fu);
    _vantu->vroiClick(1);
    EXPECT_EQ(_vantu->state.VisibleRoiMask, 0xFFFFu);
    EXPECT_EQ(displayed(0, 0), 0xBE3F3Fu);  // 127/2 + 255/2 red, 63 elsewhere
}

TEST_F(ImageWindowTest, AutoReloadShowsNewRawValuesButKeepsTheStoredOnesUntilOk) {
    std::string path = dir.write("series.raw", std::string(64 * 32, '\x07'));
    _RawOptions->values.RawX = 64;
    _RawOptions->values.RawY = 32;
    ASSERT_EQ(OpenFileByExtension(_vantu, path), 2);
    QTimer::singleShot(0, [] {
        _RawOptions->autoReloadBox()->setChecked(true);
        _RawOptions->widthField()->setValue(32);
        EXPECT_EQ(_vantu->state.ImageWidth, 32u);
        EXPECT_EQ(_RawOptions->values.RawX, 64);
        _RawOptions->reject();
    });
    _vantu->rawOptions1Click();
    EXPECT_EQ(_RawOptions->values.RawX, 64);
    QTimer::singleShot(0, [] {
        _RawOptions->widthField()->setValue(16);
        _RawOptions->bits16Button()->setChecked(true);
        _RawOptions->motorolaButton()->setChecked(true);
        _RawOptions->accept();
    });
    _vantu->rawOptions1Click();
    EXPECT_EQ(_RawOptions->values.RawX, 16);
    EXPECT_EQ(_RawOptions->values.RawBits, 16);
    EXPECT_EQ(_RawOptions->values.RawEndian, 0);
}

QMouseEvent mouse(QEvent::Type type, QPoint at, Qt::MouseButtons held,
                  Qt::KeyboardModifiers keys = Qt::NoModifier) {
    Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    return QMouseEvent(type, QPointF(at), QPointF(at), button, held, keys);
}

TEST_F(ImageWindowTest, DrawingWithTheMouseCommitsIntoTheChosenRoiWithUndo) {
    ASSERT_EQ(OpenFileByExtension(_vantu, writeGrey("d.bmp", 20, 10, 80)), 1);
    _vantu->SetZoom(21);  // 2:1, so mouse positions are halved
    _vantu->RoiClick(3);
    EXPECT_EQ(_vantu->state.ActiveRoi, 3);
    EXPECT_EQ(_vantu->state.DrawColour, 0xFF0000u);
    _vantu->findChild<QAction*>("SolidSqButton")->trigger();
    auto press = mouse(QEvent::MouseButtonPress, {4, 4}, Qt::LeftButton);
    _vantu->Image1MouseDown(&press);
    auto drag = mouse(QEvent::MouseMove, {12, 8}, Qt::LeftButton);
    _vantu->Image1MouseMove(&drag);
    EXPECT_EQ(_vantu->statusPanel(0)->text(), "[2, 2] - [6, 4] <4, 2>");
    auto release = mouse(QEvent::MouseButtonRelease, {12, 8}, Qt::NoButton);
    _vantu->Image1MouseUp(&release);
    EXPECT_EQ(_vantu->state.RoiPixelCount[2], 8u);
    EXPECT_EQ(_vantu->state.RoiMap->at(2, 2), 4);
    EXPECT_EQ(_vantu->RoiPanels[2].indicator->colour(), 0xFF0000u);
    EXPECT_TRUE(_vantu->action("&Undo")->isEnabled());
    EXPECT_FALSE(_vantu->action("&Redo")->isEnabled());
    EXPECT_EQ(_vantu->roiSaveFileName, "newdraw.roi");

    _vantu->action("&Undo")->trigger();
    EXPECT_EQ(_vantu->state.RoiPixelCount[2], 0u);
    EXPECT_EQ(_vantu->state.RoiMap->at(2, 2), 1);
    EXPECT_TRUE(_vantu->action("&Redo")->isEnabled());
    _vantu->action("&Redo")->trigger();
    EXPECT_EQ(_vantu->state.RoiPixelCount[2], 8u);

    _vantu->action("Clear ROI")->trigger();
    EXPECT_EQ(_vantu->state.RoiPixelCount[2], 0u);
    _vantu->action("Reset ROI")->trigger();
    EXPECT_EQ(_vantu->state.RoiPixelCount[0], 200u);
}

TEST_F(ImageWindowTest, AfterAFileDialogTheMouseOnlyReadsUntilTheNextPress) {
    ASSERT_EQ(OpenFileByExtension(_vantu, writeGrey("m.bmp", 8, 8, 33)), 1);
    _vantu->Loadoptions1Click();  // cancelled, but the dialog was shown
    EXPECT_EQ(_vantu->state.IgnoreMouse, 1);
    auto move = mouse(QEvent::MouseMove, {3, 2}, Qt::LeftButton);
    _vantu->Image1MouseMove(&move);
    EXPECT_EQ(_vantu->statusPanel(0)->text(), "Intensity(3, 2) = 33");
    auto release = mouse(QEvent::MouseButtonRelease, {3, 2}, Qt::NoButton);
    _vantu->Image1MouseUp(&release);
    EXPECT_FALSE(_vantu->action("&Undo")->isEnabled());  // nothing was committed
    auto press = mouse(QEvent::MouseButtonPress, {3, 2}, Qt::LeftButton);
    _vantu->Image1MouseDown(&press);
    EXPECT_EQ(_vantu->state.IgnoreMouse, 0);
}

TEST_F(ImageWindowTest, RoiFilesRoundTripThroughTheMenusAndFailuresSaySo) {
    ASSERT_EQ(OpenFileByExtension(_vantu, writeGrey("r.bmp", 9, 7, 50)), 1);
    _vantu->state.RoiMap->at(2, 3) = 1 | 2;
    _vantu->state.RoiNames[1] = "liver";
    std::string roi = dir.file("two.roi");
    dialogs.fileAnswers.push_back({true, roi, 1});
    SaveRoiClick(_vantu);
    ASSERT_EQ(dialogs.fileDialogs.size(), 1u);
    EXPECT_EQ(dialogs.fileDialogs[0].title, "Save ROI");
    EXPECT_EQ(dialogs.fileDialogs[0].fileName, "allred.roi");
    EXPECT_TRUE(dialogs.messages.empty());

    _vantu->action("Reset ROI")->trigger();
    _vantu->state.RoiNames[1].clear();
    EXPECT_EQ(OpenFileByExtension(_vantu, roi), 15);
    EXPECT_EQ(_vantu->state.RoiMap->at(2, 3), 3);
    EXPECT_EQ(_vantu->state.RoiNames[1], "liver");
    EXPECT_EQ(_vantu->RoiPanels[1].selector->toolTip(), "liver");
    EXPECT_EQ(_vantu->state.RoiPixelCount[1], 1u);
    EXPECT_EQ(_vantu->roiSaveFileName, roi);

    // The 8-bit export of overlapping ROIs warns after writing.
    dialogs.fileAnswers.push_back({true, dir.file("all.bmp"), 3});
    SaveRoiClick(_vantu);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Warning");
    EXPECT_EQ(dir.read("all.bmp").size(), 1078u + 7 * 12);

    std::string broken = dir.write("broken.roi", dir.read("two.roi").substr(0, 120));
    _vantu->state.RoiMap->at(0, 0) = 8;
    dialogs.fileAnswers.push_back({true, broken, 1});
    LoadRoiClick(_vantu);
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[1].caption, "Error");
    EXPECT_EQ(_vantu->state.RoiMap->at(0, 0), 8);
}

TEST_F(ImageWindowTest, MorphologyChangesTheActiveRoiWithUndo) {
    ASSERT_EQ(OpenFileByExtension(_vantu, writeGrey("g.bmp", 10, 10, 50)), 1);
    _vantu->RoiClick(2);
    _vantu->state.RoiMap->at(5, 5) = 1 | 2;
    morphologyClick(_vantu, RoiMorphologyOp::Dilation);
    EXPECT_EQ(_vantu->state.RoiPixelCount[1], 9u);
    EXPECT_EQ(_vantu->state.RoiMap->at(4, 4), 2);  // non-overlapping: ROI 1 loses it
    EXPECT_EQ(_vantu->state.RoiPixelCount[0], 91u);
    EXPECT_TRUE(_vantu->action("&Undo")->isEnabled());
    _vantu->action("&Undo")->trigger();
    EXPECT_EQ(_vantu->state.RoiPixelCount[1], 1u);
}

TEST_F(ImageWindowTest, SaveAsWritesTheChosenTypeAndBitZeroingRecomputesTheRange) {
    std::vector<uint8_t> rows = {0, 100, 200, 130};
    ASSERT_EQ(OpenFileByExtension(_vantu, dir.write("s.bmp", greyBmp(2, 2, rows))), 1);
    dialogs.fileAnswers.push_back({true, dir.file("out.raw"), 2});
    _vantu->action("&Save as...")->trigger();
    EXPECT_EQ(dialogs.fileDialogs.back().defaultExtension, ".bmp");
    EXPECT_EQ(dir.read("out.raw"), std::string("\x00\x00\x64\x00\xc8\x00\x82\x00", 8));
    dialogs.fileAnswers.push_back({true, dir.file("no/such/out.bmp"), 1});
    _vantu->action("&Save as...")->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Error");

    _vantu->zeroBitClick(8);  // clears 128: 200 -> 72, 130 -> 2
    EXPECT_EQ(_vantu->state.ImageMax, 100);
    EXPECT_EQ(_vantu->state.GreyImage->at(1, 1), 2);
    EXPECT_EQ(_vantu->state.WindowHigh, 100);
}

TEST_F(ImageWindowTest, AReportNamesOnlyTheRoiFileThePresentRoisCameFrom) {
    resetReportDocuments();
    auto lastHeader = [] {
        const int count = reportDocumentCount();
        return count > 0 ? NthReportDocument(count - 1)->header : std::string();
    };
    std::vector<uint8_t> rows(16 * 16);
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<uint8_t>((i * 29) % 241);
    const std::string image = dir.write("a.bmp", greyBmp(16, 16, rows));
    ASSERT_EQ(OpenFileByExtension(_vantu, image), 1);
    _vantu->state.RoiMap->at(3, 3) = 2;
    dialogs.fileAnswers.push_back({true, dir.file("liver.roi"), 1});
    SaveRoiClick(_vantu);

    // Drawn, not loaded: no file is named.
    _vantu->Run1Click();
    EXPECT_NE(lastHeader().find("ROI File:  \r\n"), std::string::npos) << lastHeader();
    // Loaded: named, also after an edit that was undone.
    ASSERT_EQ(OpenFileByExtension(_vantu, dir.file("liver.roi")), 15);
    _vantu->Run1Click();
    EXPECT_NE(lastHeader().find("ROI File: liver.roi \r\n"), std::string::npos) << lastHeader();
    _vantu->action("Clear ROI")->trigger();
    _vantu->Run1Click();
    EXPECT_NE(lastHeader().find("ROI File:  \r\n"), std::string::npos) << lastHeader();
    _vantu->action("&Undo")->trigger();
    _vantu->Run1Click();
    EXPECT_NE(lastHeader().find("ROI File: liver.roi \r\n"), std::string::npos) << lastHeader();
    // Another image keeps the ROIs but they are no longer the file's.
    ASSERT_EQ(OpenFileByExtension(_vantu, dir.write("b.bmp", greyBmp(16, 16, rows))), 1);
    _vantu->Run1Click();
    EXPECT_NE(lastHeader().find("ROI File:  \r\n"), std::string::npos) << lastHeader();
    EXPECT_EQ(reportDocumentCount(), 5);

    // No ROI pixel at all: said, and no report of zeros.
    dialogs.messages.clear();
    std::fill_n(_vantu->state.RoiMap->current, _vantu->state.RoiMap->size(), uint16_t{0});
    _vantu->Run1Click();
    EXPECT_EQ(reportDocumentCount(), 5);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_EQ(dialogs.messages[0].text, "Cannot start analysis. No ROI is drawn.");
    resetReportDocuments();
    _Report->ReportRefreshTabs();
}

TEST_F(ImageWindowTest, RunMakesAReportDocumentNamedByItsTime) {
    resetReportDocuments();
    std::vector<uint8_t> rows(32 * 32);
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<uint8_t>((i * 37) % 251);
    ASSERT_EQ(OpenFileByExtension(_vantu, dir.write("run.bmp", greyBmp(32, 32, rows))), 1);
    _vantu->state.RoiNames[0] = "liver";
    _vantu->state.ColorMode = 0;
    _vantu->state.ForcedPrefixOn = true;
    _vantu->state.ForcedPrefix = "B_";
    _vantu->Run1Click();
    ASSERT_EQ(reportDocumentCount(), 1);
    ReportDocument* doc = NthReportDocument(0);
    // 282 texture records and the 4 wavelet records of the one scale of 32 x 32.
    EXPECT_EQ(doc->recordCount(), 286);
    EXPECT_EQ(recordName(doc->records[0]), "_B_Area");
    EXPECT_EQ(recordName(doc->records[285]), "B_WavEnHH_s-1");
    EXPECT_EQ(recordName(doc->records[1]), "B_Mean");
    EXPECT_EQ(doc->roiName[0], "liver");
    EXPECT_EQ(doc->saved, 0u);
    EXPECT_TRUE(std::regex_match(doc->name, std::regex(R"(\d{4}-\d{1,2}-\d{1,2} \d\d_\d\d_\d\d)")))
        << doc->name;
    EXPECT_NE(doc->header.find("Image File: run.bmp (B_channel) \r\n"), std::string::npos);
    EXPECT_NE(doc->header.find("Wavelet analysis = Yes\r\n"), std::string::npos);
    EXPECT_TRUE(_vantu->action("Report")->isChecked());
    _vantu->Run1Click();
    ASSERT_EQ(reportDocumentCount(), 2);
    std::string second = NthReportDocument(1)->name;
    if (second.starts_with(doc->name)) {
        EXPECT_EQ(second, doc->name + "(1)");  // within the same second
    }
    resetReportDocuments();
    _Report->ReportRefreshTabs();  // the window must let go of the deleted documents
}

}  // namespace
