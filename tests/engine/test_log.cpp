#include "engine/engine_log.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string ReadLog()
{
    std::ifstream in(GetLog().GetPath());
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

} // namespace

TEST(Log, RowsCarryTheColourOfTheirLevel)
{
    struct Case { int level; const char* colour; };
    for (const Case c : {Case{1, "BLACK"}, Case{2, "BLUE"}, Case{3, "#FF00FF"}, Case{4, "RED"}, Case{7, "GREEN"}}) {
        const std::string marker = "row-of-level-" + std::to_string(c.level);
        GetLog().Write(c.level, "%s", marker.c_str());
        const std::string log = ReadLog();
        EXPECT_NE(log.find(std::string("Color = ") + c.colour + " Face = Verdana>" + marker + "</Font>"),
                  std::string::npos) << c.level;
    }
}

TEST(Log, LevelZeroWritesNothingButItsBoldFormDoes)
{
    GetLog().Write(0, "%s", "plain-level-zero");
    GetLog().WriteBold(0, "%s", "bold-level-zero");
    const std::string log = ReadLog();
    EXPECT_EQ(log.find("plain-level-zero"), std::string::npos);
    EXPECT_NE(log.find("Color = DARKCYAN Face = Verdana><B>bold-level-zero</B>"), std::string::npos);
}

TEST(Log, LongTextsAreCut)
{
    const std::string longText(300, 'q');
    GetLog().Message("%s", longText.c_str());
    const std::string log = ReadLog();
    EXPECT_EQ(Count(log, std::string(255, 'q') + "</Font>"), 1u);
    EXPECT_EQ(log.find(std::string(256, 'q')), std::string::npos);
}

TEST(Log, WarningAtAddsTheSourceLocation)
{
    GetLog().WarningAt(42, "engine_demo.cpp", "Verify {%s} failed", "p != NULL");
    EXPECT_NE(ReadLog().find("Verify {p != NULL} failed<Font Color = DARKGRAY>  [engine_demo.cpp, line 42]</Font>"),
              std::string::npos);
}
