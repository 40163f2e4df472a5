// The volume editor's shape tools and flood fill on the real windows,
// offscreen (no OpenGL: the view is kept but not shown), with the dialog seam
// answering: which buttons a shape brings, what the mouse does to it, what
// Fill writes and Cancel leaves, moving and copying a VOI, the Block
// placement and the region grown from a click.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <cmath>
#include <fstream>
#include <numbers>

#include "platform/dialogs.h"
#include "platform/testing/temp_dir.h"
#include "vantu/window_composition.h"
#include "volume/core/files/bmf_volume.h"
#include "volume/forms/block_dialog.h"
#include "volume/forms/transformation_window.h"
#include "volume/forms/volume_editor_window.h"
#include "volume/forms/volume_view.h"
#include "volume/forms/voxel_size_dialog.h"
#include "workspace/core/roi/roi_set.h"
#include "workspace/forms/vantu_windows.h"
#include "workspace/tests/forms/qt_test_app.h"

namespace {

constexpr int32_t kSide = 64;

class VolumeEditorShapes : public ::testing::Test {
  protected:
    void SetUp() override {
        testApplication();
        createVantuWindows();
        editor = _VoiEditor;
        _ImageLoadOptions->values = VoxelSizes();
    }
    void TearDown() override { destroyVantuWindows(); }

