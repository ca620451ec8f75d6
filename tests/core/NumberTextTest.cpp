#include <gtest/gtest.h>

#include "core/NumberText.h"

namespace num = rimvista::num;

TEST(NumberSyntax, AcceptsTheFullSyntaxAndNothingElse) {
    for (const char* ok : {"0", "12", " 12 ", "\t-3", "+4", "2.5", ".5", "5.", "1e3", "1E+3",
                           "-1.5e-2", "  007  "}) {
        EXPECT_TRUE(num::isNumber(ok)) << ok;
    }
    for (const char* bad : {"", "   ", "abc", "1a", "--1", "+", ".", "e5", "1e", "1e+", "1 2",
                            "0x10", "1,000", "inf", "nan", "1e999"}) {
        EXPECT_FALSE(num::isNumber(bad)) << bad;
    }
}

TEST(NumberSyntax, RoundsHalvesToEven) {
    EXPECT_EQ(num::parseInt16("2.5"), 2);
    EXPECT_EQ(num::parseInt16("3.5"), 4);
    EXPECT_EQ(num::parseInt16("-0.5"), 0);
    EXPECT_EQ(num::parseInt16("-2.5"), -2);
    EXPECT_EQ(num::parseInt16("12.5"), 12);
    EXPECT_EQ(num::parseInt16("13.5"), 14);
    EXPECT_EQ(num::parseInt16("2.51"), 3);
    EXPECT_EQ(num::nearest(0.5), 0.0);
    EXPECT_EQ(num::nearest(1.5), 2.0);
}

TEST(NumberSyntax, SixteenBitRangeAfterRounding) {
    EXPECT_EQ(num::parseInt16("32767"), 32767);
    EXPECT_EQ(num::parseInt16("32767.4"), 32767);
    EXPECT_EQ(num::parseInt16("32767.5"), std::nullopt);  // rounds to 32768
    EXPECT_EQ(num::parseInt16("-32768"), -32768);
    EXPECT_EQ(num::parseInt16("-32768.5"), -32768);  // ties to even: -32768
    EXPECT_EQ(num::parseInt16("-32769"), std::nullopt);
    EXPECT_EQ(num::parseInt16("40000"), std::nullopt);
    EXPECT_EQ(num::parseInt16("abc"), std::nullopt);
}

TEST(NumberSyntax, SinglesRefuseValuesBeyondTheFloatRange) {
    EXPECT_EQ(num::parseSingle("1e300"), std::nullopt);
    EXPECT_EQ(num::parseSingle("-1e39"), std::nullopt);
    EXPECT_EQ(num::parseSingle("10.5"), 10.5f);
}

TEST(NumberSyntax, SixteenBitSums) {
    EXPECT_EQ(num::add16(20000, 12767), 32767);
    EXPECT_EQ(num::add16(20000, 20000), std::nullopt);
    EXPECT_EQ(num::add16(-32768, -1), std::nullopt);
    EXPECT_EQ(num::add16(-5, 3), -2);
}

TEST(NumberText, IntegersArePlainDecimal) {
    EXPECT_EQ(num::formatInt(0), "0");
    EXPECT_EQ(num::formatInt(-32768), "-32768");
    EXPECT_EQ(num::formatInt(137), "137");
    EXPECT_EQ(num::zeroPad(7, 3), "007");
    EXPECT_EQ(num::zeroPad(100, 3), "100");
    EXPECT_EQ(num::zeroPad(3, 2), "03");
}

TEST(NumberText, SinglesUseSevenSignificantDigits) {
    EXPECT_EQ(num::formatSingle(0.0f), "0");
    EXPECT_EQ(num::formatSingle(-0.0f), "0");
    EXPECT_EQ(num::formatSingle(8115.0f), "8115");
    EXPECT_EQ(num::formatSingle(137.0f), "137");
    EXPECT_EQ(num::formatSingle(-40.0f), "-40");
    EXPECT_EQ(num::formatSingle(0.1f), "0.1");
    EXPECT_EQ(num::formatSingle(12.5f), "12.5");
    EXPECT_EQ(num::formatSingle(1.0f / 3.0f), "0.3333333");
    EXPECT_EQ(num::formatSingle(2.0f / 3.0f), "0.6666667");
    EXPECT_EQ(num::formatSingle(123456.7f), "123456.7");
    EXPECT_EQ(num::formatSingle(1234567.5f), "1234568");
    EXPECT_EQ(num::formatSingle(12345678.0f), "12345680");
    EXPECT_EQ(num::formatSingle(0.00001f), "0.00001");
}

TEST(NumberText, SinglesRoundTripThroughTheSyntax) {
    for (float v : {0.5f, 99.25f, 1200.0f, -3.75f, 6090.0f}) {
        const auto back = num::parseSingle(num::formatSingle(v));
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(*back, v);
    }
}

TEST(NumberSyntax, FullWidthFormsReadAsTheirAsciiForms) {
    const std::pair<const char*, double> cases[] = {
        {"５", 5},   {"１２．５", 12.5}, {"－３", -3},           {"＋４", 4}, {"\u3000７\u3000", 7},
        {"1２", 12}, {"２ｅ２", 200},    {"１．５Ｅ－１", 0.15},
    };
    for (const auto& [text, value] : cases) {
        const auto v = num::parseNumber(text);
        ASSERT_TRUE(v.has_value()) << text;
        EXPECT_DOUBLE_EQ(*v, value) << text;
    }
    EXPECT_EQ(num::parseInt16("１２．５"), 12);  // still halves to even
    for (const char* bad : {"５ａ", "１，０００", "＃５", "５\u3001"}) {
        EXPECT_FALSE(num::isNumber(bad)) << bad;
    }
}

TEST(NumberSyntax, TinyValuesAreZeroAndHugeOnesAreNotNumbers) {
    EXPECT_EQ(num::parseNumber("1e-400"), 0.0);
    EXPECT_EQ(num::parseNumber("-0.001e-330"), 0.0);
    EXPECT_EQ(num::parseNumber("0.00001e309"), 1e304);
    EXPECT_EQ(num::parseNumber("1000e306"), std::nullopt);
}
