#include "analysis/core/reports/selection_file.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <initializer_list>
#include <limits>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/testing/temp_dir.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
const SelectionTime kTime{2007, 3, 9, 14, 5, 31};

struct Feature {
    std::string name;
    std::vector<double> values;  // value k for ROI column k + 1
};

// A document as an analysis run leaves it: an "_Area" record that makes the
// first `used` columns used, then the features in the given order (which is
// their registry order when the document is the first).
ReportDocument* addDocument(const std::vector<Feature>& features, int used,
                            std::initializer_list<std::pair<int, const char*>> classNames = {}) {
    std::vector<FeatureRecord> records(1);
    setRecordName(records[0], "_Area");
    for (int k = 0; k < used; ++k) records[0].values[static_cast<size_t>(k)] = 100;
    for (const Feature& feature : features) {
        FeatureRecord record;
        setRecordName(record, feature.name);
        for (size_t k = 0; k < feature.values.size(); ++k) record.values[k] = feature.values[k];
        records.push_back(record);
    }
    ReportDocument* document =
        NewReportDocument(static_cast<int>(records.size()), records.data(), "Run\r\n", "run.bmp");
    for (const auto& [column, name] : classNames)
        document->roiName[static_cast<size_t>(column - 1)] = name;
    return document;
}

// Features named by the letters of names, value = column number + feature position / 10.
ReportDocument* addLettered(const std::string& names, int used) {
    std::vector<Feature> features;
    for (size_t i = 0; i < names.size(); ++i) {
        Feature feature{std::string(1, names[i]), {}};
        for (int k = 1; k <= used; ++k) feature.values.push_back(k + (i + 1) / 10.0);
        features.push_back(feature);
    }
    return addDocument(features, used);
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find("\r\n", start);
        out.push_back(text.substr(start, end - start));
        if (end == std::string::npos) return out;
        start = end + 2;
    }
}

// The lines between "*data" and "*end".
std::vector<std::string> dataLines(const std::string& text) {
    const std::vector<std::string> all = lines(text);
    std::vector<std::string> data;
    bool inData = false;
    for (const std::string& line : all) {
        if (line == "*end") break;
        if (inData) data.push_back(line);
        if (line == "*data") inData = true;
    }
    return data;
}

class SelectionFileTest : public ::testing::Test {
  protected:
    void SetUp() override { resetReportDocuments(); }
    void TearDown() override { resetReportDocuments(); }

    SelectionFile encode(SelectionOrder order = SelectionOrder::Ranking,
                         const std::vector<std::string>& ranking = {}) {
        return encodeSelection(NthReportDocument(0), ranking, order, kTime);
    }
};

TEST_F(SelectionFileTest, WritesTheExampleFileByteForByte) {
    // Registry order Variance, Mean: the file lists them newest first.
    addDocument({{"Variance", {0.37512003, 1.0423, 0.40000001}}, {"Mean", {12.5, 13.25, 11}}}, 3,
                {{1, "healthy"}, {3, "Healthy"}});
    const SelectionFile file = encode();
    EXPECT_EQ(file.text,
              "*label\r\n"
              "converted data: 2007-3-9 14:05.31\r\n"
              "*features\r\n"
              "1  Mean\r\n"
              "2  Variance\r\n"
              "*categories\r\n"
              "1  healthy\r\n"
              "2  2\r\n"
              "*data\r\n"
              "1  12.5  0.37512003\r\n"
              "2  13.25  1.0423\r\n"
              "1  11  0.40000001\r\n"
              "*end");
    EXPECT_EQ(file.status, SelectionStatus::CannotCreate);  // encoded, not yet written
    EXPECT_EQ(file.sampleCount, 3);
    EXPECT_EQ(file.samplesLeftOut, 0);
    EXPECT_TRUE(file.orderNotice.empty());
    EXPECT_EQ(selectionLeftOutWarning(file), "");
}

