// The label formatter against formats that do not match their parameters.
#include "engine/text/engine_langtext.h"

#include <gtest/gtest.h>

namespace {

using zf::FormatLabelText;

struct FormatCase {
    const char* format;
    CParamValue p1;
    CParamValue p2;
    const char* expected;
};

TEST(LabelFormat, MatchingParametersFormatAsPrintfDoes)
{
    const FormatCase cases[] = {
        {"%d/%d", 3, 10, "3/10"},
        {"Score: %d", 1250, CParamValue(), "Score: 1250"},
        {"%s wins", "Anna", CParamValue(), "Anna wins"},
        {"%05d|%-4d|", 42, 7, "00042|7   |"},
        {"%+d", 5, CParamValue(), "+5"},
        {"%x %X", 255, 255, "ff FF"},
        {"%#x", 255, CParamValue(), "0xff"},
        {"%.2f", 1.5f, CParamValue(), "1.50"},
        {"%8.3f", 3.25f, CParamValue(), "   3.250"},
        {"%ld and %lld", 1, 2, "1 and 2"},
        {"%hd%%", 50, CParamValue(), "50%"},
        {"%5s|%-5s|", "ab", "cd", "   ab|cd   |"},
        {"%.2s", "abcdef", CParamValue(), "ab"},
        {"%c%c", 'O', 'K', "OK"},
        {"100%% sure", 1, CParamValue(), "100% sure"},
        {"%u", -1, CParamValue(), "4294967295"},
        {"Level %d|of %d", 2, 12, "Level 2|of 12"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatLabelText(c.format, c.p1, c.p2), c.expected) << c.format;
}

TEST(LabelFormat, HostileFormatsNeverReadPastTheParameters)
{
    const FormatCase cases[] = {
        // A conversion of another kind than the parameter converts the parameter.
        {"%s", 42, CParamValue(), "42"},
        {"%s", 1.5f, CParamValue(), "1.500000"},
        {"%d", "17 apples", CParamValue(), "17"},
        {"%d", "apples", CParamValue(), "0"},
        {"%d", "0x1F", CParamValue(), "31"},
        {"%d", 2.9f, CParamValue(), "2"},
        {"%.1f", 3, CParamValue(), "3.0"},
        {"%f", "2.5", CParamValue(), "2.500000"},
        {"%c", "xyz", CParamValue(), "x"},
        {"%c", 0, CParamValue(), " "},
        // Too few parameters: the missing ones are 0 or empty.
        {"%d and %d", 1, CParamValue(), "1 and 0"},
        {"%s|%s|%s", "a", "b", "a|b|"},
        {"%d %d %d", 1, 2, "1 2 0"},
        {"[%s]", CParamValue(), CParamValue(), "[]"},
        // Too many parameters: the extra one is ignored.
        {"Only text", 5, 6, "Only text"},
        {"%d", 5, 6, "5"},
        // Stray and malformed percent signs are kept as text.
        {"100%", 5, CParamValue(), "100%"},
        {"50% off", 5, CParamValue(), "50% off"},
        {"%", 1, 2, "%"},
        {"%-", 1, 2, "%-"},
        {"%5", 1, 2, "%5"},
        {"%.", 1, 2, "%."},
        {"%l", 1, 2, "%l"},
        {"%y%d", 1, 2, "%y1"},
        // Conversions that would write memory, print pointers or take extra arguments are text.
        {"%n%d", 1, 2, "%n1"},
        {"%p", 1, 2, "%p"},
        {"%*d", 1, 2, "%*d"},
        {"%.*s", "ab", 2, "%.*s"},
        {"%1$s", "a", "b", "%1$s"},
        // A parameter's text is never taken for a format.
        {"%s", "%s%n%d", CParamValue(), "%s%n%d"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatLabelText(c.format, c.p1, c.p2), c.expected) << c.format;
}

TEST(LabelFormat, HugeFieldsAndLongTextsStayWithinTheLimit)
{
    const std::string wide = FormatLabelText("%999999999999d", 1, CParamValue());
    EXPECT_EQ(wide.size(), 511u);
    EXPECT_EQ(FormatLabelText("%.99999f", 1.0f, CParamValue()).size(), 511u);
    EXPECT_EQ(FormatLabelText("%-600s|", "x", CParamValue()).size(), 511u);
    EXPECT_EQ(FormatLabelText("%e", 3.0e38f, CParamValue()), "3.000000e+38");
    EXPECT_EQ(FormatLabelText(std::string(2000, 'a'), CParamValue(), CParamValue()).size(), 511u);
    EXPECT_EQ(FormatLabelText(std::string(400, 'a') + "%s", std::string(400, 'b'), CParamValue()).size(), 511u);
    EXPECT_EQ(FormatLabelText("%s%s", std::string(300, 'b'), std::string(300, 'c'), 100).size(), 100u);
}

} // namespace
