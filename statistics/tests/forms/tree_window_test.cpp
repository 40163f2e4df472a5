// r62's dendrogram window, offscreen, with the dialog seam answering: the
// cut by the track bar, accept and discard, saving and closing.
#include "statistics/forms/tree_window.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTableWidget>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/testing/temp_dir.h"
#include "platform/textformat.h"
#include "statistics/core/r62_shell.h"
#include "statistics/forms/class_cluster_table.h"
#include "statistics/forms/graph_window.h"
#include "statistics/tests/clustering/dendrogram_test_trees.h"
#include "statistics/tests/forms/diagram_window_test.h"
#include "statistics/tests/forms/menu_keys.h"

using namespace dendrogram_test;
using namespace diagram_test;
using platform::MessageResult;

namespace {

int bluePixels(const QImage& image, int row) {
    int count = 0;
    for (int x = 0; x < image.width(); ++x)
        if ((image.pixel(x, row) & 0xFFFFFF) == 0x0000FF) ++count;
    return count;
}

// handMade() at the default size has its links on rows 185, 140, 95 and 5.
class TreeWindowTest : public DiagramWindowTest {
  protected:
    void SetUp() override {
        DiagramWindowTest::SetUp();
        data = std::make_unique<R62DataSet>();
        data->DataFileName = "tissue.sel";
    }

    TTreeWindow* show(const ClusterTree& tree, int categories = 2) {
        data->CategoryCount = static_cast<int16_t>(categories);
        for (int i = 1; i <= tree.sampleCount; ++i)
            data->Category[i] = static_cast<int16_t>((i - 1) % categories + 1);
        return ShowDendrogram(
            owner.get(), [this](const std::string& line) { memo.push_back(line); }, tree, *data,
            "Hierarchical Clustering");
    }
    void moveTo(TTreeWindow* w, int row) { w->TrackBar1->setValue(row); }

    std::unique_ptr<R62DataSet> data;
    std::vector<std::string> memo;
};

}  // namespace

TEST_F(TreeWindowTest, OpensOnTopWithTheTreeAndTheFirstCut) {
    const auto tree = handMade();
    TTreeWindow* w = show(*tree);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), "\"tissue.sel\" - Hierarchical Clustering");
    EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(w->isModal());
    EXPECT_EQ(w->minimumSize(), QSize(520, 400));
    EXPECT_EQ(r62Shell().TreeWindowOpen, 1);
    EXPECT_EQ(r62Diagram().DiagramSaved, 0);
    expectAltKeysOnEveryMenu(w->MainMenu1);
    expectAltKeysOnEveryControl(w);

    EXPECT_EQ(w->PageControl1->tabPosition(), QTabWidget::South);
    ASSERT_EQ(w->PageControl1->count(), 2);
    EXPECT_EQ(w->PageControl1->tabText(0), "Dendrogram");
    EXPECT_EQ(w->PageControl1->tabText(1), "Description");
    EXPECT_EQ(w->picture().size(), QSize(344, 268));
    EXPECT_EQ(w->TrackBar1->orientation(), Qt::Vertical);
    EXPECT_EQ(w->TrackBar1->minimum(), 0);
    EXPECT_EQ(w->TrackBar1->maximum(), 230);
    EXPECT_EQ(w->TrackBar1->value(), 7);

    EXPECT_TRUE(w->Edit2->isReadOnly());
    EXPECT_TRUE(w->Edit3->isReadOnly());
    EXPECT_TRUE(w->Edit4->isReadOnly());
    EXPECT_EQ(w->Edit2->text(), "0.875000");
    // The first evaluation always writes, though k is already 2.
    EXPECT_EQ(w->clusterCount(), 2);
    EXPECT_EQ(w->statusText(), "You choose number of clusters to be: 2");
    EXPECT_EQ(w->Edit3->text().toStdString(),
              platform::cformat("%1.6f", tree->InconsistencyTable[4][3]));
    EXPECT_EQ(w->Edit4->text().toStdString(),
              platform::cformat("%1.6f", DendrogramCutLevel(*tree, 2)));
    EXPECT_EQ(w->clusterLabels(), (std::vector<int>{0, 1, 1, 1, 2, 2}));

    // The Description page.
    ASSERT_EQ(w->LeafList->rowCount(), 5);
    EXPECT_EQ(w->LeafList->horizontalHeaderItem(0)->text(), "Leaf No.");
    EXPECT_EQ(w->LeafList->horizontalHeaderItem(1)->text(), "Sample No.");
    EXPECT_EQ(w->LeafList->item(4, 0)->text(), "3");
    ASSERT_EQ(w->SampleList->rowCount(), 5);
    EXPECT_EQ(w->SampleList->horizontalHeaderItem(0)->text(), "Sample No.");
    EXPECT_EQ(w->SampleList->item(2, 1)->text(), "3");
}

