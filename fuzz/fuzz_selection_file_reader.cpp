// .sel files come from Vantu, from other programs and from hand editing.
// Decoding any text must end, either load a data set that every analysis can
// use or reject it with a line and a marker, and never write past the arrays.
// Loaded data sets are also prepared and classified by 1-NN.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "statistics/core/classifiers/nearest_neighbour.h"
#include "statistics/core/data/data_set.h"
#include "statistics/core/data/selection_file_reader.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

void checkLoaded(R62DataSet& d, const SelLoadResult& result) {
    check(d.NewConsistentData == 1);
    check(result.statusText == "Input data loaded" && result.messageBox.empty());
    check(d.FeatureCount >= 1 && d.FeatureCount <= kMaxFeatures);
    check(d.CategoryCount >= 2 && d.CategoryCount <= kMaxCategories);
    check(d.SampleCount >= 2 * d.CategoryCount && d.SampleCount <= kMaxSamples);
    for (int j = 1; j <= kMaxFeatures; ++j) {
        check((d.FeatureSelected[j] != 0) == (j <= d.FeatureCount));
        check(!d.FeatureName[j].empty() == (j <= d.FeatureCount));
    }
    for (int c = 1; c <= d.CategoryCount; ++c) check(!d.CategoryName[c].empty());
    for (int i = 1; i <= d.SampleCount; ++i) {
        check(d.Category[i] >= 1 && d.Category[i] <= d.CategoryCount);
        for (int j = 0; j <= kMaxFeatures; ++j) check(std::isfinite(d.RawData[i][j]));
    }
    for (int j = 1; j <= d.FeatureCount; ++j) check(d.FeatureStd[j] > 0.0);

    if (d.SampleCount <= 300) {
        for (uint8_t standardize : {uint8_t{0}, uint8_t{1}}) {
            const NearestNeighbourReport report =
                NearestNeighbourClassification(d, standardize, "t");
            check(report.outcome == NearestNeighbourOutcome::Reported);
            check(report.misclassified >= 0 && report.misclassified <= d.SampleCount);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One data set for the whole run, as in the program: each load overwrites
    // what the previous one left.
    static R62DataSet* set = new R62DataSet();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const SelLoadResult result = decodeSelFile(text, "fuzz.sel", *set);
    switch (result.status) {
        case SelLoadStatus::Loaded:
            checkLoaded(*set, result);
            break;
        case SelLoadStatus::Rejected: {
            check(set->NewConsistentData == 0);
            check(result.errorLine >= 1 && !result.error.empty());
            const std::string marker =
                "^ Error at line " + std::to_string(result.errorLine) + "...";
            check(result.inputPane.size() >= marker.size() &&
                  result.inputPane.compare(result.inputPane.size() - marker.size(), marker.size(),
                                           marker) == 0);
            check(result.messageBox.find(result.error) != std::string::npos);
            break;
        }
        case SelLoadStatus::CannotRead:
            std::abort();  // only a file on disk can be unreadable
    }
    return 0;
}
