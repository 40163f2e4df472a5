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
#include <QWindow>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/dialogs.h"
#include "platform/qt/window_placement.h"
#include "platform/testing/temp_dir.h"
#include "statistics/core/data/data_set.h"
#include "statistics/core/r62_options.h"
#include "statistics/core/r62_shell.h"
#include "statistics/forms/r62_main_window.h"
#include "statistics/tests/forms/diagram_window_test.h"
#include "statistics/tests/forms/menu_keys.h"

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

// The box of the pixels in the given colour inside [x0, x1) x [y0, y1).
QRect inkOf(const QImage& image, uint32_t rgb, int x0 = 0, int y0 = 0, int x1 = -1, int y1 = -1) {
    if (x1 < 0) x1 = image.width();
    if (y1 < 0) y1 = image.height();
    QRect box;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == rgb) box |= QRect(x, y, 1, 1);
    return box;
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
    expectAltKeysOnEveryControl(w);
    EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(w->isModal());
    EXPECT_EQ(r62Shell().GraphWindowOpen, 1);
    EXPECT_EQ(w->picture().size(), QSize(385, 273));
    EXPECT_EQ(w->Image->size(), QSize(385, 273));
    EXPECT_TRUE(w->StatusBar1->isHidden());
    EXPECT_FALSE(w->flipY->isEnabled());
    EXPECT_EQ(r62Diagram().DiagramSaved, 0);
}

