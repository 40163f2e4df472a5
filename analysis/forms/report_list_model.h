// The rows and columns of the report window's list: one row per feature
// record of a document, the name with its check image and the 16 ROI values.
// Values are formatted only when the view asks for a visible cell, so showing
// a document of thousands of records costs no more than showing a small one.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <array>

#include "analysis/core/reports/report_document.h"

// "%.5g" for a finite value (5 significant digits, shortest form); "NaN" for
// the missing value and any other non-finite one.
QString reportValueText(double value);

// The four 14 x 14 images of the check states: 0 unchecked, 1 checked,
// 2 mixed (held by some documents only; an empty ROI column), 3 none.
QIcon checkStateIcon(int state);

class ReportListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    static constexpr int kColumnCount = 1 + kRoiCount;
    // The image index of a row (column 0) or a ROI column header; -1 when none.
    static constexpr int kImageRole = Qt::UserRole;

    explicit ReportListModel(QObject* parent = nullptr);

    // Shows document (or nothing); the model keeps the pointer until the next call.
    void setDocument(const ReportDocument* document);
    const ReportDocument* document() const { return document_; }
    // The check images or the column captions and images changed.
    void checksChanged();
    void columnsChanged();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    const ReportDocument* document_ = nullptr;
};
