// r62's silhouette window and class/cluster table, offscreen, with the dialog
// seam answering.
#include "statistics/forms/silhouette_window.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QHeaderView>
#include <QImage>
#include <QPointer>
#include <QTableWidget>
#include <memory>
#include <string>

#include "platform/dialogs.h"
#include "platform/testing/temp_dir.h"
#include "statistics/core/r62_shell.h"
#include "statistics/forms/class_cluster_table.h"
#include "statistics/forms/graph_window.h"
#include "statistics/tests/forms/diagram_window_test.h"
#include "statistics/tests/forms/menu_keys.h"

using namespace diagram_test;
using platform::MessageResult;

namespace {

uint32_t rgbAt(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFF;
}

class SilhouetteWindowTest : public DiagramWindowTest {
  protected:
    void SetUp() override {
        DiagramWindowTest::SetUp();
        values = std::make_unique<SilhouetteArray>();
        clusters = std::make_unique<PerSample16>();
    }

    void add(double value, int cluster) {
        ++count;
        (*values)[count] = value;
        (*clusters)[count] = static_cast<int16_t>(cluster);
    }
    // Sample 1 at 1.0 and sample 3 at 0.25 in cluster 1, sample 2 at -0.5 in
    // cluster 2.
    TSilhouetteWindow* showThree() {
        add(1.0, 1);
        add(-0.5, 2);
        add(0.25, 1);
        return ShowSilhouettes(owner.get(), *values, *clusters, count, 2, "tissue.sel",
                               "Silhouette Plot");
    }

    std::unique_ptr<SilhouetteArray> values;
    std::unique_ptr<PerSample16> clusters;
    int count = 0;
};

}  // namespace

TEST_F(SilhouetteWindowTest, OpensWithTheSortedBarsInClusterColours) {
    TSilhouetteWindow* w = showThree();
    EXPECT_EQ(w->windowTitle(), "\"tissue.sel\" - Silhouette Plot");
    expectAltKeysOnEveryControl(w);
    EXPECT_EQ(w->size(), QSize(475, 320));
    EXPECT_EQ(w->minimumHeight(), 320);
    EXPECT_EQ(r62Shell().SilhouetteWindowOpen, 1);
    EXPECT_EQ(r62Diagram().DiagramSaved, 0);
    ASSERT_EQ(w->records.size(), 3u);
    EXPECT_EQ(w->records[0].value, -0.5);
    EXPECT_EQ(w->records[2].value, 1.0);

    const QImage& p = w->picture();
    ASSERT_EQ(p.size(), QSize(450, 250));
    // Zero axis at 158, bars 66 rows high from row 16: 0.25 and 1.0 in red
    // (cluster 1), then -0.5 in green to the left of the axis.
    EXPECT_EQ(rgbAt(p, 200, 50), 0xFF0000u);
    EXPECT_EQ(rgbAt(p, 240, 50), 0xC0C0C0u);
    EXPECT_EQ(rgbAt(p, 400, 120), 0xFF0000u);
    EXPECT_EQ(rgbAt(p, 100, 180), 0x008000u);
    EXPECT_EQ(rgbAt(p, 20, 180), 0x008000u);
    EXPECT_EQ(rgbAt(p, 19, 180), 0xC0C0C0u);
    // The black axes.
    EXPECT_EQ(rgbAt(p, 300, 215), 0u);
    EXPECT_EQ(rgbAt(p, 158, 218), 0u);
    // The white legend box with the clusters' swatches.
    EXPECT_EQ(rgbAt(p, 440, 50), 0xFFFFFFu);
    EXPECT_EQ(rgbAt(p, 375, 31), 0xFF0000u);
    EXPECT_EQ(rgbAt(p, 375, 46), 0x008000u);
}

TEST_F(SilhouetteWindowTest, ManyClustersMakeTheWindowTaller) {
    for (int i = 1; i <= 30; ++i) add(0.5, (i - 1) % 15 + 1);
    TSilhouetteWindow* w = ShowSilhouettes(owner.get(), *values, *clusters, count, 15, "tissue.sel",
                                           "Silhouette Plot");
    EXPECT_EQ(w->minimumHeight(), 328);
    EXPECT_GE(w->height(), 328);
    EXPECT_EQ(w->picture().height(), w->height() - 70);
    // The legend's swatches of clusters 14 and 15, at rows 28 + 13 x 15 and
    // 28 + 14 x 15, in the colours of classes 14 and 15.
    EXPECT_EQ(rgbAt(w->picture(), 375, 226), 0xA6CAF0u);
    EXPECT_EQ(rgbAt(w->picture(), 375, 241), 0xC0C0C0u);
    EXPECT_EQ(rgbAt(w->picture(), 375, 254), 0xC0C0C0u);  // below the legend box
}

