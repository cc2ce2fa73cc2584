// Program entry: the test start from the command line, the stages with their crash reports and
// exit codes, and the statistics page.
#include "support/shell_test_util.h"

#include "engine/base/engine_sehtrans.h"
#include "shell/main_entry.h"

#include <gtest/gtest.h>

#include <climits>
#include <csignal>

using namespace shell_test;

namespace {

TEST(Entry, CommandLineTestStartTable)
{
    struct Row { bool keys; const char* line; bool test_mode; int episode, level, bonus; };
    const Row rows[] = {
        {false, "2 5", false, -999, 0, -1},
        {true, "2 5", true, 2, 5, 0},
        {true, "abc", true, -999, 0, 0},
        {true, "", false, -999, 0, -1},
        {true, "3", true, 3, 0, 0},
        {true, "2 5 9", true, 2, 5, 0},
        {true, "1 2 0", true, 1, 2, 0},
        {true, "  -1\t4", true, -1, 4, 0},
        {true, "7 x 3", true, 7, 0, 0},
        {true, "99999999999 -99999999999", true, INT_MAX, INT_MIN, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "keys " << r.keys << " line '" << r.line << "'");
        ResetGlobals();
        EXPECT_EQ(ApplyTestCommandLine(r.keys, r.line), r.test_mode);
        CVariableRegistry& vars = GetGlobalVars();
        EXPECT_EQ(vars.GetBool("test_mode"), r.test_mode);
        EXPECT_EQ(vars.GetInt("init_episode"), r.episode);
        EXPECT_EQ(vars.GetInt("init_level"), r.level);
        EXPECT_EQ(vars.GetInt("init_bonus_level"), r.bonus);
    }
    const char* argv[] = {"zerafine", "1", "2", "0"};
    EXPECT_EQ(JoinCommandLine(4, const_cast<char**>(argv)), "1 2 0");
    EXPECT_EQ(JoinCommandLine(1, const_cast<char**>(argv)), "");
}

TEST(Entry, RegisteredVariablesKeepTheirValues)
{
    ResetGlobals();
    GetGlobalVars().SetInt("init_level", 5);
    RegisterGameVariables();
    EXPECT_EQ(GetGlobalVars().GetInt("init_level"), 5);
    EXPECT_EQ(GetGlobalVars().GetInt("city_start_state"), 0);
    EXPECT_EQ(GetGlobalVars().GetString("city_caller_scene"), "");
}

struct Thrown {
    const char* name;
    std::function<void()> raise;
    const char* line;
};

TEST(Entry, StageFailureTable)
{
    const Thrown kinds[] = {
        {"std::exception", [] { throw std::runtime_error("boom"); }, "Crush with exception raised: boom (WinMain)"},
        {"unknown", [] { throw 42; }, "Crush with unknown exception raised (WinMain)"},
        {"fault", [] { throw win32_exception("Division by zero", 0x1234, kCodeIntDivideByZero); },
         "Crush with exception raised: Division by zero (code C0000094) at 1234 (WinMain)"},
        {"access violation", [] { throw access_violation(0xBEEF, true, 0); },
         "Crush with exception raised: Access violation at BEEF: Bad write on 0 (WinMain)"},
    };
    for (int failing = 1; failing <= 7; ++failing) {
        for (const Thrown& kind : kinds) {
            SCOPED_TRACE(testing::Message() << "stage " << failing << ", " << kind.name);
            std::vector<int> ran;
            std::vector<std::function<void()>> stages;
            for (int s = 1; s <= 7; ++s)
                stages.push_back([&, s] {
                    ran.push_back(s);
                    EXPECT_EQ(GetCrashStage(), s);
                    if (s == failing) kind.raise();
                });
            int failed_with = 0;
            LogWatch mark;
            EXPECT_EQ(RunStages(stages, [&](int stage) { failed_with = stage; }), failing);
            EXPECT_EQ(failed_with, failing);
            EXPECT_EQ(ran.size(), static_cast<size_t>(failing));
            const std::string log = mark.Text();
            EXPECT_TRUE(InOrder(log, {kind.line, "Application crushed on stage " + std::to_string(failing) + "."})) << log;
        }
    }
    std::vector<std::function<void()>> fine(7, [] {});
    EXPECT_EQ(RunStages(fine, [](int) { FAIL(); }), 0);
    EXPECT_EQ(GetCrashStage(), 0);
}

TEST(Entry, CrashInTheSceneLoopIsReportedWithoutAStage)
{
    LogWatch mark;
    try {
        throw std::runtime_error("x");
    } catch (...) {
        EXPECT_EQ(HandleCrash("CAppGame::RunGame", 0), 0);
    }
    EXPECT_NE(mark.Text().find("Crush with exception raised: x (CAppGame::RunGame)"), std::string::npos);
    EXPECT_EQ(mark.Text().find("Application crushed on stage"), std::string::npos);
}

TEST(EntryDeathTest, HardwareFaultInAStageExitsWithTheStage)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer owns the fault signals";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto run = [] {
        InstallSeTranslator();
        std::vector<std::function<void()>> stages = {[] {}, [] {}, [] {}, [] { std::raise(SIGFPE); }};
        RunStages(stages, nullptr);
        std::exit(0);
    };
    EXPECT_EXIT(run(), ::testing::ExitedWithCode(4), "");
}

TEST(Entry, ExitCodesNeverReportAFailedLoopAsSuccess)
{
    EXPECT_EQ(ExitCodeOf(esNormal), 0);
    EXPECT_EQ(ExitCodeOf(esUserBreak), 0);
    EXPECT_EQ(ExitCodeOf(esFailed), ecAppFailed);
    EXPECT_EQ(ExitCodeOf(esCrashed), ecAppCrashed);
    EXPECT_EQ(ExitCodeOf(esNone), ecAppStrange);
    EXPECT_EQ(ExitCodeOf(esRunning), ecAppStrange);
    for (int code : {ecAppFailed, ecAppCrashed, ecAppStrange}) EXPECT_GT(code, 7);
}

TEST(Entry, StatisticsPageOnlyWithAHost)
{
    std::vector<std::string> opened;
    auto opener = [&](const std::string& url) {
        opened.push_back(url);
        return url.find("fail") == std::string::npos;
    };
    LogWatch mark;
    EXPECT_FALSE(OpenStatisticsPage("", opener));
    EXPECT_TRUE(opened.empty());
    EXPECT_NE(mark.Text().find("no page opened"), std::string::npos);

    EXPECT_TRUE(OpenStatisticsPage("stats.example.org", opener));
    EXPECT_FALSE(OpenStatisticsPage("http://fail.example.org", opener));
    EXPECT_EQ(opened, (std::vector<std::string>{"https://stats.example.org/stats/zerafine.html",
                                                "http://fail.example.org/stats/zerafine.html"}));
    EXPECT_NE(mark.Text().find("Fail 'open' launch http://fail.example.org/stats/zerafine.html"), std::string::npos);
}

} // namespace
