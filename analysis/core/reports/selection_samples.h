// The samples the ranking criteria and the convex-border search work on: the
// checked features of the open report documents over their used ROI columns,
// grouped by class.
//
// - features: the registry names that are checked and held by every document,
//   sorted without regard to letter case; each keeps its registry index;
// - classes: the distinct class names of the used columns of all documents
//   (an unnamed column stands for its number), sorted without regard to
//   letter case; names that differ only in case are one class (the first
//   spelling met names it); at most kMaxSelectionClasses;
// - samples: one per used column of every document, grouped by class in
//   class order, and within a class in document and column order. Sample s
//   of class c is sample classOffset[c] + s.
//
// A feature that lacks a value in some sample (the missing value +infinity,
// any other non-finite value, or no record of that name in a document)
// cannot be compared with the others: it is left out of the set and named in
// leftOut, so it never ranks.
//
// The set is a copy: once built it can be handed to a worker thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "analysis/core/reports/report_document.h"

inline constexpr int kMaxSelectionClasses = 16;

struct SelectionFeature {
    std::string name;
    int registryIndex = -1;
};

struct SelectionSamples {
    std::vector<SelectionFeature> features;
    std::vector<std::string> classes;
    std::vector<int> classSize;    // n_c
    std::vector<int> classOffset;  // first sample of class c
    std::vector<int> sampleClass;  // class of each sample
    // Feature-major: value f of sample s is values[f * sampleCount() + s].
    std::vector<double> values;
    // Checked features left out because some sample has no finite value.
    std::vector<std::string> leftOut;

    int featureCount() const { return static_cast<int>(features.size()); }
    int classCount() const { return static_cast<int>(classes.size()); }
    int sampleCount() const { return static_cast<int>(sampleClass.size()); }
    const double* feature(int f) const {
        return values.data() + static_cast<size_t>(f) * sampleClass.size();
    }
    double value(int f, int sample) const { return feature(f)[sample]; }
};

enum class SampleSetStatus {
    Ok,
    NoDocument,      // no document is open: nothing happens
    TooManyClasses,  // more than kMaxSelectionClasses classes
    NoFeatures,      // no checked feature (with a value in every sample)
    TooFewSamples,   // fewer than 2 classes, or a class with fewer than 2 samples
};

// Builds the set from the open documents and the feature-name registry. The
// ranking takes at most kMaxSelectionClasses classes; the convex-border
// search and the feature space take any number.
SampleSetStatus collectSelectionSamples(SelectionSamples& samples,
                                        int classLimit = kMaxSelectionClasses);

// The same from the given documents (in list order) and feature names (in
// any order; registry indices as given).
SampleSetStatus buildSelectionSamples(const std::vector<const ReportDocument*>& documents,
                                      const std::vector<SelectionFeature>& checked,
                                      SelectionSamples& samples,
                                      int classLimit = kMaxSelectionClasses);

// The box that reports a status other than Ok (nothing for NoDocument).
struct SampleSetMessage {
    std::string caption;
    std::string text;
    bool errorIcon = false;  // else a plain box with an OK button
};
SampleSetMessage sampleSetMessage(SampleSetStatus status);

inline constexpr std::string_view kTooManyClassesText = "To many classes defined.";
inline constexpr std::string_view kTooManyClassesCaption = "Classes Error";
inline constexpr std::string_view kNoFeaturesText = "No features selected\rNo analysis performed";
inline constexpr std::string_view kTooFewSamplesText =
    "Only one ROI or only one sample of some feature\rNo analysis performed";
inline constexpr std::string_view kSampleSetErrorCaption = "Error";
