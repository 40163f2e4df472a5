// r62's options window, offscreen, with the dialog seam answering.
#include "statistics/forms/r62_options_window.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <memory>
#include <string>

#include "platform/dialogs.h"
#include "platform/testing/temp_dir.h"
#include "statistics/core/data/data_set.h"
#include "statistics/core/data/selection_file_reader.h"
#include "statistics/core/r62_options.h"
#include "statistics/core/r62_shell.h"
#include "statistics/forms/r62_main_window.h"
#include "statistics/tests/forms/menu_keys.h"
#include "statistics/tests/forms/r62_test_app.h"

namespace {

// Three features, two categories, four samples.
const char kSel[] =
    "*label\n"
    "label\n"
    "*features\n"
    "1 Mean\n"
    "2 Variance\n"
    "3 Skewness\n"
    "*categories\n"
    "1 a\n"
    "2 b\n"
    "*data\n"
    "1 1 2 3\n"
    "1 2 3 5\n"
    "2 4 1 2\n"
    "2 5 6 1\n"
    "*end\n";

class R62OptionsWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        r62TestApplication();
        resetAll();
        owner = std::make_unique<TMainWindow>();
    }
    void TearDown() override {
        owner.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        resetAll();
    }
    static void resetAll() {
        resetR62Data();
        resetR62Options();
        resetR62Shell();
    }
    void load() {
        ASSERT_EQ(decodeSelFile(kSel, "data.sel", r62Data()).status, SelLoadStatus::Loaded);
    }
    TOptionsWin& open() {
        window = OpenOptionsWindow(owner.get());
        return *window;
    }
    static void leave(QLineEdit* edit) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(edit, &out);
    }
    static void type(QLineEdit* edit, const char* text) {
        edit->clear();
        QTest::keyClicks(edit, text);
    }

    platform::ScriptedDialogs dialogs;
    platform::DialogBackendScope scope{dialogs};
    std::unique_ptr<TMainWindow> owner;
    QPointer<TOptionsWin> window;
};

TEST_F(R62OptionsWindowTest, OpensOnTopWithTheCurrentOptions) {
    r62Options().eta = 0.5;
    r62Options().DistanceMetric = 3;
    r62Options().LinkageMethod = 2;
    r62Options().StandardizeData = 1;
    TOptionsWin& w = open();

    EXPECT_EQ(w.windowTitle(), "r62 - Options");
    EXPECT_EQ(w.minimumSize(), QSize(520, 285));
    EXPECT_EQ(w.maximumSize(), QSize(520, 285));
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(w.isWindow());
    EXPECT_FALSE(w.isModal());
    expectAltKeysOnEveryControl(&w);
    EXPECT_EQ(w.parentWidget(), owner.get());
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_EQ(r62Shell().OptionsWindowOpen, 1);

    ASSERT_EQ(w.PageControl1->count(), 2);
    EXPECT_EQ(w.PageControl1->tabText(0), "Classification");
    EXPECT_EQ(w.PageControl1->tabText(1), "Clustering");
    EXPECT_EQ(w.StdDataBox->text(), "&Feature standardization");
    EXPECT_TRUE(w.StdDataBox->isChecked());
    EXPECT_EQ(w.GLayerEdit->text(), "1");
    EXPECT_EQ(w.HLayerEdit->text(), "2");
    EXPECT_EQ(w.bpetaEdit->text(), "0.50");
    EXPECT_EQ(w.bpIterEdit->text(), "150000");
    EXPECT_EQ(w.optyIterEdit->text(), "50");
    EXPECT_EQ(w.SelCategoryEdit->text(), "1");
    EXPECT_EQ(w.ClustNoEdit->text(), "2");
    EXPECT_EQ(w.RadioGroup1->checkedId(), 3);
    EXPECT_EQ(w.RadioGroup1->button(3)->text(), "City Block");
    EXPECT_EQ(w.RadioGroup2->checkedId(), 2);
    EXPECT_EQ(w.RadioGroup2->button(2)->text(), "Average");
    EXPECT_EQ(w.clbxFeature2->count(), 0);
    // Opening changed nothing.
    EXPECT_EQ(r62Options().eta, 0.5);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(R62OptionsWindowTest, TheHiddenLayerEditsResetOutOfRangeValuesWithAMessage) {
    TOptionsWin& w = open();
    w.GLayerEdit->setText("17");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "The number of 1st hidden layer neurons should be \rin the range from 1 to 16.");
    EXPECT_EQ(w.GLayerEdit->text(), "1");
    EXPECT_EQ(r62Options().GLayer, 1);
    type(w.GLayerEdit, "10");
    EXPECT_EQ(r62Options().GLayer, 10);
    EXPECT_EQ(dialogs.messages.size(), 1u);

    w.HLayerEdit->setText("4");
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(w.HLayerEdit->text(), "2");
    EXPECT_EQ(r62Options().HLayer, 2);
    w.HLayerEdit->setText("3");
    EXPECT_EQ(r62Options().HLayer, 3);
}

