#include "statistics/forms/class_cluster_table.h"

#include <algorithm>
#include <string>

#include <QCloseEvent>
#include <QHeaderView>
#include <QPointer>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/qt/caption_width.h"
#include "platform/qt/window_placement.h"

namespace {

constexpr int kColumnWidth = 90;
constexpr int kRowHeight = 20;

QPointer<TCCTable>& openTable() {
    static QPointer<TCCTable> table;
    return table;
}

}  // namespace

TCCTable::TCCTable(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName("CCTable");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Class/Cluster Table");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    StringGrid1 = new QTableWidget(kClassClusterRows, kClassClusterColumns, this);
    StringGrid1->setObjectName("StringGrid1");
    StringGrid1->horizontalHeader()->hide();
    StringGrid1->verticalHeader()->hide();
    StringGrid1->horizontalHeader()->setMinimumSectionSize(1);
    StringGrid1->verticalHeader()->setMinimumSectionSize(1);
    StringGrid1->horizontalHeader()->setDefaultSectionSize(kColumnWidth);
    StringGrid1->verticalHeader()->setDefaultSectionSize(kRowHeight);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(StringGrid1);
    // The default grid whole, as far as the screen allows.
    resize(kClassClusterColumns * (kColumnWidth + 1) + 4, kClassClusterRows * (kRowHeight + 1) + 4);
}

void TCCTable::fill(const ClassClusterGrid& grid) {
    StringGrid1->clearContents();
    StringGrid1->setRowCount(grid.rows);
    StringGrid1->setColumnCount(grid.columns);
    const QBrush fixed = palette().brush(QPalette::Button);
    int usedRows = 1, usedColumns = 1;
    for (int row = 0; row < grid.rows; ++row)
        for (int column = 0; column < grid.columns; ++column) {
            const std::string& text = grid.cell(column, row);
            if (!text.empty()) {
                usedRows = std::max(usedRows, row + 1);
                usedColumns = std::max(usedColumns, column + 1);
            }
            auto* item = new QTableWidgetItem(QString::fromStdString(text));
            // The first row and column are the grid's fixed headings.
            if (row == 0 || column == 0) item->setBackground(fixed);
            StringGrid1->setItem(row, column, item);
        }
    // No larger than the cells written (up to the default grid), so that it
    // finds room beside its window more often; wide enough for its caption.
    const int columns = std::min(usedColumns, kClassClusterColumns);
    const int rows = std::min(usedRows, kClassClusterRows);
    // The empty cells beyond stay in reach of the scroll bars.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, StringGrid1);
    const int width = columns * (kColumnWidth + 1) + 4 + (grid.rows > rows ? bar : 0);
    const int height = rows * (kRowHeight + 1) + 4 + (grid.columns > columns ? bar : 0);
    resize(std::max(width, platform::captionFitWidth(windowTitle())), height);
}

void TCCTable::closeEvent(QCloseEvent* event) {
    // A closed table is deleted later; a run that ends before that must
    // show its table in a new window, not in the one going away.
    if (openTable() == this) openTable() = nullptr;
    QWidget::closeEvent(event);
}

TCCTable* showClassClusterTable(QWidget* owner, const ClassClusterGrid& grid, const QWidget* from) {
    QPointer<TCCTable>& table = openTable();
    if (table.isNull()) table = new TCCTable(owner);
    const bool onTop = from != nullptr && from->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    if (table->windowFlags().testFlag(Qt::WindowStaysOnTopHint) != onTop)
        table->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (onTop)
        // Once that window has gone, the table stops covering the others.
        QObject::connect(from, &QObject::destroyed, table, [shown = table.data()] {
            if (!shown->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) return;
            const bool visible = shown->isVisible();
            shown->setWindowFlag(Qt::WindowStaysOnTopHint, false);
            if (visible) shown->show();
        });
    table->fill(grid);
    // Beside the window it belongs to, so that window stays in view and in
    // reach; placed again once shown, when the frames are known.
    auto place = [&] {
        if (from != nullptr)
            platform::placeBeside(table, from);
        else
            platform::keepInsideScreen(table);
    };
    place();
    table->show();
    place();
    table->raise();
    return table;
}

TCCTable* classClusterTableWindow() {
    return openTable();
}
