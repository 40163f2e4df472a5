// A selection file written by Vantu is read by r62's loader. Only this test
// program links both programs' cores.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "analysis/core/reports/selection_file.h"
#include "platform/testing/temp_dir.h"
#include "platform/textformat.h"
#include "statistics/core/data/selection_file_reader.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct Feature {
    std::string name;
    std::vector<double> values;
};

ReportDocument* addDocument(const std::vector<Feature>& features, int used,
                            const std::vector<std::string>& classNames) {
    std::vector<FeatureRecord> records(1);
    setRecordName(records[0], "_Area");
    for (int k = 0; k < used; ++k) records[0].values[static_cast<size_t>(k)] = 64;
    for (const Feature& feature : features) {
        FeatureRecord record;
        setRecordName(record, feature.name);
        for (size_t k = 0; k < feature.values.size(); ++k) record.values[k] = feature.values[k];
        records.push_back(record);
    }
    ReportDocument* document =
        NewReportDocument(static_cast<int>(records.size()), records.data(), "Run\r\n", "run");
    for (size_t k = 0; k < classNames.size(); ++k) document->roiName[k] = classNames[k];
    return document;
}

double eightDigits(double value) {
    return platform::cToReal(platform::cformat("%.8g", value));
}

class HandoverTest : public ::testing::Test {
  protected:
    void SetUp() override { resetReportDocuments(); }
    void TearDown() override { resetReportDocuments(); }

    // r62's data set is large: one per test, on the heap.
    std::unique_ptr<R62DataSet> data = std::make_unique<R62DataSet>();
};

TEST_F(HandoverTest, R62LoadsTheFileVantuWrites) {
    addDocument({{"Mean", {12.5, 13.25, 11, 14.125}},
                 {"Variance", {0.37512003, 1.0423, 0.40000001, 2.0 / 3}},
                 {"Entropy", {-1e-5, 3.5e7, 2, 1}}},
                4, {"healthy", "", "Healthy", "lesion"});
    addDocument(
        {{"Mean", {10, 9.75, 8, 7}}, {"Variance", {0.5, 0.25, 1e-3, 2}}, {"Entropy", {4, 5, 6, 7}}},
        4, {"", "2", "LESION", "1"});
    const SelectionFile file = encodeSelection(NthReportDocument(1), {"Variance"},
                                               SelectionOrder::Ranking, SelectionTime{});
    ASSERT_EQ(file.categories, (std::vector<std::string>{"healthy", "2", "lesion", "1"}));
    ASSERT_EQ(file.features, (std::vector<std::string>{"Variance", "Entropy", "Mean"}));

    const SelLoadResult loaded = decodeSelFile(file.text, "temp.sel", *data);
    ASSERT_EQ(loaded.status, SelLoadStatus::Loaded)
        << "line " << loaded.errorLine << ": " << loaded.error;
    EXPECT_EQ(data->FeatureCount, 3);
    EXPECT_EQ(data->CategoryCount, 4);
    EXPECT_EQ(data->SampleCount, 8);
    EXPECT_EQ(data->FeatureName[1], "Variance");
    EXPECT_EQ(data->FeatureName[2], "Entropy");
    EXPECT_EQ(data->FeatureName[3], "Mean");
    EXPECT_EQ(data->CategoryName[1], "healthy");
    EXPECT_EQ(data->CategoryName[2], "2");
    EXPECT_EQ(data->CategoryName[3], "lesion");
    EXPECT_EQ(data->CategoryName[4], "1");
    // Samples: documents in list order, used columns in column order.
    const std::vector<int> categories{1, 2, 1, 3, 4, 2, 3, 4};
    const std::vector<double> means{12.5, 13.25, 11, 14.125, 10, 9.75, 8, 7};
    const std::vector<double> variances{0.37512003, 1.0423, 0.40000001, 2.0 / 3,
                                        0.5,        0.25,   1e-3,       2};
    for (int s = 1; s <= 8; ++s) {
        const size_t i = static_cast<size_t>(s - 1);
        EXPECT_EQ(data->Category[s], categories[i]) << s;
        EXPECT_EQ(data->RawData[s][1], eightDigits(variances[i])) << s;
        EXPECT_EQ(data->RawData[s][3], eightDigits(means[i])) << s;
    }
    EXPECT_EQ(data->RawData[1][2], -1e-5);
    EXPECT_EQ(data->RawData[2][2], 3.5e7);
}

