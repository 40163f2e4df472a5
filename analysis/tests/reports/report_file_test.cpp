#include "analysis/core/reports/report_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <filesystem>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "platform/testing/temp_dir.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

FeatureRecord makeRecord(std::string_view name, std::initializer_list<double> values) {
    FeatureRecord record;
    setRecordName(record, name);
    size_t k = 0;
    for (double v : values) record.values.at(k++) = v;
    return record;
}

// What "%.8g" keeps of a value, worked out without the code under test.
double eightDigits(double value) {
    char text[64];
    auto printed = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 8);
    double back = 0;
    std::from_chars(text, printed.ptr, back);
    return back;
}

const std::string kCn = "--------------- CLASS NAMES ----------------";
const std::string kFt = "----------------- FEATURES -----------------";

// A file as the writer lays it out, around the given sections.
std::string parText(const std::string& header, const std::string& classLines,
                    const std::string& recordLines) {
    return header + "\r\n" + kCn + "\r\n" + classLines + "\r\n" + kFt + "\r\n" + recordLines;
}

ParFile decodeOk(std::string_view text) {
    ParReadResult result = decodeParFile(text);
    EXPECT_EQ(result.status, ParFileStatus::Ok) << result.message;
    EXPECT_TRUE(result.message.empty());
    return result.file;
}

ParFile roundTrip(const ReportDocument& document) {
    return decodeOk(encodeParFile(document));
}

std::vector<double> valuesOf(const FeatureRecord& record) {
    return {record.values.begin(), record.values.end()};
}

class ReportFileTest : public ::testing::Test {
  protected:
    void SetUp() override { resetReportDocuments(); }
    void TearDown() override { resetReportDocuments(); }
    platform::testing::TempDir dir_;
};

// --- Writing -------------------------------------------------------------------

TEST(ParFileWrite, SmallDocumentHasExactBytes) {
    ReportDocument document;
    document.header = "Image File: a.bmp \r\nROI File: \r\n";
    document.roiName[0] = "healthy";
    document.roiName[2] = "ill";
    document.records.push_back(makeRecord("_Area", {100, 200, 0.5}));
    document.records.push_back(
        makeRecord("Mean", {120.5, kInf, -kInf, std::numeric_limits<double>::quiet_NaN(), 1e-5,
                            123456789, -0.0, 3.14159265358979, 0.1, 1e20, -2.5, 33.75}));

    const std::string expected =
        "Image File: a.bmp \r\n"
        "ROI File: \r\n"
        "\r\n"
        "--------------- CLASS NAMES ----------------\r\n"
        "Clnm1\thealthy\r\n"
        "Clnm3\till\r\n"
        "\r\n"
        "----------------- FEATURES -----------------\r\n"
        "_Area\t100\t200\t0.5\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\r\n"
        "Mean\t120.5\tNaN\tNaN\tNaN\t1e-05\t1.2345679e+08\t-0\t3.1415927\t0.1\t1e+20\t-2.5"
        "\t33.75\t0\t0\t0\t0\r\n";
    EXPECT_EQ(encodeParFile(document), expected);
}

TEST(ParFileWrite, EmptyDocumentStillHasBothSeparators) {
    ReportDocument document;
    EXPECT_EQ(encodeParFile(document), "\r\n" + kCn + "\r\n\r\n" + kFt + "\r\n");
    document.header = "one line";  // the separator block ends it
    EXPECT_EQ(encodeParFile(document), "one line\r\n" + kCn + "\r\n\r\n" + kFt + "\r\n");
}

TEST(ParFileWrite, ClassNameCannotBreakTheFileLines) {
    ReportDocument document;
    document.roiName[0] = "a\tb";
    document.roiName[1] = "x\r\n----------------- FEATURES";
    document.roiName[2] = "\t\r\n";  // nothing the reader could take back
    document.roiName[3] = "\tlead";
    document.records.push_back(makeRecord("F", {1}));
    const std::string text = encodeParFile(document);
    EXPECT_EQ(text, "\r\n" + kCn + "\r\nClnm1\ta\r\nClnm2\tx\r\nClnm4\tlead\r\n\r\n" + kFt +
                        "\r\nF\t1\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\r\n");
    EXPECT_EQ(decodeOk(text).records.size(), 1u);
}

