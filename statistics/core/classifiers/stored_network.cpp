#include "statistics/core/classifiers/stored_network.h"

#include <algorithm>
#include <utility>

#include "platform/files.h"
#include "platform/textformat.h"
#include "statistics/core/checked_array.h"

namespace {

// Every weight field of a neuron line is this wide.
constexpr size_t kWeightFieldWidth = 14;
// The training statistics are written "%13.6e" right after their keyword.
constexpr size_t kStatisticWidth = 13;

// Where the count of an architecture line stands: 3 characters from column 16
// (1-based) in ANN reports, from column 20 in NDA reports; the label before it
// ends in a blank and the count is "%2d".
constexpr size_t kAnnCountColumn = 15;
constexpr size_t kNdaCountColumn = 19;
constexpr size_t kCountWidth = 3;

// "> Selected category: #" is 22 characters; the category is the next two.
constexpr size_t kSelectedCategoryColumn = 22;
constexpr size_t kSelectedCategoryWidth = 2;

bool contains(std::string_view line, std::string_view key) {
    return line.find(key) != std::string_view::npos;
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
    return text;
}

// Up to `width` characters from `column` (fewer at the end of the line).
std::string_view field(std::string_view line, size_t column, size_t width) {
    if (column >= line.size()) return {};
    return line.substr(column, width);
}

bool isAnn(StoredNetworkKind kind) {
    return kind != StoredNetworkKind::Nda;
}

}  // namespace

int storedWeightCount(const StoredNetwork& network) {
    if (isAnn(network.kind))
        return annWeightCount(network.inputs, network.hidden1, network.outputs);
    return ndaWeightCount(network.inputs, network.hidden1, network.hidden2, network.outputs);
}

namespace {

NetworkKind engineKind(StoredNetworkKind kind) {
    return isAnn(kind) ? NetworkKind::Ann : NetworkKind::Nda;
}

}  // namespace

StoredNetwork storedNetworkOf(const NeuralNetwork& net, StoredNetworkKind kind,
                              int selectedCategory) {
    StoredNetwork network;
    network.kind = kind;
    network.inputs = net.NetInputCount;
    network.hidden1 = net.GLayer;
    if (!isAnn(kind)) network.hidden2 = net.HLayer;
    network.outputs = net.NetOutputCount;
    network.selectedCategory = selectedCategory;
    net.forEachWeight(engineKind(kind), [&](double w) { network.weights.push_back(w); });
    return network;
}

void loadStoredNetwork(NeuralNetwork& net, const StoredNetwork& network) {
    net.NetInputCount = checkedNarrow<int16_t>(network.inputs);
    net.GLayer = checkedNarrow<int16_t>(network.hidden1);
    net.NetOutputCount = checkedNarrow<int16_t>(network.outputs);
    if (!isAnn(network.kind)) net.HLayer = checkedNarrow<int16_t>(network.hidden2);
    size_t next = 0;
    net.forEachWeight(engineKind(network.kind), [&](double& w) { w = network.weights.at(next++); });
    net.NetInput[0] = 1.0;
    net.Hidden1Out[0] = 1.0;
    net.Hidden2Out[0] = 1.0;
}

std::vector<StoredLayer> storedLayers(const StoredNetwork& network) {
    if (isAnn(network.kind))
        return {{network.hidden1, network.inputs + 1}, {network.outputs, network.hidden1 + 1}};
    return {{network.hidden1, network.inputs + 1},
            {network.hidden2, network.hidden1 + 1},
            {network.outputs, network.hidden2 + 1}};
}

// --- writing -------------------------------------------------------------------

std::string_view storedNetworkTitle(StoredNetworkKind kind) {
    switch (kind) {
        case StoredNetworkKind::NClass:
            return " [ANN classification of n categories]";
        case StoredNetworkKind::OneVsAll:
            return " [ANN classification - one vs. all other categories]";
        case StoredNetworkKind::Nda:
            break;
    }
    return " [nonlinear discriminant analysis]";
}

