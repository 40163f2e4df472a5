// r62's scatter-plot window, offscreen, with the dialog seam answering; and
// the analyses of the main window that open it.
#include "statistics/forms/graph_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/dialogs.h"
#include "platform/testing/temp_dir.h"
#include "statistics/core/data/data_set.h"
#include "statistics/core/r62_options.h"
#include "statistics/core/r62_shell.h"
#include "statistics/forms/r62_main_window.h"
#include "statistics/tests/forms/diagram_window_test.h"

using namespace diagram_test;
using platform::MessageResult;

namespace {

// Pixels of the picture in the given colour (0xRRGGBB) inside [x0, x1) x [y0, y1).
int pixelsOf(const QImage& image, uint32_t rgb, int x0, int y0, int x1, int y1) {
    int count = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == rgb) ++count;
    return count;
}

class GraphWindowTest : public DiagramWindowTest {
  protected:
    void SetUp() override {
        DiagramWindowTest::SetUp();
        category.fill(0);
    }
    void resetState() override {
        resetR62Data();
        resetR62Options();
        DiagramWindowTest::resetState();
    }

    void add(double x, double y, double z, int c) {
        ++plot.sampleCount;
        plot.PlotX[plot.sampleCount] = x;
        plot.PlotY[plot.sampleCount] = y;
        plot.PlotZ[plot.sampleCount] = z;
        category[plot.sampleCount] = static_cast<int16_t>(c);
    }
    TGraphWindow* make() {
        plot.PlotTitle = "Principal Component Analysis";
        plot.AxisLabel1 = "MEF 1";
        plot.AxisLabel2 = "MEF 2";
        plot.AxisLabel3 = "MEF 3";
        auto* window = new TGraphWindow(owner.get(), plot, category, "good.sel");
        window->show();
        return window;
    }
    // The 2-D plot of three samples over x 0..2 and y 0..4.
    TGraphWindow* make2D() {
        add(0.0, 0.0, 0.0, 1);
        add(2.0, 4.0, 0.0, 2);
        add(1.0, 1.0, 0.0, 3);
        TGraphWindow* window = make();
        window->Plot2D("pca");
        return window;
    }
    void moveTo(TGraphWindow* window, int x, int y) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, y),
                         window->Image->mapToGlobal(QPointF(x, y)), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(window->Image, &move);
    }

    PlotInput plot;
    PerSample16 category;
};

}  // namespace

TEST_F(GraphWindowTest, OpensOnTopWithItsCaptionAndTheFixedPicture) {
    TGraphWindow* w = make2D();
    EXPECT_EQ(w->windowTitle(), "\"good.sel\" - Principal Component Analysis");
    EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(w->isModal());
    EXPECT_EQ(r62Shell().GraphWindowOpen, 1);
    EXPECT_EQ(w->picture().size(), QSize(385, 273));
    EXPECT_EQ(w->Image->size(), QSize(385, 273));
    EXPECT_TRUE(w->StatusBar1->isHidden());
    EXPECT_FALSE(w->flipY->isEnabled());
    EXPECT_EQ(r62Diagram().DiagramSaved, 0);
}

TEST_F(GraphWindowTest, TheSamplesOfA2DPlotSitAtTheirPixelsInTheirClassColours) {
    TGraphWindow* w = make2D();
    const QImage& image = w->picture();
    // Sample 1 at (min, min): cell from (51, 226); sample 2 at (max, max):
    // from (366, 8); sample 3 at (1, 1): from (209, 172).
    EXPECT_GT(pixelsOf(image, 0xFF0000, 51, 226, 58, 238), 3);
    EXPECT_GT(pixelsOf(image, 0x008000, 366, 8, 373, 20), 3);
    EXPECT_GT(pixelsOf(image, 0x0000FF, 209, 172, 216, 184), 3);
    // Nowhere else.
    EXPECT_EQ(pixelsOf(image, 0xFF0000, 0, 0, 385, 273),
              pixelsOf(image, 0xFF0000, 51, 226, 58, 238));
    EXPECT_EQ(pixelsOf(image, 0x008000, 0, 0, 385, 273),
              pixelsOf(image, 0x008000, 366, 8, 373, 20));
    // The frame (55, 15)-(370, 233).
    EXPECT_EQ(image.pixel(55, 100) & 0xFFFFFF, 0u);
    EXPECT_EQ(image.pixel(369, 100) & 0xFFFFFF, 0u);
    EXPECT_EQ(image.pixel(200, 15) & 0xFFFFFF, 0u);
    EXPECT_EQ(image.pixel(200, 232) & 0xFFFFFF, 0u);
    EXPECT_EQ(image.pixel(200, 100) & 0xFFFFFF, 0xFFFFFFu);
    // The labels in blue.
    EXPECT_GT(pixelsOf(image, 0x0000FF, 150, 251, 250, 273), 0);

    EXPECT_EQ(w->sampleMap().at(51, 226), 1);
    EXPECT_EQ(w->sampleMap().at(58, 238), 1);
    EXPECT_EQ(w->sampleMap().at(370, 15), 2);
    EXPECT_EQ(w->sampleMap().at(215, 180), 3);
    EXPECT_EQ(w->sampleMap().at(200, 100), 0);
}

