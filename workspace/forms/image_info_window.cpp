#include "workspace/forms/image_info_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "workspace/core/formats/image_info_text.h"
#include "workspace/core/workspace_state.h"
#include "workspace/forms/vantu_main_window.h"

TImageInfoView::TImageInfoView(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName("ImageInfoView");
    setWindowTitle("Image Info");
    memo_ = new QPlainTextEdit(this);
    memo_->setObjectName("Memo1");
    memo_->setReadOnly(true);
    memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo_->setTabStopDistance(QFontMetrics(memo_->font()).horizontalAdvance('x') * 26);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(memo_);
    resize(640, 440);
}

void TImageInfoView::closeEvent(QCloseEvent* event) {
    hide();
    if (_vantu)
        if (QAction* item = _vantu->action("Image Info")) item->setChecked(false);
    event->accept();
}

void ImageInfoFill(TImageInfoView* window, const std::string& path, int sourceCode) {
    if (!window) return;
    window->memo()->clear();
    ImageInfoBasics basics;
    if (_vantu) {
        basics.width = _vantu->state.ImageWidth;
        basics.height = _vantu->state.ImageHeight;
        basics.min = _vantu->state.ImageMin;
        basics.max = _vantu->state.ImageMax;
        basics.bitDepth = _vantu->state.BitDepth;
    }
    QStringList lines;
    for (const std::string& line : imageInfoLines(path, basics, sourceCode))
        lines << QString::fromStdString(line);
    window->memo()->setPlainText(lines.join('\n'));
}
