#include "workspace/forms/image_header_window.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

TImageHeader::TImageHeader(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName("ImageHeader");
    setWindowTitle("ImageHeader");
    HeaderText = new QPlainTextEdit(this);
    HeaderText->setObjectName("HeaderText");
    HeaderText->setReadOnly(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(HeaderText);
}
