#include "statistics/core/data/selection_file_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/testing/temp_dir.h"
#include "platform/textformat.h"

using platform::testing::TempDir;

namespace {

std::string join(const std::vector<std::string>& lines, const std::string& separator) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += separator;
        text += lines[i];
    }
    return text;
}

std::vector<std::string> splitPane(const std::string& pane) {
    std::vector<std::string> lines;
    std::istringstream in(pane);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A file that loads: 2 features, 2 categories, 4 samples (lines 1 to 14).
std::vector<std::string> validLines() {
    return {
        "*label",  // 1
        "converted data: 2007-3-9 14:05.31",
        "*features",            // 3
        "1  Mean",              // 4
        "2  Variance",          // 5
        "*categories",          // 6
        "1  healthy",           // 7
        "2  2",                 // 8
        "*data",                // 9
        "1  12.5  0.37512003",  // 10
        "2  13.25  1.0423",     // 11
        "1  11  0.40000001",    // 12
        "2  14  1.5",           // 13
        "*end",                 // 14
    };
}

struct Loader {
    std::unique_ptr<R62DataSet> data = std::make_unique<R62DataSet>();
    SelLoadResult load(const std::string& text) { return decodeSelFile(text, "data.sel", *data); }
    SelLoadResult load(const std::vector<std::string>& lines) { return load(join(lines, "\r\n")); }
};

// Replaces lines [first, first + count) of the valid file.
std::vector<std::string> edited(size_t first, size_t count, std::vector<std::string> replacement) {
    std::vector<std::string> lines = validLines();
    lines.erase(lines.begin() + static_cast<long>(first),
                lines.begin() + static_cast<long>(first + count));
    lines.insert(lines.begin() + static_cast<long>(first), replacement.begin(), replacement.end());
    return lines;
}

struct RejectionCase {
    const char* what;
    std::vector<std::string> lines;
    long long line;
    std::string message;
};

void PrintTo(const RejectionCase& c, std::ostream* os) {
    *os << c.what;
}

class R62SelRejection : public ::testing::TestWithParam<RejectionCase> {};

TEST_P(R62SelRejection, NamesTheLineAndTheReason) {
    const RejectionCase& c = GetParam();
    Loader loader;
    loader.data->NewConsistentData = 1;
    const SelLoadResult result = loader.load(c.lines);
    EXPECT_EQ(result.status, SelLoadStatus::Rejected);
    EXPECT_EQ(result.errorLine, c.line);
    EXPECT_EQ(result.error, c.message);
    EXPECT_EQ(result.messageBox,
              "Error at line " + std::to_string(c.line) + " of \"data.sel\"\r[" + c.message + "].");
    EXPECT_EQ(loader.data->NewConsistentData, 0);
    EXPECT_TRUE(result.inputPaneBlue);
    EXPECT_TRUE(result.statusText.empty());
}

std::vector<std::string> dataLines(int count, int features) {
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        std::string line = std::to_string(i % 2 + 1);
        for (int f = 1; f <= features; ++f) line += "  " + std::to_string(i * 7 % 13 + f);
        lines.push_back(line);
    }
    return lines;
}