std::string storedNetworkResultsTitle(StoredNetworkKind kind) {
    return "* Results" + std::string(storedNetworkTitle(kind));
}

std::string selectedCategoryLine(int selectedCategory, std::string_view categoryName) {
    return platform::cformat("> Selected category: #%d (", selectedCategory) +
           std::string(categoryName) + ")";
}

std::vector<std::string> networkCountLines(const StoredNetwork& network) {
    if (!isAnn(network.kind)) {
        return {platform::cformat("       input layer: %2d nodes", network.inputs),
                platform::cformat("  1st hidden layer: %2d neurons", network.hidden1),
                platform::cformat("  2nd hidden layer: %2d neurons", network.hidden2),
                platform::cformat("      output layer: %2d nodes", network.outputs)};
    }
    const bool oneOutput = network.kind == StoredNetworkKind::OneVsAll;
    return {platform::cformat("   input layer: %2d nodes", network.inputs),
            platform::cformat("  hidden layer: %2d ", network.hidden1) +
                (network.hidden1 == 1 ? "neuron" : "neurons"),
            platform::cformat("  output layer: %2d ", network.outputs) +
                (oneOutput ? "node" : "nodes")};
}

std::vector<std::string> networkArchitectureLines(const StoredNetwork& network) {
    std::vector<std::string> lines{"> Neural network architecture "};
    for (std::string& line : networkCountLines(network)) lines.push_back(std::move(line));
    return lines;
}

std::string backpropLine(double eta, int32_t bpIterLimit) {
    return "> backprop (eta=" + platform::cformat("%4.2f, bpIterLimit=%d", eta, bpIterLimit) + ")";
}

std::vector<std::string> networkWeightLines(const StoredNetwork& network) {
    const std::vector<StoredLayer> layers = storedLayers(network);
    size_t expected = 0;
    for (const StoredLayer& layer : layers)
        expected += static_cast<size_t>(layer.neurons) * static_cast<size_t>(layer.fields);
    if (expected != network.weights.size()) throw RangeCheckError();

    static constexpr std::string_view kAnnCaptions[] = {"hidden layer -----------",
                                                        "output layer ---------------"};
    static constexpr std::string_view kNdaCaptions[] = {"1st hidden layer -----------",
                                                        "2nd hidden layer -----------",
                                                        "output layer ---------------"};
    std::vector<std::string> lines{"> Neural network weights"};
    const double* next = network.weights.data();
    for (size_t l = 0; l < layers.size(); ++l) {
        lines.emplace_back(isAnn(network.kind) ? kAnnCaptions[l] : kNdaCaptions[l]);
        for (int neuron = 0; neuron < layers[l].neurons; ++neuron) {
            lines.push_back(neuronWeightLine(next, layers[l].fields));
            next += layers[l].fields;
        }
    }
    return lines;
}

// --- reading -------------------------------------------------------------------

std::string unexpectedEndMessage(std::string_view fileName) {
    return "Unexpected end of \"" + std::string(fileName) + "\" file ..";
}

std::string numericConversionMessage(std::string_view fileName, size_t lineNumber) {
    return "Numeric conversion error, file " + std::string(fileName) + ", line " +
           std::to_string(lineNumber) + ".";
}

std::string cannotReadNetworkFileMessage(std::string_view path) {
    return "R62: Cannot load the \"" + std::string(path) + "\" file ..";
}

namespace {

std::string rangeMessage(std::string_view what, int low, int high, std::string_view fileName,
                         size_t lineNumber) {
    return "Data consistency error:\r" + std::string(what) +
           platform::cformat(" out of range %d..%d, file ", low, high) + std::string(fileName) +
           ", line " + std::to_string(lineNumber) + ".";
}

// Every working value is divided by the deviation: a valid number that
// cannot be used is a consistency fault, not a conversion one.
std::string deviationMessage(double deviation, std::string_view fileName, size_t lineNumber) {
    return std::string("Data consistency error:\r") +
           (deviation == 0.0 ? "a standard deviation of 0" : "a negative standard deviation") +
           " cannot be used, file " + std::string(fileName) + ", line " +
           std::to_string(lineNumber) + ".";
}

}  // namespace