TEST_F(SelectionFileTest, ValuesUseEightSignificantDigitsWithThePoint) {
    addDocument({{"F", {123456789.0, 1e-7, -0.5, 1.0 / 3, 2e20}}}, 5);
    EXPECT_EQ(dataLines(encode().text),
              (std::vector<std::string>{"1  1.2345679e+08", "2  1e-07", "3  -0.5", "4  0.33333333",
                                        "5  2e+20"}));
}

TEST_F(SelectionFileTest, LabelTimeAndProposedFileName) {
    const SelectionTime time{2024, 12, 31, 9, 5, 7};
    EXPECT_EQ(selectionLabelTime(time), "2024-12-31 09:05.07");
    EXPECT_EQ(selectionFileNameFor(time), "2024-12-31 09_05_07.sel");
    EXPECT_EQ(selectionFileNameFor(kTime), "2007-3-9 14_05_31.sel");
    EXPECT_EQ(selectionLabelTime(SelectionTime{987, 1, 2, 0, 0, 0}), "0987-1-2 00:00.00");
}

TEST_F(SelectionFileTest, WithoutAGivenTimeTheLabelCarriesTheCurrentTime) {
    addLettered("a", 2);
    const SelectionTime before = currentSelectionTime();
    const SelectionFile file = encodeSelection(NthReportDocument(0), {}, SelectionOrder::Ranking);
    const SelectionTime after = currentSelectionTime();
    const std::string label = lines(file.text).at(1);
    EXPECT_TRUE(label == "converted data: " + selectionLabelTime(before) ||
                label == "converted data: " + selectionLabelTime(after))
        << label;
}

TEST_F(SelectionFileTest, WithoutACurrentDocumentNothingIsWritten) {
    addLettered("ab", 2);
    platform::testing::TempDir dir;
    const SelectionFile file =
        SaveSelection(dir.file("x.sel"), nullptr, {}, kTime, SelectionOrder::Ranking);
    EXPECT_EQ(file.status, SelectionStatus::NoDocument);
    EXPECT_EQ(file.text, "");
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.sel")));
}

TEST_F(SelectionFileTest, SavingWritesTheEncodedBytes) {
    addLettered("ab", 3);
    platform::testing::TempDir dir;
    const SelectionFile file =
        SaveSelection(dir.file("x.sel"), NthReportDocument(0), {}, kTime, SelectionOrder::Ranking);
    EXPECT_EQ(file.status, SelectionStatus::Written);
    EXPECT_EQ(dir.read("x.sel"), encode().text);
    EXPECT_EQ(dir.read("x.sel").substr(dir.read("x.sel").size() - 6), "\r\n*end");
}

TEST_F(SelectionFileTest, AFileThatCannotBeWrittenIsReported) {
    addLettered("ab", 3);
    platform::testing::TempDir dir;
    const std::string path = dir.file("no/such/folder/x.sel");
    const SelectionFile file =
        SaveSelection(path, NthReportDocument(0), {}, kTime, SelectionOrder::Ranking);
    EXPECT_EQ(file.status, SelectionStatus::CannotCreate);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(selectionWriteError(path), "Cannot write the selection file \"" + path + "\".");

    SelectionFile empty = encode();
    EXPECT_EQ(writeSelectionFile("", empty), SelectionStatus::CannotCreate);
}

// --- Feature order -------------------------------------------------------------

std::vector<std::string> featureLines(const SelectionFile& file) {
    std::vector<std::string> out;
    bool in = false;
    for (const std::string& line : lines(file.text)) {
        if (line == "*categories") break;
        if (in) out.push_back(line);
        if (line == "*features") in = true;
    }
    return out;
}

TEST_F(SelectionFileTest, ReverseListOrderIsNewestRegistryNameFirst) {
    addLettered("abcd", 2);
    const SelectionFile file = encode(SelectionOrder::ReverseList, {"a"});
    EXPECT_EQ(file.features, (std::vector<std::string>{"d", "c", "b", "a"}));
    EXPECT_EQ(featureLines(file), (std::vector<std::string>{"1  d", "2  c", "3  b", "4  a"}));
    EXPECT_EQ(file.orderNotice, "Saving features in reverse list order");
}