std::vector<RejectionCase> rejectionCases() {
    std::vector<RejectionCase> cases;
    auto add = [&](const char* what, std::vector<std::string> lines, long long line,
                   std::string message) {
        cases.push_back({what, std::move(lines), line, std::move(message)});
    };
    const std::string eof = "unexpected EOF";
    const std::string featureShort = "expected: 1- or 2-digit number, space char, feature name";
    const std::string featureOther =
        "expected: 1- or 2-digit number, space char, feature name or \"*categories\"";
    const std::string categoryShort = "expected: 1 or 2 digits, space char, category name";
    const std::string categoryThree = "expected: 1- or 2-digit number, space char, category name";
    const std::string categoryOther =
        "expected: 1- or 2-digit number, space char, category name or \"*data\"";
    const std::string nonNumeric = "non-numeric data format";

    {
        std::vector<std::string> ten = validLines();
        ten.resize(10);
        add("ten lines", ten, 11, eof);
    }
    {
        std::vector<std::string> lines = {"*label", "x", "*features"};
        for (int i = 1; i <= 8; ++i) lines.push_back(std::to_string(i) + " f" + std::to_string(i));
        add("end of file in the feature list", lines, 12, eof);
    }
    {
        std::vector<std::string> lines = {"*label", "x", "*features", "1 a", "*categories"};
        for (int i = 1; i <= 6; ++i) lines.push_back(std::to_string(i) + " c");
        add("end of file in the category list", lines, 12, eof);
    }
    {
        std::vector<std::string> lines = validLines();
        lines.resize(9);
        lines.insert(lines.begin() + 5, {"3  c", "4  d"});
        add("nothing after *data", lines, 12, eof);
    }
    add("data up to the end of the file", edited(13, 1, {}), 14, eof);

    add("blank before *label", edited(0, 1, {" *label"}), 1, "\"*label\" expected");
    add("capital L", edited(0, 1, {"*Label"}), 1, "\"*label\" expected");
    add("missing *features", edited(2, 1, {"*feature"}), 3, "\"*features\" expected");

    add("feature line of 2 characters", edited(3, 1, {"1 "}), 4, featureShort);
    add("3 characters, no blank", edited(3, 1, {"1xA"}), 4, featureShort);
    add("three-digit number", edited(3, 1, {"100 Mean"}), 4, featureOther);
    add("number glued to the name", edited(3, 1, {"1Mean"}), 4, featureOther);
    add("empty feature list", edited(3, 2, {}), 4, featureOther);
    add("feature name of blanks", edited(4, 1, {"2     "}), 5, featureOther);
    add("feature number 0", edited(3, 1, {"0 Mean"}), 4, "feature number can not be zero");
    add("feature number 00", edited(3, 1, {"00 Mean"}), 4, "feature number can not be zero");
    add("feature number 31", edited(4, 1, {"31 Variance"}), 5,
        "allowable number (30) of features exceeded");
    add("feature 2 undeclared", edited(4, 1, {"3  Variance"}), 6, "undeclared name of feature #2");
    add("list ended by another keyword", edited(5, 1, {"*category"}), 6,
        "\"*categories\" expected");

    add("category line of 2 characters", edited(6, 1, {"1"}), 7, categoryShort);
    add("category line of 3 characters", edited(6, 1, {"1-h"}), 7, categoryThree);
    add("category line of another form", edited(6, 1, {"1\thealthy"}), 7, categoryOther);
    add("empty category list", edited(6, 2, {}), 7, categoryOther);
    add("category name of blanks", edited(7, 1, {"2  \t "}), 8, categoryOther);
    add("category number 0", edited(6, 1, {"0 healthy"}), 7, "category number can not be zero");
    add("category number 41", edited(7, 1, {"41 ill"}), 8,
        "allowable number (40) of categories exceeded");
    add("a single category", edited(7, 1, {}), 8, "number of categories should be at least 2");
    add("category 2 undeclared", edited(7, 1, {"3 ill"}), 9, "undeclared name of category #2");
    add("list ended by *date", edited(8, 1, {"*date"}), 9, "\"*data\" expected");

    add("a letter in the data", edited(9, 1, {"1  12.5  0.3x"}), 10, nonNumeric);
    add("two decimal points", edited(9, 1, {"1  12.5.1  0.3"}), 10, nonNumeric);
    add("a lone sign", edited(10, 1, {"2  13  - 1"}), 11, nonNumeric);
    add("empty data section", edited(9, 5, {"*end", "more"}), 10, nonNumeric);
    add("INF", edited(9, 1, {"1  INF  0.3"}), 10, nonNumeric);
    add("inf as Vantu writes it", edited(9, 1, {"1  inf  0.3"}), 10, nonNumeric);
    add("NAN", edited(9, 1, {"1  NAN  0.3"}), 10, nonNumeric);
    add("nan", edited(9, 1, {"1  12  nan"}), 10, nonNumeric);
    add("1E400", edited(9, 1, {"1  1E400  0.3"}), 10, nonNumeric);
    add("overflowing category", edited(10, 1, {"1e400  1  0.3"}), 11, nonNumeric);
    add("overflow past the last column",
        edited(9, 1,
               {"1 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 "
                "17 18 19 20 21 22 23 24 25 26 27 28 29 30 "
                "1E999"}),
        10, nonNumeric);
    {
        std::vector<std::string> lines = validLines();
        lines.resize(9);
        std::vector<std::string> samples = dataLines(2001, 2);
        lines.insert(lines.end(), samples.begin(), samples.end());
        lines.push_back("*end");
        add("2001 samples", lines, 9 + 2001, "allowable number of samples (2000)exceeded");
    }
    add("feature of zeros", edited(9, 4, {"1 1 0", "2 2 0.0", "1 3 -0", "2 4 0e5"}), 14,
        "all the samples of feature \"Variance\" are zero");
    add("values of an undeclared feature", edited(9, 4, {"1 1 2", "2 2 3 0", "1 3 4 0.5", "2 4 5"}),
        14, "there are non-zero samples of undeclared feature #3\rpresent in the file");
    add("empty data line", edited(10, 1, {""}), 14, "undeclared name of category #0");
    add("category 3 of 2", edited(10, 1, {"3 1 2"}), 14, "undeclared name of category #3");
    add("category rounded to 0", edited(10, 1, {"0.5 1 2"}), 14, "undeclared name of category #0");
    add("category 41", edited(10, 1, {"41 1 2"}), 14,
        "category number of sample #2 is out of range (1 to 40)");
    add("negative category", edited(11, 1, {"-1 1 2"}), 14,
        "category number of sample #3 is out of range (1 to 40)");
    add("huge category", edited(9, 1, {"1e300 1 2"}), 14,
        "category number of sample #1 is out of range (1 to 40)");
    add("70000 does not wrap to a class", edited(9, 1, {"65537 1 2"}), 14,
        "category number of sample #1 is out of range (1 to 40)");
    add("category without samples", edited(9, 4, {"1 1 2", "1 2 3", "1 3 4"}), 13,
        "category #2 is not represented by any feature vector");
    add("category with one sample", edited(12, 1, {}), 13,
        "each category must be represented\rby at least 2 feature vectors");
    add("missing category reported before a lonely one",
        edited(6, 8, {"1 a", "2 b", "3 c", "*data", "2 1 2", "1 3 4", "1 5 6", "*end"}), 14,
        "category #3 is not represented by any feature vector");
    add("constant feature", edited(9, 4, {"1 7 1", "2 7 2", "1 7 3", "2 7 4"}), 14,
        "standard deviation of feature #1 is zero!");
    // Six times 0.1 sums to a mean of 0.09999999999999999.
    add("constant feature that rounding hides",
        edited(9, 4, {"1 0.1 1", "2 0.1 2", "1 0.1 3", "2 0.1 4", "1 0.1 5", "2 0.1 6"}), 16,
        "standard deviation of feature #1 is zero!");
    return cases;
}

