// The histogram, image-information, colour-conversion and remark windows on
// the real main window, offscreen, and scanner files opened by extension.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/dialogs.h"
#include "platform/testing/temp_dir.h"
#include "vantu/window_composition.h"
#include "workspace/forms/bit_plane_window.h"
#include "workspace/forms/colour_conversion_dialog.h"
#include "workspace/forms/histogram_window.h"
#include "workspace/forms/image_header_window.h"
#include "workspace/forms/image_info_window.h"
#include "workspace/forms/open_dispatch.h"
#include "workspace/forms/roi_remark_dialog.h"
#include "workspace/forms/vantu_main_window.h"
#include "workspace/forms/vantu_windows.h"
#include "workspace/tests/forms/qt_test_app.h"

namespace {

const std::string kVendorDir = std::string(VANTU_TEST_DATA) + "/vendor/";

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void put16(std::string& s, uint16_t v) {
    s.append({char(v & 0xFF), char(v >> 8)});
}
void put32(std::string& s, uint32_t v) {
    put16(s, static_cast<uint16_t>(v));
    put16(s, static_cast<uint16_t>(v >> 16));
}

// A 24-bit bitmap of 4 x 1 pixels: blue, red, grey, black.
std::string colourBmp() {
    std::string s = "BM";
    put32(s, 54 + 12);
    put32(s, 0);
    put32(s, 54);
    put32(s, 40);
    put32(s, 4);
    put32(s, 1);
    put16(s, 1);
    put16(s, 24);
    for (int i = 0; i < 6; ++i) put32(s, 0);
    s.append({char(255), 0, 0, 0, 0, char(255), char(90), char(90), char(90), 0, 0, 0});
    return s;
}

class SmallWindowsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testApplication();
        createVantuWindows();
    }
    void TearDown() override { destroyVantuWindows(); }

    // A 12-bit image with ROIs 2 and 5 and nothing in ROI 1.
    void loadRoiImage() {
        std::string path = dir.write("scan.xim", fileBytes(kVendorDir + "ge_genesis_plain.xim"));
        ASSERT_EQ(OpenFileByExtension(_vantu, path), 7);
        WorkspaceState& s = _vantu->state;
        for (int32_t y = 0; y < s.RoiMap->height; ++y)
            for (int32_t x = 0; x < s.RoiMap->width; ++x)
                s.RoiMap->current[y * s.RoiMap->width + x] =
                    y < 10 ? 0x0002 : (y < 20 ? 0x0010 : 0);
        _vantu->RenderDisplay();
    }

    platform::testing::ScopedRegistryStore store;
    platform::testing::TempDir dir;
    platform::ScriptedDialogs dialogs;
    platform::DialogBackendScope scope{dialogs};
};

TEST_F(SmallWindowsTest, ScannerFilesOpenByExtensionAndFillTheInfoWindow) {
    const std::string ima = dir.write("head.IMA", fileBytes(kVendorDir + "mr64_acr.img"));
    EXPECT_EQ(OpenFileByExtension(_vantu, ima), 3);  // NUMARIS 2 reads the ACR-NEMA family
    const std::string img = dir.write("head.img", fileBytes(kVendorDir + "mr64_acr.img"));
    EXPECT_EQ(OpenFileByExtension(_vantu, img), 6);
    EXPECT_EQ(_vantu->state.ImageWidth, 64u);
    EXPECT_EQ(_vantu->state.ImageMax, 2145);
    EXPECT_EQ(_vantu->state.BitDepth, 12);
    const QString text = _ImageInfoView->memo()->toPlainText();
    EXPECT_TRUE(text.startsWith(QString::fromStdString("File Name:\t" + img)))
        << text.toStdString();
    EXPECT_TRUE(text.contains("Image Dimensions:\t64 x 64"));
    EXPECT_TRUE(text.contains("Institution:\tTOSHIBA"));
    EXPECT_TRUE(text.contains("Receivin Coil:\t"));
    // Every value starts in one column, past the longest label.
    _ImageInfoView->resize(900, 1000);
    _ImageInfoView->show();
    QPlainTextEdit* memo = _ImageInfoView->memo();
    const QFontMetricsF metrics(memo->font());
    std::set<int> valueColumns;
    std::set<int> unitColumns;  // the second value of "... Voxel Size:" and "Slice ...:"
    for (QTextBlock block = memo->document()->begin(); block.isValid(); block = block.next()) {
        const qsizetype tab = block.text().indexOf('\t');
        if (tab < 0) continue;
        QTextCursor cursor(block);
        cursor.setPosition(block.position() + static_cast<int>(tab) + 1);
        const int x = memo->cursorRect(cursor).left();
        EXPECT_GT(x, metrics.horizontalAdvance(block.text().left(tab)))
            << block.text().toStdString();
        valueColumns.insert(x);
        if (block.text().contains("Size:") || block.text().startsWith("Slice")) {
            cursor.setPosition(block.position() +
                               static_cast<int>(block.text().indexOf('\t', tab + 1)) + 1);
            unitColumns.insert(memo->cursorRect(cursor).left());
        }
    }
    EXPECT_EQ(valueColumns.size(), 1u);
    EXPECT_EQ(unitColumns.size(), 1u);
    _ImageInfoView->hide();

    // A file that no scanner reader takes, nor raw: the image stays as it was.
    const std::string bad = dir.write("broken.xim", std::string(100, 'x'));
    EXPECT_EQ(OpenFileByExtension(_vantu, bad), 0);
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages.back().text, "Invalid image file format (Drag-drop)");
    EXPECT_EQ(_vantu->state.ImageWidth, 64u);
    EXPECT_EQ(_vantu->state.ImageFileName, img);
}