TEST_F(HandoverTest, SamplesWithMissingValuesDoNotSpoilTheFile) {
    addDocument({{"a", {1, 2, kInf, 4, 5, 6, 7}}, {"b", {6, kInf, 4, 3, 2, 7, kInf}}}, 7,
                {"x", "x", "x", "x", "y", "y", "z"});
    addDocument({{"a", {kInf}}, {"b", {1}}}, 1, {"z"});
    const SelectionFile file =
        encodeSelection(NthReportDocument(0), {}, SelectionOrder::Alphabetical, SelectionTime{});
    EXPECT_EQ(file.samplesLeftOut, 4);
    EXPECT_EQ(file.categoriesLeftOut, (std::vector<std::string>{"z"}));

    const SelLoadResult loaded = decodeSelFile(file.text, "temp.sel", *data);
    ASSERT_EQ(loaded.status, SelLoadStatus::Loaded)
        << "line " << loaded.errorLine << ": " << loaded.error;
    EXPECT_EQ(data->SampleCount, 4);
    EXPECT_EQ(data->CategoryCount, 2);
}

TEST_F(HandoverTest, AMissingValueWrittenAsTextWouldBeRefused) {
    // What the left-out samples spare the user: r62 takes no infinity text.
    addDocument({{"a", {1, 2, 3, 4}}, {"b", {4, 3, 2, 1}}}, 4, {"x", "x", "y", "y"});
    const SelectionFile file =
        encodeSelection(NthReportDocument(0), {}, SelectionOrder::Ranking, SelectionTime{});
    std::string withInfinity = file.text;
    const std::string row = "\r\n1  4  1\r\n";
    const size_t at = withInfinity.find(row);
    ASSERT_NE(at, std::string::npos);
    withInfinity.replace(at, row.size(), "\r\n1  inf  1\r\n");
    EXPECT_EQ(decodeSelFile(withInfinity, "temp.sel", *data).status, SelLoadStatus::Rejected);
    EXPECT_EQ(decodeSelFile(file.text, "temp.sel", *data).status, SelLoadStatus::Loaded);
}

TEST_F(HandoverTest, AWrittenFileLoadsFromDisk) {
    addDocument({{"a", {1, 2, 3, 4}}, {"b", {4, 3, 2, 1.5}}}, 4, {"x", "x", "y", "y"});
    platform::testing::TempDir dir;
    const R62HandOver handOver = r62HandOver("/opt/vantu/", dir.path() + "/");
    const SelectionFile file = SaveSelection(handOver.path, NthReportDocument(0), {}, std::nullopt,
                                             SelectionOrder::Ranking);
    ASSERT_EQ(file.status, SelectionStatus::Written);
    const SelLoadResult loaded = loadSelFile(handOver.path, *data);
    ASSERT_EQ(loaded.status, SelLoadStatus::Loaded) << loaded.error;
    EXPECT_EQ(data->DataFileName, "temp.sel");
    EXPECT_EQ(data->RawData[4][1], 1.5);
}

}  // namespace

namespace {

TEST_F(HandoverTest, R62RefusesWhatTheHandOverSaysItWould) {
    // 30 features go in; a 31st is refused by r62, and said so before.
    std::vector<Feature> features;
    for (int k = 1; k <= 31; ++k)
        features.push_back({"f" + std::to_string(k), {1.0 * k, 2.0 + k, 3.5, 4.0 * k}});
    addDocument(features, 4, {"a", "a", "b", "b"});
    SelectionFile file =
        encodeSelection(NthReportDocument(0), {}, SelectionOrder::Ranking, SelectionTime{});
    ASSERT_EQ(file.features.size(), 31u);
    EXPECT_NE(r62RefusalText(file).find("31 features are checked, r62 reads at most 30."),
              std::string::npos);
    EXPECT_NE(decodeSelFile(file.text, "temp.sel", *data).status, SelLoadStatus::Loaded);

    selectFeatureName("f31", false);
    file = encodeSelection(NthReportDocument(0), {}, SelectionOrder::Ranking, SelectionTime{});
    EXPECT_EQ(r62RefusalText(file), "");
    EXPECT_EQ(decodeSelFile(file.text, "temp.sel", *data).status, SelLoadStatus::Loaded);

    // Classes and samples past r62's limits are counted too.
    SelectionFile large;
    large.categories.resize(41);
    large.sampleCount = 2001;
    const std::string text = r62RefusalText(large);
    EXPECT_NE(text.find("41 classes are used, r62 reads at most 40."), std::string::npos);
    EXPECT_NE(text.find("2001 samples are used, r62 reads at most 2000."), std::string::npos);
}

}  // namespace
