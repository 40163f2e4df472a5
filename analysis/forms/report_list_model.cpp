#include "analysis/forms/report_list_model.h"

#include <QPainter>
#include <QPixmap>

#include "analysis/core/reports/report_classes.h"
#include "analysis/core/reports/report_column_texts.h"

namespace {

constexpr int kImageSide = 14;

QPixmap drawCheckImage(int state) {
    QPixmap pixmap(kImageSide, kImageSide);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (state == kFeatureUnknown) {
        // No box: the record is outside the selection.
        painter.setPen(QColor(160, 160, 160));
        painter.drawLine(4, 7, 9, 7);
        return pixmap;
    }
    const bool mixed = state == kFeaturePartial;
    painter.setPen(QColor(64, 64, 64));
    painter.setBrush(mixed ? QColor(200, 200, 200) : QColor(255, 255, 255));
    painter.drawRect(1, 1, kImageSide - 3, kImageSide - 3);
    if (state == kFeatureChecked) {
        painter.setPen(QPen(QColor(0, 0, 0), 2));
        painter.drawPolyline(QPolygon({QPoint(3, 7), QPoint(6, 10), QPoint(11, 3)}));
    } else if (mixed) {
        painter.setPen(QPen(QColor(120, 120, 120), 2));
        painter.drawLine(4, 7, 9, 7);
    }
    return pixmap;
}

}  // namespace

QString reportValueText(double value) {
    return QString::fromStdString(reportValueString(value));
}

QIcon checkStateIcon(int state) {
    static const std::array<QIcon, 4> icons = [] {
        std::array<QIcon, 4> made;
        for (int i = 0; i < 4; ++i) made[static_cast<size_t>(i)] = QIcon(drawCheckImage(i));
        return made;
    }();
    return state >= 0 && state < 4 ? icons[static_cast<size_t>(state)] : QIcon();
}

ReportListModel::ReportListModel(QObject* parent) : QAbstractTableModel(parent) {}

void ReportListModel::setDocument(const ReportDocument* document) {
    beginResetModel();
    document_ = document;
    endResetModel();
}

void ReportListModel::checksChanged() {
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, 0));
}

void ReportListModel::columnsChanged() {
    emit headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1);
}

int ReportListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || document_ == nullptr ? 0 : document_->recordCount();
}

int ReportListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant ReportListModel::data(const QModelIndex& index, int role) const {
    if (document_ == nullptr || !index.isValid() || index.row() >= document_->recordCount())
        return {};
    const FeatureRecord& record = document_->records[static_cast<size_t>(index.row())];
    const int column = index.column();
    switch (role) {
        case Qt::DisplayRole:
            if (column == 0) {
                const std::string_view name = recordName(record);
                return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
            }
            return reportValueText(record.values[static_cast<size_t>(column - 1)]);
        case Qt::DecorationRole:
            if (column == 0) return checkStateIcon(FeatureNameState(recordName(record)));
            break;
        case kImageRole:
            if (column == 0) return FeatureNameState(recordName(record));
            break;
        case Qt::TextAlignmentRole:
            if (column > 0) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
            break;
        default:
            break;
    }
    return {};
}

QVariant ReportListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return {};
    const bool roiColumn = section > 0;
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            if (!roiColumn) return QStringLiteral("Feature name");
            if (document_ == nullptr) return QString::number(section);
            return QString::fromStdString(columnClassKey(*document_, section));
        case Qt::DecorationRole:
            if (roiColumn && document_ != nullptr)
                return checkStateIcon(document_->roiState[static_cast<size_t>(section - 1)]);
            break;
        case kImageRole:
            if (roiColumn && document_ != nullptr)
                return document_->roiState[static_cast<size_t>(section - 1)];
            return -1;
        case Qt::TextAlignmentRole:
            if (roiColumn) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
            break;
        default:
            break;
    }
    return {};
}