StoredNetworkReader::StoredNetworkReader(std::string text, std::string fileName)
    : text_(std::move(text)), fileName_(std::move(fileName)) {
    // A longer text is no report of this program; left without lines, every
    // stage stops at its unexpected end.
    if (text_.size() > kMaxNetworkFileBytes) return;
    // Lines end with CR LF, LF or a lone CR; a break after the last line does
    // not start another one.
    size_t pos = platform::byteOrderMarkLength(text_);
    while (pos < text_.size()) {
        size_t end = text_.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text_.size();
        starts_.push_back(static_cast<uint32_t>(pos));
        ends_.push_back(static_cast<uint32_t>(end));
        pos = end;
        if (pos < text_.size() && text_[pos] == '\r') ++pos;
        if (pos < text_.size() && text_[pos] == '\n') ++pos;
    }
}

std::string_view StoredNetworkReader::line(size_t index) const {
    return std::string_view(text_).substr(starts_.at(index), ends_.at(index) - starts_.at(index));
}

bool StoredNetworkReader::fail(std::string message) {
    error_ = std::move(message);
    return false;
}

std::optional<size_t> StoredNetworkReader::lineAt(size_t index) {
    if (index < lineCount()) return index;
    fail(unexpectedEndMessage(fileName_));
    return std::nullopt;
}

std::optional<size_t> StoredNetworkReader::find(size_t from, std::string_view key) {
    for (size_t i = from; i < lineCount(); ++i)
        if (contains(line(i), key)) return i;
    fail(unexpectedEndMessage(fileName_));
    return std::nullopt;
}

bool StoredNetworkReader::readSelectedFeatures(std::vector<std::string>& names) {
    names.clear();
    // The first line is the report's title, which may hold anything.
    const std::optional<size_t> heading = find(1, "* Selected features");
    if (!heading) return false;
    for (size_t i = *heading + 1;; ++i) {
        if (!lineAt(i)) return false;
        const std::string_view text = line(i);
        if (contains(text, "Feature vector standardized")) {
            featuresLine_ = *heading;
            standardizedLine_ = i;
            featuresRead_ = true;
            return true;
        }
        // "Name [#k/#f]; p.mean=...": the name is what stands before the blank
        // in front of the first "[#"; a line without "[#" is a name as a whole,
        // which no data set will know.
        std::string_view name = text;
        const size_t marker = text.find("[#");
        if (marker != std::string_view::npos) {
            name = text.substr(0, marker);
            if (!name.empty() && name.back() == ' ') name.remove_suffix(1);
        }
        // More names than any network has inputs only need to be seen as
        // more; a text of blank lines must not become millions of names.
        if (names.size() <= static_cast<size_t>(kMaxNetInputs)) names.emplace_back(name);
    }
}

bool StoredNetworkReader::readTrainingStatistics(size_t count, std::vector<double>& means,
                                                 std::vector<double>& deviations) {
    means.clear();
    deviations.clear();
    if (!featuresRead_) return fail(unexpectedEndMessage(fileName_));
    for (size_t k = 1; k <= count; ++k) {
        const size_t index = featuresLine_ + k;
        if (!lineAt(index)) return false;
        const std::string_view text = line(index);
        const size_t meanKey = text.find("p.mean=");
        const size_t stdKey = text.find("p.std=");
        std::optional<double> mean;
        std::optional<double> deviation;
        if (meanKey != std::string_view::npos && stdKey != std::string_view::npos) {
            mean = platform::parseReal(trimBlanks(field(text, meanKey + 7, kStatisticWidth)));
            deviation = platform::parseReal(trimBlanks(field(text, stdKey + 6, kStatisticWidth)));
        }
        if (!mean || !deviation) return fail(numericConversionMessage(fileName_, index + 1));
        if (!(*deviation > 0.0)) return fail(deviationMessage(*deviation, fileName_, index + 1));
        means.push_back(*mean);
        deviations.push_back(*deviation);
    }
    return true;
}

