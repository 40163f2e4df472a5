// Stored networks are saved reports that users keep, edit and pick by hand.
// Reading any text must end, either give a network whose sizes fit the
// engine's arrays and whose weights are all there, or stop with a message;
// and a network test on a loaded data set must never read or write outside
// the arrays. The first input byte chooses the file's name (and so its kind).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "statistics/core/classifiers/network_testing.h"
#include "statistics/core/classifiers/stored_network.h"
#include "statistics/core/data/data_set.h"
#include "statistics/core/data/selection_file_reader.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

void checkRead(const StoredNetworkReadResult& result) {
    if (!result.ok) {
        check(!result.error.empty());
        return;
    }
    const StoredNetworkFile& file = result.file;
    const StoredNetwork& net = file.network;
    check(net.inputs >= 1 && net.inputs <= kMaxNetInputs);
    check(static_cast<size_t>(net.inputs) == file.featureNames.size());
    check(file.trainingMeans.size() == file.featureNames.size());
    check(file.trainingDeviations.size() == file.featureNames.size());
    for (size_t k = 0; k < file.featureNames.size(); ++k) {
        check(std::isfinite(file.trainingMeans[k]));
        check(std::isfinite(file.trainingDeviations[k]) && file.trainingDeviations[k] > 0.0);
    }
    check(net.hidden1 >= 1 && net.hidden1 <= kMaxGLayer);
    check(net.outputs >= 1 && net.outputs <= kMaxNetOutputs);
    if (net.kind == StoredNetworkKind::Nda)
        check(net.hidden2 >= kMinHLayer && net.hidden2 <= kMaxHLayer);
    if (net.kind == StoredNetworkKind::OneVsAll)
        check(net.outputs == 1 && net.selectedCategory >= 1 && net.selectedCategory <= 40);
    check(net.weights.size() == static_cast<size_t>(storedWeightCount(net)));
    for (double w : net.weights) check(std::isfinite(w));
}

// A loaded data set of four features and three categories, for the test.
const char kSel[] =
    "*label\nfuzz\n*features\n1  Mean\n2  Variance\n3  Skewness\n4  Kurtosis\n*categories\n"
    "1  a\n2  b\n3  c\n*data\n"
    "1  1.0  2.0  3.5  4.0\n2  2.0  1.0  0.5  3.0\n3  0.5  0.2  1.5  2.5\n"
    "1  1.5  2.5  3.0  4.5\n2  2.5  1.5  0.0  3.5\n3  0.0  0.7  1.0  2.0\n*end\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const char* const kNames[] = {"fuzz.cls", "fuzz.nda", "fuzz.CLS", "fuzz"};
    const std::string name = kNames[data[0] % 4];
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    checkRead(readStoredNetwork(text, name));

    // The globals of the program, reused from input to input as the program
    // reuses them from test to test.
    static R62DataSet* set = new R62DataSet();
    static NeuralNetwork* net = new NeuralNetwork();
    static SampleMatrix* projected = new SampleMatrix();
    static R62Options* options = new R62Options();
    check(decodeSelFile(kSel, "fuzz.sel", *set).status == SelLoadStatus::Loaded);
    const NetworkTestReport report =
        testStoredNetwork(*set, *options, *net, *projected, text, name, "t");
    if (report.outcome == AnalysisOutcome::Reported) {
        check(report.misclassified >= 0 && report.misclassified <= set->SampleCount);
        check(!report.lines.empty());
    } else {
        check(report.messages.size() == 1 && !report.messages[0].empty());
    }
    return 0;
}