INSTANTIATE_TEST_SUITE_P(EveryMessage, R62SelRejection, ::testing::ValuesIn(rejectionCases()));

TEST(R62SelReader, LoadsTheFileAndSelectsEveryFeature) {
    Loader loader;
    const SelLoadResult result = loader.load(validLines());
    ASSERT_EQ(result.status, SelLoadStatus::Loaded) << result.messageBox;
    const R62DataSet& d = *loader.data;
    EXPECT_EQ(d.FeatureCount, 2);
    EXPECT_EQ(d.CategoryCount, 2);
    EXPECT_EQ(d.SampleCount, 4);
    EXPECT_EQ(d.FeatureName[1], "Mean");
    EXPECT_EQ(d.FeatureName[2], "Variance");
    EXPECT_EQ(d.CategoryName[1], "healthy");
    EXPECT_EQ(d.CategoryName[2], "2");
    EXPECT_EQ(d.RawData[2][1], 13.25);
    EXPECT_EQ(d.RawData[3][2], 0.40000001);
    EXPECT_EQ(d.Category[4], 2);
    EXPECT_EQ(d.FeatureSelected[1], 1);
    EXPECT_EQ(d.FeatureSelected[2], 1);
    EXPECT_EQ(d.FeatureSelected[3], 0);
    EXPECT_EQ(d.FeatureData, d.RawData);
    EXPECT_EQ(d.NewConsistentData, 1);
    EXPECT_EQ(d.DataFileName, "data.sel");
    EXPECT_DOUBLE_EQ(d.FeatureMean[1], (12.5 + 13.25 + 11 + 14) / 4);
    const double m = d.FeatureMean[1];
    const double var = ((12.5 - m) * (12.5 - m) + (13.25 - m) * (13.25 - m) + (11 - m) * (11 - m) +
                        (14 - m) * (14 - m)) /
                       3;
    EXPECT_DOUBLE_EQ(d.FeatureVariance[1], var);
    EXPECT_DOUBLE_EQ(d.FeatureStd[1], std::sqrt(var));
    EXPECT_EQ(result.statusText, "Input data loaded");
    EXPECT_EQ(result.caption, "r62 - data.sel");
    EXPECT_FALSE(result.inputPaneBlue);
    EXPECT_TRUE(result.messageBox.empty());
    // An editor's byte-order mark before "*label" is skipped.
    Loader marked;
    EXPECT_EQ(marked.load("\xEF\xBB\xBF" + join(validLines(), "\r\n")).status,
              SelLoadStatus::Loaded);
}