TEST_F(GraphWindowTest, ThePointerShowsTheSampleUnderIt) {
    add(0.0, 0.0, 0.0, 1);
    add(0.0, 0.0, 0.0, 2);  // same pixel: the later sample wins
    add(2.0, 4.0, 0.0, 2);
    TGraphWindow* w = make();
    w->Plot2D("raw");

    moveTo(w, 53, 230);
    EXPECT_FALSE(w->StatusBar1->isHidden());
    EXPECT_EQ(w->statusText(), "Sample number = 2");
    moveTo(w, 200, 100);
    EXPECT_FALSE(w->StatusBar1->isHidden());
    EXPECT_EQ(w->statusText(), "Sample number = 0");
    moveTo(w, 368, 10);
    EXPECT_EQ(w->statusText(), "Sample number = 3");
    // The margins: the readout disappears.
    moveTo(w, 10, 100);
    EXPECT_TRUE(w->StatusBar1->isHidden());
    moveTo(w, 200, 249);
    EXPECT_TRUE(w->StatusBar1->isHidden());
    moveTo(w, 375, 100);
    EXPECT_TRUE(w->StatusBar1->isHidden());
    moveTo(w, 200, 7);
    EXPECT_TRUE(w->StatusBar1->isHidden());
    // The innermost corners still read.
    moveTo(w, 11, 8);
    EXPECT_FALSE(w->StatusBar1->isHidden());
    moveTo(w, 374, 248);
    EXPECT_FALSE(w->StatusBar1->isHidden());
}

TEST_F(GraphWindowTest, SavingWritesThePictureAsABitmapAndCloseNoLongerAsks) {
    QPointer<TGraphWindow> w = make2D();
    const std::string path = dir.file("plot.bmp");
    dialogs.fileAnswers.push_back(chosen(path));
    w->SaveClick();
    expectSavedBitmap("bitmap|*.bmp", path, w->picture());

    const std::string bytes = dir.read("plot.bmp");
    ASSERT_GT(bytes.size(), 54u);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    QImage back;
    ASSERT_TRUE(back.load(QString::fromStdString(path), "BMP"));
    EXPECT_EQ(back.size(), QSize(385, 273));

    w->CloseClick();
    EXPECT_TRUE(dialogs.messages.empty());
    pump();
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(r62Shell().GraphWindowOpen, 0);
}

TEST_F(GraphWindowTest, CloseAsksAboutAnUnsavedDiagram) {
    QPointer<TGraphWindow> w = make2D();
    dialogs.messageAnswers.push_back(MessageResult::No);
    w->CloseClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "The diagram has not been saved.\rDo you want to save it now?");
    EXPECT_EQ(dialogs.messages[0].icon, platform::MessageIcon::Information);
    EXPECT_EQ(dialogs.messages[0].buttons, platform::MessageButtons::YesNo);
    EXPECT_TRUE(dialogs.fileDialogs.empty());
    pump();
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(r62Shell().GraphWindowOpen, 0);
}