TEST_F(SelectionFileTest, RankingOrderExchangesRankedFeaturesToTheFront) {
    addLettered("abcd", 2);
    const SelectionFile file = encode(SelectionOrder::Ranking, {"c", "a"});
    // The displaced d goes where a was: the rest is not put back in order.
    EXPECT_EQ(file.features, (std::vector<std::string>{"c", "a", "b", "d"}));
    EXPECT_TRUE(file.orderNotice.empty());
    // The values follow their features.
    EXPECT_EQ(dataLines(file.text).at(0), "1  1.3  1.1  1.2  1.4");
}

TEST_F(SelectionFileTest, RankingOrderWithoutRankingIsReverseListOrder) {
    addLettered("abcd", 2);
    EXPECT_EQ(encode(SelectionOrder::Ranking, {}).features,
              (std::vector<std::string>{"d", "c", "b", "a"}));
}

TEST_F(SelectionFileTest, RankingOrderSkipsUnknownUncheckedAndRepeatedNames) {
    addLettered("abcde", 2);
    selectFeatureName("e", false);
    // "x" is no feature, "e" is unchecked, "C" matches c without regard to
    // case, and the repeated c does not pull it back out of the front.
    const SelectionFile file = encode(SelectionOrder::Ranking, {"x", "e", "C", "c", "a"});
    EXPECT_EQ(file.features, (std::vector<std::string>{"c", "a", "b", "d"}));
}

TEST_F(SelectionFileTest, RankingOrderWithEveryFeatureRankedFollowsTheRanking) {
    addLettered("abcd", 2);
    EXPECT_EQ(encode(SelectionOrder::Ranking, {"b", "d", "a", "c"}).features,
              (std::vector<std::string>{"b", "d", "a", "c"}));
}

TEST_F(SelectionFileTest, AlphabeticalOrderIgnoresLetterCase) {
    addDocument({{"beta", {1, 2}}, {"Alpha", {1, 3}}, {"gamma", {1, 4}}, {"Delta", {1, 5}}}, 2);
    const SelectionFile file = encode(SelectionOrder::Alphabetical, {"gamma"});
    EXPECT_EQ(file.features, (std::vector<std::string>{"Alpha", "beta", "Delta", "gamma"}));
    EXPECT_EQ(file.orderNotice, "Saving features in alphabetical order");
    EXPECT_EQ(dataLines(file.text), (std::vector<std::string>{"1  1  1  1  1", "2  3  2  5  4"}));
}

TEST_F(SelectionFileTest, OrderChosenByModifierKeys) {
    EXPECT_EQ(selectionOrderForKeys(false, false), SelectionOrder::Ranking);
    EXPECT_EQ(selectionOrderForKeys(true, false), SelectionOrder::ReverseList);
    EXPECT_EQ(selectionOrderForKeys(false, true), SelectionOrder::Alphabetical);
    EXPECT_EQ(selectionOrderForKeys(true, true), SelectionOrder::ReverseList);
}

// --- Which features ------------------------------------------------------------

TEST_F(SelectionFileTest, OnlyCheckedFeaturesHeldByEveryDocumentAreWritten) {
    addLettered("abc", 2);
    addLettered("abd", 2);  // c and d are held by one document only
    selectFeatureName("b", false);
    const SelectionFile file = encode();
    EXPECT_EQ(file.features, (std::vector<std::string>{"a"}));
    EXPECT_EQ(dataLines(file.text),
              (std::vector<std::string>{"1  1.1", "2  2.1", "1  1.1", "2  2.1"}));
}

TEST_F(SelectionFileTest, AuxiliaryRecordsNeverAppear) {
    addDocument({{"_MinNorm", {1, 1}}, {"Mean", {4, 5}}}, 2);
    const SelectionFile file = encode();
    EXPECT_EQ(file.features, (std::vector<std::string>{"Mean"}));
    EXPECT_EQ(file.text.find("_"), std::string::npos);
}

TEST_F(SelectionFileTest, NoCheckedFeatureStillWritesTheFile) {
    addLettered("ab", 2);
    deselectAllFeatureNames();
    const SelectionFile file = encode();
    EXPECT_EQ(file.text,
              "*label\r\nconverted data: 2007-3-9 14:05.31\r\n*features\r\n*categories\r\n"
              "1  1\r\n2  2\r\n*data\r\n1\r\n2\r\n*end");
}

