// PCA and LDA reports of r62 at its largest data set (2000 samples, 30
// features), report text included.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "statistics/core/linear/lda.h"
#include "statistics/core/linear/pca.h"
#include "statistics/core/linear/raw_data_analysis.h"

namespace {

std::unique_ptr<R62DataSet> largestDataSet() {
    auto data = std::make_unique<R62DataSet>();
    std::mt19937 random(42);
    std::normal_distribution<double> noise(0.0, 1.0);
    data->SampleCount = kMaxSamples;
    data->FeatureCount = kMaxFeatures;
    data->CategoryCount = 4;
    for (int i = 1; i <= kMaxSamples; ++i) {
        const int c = (i - 1) % 4 + 1;
        data->Category[i] = static_cast<int16_t>(c);
        data->RawData[i][0] = c;
        for (int f = 1; f <= kMaxFeatures; ++f)
            data->RawData[i][f] = noise(random) + 0.5 * c * (f % 5);
    }
    for (int f = 1; f <= kMaxFeatures; ++f) {
        data->FeatureName[f] = "feature " + std::to_string(f);
        data->FeatureSelected[f] = 1;
    }
    data->DataFileName = "bench.sel";
    return data;
}

void BM_PcaReport(benchmark::State& state) {
    auto data = largestDataSet();
    auto projected = std::make_unique<SampleMatrix>();
    for (auto _ : state) {
        ProjectionReport report = PrincipalComponentAnalysis(*data, *projected, 1, "now");
        benchmark::DoNotOptimize(report.lines.data());
        state.counters["m"] = report.linearDimensionality;
    }
}
BENCHMARK(BM_PcaReport)->Unit(benchmark::kMillisecond);

void BM_LdaReport(benchmark::State& state) {
    auto data = largestDataSet();
    auto projected = std::make_unique<SampleMatrix>();
    for (auto _ : state) {
        ProjectionReport report = LinearDiscriminantAnalysis(*data, *projected, 1, "now");
        benchmark::DoNotOptimize(report.lines.data());
        state.counters["m"] = report.linearDimensionality;
    }
}
BENCHMARK(BM_LdaReport)->Unit(benchmark::kMillisecond);

void BM_RawDataReport(benchmark::State& state) {
    auto data = largestDataSet();
    for (auto _ : state) {
        RawDataAnalysisReport report = runRawDataAnalysis(*data, 1, "now");
        benchmark::DoNotOptimize(report.lines.data());
    }
}
BENCHMARK(BM_RawDataReport)->Unit(benchmark::kMillisecond);

}  // namespace