TEST(ParFileWrite, NumbersIgnoreTheUserLocale) {
    if (std::setlocale(LC_NUMERIC, "de_DE.utf8") == nullptr) GTEST_SKIP() << "no German locale";
    ReportDocument document;
    document.records.push_back(makeRecord("F", {120.5, 0.25}));
    const std::string text = encodeParFile(document);
    ParReadResult back = decodeParFile(text);
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_NE(text.find("F\t120.5\t0.25\t0"), std::string::npos);
    ASSERT_EQ(back.file.records.size(), 1u);
    EXPECT_EQ(back.file.records[0].values[0], 120.5);
    EXPECT_EQ(back.file.records[0].values[1], 0.25);
}

// --- Round trip ----------------------------------------------------------------

TEST(ParFileRoundTrip, ValuesComeBackToEightSignificantDigits) {
    std::mt19937_64 random(12345);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> exponent(-300, 300);
    ReportDocument document;
    std::vector<double> all = {0.0,
                               -0.0,
                               1.0,
                               0.1,
                               1.0 / 3.0,
                               std::numeric_limits<double>::max(),
                               std::numeric_limits<double>::lowest(),
                               std::numeric_limits<double>::min(),
                               std::numeric_limits<double>::denorm_min(),
                               99999999.5,
                               123456785.0};
    while (all.size() < 16 * 64) all.push_back(mantissa(random) * std::pow(10.0, exponent(random)));
    for (size_t r = 0; r < all.size() / 16; ++r) {
        FeatureRecord record = makeRecord("F" + std::to_string(r), {});
        for (size_t k = 0; k < 16; ++k) record.values[k] = all[r * 16 + k];
        document.records.push_back(record);
    }

    ParFile back = roundTrip(document);
    ASSERT_EQ(back.records.size(), document.records.size());
    for (size_t r = 0; r < back.records.size(); ++r) {
        EXPECT_EQ(recordName(back.records[r]), "F" + std::to_string(r));
        for (size_t k = 0; k < 16; ++k) {
            const double written = document.records[r].values[k];
            const double read = back.records[r].values[k];
            EXPECT_EQ(read, eightDigits(written)) << written;
            EXPECT_EQ(std::signbit(read), std::signbit(written));
            EXPECT_LE(std::fabs(read - written), 5e-8 * std::fabs(written)) << written;
        }
    }
    // Once rounded, the text is stable.
    EXPECT_EQ(encodeParFile(back), encodeParFile(document));
}

