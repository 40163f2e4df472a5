// The transformation window and the block dialog on the real windows,
// offscreen.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include "platform/dialogs.h"
#include "vantu/window_composition.h"
#include "volume/forms/block_dialog.h"
#include "volume/forms/transformation_window.h"
#include "volume/forms/volume_editor_window.h"
#include "volume/forms/volume_view.h"
#include "volume/forms/voxel_size_dialog.h"
#include "workspace/forms/vantu_windows.h"
#include "workspace/tests/forms/qt_test_app.h"

namespace {

class TransformationDialogsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testApplication();
        createVantuWindows();
    }
    void TearDown() override { destroyVantuWindows(); }
    platform::ScriptedDialogs dialogs;
    platform::DialogBackendScope scope{dialogs};
};

}  // namespace

TEST_F(TransformationDialogsTest, VoxelSpaceShowsScaledRowsAndApplyTakesThem) {
    _ImageLoadOptions->values = {0.5, 0.5, 2};
    _VoiEditor->view->ShapeMatrix = identityMatrix();
    _VoiEditor->view->ShapeMatrix[12] = 7.9;
    _Transformation->VoxelSpace->setChecked(true);
    _Transformation->ShowShapeTransform();
    EXPECT_EQ(_Transformation->linear[0]->text(), "0.5");
    EXPECT_EQ(_Transformation->linear[4]->text(), "0.5");
    EXPECT_EQ(_Transformation->linear[8]->text(), "2");
    EXPECT_EQ(_Transformation->shift[0]->text(), "7.9");
    _Transformation->Edit13->setText("30");
    _Transformation->ApplyShapeTransform();
    EXPECT_EQ(_VoiEditor->view->ShapeMatrix[0], 0.5);
    EXPECT_EQ(_VoiEditor->view->ShapeMatrix[10], 2);
    EXPECT_EQ(_VoiEditor->view->ShapeMatrix[12], 7.9);
    EXPECT_EQ(_VoiEditor->shapeParameter, 30);

    // "1" then "Apply": the linear part is reset, the shift kept.
    _Transformation->identityClick();
    _Transformation->ApplyShapeTransform();
    EXPECT_EQ(_VoiEditor->view->ShapeMatrix[0], 1);
    EXPECT_EQ(_VoiEditor->view->ShapeMatrix[12], 7.9);

    // Infinity is refused and says so.
    _Transformation->linear[0]->setText("inf");
    _Transformation->ApplyShapeTransform();
    EXPECT_EQ(_VoiEditor->view->ShapeMatrix[0], 1);
    ASSERT_EQ(dialogs.messages.size(), 1u);
}