    // A 64³ volume as a 16-bit .bmf: grey 100 where x < 32, 200 elsewhere.
    void load() {
        const std::string bytes = encodeBmfVolume(
            kSide, kSide, kSide, VoxelSizes(),
            [](int32_t x, int32_t, int32_t) -> uint16_t { return x < 32 ? 100 : 200; });
        const std::string path = dir.file("grey.bmf");
        std::ofstream(path, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        ASSERT_TRUE(editor->loadVolume(3, {path}));
    }
    int64_t count(int voi) const { return editor->voiCounts()[static_cast<size_t>(voi - 1)]; }
    uint16_t at(int32_t x, int32_t y, int32_t z) const {
        return Volume3DGetVoxelChecked(*editor->mask(), x, y, z);
    }
    // One drag step from the middle of the view.
    bool drag(int dx, int dy, bool right = false) {
        return editor->shapeMouseMove({200, 200}, {200 + dx, 200 + dy}, right);
    }

    platform::testing::TempDir dir;
    platform::ScriptedDialogs dialogs;
    platform::DialogBackendScope scope{dialogs};
    TVoiEditor* editor = nullptr;
};

}  // namespace

TEST_F(VolumeEditorShapes, EachShapeBringsItsButtonsAndCancelLeavesTheMaskAlone) {
    EXPECT_FALSE(editor->CubeButton->isEnabled());
    editor->cubeButtonClick();  // no volume: nothing starts
    EXPECT_EQ(editor->shapeKind(), ShapeKind::None);
    load();
    for (QToolButton* b :
         {editor->EllipsoidButton, editor->CubeButton, editor->TetrahedronButton,
          editor->TubeButton, editor->ElasticSurfaceButton, editor->FloodFill3DButton})
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_FALSE(editor->FillButton->isEnabled());
    EXPECT_FALSE(editor->MoveButton2->isEnabled());  // VOI 1 is empty

    editor->tubeButtonClick();
    EXPECT_EQ(editor->shapeKind(), ShapeKind::Tube);
    EXPECT_TRUE(editor->FillButton->isEnabled());
    EXPECT_TRUE(editor->CancelButton->isEnabled());
    EXPECT_TRUE(editor->FormButton->isEnabled());
    EXPECT_TRUE(editor->view->shapeShown());
    EXPECT_EQ(editor->view->shapeColour(), kRoiColours[0]);
    EXPECT_EQ(editor->view->shapeGeometry().triangleCount(), 200u * 4);

    // A tetrahedron replaces the tube and takes "Modify shape" away; a button
    // left down on it gives the mouse back to the view.
    editor->FormButton->click();
    editor->tetrahedronButtonClick();
    EXPECT_EQ(editor->view->shapeGeometry().triangleCount(), 4u);
    EXPECT_FALSE(editor->FormButton->isEnabled());
    EXPECT_TRUE(editor->TurnAllButton->isChecked());
    EXPECT_FALSE(drag(10, 0));
    EXPECT_EQ(editor->view->mouseMode, VolumeView::MouseMode::TurnAll);

    // The ellipsoid: a mesh of 1212 nodes drawn solid.
    editor->RoiClick(3);
    editor->ellipsoidButtonClick();
    ASSERT_NE(editor->surfaceMesh(), nullptr);
    EXPECT_EQ(editor->surfaceMesh()->nodes.size(), 1212u);
    EXPECT_EQ(editor->view->shapeGeometry().triangleCount(), 20u * 11 * 11);
    EXPECT_EQ(editor->view->shapeColour(), kRoiColours[2]);
    EXPECT_FALSE(editor->Panel5->isVisibleTo(editor));

    // Moved and then cancelled: no voxel, no snapshot.
    const int32_t snapshot = editor->undoRing().index();
    editor->MoveButton->click();
    EXPECT_TRUE(drag(15, -4));
    EXPECT_EQ(editor->view->ShapeMatrix[12], 15);
    EXPECT_EQ(editor->statusText(), "x = 15.00, y = 4.00, z = 0.00");
    editor->cancelButtonClick();
    EXPECT_EQ(editor->shapeKind(), ShapeKind::None);
    EXPECT_FALSE(editor->view->shapeShown());
    EXPECT_FALSE(editor->FillButton->isEnabled());
    EXPECT_FALSE(editor->MoveButton->isEnabled());
    EXPECT_TRUE(editor->TurnAllButton->isChecked());
    EXPECT_EQ(editor->undoRing().index(), snapshot);
    for (int voi = 1; voi <= kVoiCount; ++voi) EXPECT_EQ(count(voi), 0);
    EXPECT_FALSE(drag(5, 5));  // no shape: the view turns itself
}

TEST_F(VolumeEditorShapes, FillWritesTheShapeWithTheDrawModeAndTakesASnapshot) {
    load();
    // A cube of half-size 10 at the centre covers voxels 22..41 on each axis.
    editor->view->ShapeMatrix = placementMatrix(10, 0, 0, 0);
    editor->cubeButtonClick();
    const int32_t before = editor->undoRing().index();
    editor->FillButtonClick();
    EXPECT_EQ(editor->undoRing().index(), before + 1);
    EXPECT_EQ(count(1), 20 * 20 * 20);
    EXPECT_EQ(at(22, 22, 22), 1);
    EXPECT_EQ(at(41, 41, 41), 1);
    EXPECT_EQ(at(21, 30, 30), 0);
    EXPECT_EQ(at(42, 30, 30), 0);
    EXPECT_EQ(editor->shapeKind(), ShapeKind::None);
    EXPECT_TRUE(editor->MoveButton2->isEnabled());  // VOI 1 now has voxels

    // An overlapping ellipsoid of radius 10 in VOI 2 keeps VOI 1 under it.
    editor->RoiClick(2);
    editor->OverlapButton->click();
    editor->view->ShapeMatrix = placementMatrix(10, 0, 0, 0);
    editor->ellipsoidButtonClick();
    editor->FillButtonClick();
    EXPECT_NEAR(static_cast<double>(count(2)), 4.0 / 3 * std::numbers::pi * 1000, 0.05 * 4189);
    EXPECT_EQ(at(31, 31, 31), 3);
    EXPECT_EQ(count(1), 8000);

    // "Erase all" inside a tetrahedron clears every VOI there.
    editor->EraseAllButton->click();
    editor->view->ShapeMatrix = placementMatrix(10, 0, 0, 0);
    editor->tetrahedronButtonClick();
    editor->FillButtonClick();
    EXPECT_EQ(at(31, 31, 31), 0);
    EXPECT_LT(count(1), 8000);
    EXPECT_GT(count(1), 7000);
    EXPECT_TRUE(editor->undoRing().canUndo());
}

TEST_F(VolumeEditorShapes, TheMouseTurnsInflatesStretchesAndFormsTheShape) {
    load();
    _Transformation->show();
    editor->view->ShapeMatrix = identityMatrix16();
    editor->cubeButtonClick();

    editor->InflateButton->click();
    EXPECT_EQ(editor->statusText(), "Size = 1.00 (100.00)");
    EXPECT_EQ(editor->view->mouseMode, VolumeView::MouseMode::None);
    ASSERT_TRUE(drag(0, 100));  // down by 100 pixels: 1.002^100 larger
    EXPECT_NEAR(editor->view->ShapeMatrix[0], std::pow(1.002, 100), 1e-12);
    EXPECT_EQ(editor->statusText(), "Size = 1.22 (122.12)");
    // The transformation window follows the mouse.
    EXPECT_EQ(_Transformation->linear[0]->text(), "1.2211588");

    // Stretch with the right button: only the screen's x axis grows.
    editor->view->ShapeMatrix = identityMatrix16();
    ASSERT_TRUE(drag(50, 0, true));
    EXPECT_EQ(editor->statusText(), "dx = 1.11, dy = 1.00, dz = 1.00");

    // Turn a quarter round the line of sight with the right button, then back.
    editor->view->ShapeMatrix = identityMatrix16();
    editor->TurnButton->click();
    ASSERT_TRUE(drag(157, 0, true));
    EXPECT_NEAR(editor->view->ShapeMatrix[0], std::cos(1.57), 1e-12);
    EXPECT_NEAR(editor->view->ShapeMatrix[10], 1, 1e-12);
    ASSERT_TRUE(drag(-157, 0, true));
    EXPECT_NEAR(editor->view->ShapeMatrix[0], 1, 1e-12);
    EXPECT_NEAR(editor->view->ShapeMatrix[1], 0, 1e-12);

    // "Modify shape": a drag to the left tapers the cube; the faces follow.
    editor->FormButton->click();
    EXPECT_EQ(editor->statusText(), "Shape parameter = 0");
    const std::vector<double> square = editor->view->shapeGeometry().triangles;
    ASSERT_TRUE(drag(-150, 20));
    EXPECT_EQ(editor->shapeParameter, 100);
    EXPECT_EQ(editor->secondShapeInteger, 20);
    EXPECT_EQ(editor->statusText(), "Shape parameter = 100");
    EXPECT_EQ(_Transformation->Edit13->text(), "100");
    // The top face shrank to a point and is gone.
    EXPECT_LT(editor->view->shapeGeometry().triangleCount(), square.size() / 9);

    // "Apply" in the transformation window rebuilds the faces from its integer.
    _Transformation->Edit13->setText("0");
    _Transformation->ApplyShapeTransform();
    EXPECT_EQ(editor->view->shapeGeometry().triangles, square);
    _Transformation->hide();
}

TEST_F(VolumeEditorShapes, MoveAndCopyShiftTheActiveVoiByWholeVoxels) {
    load();
    Volume3D& mask = *editor->mask();
    for (int32_t x = 10; x < 14; ++x) Volume3DSetVoxel(mask, x, 30, 30, 1);
    editor->maskChanged(true);
    ASSERT_TRUE(editor->MoveButton2->isEnabled());

    // A shift left from an earlier shape must not carry over.
    editor->view->ShapeMatrix = placementMatrix(50, 7, 7, 7);
    editor->moveButton2Click();
    EXPECT_EQ(editor->view->ShapeMatrix, identityMatrix16());
    EXPECT_EQ(editor->shapeKind(), ShapeKind::MoveVoi);
    EXPECT_TRUE(editor->MoveButton->isEnabled());
    EXPECT_FALSE(editor->TurnButton->isEnabled());
    EXPECT_FALSE(editor->InflateButton->isEnabled());
    // The preview: the 18 outer faces of a row of 4 voxels.
    EXPECT_EQ(editor->view->shapeGeometry().triangleCount(), 2u * 18);

    editor->view->ShapeMatrix[12] = 10.7;  // moves by 10 voxels
    editor->FillButtonClick();
    EXPECT_EQ(at(10, 30, 30), 0);
    EXPECT_EQ(at(20, 30, 30), 1);
    EXPECT_EQ(at(23, 30, 30), 1);
    EXPECT_EQ(count(1), 4);

    // Copy into VOI 2 (the active VOI when Fill is pressed), the source stays.
    editor->copyButtonClick();
    EXPECT_EQ(editor->shapeKind(), ShapeKind::CopyVoi);
    EXPECT_EQ(editor->sourceVoi(), 1);
    editor->view->ShapeMatrix[13] = -5;
    editor->RoiClick(2);
    editor->OverlapButton->click();
    editor->FillButtonClick();
    EXPECT_EQ(count(1), 4);
    EXPECT_EQ(count(2), 4);
    EXPECT_EQ(at(20, 25, 30), 2);
}

TEST_F(VolumeEditorShapes, CtrlPlacesTheEllipsoidAndTheCubeThroughTheBlock) {
    load();
    _ImageLoadOptions->values = {1, 1, 2};
    QTimer::singleShot(0, _Block, [this] {
        // The dialog opens in front of the editor, not of the main window.
        EXPECT_EQ(_Block->parentWidget(), editor);
        EXPECT_EQ(_Block->Size->text(), "100");
        EXPECT_EQ(_Block->Z->maximum(), 64);  // 64 slices of 2
        _Block->Size->setText("50");
        _Block->X->setText("-5");
        _Block->Z->setText("12");
        _Block->accept();
    });
    editor->cubeButtonClick(true);
    EXPECT_EQ(editor->shapeKind(), ShapeKind::Cube);
    EXPECT_EQ(editor->view->ShapeMatrix, placementMatrix(50, -5, 0, 12));

    QTimer::singleShot(0, _Block, [] { _Block->accept(); });
    editor->ellipsoidButtonClick(true);
    EXPECT_EQ(editor->view->ShapeMatrix, placementMatrix(100, 0, 0, 0));
    // Without Ctrl the shape stays where it is.
    editor->view->ShapeMatrix[12] = 3;
    editor->cubeButtonClick();
    EXPECT_EQ(editor->view->ShapeMatrix[12], 3);
}

TEST_F(VolumeEditorShapes, TheElasticSurfaceShowsItsOptionsAndFollowsThem) {
    load();
    editor->view->ShapeMatrix = placementMatrix(20, 0, 0, 0);
    editor->elasticSurfaceButtonClick();
    EXPECT_EQ(editor->shapeKind(), ShapeKind::ElasticSurface);
    EXPECT_TRUE(editor->Panel5->isVisibleTo(editor));
    ASSERT_NE(editor->surfaceMesh(), nullptr);
    EXPECT_EQ(editor->surfaceMesh()->nodes.size(), 1692u);  // "Default"
    EXPECT_EQ(editor->surfaceMesh()->iteration, 100);
    EXPECT_GT(editor->view->shapeGeometry().triangleCount(), 0u);
    EXPECT_EQ(editor->view->shapeGeometry().lineCount(), 0u);

    editor->CheckBoxWires->click();
    EXPECT_EQ(editor->view->shapeGeometry().triangleCount(), 0u);
    EXPECT_EQ(editor->view->shapeGeometry().lineCount(), 30u * 13 * 13);
    // A new density refits, drawn as wires.
    editor->CheckBoxWires->setChecked(false);
    editor->ComboBoxDivider->setCurrentIndex(0);
    EXPECT_EQ(editor->surfaceMesh()->nodes.size(), 492u);
    EXPECT_TRUE(editor->CheckBoxWires->isChecked());
    // A move refits it where it now sits.
    const SurfaceMesh* before = editor->surfaceMesh();
    editor->MoveButton->click();
    ASSERT_TRUE(drag(3, 0));
    EXPECT_NE(editor->surfaceMesh(), before);
    EXPECT_EQ(editor->surfaceMesh()->iteration, 100);
    // So does a new display window: the image force samples through it.
    const SurfaceMesh* moved = editor->surfaceMesh();
    editor->TrMin->setValue(60);
    EXPECT_NE(editor->surfaceMesh(), moved);

    editor->FillButtonClick();
    EXPECT_GT(count(1), 0);
    EXPECT_FALSE(editor->Panel5->isVisibleTo(editor));
    EXPECT_EQ(editor->surfaceMesh(), nullptr);
}

TEST_F(VolumeEditorShapes, FloodFillGrowsFromTheClickedSliceWithTheGreyTest) {
    load();
    editor->FloodFill3DClick();
    EXPECT_EQ(editor->shapeKind(), ShapeKind::FloodFill);
    EXPECT_EQ(editor->view->cursor().shape(), Qt::BitmapCursor);  // the fill cursor
    EXPECT_FALSE(editor->FillButton->isEnabled());
    EXPECT_FALSE(editor->view->shapeShown());

    // The centre of the view meets the Z slice at voxel x = 32: the grey-200 half.
    int32_t snapshot = editor->undoRing().index();
    editor->FloodFill(0, 0, 400);
    EXPECT_EQ(count(1), 32 * kSide * kSide);
    EXPECT_EQ(at(32, 0, 0), 1);
    EXPECT_EQ(at(31, 0, 0), 0);
    EXPECT_EQ(editor->shapeKind(), ShapeKind::None);
    EXPECT_TRUE(editor->CancelButton->isChecked());
    EXPECT_EQ(editor->view->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(editor->undoRing().index(), snapshot + 1);

    // A press is only a fill while the tool is armed.
    editor->FloodFill(-20, 0, 400);
    EXPECT_EQ(count(1), 32 * kSide * kSide);

    // Left of the centre: the grey-100 half, into VOI 2; the growth stops at
    // VOI 1's voxels (another VOI pattern) as it stops at the other grey.
    editor->RoiClick(2);
    editor->FloodFill3DClick();
    editor->FloodFill(-20, 0, 400);
    EXPECT_EQ(count(2), 32 * kSide * kSide);
    EXPECT_EQ(at(0, 0, 0), 2);

    // With VOIs 1 and 2 hidden and no grey test ("VOI only" colouring), the
    // growth crosses both halves; non-overlapping draw leaves VOI 3 alone.
    editor->vroiClick(1);
    editor->vroiClick(2);
    editor->RadioVoi->setChecked(true);
    editor->RoiClick(3);
    editor->FloodFill3DClick();
    editor->FloodFill(0, 0, 400);
    EXPECT_EQ(count(3), kSide * kSide * kSide);
    EXPECT_EQ(count(1), 0);

    // A press beside the volume meets no slice: nothing changes, yet the tool
    // is disarmed and a snapshot is taken.
    snapshot = editor->undoRing().index();
    editor->FloodFill3DClick();
    editor->FloodFill(5000, 0, 400);
    EXPECT_EQ(count(3), kSide * kSide * kSide);
    EXPECT_EQ(editor->shapeKind(), ShapeKind::None);
    EXPECT_NE(editor->undoRing().index(), snapshot);
}

TEST_F(VolumeEditorShapes, TheBandGreyTestAndCancellingAnArmedFill) {
    load();
    // The band of the whole window holds both greys: one region.
    editor->RadioBand->setChecked(true);
    editor->FloodFill3DClick();
    editor->FloodFill(0, 0, 400);
    EXPECT_EQ(count(1), kSide * kSide * kSide);

    // Erasing the active VOI from a click.
    editor->EraseActiveButton->click();
    editor->FloodFill3DClick();
    editor->FloodFill(0, 0, 400);
    EXPECT_EQ(count(1), 0);

    // Cancel disarms without a snapshot.
    const int32_t snapshot = editor->undoRing().index();
    editor->FloodFill3DClick();
    editor->cancelButtonClick();
    EXPECT_EQ(editor->shapeKind(), ShapeKind::None);
    EXPECT_EQ(editor->view->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(editor->undoRing().index(), snapshot);
}