TEST(ParFileRoundTrip, EveryNonFiniteValueComesBackAsTheMissingValue) {
    ReportDocument document;
    document.records.push_back(makeRecord(
        "_AreaARM", {kMissingValue, -kInf, std::numeric_limits<double>::quiet_NaN(), 7}));
    ParFile back = roundTrip(document);
    ASSERT_EQ(back.records.size(), 1u);
    EXPECT_EQ(valuesOf(back.records[0]),
              std::vector<double>({kInf, kInf, kInf, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(ParFileRoundTrip, ClassNamesAndRecordNamesComeBack) {
    ReportDocument document;
    for (size_t k = 0; k < 16; ++k)
        if (k % 3 != 1) document.roiName[k] = "class " + std::to_string(k + 1);
    document.roiName[15] = std::string(255, 'n');
    document.records.push_back(makeRecord("_Area", {1, 2, 3}));
    document.records.push_back(makeRecord("S(1,-1)Contrast", {4}));
    document.records.push_back(makeRecord(std::string(31, 'x'), {5}));
    ParFile back = roundTrip(document);
    EXPECT_EQ(back.classNames, document.roiName);
    ASSERT_EQ(back.records.size(), 3u);
    EXPECT_EQ(recordName(back.records[0]), "_Area");
    EXPECT_EQ(recordName(back.records[1]), "S(1,-1)Contrast");
    EXPECT_EQ(recordName(back.records[2]), std::string(31, 'x'));
    EXPECT_EQ(back.records[0].values[2], 3.0);
}

TEST(ParFileRoundTrip, HeaderLosesEmptyAndSlashLinesAndGainsCrLf) {
    ReportDocument document;
    document.header =
        "Image File: a.bmp \r\n"
        "\r\n"
        "// a comment\r\n"
        "/also dropped\r\n"
        "Min. lum.: 1\n"  // a bare LF ends a line too
        "mid/slash kept\r\n"
        "\rstarts with CR\r\n"
        "trailing CRs\r\r\n"
        "last line without end";
    ParFile back = roundTrip(document);
    EXPECT_EQ(back.header,
              "Image File: a.bmp \r\n"
              "Min. lum.: 1\r\n"
              "mid/slash kept\r\n"
              "trailing CRs\r\n"
              "last line without end\r\n");
    // The loaded header is a fixed point.
    ReportDocument again;
    again.header = back.header;
    EXPECT_EQ(roundTrip(again).header, back.header);
    // An editor's byte-order mark is no part of the first header line.
    EXPECT_EQ(decodeOk("\xEF\xBB\xBF" + encodeParFile(document)).header, back.header);
    // Nor is one after blank lines, which the header loses: written at the
    // file's start it would be read back as the file's own.
    EXPECT_EQ(decodeOk("\n\n\xEF\xBB\xBF\xEF\xBB\xBF" + encodeParFile(document)).header,
              back.header);
    // Before a file's first separator such marks leave the separator one.
    EXPECT_EQ(decodeOk("\n\xEF\xBB\xBF" + encodeParFile(ReportDocument{})).header, "");
}

TEST(ParFileRoundTrip, HeaderOfTenThousandCharactersSurvives) {
    ReportDocument document;
    document.header = std::string(10'000, 'h') + "\r\n";
    for (int i = 0; i < 400; ++i) document.header += "line " + std::to_string(i) + " of text\r\n";
    ASSERT_GT(document.header.size(), 8191u);
    document.records.push_back(makeRecord("F", {1}));
    ParFile back = roundTrip(document);
    EXPECT_EQ(back.header, document.header);
    ASSERT_EQ(back.records.size(), 1u);
}

// --- Reading -------------------------------------------------------------------

TEST(ParFileRead, LineFeedOnlyFileReadsLikeCrLf) {
    const std::string crlf = parText("H1\r\nH2\r\n", "Clnm2\tb\r\n", "F\t1\t2\r\nG\t3\r\n");
    std::string lf;
    for (char c : crlf)
        if (c != '\r') lf += c;
    ParFile a = decodeOk(crlf);
    ParFile b = decodeOk(lf);
    EXPECT_EQ(a.header, "H1\r\nH2\r\n");
    EXPECT_EQ(b.header, a.header);
    EXPECT_EQ(b.classNames, a.classNames);
    ASSERT_EQ(b.records.size(), 2u);
    EXPECT_EQ(valuesOf(b.records[0]), valuesOf(a.records[0]));
    EXPECT_EQ(valuesOf(b.records[1]), valuesOf(a.records[1]));
}

TEST(ParFileRead, EmptyRecordLinesAreSkipped) {
    ParFile file = decodeOk(parText("", "", "\r\nA\t1\r\n \t \r\n\r\nB\t2\r\n\r\n\r\nC\t3\r\n"));
    ASSERT_EQ(file.records.size(), 3u);
    EXPECT_EQ(recordName(file.records[0]), "A");
    EXPECT_EQ(recordName(file.records[1]), "B");
    EXPECT_EQ(file.records[2].values[0], 3.0);
}

TEST(ParFileRead, NoMoreThanSixteenValuesAndThirtyOneNameCharacters) {
    std::string line = std::string(40, 'n');
    for (int k = 1; k <= 20; ++k) line += "\t" + std::to_string(k);
    ParFile file = decodeOk(parText("", "", line + "\r\n"));
    ASSERT_EQ(file.records.size(), 1u);
    EXPECT_EQ(recordName(file.records[0]), std::string(31, 'n'));
    EXPECT_EQ(file.records[0].name[31], '\0');
    for (size_t k = 0; k < 16; ++k) EXPECT_EQ(file.records[0].values[k], double(k + 1));
}

TEST(ParFileRead, AbsentValuesAreZeroSoTheirColumnsReadAsEmpty) {
    ParFile file = decodeOk(parText("", "", "_Area\t100\t200\r\nMean\r\n"));
    ASSERT_EQ(file.records.size(), 2u);
    EXPECT_EQ(file.records[0].values[0], 100.0);
    EXPECT_EQ(file.records[0].values[1], 200.0);
    for (size_t k = 2; k < 16; ++k) EXPECT_EQ(file.records[0].values[k], 0.0);
    for (size_t k = 0; k < 16; ++k) EXPECT_EQ(file.records[1].values[k], 0.0);
}

TEST(ParFileRead, ValuePieces) {
    const std::vector<std::pair<std::string, double>> cases = {
        {"NaN", kInf},   {"nan", kInf},    {"NAN", kInf},   {"NaNQ", kInf},     {"-NaN", 0.0},
        {"12abc", 12.0}, {"abc", 0.0},     {"0x10", 0.0},   {"inf", 0.0},       {"-inf", 0.0},
        {"1e400", kInf}, {"-1e400", kInf}, {"1e-400", 0.0}, {".5", 0.5},        {"5.", 5.0},
        {"1e", 1.0},     {"1e+", 1.0},     {"+3", 3.0},     {"-2.5e2", -250.0}, {"1,5", 1.0},
        {"\v7", 7.0},    {"00012", 12.0},  {"-", 0.0},      {".", 0.0},         {"1.5E-3x", 0.0015},
    };
    std::string line = "V";
    for (size_t i = 0; i < cases.size(); ++i) {
        if (i % 16 == 0 && i != 0) line += "\r\nV";
        line += "\t" + cases[i].first;
    }
    ParFile file = decodeOk(parText("", "", line + "\r\n"));
    ASSERT_EQ(file.records.size(), (cases.size() + 15) / 16);
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(file.records[i / 16].values[i % 16], cases[i].second) << cases[i].first;
}

TEST(ParFileRead, BlanksAndTabsSplitPiecesAndNameBlanksShiftValues) {
    ParFile file = decodeOk(parText("", "", "Grey Mean\t1\t2\r\n  \tF \t 1\t\t2  \r\n"));
    ASSERT_EQ(file.records.size(), 2u);
    EXPECT_EQ(recordName(file.records[0]), "Grey");
    EXPECT_EQ(valuesOf(file.records[0])[0], 0.0);  // "Mean"
    EXPECT_EQ(valuesOf(file.records[0])[2], 2.0);
    EXPECT_EQ(recordName(file.records[1]), "F");  // runs of separators count once
    EXPECT_EQ(valuesOf(file.records[1])[1], 2.0);
}

TEST(ParFileRead, ClassNameLines) {
    const std::string lines =
        "Clnm1\tfirst\tsecond piece\r\n"                         // cut at the tab
        "Clnm2\r\n"                                              // no name: unnamed
        "Clnm0\tzero\r\nClnm17\tx\r\nClnm-1\ty\r\nClnmx\tz\r\n"  // out of range
        "Clnm 4\tblank before number\r\n"
        "Clnm\t5\ttab before number\r\n"
        "Clnm6\tfirst name\r\nClnm6\tlater name\r\n"
        "clnm7\tlower case tag\r\n"
        "Clnm8\t  spaces kept  \r\n"
        "Clnm99999999999999999999\tbig\r\n"
        "something else\r\n"
        "Clnm9\t" +
        std::string(300, 'c') + "\r\n";
    ParFile file = decodeOk(parText("", lines, ""));
    std::array<std::string, kRoiCount> expected;
    expected[0] = "first";
    expected[3] = "blank before number";
    expected[4] = "tab before number";
    expected[5] = "later name";
    expected[7] = "  spaces kept  ";
    expected[8] = std::string(255, 'c');
    EXPECT_EQ(file.classNames, expected);
}

TEST(ParFileRead, SeparatorIsAnyLineStartingWithFourDashes) {
    ParFile file = decodeOk("top\r\n---- x\r\n---\r\nClnm1\ta\r\n----\r\nF\t1\r\n---- rec\t2\r\n");
    EXPECT_EQ(file.header, "top\r\n");
    EXPECT_EQ(file.classNames[0], "a");
    ASSERT_EQ(file.records.size(), 2u);
    EXPECT_EQ(recordName(file.records[1]), "----");  // after the features line: a record
    EXPECT_EQ(file.records[1].values[0], 0.0);       // "rec"
    EXPECT_EQ(file.records[1].values[1], 2.0);
}

TEST(ParFileRead, FileWithoutEmptyLineBeforeFeaturesLoads) {
    ParFile file = decodeOk(kCn + "\r\n" + kFt + "\r\nF\t1\r\n");
    ASSERT_EQ(file.records.size(), 1u);
    EXPECT_EQ(file.records[0].values[0], 1.0);
}

TEST(ParFileRead, NulByteEndsItsLine) {
    using namespace std::string_literals;
    ParFile file = decodeOk(
        parText("ab\0cd\r\n\0hidden\r\n"s, "Clnm1\tna\0me\r\n"s, "F\t1\0\t2\r\nG\t3\r\n"s));
    EXPECT_EQ(file.header, "ab\r\n");
    EXPECT_EQ(file.classNames[0], "na");
    ASSERT_EQ(file.records.size(), 2u);
    EXPECT_EQ(file.records[0].values[0], 1.0);
    EXPECT_EQ(file.records[0].values[1], 0.0);
    EXPECT_EQ(file.records[1].values[0], 3.0);
}

// --- Refused files ---------------------------------------------------------------

TEST(ParFileRead, FilesWithoutSeparatorsAreRefusedWithAMessage) {
    const std::vector<std::pair<std::string, ParFileStatus>> cases = {
        {"", ParFileStatus::NoClassNames},
        {"just some text\r\nand more\r\n", ParFileStatus::NoClassNames},
        {"---\r\n", ParFileStatus::NoClassNames},
        {"BM\x36\x00\x00\x00 binary", ParFileStatus::NoClassNames},
        {"header\r\n" + kCn + "\r\n", ParFileStatus::NoFeatures},
        {"header\r\n" + kCn + "\r\nClnm1\ta\r\n\r\n---", ParFileStatus::NoFeatures},
        {"x----\r\n", ParFileStatus::NoClassNames},
    };
    for (const auto& [text, status] : cases) {
        ParReadResult result = decodeParFile(text);
        EXPECT_EQ(result.status, status) << text;
        EXPECT_FALSE(result.message.empty());
        EXPECT_TRUE(result.file.header.empty());
        EXPECT_TRUE(result.file.records.empty());
    }
    EXPECT_EQ(decodeParFile("").message,
              "Cannot load the file:\r\nthis is not a report file (the line \"" + kCn +
                  "\" is missing).");
}

TEST(ParFileRead, EveryTruncationGivesAPrefixOrARefusal) {
    ReportDocument document;
    document.header = "Image File: a.bmp \r\nROI File: \r\n\r\nCO matrix analysis = No\r\n";
    document.roiName[0] = "healthy";
    document.roiName[4] = "ill";
    document.records.push_back(makeRecord("_Area", {100, 200, 0, 0, 50}));
    document.records.push_back(makeRecord("Mean", {120.5, kInf, 1e-5, -3.25}));
    document.records.push_back(makeRecord("S(1,0)Contrast", {0.125, 1234567.8}));
    const std::string full = encodeParFile(document);
    const ParFile complete = decodeOk(full);
    const size_t featuresAt = full.find("\r\n" + kFt) + 2;

    for (size_t length = 0; length <= full.size(); ++length) {
        SCOPED_TRACE(length);
        ParReadResult result = decodeParFile(std::string_view(full).substr(0, length));
        if (length < featuresAt + 4) {
            EXPECT_NE(result.status, ParFileStatus::Ok);
            EXPECT_FALSE(result.message.empty());
            EXPECT_TRUE(result.file.records.empty());
            continue;
        }
        if (result.status == ParFileStatus::TruncatedLine) {
            // Cut inside a record: refused, naming the line it was cut in.
            const long long lastLine =
                std::count(full.begin(), full.begin() + static_cast<long>(length), '\n') + 1;
            EXPECT_EQ(result.errorLine, lastLine);
            EXPECT_TRUE(result.file.records.empty());
            continue;
        }
        ASSERT_EQ(result.status, ParFileStatus::Ok);
        EXPECT_EQ(result.file.header, complete.header);
        EXPECT_EQ(result.file.classNames, complete.classNames);
        const std::vector<FeatureRecord>& got = result.file.records;
        ASSERT_LE(got.size(), complete.records.size());
        for (size_t r = 0; r + 1 < got.size(); ++r) {
            EXPECT_EQ(recordName(got[r]), recordName(complete.records[r]));
            EXPECT_EQ(valuesOf(got[r]), valuesOf(complete.records[r]));
        }
        if (!got.empty()) {
            EXPECT_TRUE(
                recordName(complete.records[got.size() - 1]).starts_with(recordName(got.back())));
        }
        if (length == full.size()) {
            EXPECT_EQ(got.size(), complete.records.size());
        }
    }
}

TEST(ParFileRead, ALastLineCutShortIsRefusedWithItsNumber) {
    const std::string full16 = "A\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\t13\t14\t15\t16\r\n";
    const std::string head = parText("h", "", "");  // the records start on line 5
    // Only a name, fewer values than a whole record, a whole record cut
    // inside its last number ("16" read as "1"), all its fields without the
    // line end, or only its LF missing: refused.
    const std::string whole = full16.substr(0, full16.size() - 2);
    for (const std::string& cut : {std::string("Mea"), std::string("Mean\t1\t2"),
                                   whole.substr(0, whole.size() - 1), whole, whole + "\r"}) {
        ParReadResult result = decodeParFile(head + full16 + cut);
        EXPECT_EQ(result.status, ParFileStatus::TruncatedLine) << cut;
        EXPECT_EQ(result.errorLine, 6);
        EXPECT_EQ(result.message,
                  "Cannot load the file:\r\nline 6 is cut short (the file ends inside it).");
        EXPECT_TRUE(result.file.records.empty());
    }
    EXPECT_EQ(decodeParFile(head + "Mean").errorLine, 5);
    EXPECT_EQ(decodeParFile(head + "A\t1\t2\r\nB\t3\t4").errorLine, 6);
    // With its line end, a short line stays what it always was: a record
    // whose missing columns read as empty; blanks after the last line end
    // are no record.
    EXPECT_EQ(decodeOk(head + full16 + "Mean\t1\t2\r\n  ").records.size(), 2u);

    // Through the file: the message names file and line.
    platform::testing::TempDir dir;
    const std::string path = dir.write("cut.par", head + full16 + "Mean\t1");
    ParReadResult loaded = LoadReportPar(path);
    EXPECT_EQ(loaded.status, ParFileStatus::TruncatedLine);
    EXPECT_EQ(loaded.message,
              "Cannot load \"" + path + "\":\r\nline 6 is cut short (the file ends inside it).");
}

TEST(ParFileRead, TooManyRecordsAreRefused) {
    std::string records;
    for (int i = 0; i < 5; ++i) records += "F" + std::to_string(i) + "\t1\r\n\r\n";
    EXPECT_EQ(decodeParFile(parText("", "", records), 5).status, ParFileStatus::Ok);
    ParReadResult result = decodeParFile(parText("", "", records + "G\t2\r\n"), 5);
    EXPECT_EQ(result.status, ParFileStatus::TooManyRecords);
    EXPECT_TRUE(result.file.records.empty());
    EXPECT_NE(result.message.find("more feature records than 1000000"), std::string::npos);
}

TEST(ParFileRead, MessagesNameTheFile) {
    for (int status = 2; status <= 7; ++status) {
        EXPECT_NE(parFileMessage(ParFileStatus(status), "/d/r.par").find("\"/d/r.par\""),
                  std::string::npos);
    }
    EXPECT_EQ(parFileMessage(ParFileStatus::Ok, "/d/r.par"), "");
    EXPECT_EQ(parFileMessage(ParFileStatus::NoFeatures, "r.par"),
              "Cannot load \"r.par\":\r\nthe report file is incomplete (the line \"" + kFt +
                  "\" is missing).");
}

// --- Files on disk ---------------------------------------------------------------

TEST_F(ReportFileTest, SaveWritesTheEncodedBytesAndMarksTheDocumentSaved) {
    ReportDocument document;
    document.name = "2009-3-7 09_05_01";
    document.header = "H\r\n";
    document.roiName[1] = "b";
    document.records.push_back(makeRecord("F", {1.5}));
    const std::string path = dir_.file("my report.par");

    ASSERT_EQ(SaveReportPar(path, &document), ParFileStatus::Ok);
    EXPECT_EQ(dir_.read("my report.par"), encodeParFile(document));
    EXPECT_EQ(document.saved, 1u);
    EXPECT_EQ(document.name, "my report.par");
    EXPECT_EQ(document.path, path);
}

TEST_F(ReportFileTest, FailedWriteIsReportedAndLeavesTheDocumentUnsaved) {
    ReportDocument document;
    document.name = "old name";
    document.path = "/old/path.par";
    document.records.push_back(makeRecord("F", {1}));
    std::filesystem::create_directory(dir_.file("folder.par"));

    for (const std::string& path :
         {dir_.file("missing/folder/r.par"), dir_.file("folder.par"), std::string()}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(static_cast<int>(SaveReportPar(path, &document)), 2);
        EXPECT_EQ(document.saved, 0u);
        EXPECT_EQ(document.name, "old name");
        EXPECT_EQ(document.path, "/old/path.par");
    }
    EXPECT_EQ(static_cast<int>(SaveReportPar(dir_.file("x.par"), nullptr)), 1);
    // Nothing written, no temporary file left behind.
    auto entries = std::filesystem::directory_iterator(dir_.path());
    EXPECT_EQ(std::distance(entries, std::filesystem::directory_iterator()), 1);
    EXPECT_TRUE(std::filesystem::is_directory(dir_.file("folder.par")));
}

TEST_F(ReportFileTest, LoadOfMissingOrUnreadableFileIsRefused) {
    std::filesystem::create_directory(dir_.file("folder.par"));
    for (const std::string& path : {dir_.file("missing.par"), dir_.file("folder.par")}) {
        ParReadResult result = LoadReportPar(path);
        EXPECT_EQ(result.status, ParFileStatus::CannotOpen);
        EXPECT_EQ(result.message, "Cannot open the report file \"" + path + "\".");
    }
    const std::string bad = dir_.write("bad.par", "not a report\r\n");
    ParReadResult result = LoadReportPar(bad);
    EXPECT_EQ(result.status, ParFileStatus::NoClassNames);
    EXPECT_NE(result.message.find("\"" + bad + "\""), std::string::npos);
    EXPECT_TRUE(result.file.name.empty());
}

TEST_F(ReportFileTest, LoadOfHugeFileIsRefusedBeforeReading) {
    const std::string path = dir_.write("huge.par", "");
    std::filesystem::resize_file(path, kMaxParFileBytes + 1);  // sparse: no real disk use
    ParReadResult result = LoadReportPar(path);
    EXPECT_EQ(result.status, ParFileStatus::TooLarge);
    EXPECT_NE(result.message.find("larger than 64 MB"), std::string::npos);
}

TEST_F(ReportFileTest, LoadedReportBecomesTheLastDocumentMarkedSaved) {
    std::vector<FeatureRecord> first = {makeRecord("_Area", {1}), makeRecord("Mean", {2})};
    NewReportDocument(2, first.data(), "first", "analysis");
    const std::string path = dir_.write("loaded.par", parText("H\r\n", "Clnm1\ta\r\nClnm2\tb\r\n",
                                                              "_Area\t10\t0\t5\r\nMean\t1\r\n"));
    ParReadResult result = LoadReportPar(path);
    ASSERT_EQ(result.status, ParFileStatus::Ok);
    EXPECT_EQ(result.file.name, "loaded.par");
    EXPECT_EQ(reportDocumentCount(), 1);  // reading alone creates no document

    ReportDocument* document = addLoadedReport(result.file);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(reportDocumentCount(), 2);
    EXPECT_EQ(NthReportDocument(1), document);
    EXPECT_EQ(document->name, "loaded.par");
    EXPECT_EQ(document->path, path);
    EXPECT_EQ(document->saved, 1u);
    EXPECT_EQ(document->header, "H\r\n");
    EXPECT_EQ(document->roiName, result.file.classNames);
    EXPECT_EQ(document->roiName[1], "b");
    EXPECT_EQ(document->roiState[1], kRoiEmpty);  // area 0
    EXPECT_EQ(document->roiState[2], kRoiUsed);
    EXPECT_EQ(featureNameUses("Mean"), 2);
    EXPECT_EQ(unsavedReportCount(), 1);  // only the analysis
}

TEST_F(ReportFileTest, SavedAndReloadedDocumentMatches) {
    std::vector<FeatureRecord> records = {makeRecord("_Area", {4, 0, 9}),
                                          makeRecord("Mean", {1.25, kInf, 3})};
    ReportDocument* original = NewReportDocument(2, records.data(), "Header\r\n", "run");
    original->roiName[2] = "tumour";
    ASSERT_EQ(SaveReportPar(dir_.file("run.par"), original), ParFileStatus::Ok);
    ParReadResult result = LoadReportPar(dir_.file("run.par"));
    ASSERT_EQ(result.status, ParFileStatus::Ok);
    ReportDocument* copy = addLoadedReport(result.file);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->header, original->header);
    EXPECT_EQ(copy->roiName, original->roiName);
    EXPECT_EQ(copy->roiState, original->roiState);
    ASSERT_EQ(copy->records.size(), 2u);
    EXPECT_EQ(valuesOf(copy->records[1]), valuesOf(original->records[1]));
    EXPECT_EQ(copy->name, "run.par");
}

// --- Save all ------------------------------------------------------------------

TEST(ReportFileSaveAll, FolderPartOfTheChosenText) {
    EXPECT_EQ(saveAllFolderPart("C:\\data\\new*"), "C:\\data\\");
    EXPECT_EQ(saveAllFolderPart("/home/u/data/new*"), "/home/u/data/");
    EXPECT_EQ(saveAllFolderPart("/home/u/data/*"), "/home/u/data/");
    EXPECT_EQ(saveAllFolderPart("/home/u/data/pre"), "/home/u/data/");
    EXPECT_EQ(saveAllFolderPart("/tmp/a?b/c"), "/tmp/");
    EXPECT_EQ(saveAllFolderPart("/x/y|z/w"), "/x/");
    EXPECT_EQ(saveAllFolderPart("C:\\data/sub\\pre"), "C:\\data/sub\\");
    EXPECT_EQ(saveAllFolderPart("/dir\\odd/pre"), "/dir\\odd/");
    EXPECT_EQ(saveAllFolderPart("prefix"), "prefix");
    EXPECT_EQ(saveAllFolderPart("new*"), "new");
    EXPECT_EQ(saveAllFolderPart("*"), "");
    EXPECT_EQ(saveAllFolderPart(""), "");
}

TEST(ReportFileSaveAll, TargetPathAddsTheExtensionUnlessExactlyPresent) {
    EXPECT_EQ(saveAllTargetPath("/d/", "2009-3-7 09_05_01"), "/d/2009-3-7 09_05_01.par");
    EXPECT_EQ(saveAllTargetPath("/d/", "a.par"), "/d/a.par");
    EXPECT_EQ(saveAllTargetPath("/d/", "a.PAR"), "/d/a.PAR.par");
    EXPECT_EQ(saveAllTargetPath("/d/", "a.par.bak"), "/d/a.par.bak.par");
    EXPECT_EQ(saveAllTargetPath("pre", "x"), "prex.par");
}

TEST_F(ReportFileTest, SaveAllAsksForAFolderOnlyWhenNeeded) {
    EXPECT_FALSE(saveAllNeedsFolder());  // no documents
    std::vector<FeatureRecord> records = {makeRecord("F", {1})};
    ReportDocument* a = NewReportDocument(1, records.data(), "", "a");
    EXPECT_TRUE(saveAllNeedsFolder());
    a->path = dir_.file("a.par");
    EXPECT_FALSE(saveAllNeedsFolder());  // unsaved, but it has its file
    a->saved = 1;
    ReportDocument* b = NewReportDocument(1, records.data(), "", "b");
    EXPECT_TRUE(saveAllNeedsFolder());
    b->saved = 1;
    EXPECT_FALSE(saveAllNeedsFolder());  // everything saved: nothing to do
}

TEST_F(ReportFileTest, SaveAllWritesEveryDocumentAndRenamesThoseWithoutAFile) {
    std::vector<FeatureRecord> records = {makeRecord("F", {1})};
    ReportDocument* kept = NewReportDocument(1, records.data(), "k", "kept");
    kept->path = dir_.file("kept-file.par");
    kept->saved = 1;  // rewritten even though saved
    ReportDocument* fresh = NewReportDocument(1, records.data(), "f", "2009-3-7 09_05_01");
    ReportDocument* named = NewReportDocument(1, records.data(), "n", "old.par");
    std::filesystem::create_directory(dir_.file("out"));

    EXPECT_EQ(saveAllReports(saveAllFolderPart(dir_.file("out/new*"))), 0);
    EXPECT_EQ(dir_.read("kept-file.par"), encodeParFile(*kept));
    EXPECT_EQ(dir_.read("out/2009-3-7 09_05_01.par"), encodeParFile(*fresh));
    EXPECT_EQ(dir_.read("out/old.par"), encodeParFile(*named));
    EXPECT_EQ(kept->name, "kept-file.par");
    EXPECT_EQ(fresh->name, "2009-3-7 09_05_01.par");
    EXPECT_EQ(fresh->path, dir_.file("out/2009-3-7 09_05_01.par"));
    EXPECT_EQ(unsavedReportCount(), 0);
}

TEST_F(ReportFileTest, SaveAllCountsFailuresAndGoesOn) {
    std::vector<FeatureRecord> records = {makeRecord("F", {1})};
    ReportDocument* lost = NewReportDocument(1, records.data(), "", "lost");
    lost->path = dir_.file("no/such/folder/lost.par");
    ReportDocument* fine = NewReportDocument(1, records.data(), "", "fine");
    EXPECT_EQ(saveAllReports(dir_.path() + "/"), 1);
    EXPECT_EQ(lost->saved, 0u);
    EXPECT_EQ(fine->saved, 1u);
    EXPECT_TRUE(std::filesystem::exists(dir_.file("fine.par")));
}

}  // namespace