TEST_F(SelectionFileTest, NoUsedColumnGivesEmptySections) {
    addLettered("ab", 0);
    const SelectionFile file = encode();
    EXPECT_EQ(file.text,
              "*label\r\nconverted data: 2007-3-9 14:05.31\r\n*features\r\n1  b\r\n2  a\r\n"
              "*categories\r\n*data\r\n*end");
    EXPECT_EQ(file.sampleCount, 0);
}

TEST_F(SelectionFileTest, ADocumentHoldingANameTwiceGivesItsLaterRecord) {
    addDocument({{"a", {1, 2}}, {"b", {5, 6}}, {"a", {3, 4}}}, 2);
    EXPECT_EQ(dataLines(encode().text), (std::vector<std::string>{"1  5  3", "2  6  4"}));
}

TEST_F(SelectionFileTest, EveryRowIsWrittenWholeHoweverManyFeatures) {
    std::vector<Feature> features;
    for (int i = 0; i < 300; ++i)
        features.push_back({"feature" + std::to_string(i), {0.125, i * 1.5}});
    addDocument(features, 2);
    const std::vector<std::string> data = dataLines(encode().text);
    ASSERT_EQ(data.size(), 2u);
    std::istringstream row(data[1]);
    std::vector<double> tokens;
    for (double v; row >> v;) tokens.push_back(v);
    ASSERT_EQ(tokens.size(), 301u);
    EXPECT_EQ(tokens[0], 2);
    EXPECT_EQ(tokens[1], 299 * 1.5);  // newest registry name first
    EXPECT_EQ(tokens[300], 0);
}

// --- Samples and categories ----------------------------------------------------

TEST_F(SelectionFileTest, ClassesMatchWithoutRegardToCaseAndUnnamedColumnsByNumber) {
    ReportDocument* first =
        addDocument({{"m", {1, 2, 3, 4, 5}}}, 5, {{1, "Tumour"}, {4, "healthy"}, {5, "tumour"}});
    first->roiState[2] = kRoiExcluded;  // column 3: left out by the user
    // Column 2 of the first document is unnamed: it is class "2", and so is a
    // column named "2"; "TUMOUR" is "Tumour".
    addDocument({{"m", {6, 7, 8}}}, 3, {{1, "2"}, {2, "TUMOUR"}, {3, "HEALTHY"}});
    const SelectionFile file = encode();
    EXPECT_EQ(file.categories, (std::vector<std::string>{"Tumour", "2", "healthy"}));
    EXPECT_EQ(dataLines(file.text),
              (std::vector<std::string>{"1  1", "2  2", "3  4", "1  5", "2  6", "1  7", "3  8"}));
}

TEST_F(SelectionFileTest, ExcludedAndEmptyColumnsGiveNeitherCategoryNorSample) {
    ReportDocument* document = addDocument({{"m", {1, 2, 3}}}, 3, {{2, "excluded"}});
    document->roiState[1] = kRoiExcluded;
    document->roiName[3] = "empty";  // column 4 holds no pixels
    const SelectionFile file = encode();
    EXPECT_EQ(file.categories, (std::vector<std::string>{"1", "3"}));
    EXPECT_EQ(dataLines(file.text), (std::vector<std::string>{"1  1", "2  3"}));
}

TEST_F(SelectionFileTest, ACategoryNumberIsItsFirstAppearanceOverAllDocuments) {
    addDocument({{"m", {1, 2}}}, 2, {{1, "b"}, {2, "a"}});
    addDocument({{"m", {3, 4, 5}}}, 3, {{1, "c"}, {2, "a"}, {3, "b"}});
    const SelectionFile file = encode();
    EXPECT_EQ(file.categories, (std::vector<std::string>{"b", "a", "c"}));
    EXPECT_EQ(dataLines(file.text),
              (std::vector<std::string>{"1  1", "2  2", "3  3", "2  4", "1  5"}));
}