std::string StoredNetworkReader::unknownKindMessage(StoredKindStatus status) const {
    if (status == StoredKindStatus::UnknownExtension)
        return "ANN classifier testing: the file \"" + fileName_ +
               "\" was not tested.\rOnly reports named *.cls or *.nda (in lower case) are read "
               "as stored networks.";
    if (status == StoredKindStatus::UnknownResults)
        return "ANN classifier testing: the file \"" + fileName_ +
               "\" was not tested.\rIts \"* Results\" line names neither a one-class nor an "
               "n-class ANN classifier.";
    return {};
}

bool StoredNetworkReader::readKind(StoredKindStatus& status, StoredNetworkKind& kind) {
    const std::string_view extension =
        fileName_.size() >= 3 ? std::string_view(fileName_).substr(fileName_.size() - 3) : "";
    status = StoredKindStatus::Known;
    if (extension == "nda") {
        kind = StoredNetworkKind::Nda;
        return true;
    }
    if (extension != "cls") {
        status = StoredKindStatus::UnknownExtension;
        error_ = unknownKindMessage(status);
        return true;
    }
    const std::optional<size_t> results = find(2, "* Results");
    if (!results) return false;
    const std::string_view text = line(*results);
    if (contains(text, "one")) {
        kind = StoredNetworkKind::OneVsAll;
    } else if (contains(text, "of n")) {
        kind = StoredNetworkKind::NClass;
    } else {
        status = StoredKindStatus::UnknownResults;
        error_ = unknownKindMessage(status);
    }
    return true;
}

bool StoredNetworkReader::readCount(size_t index, size_t column, int& value) {
    if (!lineAt(index)) return false;
    const std::optional<int32_t> parsed =
        platform::parseInt(trimBlanks(field(line(index), column, kCountWidth)));
    if (!parsed) return fail(numericConversionMessage(fileName_, index + 1));
    value = *parsed;
    return true;
}

bool StoredNetworkReader::readNeuronLine(size_t index, int fields, std::vector<double>& weights) {
    if (!lineAt(index)) return false;
    const std::string_view text = line(index);
    for (int f = 0; f < fields; ++f) {
        const size_t start = static_cast<size_t>(f) * kWeightFieldWidth;
        // A field cut short by the end of the line is no number, even when its
        // first characters would convert.
        if (start + kWeightFieldWidth > text.size())
            return fail(numericConversionMessage(fileName_, index + 1));
        const std::optional<double> weight =
            platform::parseReal(trimBlanks(text.substr(start, kWeightFieldWidth)));
        if (!weight) return fail(numericConversionMessage(fileName_, index + 1));
        weights.push_back(*weight);
    }
    return true;
}

