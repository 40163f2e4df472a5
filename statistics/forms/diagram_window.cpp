#include "statistics/forms/diagram_window.h"

#include <QAction>
#include <QBuffer>
#include <QCloseEvent>
#include <QMenuBar>
#include <QPainter>
#include <QVBoxLayout>

#include "platform/files.h"
#include "platform/qt/window_placement.h"
#include "statistics/core/r62_shell.h"
#include "statistics/forms/save_with_replace.h"

DiagramState& r62Diagram() {
    static DiagramState state;
    return state;
}

void resetR62Diagram() {
    r62Diagram() = DiagramState();
}

bool saveDiagramBitmap(const QImage& picture, const std::string& filter) {
    platform::FileDialogRequest request;
    request.filter = filter;
    request.defaultExtension = ".bmp";
    const SaveOutcome outcome = saveWithReplace(request, [&](const std::string& path) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        return picture.save(&buffer, "BMP") &&
               platform::writeWholeFileAtomically(
                   path, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    });
    if (outcome != SaveOutcome::Saved) return false;
    r62Diagram().DiagramSaved = 1;
    return true;
}

void offerToSaveDiagram(const QImage& picture, const std::string& filter,
                        platform::MessageIcon icon) {
    if (!r62Diagram().DiagramSaved &&
        platform::showMessage(kR62BoxCaption, kDiagramNotSavedQuestion,
                              platform::MessageButtons::YesNo,
                              icon) == platform::MessageResult::Yes)
        saveDiagramBitmap(picture, filter);
}

DiagramView::DiagramView(const QImage* picture, QWidget* parent)
    : QWidget(parent), picture_(picture) {
    setObjectName("Image");
}

void DiagramView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, *picture_);
}

DiagramWindow::DiagramWindow(QWidget* owner, const DiagramFrame& frame)
    : QWidget(owner, Qt::Window | frame.extraFlags),
      openFlag_(frame.openFlag),
      saveFilter_(frame.saveFilter),
      closeIcon_(frame.closeIcon) {
    setObjectName(frame.objectName);
    setAttribute(Qt::WA_DeleteOnClose);
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName("MainMenu1");
    saveItem = MainMenu1->addAction("&Save");
    closeItem = MainMenu1->addAction("&Close");
    connect(saveItem, &QAction::triggered, this, [this] { SaveClick(); });
    connect(closeItem, &QAction::triggered, this, [this] { CloseClick(); });
    layout_->setMenuBar(MainMenu1);
    if (openFlag_) *openFlag_ = 1;
}

DiagramWindow::~DiagramWindow() {
    // Also when the window goes with its owner without being closed.
    if (openFlag_) *openFlag_ = 0;
}

void DiagramWindow::SaveClick() {
    saveDiagramBitmap(picture_, saveFilter_);
}

void DiagramWindow::CloseClick() {
    offerToSaveDiagram(picture_, saveFilter_, closeIcon_);
    close();
}

QString DiagramWindow::captionFor(const std::string& dataFileName,
                                  const std::string& analysisName) {
    return QString::fromUtf8("\"" + dataFileName + "\" - " + analysisName);
}

void DiagramWindow::showOver(QWidget* owner) {
    if (owner) {
        const QPoint centre = owner->geometry().center();
        move(centre.x() - width() / 2, centre.y() - height() / 2);
    }
    platform::keepInsideScreen(this);
    show();
    platform::keepInsideScreen(this);
}

void DiagramWindow::closeEvent(QCloseEvent* event) {
    closing();
    if (openFlag_) *openFlag_ = 0;
    event->accept();
}
