#include "statistics/core/r62_options.h"

#include <optional>

#include "platform/textformat.h"

namespace {

// The value of a text of minLength..maxLength decimal digits.
std::optional<int> digitCandidate(std::string_view text, size_t minLength, size_t maxLength) {
    if (text.size() < minLength || text.size() > maxLength) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');  // at most 7 digits: no overflow
    }
    return value;
}

EditOutcome accept(int value) {
    EditOutcome outcome;
    outcome.action = EditAction::Accept;
    outcome.value = value;
    return outcome;
}

EditOutcome rangeChecked(std::optional<int> candidate, int low, int high) {
    if (candidate && *candidate >= low && *candidate <= high) return accept(*candidate);
    return {};
}

// Out of range: the message, and back to the smallest value.
EditOutcome layerEdit(std::optional<int> candidate, int low, int high, std::string message) {
    if (!candidate) return {};
    if (*candidate >= low && *candidate <= high) return accept(*candidate);
    EditOutcome outcome;
    outcome.action = EditAction::Reset;
    outcome.value = low;
    outcome.message = std::move(message);
    outcome.resetText = integerEditText(low);
    return outcome;
}

template <class T>
EditOutcome store(T& option, EditOutcome outcome) {
    if (outcome.action != EditAction::Ignore) option = static_cast<T>(outcome.value);
    return outcome;
}

}  // namespace

void resetR62Options() {
    r62Options().reset();
}

EditOutcome filterGLayerEdit(std::string_view text) {
    return layerEdit(digitCandidate(text, 1, 2), 1, 16,
                     "The number of 1st hidden layer neurons should be \rin the range from 1 to "
                     "16.");
}

EditOutcome filterHLayerEdit(std::string_view text) {
    return layerEdit(digitCandidate(text, 1, 1), 2, 3,
                     "The number of 2nd hidden layer neurons should be \rin the range from 2 to "
                     "3.");
}

EditOutcome filterEtaEdit(std::string_view text) {
    if (text.size() < 3) return {};
    for (char c : text)
        if (c != '.' && (c < '0' || c > '9')) return {};
    // Two points, or a lone point, do not convert and are ignored.
    const std::optional<double> value = platform::parseReal(text);
    if (!value || *value < 0.01 || *value > 0.99) return {};
    EditOutcome outcome;
    outcome.action = EditAction::Accept;
    outcome.realValue = *value;
    return outcome;
}

EditOutcome filterBpIterEdit(std::string_view text) {
    return rangeChecked(digitCandidate(text, 1, 7), 50000, 1000000);
}

EditOutcome filterOptyIterEdit(std::string_view text) {
    return rangeChecked(digitCandidate(text, 1, 4), 1, 1000);
}

EditOutcome filterSelCategoryEdit(std::string_view text, int categoryCount) {
    return rangeChecked(digitCandidate(text, 1, 1), 1, categoryCount);
}

EditOutcome filterClustNoEdit(std::string_view text, int sampleCount) {
    const std::optional<int> candidate = digitCandidate(text, 1, 2);
    if (candidate && *candidate > sampleCount) return {};
    return rangeChecked(candidate, 2, kMaxCategories);
}

EditOutcome GLayerEditChange(R62Options& options, std::string_view text) {
    return store(options.GLayer, filterGLayerEdit(text));
}

EditOutcome HLayerEditChange(R62Options& options, std::string_view text) {
    return store(options.HLayer, filterHLayerEdit(text));
}

EditOutcome bpetaEditChange(R62Options& options, std::string_view text) {
    EditOutcome outcome = filterEtaEdit(text);
    if (outcome.action == EditAction::Accept) options.eta = outcome.realValue;
    return outcome;
}

EditOutcome bpIterEditChange(R62Options& options, std::string_view text) {
    return store(options.bpIterLimit, filterBpIterEdit(text));
}

EditOutcome optyIterEditChange(R62Options& options, std::string_view text) {
    return store(options.optyIterLimit, filterOptyIterEdit(text));
}

EditOutcome SelCategoryEditChange(R62Options& options, std::string_view text, int categoryCount) {
    return store(options.SelectedCategory, filterSelCategoryEdit(text, categoryCount));
}

EditOutcome ClustNoEditChange(R62Options& options, std::string_view text, int sampleCount) {
    return store(options.ClustNo, filterClustNoEdit(text, sampleCount));
}

std::string integerEditText(long value) {
    return platform::cformat("%ld", value);
}

std::string etaEditText(double value) {
    return platform::cformat("%.2f", value);
}

std::vector<FeatureListItem> featureListItems(const R62DataSet& data) {
    std::vector<FeatureListItem> items;
    const int count = data.FeatureCount;
    checkRange(count, 0, kMaxFeatures);
    for (int j = 1; j <= count; ++j)
        items.push_back({data.FeatureName[j], data.FeatureSelected[j] != 0});
    return items;
}

void applyFeatureChecks(R62DataSet& data, const std::vector<bool>& checked) {
    for (size_t k = 0; k < checked.size(); ++k)
        data.FeatureSelected[static_cast<int>(k) + 1] = checked[k] ? 1 : 0;
}