TEST_F(SilhouetteWindowTest, ResizingRedrawsOnAPictureOfTheNewSize) {
    TSilhouetteWindow* w = showThree();
    r62Diagram().DiagramSaved = 1;
    w->resize(600, 400);
    QCoreApplication::processEvents();
    EXPECT_EQ(w->picture().size(), QSize(575, 330));
    EXPECT_EQ(r62Diagram().DiagramSaved, 0);
    EXPECT_EQ(rgbAt(w->picture(), 300, 295), 0u);  // the axis at height - 35
}

TEST_F(SilhouetteWindowTest, SaveWritesABitmapAndCloseThenAsksNothing) {
    QPointer<TSilhouetteWindow> w = showThree();
    const std::string path = dir.file("silhouettes.bmp");
    dialogs.fileAnswers.push_back(chosen(path));
    w->SaveClick();
    expectSavedBitmap("Bitmap *.BMP|*.bmp", path, w->picture());

    w->CloseClick();
    EXPECT_TRUE(dialogs.messages.empty());
    pump();
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(r62Shell().SilhouetteWindowOpen, 0);
}

TEST_F(SilhouetteWindowTest, CloseAsksAboutAnUnsavedDiagramAndSavesOnYes) {
    QPointer<TSilhouetteWindow> w = showThree();
    dialogs.messageAnswers.push_back(MessageResult::Yes);
    dialogs.fileAnswers.push_back(chosen(dir.file("kept.bmp")));
    w->CloseClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "The diagram has not been saved.\rDo you want to save it now?");
    EXPECT_EQ(dialogs.messages[0].icon, platform::MessageIcon::Question);
    EXPECT_EQ(dir.read("kept.bmp").substr(0, 2), "BM");
    pump();
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(r62Shell().SilhouetteWindowOpen, 0);
}

TEST_F(SilhouetteWindowTest, TheTitleBarCloseAsksNothing) {
    QPointer<TSilhouetteWindow> w = showThree();
    w->close();
    EXPECT_TRUE(dialogs.messages.empty());
    pump();
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(r62Shell().SilhouetteWindowOpen, 0);
}

TEST_F(SilhouetteWindowTest, TheClassClusterTableIsReusedWhileOpen) {
    PerSample16 category;
    PerSample16 cluster;
    for (int i = 1; i <= 6; ++i) {
        category[i] = static_cast<int16_t>(i <= 3 ? 1 : 2);
        cluster[i] = static_cast<int16_t>(i % 2 + 1);
    }
    TCCTable* table =
        showClassClusterTable(owner.get(), classClusterTable(category, cluster, 6, 2, 2));
    EXPECT_EQ(table->windowTitle(), "Class/Cluster Table");
    expectAltKeysOnEveryControl(table);
    EXPECT_FALSE(table->isModal());
    EXPECT_TRUE(table->isVisible());
    EXPECT_EQ(table->StringGrid1->rowCount(), 14);
    EXPECT_EQ(table->StringGrid1->columnCount(), 7);
    EXPECT_EQ(table->StringGrid1->item(1, 0)->text(), "Class 1");
    EXPECT_EQ(table->StringGrid1->item(0, 2)->text(), "Cluster 2");
    EXPECT_EQ(table->StringGrid1->item(1, 1)->text(), "1");  // sample 2
    EXPECT_EQ(table->StringGrid1->item(1, 2)->text(), "2");  // samples 1, 3
    EXPECT_EQ(table->StringGrid1->item(2, 1)->text(), "2");  // samples 4, 6
    EXPECT_EQ(table->StringGrid1->item(3, 3)->text(), "");

    TCCTable* again =
        showClassClusterTable(owner.get(), classClusterTable(category, cluster, 6, 14, 7));
    EXPECT_EQ(again, table);
    EXPECT_EQ(table->StringGrid1->rowCount(), 15);
    EXPECT_EQ(table->StringGrid1->columnCount(), 8);
    EXPECT_EQ(table->StringGrid1->item(14, 7)->text(), "0");

    // A table closed while a run still goes on is deleted later: the run's
    // table opens anew instead of filling the one going away.
    QPointer<TCCTable> closing = table;
    table->close();
    EXPECT_EQ(classClusterTableWindow(), nullptr);
    TCCTable* fresh =
        showClassClusterTable(owner.get(), classClusterTable(category, cluster, 6, 2, 2));
    pump();
    EXPECT_TRUE(closing.isNull());
    EXPECT_EQ(classClusterTableWindow(), fresh);
    EXPECT_TRUE(fresh->isVisible());
}
