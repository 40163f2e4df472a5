// How the report list draws a cell that is narrower than its text: a feature
// name loses its end, a number its middle digits (its sign, first digits and
// exponent stay, so 4.6678e-05 never reads as 4.6678), and the pointer
// resting on a cut cell shows the whole text as a tooltip.
#pragma once

#include <QStyledItemDelegate>

class ReportListDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Whether the text of `index` does not fit the cell it has in `view`.
    static bool textIsCut(const QStyleOptionViewItem& option, const QModelIndex& index);

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
