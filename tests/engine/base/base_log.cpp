#include "engine/base/engine_log.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>

using zftest::CountOf;
using zftest::LogWatch;
using zftest::ReadLog;
using zftest::ReadTextFile;

TEST(Log, RowsCarryTheColourOfTheirLevel)
{
    struct Case { int level; const char* colour; };
    for (const Case c : {Case{1, "BLACK"}, Case{2, "BLUE"}, Case{3, "#FF00FF"}, Case{4, "RED"}, Case{7, "GREEN"}}) {
        const std::string marker = "row-of-level-" + std::to_string(c.level);
        const LogWatch log;
        GetLog().Write(c.level, "%s", marker.c_str());
        EXPECT_TRUE(log.Has(std::string("Color = ") + c.colour + " Face = Verdana>" + marker + "</Font>")) << c.level;
    }
}

TEST(Log, LevelZeroWritesNothingButItsBoldFormDoes)
{
    const LogWatch log;
    GetLog().Write(0, "%s", "plain-level-zero");
    GetLog().WriteBold(0, "%s", "bold-level-zero");
    EXPECT_FALSE(log.Has("plain-level-zero"));
    EXPECT_TRUE(log.Has("Color = DARKCYAN Face = Verdana><B>bold-level-zero</B>"));
}

TEST(Log, LongTextsAreCut)
{
    const LogWatch log;
    const std::string longText(300, 'q');
    GetLog().Message("%s", longText.c_str());
    EXPECT_EQ(log.Count(std::string(255, 'q') + "</Font>"), 1u);
    EXPECT_FALSE(log.Has(std::string(256, 'q')));
}

TEST(Log, WarningAtAddsTheSourceLocation)
{
    const LogWatch log;
    GetLog().WarningAt(42, "engine_demo.cpp", "Verify {%s} failed", "p != NULL");
    EXPECT_TRUE(log.Has("Verify {p != NULL} failed<Font Color = DARKGRAY>  [engine_demo.cpp, line 42]</Font>"));
}

TEST(Log, BoldFormsAndLocations)
{
    const LogWatch watch;
    GetLog().MessageBold("bold %d message", 7);
    GetLog().ErrorBold("%s", "bold-error");
    GetLog().ErrorAt(9, nullptr, "%s", "error-without-file");
    GetLog().Write(1, nullptr);
    GetLog().Warning("Warning: cursor '%s' not found!", "arrowx");
    const std::string log = watch.Text();
    EXPECT_NE(log.find("Color = BLACK Face = Verdana><B>bold 7 message</B></Font>"), std::string::npos);
    EXPECT_NE(log.find("Color = RED Face = Verdana><B>bold-error</B></Font>"), std::string::npos);
    EXPECT_NE(log.find("Color = RED Face = Verdana>error-without-file</Font>"), std::string::npos);
    EXPECT_NE(log.find("Color = #FF00FF Face = Verdana>Warning: cursor 'arrowx' not found!</Font>"), std::string::npos);
}

TEST(Log, AtFormsAreCutAt500AndKeepTheLocationOnlyWhenItFits)
{
    const LogWatch watch;
    const std::string fits(480, 'f');
    GetLog().ErrorAt(12, "long.cpp", "%s", fits.c_str());
    const std::string tooLong(600, 'g');
    GetLog().WarningAt(13, "long.cpp", "%s", tooLong.c_str());
    const std::string log = watch.Text();
    // 480 characters leave room for part of the location: the row is cut at 500 characters
    const std::string suffix = "<Font Color = DARKGRAY>  [long.cpp, line 12]</Font>";
    EXPECT_NE(log.find(fits + suffix.substr(0, 20) + "</Font></td>"), std::string::npos);
    EXPECT_NE(log.find(std::string(500, 'g') + "</Font></td>"), std::string::npos);
    EXPECT_EQ(log.find("line 13"), std::string::npos);
}

TEST(Log, SeparatorAndSystemReport)
{
    const LogWatch log;
    GetLog().WriteSystemInfo();
    const std::string added = log.Text();
    EXPECT_TRUE(zftest::InOrder(added, {
        "<hr width=100% noshade size='1px'>", "Color = BLUE Face = Verdana><B>Operating System</B>",
        "Color = BLACK Face = Verdana> </Font>", "Color = BLUE Face = Verdana><B>CPU info</B>",
        "Color = BLUE Face = Verdana> </Font>", "Color = BLUE Face = Verdana><B>Memory status</B>",
        "Color = BLUE Face = Verdana>Physical Memory (free/total): ", "Color = BLUE Face = Verdana>Page File (free/total): ",
        "<hr width=100% noshade size='1px'>",
    })) << added;
    EXPECT_EQ(CountOf(added, "\n"), CountOf(added, "<Table cellspacing=0 cellpadding=0 border=0>"));
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
            {
                CLog second;
                second.Message("second-run");
            }
            const std::string closed = ReadTextFile(path);
            GetLog().Error("%s", "after-the-end");  // dropped: the log is closed
            const bool ok = closed.rfind("<Title>Log File</Title>", 0) == 0 && closed.find("first-run") == std::string::npos &&
                            closed.find("second-run") != std::string::npos && closed.size() >= 15 &&
                            closed.substr(closed.size() - 15) == "</Body> </Html>" && ReadTextFile(path) == closed;
            std::_Exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(ReadLog().find("first-run"), std::string::npos);
}
