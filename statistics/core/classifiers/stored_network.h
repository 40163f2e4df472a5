// A trained network as r62 stores it: the text of a .cls report (ANN
// classifier training) or of a .nda report (NDA). The report is read back by
// "ANN classifier testing", so its network sections keep a fixed layout:
//
//   * Selected features [n out of m]        (report header)
//   Name [#k/#f]; p.mean= 1.23450E+003, p.std= 5.00000E-001
//   Feature vector standardized: YES
//   ...
//   * Results [ANN classification of n categories]
//   > Selected category: #2 (name)           (one-vs-all only)
//   > Neural network architecture
//      input layer:  4 nodes                 (count in columns 17-18; NDA 21-22)
//     hidden layer:  3 neurons
//     output layer:  2 nodes
//   ...
//   > Neural network weights
//   hidden layer -----------                 (NDA: 1st and 2nd hidden layer)
//    -1.23450E-001  4.50000E-002 ...         (one line per neuron, bias first,
//   output layer ---------------              each weight in 14 characters)
//
// The writer builds those sections; the reader takes them back in stages, so
// the network test can check the loaded data between the stages. The reader
// checks every count against the arrays of the network engine before a
// weight is read, and every line it converts, so no text can make it read or
// write outside them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "statistics/core/classifiers/neural_network.h"

enum class StoredNetworkKind {
    NClass,    // .cls, one hidden layer, one output per category
    OneVsAll,  // .cls, one hidden layer, one output for SelectedCategory
    Nda,       // .nda, two hidden layers
};

// The second hidden layer of an NDA network has 2 or 3 neurons; the other
// limits are the engine's (kMaxNetInputs, kMaxGLayer, kMaxHLayer,
// kMaxNetOutputs).
inline constexpr int kMinHLayer = 2;

// Network files larger than this are refused unread: a report of the
// program's limits stays well below 1 MiB.
inline constexpr size_t kMaxNetworkFileBytes = size_t{4} << 20;

struct StoredNetwork {
    StoredNetworkKind kind = StoredNetworkKind::NClass;
    int inputs = 0;            // NI
    int hidden1 = 0;           // G (GLayer)
    int hidden2 = 0;           // H (HLayer), NDA only; 0 otherwise
    int outputs = 0;           // NO
    int selectedCategory = 0;  // one-vs-all only
    // In report order, which is the order of the engine's weight vector: each
    // neuron's bias then its weights, neurons in order, the layer nearest the
    // input first. An ANN network may have more weights than the engine's
    // weight vector holds (40 outputs), so they are kept here.
    std::vector<double> weights;
};

// Number of weights of the network (annWeightCount or ndaWeightCount).
int storedWeightCount(const StoredNetwork& network);

// The network of `kind` in the engine's matrices as a report stores it: the
// current sizes (hidden2 for NDA only), `selectedCategory` (one-vs-all) and
// the weights in report order.
StoredNetwork storedNetworkOf(const NeuralNetwork& net, StoredNetworkKind kind,
                              int selectedCategory);

// The other way: the sizes and weights into the engine, and the constant 1.0
// of NetInput[0], Hidden1Out[0] and Hidden2Out[0] that the bias weights meet.
// Throws when the weights are fewer than the sizes need.
void loadStoredNetwork(NeuralNetwork& net, const StoredNetwork& network);

// Number of values in each neuron line of layer `layer` (0 = first hidden
// layer, last = output layer) and the number of neurons of that layer.
struct StoredLayer {
    int neurons = 0;
    int fields = 0;
};
std::vector<StoredLayer> storedLayers(const StoredNetwork& network);

// --- writing -------------------------------------------------------------------

// " [ANN classification of n categories]", " [ANN classification - one vs. all
// other categories]" or " [nonlinear discriminant analysis]".
std::string_view storedNetworkTitle(StoredNetworkKind kind);

// "* Results" + the title.
std::string storedNetworkResultsTitle(StoredNetworkKind kind);

// "> Selected category: #2 (" + name + ")".
std::string selectedCategoryLine(int selectedCategory, std::string_view categoryName);

// "> Neural network architecture " and the count lines.
std::vector<std::string> networkArchitectureLines(const StoredNetwork& network);

// The count lines alone (a test report lists them without the heading).
std::vector<std::string> networkCountLines(const StoredNetwork& network);