TEST_F(TreeWindowTest, TheCutLineIsRedAndTheCleanPictureKeepsTheBlueLinks) {
    const auto tree = handMade();
    TTreeWindow* w = show(*tree);
    for (int x = 0; x < 344; ++x) ASSERT_EQ(w->picture().pixel(x, 7) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(bluePixels(w->cleanPicture(), 7), 2);
    EXPECT_EQ(bluePixels(w->cleanPicture(), 100), 3);
    EXPECT_EQ(bluePixels(w->cleanPicture(), 200), 5);
    // The leaves' labels and their connectors are not blue.
    for (int row = 231; row < 268; ++row) ASSERT_EQ(bluePixels(w->cleanPicture(), row), 0);
    // The green joint of the top link, one row below it.
    EXPECT_EQ(w->cleanPicture().pixel(150, 6) & 0xFFFFFF, 0x008000u);

    moveTo(w, 100);
    EXPECT_EQ(w->picture().pixel(5, 7) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(w->picture().pixel(5, 100) & 0xFFFFFF, 0xFF0000u);
}

TEST_F(TreeWindowTest, TheNumberOfClustersIsTheNumberOfBlueLinesCrossed) {
    const auto tree = handMade();
    TTreeWindow* w = show(*tree);
    moveTo(w, 100);
    EXPECT_EQ(w->clusterCount(), 3);
    EXPECT_EQ(w->statusText(), "You choose number of clusters to be: 3");
    EXPECT_EQ(w->clusterLabels(), (std::vector<int>{0, 2, 2, 1, 3, 3}));
    moveTo(w, 200);
    EXPECT_EQ(w->clusterCount(), 5);
    // Above the top link, on a green joint, on the base line: 2.
    moveTo(w, 3);
    EXPECT_EQ(w->clusterCount(), 2);
    moveTo(w, 150);
    moveTo(w, 96);
    EXPECT_EQ(w->clusterCount(), 2);
    moveTo(w, 150);
    moveTo(w, 230);
    EXPECT_EQ(w->clusterCount(), 5);
    moveTo(w, 150);
    w->TrackBar1->setMaximum(240);
    moveTo(w, 231);
    EXPECT_EQ(w->clusterCount(), 2);
}

TEST_F(TreeWindowTest, MovingWithinTheSameNumberRewritesNothing) {
    const auto tree = handMade();
    TTreeWindow* w = show(*tree);
    moveTo(w, 100);
    w->Edit3->setText("stale");
    w->Edit4->setText("stale");
    moveTo(w, 110);  // still 3 blue lines
    EXPECT_EQ(w->Edit3->text(), "stale");
    EXPECT_EQ(w->Edit4->text(), "stale");
    moveTo(w, 150);  // 4
    EXPECT_EQ(w->clusterCount(), 4);
    EXPECT_EQ(w->statusText(), "You choose number of clusters to be: 4");
    EXPECT_EQ(w->Edit3->text().toStdString(),
              platform::cformat("%1.6f", tree->InconsistencyTable[2][3]));
}

TEST_F(TreeWindowTest, MoreThan31SamplesShow31Leaves) {
    const auto tree = caterpillar(40);
    TTreeWindow* w = show(*tree);
    EXPECT_EQ(w->model().leafOrder.size(), 31u);
    EXPECT_EQ(w->LeafList->rowCount(), 31);
    EXPECT_EQ(w->SampleList->rowCount(), 40);
    // Samples 1..10 lie under the cluster of link 9, label 49.
    EXPECT_EQ(w->LeafList->item(1, 0)->text(), "49");
    EXPECT_EQ(w->LeafList->item(1, 1)->text(), "1, 2, 3, 4, 5, 6, 7, 8, 9, 10");
    EXPECT_EQ(w->SampleList->item(9, 1)->text(), "49");
    EXPECT_EQ(w->clusterCount(), 2);
    moveTo(w, 229);
    EXPECT_EQ(w->clusterCount(), 30);
}

TEST_F(TreeWindowTest, AllLinksAtOneHeightStillCut) {
    const auto tree = treeOf(3, {{1, 2}, {3, 4}}, {0.0, 0.0});
    TTreeWindow* w = show(*tree);
    EXPECT_EQ(w->clusterCount(), 3);
    EXPECT_EQ(w->statusText(), "You choose number of clusters to be: 3");
    moveTo(w, 2);
    EXPECT_EQ(w->clusterCount(), 2);
}

TEST_F(TreeWindowTest, CloseBeforeDecidingIsRefused) {
    const auto tree = handMade();
    QPointer<TTreeWindow> w = show(*tree);
    w->CloseClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "You must first either accept or discard partition.");
    EXPECT_EQ(dialogs.messages[0].icon, platform::MessageIcon::Warning);
    EXPECT_EQ(dialogs.messages[0].buttons, platform::MessageButtons::Ok);
    pump();
    ASSERT_FALSE(w.isNull());
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(memo.empty());
    EXPECT_EQ(r62Shell().TreeWindowOpen, 1);
}

TEST_F(TreeWindowTest, TheTitleBarCloseAndDiscardReportTheResultsAsRejected) {
    const auto tree = handMade();
    QPointer<TTreeWindow> w = show(*tree);
    w->close();
    pump();
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(memo, (std::vector<std::string>{"Clustering results rejected."}));
    EXPECT_EQ(r62Shell().TreeWindowOpen, 0);
    EXPECT_TRUE(dialogs.messages.empty());

    memo.clear();
    w = show(*tree);
    w->DiscardButton->click();
    pump();
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(memo, (std::vector<std::string>{"Clustering results rejected."}));
    EXPECT_EQ(r62Shell().TreeWindowOpen, 0);
}

TEST_F(TreeWindowTest, AcceptReportsTheClustersAndOpensTheTable) {
    const auto tree = handMade();
    QPointer<TTreeWindow> w = show(*tree);
    moveTo(w, 100);
    w->AcceptButton->click();
    const std::vector<int> labels{0, 2, 2, 1, 3, 3};
    EXPECT_EQ(memo, acceptedPartitionLines(*tree, labels, 3));
    ASSERT_GE(memo.size(), 8u);
    EXPECT_EQ(memo[0], "Cutoff link No. 3");
    EXPECT_EQ(memo[5], "Number of clusters: 3");
    EXPECT_TRUE(w->decided());
    EXPECT_FALSE(w->TrackBar1->isEnabled());
    EXPECT_FALSE(w->AcceptButton->isEnabled());
    EXPECT_FALSE(w->DiscardButton->isEnabled());

    QPointer<TCCTable> table = classClusterTableWindow();
    ASSERT_NE(table, nullptr);
    EXPECT_TRUE(table->isVisible());
    // Never over the dendrogram's menu (nor its title bar).
    const QRect menu(
        w->frameGeometry().topLeft(),
        w->MainMenu1->mapToGlobal(QPoint(w->MainMenu1->width(), w->MainMenu1->height())));
    EXPECT_FALSE(table->frameGeometry().intersects(menu)) << menu.y() << " " << table->y();
    // In front of the dendrogram, which stays on top.
    EXPECT_TRUE(table->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(table->StringGrid1->rowCount(), 14);
    EXPECT_EQ(table->StringGrid1->columnCount(), 7);
    EXPECT_EQ(table->StringGrid1->item(0, 3)->text(), "Cluster 3");
    // Samples 1 (class 1) and 2 (class 2) form cluster 2.
    EXPECT_EQ(table->StringGrid1->item(1, 2)->text(), "1");
    EXPECT_EQ(table->StringGrid1->item(2, 2)->text(), "1");
    EXPECT_EQ(table->StringGrid1->item(2, 1)->text(), "0");
    // As small as the cells written (2 classes, 3 clusters), all in view.
    EXPECT_LT(table->height(), 14 * 20);
    const QRect last = table->StringGrid1->visualItemRect(table->StringGrid1->item(2, 3));
    EXPECT_TRUE(table->StringGrid1->viewport()->rect().contains(last));

    // Close now asks about the unsaved diagram, and reports nothing more.
    memo.clear();
    dialogs.messageAnswers.push_back(MessageResult::No);
    w->CloseClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "The diagram has not been saved.\rDo you want to save it now?");
    EXPECT_EQ(dialogs.messages[0].icon, platform::MessageIcon::Question);
    EXPECT_EQ(dialogs.messages[0].buttons, platform::MessageButtons::YesNo);
    pump();
    EXPECT_TRUE(w.isNull());
    EXPECT_TRUE(memo.empty());
    EXPECT_EQ(r62Shell().TreeWindowOpen, 0);
    // The table stays, no longer on top.
    ASSERT_FALSE(table.isNull());
    EXPECT_TRUE(table->isVisible());
    EXPECT_FALSE(table->windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(TreeWindowTest, FourteenClassesAndSevenClustersWidenTheTable) {
    const auto tree = caterpillar(10);
    TTreeWindow* w = show(*tree, 14);
    // Between the rows of links 3 (155) and 4 (130): seven clusters.
    moveTo(w, 140);
    ASSERT_EQ(w->clusterCount(), 7);
    w->AcceptClick();
    TCCTable* table = classClusterTableWindow();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->windowTitle(), "Class/Cluster Table");
    EXPECT_EQ(table->StringGrid1->rowCount(), 15);
    EXPECT_EQ(table->StringGrid1->columnCount(), 8);
    EXPECT_EQ(table->StringGrid1->item(14, 0)->text(), "Class 14");
    EXPECT_EQ(table->StringGrid1->item(0, 7)->text(), "Cluster 7");
    EXPECT_EQ(table->StringGrid1->item(14, 7)->text(), "0");
    EXPECT_EQ(table->StringGrid1->columnWidth(3), 90);
    EXPECT_EQ(table->StringGrid1->rowHeight(3), 20);
}

TEST_F(TreeWindowTest, SavingWritesTheCutPictureAsABitmap) {
    const auto tree = handMade();
    QPointer<TTreeWindow> w = show(*tree);
    moveTo(w, 100);
    const std::string path = dir.file("tree.bmp");
    dialogs.fileAnswers.push_back(chosen(path));
    w->SaveClick();
    expectSavedBitmap("Bitmatp *.BMP|*.bmp", path, w->picture());
    QImage back;
    ASSERT_TRUE(back.load(QString::fromStdString(path), "BMP"));
    EXPECT_EQ(back.size(), QSize(344, 268));
    EXPECT_EQ(back.pixel(5, 100) & 0xFFFFFF, 0xFF0000u);

    // An existing file: No brings the dialog back, which is then cancelled.
    dialogs.fileAnswers.push_back(chosen(dir.write("old.bmp", "old")));
    dialogs.messageAnswers.push_back(MessageResult::No);
    w->SaveClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "File \"" + dir.file("old.bmp") + "\" already exists!\rDo you want to replace it?");
    EXPECT_EQ(dialogs.messages[0].icon, platform::MessageIcon::Warning);
    EXPECT_EQ(dialogs.fileDialogs.size(), 3u);
    EXPECT_EQ(dir.read("old.bmp"), "old");

    // Saved: after an accept, Close asks nothing.
    w->AcceptClick();
    dialogs.messages.clear();
    w->CloseClick();
    EXPECT_TRUE(dialogs.messages.empty());
    pump();
    EXPECT_TRUE(w.isNull());
}

TEST_F(TreeWindowTest, ResizingRedrawsTheTreeForTheNewPicture) {
    const auto tree = handMade();
    TTreeWindow* w = show(*tree);
    moveTo(w, 150);
    r62Diagram().DiagramSaved = 1;
    w->resize(620, 500);
    QCoreApplication::processEvents();
    EXPECT_EQ(w->picture().size(), QSize(444, 368));
    EXPECT_EQ(w->TrackBar1->maximum(), 330);
    EXPECT_EQ(w->TrackBar1->value(), 7);
    EXPECT_EQ(w->clusterCount(), 2);
    EXPECT_EQ(r62Diagram().DiagramSaved, 0);
    EXPECT_EQ(bluePixels(w->cleanPicture(), 7), 2);
}

TEST_F(TreeWindowTest, AfterAnAcceptAResizeKeepsTheAcceptedClusters) {
    const auto tree = handMade();
    TTreeWindow* w = show(*tree);
    moveTo(w, 150);
    w->AcceptClick();
    w->resize(620, 500);
    QCoreApplication::processEvents();
    EXPECT_EQ(w->picture().size(), QSize(444, 368));
    EXPECT_EQ(w->clusterCount(), 4);
    EXPECT_EQ(w->statusText(), "You choose number of clusters to be: 4");
    EXPECT_EQ(bluePixels(w->cleanPicture(), w->TrackBar1->value()), 4);
}

TEST_F(TreeWindowTest, ATreeOfOneSampleOpensNoWindow) {
    auto tree = std::make_unique<ClusterTree>();
    tree->sampleCount = 1;
    EXPECT_EQ(show(*tree), nullptr);
    EXPECT_EQ(r62Shell().TreeWindowOpen, 0);
}

// The cut the window makes from the layout's lines counts what its picture
// shows: random trees and a caterpillar in several window sizes, every row.
TEST_F(TreeWindowTest, TheCutFromTheLinesMatchesThePixelsOfThePicture) {
    std::vector<std::unique_ptr<ClusterTree>> trees;
    trees.push_back(handMade());
    trees.push_back(caterpillar(40));
    for (int n : {2, 3, 9, 31, 120}) trees.push_back(randomTree(n, 77u + static_cast<unsigned>(n)));
    for (const auto& tree : trees) {
        QPointer<TTreeWindow> w = show(*tree);
        ASSERT_FALSE(w.isNull());
        for (const QSize size : {QSize(520, 400), QSize(300, 160), QSize(900, 640)}) {
            w->resize(size);
            QCoreApplication::processEvents();
            const QImage& clean = w->cleanPicture();
            const DendrogramGeometry g =
                layoutDendrogram(w->model(), *tree, clean.width(), clean.height());
            for (int row = 0; row < clean.height(); ++row)
                ASSERT_EQ(bluePixelsOnRow(g, row), bluePixels(clean, row))
                    << tree->sampleCount << " samples, row " << row << ", " << clean.width() << "x"
                    << clean.height();
            for (int k = 2; k <= tree->sampleCount; ++k) {
                const int row = rowForClusters(g, k, tree->sampleCount, kFirstCutRow);
                if (row < w->TrackBar1->minimum() || row > w->TrackBar1->maximum()) continue;
                moveTo(w, row);
                EXPECT_EQ(w->clusterCount(), k);
            }
        }
        w->DiscardButton->click();
        pump();
        EXPECT_TRUE(w.isNull());
    }
}
