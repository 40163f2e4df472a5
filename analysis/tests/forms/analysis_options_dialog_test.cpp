#include "analysis/forms/analysis_options_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include "workspace/tests/forms/qt_test_app.h"

namespace {

// By the caption as read, without its Alt key marker.
QCheckBox* box(QWidget* dialog, const QString& caption) {
    for (auto* b : dialog->findChildren<QCheckBox*>())
        if (QString(b->text()).remove('&') == caption) return b;
    return nullptr;
}

QRadioButton* radio(QWidget* page, const QString& caption) {
    for (auto* r : page->findChildren<QRadioButton*>())
        if (QString(r->text()).remove('&') == caption) return r;
    return nullptr;
}

class OptionsDialogTest : public ::testing::Test {
  protected:
    void SetUp() override { testApplication(); }
    AnalysisSettings settings;
    GrainOptions grain;
};

TEST_F(OptionsDialogTest, HasFourPagesAndOkMarksTheOptionsForSaving) {
    AnalysisOptionsDialog dialog(nullptr, settings, grain);
    EXPECT_EQ(dialog.windowTitle(), "Vantu - options");
    ASSERT_EQ(dialog.tabs()->count(), 4);
    EXPECT_EQ(dialog.tabs()->tabText(0), "Features");
    EXPECT_EQ(dialog.tabs()->tabText(3), "Geometry");
    dialog.accept();
    EXPECT_TRUE(settings.saveFlag);
    EXPECT_EQ(settings.options.Ng_vt, 6);
    EXPECT_EQ(mapTreeText(settings.options.Maps_Tree), mapTreeText(initialMapTree()));
}

TEST_F(OptionsDialogTest, OutOfRangeBitsShowAsTheirDefaultsAndModeThreeStays) {
    settings.options.Ng_vt = 3;
    settings.options.Ng_rl = 12;
    settings.options.Ng_gr = 16;
    settings.options.Ng_wav = 2;
    settings.options.Do_normal = 3;
    AnalysisOptionsDialog dialog(nullptr, settings, grain);
    QWidget* features = dialog.tabs()->widget(0);
    for (const char* mode : {"Default", "+/- 3 sigma", "1% - 99%"})
        EXPECT_FALSE(radio(features, mode)->isChecked()) << mode;
    dialog.accept();
    EXPECT_EQ(settings.options.Ng_vt, 8);
    EXPECT_EQ(settings.options.Ng_rl, 8);
    EXPECT_EQ(settings.options.Ng_gr, 4);
    EXPECT_EQ(settings.options.Ng_wav, 8);
    EXPECT_EQ(settings.options.Do_normal, 3);
}

TEST_F(OptionsDialogTest, EditsAreCopiedOnlyOnOk) {
    {
        AnalysisOptionsDialog dialog(nullptr, settings, grain);
        box(&dialog, "COM features")->setChecked(false);
        radio(dialog.tabs()->widget(0), "1% - 99%")->click();
        dialog.reject();
    }
    EXPECT_EQ(settings.options.Do_co, 1);
    EXPECT_FALSE(settings.saveFlag);
    AnalysisOptionsDialog dialog(nullptr, settings, grain);
    box(&dialog, "COM features")->setChecked(false);
    radio(dialog.tabs()->widget(0), "1% - 99%")->click();
    radio(dialog.tabs()->widget(0), "+/- 3 sigma")->click();
    box(&dialog, "Show Map")->setChecked(true);
    dialog.accept();
    EXPECT_EQ(settings.options.Do_co, 0);
    EXPECT_EQ(settings.options.Do_normal, 1);
    EXPECT_EQ(settings.options.Do_wavMap, 1);
}

TEST_F(OptionsDialogTest, TheMapTreeSelectsLeavesAndRecomputesNodes) {
    AnalysisOptionsDialog dialog(nullptr, settings, grain);
    EXPECT_EQ(dialog.selectedCount()->text(), "0");
    dialog.setTreeEntry(1, true);  // "Horzl" of the run-length maps: its 5 leaves
    EXPECT_EQ(dialog.selectedCount()->text(), "5");
    EXPECT_EQ(dialog.editedTree()[0].state, kMapNodeSelected);
    EXPECT_EQ(dialog.editedTree()[7].state, kMapNodeClear);
    dialog.toggleLeaf(91);
    EXPECT_EQ(dialog.selectedCount()->text(), "6");
    dialog.toggleLeaf(91);
    dialog.toggleLeaf(90);  // a node: a double click does nothing
    EXPECT_EQ(dialog.selectedCount()->text(), "5");
    dialog.setTreeEntry(0, false);
    EXPECT_EQ(dialog.selectedCount()->text(), "0");
    dialog.setTreeEntry(25, true);
    dialog.accept();
    EXPECT_EQ(countSelectedMapLeaves(settings.options.Maps_Tree), 44);
    EXPECT_EQ(mapTreeText(settings.options.Maps_Tree).substr(25, 3), "331");
}

TEST_F(OptionsDialogTest, OneClickOnALeafsCheckBoxTogglesIt) {
    AnalysisOptionsDialog dialog(nullptr, settings, grain);
    dialog.show();
    dialog.tabs()->setCurrentIndex(1);
    QTreeWidget* tree = dialog.mapTree();
    tree->expandAll();
    QTreeWidgetItem* leaf = nullptr;
    for (QTreeWidgetItemIterator it(tree); *it && !leaf; ++it)
        if ((*it)->data(0, Qt::UserRole).toInt() == 91) leaf = *it;
    ASSERT_NE(leaf, nullptr);
    tree->scrollToItem(leaf);
    const QRect row = tree->visualItemRect(leaf);
    const QPoint box(row.left() + 8, row.center().y());
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, box);
    EXPECT_EQ(dialog.editedTree()[91].state, kMapLeafOn);
    EXPECT_EQ(dialog.selectedCount()->text(), "1");
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, box);
    EXPECT_EQ(dialog.editedTree()[91].state, kMapLeafOff);
    // A click on the name only selects it, for "Select" and "Clear".
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(row.left() + 60, box.y()));
    EXPECT_EQ(dialog.editedTree()[91].state, kMapLeafOff);
    EXPECT_EQ(tree->currentItem(), leaf);
}

TEST_F(OptionsDialogTest, TheGeometrySwitchChangesOnlyWhenClicked) {
    grain.Sg_PPU = 3.5;
    grain.Sg_DoGeometryP = true;
    {
        AnalysisOptionsDialog dialog(nullptr, settings, grain);
        dialog.accept();
    }
    EXPECT_EQ(grain.Sg_PPU, 3.5);
    AnalysisOptionsDialog dialog(nullptr, settings, grain);
    box(&dialog, "Calculate geometry parameters")->click();
    dialog.accept();
    EXPECT_TRUE(grain.Sg_DoGeometry);
    EXPECT_FALSE(grain.Sg_DoGeometryP);
    EXPECT_EQ(grain.Sg_PPU, 1.0);
    EXPECT_EQ(grain.Sg_Pixels, 1.0);
}

}  // namespace