TEST_F(GraphWindowTest, StaysOnTopOnlyWhileR62IsTheProgramInUse) {
    // Another program's boxes (Vantu's, after a hand-over) must not open
    // under a plot; back in r62 the plot is on top again.
    static const bool hooked = [] {
        platform::keepOnTopOnlyWhileActive(*qApp);
        return true;
    }();
    ASSERT_TRUE(hooked);
    TGraphWindow* w = make2D();
    w->show();
    ASSERT_NE(w->windowHandle(), nullptr);
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_FALSE(w->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);  // where its boxes belong
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_TRUE(w->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(GraphWindowTest, TheSamplesOfA2DPlotSitInsideTheFrameInTheirClassColours) {
    TGraphWindow* w = make2D();
    const QImage& image = w->picture();
    // The frame (55, 15)-(370, 233), drawn whole.
    EXPECT_EQ(image.pixel(55, 100) & 0xFFFFFF, 0u);
    EXPECT_EQ(image.pixel(369, 100) & 0xFFFFFF, 0u);
    EXPECT_EQ(image.pixel(200, 15) & 0xFFFFFF, 0u);
    EXPECT_EQ(image.pixel(200, 232) & 0xFFFFFF, 0u);
    EXPECT_EQ(image.pixel(200, 100) & 0xFFFFFF, 0xFFFFFFu);
    // Sample 1 at (min, min) in the bottom-left corner, sample 2 at (max, max)
    // in the top-right one, each with free pixels between it and the frame.
    const QRect red = inkOf(image, 0xFF0000);
    const QRect green = inkOf(image, 0x008000);
    EXPECT_EQ(red.left(), 55 + 1 + kDataMargin);
    EXPECT_EQ(red.bottom(), 232 - 1 - kDataMargin);
    EXPECT_EQ(green.right(), 369 - 1 - kDataMargin);
    EXPECT_EQ(green.top(), 15 + 1 + kDataMargin);
    // Sample 3 at (1, 1): half way across, a quarter up (in the labels' blue).
    const QRect blue = inkOf(image, 0x0000FF, 56, 16, 369, 232);
    EXPECT_NEAR(blue.center().x(), (red.center().x() + green.center().x()) / 2, 1);
    EXPECT_NEAR(blue.center().y(), red.center().y() - (red.center().y() - green.center().y()) / 4,
                1);
    // Inside the frame nothing black: no tick number or label lies on the data.
    EXPECT_EQ(pixelsOf(image, 0x000000, 56, 16, 369, 232), 0);
    // The labels in blue, under and left of the frame.
    EXPECT_GT(pixelsOf(image, 0x0000FF, 150, 240, 250, 273), 0);
    EXPECT_GT(pixelsOf(image, 0x0000FF, 0, 100, 55, 140), 0);

    EXPECT_EQ(w->sampleMap().at(red.center().x(), red.center().y()), 1);
    EXPECT_EQ(w->sampleMap().at(green.center().x(), green.center().y()), 2);
    EXPECT_EQ(w->sampleMap().at(blue.center().x(), blue.center().y()), 3);
    EXPECT_EQ(w->sampleMap().at(200, 100), 0);
}

TEST_F(GraphWindowTest, TheLegendUnderThePlotNamesEachClassCharacter) {
    add(0.0, 0.0, 0.0, 1);
    add(300.0, 400.0, 0.0, 2);  // exponent ticks, wider than the left margin
    TGraphWindow* w = make();
    w->setClassNames({"healthy", "lesion", "unused"});
    w->Plot2D("pca");
    const QImage& image = w->picture();
    ASSERT_GT(image.height(), 273);
    EXPECT_EQ(w->Image->height(), image.height());
    // Under the plot: the characters of classes 1 and 2 in their colours and
    // the names in black; class 3 has no sample and no entry.
    EXPECT_GT(pixelsOf(image, 0xFF0000, 0, 273, 385, image.height()), 3);
    EXPECT_GT(pixelsOf(image, 0x008000, 0, 273, 385, image.height()), 3);
    EXPECT_EQ(pixelsOf(image, 0x0000FF, 0, 273, 385, image.height()), 0);
    EXPECT_GT(pixelsOf(image, 0x000000, 0, 273, 385, image.height()), 20);
    // The plot above keeps its geometry, and the tick numbers stay off the data.
    EXPECT_EQ(image.pixel(55, 100) & 0xFFFFFF, 0u);
    EXPECT_EQ(pixelsOf(image, 0x000000, 56, 16, 369, 232), 0);
    // The readout still reads the plot.
    const QRect red = inkOf(image, 0xFF0000, 0, 0, 385, 273);
    EXPECT_EQ(w->sampleMap().at(red.center().x(), red.center().y()), 1);
}

TEST_F(GraphWindowTest, ThePointerShowsTheSampleUnderIt) {
    add(0.0, 0.0, 0.0, 1);
    add(0.0, 0.0, 0.0, 2);  // same pixel: the later sample wins
    add(2.0, 4.0, 0.0, 2);
    TGraphWindow* w = make();
    w->Plot2D("raw");
    const QRect first = inkOf(w->picture(), 0xFF0000);
    const QRect last = inkOf(w->picture(), 0x008000, 200, 0, 385, 100);

    moveTo(w, first.center().x(), first.center().y());
    EXPECT_FALSE(w->StatusBar1->isHidden());
    EXPECT_EQ(w->statusText(), "Sample number = 2");
    moveTo(w, 200, 100);
    EXPECT_FALSE(w->StatusBar1->isHidden());
    EXPECT_EQ(w->statusText(), "Sample number = 0");
    moveTo(w, last.center().x(), last.center().y());
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
    // Sample 2 near P(1, 1, 1), inset from the corner, less (2, 4).
    const Projection3D p = plot3DSetup();
    const double far = insetInBox(1.0);
    const double near = insetInBox(0.0);
    const PixelPoint before = p.Project3D(far, far, far);
    EXPECT_EQ(w->sampleMap().at(before.x - 2, before.y - 4), 2);
    EXPECT_GT(
        pixelsOf(w->picture(), 0x008000, before.x - 2, before.y - 4, before.x + 5, before.y + 8),
        3);

    r62Diagram().DiagramSaved = 1;
    w->flipYClick();
    EXPECT_EQ(r62Diagram().FlipYAxis, 0);
    EXPECT_EQ(r62Diagram().DiagramSaved, 0);
    // Now near P(1, 0, 1); the old place is empty.
    const PixelPoint after = p.Project3D(far, near, far);
    EXPECT_EQ(w->sampleMap().at(after.x - 2, after.y - 4), 2);
    EXPECT_EQ(w->sampleMap().at(before.x - 2, before.y - 4), 0);
    EXPECT_EQ(
        pixelsOf(w->picture(), 0x008000, before.x - 2, before.y - 4, before.x + 5, before.y + 8),
        0);
    EXPECT_EQ(w->flipY->text(), "&Flip \"MEF 2\" axis");
}

TEST_F(GraphWindowTest, EqualSamplesOnAnAxisGoToItsMiddle) {
    add(5.0, 1.0, 0.0, 1);
    add(5.0, 1.0, 0.0, 2);
    TGraphWindow* w = make();
    w->Plot1D();
    // The strip's middle: about x = 23 + 168, y = 11 + 109.
    EXPECT_EQ(w->sampleMap().at(194, 124), 2);
    w->Plot2D("lda");
    EXPECT_EQ(w->sampleMap().at(212, 122), 2);
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