TEST_F(GraphWindowTest, AnExistingFileIsReplacedOnlyWhenTheUserAgrees) {
    TGraphWindow* w = make2D();
    const std::string path = dir.write("old.bmp", "old");
    dialogs.fileAnswers.push_back(chosen(path));
    dialogs.messageAnswers.push_back(MessageResult::No);
    w->SaveClick();  // No brings the dialog back; the empty queue cancels it
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "File \"" + path + "\" already exists!\rDo you want to replace it?");
    EXPECT_EQ(dialogs.fileDialogs.size(), 2u);
    EXPECT_EQ(dir.read("old.bmp"), "old");
    EXPECT_EQ(r62Diagram().DiagramSaved, 0);

    dialogs.fileAnswers.push_back(chosen(path));
    dialogs.messageAnswers.push_back(MessageResult::Yes);
    w->SaveClick();
    EXPECT_EQ(dir.read("old.bmp").substr(0, 2), "BM");
    EXPECT_EQ(r62Diagram().DiagramSaved, 1);
}

TEST_F(GraphWindowTest, TheBoxFlipsItsSecondAxisAndDrawsANewDiagram) {
    add(0.0, 0.0, 0.0, 1);
    add(1.0, 1.0, 1.0, 2);
    TGraphWindow* w = make();
    w->Plot3DSetup();
    EXPECT_TRUE(w->flipY->isEnabled());
    EXPECT_EQ(w->flipY->text(), "&Flip \"MEF 2\" axis");
    EXPECT_EQ(r62Diagram().FlipYAxis, 1);
    // Sample 2 at P(1, 1, 1) - (2, 4) = (342, 62).
    EXPECT_EQ(w->sampleMap().at(342, 62), 2);
    EXPECT_GT(pixelsOf(w->picture(), 0x008000, 342, 62, 349, 74), 3);

    r62Diagram().DiagramSaved = 1;
    w->flipYClick();
    EXPECT_EQ(r62Diagram().FlipYAxis, 0);
    EXPECT_EQ(r62Diagram().DiagramSaved, 0);
    // Now at P(1, 0, 1) - (2, 4) = (196, 4); the old place is empty.
    EXPECT_EQ(w->sampleMap().at(196, 4), 2);
    EXPECT_EQ(w->sampleMap().at(342, 62), 0);
    EXPECT_EQ(pixelsOf(w->picture(), 0x008000, 342, 62, 349, 74), 0);
    EXPECT_EQ(w->flipY->text(), "&Flip \"MEF 2\" axis");
}

TEST_F(GraphWindowTest, EqualSamplesOnAnAxisGoToItsMiddle) {
    add(5.0, 1.0, 0.0, 1);
    add(5.0, 1.0, 0.0, 2);
    TGraphWindow* w = make();
    w->Plot1D();
    // The strip's middle: x = 23 + 168, y = 11 + 109.
    EXPECT_EQ(w->sampleMap().at(191, 120), 2);
    w->Plot2D("lda");
    EXPECT_EQ(w->sampleMap().at(209, 117), 2);
    // The middle of the box, P(0.5, 0.5, 0.5) = (204, 127), less (2, 4).
    w->Plot3DSetup();
    EXPECT_EQ(w->sampleMap().at(202, 123), 2);
}

