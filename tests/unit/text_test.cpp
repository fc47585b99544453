#include "core/text.h"

#include <gtest/gtest.h>

#include "core/errors.h"

using namespace pallisar;

TEST(UpperCase, ChangesOnlyAsciiLetters) {
    EXPECT_EQ(UpperCase("1 pending buffer"), "1 PENDING BUFFER");
    EXPECT_EQ(UpperCase("key-pad /"), "KEY-PAD /");
    // Bytes above 127 (é in code page 1252) and punctuation next to the letter
    // ranges ('`', '{', '@', '[') stay as they are.
    EXPECT_EQ(UpperCase("caf\xE9 `{@["), "CAF\xE9 `{@[");
    EXPECT_EQ(LowerCase("ABC\xC9"), "abc\xC9");
    EXPECT_TRUE(SameText("Program", "pROGRAM"));
    EXPECT_FALSE(SameText("caf\xE9", "CAF\xC9"));
    EXPECT_LT(CompareText("alpha", "Beta"), 0);
    EXPECT_GT(CompareText("gamma", "Beta"), 0);
    EXPECT_LT(CompareText("ab", "ABC"), 0);
}

TEST(StrToInt, DecimalAndHexadecimalWithSign) {
    EXPECT_EQ(StrToInt("0"), 0);
    EXPECT_EQ(StrToInt("-17"), -17);
    EXPECT_EQ(StrToInt("+42"), 42);
    EXPECT_EQ(StrToInt("  7"), 7);
    EXPECT_EQ(StrToInt("0x1"), 1);
    EXPECT_EQ(StrToInt("0X1f"), 31);
    EXPECT_EQ(StrToInt("$FF"), 255);
    EXPECT_EQ(StrToInt("-$10"), -16);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
}

TEST(StrToInt, RejectsWhatIsNotAnInteger) {
    for (const char* text : {"", " ", "yes", "1.5", "1,5", "12 ", "0x", "$", "-", "2147483648",
                             "-2147483649", "0x100000000", "1e3", "0xG"}) {
        SCOPED_TRACE(text);
        int value = 99;
        EXPECT_FALSE(TryStrToInt(text, value));
        EXPECT_EQ(value, 99);
        EXPECT_EQ(StrToIntDef(text, -5), -5);
    }
    try {
        StrToInt("abc");
        FAIL() << "no error raised";
    } catch (const ConvertError& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
    }
}

TEST(StrToFloat, PointIsTheOnlySeparator) {
    EXPECT_DOUBLE_EQ(StrToFloat("-0.75"), -0.75);
    EXPECT_DOUBLE_EQ(StrToFloat("1.30"), 1.3);
    EXPECT_DOUBLE_EQ(StrToFloat(" 2 "), 2.0);
    EXPECT_DOUBLE_EQ(StrToFloat(".5"), 0.5);
    EXPECT_DOUBLE_EQ(StrToFloat("+1e2"), 100.0);
    EXPECT_DOUBLE_EQ(StrToFloat("1.01"), 1.01);
    for (const char* text : {"1,5", "", "abc", ".", "1e", "inf", "nan", "0x10", "1.2.3", "1e999"}) {
        SCOPED_TRACE(text);
        double value = 7;
        EXPECT_FALSE(TryStrToFloat(text, value));
        EXPECT_EQ(value, 7);
    }
    try {
        StrToFloat("1,5");
        FAIL() << "no error raised";
    } catch (const ConvertError& e) {
        EXPECT_STREQ(e.what(), "'1,5' is not a valid floating point value");
    }
}

TEST(FloatToStr, ShortestGeneralForm) {
    EXPECT_EQ(FloatToStr(-0.75), "-0.75");
    EXPECT_EQ(FloatToStr(-0.75 * 4), "-3");
    EXPECT_EQ(FloatToStr(0.5 * 4), "2");
    EXPECT_EQ(FloatToStr(0), "0");
    EXPECT_EQ(FloatToStr(-0.0), "0");
    EXPECT_EQ(FloatToStr(0.5), "0.5");
    EXPECT_EQ(FloatToStr(-8), "-8");
    EXPECT_EQ(FloatToStr(1.25), "1.25");
    EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.3");  // 15 significant digits hide the binary error
    EXPECT_EQ(FloatToStr(0.0001), "0.0001");
    EXPECT_EQ(FloatToStr(0.00001), "1E-5");
    EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
    EXPECT_EQ(FloatToStr(1e15), "1E15");
    EXPECT_EQ(FloatToStr(-1.5e20), "-1.5E20");
}

TEST(FormatFloat00, TwoDecimals) {
    EXPECT_EQ(FormatFloat00(1.3), "1.30");
    EXPECT_EQ(FormatFloat00(130 / 100.0), "1.30");
    EXPECT_EQ(FormatFloat00(10 / 100.0), "0.10");
    EXPECT_EQ(FormatFloat00(400 / 100.0), "4.00");
    EXPECT_EQ(FormatFloat00(0.125), "0.13");  // an exact half goes away from zero
    EXPECT_EQ(FormatFloat00(-0.001), "0.00");
    EXPECT_EQ(FormatFloat00(-1.5), "-1.50");
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(2.4999), 2);
    EXPECT_EQ(RoundHalfEven(-2.6), -3);
    EXPECT_EQ(RoundHalfEven(8.0), 8);
}
