// The 3D view drawn for real: an X display with Mesa's software renderer
// (xvfb-run), the frame read back with grabFramebuffer(). Without a display
// or an OpenGL context the tests are skipped, never passed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QOpenGLContext>
#include <memory>

#include "volume/core/view/shape_geometry.h"
#include "volume/core/view/slice_texture.h"
#include "volume/core/volume/volume3d.h"
#include "volume/forms/volume_view.h"

namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "vantu";
    static char* argv[] = {name, nullptr};
    static QApplication* made = new QApplication(argc, argv);
    return *made;
}

class VolumeViewGl : public ::testing::Test {
  protected:
    void SetUp() override {
        app();
        if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "no X display";
        // 64³ of grey 1000, VOI 1 in the half x < 32.
        grey = std::make_unique<Volume3D>(64);
        mask = std::make_unique<Volume3D>(64);
        std::vector<uint16_t> g(64 * 64, 1000), m(64 * 64, 0);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 32; ++x) m[static_cast<size_t>(y * 64 + x)] = 1;
        for (int z = 0; z < 64; ++z) {
            Volume3DSetSlice(*grey, g.data(), 64, 64, z);
            Volume3DSetSlice(*mask, m.data(), 64, 64, z);
        }
        view = std::make_unique<VolumeView>();
        view->resize(400, 400);
        view->show();
        QApplication::processEvents();
        if (!view->context() || !view->context()->isValid()) GTEST_SKIP() << "no OpenGL context";
    }

    void showSlice(SliceAxis axis, SliceColouring colouring) {
        const SliceTexture t =
            buildSliceTexture(*grey, *mask, axis, 32, 0xFFFF, colouring, {0, 1000});
        view->setSlice(axis, true, t, sliceQuad(*grey, axis, 32, {3, 3, 3}, t));
    }
    QColor at(const QImage& frame, int x, int y) { return frame.pixelColor(x, y); }

    std::unique_ptr<Volume3D> grey, mask;
    std::unique_ptr<VolumeView> view;
};

}  // namespace

TEST_F(VolumeViewGl, SlicesShowTheirColouringAndLeaveTheBackgroundAround) {
    const QImage empty = view->grabFramebuffer();
    const QColor background = at(empty, 200, 200);

    showSlice(SliceAxis::Z, SliceColouring::VoiOnly);
    const QImage voi = view->grabFramebuffer();
    // The Z slice faces the camera: its left half (VOI 1, red) and its right
    // half (no VOI, grey 127) lie either side of the centre.
    const QColor left = at(voi, 200 - 30, 200), right = at(voi, 200 + 30, 200);
    EXPECT_GT(left.red(), left.green() + 20);
    EXPECT_NEAR(right.red(), right.green(), 3);
    EXPECT_NE(left, background);
    EXPECT_EQ(at(voi, 5, 5), background);  // outside the volume

    showSlice(SliceAxis::Z, SliceColouring::Grey);
    const QImage greyFrame = view->grabFramebuffer();
    const QColor plain = at(greyFrame, 200 + 30, 200);
    EXPECT_NEAR(plain.red(), plain.green(), 3);
    EXPECT_GT(plain.red(), right.red());  // grey 1000 at the top of the window is bright

    view->setSlice(SliceAxis::Z, false);
    EXPECT_EQ(at(view->grabFramebuffer(), 200 + 30, 200), background);
}

TEST_F(VolumeViewGl, ATurnMovesTheSlicesAsTheMatrixSays) {
    showSlice(SliceAxis::Z, SliceColouring::VoiOnly);
    const QImage before = view->grabFramebuffer();
    const QColor background = at(view->grabFramebuffer(), 5, 5);
    EXPECT_NE(at(before, 200 + 40, 200), background);
    // A quarter turn about the vertical axis: the Z slice is seen edge-on.
    rotateColumns(view->ViewMatrix, 0, 2, 3.14159265358979323846 / 2);
    const QImage turned = view->grabFramebuffer();
    EXPECT_EQ(at(turned, 200 + 40, 200), background);
    // The X slice now faces the camera.
    showSlice(SliceAxis::X, SliceColouring::VoiOnly);
    EXPECT_NE(at(view->grabFramebuffer(), 200 + 40, 200), background);
}

TEST_F(VolumeViewGl, TheShapeIsDrawnInItsColourAndAMirroredOneKeepsItsFaces) {
    const QColor background = at(view->grabFramebuffer(), 200, 200);
    // A cube of half-size 10 at the centre, in VOI 1's red (0x00BBGGRR).
    view->ShapeMatrix = placementMatrix(10, 0, 0, 0);
    view->setShapeGeometry(solidGeometry(ShapeKind::Cube, 0), 0x0000FF);
    const QImage frame = view->grabFramebuffer();
    const QColor centre = at(frame, 200, 200);
    EXPECT_GT(centre.red(), centre.green() + 40);
    EXPECT_EQ(at(frame, 200 + 40, 200), background);  // 10 / 800 of the way: ~15 pixels
    // Mirrored in x the faces turn inside out; culling must still keep the
    // outer ones, so the cube looks the same.
    view->ShapeMatrix[0] = -0.1;
    EXPECT_EQ(at(view->grabFramebuffer(), 200, 200), centre);
    // Wires are drawn too, unlit; an empty shape hides it.
    view->ShapeMatrix = placementMatrix(10, 0, 0, 0);
    view->setShapeGeometry(meshWireGeometry(makeSurfaceMesh(ellipsoidParameters())), 0x00FF00);
    const QImage wires = view->grabFramebuffer();
    int green = 0;
    for (int y = 185; y <= 215; ++y)
        for (int x = 185; x <= 215; ++x)
            if (wires.pixelColor(x, y).green() > wires.pixelColor(x, y).red() + 60) ++green;
    EXPECT_GT(green, 20);
    view->setShapeGeometry({}, 0);
    EXPECT_FALSE(view->shapeShown());
    EXPECT_EQ(at(view->grabFramebuffer(), 200, 200), background);
}
