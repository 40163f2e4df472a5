// Run once in the C locale and (by the test script) under a locale with a
// decimal comma and under a Turkish one: the results must be the same.
#include "platform/textformat.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "platform/profile.h"

using namespace platform;

namespace {

class TextFormatTest : public ::testing::Test {
  protected:
    // Take the locale from the environment as a desktop program would.
    static void SetUpTestSuite() { std::setlocale(LC_ALL, ""); }
    static void TearDownTestSuite() { std::setlocale(LC_ALL, "C"); }
    // Checked in each test, not in the suite's set-up: there a failure would
    // only skip the tests.
    void SetUp() override {
        if (std::getenv("VANTU_EXPECT_DECIMAL_COMMA")) {
            ASSERT_STREQ(std::localeconv()->decimal_point, ",")
                << "the decimal-comma locale is not installed";
        }
        if (std::getenv("VANTU_EXPECT_TURKISH_CASE")) {
            ASSERT_EQ(std::string(std::setlocale(LC_CTYPE, nullptr)).substr(0, 6), "tr_TR.")
                << "the Turkish locale is not installed";
        }
    }
};

TEST_F(TextFormatTest, CFormatAlwaysUsesTheDecimalPoint) {
    EXPECT_EQ(cformat("%.2f", 1.5), "1.50");
    EXPECT_EQ(cformat("  %.8g", 0.1234567891), "  0.12345679");
    EXPECT_EQ(cformat("%d  %s", 3, "Contrast"), "3  Contrast");
    EXPECT_EQ(cformat("%20.6e", -1234.5), "       -1.234500e+03");
    EXPECT_EQ(cformat("Linear separability: %-6.2f|", 0.5), "Linear separability: 0.50  |");
    EXPECT_EQ(cformat("%s", std::string(1000, 'x').c_str()).size(), 1000u);
}

TEST_F(TextFormatTest, TheExponentFormHasThreeDigitsAndSignificantPrecision) {
    EXPECT_EQ(formatExponent(0.5, 14, 6), "  5.00000E-001");
    EXPECT_EQ(formatExponent(-12345.678, 14, 6), " -1.23457E+004");
    EXPECT_EQ(formatExponent(0.0, 14, 6), "  0.00000E+000");
    EXPECT_EQ(formatExponent(1e-300, 0, 3), "1.00E-300");
    EXPECT_EQ(formatExponent(2.0, 0, 1), "2.0E+000");  // precision clamped up to 2
    EXPECT_EQ(formatExponent(1.0 / 3.0, 0, 30).size(),
              std::string("3.33333333333333333E-001").size());
    EXPECT_EQ(formatExponent(std::numeric_limits<double>::infinity(), 6, 6), "   INF");
    EXPECT_EQ(formatExponent(-std::numeric_limits<double>::infinity(), 0, 6), "-INF");
    EXPECT_EQ(formatExponent(std::nan(""), 0, 6), "NAN");
}

TEST_F(TextFormatTest, StrictParsingTakesOnlyWholeNumbers) {
    EXPECT_EQ(parseReal("1.5"), 1.5);
    EXPECT_EQ(parseReal("-2.5e-3"), -2.5e-3);
    EXPECT_EQ(parseReal("+7"), 7.0);
    EXPECT_EQ(parseReal("1e-400"), 0.0);  // underflow is a value
    for (const char* bad :
         {"", " 1", "1 ", "1,5", "1.5x", "0x10", "inf", "nan", "1e999", "--1", "+-1"})
        EXPECT_FALSE(parseReal(bad).has_value()) << bad;
    EXPECT_TRUE(std::isinf(*parseReal("inf", true)));
    EXPECT_TRUE(std::isnan(*parseReal("nan", true)));
    EXPECT_EQ(parseInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(parseInt("+12"), 12);
    for (const char* bad : {"", "2147483648", "1.0", " 1", "1 ", "0x1", "+-1", "-"})
        EXPECT_FALSE(parseInt(bad).has_value()) << bad;
}

TEST_F(TextFormatTest, LenientConversionsFollowTheCLibrary) {
    EXPECT_EQ(cToReal("  1.25mm"), 1.25);
    EXPECT_EQ(cToReal("abc"), 0.0);
    EXPECT_EQ(cToReal("1,5"), 1.0);
    EXPECT_EQ(cToInt(" 42 px"), 42);
    EXPECT_EQ(cToInt("x"), 0);
    EXPECT_EQ(cToInt("99999999999"), INT32_MAX);
}

TEST_F(TextFormatTest, LetterCaseFoldsAsciiOnly) {
    EXPECT_EQ(lowerAscii("LoadImage EXIT Mipaf .IMA"), "loadimage exit mipaf .ima");
    EXPECT_EQ(upperAscii("dicom, xim; img"), "DICOM, XIM; IMG");
    EXPECT_TRUE(equalsNoCase("FeatureSelection", "fEATURESELECTION"));
    EXPECT_FALSE(equalsNoCase("Exit", "Exi"));
    // UTF-8 letters are left as they are: dotted capital I is not "i".
    EXPECT_EQ(lowerAscii("\xC4\xB0I\xC4\xB1"), "\xC4\xB0i\xC4\xB1");
    EXPECT_FALSE(equalsNoCase("\xC4\xB0", "i"));
    // A prefix first; the fold decides before the byte order: "_" (0x5F)
    // lies between the capitals and the small letters.
    EXPECT_TRUE(lessNoCase("ima", "IMAGE"));
    EXPECT_FALSE(lessNoCase("IMAGE", "ima"));
    EXPECT_TRUE(lessNoCase("_", "Z"));
    EXPECT_FALSE(lessNoCase("Ab", "aB"));
    EXPECT_TRUE(lessNoCase("i", "\xC4\xB1"));
    // Option files' sections and keys.
    const IniFile ini = IniFile::parse("[VANTU_DRIM]\r\nMASK_I=3\r\n");
    EXPECT_EQ(ini.getInt("Vantu_DRIM", "Mask_i", 0), 3);
}

TEST_F(TextFormatTest, OptionFilesWriteRealsWithAPoint) {
    IniFile ini;
    ini.setReal("Vantu_DRIM", "VoxelZSize", 2.345);
    EXPECT_EQ(ini.getString("Vantu_DRIM", "VoxelZSize", ""), "2.35");
}

}  // namespace