TEST_F(SelectionFileTest, ANameCannotBreakTheLinesOfTheFile) {
    addDocument({{"m", {1, 2}}}, 2, {{1, "one\r\nline"}, {2, "\nnumbered"}});
    const SelectionFile file = encode();
    EXPECT_EQ(file.categories, (std::vector<std::string>{"one", "2"}));
}

TEST_F(SelectionFileTest, SamplesWithMissingValuesAreLeftOutAndCounted) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    addDocument(
        {{"a", {1, kInf, 3, 4, 5}}, {"b", {1, 2, 3, -kInf, nan}}, {"c", {kInf, 0, 0, 0, 0}}}, 5,
        {{1, "x"}, {2, "x"}, {3, "y"}, {4, "y"}, {5, "x"}});
    selectFeatureName("c", false);  // its missing value does not matter
    const SelectionFile file = encode();
    EXPECT_EQ(file.samplesLeftOut, 3);
    EXPECT_EQ(file.sampleCount, 2);
    EXPECT_EQ(dataLines(file.text), (std::vector<std::string>{"1  1  1", "2  3  3"}));
    EXPECT_EQ(file.text.find("inf"), std::string::npos);
    EXPECT_EQ(file.text.find("nan"), std::string::npos);
    EXPECT_EQ(selectionLeftOutWarning(file),
              "3 samples were left out of the selection file:\r\n"
              "they have no value (NaN) for some of the selected features.");
}

TEST_F(SelectionFileTest, AClassWithoutAnySampleLeftGetsNoCategory) {
    addDocument({{"a", {1, kInf, 3, 4}}}, 4, {{1, "x"}, {2, "gone"}, {3, "y"}, {4, "y"}});
    const SelectionFile file = encode();
    EXPECT_EQ(file.categories, (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(file.categoriesLeftOut, (std::vector<std::string>{"gone"}));
    EXPECT_EQ(dataLines(file.text), (std::vector<std::string>{"1  1", "2  3", "2  4"}));
    EXPECT_EQ(selectionLeftOutWarning(file),
              "1 sample was left out of the selection file:\r\n"
              "it has no value (NaN) for some of the selected features.\r\n"
              "No sample is left of the class \"gone\".");
}

TEST_F(SelectionFileTest, ADocumentWithoutAChosenFeatureLeavesItsSamplesOut) {
    // An aggregated document holds "a" twice, so "a" counts as held by both
    // documents although the second has no record of it.
    addDocument({{"a", {1, 2}}, {"b", {3, 4}}, {"a", {5, 6}}}, 2);
    addDocument({{"b", {7, 8}}, {"z", {0, 0}}}, 2, {{1, "p"}, {2, "q"}});
    ASSERT_EQ(FeatureNameState("a"), kFeatureChecked);
    const SelectionFile file = encode();
    EXPECT_EQ(file.features, (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(file.samplesLeftOut, 2);
    EXPECT_EQ(file.categories, (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(file.categoriesLeftOut, (std::vector<std::string>{"p", "q"}));
    EXPECT_EQ(dataLines(file.text), (std::vector<std::string>{"1  3  5", "2  4  6"}));
    EXPECT_EQ(selectionLeftOutWarning(file),
              "2 samples were left out of the selection file:\r\n"
              "they have no value (NaN) for some of the selected features.\r\n"
              "No sample is left of the classes \"p\", \"q\".");
}

// --- Hand-over to r62 ------------------------------------------------------------

TEST(R62HandOverTest, ProgramBesideVantuAndTheTemporaryFile) {
    const R62HandOver handOver = r62HandOver("/opt/my programs/", "/tmp/a b/");
    EXPECT_EQ(handOver.program, "/opt/my programs/r62");
    EXPECT_EQ(handOver.path, "/tmp/a b/temp.sel");
    EXPECT_EQ(r62StartError(handOver),
              "Cannot start \"/opt/my programs/r62\" or open \"/tmp/a b/temp.sel\" with its "
              "program.");
    EXPECT_EQ(r62StartError({"/opt/r62", ""}), "Cannot start \"/opt/r62\".");
}

}  // namespace
