// The six ranking criteria against tables computed independently from their
// formulas (feature_selection_golden.py), the sample set they share, the
// faults they must not repeat, and "MI+PA+F (30)".
#include "analysis/core/reports/feature_selection.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "analysis/core/reports/fisher_criterion.h"
#include "analysis/core/reports/mutual_information_criterion.h"
#include "analysis/core/reports/nearest_neighbour_criterion.h"
#include "analysis/core/reports/poe_acc_criterion.h"
#include "analysis/tests/reports/nearest_neighbour_reference.h"
#include "analysis/tests/reports/selection_test_documents.h"

namespace {

struct GoldenDocument {
    std::vector<std::string> classes;
    std::vector<int> excluded;
    std::vector<TestFeature> features;
};

struct GoldenSelectionCase {
    const char* name;
    std::vector<GoldenDocument> documents;
    std::vector<std::string> texts;  // criteria 1..6
};

#include "analysis/tests/data/feature_selection_golden.inc"

constexpr double kInf = std::numeric_limits<double>::infinity();

class FeatureSelection : public ::testing::Test {
  protected:
    void SetUp() override { resetReportDocuments(); }
    void TearDown() override { resetReportDocuments(); }

    SelectionSamples collect(SampleSetStatus expected = SampleSetStatus::Ok) {
        SelectionSamples samples;
        EXPECT_EQ(collectSelectionSamples(samples), expected);
        return samples;
    }

