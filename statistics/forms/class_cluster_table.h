// r62's class/cluster table: how the known categories of the samples fall
// into the clusters of the last k-means run or accepted dendrogram cut, one
// row per category and one column per cluster. Modeless; one table at a time.
#pragma once

#include <QWidget>

#include "statistics/core/clustering/silhouette_plot.h"

class QTableWidget;

class TCCTable : public QWidget {
  public:
    explicit TCCTable(QWidget* owner);

    QTableWidget* StringGrid1 = nullptr;

    // Every cell of the grid, the grid's size with it.
    void fill(const ClassClusterGrid& grid);

  protected:
    void closeEvent(QCloseEvent* event) override;
};

// Fills the table and shows it: the open one when there is one, else a new
// one owned by `owner`. Opened from a window (`from`: the dendrogram, the
// silhouettes), it opens beside that window, never over its menu; when that
// window stays on top, the table does too, so it opens in front of it.
TCCTable* showClassClusterTable(QWidget* owner, const ClassClusterGrid& grid,
                                const QWidget* from = nullptr);

// The open table, or none.
TCCTable* classClusterTableWindow();