TEST_F(TransformationDialogsTest, TypedDecimalsReadWithEitherSeparatorUnderAnyLocale) {
    // A locale whose decimal separator is the comma must not change the reading.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    _VoiEditor->view->ShapeMatrix = identityMatrix();
    _Transformation->ShowShapeTransform();
    QTest::keyClick(_Transformation->shift[0], Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(_Transformation->shift[0], "2.7");
    QTest::keyClick(_Transformation->shift[1], Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(_Transformation->shift[1], " -1,25 ");
    _Transformation->ApplyShapeTransform();
    EXPECT_EQ(_VoiEditor->view->ShapeMatrix[12], 2.7);
    EXPECT_EQ(_VoiEditor->view->ShapeMatrix[13], -1.25);
    // The arrows step from the decimal shown.
    _Transformation->shift[0]->stepBy(1);
    EXPECT_EQ(_Transformation->shift[0]->text(), "3.7");
    EXPECT_TRUE(dialogs.messages.empty());

    // What does not read is refused with a message, and nothing is applied:
    // not even the boxes that did read.
    _Transformation->linear[0]->setText("3");
    _Transformation->shift[2]->setText("2..7");
    _Transformation->ApplyShapeTransform();
    EXPECT_EQ(_VoiEditor->view->ShapeMatrix[0], 1);
    EXPECT_EQ(_VoiEditor->view->ShapeMatrix[12], 2.7);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "The shift in z takes a number from -10000 to 10000, not \"2..7\". Nothing was "
              "applied.");
    // The shape integers are whole numbers.
    _Transformation->shift[2]->setText("0");
    _Transformation->Edit14->setText("2.5");
    _Transformation->ApplyShapeTransform();
    EXPECT_EQ(_VoiEditor->view->ShapeMatrix[0], 1);
    ASSERT_EQ(dialogs.messages.size(), 2u);
    QLocale::setDefault(QLocale::c());
}

TEST_F(TransformationDialogsTest, TheBlockPlacesByPercentAndCentre) {
    _Block->prepare(200, 100, 50, 1, 1, 2);
    EXPECT_EQ(_Block->Size->text(), "100");
    EXPECT_EQ(_Block->X->maximum(), 100);
    EXPECT_EQ(_Block->Y->minimum(), -50);
    EXPECT_EQ(_Block->Z->maximum(), 50);
    _Block->Size->setText("50");  // halves the shape in every direction
    _Block->X->setText("-20");
    _Block->accept();
    const Matrix4 m = _Block->placement();
    EXPECT_EQ(m[0], 0.5);
    EXPECT_EQ(m[5], 0.5);
    EXPECT_EQ(m[10], 0.5);
    EXPECT_EQ(m[12], -20);
    EXPECT_EQ(m[1], 0);
}

TEST_F(TransformationDialogsTest, TheBlockRefusesWhatIsNotAWholeNumberInRange) {
    _Block->prepare(200, 100, 50, 1, 1, 2);
    std::vector<platform::MessageRequest> refusals;
    bool openAfterRefusal = true;
    QTimer::singleShot(0, _Block, [&] {
        // Typed as a user types: the point is kept, not dropped to give 27.
        QLineEdit* x = _Block->X->findChild<QLineEdit*>();
        x->selectAll();
        QTest::keyClicks(x, "2.7");
        EXPECT_EQ(_Block->X->text(), "2.7");
        _Block->accept();
        _Block->X->setText("0");
        _Block->Z->setText("51");  // one past the slices' half extent
        _Block->accept();
        _Block->Z->setText("abc");
        _Block->accept();
        refusals = dialogs.messages;
        openAfterRefusal = _Block->isVisible();
        QWidget* focus = _Block->focusWidget();
        EXPECT_TRUE(focus && (focus == _Block->Z || focus->parentWidget() == _Block->Z));
        _Block->Z->setText("-50");
        _Block->accept();
    });
    _Block->exec();
    ASSERT_EQ(refusals.size(), 3u);
    EXPECT_NE(refusals[0].text.find("X takes a whole number from -100 to 100, not \"2.7\""),
              std::string::npos);
    EXPECT_NE(refusals[1].text.find("Z takes a whole number from -50 to 50"), std::string::npos);
    EXPECT_NE(refusals[2].text.find("\"abc\""), std::string::npos);
    EXPECT_TRUE(openAfterRefusal);
    EXPECT_EQ(_Block->result(), QDialog::Accepted);
    EXPECT_EQ(_Block->placement()[14], -50);
    EXPECT_EQ(_Block->placement()[12], 0);

    // Closed without "Next", the placement is the prepared one.
    _Block->prepare(200, 100, 50, 1, 1, 2);
    _Block->X->setText("30");
    _Block->reject();
    EXPECT_EQ(_Block->placement(), identityMatrix());
}

TEST_F(TransformationDialogsTest, TheBlockOpensAtSizeWithItsTextSelected) {
    _Block->prepare(200, 100, 50, 1, 1, 1);
    _Block->Z->setFocus();  // the field used at the last placement
    QWidget* focus = nullptr;
    QString selected;
    QTimer::singleShot(0, _Block, [&] {
        focus = _Block->focusWidget();
        selected = _Block->Size->findChild<QLineEdit*>()->selectedText();
        _Block->accept();
    });
    _Block->exec();
    ASSERT_NE(focus, nullptr);
    EXPECT_TRUE(focus == _Block->Size || focus->parentWidget() == _Block->Size);
    EXPECT_EQ(selected, "100");
}