TEST_F(SmallWindowsTest, HistogramHasATabPerRoiWithPixelsAndFollowsChanges) {
    loadRoiImage();
    _Histogram->show();
    ASSERT_EQ(_Histogram->tabs()->count(), 2);
    EXPECT_EQ(_Histogram->tabs()->tabText(0), "Roi 2");
    EXPECT_EQ(_Histogram->tabs()->tabText(1), "Roi 5");
    _Histogram->tabs()->setCurrentIndex(1);
    EXPECT_EQ(_Histogram->selectedRoi(), 5);
    const QImage& picture = _Histogram->picture();
    EXPECT_EQ(picture.size(), QSize(400, 140));
    EXPECT_EQ(picture.pixelColor(2, 2), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(picture.pixelColor(39, 50), QColor(Qt::white));  // the frame
    EXPECT_EQ(picture.pixelColor(296, 50), QColor(Qt::white));

    // ROI 2 is cleared: its tab goes, ROI 5 stays selected.
    WorkspaceState& s = _vantu->state;
    for (size_t i = 0; i < s.RoiMap->size(); ++i) s.RoiMap->current[i] &= ~uint16_t{2};
    _vantu->RenderDisplay();
    ASSERT_EQ(_Histogram->tabs()->count(), 1);
    EXPECT_EQ(_Histogram->tabs()->tabText(0), "Roi 5");
    EXPECT_EQ(_Histogram->selectedRoi(), 5);
    // The bars are drawn in ROI 5's colour (0x00BBGGRR 0xFF00FF).
    bool found = false;
    for (int x = 40; x < 296 && !found; ++x)
        found = _Histogram->picture().pixelColor(x, 109) == QColor(255, 0, 255);
    EXPECT_TRUE(found);

    // No ROI at all: one blank tab and an empty picture.
    for (size_t i = 0; i < s.RoiMap->size(); ++i) s.RoiMap->current[i] = 0;
    _vantu->RenderDisplay();
    ASSERT_EQ(_Histogram->tabs()->count(), 1);
    EXPECT_EQ(_Histogram->tabs()->tabText(0), " ");
    EXPECT_EQ(_Histogram->picture().pixelColor(39, 50), QColor(0x80, 0x80, 0x80));

    // Closing hides it and unchecks the View item.
    _vantu->action("Histogram")->setChecked(true);
    _Histogram->close();
    EXPECT_TRUE(_Histogram->isHidden());
    EXPECT_FALSE(_vantu->action("Histogram")->isChecked());
}

TEST_F(SmallWindowsTest, ColourDialogForcesAThreeCharacterPrefix) {
    WorkspaceState& s = _vantu->state;
    s.ColorMode = 3;
    _FormColor->show();
    EXPECT_TRUE(_FormColor->modeButton(3)->isChecked());
    EXPECT_FALSE(_FormColor->forcePrefixBox()->isChecked());
    EXPECT_FALSE(_FormColor->prefixEdit()->isEnabled());
    EXPECT_TRUE(_FormColor->prefixEdit()->isHidden());
    EXPECT_EQ(_FormColor->prefixEdit()->toolTip(), "Maximum 3 alphanumerics");

    QTest::mouseClick(_FormColor->forcePrefixBox(), Qt::LeftButton);
    EXPECT_TRUE(_FormColor->prefixEdit()->isEnabled());
    EXPECT_FALSE(_FormColor->prefixEdit()->isHidden());
    QTest::keyClicks(_FormColor->prefixEdit(), "ABCD");
    EXPECT_EQ(_FormColor->prefixEdit()->text(), "ABC");
    _FormColor->modeButton(5)->click();
    _FormColor->accept();
    // Choosing a mode dropped the forced prefix.
    EXPECT_EQ(s.ColorMode, 5u);
    EXPECT_FALSE(s.ForcedPrefixOn);

    _FormColor->show();
    _FormColor->forcePrefixBox()->click();
    _FormColor->prefixEdit()->setText("XYZW");
    _FormColor->accept();
    EXPECT_TRUE(s.ForcedPrefixOn);
    EXPECT_EQ(s.ForcedPrefix, "XYZ");
    s.ColorMode = 42;  // an unknown mode shows as brightness
    _FormColor->show();
    EXPECT_TRUE(_FormColor->modeButton(0)->isChecked());
    EXPECT_EQ(_FormColor->prefixEdit()->text(), "XYZ");
    _FormColor->reject();
}

TEST_F(SmallWindowsTest, TickingForcePrefixSendsTheTypingToThePrefix) {
    _vantu->state.ForcedPrefixOn = false;
    _FormColor->show();
    _FormColor->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(_FormColor));
    _FormColor->forcePrefixBox()->setFocus();
    QTest::keyClick(_FormColor->forcePrefixBox(), Qt::Key_Space);
    ASSERT_TRUE(_FormColor->forcePrefixBox()->isChecked());
    EXPECT_EQ(QApplication::focusWidget(), _FormColor->prefixEdit());
    QTest::keyClicks(QApplication::focusWidget(), "T1");
    EXPECT_EQ(_FormColor->prefixEdit()->text(), "T1");
    _FormColor->reject();
}

