// The report list's cell texts and the widest text of each column, from
// which the window sizes its columns.
#include "analysis/core/reports/report_column_texts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "platform/textformat.h"

namespace {

TEST(ReportColumnTexts, ValuesPrintAsTheCLibrarysFiveSignificantDigitsWithTheirExponents) {
    EXPECT_EQ(reportValueString(4.6678e-05), "4.6678e-05");
    EXPECT_EQ(reportValueString(4194304.0), "4.1943e+06");
    EXPECT_EQ(reportValueString(7213.0), "7213");
    EXPECT_EQ(reportValueString(-0.0031555), "-0.0031555");
    EXPECT_EQ(reportValueString(0.0), "0");
    EXPECT_EQ(reportValueString(-1.2345e-300), "-1.2345e-300");
    EXPECT_EQ(reportValueString(std::numeric_limits<double>::infinity()), "NaN");
    EXPECT_EQ(reportValueString(-std::numeric_limits<double>::infinity()), "NaN");
    EXPECT_EQ(reportValueString(std::nan("")), "NaN");

    // Whatever the magnitude, the same text as printf's "%.5g".
    std::mt19937_64 random(20);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> exponent(-310, 310);
    for (int i = 0; i < 20000; ++i) {
        const double value = mantissa(random) * std::pow(10.0, exponent(random));
        if (!std::isfinite(value)) continue;
        ASSERT_EQ(reportValueString(value), platform::cformat("%.5g", value)) << value;
    }
    for (double value : {99999.5, 99999.4, 0.0001, 0.00009999951, 123456.0, 1e-320})
        EXPECT_EQ(reportValueString(value), platform::cformat("%.5g", value)) << value;
}

TEST(ReportColumnTexts, EachColumnsWidestTextIsItsLongest) {
    ReportDocument document;
    EXPECT_EQ(widestReportTexts(document)[0], "");
    document.records.resize(3);
    setRecordName(document.records[0], "_Area");
    setRecordName(document.records[1], "S(1,0)AngScMom");
    setRecordName(document.records[2], "Mean");
    document.records[0].values[0] = 4194304.0;
    document.records[1].values[0] = 12.0;
    document.records[2].values[0] = -4.6678e-05;
    document.records[1].values[15] = std::numeric_limits<double>::infinity();
    const ReportColumnTexts widest = widestReportTexts(document);
    EXPECT_EQ(widest[0], "S(1,0)AngScMom");
    EXPECT_EQ(widest[1], "-4.6678e-05");
    EXPECT_EQ(widest[2], "0");
    EXPECT_EQ(widest[16], "NaN");
}

}  // namespace
