// One move of the dendrogram window's track bar on a tree of 2000 samples:
// the cut into k clusters from the window's precomputed parent links,
// against the clustering's own cut, which looks every parent up afresh; and
// what a redraw costs (layout and rasterising of the drawn links).
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "statistics/core/clustering/dendrogram_layout.h"

namespace {

// Random merges of the active clusters at rising heights; `chain` joins the
// samples one by one instead, the deepest tree there is.
std::unique_ptr<ClusterTree> tree(int n, bool chain) {
    auto t = std::make_unique<ClusterTree>();
    t->sampleCount = n;
    std::mt19937 random(3);
    std::vector<int> active;
    for (int i = 1; i <= n; ++i) active.push_back(i);
    for (int s = 1; s <= n - 1; ++s) {
        int a = 0;
        int b = 0;
        if (chain) {
            a = s == 1 ? 1 : n + s - 1;
            b = s + 1;
        } else {
            std::uniform_int_distribution<size_t> pick(0, active.size() - 1);
            const size_t i = pick(random);
            a = active[i];
            active.erase(active.begin() + static_cast<long>(i));
            const size_t j = std::uniform_int_distribution<size_t>(0, active.size() - 1)(random);
            b = active[j];
            active[j] = n + s;
        }
        t->MergeList[s] = {static_cast<int16_t>(a), static_cast<int16_t>(b)};
        t->LinkHeights[s] = s;
    }
    InconsistencyCoefficients(*t);
    return t;
}

void BM_CutFromParentLinks(benchmark::State& state) {
    const auto t = tree(2000, state.range(0) != 0);
    const DendrogramModel model = dendrogramModel(*t);
    for (auto _ : state) benchmark::DoNotOptimize(cutDendrogram(model, *t, 15));
}
BENCHMARK(BM_CutFromParentLinks)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_CutByDendrogramCutLabels(benchmark::State& state) {
    const auto t = tree(2000, state.range(0) != 0);
    for (auto _ : state) benchmark::DoNotOptimize(DendrogramCutLabels(*t, 15));
}
BENCHMARK(BM_CutByDendrogramCutLabels)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_ModelOnce(benchmark::State& state) {
    const auto t = tree(2000, false);
    for (auto _ : state) benchmark::DoNotOptimize(dendrogramModel(*t));
}
BENCHMARK(BM_ModelOnce)->Unit(benchmark::kMicrosecond);

void BM_RedrawDefaultPicture(benchmark::State& state) {
    const auto t = tree(2000, false);
    const DendrogramModel model = dendrogramModel(*t);
    for (auto _ : state)
        benchmark::DoNotOptimize(rasteriseDendrogram(layoutDendrogram(model, *t, 344, 268)));
}
BENCHMARK(BM_RedrawDefaultPicture)->Unit(benchmark::kMicrosecond);

}  // namespace