TEST_F(SmallWindowsTest, ReloadReadsTheImageAgainInTheChosenMode) {
    WorkspaceState& s = _vantu->state;
    // Without an image file Reload only keeps the mode.
    _FormColor->show();
    _FormColor->modeButton(3)->click();
    _FormColor->reloadClick();
    EXPECT_EQ(s.ColorMode, 3u);
    EXPECT_FALSE(s.GreyImage);
    EXPECT_TRUE(_FormColor->isHidden());

    s.ColorMode = 0;
    const std::string path = dir.write("colour.bmp", colourBmp());
    ASSERT_EQ(OpenFileByExtension(_vantu, path), 1);
    EXPECT_EQ(s.GreyImage->at(0, 0), 29);  // blue as brightness
    _FormColor->show();
    _FormColor->modeButton(3)->click();
    _FormColor->reloadClick();
    EXPECT_EQ(s.GreyImage->at(0, 0), 255);
    EXPECT_EQ(s.GreyImage->at(1, 0), 0);
    EXPECT_EQ(s.LoadedColorMode, 3u);
}

TEST_F(SmallWindowsTest, RemarkEditsTheHintAndNameOfARoi) {
    _vantu->state.RoiNames[2] = "liver";
    _vantu->showRoiNames();
    _RoiRemark->panel = _vantu->RoiPanels[2].selector;
    _RoiRemark->show();
    EXPECT_EQ(_RoiRemark->remarkLabel()->text(), "&Roi3 remark (class name):");
    EXPECT_EQ(_RoiRemark->remarkEdit()->text(), "liver");
    _RoiRemark->remarkEdit()->setText("spleen");
    _RoiRemark->accept();
    EXPECT_EQ(_vantu->RoiPanels[2].selector->toolTip(), "spleen");
    EXPECT_EQ(_vantu->state.RoiNames[2], "spleen");
    _RoiRemark->show();
    _RoiRemark->remarkEdit()->setText("kidney");
    _RoiRemark->reject();
    EXPECT_EQ(_vantu->state.RoiNames[2], "spleen");

    // A right-button release on selector 4 opens the remark for ROI 4.
    QString label;
    QTimer::singleShot(0, [&label] {
        label = _RoiRemark->remarkLabel()->text();
        _RoiRemark->remarkEdit()->setText("cortex");
        _RoiRemark->accept();
    });
    QTest::mouseRelease(_vantu->RoiPanels[3].selector, Qt::RightButton);
    EXPECT_EQ(label, "&Roi4 remark (class name):");
    EXPECT_EQ(_vantu->state.RoiNames[3], "cortex");
    EXPECT_EQ(_vantu->RoiPanels[3].selector->contextMenuPolicy(), Qt::PreventContextMenu);
}

}  // namespace

namespace {

TEST_F(SmallWindowsTest, TheTwoHiddenWindowsStayInert) {
    EXPECT_TRUE(_ImageHeader->isHidden());
    EXPECT_EQ(_ImageHeader->headerText()->objectName(), "HeaderText");
    EXPECT_TRUE(_Form1->picture().isNull());
    _Form1->setData(2, 1, {0x01, 0x02});
    EXPECT_EQ(_Form1->picture().pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(_Form1->picture().pixelColor(1, 0), QColor(Qt::white));
    _Form1->trackBar()->setValue(1);
    EXPECT_EQ(_Form1->picture().pixelColor(0, 0), QColor(Qt::white));
    EXPECT_EQ(_Form1->picture().pixelColor(1, 0), QColor(Qt::black));
    _Form1->setData(3, 3, {1});  // a size that does not match: nothing to paint
    EXPECT_TRUE(_Form1->picture().isNull());
}

}  // namespace
