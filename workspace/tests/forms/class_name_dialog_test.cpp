#include "workspace/forms/class_name_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "workspace/tests/forms/qt_test_app.h"

namespace {

class OptionsClassTest : public ::testing::Test {
  protected:
    void SetUp() override { testApplication(); }
};

TEST_F(OptionsClassTest, ShowFillsTheControlsFromTheFields) {
    TOptionsClass dialog(nullptr);
    EXPECT_EQ(dialog.windowTitle(), "Class Name");
    EXPECT_EQ(dialog.useBox()->text(), "&Use for discriminative analysis");
    EXPECT_EQ(dialog.scopeButton(1)->text(), "&this column only");
    EXPECT_EQ(dialog.scopeButton(2)->text(), "all columns of the c&lass");
    EXPECT_EQ(dialog.scopeButton(3)->text(), "all columns of the &document");
    EXPECT_EQ(dialog.scopeButton(0), nullptr);
    EXPECT_EQ(dialog.nameEdit()->maxLength(), 255);

    dialog.className = "healthy";
    dialog.roiNumber = 7;
    dialog.useFlag = 0;
    dialog.show();
    EXPECT_FALSE(dialog.useBox()->isChecked());
    EXPECT_EQ(dialog.nameEdit()->text(), "healthy");
    EXPECT_EQ(dialog.nameLabel()->text(), "Roi7 class &name:");
    dialog.hide();

    dialog.useFlag = 2;  // any non-zero flag shows as checked
    dialog.show();
    EXPECT_TRUE(dialog.useBox()->isChecked());
    dialog.hide();
}

TEST_F(OptionsClassTest, OkStoresNameFlagAndScope) {
    TOptionsClass dialog(nullptr);
    dialog.useFlag = 1;
    dialog.show();
    dialog.nameEdit()->setText(QString(300, 'x'));
    dialog.useBox()->setChecked(false);
    dialog.scopeButton(3)->setChecked(true);
    dialog.accept();
    EXPECT_EQ(dialog.className, std::string(255, 'x'));
    EXPECT_EQ(dialog.useFlag, 0);
    EXPECT_EQ(dialog.scope, 3);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(OptionsClassTest, CancelSetsTheFlagToMinusOneAndKeepsTheName) {
    TOptionsClass dialog(nullptr);
    dialog.className = "keep";
    dialog.show();
    dialog.nameEdit()->setText("changed");
    dialog.reject();
    EXPECT_EQ(dialog.useFlag, -1);
    EXPECT_EQ(dialog.className, "keep");
}

TEST_F(OptionsClassTest, TheScopeStartsAtThisColumnOnly) {
    TOptionsClass dialog(nullptr);
    dialog.show();
    dialog.accept();
    EXPECT_EQ(dialog.scope, 1);
    EXPECT_EQ(dialog.useFlag, 1);
}

}  // namespace
