#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>

#include "platform/testing/temp_dir.h"
#include "volume/forms/analysis_3d_options_dialog.h"
#include "volume/forms/voxel_size_dialog.h"
#include "workspace/tests/forms/qt_test_app.h"

namespace {

class VolumeOptionDialogs : public ::testing::Test {
  protected:
    void SetUp() override { testApplication(); }
    platform::testing::ScopedRegistryStore store;
};

int checkedId(QButtonGroup* group) {
    return group->checkedId();
}

}  // namespace

TEST_F(VolumeOptionDialogs, AnalysisOptionsShowAndTakeEveryField) {
    TOptions dialog(nullptr);
    EXPECT_EQ(dialog.windowTitle(), "3D analysis options");
    dialog.values.ComDist4 = true;
    dialog.values.RlmMoredirs = true;
    dialog.values.HistogramBpp = 16;
    dialog.values.Normalisation = 2;
    dialog.showValues();
    EXPECT_TRUE(dialog.checkBox("COM features")->isChecked());
    EXPECT_TRUE(dialog.checkBox("1")->isChecked());
    EXPECT_TRUE(dialog.checkBox("4")->isChecked());
    EXPECT_FALSE(dialog.checkBox("2")->isChecked());
    EXPECT_TRUE(dialog.checkBox("RLM More directions")->isChecked());
    EXPECT_FALSE(dialog.checkBox("COM More directions")->isChecked());
    EXPECT_EQ(checkedId(dialog.comBits()), 6);
    EXPECT_EQ(checkedId(dialog.histogramBits()), 16);
    EXPECT_EQ(checkedId(dialog.gradientBits()), 6);
    EXPECT_EQ(checkedId(dialog.normalisation()), 2);
    EXPECT_EQ(dialog.normalisation()->checkedButton()->text(), "1% - 99%");

    dialog.checkBox("Gradient features")->setChecked(false);
    dialog.checkBox("5")->setChecked(true);
    dialog.comBits()->button(8)->setChecked(true);
    dialog.rlmBits()->button(5)->setChecked(true);
    dialog.normalisation()->button(1)->setChecked(true);
    dialog.accept();
    EXPECT_FALSE(dialog.values.GradientFeatures);
    EXPECT_TRUE(dialog.values.ComDist5);
    EXPECT_EQ(dialog.values.ComBpp, 8);
    EXPECT_EQ(dialog.values.RlmBpp, 5);
    EXPECT_EQ(dialog.values.Normalisation, 1);
}

TEST_F(VolumeOptionDialogs, BitDepthsWithoutARadioShowTheirFallbacks) {
    TOptions dialog(nullptr);
    dialog.values.ComBpp = 3;
    dialog.values.RlmBpp = 12;
    dialog.values.GradientBpp = 16;
    dialog.values.HistogramBpp = 13;
    dialog.values.Normalisation = 7;
    dialog.showValues();
    EXPECT_EQ(checkedId(dialog.comBits()), 4);
    EXPECT_EQ(checkedId(dialog.rlmBits()), 4);
    EXPECT_EQ(checkedId(dialog.gradientBits()), 12);
    EXPECT_EQ(checkedId(dialog.histogramBits()), 12);
    EXPECT_EQ(checkedId(dialog.normalisation()), 0);
    dialog.accept();
    EXPECT_EQ(dialog.values.ComBpp, 4);
    EXPECT_EQ(dialog.values.HistogramBpp, 12);
    EXPECT_EQ(dialog.values.Normalisation, 0);
}

TEST_F(VolumeOptionDialogs, GroupsWithNoRadioCheckedGiveTheirFallbacks) {
    TOptions dialog(nullptr);
    for (QButtonGroup* g : {dialog.comBits(), dialog.rlmBits(), dialog.gradientBits(),
                            dialog.histogramBits(), dialog.normalisation()}) {
        g->setExclusive(false);
        for (QAbstractButton* b : g->buttons()) b->setChecked(false);
    }
    dialog.values.Normalisation = 2;
    dialog.accept();
    EXPECT_EQ(dialog.values.ComBpp, 4);
    EXPECT_EQ(dialog.values.RlmBpp, 4);
    EXPECT_EQ(dialog.values.GradientBpp, 12);
    EXPECT_EQ(dialog.values.HistogramBpp, 12);
    EXPECT_EQ(dialog.values.Normalisation, 0);
}

TEST_F(VolumeOptionDialogs, CancelKeepsTheFields) {
    TOptions dialog(nullptr);
    dialog.showValues();
    dialog.checkBox("COM features")->setChecked(false);
    dialog.reject();
    EXPECT_TRUE(dialog.values.ComFeatures);
}

TEST_F(VolumeOptionDialogs, VoxelSizesAreShownWithTwoDecimalsAndTakenAsTyped) {
    TImageLoadOptions dialog(nullptr);
    EXPECT_EQ(dialog.windowTitle(), "3D load options");
    dialog.values.VoxelXSize = 0.5;
    dialog.values.VoxelZSize = 2.126;
    dialog.showValues();
    EXPECT_EQ(dialog.editX()->text(), "0.50");
    EXPECT_EQ(dialog.editY()->text(), "1.00");
    EXPECT_EQ(dialog.editZ()->text(), "2.13");
    QSignalSpy redraw(&dialog, &TImageLoadOptions::voxelSizesChanged);
    dialog.editX()->setText("abc");
    dialog.editY()->setText("-3");
    dialog.editZ()->setText(" 1.75mm");
    dialog.accept();
    EXPECT_EQ(dialog.values.VoxelXSize, 0.0);  // letters become 0
    EXPECT_EQ(dialog.values.VoxelYSize, -3.0);
    EXPECT_EQ(dialog.values.VoxelZSize, 1.75);
    EXPECT_EQ(redraw.count(), 1);
    dialog.editX()->setText("9");
    dialog.reject();
    EXPECT_EQ(dialog.values.VoxelXSize, 0.0);
}

// The dialogs edit the program's values, and a new dialog starts from the
// defaults and the store: what an earlier dialog left behind does not leak.
TEST_F(VolumeOptionDialogs, TheDialogsEditTheProgramsValuesFromAFreshStart) {
    analysis3DOptions().ComBpp = 4;
    analysis3DOptions().Normalisation = 2;
    voxelSizes().VoxelXSize = 7.0;
    {
        auto key = platform::testing::programKey();
        key.writeDword("3D_RlmBpp", 5);
        key.writeString("VoxelZSize", "2.50");
    }
    TOptions options(nullptr);
    TImageLoadOptions sizes(nullptr);
    EXPECT_EQ(&options.values, &analysis3DOptions());
    EXPECT_EQ(&sizes.values, &voxelSizes());
    EXPECT_EQ(analysis3DOptions().ComBpp, 6);
    EXPECT_EQ(analysis3DOptions().Normalisation, 0);
    EXPECT_EQ(analysis3DOptions().RlmBpp, 5);
    EXPECT_EQ(voxelSizes().VoxelXSize, 1.0);
    EXPECT_EQ(voxelSizes().VoxelZSize, 2.5);

    options.showValues();
    options.comBits()->button(8)->setChecked(true);
    options.accept();
    EXPECT_EQ(analysis3DOptions().ComBpp, 8);
    sizes.showValues();
    sizes.editY()->setText("0.25");
    sizes.accept();
    EXPECT_EQ(voxelSizes().VoxelYSize, 0.25);
}