TEST(R62SelReader, InputPaneNumbersTheSamples) {
    Loader loader;
    std::vector<std::string> lines = validLines();
    lines.push_back("anything after the end is not read");
    const SelLoadResult result = loader.load(lines);
    ASSERT_EQ(result.status, SelLoadStatus::Loaded);
    const std::vector<std::string> pane = splitPane(result.inputPane);
    ASSERT_EQ(pane.size(), 14u);
    EXPECT_EQ(pane[8], "*data");
    EXPECT_EQ(pane[9], "   1 1  12.5  0.37512003");
    EXPECT_EQ(pane[12], "   4 2  14  1.5");
    EXPECT_EQ(pane[13], "*end");
}

TEST(R62SelReader, RejectionShowsTheFileUpToTheFaultyLineWithAMarker) {
    Loader loader;
    const SelLoadResult result = loader.load(edited(4, 1, {"31 Variance"}));
    const std::vector<std::string> pane = splitPane(result.inputPane);
    ASSERT_EQ(pane.size(), 6u);
    EXPECT_EQ(pane[4], "31 Variance");
    EXPECT_EQ(pane[5], "^ Error at line 5...");
    EXPECT_EQ(result.messageBox,
              "Error at line 5 of \"data.sel\"\r[allowable number (30) of features exceeded].");
    EXPECT_EQ(result.caption, "r62 - data.sel");
}

TEST(R62SelReader, EndOfFileMarkerFollowsTheWholeFile) {
    Loader loader;
    std::vector<std::string> ten = validLines();
    ten.resize(10);
    const std::vector<std::string> pane = splitPane(loader.load(ten).inputPane);
    ASSERT_EQ(pane.size(), 11u);
    EXPECT_EQ(pane[9], "1  12.5  0.37512003");
    EXPECT_EQ(pane[10], "^ Error at line 11...");
}

TEST(R62SelReader, LfCrLfAndCrFilesReadTheSame) {
    Loader crlf, lf, cr;
    const SelLoadResult a = crlf.load(join(validLines(), "\r\n") + "\r\n");
    const SelLoadResult b = lf.load(join(validLines(), "\n") + "\n");
    const SelLoadResult c = cr.load(join(validLines(), "\r"));
    ASSERT_EQ(a.status, SelLoadStatus::Loaded);
    ASSERT_EQ(b.status, SelLoadStatus::Loaded);
    ASSERT_EQ(c.status, SelLoadStatus::Loaded);
    EXPECT_EQ(a.inputPane, b.inputPane);
    EXPECT_EQ(a.inputPane, c.inputPane);
    EXPECT_EQ(crlf.data->RawData, lf.data->RawData);
    EXPECT_EQ(crlf.data->RawData, cr.data->RawData);
    EXPECT_EQ(crlf.data->FeatureName, lf.data->FeatureName);
    EXPECT_EQ(crlf.data->CategoryName, lf.data->CategoryName);
    EXPECT_EQ(crlf.data->FeatureName[2], "Variance");  // no CR left on the name

    // The same fault is found at the same line whatever the line ends.
    std::vector<std::string> bad = edited(10, 1, {"2  13.25  1.0x"});
    EXPECT_EQ(Loader().load(join(bad, "\n")).errorLine, 11);
    EXPECT_EQ(Loader().load(join(bad, "\r\n")).errorLine, 11);
}

