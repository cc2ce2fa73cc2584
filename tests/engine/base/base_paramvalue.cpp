#include "engine/base/engine_paramvalue.h"

#include <gtest/gtest.h>

#include <climits>
#include <cfloat>
#include <cmath>
#include <string>

TEST(TextConversions, StringToInt)
{
    struct Case { const char* text; int expected; };
    const Case cases[] = {
        {"42", 42}, {" -7", -7}, {"12abc", 12}, {"abc", 0}, {"0x1F", 31}, {"1F", 1}, {"10x", 16},
        {"", 0}, {"+5", 5}, {"max", 0}, {"xyz", 0}, {"0xffffffff", -1}, {"99999999999", INT_MAX},
        {"-99999999999", INT_MIN}, {"\t 3", 3}, {"-", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StringToInt(c.text), c.expected) << '"' << c.text << '"';
        EXPECT_EQ(CharsToInt(c.text), c.expected) << '"' << c.text << '"';
    }
    EXPECT_EQ(CharsToInt(nullptr), 0);
}

TEST(TextConversions, HexToIntGivesTheBits)
{
    EXPECT_EQ(static_cast<uint32_t>(HexToInt("FFFFFFFF")), 0xFFFFFFFFu);
    EXPECT_EQ(HexToInt("FFFFFFFF"), -1);
    EXPECT_EQ(HexToInt("645B5B5B"), 0x645B5B5B);
    EXPECT_EQ(static_cast<uint32_t>(HexToInt("80FF0000")), 0x80FF0000u);
    EXPECT_EQ(HexToInt(""), 0);
}

TEST(TextConversions, FloatsAndTheirText)
{
    EXPECT_EQ(FloatToString(1.5f), "1.500000");
    EXPECT_FLOAT_EQ(StringToFloat(FloatToString(1.5f)), 1.5f);
    EXPECT_EQ(FloatToString(-0.25f), "-0.250000");
    EXPECT_FLOAT_EQ(StringToFloat(" 2.5xyz"), 2.5f);
    EXPECT_FLOAT_EQ(StringToFloat("abc"), 0.0f);
    EXPECT_FLOAT_EQ(CharsToFloat("-3"), -3.0f);
    struct Case { const char* text; float value; };
    for (const Case& c : {Case{"1e3", 1000.0f}, Case{"1e", 1.0f}, Case{".5", 0.5f}, Case{"-.5e-1x", -0.05f}, Case{"0x10", 0.0f},
                          Case{"inf", 0.0f}, Case{"nan", 0.0f}, Case{"+", 0.0f}, Case{".", 0.0f}, Case{"", 0.0f}})
        EXPECT_FLOAT_EQ(StringToFloat(c.text), c.value) << c.text;
    EXPECT_EQ(FloatToString(1e30f).substr(0, 6), "100000");  // long "%f" texts are not cut
    EXPECT_EQ(FloatToString(-FLT_MAX), "-340282346638528859811704183484516925440.000000");
    EXPECT_EQ(IntToString(-12), "-12");
    EXPECT_EQ(IntToString(0), "0");
}

TEST(TextConversions, FormatIntAndTime)
{
    EXPECT_EQ(FormatInt(4000000000u), "4000000000");
    struct Case { uint32_t ms; const char* text; };
    for (const Case& c : {Case{3725000, "1:02:05"}, Case{65000, "1:05"}, Case{999, "0:00"}, Case{3600000, "1:00:00"},
                          Case{3599999, "59:59"}, Case{0xFFFFFFFFu, "1193:02:47"}})
        EXPECT_EQ(FormatTime(c.ms), c.text) << c.ms;
}

