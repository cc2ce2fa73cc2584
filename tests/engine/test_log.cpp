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

TEST(Log, BoldFormsAndLocations)
{
    GetLog().MessageBold("bold %d message", 7);
    GetLog().ErrorBold("%s", "bold-error");
    GetLog().ErrorAt(9, nullptr, "%s", "error-without-file");
    GetLog().Write(1, nullptr);
    GetLog().Warning("Warning: cursor '%s' not found!", "arrowx");
    const std::string log = ReadLog();
    EXPECT_NE(log.find("Color = BLACK Face = Verdana><B>bold 7 message</B></Font>"), std::string::npos);
    EXPECT_NE(log.find("Color = RED Face = Verdana><B>bold-error</B></Font>"), std::string::npos);
    EXPECT_NE(log.find("Color = RED Face = Verdana>error-without-file</Font>"), std::string::npos);
    EXPECT_NE(log.find("Color = #FF00FF Face = Verdana>Warning: cursor 'arrowx' not found!</Font>"), std::string::npos);
}

TEST(Log, AtFormsAreCutAt500AndKeepTheLocationOnlyWhenItFits)
{
    const std::string fits(480, 'f');
    GetLog().ErrorAt(12, "long.cpp", "%s", fits.c_str());
    const std::string tooLong(600, 'g');
    GetLog().WarningAt(13, "long.cpp", "%s", tooLong.c_str());
    const std::string log = ReadLog();
    // 480 characters leave room for part of the location: the row is cut at 500 characters
    const std::string suffix = "<Font Color = DARKGRAY>  [long.cpp, line 12]</Font>";
    EXPECT_NE(log.find(fits + suffix.substr(0, 20) + "</Font></td>"), std::string::npos);
    EXPECT_NE(log.find(std::string(500, 'g') + "</Font></td>"), std::string::npos);
    EXPECT_EQ(log.find("line 13"), std::string::npos);
}

TEST(Log, SeparatorAndSystemReport)
{
    const size_t start = ReadLog().size();
    GetLog().WriteSystemInfo();
    const std::string added = ReadLog().substr(start);
    const char* rows[] = {
        "<hr width=100% noshade size='1px'>", "Color = BLUE Face = Verdana><B>Operating System</B>",
        "Color = BLACK Face = Verdana> </Font>", "Color = BLUE Face = Verdana><B>CPU info</B>",
        "Color = BLUE Face = Verdana> </Font>", "Color = BLUE Face = Verdana><B>Memory status</B>",
        "Color = BLUE Face = Verdana>Physical Memory (free/total): ", "Color = BLUE Face = Verdana>Page File (free/total): ",
        "<hr width=100% noshade size='1px'>",
    };
    size_t at = 0;
    for (const char* row : rows) {
        const size_t found = added.find(row, at);
        ASSERT_NE(found, std::string::npos) << row << "\n" << added;
        at = found + 1;
    }
    EXPECT_EQ(Count(added, "\n"), Count(added, "<Table cellspacing=0 cellpadding=0 border=0>"));
}

TEST(Log, EachStartTruncatesAndTheClosedLogStaysClosed)
{
    GTEST_FLAG_SET(death_test_style, "fast");
    const std::string path = GetLog().GetPath();
    EXPECT_EXIT(
        {
            CLog first;
            first.Message("first-run");
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_NE(ReadLog().find("first-run"), std::string::npos);
    EXPECT_EXIT(
        {
            std::string closed;
            {
                CLog second;
                second.Message("second-run");
            }
            std::ifstream in(path);
            std::stringstream s;
            s << in.rdbuf();
            closed = s.str();
            GetLog().Error("%s", "after-the-end");  // dropped: the log is closed
            std::ifstream again(path);
            std::stringstream t;
            t << again.rdbuf();
            const bool ok = closed.rfind("<Title>Log File</Title>", 0) == 0 && closed.find("first-run") == std::string::npos &&
                            closed.find("second-run") != std::string::npos &&
                            closed.size() >= 15 && closed.substr(closed.size() - 15) == "</Body> </Html>" && t.str() == closed;
            std::_Exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(ReadLog().find("first-run"), std::string::npos);
}