TEST(R62SelReader, LineBreakAfterTheLastLineStartsNoLine) {
    std::vector<std::string> ten = validLines();
    ten.resize(10);
    EXPECT_EQ(Loader().load(join(ten, "\r\n") + "\r\n").errorLine, 11);
    EXPECT_EQ(Loader().load(join(ten, "\n") + "\n").errorLine, 11);
    // An empty line is still a line.
    EXPECT_EQ(Loader().load(join(ten, "\n") + "\n\n").errorLine, 12);

    // Data running to the end, with or without a final break: the fault is
    // reported after the last line.
    std::vector<std::string> open = edited(13, 1, {});
    EXPECT_EQ(Loader().load(join(open, "\r\n")).errorLine, 14);
    const SelLoadResult result = Loader().load(join(open, "\r\n") + "\r\n");
    EXPECT_EQ(result.errorLine, 14);
    EXPECT_EQ(result.error, "unexpected EOF");
}

TEST(R62SelReader, KeywordsMayCarryTrailingBlanks) {
    std::vector<std::string> lines = validLines();
    lines[0] = "*label  \t";
    lines[2] = "*features ";
    lines[5] = "*categories\t";
    lines[8] = "*data   ";
    EXPECT_EQ(Loader().load(lines).status, SelLoadStatus::Loaded);
}

TEST(R62SelReader, FeatureLineForms) {
    Loader loader;
    const SelLoadResult result =
        loader.load(edited(3, 2, {"2 V", "1     Mean of grey  ", "02 Variance", "2  Variance"}));
    ASSERT_EQ(result.status, SelLoadStatus::Loaded) << result.messageBox;
    EXPECT_EQ(loader.data->FeatureName[1], "Mean of grey");
    EXPECT_EQ(loader.data->FeatureName[2], "Variance");  // a repeated number replaces the name
    EXPECT_EQ(loader.data->FeatureCount, 2);
}

TEST(R62SelReader, TwoThousandSamplesLoad) {
    std::vector<std::string> lines = validLines();
    lines.resize(9);
    const std::vector<std::string> samples = dataLines(2000, 2);
    lines.insert(lines.end(), samples.begin(), samples.end());
    lines.push_back("*end");
    Loader loader;
    const SelLoadResult result = loader.load(lines);
    ASSERT_EQ(result.status, SelLoadStatus::Loaded) << result.messageBox;
    EXPECT_EQ(loader.data->SampleCount, 2000);
    EXPECT_EQ(loader.data->RawData[2000][2], 1999 * 7 % 13 + 2);
    EXPECT_EQ(splitPane(result.inputPane)[9 + 1999], "2000 " + samples[1999]);
}

TEST(R62SelReader, ThirtyFeaturesAndValuesPastThemAreIgnored) {
    std::vector<std::string> lines = {"*label", "", "*features"};
    for (int f = 1; f <= 30; ++f) lines.push_back(std::to_string(f) + " f" + std::to_string(f));
    lines.insert(lines.end(), {"*categories", "1 a", "2 b", "*data"});
    const std::vector<std::string> samples = dataLines(4, 34);  // 35 numbers a line
    lines.insert(lines.end(), samples.begin(), samples.end());
    lines.push_back("*end");
    Loader loader;
    const SelLoadResult result = loader.load(lines);
    ASSERT_EQ(result.status, SelLoadStatus::Loaded) << result.messageBox;
    EXPECT_EQ(loader.data->FeatureCount, 30);
    EXPECT_EQ(loader.data->RawData[2][30], 1 * 7 % 13 + 30);
}

