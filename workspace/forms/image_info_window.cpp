#include "workspace/forms/image_info_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFontMetricsF>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTextOption>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

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
    alignColumns();
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
    window->alignColumns();
}

void TImageInfoView::alignColumns() {
    // The values start one gap past the widest label, whatever the font, and
    // the further values of a line (units, second and third numbers) stand in
    // columns wide enough for a number with its unit.
    const QFontMetricsF metrics(memo_->font());
    const qreal gap = metrics.horizontalAdvance(QStringLiteral("  "));
    qreal labels = 0;
    qreal values = metrics.horizontalAdvance(QStringLiteral("-00000.00mm"));
    const QStringList lines = memo_->toPlainText().split('\n');
    for (const QString& line : lines) {
        const QStringList cells = line.split('\t');
        if (cells.size() < 2) continue;
        labels = std::max(labels, metrics.horizontalAdvance(cells.front()));
        for (qsizetype i = 1; i + 1 < cells.size(); ++i)
            values = std::max(values, metrics.horizontalAdvance(cells[i]));
    }
    QList<QTextOption::Tab> tabs;
    qreal at = std::ceil(labels + gap);
    for (int column = 0; column < kInfoValueColumns; ++column) {
        tabs.append(QTextOption::Tab(at, QTextOption::LeftTab));
        at += std::ceil(values + gap);
    }
    QTextOption option = memo_->document()->defaultTextOption();
    option.setTabs(tabs);
    memo_->document()->setDefaultTextOption(option);
}
