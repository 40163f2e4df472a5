// The report window shows a document again after every tab change, save,
// close or aggregation, so a refresh must stay well under the 100 ms a user
// notices, even for a document of 3,000 records (17 columns each). The
// baseline fills the same cells as one widget item each.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QHeaderView>
#include <QTableView>
#include <QTableWidget>
#include <string>
#include <vector>

#include "analysis/core/reports/report_document.h"
#include "analysis/forms/report_list_model.h"
#include "analysis/forms/report_window.h"

namespace {

constexpr int kRecords = 3000;

void addLargeDocument() {
    resetReportDocuments();
    std::vector<FeatureRecord> records(kRecords);
    setRecordName(records[0], "_Area");
    for (int i = 0; i < kRecords; ++i) {
        if (i > 0) setRecordName(records[static_cast<size_t>(i)], "F" + std::to_string(i));
        for (int k = 0; k < kRoiCount; ++k)
            records[static_cast<size_t>(i)].values[static_cast<size_t>(k)] =
                100.0 + i * 0.123456789 + k;
    }
    NewReportDocument(kRecords, records.data(), "Benchmark run\r\n", "large");
}

void BM_RefreshTabs(benchmark::State& state) {
    addLargeDocument();
    TReport window(nullptr);
    for (auto _ : state) {
        window.ReportRefreshTabs();
        benchmark::DoNotOptimize(window.listModel()->rowCount());
    }
    resetReportDocuments();
}
BENCHMARK(BM_RefreshTabs)->Unit(benchmark::kMillisecond);

// What the user waits for: the refresh and the window painted again.
void BM_RefreshTabsAndPaint(benchmark::State& state) {
    addLargeDocument();
    TReport window(nullptr);
    window.resize(820, 600);
    window.show();
    QApplication::processEvents();
    for (auto _ : state) {
        window.ReportRefreshTabs();
        window.repaint();
    }
    window.hide();
    resetReportDocuments();
}
BENCHMARK(BM_RefreshTabsAndPaint)->Unit(benchmark::kMillisecond);

// Sizing the 17 columns on a refresh: from the widest formatted text of
// each column, measured once ...
void BM_SizeColumnsFromWidestTexts(benchmark::State& state) {
    addLargeDocument();
    TReport window(nullptr);
    window.ReportRefreshTabs();
    for (auto _ : state) window.sizeColumnsToContents();
    resetReportDocuments();
}
BENCHMARK(BM_SizeColumnsFromWidestTexts)->Unit(benchmark::kMillisecond);

// ... against the view measuring its cells: Qt's default (the first 1,000
// rows) and every row, as a size that fits every cell needs.
void BM_ResizeColumnsToContentsByMeasuring(benchmark::State& state) {
    addLargeDocument();
    TReport window(nullptr);
    window.ReportRefreshTabs();
    window.listView()->horizontalHeader()->setResizeContentsPrecision(
        static_cast<int>(state.range(0)));
    for (auto _ : state) window.listView()->resizeColumnsToContents();
    resetReportDocuments();
}
BENCHMARK(BM_ResizeColumnsToContentsByMeasuring)->Arg(1000)->Arg(-1)->Unit(benchmark::kMillisecond);

// Baseline: every cell of the document as a widget item, formatted up front.
void BM_FillItemWidgets(benchmark::State& state) {
    addLargeDocument();
    const ReportDocument* document = NthReportDocument(0);
    QTableWidget table(0, 1 + kRoiCount);
    for (auto _ : state) {
        table.clearContents();
        table.setRowCount(document->recordCount());
        for (int row = 0; row < document->recordCount(); ++row) {
            const FeatureRecord& record = document->records[static_cast<size_t>(row)];
            const std::string_view name = recordName(record);
            table.setItem(row, 0,
                          new QTableWidgetItem(
                              checkStateIcon(FeatureNameState(name)),
                              QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))));
            for (int k = 0; k < kRoiCount; ++k)
                table.setItem(
                    row, k + 1,
                    new QTableWidgetItem(reportValueText(record.values[static_cast<size_t>(k)])));
        }
    }
    resetReportDocuments();
}
BENCHMARK(BM_FillItemWidgets)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
