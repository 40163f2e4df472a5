// r62 as a new user reads it: axis labels and frames of the fixed-size plots
// whole, the dendrogram's Description lists as wide as their texts, the
// input pane showing where a rejected file went wrong, and F1 saying where
// it looked for the help file.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QImage>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <QTextBlock>
#include <memory>
#include <string>
#include <vector>

#include "platform/shell.h"
#include "statistics/core/data/data_set.h"
#include "statistics/core/r62_options.h"
#include "statistics/forms/graph_window.h"
#include "statistics/forms/html_help.h"
#include "statistics/forms/r62_main_window.h"
#include "statistics/forms/tree_window.h"
#include "statistics/tests/clustering/dendrogram_test_trees.h"
#include "statistics/tests/forms/diagram_window_test.h"

using namespace diagram_test;

namespace {

int pixelsOf(const QImage& image, uint32_t rgb, int x0, int y0, int x1, int y1) {
    int count = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == rgb) ++count;
    return count;
}

class R62ReadabilityTest : public DiagramWindowTest {
  protected:
    void resetState() override {
        resetR62Data();
        resetR62Options();
        DiagramWindowTest::resetState();
    }
};

TEST_F(R62ReadabilityTest, ALongVerticalAxisLabelIsWrittenWholeAndTheFrameStaysUnbroken) {
    PlotInput plot;
    PerSample16 category;
    category.fill(0);
    // Classes 1 and 2 only: class 3 is drawn in the labels' blue.
    const double at[][2] = {{0.0, 0.0}, {2.0, 4.0}, {1.0, 1.0}};
    for (int i = 1; i <= 3; ++i) {
        plot.PlotX[i] = at[i - 1][0];
        plot.PlotY[i] = at[i - 1][1];
        category[i] = static_cast<int16_t>(i % 2 + 1);
    }
    plot.sampleCount = 3;
    plot.PlotTitle = "raw data analysis";
    plot.AxisLabel1 = "S(1,0)SumAverg";
    plot.AxisLabel2 = "S(1,0)Contrast";
    auto* w = new TGraphWindow(owner.get(), plot, category, "good.sel");
    w->show();
    w->Plot2D("raw");
    const QImage& image = w->picture();

    // The whole label lies in the left margin, written upwards: its blue
    // pixels span more rows than one line of text has, and none is cut at
    // the picture's left edge.
    int top = image.height();
    int bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        if (pixelsOf(image, 0x0000FF, 0, y, 55, y + 1) > 0) {
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    const int labelWidth = QFontMetrics(w->font()).horizontalAdvance("S(1,0)Contrast");
    EXPECT_GE(bottom - top + 1, labelWidth - 4);
    EXPECT_EQ(pixelsOf(image, 0x0000FF, 0, 0, 1, image.height()), 0);
    // The first sample sits in the frame's bottom-left corner, inside it:
    // the frame is unbroken and nothing is inked on or left of it.
    for (int y = 15; y < 15 + 218; ++y) EXPECT_EQ(image.pixel(55, y) & 0xFFFFFF, 0u) << y;
    EXPECT_GT(pixelsOf(image, 0x008000, 56, 200, 80, 232), 0);
    EXPECT_EQ(pixelsOf(image, 0x008000, 0, 0, 59, image.height()), 0);
    w->close();
}

TEST_F(R62ReadabilityTest, TheDescriptionListsAreAsWideAsTheirTexts) {
    auto data = std::make_unique<R62DataSet>();
    data->DataFileName = "tissue.sel";
    const auto tree = dendrogram_test::caterpillar(40);
    data->CategoryCount = 2;
    for (int i = 1; i <= tree->sampleCount; ++i)
        data->Category[i] = static_cast<int16_t>((i - 1) % 2 + 1);
    TTreeWindow* w = ShowDendrogram(
        owner.get(), [](const std::string&) {}, *tree, *data, "Hierarchical Clustering");
    ASSERT_NE(w, nullptr);
    for (QTableWidget* list : {w->LeafList, w->SampleList}) {
        EXPECT_FALSE(list->wordWrap());
        for (int column = 0; column < 2; ++column) {
            int widest = 0;
            for (int row = 0; row < list->rowCount(); ++row)
                widest = std::max(
                    widest,
                    QFontMetrics(list->font()).horizontalAdvance(list->item(row, column)->text()));
            EXPECT_GE(list->columnWidth(column), widest) << column;
        }
    }
    // A long sample list also shows whole as a tooltip.
    EXPECT_EQ(w->LeafList->item(1, 1)->toolTip(), "1, 2, 3, 4, 5, 6, 7, 8, 9, 10");
    w->close();
}

// --- the main window --------------------------------------------------------------

class R62MainWindowReadabilityTest : public DiagramWindowTest {
  protected:
    void resetState() override {
        resetR62Data();
        resetR62Options();
        DiagramWindowTest::resetState();
    }
    void TearDown() override {
        window.reset();
        DiagramWindowTest::TearDown();
    }
    std::unique_ptr<TMainWindow> window;
};

TEST_F(R62MainWindowReadabilityTest, ARejectedFileShowsItsErrorMarkerInTheInputPane) {
    // The fault in line 150 of a long file.
    std::string text =
        "*label\r\nlong\r\n*features\r\n1 Mean\r\n2 Variance\r\n*categories\r\n"
        "1 healthy\r\n2 lesion\r\n*data\r\n";
    for (int line = 10; line < 150; ++line)
        text += std::to_string(line % 2 + 1) + " 1." + std::to_string(line) + " 10.5\r\n";
    text += "1 1.0 x10.0\r\n*end\r\n";
    const std::string path = dir.write("long.sel", text);

    window = std::make_unique<TMainWindow>(std::vector<std::string>{});
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    dialogs.fileAnswers.push_back(chosen(path));
    window->GetDataClick();
    QCoreApplication::processEvents();

    QPlainTextEdit* pane = window->MemoIn;
    const QTextBlock marker = pane->document()->lastBlock();
    ASSERT_TRUE(marker.text().startsWith("^ Error at line 150"));
    EXPECT_GT(pane->verticalScrollBar()->value(), 0);
    EXPECT_EQ(pane->textCursor().block().blockNumber(), marker.blockNumber());
    // The marker and the faulty line above it are in sight.
    EXPECT_TRUE(pane->viewport()->rect().contains(pane->cursorRect()));
    EXPECT_EQ(pane->horizontalScrollBar()->value(), 0);
}

TEST_F(R62MainWindowReadabilityTest, F1WithoutAHelpFileSaysWhereItLooked) {
    window = std::make_unique<TMainWindow>(std::vector<std::string>{});
    QAction* help = window->findChild<QAction*>("HelpShortcut");
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->shortcut(), QKeySequence(Qt::Key_F1));
    help->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "r62");
    EXPECT_EQ(dialogs.messages[0].text,
              "Cannot open the help file " + platform::programFolder() + "vantu.chm.");
}

}  // namespace