bool StoredNetworkReader::readNetwork(StoredNetworkKind kind, int expectedInputs,
                                      std::optional<int> expectedOutputs, StoredNetwork& network) {
    network = StoredNetwork();
    network.kind = kind;
    if (!featuresRead_) return fail(unexpectedEndMessage(fileName_));
    size_t next = standardizedLine_;

    if (kind == StoredNetworkKind::OneVsAll) {
        const std::optional<size_t> selected = find(next, "> Selected category");
        if (!selected) return false;
        const std::optional<int32_t> category = platform::parseInt(
            trimBlanks(field(line(*selected), kSelectedCategoryColumn, kSelectedCategoryWidth)));
        if (!category) return fail(numericConversionMessage(fileName_, *selected + 1));
        if (*category < 1 || *category > kMaxCategories)
            return fail(
                rangeMessage("selected category", 1, kMaxCategories, fileName_, *selected + 1));
        network.selectedCategory = *category;
        next = *selected + 1;
    }

    const std::optional<size_t> heading = find(next, "> Neural");
    if (!heading) return false;
    const size_t column = isAnn(kind) ? kAnnCountColumn : kNdaCountColumn;
    size_t index = *heading + 1;
    if (!readCount(index++, column, network.inputs)) return false;
    const size_t hidden1Line = index;
    if (!readCount(index++, column, network.hidden1)) return false;
    const size_t hidden2Line = index;
    if (!isAnn(kind) && !readCount(index++, column, network.hidden2)) return false;
    const size_t outputsLine = index;
    if (!readCount(index++, column, network.outputs)) return false;

    if (network.inputs != expectedInputs) return fail(std::string(kInputsMismatchMessage));
    if (kind == StoredNetworkKind::OneVsAll) {
        if (network.outputs != 1) return fail(std::string(kOneOutputMessage));
    } else if (expectedOutputs && network.outputs != *expectedOutputs) {
        return fail(std::string(kOutputsMismatchMessage));
    }
    // The engine's arrays bound every layer; nothing is read for a network
    // that would not fit.
    if (network.inputs < 1 || network.inputs > kMaxNetInputs)
        return fail(
            rangeMessage("number of ANN inputs", 1, kMaxNetInputs, fileName_, *heading + 2));
    if (network.hidden1 < 1 || network.hidden1 > kMaxGLayer)
        return fail(
            rangeMessage("number of hidden neurons", 1, kMaxGLayer, fileName_, hidden1Line + 1));
    if (!isAnn(kind) && (network.hidden2 < kMinHLayer || network.hidden2 > kMaxHLayer))
        return fail(rangeMessage("number of 2nd hidden layer neurons", kMinHLayer, kMaxHLayer,
                                 fileName_, hidden2Line + 1));
    if (network.outputs < 1 || network.outputs > kMaxNetOutputs)
        return fail(
            rangeMessage("number of ANN outputs", 1, kMaxNetOutputs, fileName_, outputsLine + 1));

    static constexpr std::string_view kAnnCaptions[] = {"hidden layer", "output layer"};
    static constexpr std::string_view kNdaCaptions[] = {"1st hidden", "2nd hidden", "output layer"};
    const std::vector<StoredLayer> layers = storedLayers(network);
    network.weights.reserve(static_cast<size_t>(storedWeightCount(network)));
    for (size_t l = 0; l < layers.size(); ++l) {
        const std::optional<size_t> caption =
            find(index, isAnn(kind) ? kAnnCaptions[l] : kNdaCaptions[l]);
        if (!caption) return false;
        index = *caption + 1;
        for (int neuron = 0; neuron < layers[l].neurons; ++neuron)
            if (!readNeuronLine(index++, layers[l].fields, network.weights)) return false;
    }
    return true;
}

StoredNetworkReadResult readStoredNetwork(std::string text, std::string_view fileName) {
    StoredNetworkReadResult result;
    StoredNetworkReader reader(std::move(text), std::string(fileName));
    StoredNetworkFile& file = result.file;
    StoredKindStatus status = StoredKindStatus::Known;
    StoredNetworkKind kind = StoredNetworkKind::NClass;
    if (!reader.readSelectedFeatures(file.featureNames) ||
        !reader.readTrainingStatistics(file.featureNames.size(), file.trainingMeans,
                                       file.trainingDeviations) ||
        !reader.readKind(status, kind)) {
        result.error = reader.error();
        return result;
    }
    if (status != StoredKindStatus::Known) {
        result.error = reader.error();
        return result;
    }
    // More names than any network has inputs cannot match its input count.
    const int names =
        static_cast<int>(std::min<size_t>(file.featureNames.size(), kMaxNetInputs + 1));
    if (!reader.readNetwork(kind, names, std::nullopt, file.network)) {
        result.error = reader.error();
        return result;
    }
    result.ok = true;
    return result;
}
