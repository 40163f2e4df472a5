// Similarity based clustering on a full data set (2000 samples, 30
// features): one pass of the shift, the exponent search and the squared pair
// distances, against a plain pass that evaluates every similarity in its
// defining form exp(-d / beta)^gamma on one thread.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>

#include "statistics/core/clustering/similarity_clustering.h"
#include "statistics/core/data/data_set.h"

namespace {

constexpr int kSamples = 2000;
constexpr int kFeatures = 30;

// Twelve Gaussian groups of unit spread around centres three apart.
std::unique_ptr<R62DataSet> fullData() {
    auto data = std::make_unique<R62DataSet>();
    std::mt19937 random(11);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::uniform_int_distribution<int> centre(-2, 2);
    double centres[12][kFeatures];
    for (auto& c : centres)
        for (double& v : c) v = 3.0 * centre(random);
    data->SampleCount = kSamples;
    data->FeatureCount = kFeatures;
    data->CategoryCount = 1;
    for (int i = 1; i <= kSamples; ++i) {
        data->Category[i] = 1;
        data->RawData[i][0] = 1;
        for (int f = 1; f <= kFeatures; ++f)
            data->RawData[i][f] = centres[i % 12][f - 1] + noise(random);
    }
    for (int f = 1; f <= kFeatures; ++f) data->FeatureSelected[f] = 1;
    PrepareWorkingData(*data, 0);
    return data;
}

struct Prepared {
    std::unique_ptr<R62DataSet> data = fullData();
    ScmContext context;
    Prepared() {
        context.data = data.get();
        computeScmSquaredDistances(*data);
        EstimateScmGamma(context);
    }
};

void BM_ScmShiftPass(benchmark::State& state) {
    Prepared p;
    p.context.limits.maxPasses = 1;
    for (auto _ : state) {
        ShiftScmPoints(p.context);
        benchmark::DoNotOptimize(ScmPoints()[1][1]);
    }
    state.counters["gamma"] = p.context.gamma;
}
BENCHMARK(BM_ScmShiftPass)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same pass written plainly: one thread, checked arrays, pow of exp.
void BM_ScmShiftPassPlainRule(benchmark::State& state) {
    Prepared p;
    const SampleMatrix& x = p.data->FeatureData;
    auto moved = std::make_unique<SampleMatrix>();
    const double beta = p.context.beta;
    const double gamma = p.context.gamma;
    for (auto _ : state) {
        for (int j = 1; j <= kSamples; ++j) {
            double sum = 0.0;
            double acc[kFeatures + 1] = {};
            for (int i = 1; i <= kSamples; ++i) {
                double d = 0.0;
                for (int k = 1; k <= kFeatures; ++k) {
                    const double t = x[j][k] - x[i][k];
                    d += t * t;
                }
                const double w = std::pow(std::exp(-d / beta), gamma);
                sum += w;
                for (int k = 1; k <= kFeatures; ++k) acc[k] += w * x[i][k];
            }
            for (int k = 1; k <= kFeatures; ++k) (*moved)[j][k] = acc[k] / sum;
        }
        benchmark::DoNotOptimize((*moved)[1][1]);
    }
}
BENCHMARK(BM_ScmShiftPassPlainRule)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ScmGammaSearch(benchmark::State& state) {
    Prepared p;
    for (auto _ : state) {
        EstimateScmGamma(p.context);
        benchmark::ClobberMemory();
    }
    state.counters["gamma"] = p.context.gamma;
    state.counters["comparisons"] = p.context.gammaComparisons;
}
BENCHMARK(BM_ScmGammaSearch)->Unit(benchmark::kMillisecond)->UseRealTime();

// The shortest search: the totals at exponents 1 and 5 and their correlation.
void BM_ScmGammaStep(benchmark::State& state) {
    Prepared p;
    p.context.limits.maxGamma = 5.0;
    for (auto _ : state) {
        EstimateScmGamma(p.context);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ScmGammaStep)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ScmSquaredDistances(benchmark::State& state) {
    auto data = fullData();
    for (auto _ : state) {
        computeScmSquaredDistances(*data);
        benchmark::DoNotOptimize(scmSquaredDistance(1, 2, kSamples));
    }
}
BENCHMARK(BM_ScmSquaredDistances)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
