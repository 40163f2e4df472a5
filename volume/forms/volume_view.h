// The OpenGL scene of the volume editor: three orthogonal textured slices of
// the volume (lists 2, 3 and 4 for Z, Y and X) under the view matrix, and the
// shape model (list 1) under shape × view, lit by one light. Fixed-function
// OpenGL 1.1 through a compatibility context; the lists are rebuilt whenever
// the context is made anew, and each slice's texture is a texture object.
#pragma once

#include <QOpenGLFunctions_1_1>
#include <QOpenGLWidget>
#include <array>
#include <functional>

#include "volume/core/view/shape_geometry.h"
#include "volume/core/view/slice_texture.h"
#include "volume/core/view/view_matrix.h"

class VolumeView : public QOpenGLWidget, protected QOpenGLFunctions_1_1 {
  public:
    explicit VolumeView(QWidget* parent = nullptr);
    ~VolumeView() override;

    Matrix4 ViewMatrix = initialViewMatrix();
    Matrix4 ShapeMatrix = identityMatrix();

    // Replaces the texture and quad of one slice; `shown` false removes it.
    void setSlice(SliceAxis axis, bool shown, const SliceTexture& texture = {},
                  const SliceQuad& quad = {});
    bool sliceShown(SliceAxis axis) const { return slices_[index(axis)].shown; }
    // The shape (list 1) in the active VOI's colour; an empty draw hides it.
    void setShape(std::function<void(QOpenGLFunctions_1_1&)> draw, uint32_t colour);
    // The shape as geometry in model units (drawn under shape x view); an
    // empty geometry hides it.
    void setShapeGeometry(ShapeGeometry geometry, uint32_t colour);
    bool shapeShown() const { return static_cast<bool>(shape_); }
    const ShapeGeometry& shapeGeometry() const { return geometry_; }
    uint32_t shapeColour() const { return shapeColour_; }

    // Mouse: the left button with "Push or pull all" or "Turn all" down; the
    // status text after each change.
    enum class MouseMode { None, PushAll, TurnAll };
    MouseMode mouseMode = MouseMode::TurnAll;
    std::function<void(const std::string&)> status;
    // A press that the editor handles itself (flood fill, shapes).
    std::function<bool(QMouseEvent*)> pressHandler;
    // A move with the left or the right button held, from `last` to the
    // event's position; false leaves it to the view (left button only).
    std::function<bool(QMouseEvent*, QPoint last)> moveHandler;

  protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    struct Slice {
        bool shown = false;
        bool dirty = false;
        SliceTexture texture;
        SliceQuad quad;
        GLuint textureId = 0;
    };
    static size_t index(SliceAxis axis) { return static_cast<size_t>(axis); }
    void uploadSlice(Slice& slice);
    void drawGeometry();
    void releaseGl();

    std::array<Slice, 3> slices_;
    std::function<void(QOpenGLFunctions_1_1&)> shape_;
    ShapeGeometry geometry_;
    uint32_t shapeColour_ = 0;
    bool glReady_ = false;
    QMetaObject::Connection contextGone_;
    QPoint last_;
};
