// r62's analysis options: process-wide values with built-in initial values,
// never saved or read from anywhere, so every run starts from the defaults.
// The options window edits them; the edit filters below decide, for each text
// an edit holds, whether the option takes it, so the window only shows the
// outcome.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "statistics/core/data/data_set.h"

struct R62Options {
    uint8_t StandardizeData = 0;   // 0, 1: standardise the working data
    int16_t GLayer = 1;            // 1st hidden layer neurons, 1..16
    int16_t HLayer = 2;            // 2nd hidden layer neurons (NDA), 2..3
    double eta = 0.15;             // back-propagation rate, 0.01..0.99
    int32_t bpIterLimit = 150000;  // 50000..1000000
    int32_t optyIterLimit = 50;    // 1..1000
    int16_t SelectedCategory = 1;  // one-class training: 1..CategoryCount
    int16_t ClustNo = 2;           // k-means clusters: 2..40, at most SampleCount
    uint8_t DistanceMetric = 0;    // 0 Euclidean, 1 S-Euclidean, 2 Mahalanobis, 3 City Block
    uint8_t LinkageMethod = 0;     // 0 Single, 1 Complete, 2 Average

    void reset() { *this = R62Options(); }
};

// The process's options.
R62Options& r62Options();

// Back to the initial values (tests).
void resetR62Options();

// --- edit filters ------------------------------------------------------------
// Run on every change of an edit's text. The edit keeps showing what was
// typed unless the outcome is Reset.

enum class EditAction {
    Ignore,  // the option keeps its value
    Accept,  // store `value` (or `realValue` for eta)
    Reset,   // show `message` in a plain message box, store `value`, set the text to `resetText`
};

struct EditOutcome {
    EditAction action = EditAction::Ignore;
    int value = 0;
    double realValue = 0.0;
    std::string message;
    std::string resetText;
};

// `GLayerEdit`: 1-2 digits, 1..16; outside the range the message and a
// reset to 1.
EditOutcome filterGLayerEdit(std::string_view text);
// `HLayerEdit`: 1 digit, 2..3; outside the range the message and a reset to 2.
EditOutcome filterHLayerEdit(std::string_view text);
// `bpetaEdit`: at least 3 characters of digits and ".", a number in 0.01..0.99.
EditOutcome filterEtaEdit(std::string_view text);
// `bpIterEdit`: 1-7 digits, 50000..1000000.
EditOutcome filterBpIterEdit(std::string_view text);
// `optyIterEdit`: 1-4 digits, 1..1000.
EditOutcome filterOptyIterEdit(std::string_view text);
// `SelCategoryEdit`: 1 digit, 1..categoryCount (nothing before a load).
EditOutcome filterSelCategoryEdit(std::string_view text, int categoryCount);
// `ClustNoEdit`: 1-2 digits, 2..40 and at most sampleCount.
EditOutcome filterClustNoEdit(std::string_view text, int sampleCount);

// Applies an outcome of the named edit to the options: Accept and Reset store
// the value. Returns the outcome for the window to show.
EditOutcome GLayerEditChange(R62Options& options, std::string_view text);
EditOutcome HLayerEditChange(R62Options& options, std::string_view text);
EditOutcome bpetaEditChange(R62Options& options, std::string_view text);
EditOutcome bpIterEditChange(R62Options& options, std::string_view text);
EditOutcome optyIterEditChange(R62Options& options, std::string_view text);
EditOutcome SelCategoryEditChange(R62Options& options, std::string_view text, int categoryCount);
EditOutcome ClustNoEditChange(R62Options& options, std::string_view text, int sampleCount);

// What an edit shows for an option's value: when the window opens and when
// focus leaves the edit (text that was never accepted disappears).
std::string integerEditText(long value);  // "%d"
std::string etaEditText(double value);    // two decimals: 0.15

// The feature check list: the declared feature names in order, each checked
// when selected.
struct FeatureListItem {
    std::string name;
    bool checked = false;
};
std::vector<FeatureListItem> featureListItems(const R62DataSet& data);

// On closing the window: item k (0-based) sets FeatureSelected[k + 1].
void applyFeatureChecks(R62DataSet& data, const std::vector<bool>& checked);