TEST_F(GraphWindowTest, ClassBoundariesAreDrawnInsideTheBoxOnly) {
    add(0.0, 0.0, 0.0, 1);
    add(1.0, 1.0, 0.0, 2);
    TGraphWindow* w = make();
    w->setClassBoundaries({{-0.5, 0.0, 1.0}});  // v = 0.5, class 1 colour
    w->Plot2D("ann");
    const QImage& image = w->picture();
    EXPECT_EQ(image.pixel(200, 124) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(image.pixel(20, 124) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(image.pixel(375, 124) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(GraphWindowTest, TheTitleBarCloseAsksNothingAndFreesTheWindow) {
    QPointer<TGraphWindow> w = make2D();
    w->close();
    EXPECT_TRUE(dialogs.messages.empty());
    pump();
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(r62Shell().GraphWindowOpen, 0);
}

// --- the analyses of the main window ----------------------------------------------

namespace {

// Three features, two categories, eight samples.
const char kSel[] =
    "*label\r\n"
    "converted data\r\n"
    "*features\r\n"
    "1 Mean\r\n"
    "2 Variance\r\n"
    "3 Skewness\r\n"
    "*categories\r\n"
    "1 healthy\r\n"
    "2 lesion\r\n"
    "*data\r\n"
    "1 1.0 10.0 0.3\r\n"
    "1 1.2 10.5 0.1\r\n"
    "1 0.8 11.0 0.4\r\n"
    "1 1.1 9.0 0.2\r\n"
    "2 5.1 30.2 0.9\r\n"
    "2 6.0 31.0 0.7\r\n"
    "2 6.3 33.0 0.8\r\n"
    "2 5.5 29.0 1.1\r\n"
    "*end\r\n";

class R62AnalysisWindowTest : public GraphWindowTest {
  protected:
    TMainWindow& loaded() {
        window = std::make_unique<TMainWindow>();
        dialogs.fileAnswers.push_back(chosen(dir.write("good.sel", kSel)));
        window->GetDataClick();
        dialogs.fileDialogs.clear();
        dialogs.messages.clear();
        return *window;
    }
    void TearDown() override {
        window.reset();
        GraphWindowTest::TearDown();
    }
    std::unique_ptr<TMainWindow> window;
};

}  // namespace

TEST_F(R62AnalysisWindowTest, PcaReportsInTheOutputPaneAndOpensThePlot) {
    TMainWindow& w = loaded();
    ASSERT_TRUE(w.action("&PCA")->isEnabled());
    w.action("&PCA")->trigger();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(w.statusText(), "PCA analysis");
    const QString report = w.MemoOut->toPlainText();
    EXPECT_TRUE(report.contains("* Results [principal component analysis]"));
    EXPECT_TRUE(report.contains("> 1-NN classification of MEFs"));
    EXPECT_FALSE(w.MemoOut->isHidden());
    EXPECT_TRUE(r62Shell().reportFlag(ReportKind::Pca));

    QPointer<TGraphWindow> graph = w.graphWindow();
    ASSERT_FALSE(graph.isNull());
    EXPECT_TRUE(graph->isVisible());
    EXPECT_EQ(graph->windowTitle(), "\"good.sel\" - Principal Component Analysis");
    EXPECT_EQ(r62Shell().GraphWindowOpen, 1);

    // While it is open the analyses do nothing, without a word.
    w.MemoOut->clear();
    w.LDAClick();
    w.RawDataMIClick();
    EXPECT_TRUE(w.MemoOut->toPlainText().isEmpty());
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(w.statusText(), "PCA analysis");

    graph->close();
    pump();
    EXPECT_TRUE(graph.isNull());
    w.LDAClick();
    EXPECT_EQ(w.statusText(), "LDA analysis");
    EXPECT_TRUE(w.MemoOut->toPlainText().contains("* Results [linear discriminant analysis]"));
    EXPECT_TRUE(r62Shell().reportFlag(ReportKind::Lda));
    EXPECT_FALSE(r62Shell().reportFlag(ReportKind::Pca));
    // Two categories: one discriminant, the strip.
    ASSERT_NE(w.graphWindow(), nullptr);
    EXPECT_FALSE(w.graphWindow()->flipY->isEnabled());
}

TEST_F(R62AnalysisWindowTest, RawDataDrawsTheBoxOfTheFirstThreeFeatures) {
    TMainWindow& w = loaded();
    w.RawDataMIClick();
    EXPECT_EQ(w.statusText(), "Raw data analysis");
    EXPECT_TRUE(w.MemoOut->toPlainText().contains("* Results [raw-data analysis]"));
    EXPECT_TRUE(r62Shell().reportFlag(ReportKind::RawData));
    ASSERT_NE(w.graphWindow(), nullptr);
    EXPECT_EQ(w.graphWindow()->windowTitle(), "\"good.sel\" - raw data analysis");
    EXPECT_TRUE(w.graphWindow()->flipY->isEnabled());
    EXPECT_EQ(w.graphWindow()->flipY->text(), "&Flip \"Variance\" axis");
}

TEST_F(R62AnalysisWindowTest, WithoutDataTheAnalysesSaySoAndOpenNothing) {
    window = std::make_unique<TMainWindow>();
    window->PCAClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "No new consistent data available for analysis.");
    EXPECT_EQ(window->graphWindow(), nullptr);
    EXPECT_EQ(r62Shell().GraphWindowOpen, 0);
}
