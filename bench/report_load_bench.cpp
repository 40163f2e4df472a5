// Loading a .par report: decoding the text and counting every record name
// into the feature-name registry. A report of 200,000 records must load in
// seconds; the baseline counts the same names with a linear search per
// record, as the registry once did (quadratic in the number of names).
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>
#include <vector>

#include "analysis/core/reports/report_document.h"
#include "analysis/core/reports/report_file.h"

namespace {

std::string parText(int records) {
    std::string text = "Image File: bench.bmp\r\n\r\n" + std::string(kParClassNamesSeparator) +
                       "\r\nClnm1\thealthy\r\n\r\n" + std::string(kParFeaturesSeparator) + "\r\n";
    for (int i = 0; i < records; ++i) {
        text += "S(" + std::to_string(i % 7) + ",0)Feature" + std::to_string(i);
        for (int k = 0; k < 16; ++k) text += "\t" + std::to_string(100 + i % 97 + k);
        text += "\r\n";
    }
    return text;
}

void BM_LoadPar(benchmark::State& state) {
    const std::string text = parText(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        resetReportDocuments();
        ParReadResult result = decodeParFile(text);
        benchmark::DoNotOptimize(addLoadedReport(result.file));
    }
    resetReportDocuments();
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LoadPar)->Arg(20'000)->Arg(200'000)->Unit(benchmark::kMillisecond);

// The old registry: names in order of appearance, found by a linear search.
void BM_LoadParLinearBaseline(benchmark::State& state) {
    const std::string text = parText(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ParReadResult result = decodeParFile(text);
        struct Entry {
            std::string name;
            int count;
        };
        std::vector<Entry> registry;
        for (const FeatureRecord& record : result.file.records) {
            std::string_view name = recordName(record);
            bool found = false;
            for (Entry& e : registry)
                if (e.name == name) {
                    ++e.count;
                    found = true;
                    break;
                }
            if (!found) registry.push_back({std::string(name), 1});
        }
        benchmark::DoNotOptimize(registry.size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LoadParLinearBaseline)->Arg(20'000)->Unit(benchmark::kMillisecond);

}  // namespace