    static std::string run(SelectionCriterion criterion, const SelectionSamples& samples) {
        std::optional<FeatureSelectionOutcome> outcome =
            runFeatureSelection(criterion, samples, ProgressSink());
        EXPECT_TRUE(outcome.has_value());
        return outcome ? outcome->text : std::string();
    }
};

const SelectionCriterion kAll[] = {
    SelectionCriterion::Fisher,  SelectionCriterion::PoeAcc, SelectionCriterion::MutualInformation,
    SelectionCriterion::Singles, SelectionCriterion::Pairs,  SelectionCriterion::Triples,
};

TEST_F(FeatureSelection, EveryCriterionGivesTheIndependentlyComputedTable) {
    for (const GoldenSelectionCase& golden : kGoldenSelectionCases) {
        SCOPED_TRACE(golden.name);
        resetReportDocuments();
        for (const GoldenDocument& document : golden.documents)
            addSelectionDocument(document.classes, document.features, document.excluded);
        const SelectionSamples samples = collect();
        for (int k = 0; k < 6; ++k) {
            SCOPED_TRACE(k + 1);
            EXPECT_EQ(run(kAll[k], samples), golden.texts[static_cast<size_t>(k)]);
        }
    }
}

// Derived by hand: A = {1, 3}, B = {5, 7}. Means 2 and 6, variances 1 and 1,
// P = 1/2: between = 1/4 · 16 = 4, within = 1, F = 2/(1 − 1/2) · 4 = 16.
// N = 4 gives 3 bins over [4 − 2√5, 4 + 2√5]: 1 → bin 0, 3 and 5 → bin 1,
// 7 → bin 2; MI = 2 · 1/4 · log₂((1/4)/(1/4 · 1/2)) = 0.5. The ranges [1, 3]
// and [5, 7] do not overlap: POE 0. Leave-one-out: 3 is as near to 1 as to
// 5, 1 comes first (class order) and is right; 5 is as near to 3 as to 7 and
// 3 comes first: one error.
TEST_F(FeatureSelection, TheSmallOracleWorkedByHand) {
    addSelectionDocument({"A", "A", "B", "B"}, {{"x", {1, 3, 5, 7}}});
    const SelectionSamples samples = collect();
    EXPECT_EQ(run(SelectionCriterion::Fisher, samples),
              "Feature name:\tF:\r\n---------------------------\r\nx\t16.0000\r\n");
    EXPECT_EQ(run(SelectionCriterion::MutualInformation, samples),
              "Feature name:\tMI:\r\n---------------------------\r\nx\t0.5000\r\n");
    EXPECT_EQ(run(SelectionCriterion::PoeAcc, samples),
              "Feature name:\tP:\r\n---------------------------\r\nx\t0.0000\r\n");
    EXPECT_EQ(run(SelectionCriterion::Singles, samples),
              "Feature name:\tk-NN:\r\n---------------------------\r\nx\t1\r\n");
    // One feature: no pair and no triple, only the heads.
    EXPECT_EQ(run(SelectionCriterion::Pairs, samples),
              "Feature1 name:\tFeature2 name:\tk-NN:\r\n---------------------------\r\n");
    EXPECT_EQ(run(SelectionCriterion::Triples, samples),
              "Feature1 name:\tFeature2 name:\tFeature3 name:\tk-NN:\r\n"
              "---------------------------\r\n");
}

TEST_F(FeatureSelection, TheSampleSetSortsClassesAndFeaturesWithoutRegardToCase) {
    addSelectionDocument({"b", "B", "", "a", "A", ""},
                         {{"zeta", {1, 2, 3, 4, 5, 6}}, {"Alpha", {7, 8, 9, 10, 11, 12}}}, {5});
    addSelectionDocument({"", "", "3", "a"},
                         {{"Alpha", {13, 14, 15, 16}}, {"zeta", {17, 18, 19, 20}}});
    // Classes "1" and "2" have one sample each: the set is built, but cannot rank.
    const SelectionSamples samples = collect(SampleSetStatus::TooFewSamples);
    ASSERT_EQ(samples.featureCount(), 2);
    EXPECT_EQ(samples.features[0].name, "Alpha");
    EXPECT_EQ(samples.features[1].name, "zeta");
    // "1" and "2" only in the second document; unnamed column 3 and "3" are one class.
    EXPECT_EQ(samples.classes, (std::vector<std::string>{"1", "2", "3", "a", "b"}));
    EXPECT_EQ(samples.classSize, (std::vector<int>{1, 1, 2, 3, 2}));
    EXPECT_EQ(samples.classOffset, (std::vector<int>{0, 1, 2, 4, 7}));
    // Class "a": document 1 columns 4 and 5, then document 2 column 4.
    EXPECT_EQ(samples.value(0, 4), 10);
    EXPECT_EQ(samples.value(0, 5), 11);
    EXPECT_EQ(samples.value(0, 6), 16);
    EXPECT_EQ(samples.value(1, 2), 3);   // zeta, class "3": document 1 column 3
    EXPECT_EQ(samples.value(1, 3), 19);  // then document 2 column 3
}

TEST_F(FeatureSelection, SetUpFailuresNameTheirCause) {
    addSelectionDocument({"A", "A", "B"}, {{"x", {1, 2, 3}}});
    SelectionSamples samples = collect(SampleSetStatus::TooFewSamples);
    EXPECT_EQ(sampleSetMessage(SampleSetStatus::TooFewSamples).text,
              "Only one ROI or only one sample of some feature\rNo analysis performed");

    resetReportDocuments();
    addSelectionDocument({"A", "A"}, {{"x", {1, 2}}});
    collect(SampleSetStatus::TooFewSamples);  // one class

    resetReportDocuments();
    addSelectionDocument({"A", "A", "B", "B"}, {{"x", {1, 2, 3, 4}}});
    deselectAllFeatureNames();
    collect(SampleSetStatus::NoFeatures);
    EXPECT_EQ(sampleSetMessage(SampleSetStatus::NoFeatures).text,
              "No features selected\rNo analysis performed");

    resetReportDocuments();
    std::vector<std::string> classes;
    for (int k = 0; k < 16; ++k) classes.push_back("c" + std::to_string(k));
    addSelectionDocument(classes, {{"x", std::vector<double>(16, 1.0)}});
    addSelectionDocument({"c0", "new"}, {{"x", {1, 2}}});
    collect(SampleSetStatus::TooManyClasses);
    const SampleSetMessage message = sampleSetMessage(SampleSetStatus::TooManyClasses);
    EXPECT_EQ(message.caption, "Classes Error");
    EXPECT_EQ(message.text, "To many classes defined.");
    EXPECT_TRUE(message.errorIcon);

    resetReportDocuments();
    collect(SampleSetStatus::NoDocument);
}

TEST_F(FeatureSelection, AFeatureWithAMissingValueIsLeftOutOfEveryRanking) {
    addSelectionDocument(
        {"A", "A", "B", "B"},
        {{"good", {1, 2, 3, 4}}, {"holed", {1, kInf, 30, 40}}, {"other", {4, 3, 2, 1}}});
    SelectionSamples samples = collect();
    ASSERT_EQ(samples.featureCount(), 2);
    EXPECT_EQ(samples.features[0].name, "good");
    EXPECT_EQ(samples.features[1].name, "other");
    EXPECT_EQ(samples.leftOut, std::vector<std::string>{"holed"});
    for (SelectionCriterion criterion : kAll)
        EXPECT_EQ(run(criterion, samples).find("holed"), std::string::npos);

    resetReportDocuments();
    addSelectionDocument({"A", "A", "B", "B"}, {{"holed", {1, kInf, 30, 40}}});
    collect(SampleSetStatus::NoFeatures);
}

TEST_F(FeatureSelection, MutualInformationOfEqualSamplesIsZero) {
    addSelectionDocument({"A", "A", "B", "B", "C", "C"},
                         {{"flat", {5, 5, 5, 5, 5, 5}}, {"huge", {1e300, -1e300, 1e300, 0, 1, 2}}});
    const SelectionSamples samples = collect();
    const std::vector<double> mi = mutualInformation(samples);
    EXPECT_EQ(mi[0], 0.0);
    EXPECT_TRUE(std::isfinite(mi[1]));  // σ overflows: every value in one bin, no wild index
    EXPECT_EQ(mutualInformationBin(5, 5, 5, 0.0, 3), 0);
    EXPECT_EQ(mutualInformationBin(5, 1, 9, std::nan(""), 3), 0);
    EXPECT_EQ(mutualInformationBin(9, 1, 9, 8.0 / 3, 3), 2);  // x = high: the last bin
    EXPECT_EQ(mutualInformationBin(0, 1, 9, 8.0 / 3, 3), 0);  // below low
    EXPECT_EQ(mutualInformationBin(std::nextafter(9.0, 0.0), 1, 9, 8.0 / 3, 3), 2);
    EXPECT_EQ(mutualInformationBins(4), 3);
    EXPECT_EQ(mutualInformationBins(7), 3);
    EXPECT_EQ(mutualInformationBins(8), 4);
    EXPECT_EQ(mutualInformationBins(160), 8);
}

TEST_F(FeatureSelection, FisherRanksInfinityFirstAndEqualMeansLast) {
    addSelectionDocument(
        {"A", "A", "B", "B"},
        {{"p", {1, 1, 4, 4}}, {"q", {1, 2, 2, 1}}, {"r", {1, 2, 3, 5}}, {"s", {3, 3, 3, 3}}});
    const SelectionSamples samples = collect();
    const std::vector<double> f = fisherCoefficients(samples);
    EXPECT_EQ(f[0], kInf);
    EXPECT_EQ(f[1], 0.0);
    EXPECT_EQ(f[3], 0.0);  // constant: no spread between either
    const SelectionResult result = rankByFisher(samples);
    ASSERT_EQ(result.size(), 4u);
    EXPECT_EQ(result[0].first, 0);
    EXPECT_EQ(result[1].first, 2);
    // The last among equal values first.
    EXPECT_EQ(result[2].first, 3);
    EXPECT_EQ(result[3].first, 1);
    EXPECT_NE(run(SelectionCriterion::Fisher, samples).find("p\tinf\r\n"), std::string::npos);
}

TEST_F(FeatureSelection, PoeRangesStartFromTenMillion) {
    // Every value above 10,000,000: each class keeps the lower bound 10^7, so
    // class A, [10^7, 2·10^7 + 1], lies inside B's [10^7, 3·10^7 + 1] although
    // the values themselves never overlap. Stored rankings were made so.
    addSelectionDocument({"A", "A", "B", "B"}, {{"far", {2e7, 2e7 + 1, 3e7, 3e7 + 1}}});
    const SelectionSamples samples = collect();
    EXPECT_EQ(probabilitiesOfError(samples)[0], 0.5);
}

TEST_F(FeatureSelection, PoeAccCorrelationIsPooledWithinClasses) {
    addSelectionDocument({"A", "A", "A", "B", "B", "B"},
                         {{"u", {1, 2, 3, 11, 12, 13}}, {"v", {2, 4, 6, 0, 2, 4}}});
    const SelectionSamples samples = collect();
    // Within each class v = 2u + const: perfectly correlated although the class means differ.
    EXPECT_DOUBLE_EQ(pooledCorrelation(samples, 0, 1), 1.0);
}

TEST_F(FeatureSelection, NearestNeighbourNeverTakesTheSampleItselfWhateverTheDistances) {
    // Squared distances of 10^12 and more: no bound but +infinity is safe.
    addSelectionDocument(
        {"A", "A", "B", "B"},
        {{"x", {0, 1e6, 3e6, 4e6}}, {"y", {0, 1e6, 3e6, 4e6}}, {"z", {0, 1e6, 3e6, 4e6}}});
    const SelectionSamples samples = collect();
    for (int size = 1; size <= 3; ++size) {
        const int set[3] = {0, 1, 2};
        EXPECT_EQ(nearestNeighbourErrors(samples, set, size), 0) << size;
    }
    EXPECT_EQ(run(SelectionCriterion::Triples, samples),
              "Feature1 name:\tFeature2 name:\tFeature3 name:\tk-NN:\r\n"
              "---------------------------\r\nz\ty\tx\t0\r\n");

    // Distances beyond float: all +infinity, the first other sample is nearest.
    resetReportDocuments();
    addSelectionDocument({"A", "A", "B", "B"}, {{"x", {-1e30, 1e30, -2e30, 2e30}}});
    const SelectionSamples far = collect();
    const int set[1] = {0};
    // Samples 0, 1 take each other; 2 and 3 take sample 0 of class A.
    EXPECT_EQ(nearestNeighbourErrors(far, set, 1), 2);
}

TEST_F(FeatureSelection, PairsAndTriplesOnAllCoresEqualTheSerialLoop) {
    std::mt19937 random(19);
    const int features = 14;
    // Few distinct values, so that many distances and counts tie.
    std::vector<std::string> classes;
    for (int k = 0; k < 16; ++k) classes.push_back(std::string(1, static_cast<char>('a' + k % 5)));
    for (int document = 0; document < 3; ++document) {
        std::vector<TestFeature> list;
        for (int f = 0; f < features; ++f) {
            TestFeature feature{"f" + std::to_string(100 + f), {}};
            for (int k = 0; k < 16; ++k)
                feature.values.push_back(static_cast<double>(random() % 5) + (f % 3) * 0.1);
            list.push_back(feature);
        }
        addSelectionDocument(classes, list);
    }
    const SelectionSamples samples = collect();
    ASSERT_EQ(samples.sampleCount(), 48);
    auto same = [](const SelectionResult& a, const SelectionResult& b) {
        if (a.size() != b.size()) return false;
        for (size_t k = 0; k < a.size(); ++k)
            if (a[k].first != b[k].first || a[k].second != b[k].second ||
                a[k].third != b[k].third || a[k].errors != b[k].errors)
                return false;
        return true;
    };
    const SelectionResult serialPairs = serialNearestNeighbourRanking(samples, 2);
    const SelectionResult serialTriples = serialNearestNeighbourRanking(samples, 3);
    ASSERT_EQ(serialTriples.size(), 10u);
    EXPECT_TRUE(same(*rankPairs(samples, ProgressSink()), serialPairs));
    EXPECT_TRUE(same(*rankTriples(samples, ProgressSink()), serialTriples));
    EXPECT_TRUE(same(rankSingles(samples), serialNearestNeighbourRanking(samples, 1)));
}

TEST_F(FeatureSelection, TheTopTenKeepsTheEarlierSetAheadAmongEqualCounts) {
    NearestNeighbourTable table(3);
    auto offer = [&](int f, int errors) {
        SelectionEntry entry;
        entry.first = f;
        entry.errors = errors;
        table.offer(entry);
    };
    offer(0, 5);
    offer(1, 3);
    offer(2, 5);
    offer(3, 3);
    offer(4, 9);  // the table is full and 9 is worst: dropped
    offer(5, 1);
    ASSERT_EQ(table.entries().size(), 3u);
    EXPECT_EQ(table.entries()[0].first, 5);
    EXPECT_EQ(table.entries()[1].first, 1);
    EXPECT_EQ(table.entries()[2].first, 3);
}

TEST_F(FeatureSelection, PairsNameTheSecondFeatureFirst) {
    std::vector<TestFeature> features;
    for (int f = 1; f <= 6; ++f) features.push_back({"F" + std::to_string(f), {1, 2, 3, 4}});
    // Only features 2 and 5 together separate the classes.
    features[1].values = {0, 1, 0, 1};
    features[4].values = {0, 0, 5, 5};
    addSelectionDocument({"A", "A", "B", "B"}, features);
    const SelectionSamples samples = collect();
    const std::string text = run(SelectionCriterion::Pairs, samples);
    EXPECT_NE(text.find("\r\nF5\tF2\t0\r\n"), std::string::npos) << text;
}

TEST_F(FeatureSelection, ProgressStepsOnceEveryShareOfTheSets) {
    std::vector<TestFeature> features;
    for (int f = 0; f < 30; ++f)
        features.push_back({"f" + std::to_string(f), {1.0 * f, 2, 3, 4.0 + f, 5, 6}});
    addSelectionDocument({"A", "A", "A", "B", "B", "B"}, features);
    const SelectionSamples samples = collect();
    std::atomic<int> steps{0};
    int range = 0;
    ProgressSink sink;
    sink.step = [&] { ++steps; };
    sink.setRange = [&](int maximum) { range = maximum; };
    ASSERT_TRUE(rankPairs(samples, sink));
    EXPECT_EQ(range, 128);
    EXPECT_EQ(steps.load(), 435 / (30 * 29 / 256));  // 435 pairs, a step every 3
    steps = 0;
    ASSERT_TRUE(rankTriples(samples, sink));
    EXPECT_EQ(steps.load(), 4060 / (30 * 29 * 28 / 768));  // 4060 triples, a step every 31
}

TEST_F(FeatureSelection, ACancelledRunGivesNoResult) {
    std::vector<TestFeature> features;
    for (int f = 0; f < 40; ++f)
        features.push_back({"f" + std::to_string(f), {1.0 * f, 2, 3, 4.0 + f, 5, 6}});
    addSelectionDocument({"A", "A", "A", "B", "B", "B"}, features);
    const SelectionSamples samples = collect();
    std::atomic<bool> cancel{true};
    ProgressSink sink;
    sink.cancel = &cancel;
    EXPECT_FALSE(rankPairs(samples, sink).has_value());
    EXPECT_FALSE(rankTriples(samples, sink).has_value());
    EXPECT_FALSE(runFeatureSelection(SelectionCriterion::Triples, samples, sink).has_value());
    // Cancelled halfway, from the progress callback.
    cancel = false;
    sink.step = [&] { cancel = true; };
    EXPECT_FALSE(rankTriples(samples, sink).has_value());
}

TEST_F(FeatureSelection, AcceptingChecksExactlyTheWinners) {
    addSelectionDocument(
        {"A", "A", "B", "B"},
        {{"a", {1, 2, 3, 4}}, {"b", {0, 1, 0, 1}}, {"c", {0, 0, 5, 5}}, {"d", {1, 1, 1, 2}}});
    const SelectionSamples samples = collect();
    std::optional<FeatureSelectionOutcome> outcome =
        runFeatureSelection(SelectionCriterion::Triples, samples, ProgressSink());
    ASSERT_TRUE(outcome);
    ASSERT_EQ(outcome->result.size(), 4u);  // four triples of four features, four kept
    SelectionResult best(outcome->result.begin(), outcome->result.begin() + 1);
    acceptSelectionResult(best, samples);
    int checked = 0;
    for (int i = 0; i < featureNameCount(); ++i)
        checked += featureNameStateAt(i) == kFeatureChecked;
    EXPECT_EQ(checked, 3);
    EXPECT_EQ(FeatureNameState("d"), kFeatureUnchecked);  // (a, b, c) ranks first
    EXPECT_EQ(outcome->ranking.size(), 2u);               // first features of the entries: a and b
}

TEST_F(FeatureSelection, MipafChecksTheUnionOfThirtyWinners) {
    std::mt19937 random(7);
    std::vector<TestFeature> features;
    for (int f = 0; f < 40; ++f) {
        TestFeature feature{"m" + std::to_string(f), {}};
        for (int k = 0; k < 6; ++k)
            feature.values.push_back((k < 3 ? 0.0 : f * 0.1) + static_cast<double>(random() % 100));
        features.push_back(feature);
    }
    ReportDocument* document = addSelectionDocument({"A", "A", "A", "B", "B", "B"}, features);
    selectFeatureName("m39", false);  // not a candidate
    const MipafOutcome outcome = runMipaf(document);
    ASSERT_TRUE(outcome.ran);
    EXPECT_EQ(outcome.ranking.size(), 30u);
    int checked = 0;
    for (int i = 0; i < featureNameCount(); ++i)
        checked += featureNameStateAt(i) == kFeatureChecked;
    EXPECT_EQ(checked, 30);
    EXPECT_EQ(FeatureNameState("m39"), kFeatureUnchecked);
    for (const std::string& name : outcome.ranking)
        EXPECT_EQ(FeatureNameState(name), kFeatureChecked) << name;

    // The first ten are MI's table.
    resetReportDocuments();
    document = addSelectionDocument({"A", "A", "A", "B", "B", "B"}, features);
    selectFeatureName("m39", false);
    SelectionSamples samples = collect();
    const SelectionResult mi = rankByMutualInformation(samples);
    const MipafOutcome again = runMipaf(document);
    for (size_t k = 0; k < 10; ++k)
        EXPECT_EQ(again.ranking[k], samples.features[static_cast<size_t>(mi[k].first)].name);
}

TEST_F(FeatureSelection, MipafWithFewFeaturesChecksThemAllAndAFailureChangesNothing) {
    ReportDocument* document = addSelectionDocument(
        {"A", "A", "B", "B"}, {{"p", {1, 2, 3, 4}}, {"q", {4, 3, 2, 1}}, {"r", {1, 1, 2, 2}}});
    MipafOutcome outcome = runMipaf(document);
    EXPECT_TRUE(outcome.ran);
    EXPECT_EQ(outcome.ranking.size(), 3u);
    EXPECT_TRUE(outcome.errorText.empty());
    for (const char* name : {"p", "q", "r"}) EXPECT_EQ(FeatureNameState(name), kFeatureChecked);

    resetReportDocuments();
    std::vector<std::string> classes;
    for (int k = 0; k < 16; ++k) classes.push_back("c" + std::to_string(k));
    document = addSelectionDocument(
        classes, {{"p", std::vector<double>(16, 1.0)}, {"q", std::vector<double>(16, 2.0)}});
    addSelectionDocument({"c0", "other"}, {{"p", {1, 2}}, {"q", {1, 2}}});
    selectFeatureName("q", false);
    outcome = runMipaf(document);
    EXPECT_FALSE(outcome.ran);
    EXPECT_EQ(outcome.errorCaption, "MI Error");
    EXPECT_EQ(outcome.errorText, "Invalid data for Mutual Information analysis");
    EXPECT_EQ(FeatureNameState("p"), kFeatureChecked);
    EXPECT_EQ(FeatureNameState("q"), kFeatureUnchecked);

    EXPECT_FALSE(runMipaf(nullptr).ran);
}

TEST_F(FeatureSelection, ModesNumberTheCriteria) {
    EXPECT_EQ(selectionMode(SelectionCriterion::Fisher), 101);
    EXPECT_EQ(selectionMode(SelectionCriterion::Triples), 106);
    EXPECT_EQ(selectionCriterionOfMode(103), SelectionCriterion::MutualInformation);
    EXPECT_FALSE(selectionCriterionOfMode(120).has_value());
    EXPECT_EQ(selectionTitle(SelectionCriterion::PoeAcc), "POE+ACC");
    EXPECT_EQ(selectionTitle(SelectionCriterion::Triples), "Feature triples");
    EXPECT_EQ(selectionProgressText(SelectionCriterion::Triples), "Triplets selection");
}

}  // namespace