TEST(R62SelReader, TabsAndSignsInData) {
    Loader loader;
    const SelLoadResult result =
        loader.load(edited(9, 4, {"\t1\t-1.5e1  +2", "2 .5 3.", "1 1E-400 4", "2.4 2 5e+0"}));
    ASSERT_EQ(result.status, SelLoadStatus::Loaded) << result.messageBox;
    const R62DataSet& d = *loader.data;
    EXPECT_EQ(d.RawData[1][1], -15.0);
    EXPECT_EQ(d.RawData[1][2], 2.0);
    EXPECT_EQ(d.RawData[2][1], 0.5);
    EXPECT_EQ(d.RawData[3][1], 0.0);  // underflow is a fine zero
    EXPECT_EQ(d.Category[4], 2);      // rounded
}

TEST(R62SelReader, ValuesWhoseSquaresWouldOverflowAreRefusedAtTheirLine) {
    // +-1E300: the spread of such a feature is infinite in every statistic.
    for (const char* value : {"1E300", "-1E300", "1.000001E150"}) {
        SCOPED_TRACE(value);
        Loader loader;
        const SelLoadResult result =
            loader.load(edited(10, 1, {std::string("2  13.25  ") + value}));
        EXPECT_EQ(result.status, SelLoadStatus::Rejected);
        EXPECT_EQ(result.errorLine, 11);
        EXPECT_EQ(result.error, "value out of range");
        EXPECT_EQ(loader.data->NewConsistentData, 0);
    }
    // The largest value allowed still loads.
    Loader loader;
    EXPECT_EQ(loader.load(edited(10, 1, {"2  13.25  -1E150"})).status, SelLoadStatus::Loaded);
}

TEST(R62SelReader, AFileOverTheSizeLimitSaysSo) {
    TempDir dir;
    const std::string path =
        dir.write("huge.sel", join(validLines(), "\r\n") + std::string(kMaxSelFileBytes, ' '));
    Loader loader;
    ASSERT_EQ(loader.load(validLines()).status, SelLoadStatus::Loaded);
    const SelLoadResult result = loadSelFile(path, *loader.data);
    EXPECT_EQ(result.status, SelLoadStatus::CannotRead);
    EXPECT_EQ(result.messageBox,
              "R62: Cannot load the \"" + path + "\" file: it is larger than 16 MiB.");
    EXPECT_EQ(loader.data->NewConsistentData, 1);  // the data set is as it was
}

TEST(R62SelReader, CategoryHalvesRoundToEven) {
    Loader loader;
    const SelLoadResult result =
        loader.load(edited(9, 4, {"1.5 1 1", "2.5 2 2", "0.6 3 3", "1.4 4 5"}));
    ASSERT_EQ(result.status, SelLoadStatus::Loaded) << result.messageBox;
    EXPECT_EQ(loader.data->Category[1], 2);
    EXPECT_EQ(loader.data->Category[2], 2);
    EXPECT_EQ(loader.data->Category[3], 1);
    EXPECT_EQ(loader.data->Category[4], 1);
}

TEST(R62SelReader, FailedLoadGivesUpThePreviousDataSet) {
    Loader loader;
    ASSERT_EQ(loader.load(validLines()).status, SelLoadStatus::Loaded);
    const SelLoadResult result = loader.load(edited(9, 1, {"1  x  0.3"}));
    EXPECT_EQ(result.status, SelLoadStatus::Rejected);
    EXPECT_EQ(loader.data->NewConsistentData, 0);
    EXPECT_EQ(loader.data->FeatureSelected[1], 0);
    // A shorter file after a longer one leaves no names of the old one.
    ASSERT_EQ(loader.load(edited(4, 1, {})).status, SelLoadStatus::Rejected);
    EXPECT_EQ(loader.data->FeatureName[2], "");
}