TEST(ParamValue, ConversionsByKind)
{
    EXPECT_EQ(CParamValue(2.9f).AsInt(), 2);
    EXPECT_EQ(CParamValue(-2.9f).AsInt(), -2);
    EXPECT_EQ(CParamValue(NAN).AsInt(), 0);
    EXPECT_EQ(CParamValue(1e20f).AsInt(), INT_MAX);
    EXPECT_EQ(CParamValue().AsInt(), 0);
    EXPECT_FLOAT_EQ(CParamValue(7).AsFloat(), 7.0f);
    EXPECT_EQ(CParamValue().ToString(), "");
    EXPECT_EQ(CParamValue(7).GetText(), "");
    EXPECT_EQ(&CParamValue(7).GetText(), &GetEmptyString());
    EXPECT_EQ(CParamValue("t").GetText(), "t");
    EXPECT_FLOAT_EQ(CParamValue(1.25f).GetFloat(), 1.25f);
    EXPECT_FLOAT_EQ(CParamValue(3).GetFloat(), 0.0f);
}

TEST(ParamValue, EmptinessAndEquality)
{
    EXPECT_TRUE(CParamValue().IsEmpty());
    EXPECT_TRUE(CParamValue(0).IsEmpty());
    EXPECT_TRUE(CParamValue(0.0f).IsEmpty());
    EXPECT_TRUE(CParamValue("").IsEmpty());
    EXPECT_FALSE(CParamValue("0").IsEmpty());
    EXPECT_FALSE(CParamValue(1).IsEmpty());

    EXPECT_FALSE(CParamValue(1) == CParamValue(1.0f));
    EXPECT_TRUE(CParamValue() == CParamValue());
    EXPECT_TRUE(CParamValue(3) == CParamValue(3));
    EXPECT_FALSE(CParamValue(NAN) == CParamValue(NAN));
    EXPECT_TRUE(CParamValue("ab") == CParamValue(std::string("ab")));
    EXPECT_FALSE(CParamValue("ab") == CParamValue("aB"));
}

TEST(ParamValue, ParamSnprintfFormatsMatchingParameters)
{
    char buf[64];
    struct Case { const char* format; CParamValue p1, p2; const char* text; };
    const Case cases[] = {
        {"Score: %d", CParamValue(120), {}, "Score: 120"},
        {"%s has %d", CParamValue("Ann"), CParamValue(3), "Ann has 3"},
        {"%.2f%%", CParamValue(12.5f), {}, "12.50%"},
        {"%05d|%-4s|", CParamValue(42), CParamValue("ab"), "00042|ab  |"},
        {"%X", CParamValue(255), {}, "FF"},
        {"no params", {}, {}, "no params"},
        // mismatched parameters are converted, never read as garbage
        {"%s", CParamValue(7), {}, "7"},
        {"%d", CParamValue("15"), {}, "15"},
        {"%d", CParamValue(2.7f), {}, "2"},
        {"%s and %s", CParamValue("one"), {}, "one and "},
        {"%d%d%d", CParamValue(1), CParamValue(2), "120"},
        {"100%", {}, {}, "100%"},
        {"%n%p", CParamValue(1), {}, "%n%p"},
        // a space after '%' is text, not a flag: "% o" would turn "off" into a number
        {"50% off", CParamValue(5), {}, "50% off"},
        {"%c%c", CParamValue("xyz"), CParamValue(0), "x "},
    };
    for (const Case& c : cases) {
        const int n = ParamSnprintf(buf, sizeof buf, c.format, c.p1, c.p2);
        EXPECT_STREQ(buf, c.text) << c.format;
        EXPECT_EQ(n, static_cast<int>(std::string(c.text).size())) << c.format;
    }
}

TEST(ParamValue, ParamSnprintfCutsToTheBuffer)
{
    char buf[6] = "xxxxx";
    EXPECT_EQ(ParamSnprintf(buf, sizeof buf, "%s!", CParamValue("abcdefgh")), 9);
    EXPECT_STREQ(buf, "abcde");
    EXPECT_EQ(ParamSnprintf(buf, 0, "%d", CParamValue(5)), 1);  // nothing written
    EXPECT_STREQ(buf, "abcde");
    char big[8];
    EXPECT_GT(ParamSnprintf(big, sizeof big, "%999999999d", CParamValue(1)), 0);  // huge widths are capped
}