TEST_F(R62OptionsWindowTest, OtherEditsIgnoreWhatTheyCannotTakeAndShowTheValueOnLeaving) {
    TOptionsWin& w = open();
    type(w.bpetaEdit, "0.5");
    EXPECT_EQ(r62Options().eta, 0.5);
    w.bpetaEdit->setText(".5");
    w.bpetaEdit->setText("1.0");
    w.bpetaEdit->setText("0..5");
    EXPECT_EQ(r62Options().eta, 0.5);
    EXPECT_EQ(w.bpetaEdit->text(), "0..5");
    leave(w.bpetaEdit);
    EXPECT_EQ(w.bpetaEdit->text(), "0.50");

    w.bpIterEdit->setText("40000");
    w.bpIterEdit->setText("1000001");
    EXPECT_EQ(r62Options().bpIterLimit, 150000);
    w.bpIterEdit->setText("50000");
    EXPECT_EQ(r62Options().bpIterLimit, 50000);
    w.bpIterEdit->setText("5x");
    leave(w.bpIterEdit);
    EXPECT_EQ(w.bpIterEdit->text(), "50000");

    w.optyIterEdit->setText("1001");
    EXPECT_EQ(r62Options().optyIterLimit, 50);
    w.optyIterEdit->setText("1000");
    EXPECT_EQ(r62Options().optyIterLimit, 1000);

    // Before any load no category and no number of clusters is accepted.
    w.SelCategoryEdit->setText("2");
    w.ClustNoEdit->setText("3");
    EXPECT_EQ(r62Options().SelectedCategory, 1);
    EXPECT_EQ(r62Options().ClustNo, 2);
    leave(w.SelCategoryEdit);
    leave(w.ClustNoEdit);
    EXPECT_EQ(w.SelCategoryEdit->text(), "1");
    EXPECT_EQ(w.ClustNoEdit->text(), "2");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(R62OptionsWindowTest, CategoryAndClusterEditsFollowTheLoadedData) {
    load();
    TOptionsWin& w = open();
    w.SelCategoryEdit->setText("2");
    EXPECT_EQ(r62Options().SelectedCategory, 2);
    w.SelCategoryEdit->setText("3");
    EXPECT_EQ(r62Options().SelectedCategory, 2);
    w.ClustNoEdit->setText("4");
    EXPECT_EQ(r62Options().ClustNo, 4);
    w.ClustNoEdit->setText("5");  // more clusters than samples
    EXPECT_EQ(r62Options().ClustNo, 4);
}

TEST_F(R62OptionsWindowTest, SwitchesAndRadioGroupsTakeEffectAtOnce) {
    TOptionsWin& w = open();
    w.StdDataBox->click();
    EXPECT_EQ(r62Options().StandardizeData, 1);
    w.StdDataBox->click();
    EXPECT_EQ(r62Options().StandardizeData, 0);
    w.RadioGroup1->button(2)->click();
    EXPECT_EQ(r62Options().DistanceMetric, 2);
    w.RadioGroup2->button(1)->click();
    EXPECT_EQ(r62Options().LinkageMethod, 1);
}

TEST_F(R62OptionsWindowTest, TheCheckedFeaturesBecomeTheSelectionWhenTheWindowCloses) {
    load();
    TOptionsWin& w = open();
    ASSERT_EQ(w.clbxFeature2->count(), 3);
    EXPECT_EQ(w.clbxFeature2->item(0)->text(), "Mean");
    EXPECT_EQ(w.clbxFeature2->item(2)->text(), "Skewness");
    for (int k = 0; k < 3; ++k) EXPECT_EQ(w.clbxFeature2->item(k)->checkState(), Qt::Checked);

    w.clbxFeature2->item(1)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(r62Data().FeatureSelected[2], 1);  // not before the window closes
    w.close();                                   // the frame's close button
    EXPECT_EQ(r62Data().FeatureSelected[1], 1);
    EXPECT_EQ(r62Data().FeatureSelected[2], 0);
    EXPECT_EQ(r62Data().FeatureSelected[3], 1);
    EXPECT_EQ(r62Shell().OptionsWindowOpen, 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());

    // The OK button of either page closes it the same way.
    for (int page = 0; page < 2; ++page) {
        TOptionsWin& again = open();
        EXPECT_EQ(again.clbxFeature2->item(1)->checkState(), Qt::Unchecked);
        again.clbxFeature2->item(0)->setCheckState(Qt::Unchecked);
        (page == 0 ? again.ClrOptionsBtn : again.Button1)->click();
        EXPECT_EQ(r62Data().FeatureSelected[1], 0);
        EXPECT_EQ(r62Shell().OptionsWindowOpen, 0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(window.isNull());
        r62Data().FeatureSelected[1] = 1;
    }
}

TEST_F(R62OptionsWindowTest, ReturnIsOkAndEscapeCancelsEveryChangeMadeInTheWindow) {
    load();
    TOptionsWin& w = open();
    type(w.GLayerEdit, "5");
    w.StdDataBox->click();
    w.clbxFeature2->item(1)->setCheckState(Qt::Unchecked);
    ASSERT_EQ(r62Options().GLayer, 5);  // at once, as typed
    QTest::keyClick(w.bpIterEdit, Qt::Key_Escape);
    EXPECT_EQ(r62Options().GLayer, 1);
    EXPECT_EQ(r62Options().StandardizeData, 0);
    EXPECT_EQ(r62Data().FeatureSelected[2], 1);
    EXPECT_EQ(r62Shell().OptionsWindowOpen, 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());

    // Return from an edit is OK: the changes stay, the selection is taken.
    TOptionsWin& again = open();
    type(again.GLayerEdit, "7");
    again.clbxFeature2->item(1)->setCheckState(Qt::Unchecked);
    QTest::keyClick(again.GLayerEdit, Qt::Key_Return);
    EXPECT_EQ(r62Options().GLayer, 7);
    EXPECT_EQ(r62Data().FeatureSelected[2], 0);
    EXPECT_EQ(r62Shell().OptionsWindowOpen, 0);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(R62OptionsWindowTest, ClosingBeforeAnyLoadChangesNoSelection) {
    r62Data().FeatureSelected[4] = 1;
    TOptionsWin& w = open();
    w.close();
    EXPECT_EQ(r62Data().FeatureSelected[4], 1);
    EXPECT_EQ(r62Shell().OptionsWindowOpen, 0);
}

TEST_F(R62OptionsWindowTest, GoesWithItsOwnerAndClearsItsFlag) {
    open();
    ASSERT_EQ(r62Shell().OptionsWindowOpen, 1);
    owner.reset();
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(r62Shell().OptionsWindowOpen, 0);
}

TEST_F(R62OptionsWindowTest, UncheckingEveryFeatureMakesOneNNRefuse) {
    load();
    TOptionsWin& w = open();
    for (int k = 0; k < w.clbxFeature2->count(); ++k)
        w.clbxFeature2->item(k)->setCheckState(Qt::Unchecked);
    w.close();
    owner->k_NNClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text.rfind("k-NN classifier runtime error.", 0), 0u);
    EXPECT_EQ(dialogs.messages[0].icon, platform::MessageIcon::Error);
}

}  // namespace
