#include "volume/forms/volume_view.h"

#include <QMouseEvent>
#include <QOpenGLContext>
#include <QSurfaceFormat>

namespace {
QSurfaceFormat compatibilityFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setDepthBufferSize(16);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    return format;
}
}  // namespace

VolumeView::VolumeView(QWidget* parent) : QOpenGLWidget(parent) {
    setFormat(compatibilityFormat());
    setMinimumSize(200, 200);
}

VolumeView::~VolumeView() {
    // The base class destroys the context after this destructor: its signal
    // must not reach a view that is already gone.
    disconnect(contextGone_);
    makeCurrent();
    releaseGl();
    doneCurrent();
}

void VolumeView::releaseGl() {
    if (!glReady_) return;
    for (Slice& slice : slices_)
        if (slice.textureId != 0) {
            glDeleteTextures(1, &slice.textureId);
            slice.textureId = 0;
        }
    glReady_ = false;
}

void VolumeView::setSlice(SliceAxis axis, bool shown, const SliceTexture& texture,
                          const SliceQuad& quad) {
    Slice& slice = slices_[index(axis)];
    slice.shown = shown && texture.width > 0;
    if (slice.shown) {
        slice.texture = texture;
        slice.quad = quad;
        slice.dirty = true;
    }
    update();
}

void VolumeView::setShape(std::function<void(QOpenGLFunctions_1_1&)> draw, uint32_t colour) {
    shape_ = std::move(draw);
    shapeColour_ = colour;
    update();
}

void VolumeView::setShapeGeometry(ShapeGeometry geometry, uint32_t colour) {
    geometry_ = std::move(geometry);
    if (geometry_.empty())
        setShape({}, colour);
    else
        setShape([this](QOpenGLFunctions_1_1&) { drawGeometry(); }, colour);
}

void VolumeView::drawGeometry() {
    glDisable(GL_TEXTURE_2D);
    glEnableClientState(GL_VERTEX_ARRAY);
    if (!geometry_.triangles.empty()) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glVertexPointer(3, GL_DOUBLE, 0, geometry_.triangles.data());
        glNormalPointer(GL_DOUBLE, 0, geometry_.normals.data());
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(geometry_.triangleCount() * 3));
        glDisableClientState(GL_NORMAL_ARRAY);
        // The current normal is undefined after a normal array: the slices
        // drawn next rely on the default one.
        glNormal3d(0, 0, 1);
    }
    if (!geometry_.lines.empty()) {
        // Wires have no faces to light: they take the plain colour.
        glDisable(GL_LIGHTING);
        glVertexPointer(3, GL_DOUBLE, 0, geometry_.lines.data());
        glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(geometry_.lineCount() * 2));
        glEnable(GL_LIGHTING);
    }
    glDisableClientState(GL_VERTEX_ARRAY);
}

void VolumeView::initializeGL() {
    initializeOpenGLFunctions();
    // A new context (the widget moved to another window, say) has no
    // textures: every shown slice is uploaded again.
    glReady_ = true;
    for (Slice& slice : slices_) {
        slice.textureId = 0;
        slice.dirty = slice.shown;
    }
    disconnect(contextGone_);
    contextGone_ = connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, [this] {
        makeCurrent();
        releaseGl();
        doneCurrent();
    });
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_NORMALIZE);
    glEnable(GL_AUTO_NORMAL);
    const GLfloat ambient[] = {0.3f, 0.3f, 0.3f, 1}, diffuse[] = {0.7f, 0.7f, 0.7f, 1},
                  specular[] = {0.7f, 0.7f, 0.7f, 1}, position[] = {-500, 2000, 2000, 1};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glEnable(GL_LIGHT0);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    const GLfloat materialSpecular[] = {0.4f, 0.4f, 0.4f, 1};
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, materialSpecular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 64);
    const QColor face = palette().color(QPalette::Button);
    glClearColor(static_cast<GLfloat>(face.redF()), static_cast<GLfloat>(face.greenF()),
                 static_cast<GLfloat>(face.blueF()), 1);
}

void VolumeView::resizeGL(int width, int height) {
    const qreal ratio = devicePixelRatioF();
    glViewport(0, 0, std::max(1, static_cast<int>(width * ratio)),
               std::max(1, static_cast<int>(height * ratio)));
}