// "> backprop (eta=0.15, bpIterLimit=150000)".
std::string backpropLine(double eta, int32_t bpIterLimit);

// "> Neural network weights", each layer's caption and its neuron lines.
std::vector<std::string> networkWeightLines(const StoredNetwork& network);

// --- reading -------------------------------------------------------------------

// Messages of a stopped reading. `fileName` is the name without its folder.
std::string unexpectedEndMessage(std::string_view fileName);
std::string numericConversionMessage(std::string_view fileName, size_t lineNumber);
std::string cannotReadNetworkFileMessage(std::string_view path);

inline constexpr std::string_view kInputsMismatchMessage =
    "Data consistency error:\rnumber of features different from number of ANN inputs.";
inline constexpr std::string_view kOneOutputMessage =
    "Data consistency error:\rnumber of ANN outputs should be 1.";
inline constexpr std::string_view kOutputsMismatchMessage =
    "Data consistency error:\rnumber of classes different from number of ANN outputs.";

// How the file's name and results line say what network it holds.
enum class StoredKindStatus {
    Known,             // kind holds the network's kind
    UnknownExtension,  // the name ends neither in "cls" nor in "nda" (lower case)
    UnknownResults,    // a .cls report whose results line names no ANN classifier
};

class StoredNetworkReader {
  public:
    // The text as read from the file; fileName (without folder) names it in
    // messages and tells its kind by its last three characters.
    StoredNetworkReader(std::string text, std::string fileName);

    const std::string& fileName() const { return fileName_; }
    size_t lineCount() const { return starts_.size(); }
    std::string_view line(size_t index) const;

    // The message of the last stage that failed.
    const std::string& error() const { return error_; }

    // The feature names listed under "* Selected features", in input order;
    // of more than kMaxNetInputs names, one more is kept.
    bool readSelectedFeatures(std::vector<std::string>& names);

    // The training mean and standard deviation of each of the `count` listed
    // features, in input order (after readSelectedFeatures). A value that does
    // not convert or is not finite stops with the conversion message of its
    // line, a deviation of 0 or below with a consistency message naming it.
    bool readTrainingStatistics(size_t count, std::vector<double>& means,
                                std::vector<double>& deviations);

    // The kind by name and results line (after readSelectedFeatures). Reaching
    // the end of the text without a results line in a .cls report stops
    // (false, error set); an unknown kind is not an error of the text, so the
    // status says it and error() holds the message to show.
    bool readKind(StoredKindStatus& status, StoredNetworkKind& kind);

    // The selected category (one-vs-all), the architecture and the weights
    // (after readSelectedFeatures). The input count must equal
    // `expectedInputs`; a one-vs-all network must have one output and others
    // `expectedOutputs` outputs when that is given. Layer sizes outside the
    // engine's arrays stop before any weight is read.
    bool readNetwork(StoredNetworkKind kind, int expectedInputs, std::optional<int> expectedOutputs,
                     StoredNetwork& network);

    // The message for a kind that is not known (also in error() after readKind).
    std::string unknownKindMessage(StoredKindStatus status) const;

  private:
    // Index of the first line at or after `from` that contains `key`; the
    // unexpected-end error when there is none.
    std::optional<size_t> find(size_t from, std::string_view key);
    std::optional<size_t> lineAt(size_t index);
    bool fail(std::string message);
    bool readCount(size_t index, size_t column, int& value);
    bool readNeuronLine(size_t index, int fields, std::vector<double>& weights);

    std::string text_;
    std::string fileName_;
    std::vector<uint32_t> starts_;  // start of each line in text_
    std::vector<uint32_t> ends_;    // end of each line, before its break
    std::string error_;
    size_t featuresLine_ = 0;      // "* Selected features"
    size_t standardizedLine_ = 0;  // "Feature vector standardized"
    bool featuresRead_ = false;
};

struct StoredNetworkFile {
    StoredNetwork network;
    std::vector<std::string> featureNames;
    std::vector<double> trainingMeans;
    std::vector<double> trainingDeviations;
};

struct StoredNetworkReadResult {
    bool ok = false;
    std::string error;
    StoredNetworkFile file;
};

// All stages on a whole text: the features, their statistics, the kind and
// the network, whose input count must equal the number of features.
StoredNetworkReadResult readStoredNetwork(std::string text, std::string_view fileName);