TEST(R62SelReader, WriterFormatRoundTrip) {
    // As Vantu writes it: CR LF before every line but the first, the data
    // as "%d" then "  %.8g" per feature, no break after "*end".
    const std::vector<double> values = {12.5, 0.37512003, 1.0 / 3.0, 1e-7, -2.5e12, 1234567.8};
    const std::vector<int> categories = {1, 2, 1, 2, 3, 3};
    std::string text = "*label\r\nconverted data: 2007-3-9 14:05.31\r\n*features";
    text += "\r\n1  Mean\r\n2  Inverse difference moment";
    text += "\r\n*categories\r\n1  healthy\r\n2  2\r\n3  Lesion A";
    text += "\r\n*data";
    for (size_t i = 0; i < values.size(); ++i)
        text +=
            platform::cformat("\r\n%d  %.8g  %.8g", categories[i], values[i], values[i] * 3 + 1);
    text += "\r\n*end";

    Loader loader;
    const SelLoadResult result = loader.load(text);
    ASSERT_EQ(result.status, SelLoadStatus::Loaded) << result.messageBox;
    const R62DataSet& d = *loader.data;
    EXPECT_EQ(d.FeatureName[2], "Inverse difference moment");
    EXPECT_EQ(d.CategoryName[3], "Lesion A");
    EXPECT_EQ(d.SampleCount, 6);
    for (size_t i = 0; i < values.size(); ++i) {
        const int s = static_cast<int>(i) + 1;
        EXPECT_EQ(d.Category[s], categories[i]);
        EXPECT_EQ(d.RawData[s][1], std::stod(platform::cformat("%.8g", values[i])));
        EXPECT_EQ(d.RawData[s][2], std::stod(platform::cformat("%.8g", values[i] * 3 + 1)));
    }
}

TEST(R62SelReader, WriterExampleWithOneLonelyCategoryIsRejected) {
    const std::string text =
        "*label\r\nconverted data: 2007-3-9 14:05.31\r\n*features\r\n1  Mean\r\n2  Variance\r\n"
        "*categories\r\n1  healthy\r\n2  2\r\n*data\r\n1  12.5  0.37512003\r\n2  13.25  "
        "1.0423\r\n1  11  0.40000001\r\n*end";
    const SelLoadResult result = Loader().load(text);
    EXPECT_EQ(result.errorLine, 13);
    EXPECT_EQ(result.error, "each category must be represented\rby at least 2 feature vectors");
}

TEST(R62SelReader, MissingFileCannotBeLoadedAndChangesNothing) {
    Loader loader;
    ASSERT_EQ(loader.load(validLines()).status, SelLoadStatus::Loaded);
    const SelLoadResult result = loadSelFile("/nonexistent/folder/x.sel", *loader.data);
    EXPECT_EQ(result.status, SelLoadStatus::CannotRead);
    EXPECT_EQ(result.messageBox, "R62: Cannot load the \"/nonexistent/folder/x.sel\" file ..");
    EXPECT_EQ(loader.data->NewConsistentData, 1);
    EXPECT_EQ(loader.data->DataFileName, "data.sel");
}

TEST(R62SelReader, LoadsFromDiskUnderItsFileName) {
    TempDir dir;
    const std::string path = dir.write("study 1.sel", join(validLines(), "\r\n"));
    Loader loader;
    const SelLoadResult result = loadSelFile(path, *loader.data);
    ASSERT_EQ(result.status, SelLoadStatus::Loaded);
    EXPECT_EQ(loader.data->DataFileName, "study 1.sel");
    EXPECT_EQ(result.caption, "r62 - study 1.sel");
}

TEST(R62SelReader, DataFileNameIsThePathWithoutItsFolder) {
    EXPECT_EQ(selDataFileName("C:\\x\\data.sel"), "data.sel");
    EXPECT_EQ(selDataFileName("/tmp/temp.sel"), "temp.sel");
    EXPECT_EQ(selDataFileName("plain.sel"), "plain.sel");
}

TEST(R62SelReader, ClearingForALoadDropsSelectionAndNames) {
    Loader loader;
    ASSERT_EQ(loader.load(validLines()).status, SelLoadStatus::Loaded);
    clearSelectionForLoad(*loader.data);
    EXPECT_EQ(loader.data->FeatureSelected[1], 0);
    EXPECT_EQ(loader.data->FeatureName[1], "");
    EXPECT_EQ(loader.data->NewConsistentData, 1);  // a cancelled dialog keeps the data
}

}  // namespace