void VolumeView::uploadSlice(Slice& slice) {
    if (slice.textureId == 0) glGenTextures(1, &slice.textureId);
    glBindTexture(GL_TEXTURE_2D, slice.textureId);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    // Larger than this context can hold: every other texel, until it fits.
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    SliceTexture t = slice.texture;
    while (largest > 0 && (t.width > largest || t.height > largest)) {
        SliceTexture half;
        half.width = std::max(1, t.width / 2);
        half.height = std::max(1, t.height / 2);
        half.across = (t.across + 1) / 2;
        half.down = (t.down + 1) / 2;
        half.rgb.assign(half.rowBytes() * static_cast<size_t>(half.height), 0);
        for (int y = 0; y < half.height; ++y)
            for (int x = 0; x < half.width; ++x)
                for (int c = 0; c < 3; ++c)
                    half.rgb[static_cast<size_t>(y) * half.rowBytes() + x * 3 + c] =
                        t.rgb[static_cast<size_t>(std::min(2 * y, t.height - 1)) * t.rowBytes() +
                              std::min(2 * x, t.width - 1) * 3 + c];
        t = std::move(half);
    }
    glTexImage2D(GL_TEXTURE_2D, 0, 3, t.width, t.height, 0, GL_RGB, GL_UNSIGNED_BYTE, t.rgb.data());
    slice.dirty = false;
}

void VolumeView::paintGL() {
    const qreal ratio = devicePixelRatioF();
    const double w = std::max(1.0, width() * ratio), h = std::max(1.0, height() * ratio);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const double b = 5 * h / w;
    glFrustum(-5, 5, -b, b, 30, 10000);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixd(ViewMatrix.data());
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // Z, Y and X slices.
    for (SliceAxis axis : {SliceAxis::Z, SliceAxis::Y, SliceAxis::X}) {
        Slice& slice = slices_[index(axis)];
        if (!slice.shown) continue;
        if (slice.dirty || slice.textureId == 0) uploadSlice(slice);
        glDisable(GL_CULL_FACE);
        glDisable(GL_TEXTURE_1D);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, slice.textureId);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glColor3d(0.6, 0.6, 0.6);
        glFrontFace(GL_CCW);
        glBegin(GL_QUADS);
        for (int k = 0; k < 4; ++k) {
            glTexCoord2d(slice.quad.texture[k][0], slice.quad.texture[k][1]);
            glVertex3d(slice.quad.corners[k][0], slice.quad.corners[k][1],
                       slice.quad.corners[k][2]);
        }
        glEnd();
        glDisable(GL_TEXTURE_2D);
    }

    if (shape_) {
        const Matrix4 product = multiplyStored(ShapeMatrix, ViewMatrix);
        glLoadMatrixd(product.data());
        glColor3d((shapeColour_ & 0xFF) / 255.0, ((shapeColour_ >> 8) & 0xFF) / 255.0,
                  ((shapeColour_ >> 16) & 0xFF) / 255.0);
        glEnable(GL_CULL_FACE);
        // A mirrored shape turns its faces inside out: culling must keep the
        // outside ones.
        glFrontFace(determinantMatrix3(linearPart(ShapeMatrix)) < 0 ? GL_CW : GL_CCW);
        shape_(*this);
        glFrontFace(GL_CCW);
    }
    glFlush();
}

void VolumeView::mousePressEvent(QMouseEvent* event) {
    last_ = event->position().toPoint();
    if (pressHandler) pressHandler(event);
}

void VolumeView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const QPoint last = last_;
    const QPoint delta = at - last_;
    last_ = at;
    if (!(event->buttons() & (Qt::LeftButton | Qt::RightButton))) return;
    if (moveHandler && moveHandler(event, last)) return;
    if (!(event->buttons() & Qt::LeftButton)) return;
    if (mouseMode == MouseMode::PushAll) {
        pushView(ViewMatrix, delta.y());
        if (status) status(distanceStatus(ViewMatrix));
    } else if (mouseMode == MouseMode::TurnAll) {
        turnView(ViewMatrix, delta.x(), delta.y());
        if (status) status(anglesStatus(ViewMatrix));
    } else {
        return;
    }
    update();
}
