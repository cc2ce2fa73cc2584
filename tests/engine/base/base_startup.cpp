// What start-up relies on from the engine's base: the user folder under any environment, the
// processor line of the system report from any cpuinfo text, and the last error for a failure report.
#include "engine/base/engine_log.h"
#include "engine/base/engine_userfolder.h"

#include "support/test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>

using zftest::TempDir;
using zftest::WriteText;

namespace {

TEST(UserFolder, FollowsTheXdgRulesAndIsNeverMadeElsewhere)
{
    TempDir dir;
    WriteText(dir / "file", "a file, not a folder");
    const std::string data = dir / "data", home = dir / "home", file = dir / "file", below = dir / "file/x";
    struct Case {
        const char* name;
        const char* xdg;
        const char* home;
        std::string path;      // "" when there is no folder
        bool problem;
    };
    const Case cases[] = {
        {"data home", data.c_str(), home.c_str(), data + "/Tovrin/Zerafine/", false},
        {"empty data home counts as unset", "", home.c_str(), home + "/.local/share/Tovrin/Zerafine/", false},
        {"unset data home", nullptr, home.c_str(), home + "/.local/share/Tovrin/Zerafine/", false},
        {"relative data home counts as unset", "rel/share", home.c_str(), home + "/.local/share/Tovrin/Zerafine/",
         false},
        {"data home is a file", file.c_str(), home.c_str(), "", true},
        {"data home below a file", below.c_str(), home.c_str(), "", true},
        {"data home cannot be written", "/proc/self", home.c_str(), "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const UserFolderState state = MakeUserFolder(c.xdg, c.home);
        EXPECT_EQ(state.path, c.path);
        EXPECT_EQ(state.problem.empty(), !c.problem) << state.problem;
        EXPECT_EQ(state.writable, !c.problem);
        if (c.path.empty()) continue;
        struct stat st {};
        ASSERT_EQ(::stat(c.path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
    }
    EXPECT_FALSE(std::filesystem::exists("Tovrin"));   // never in the current folder
    EXPECT_FALSE(std::filesystem::exists("/Tovrin"));   // nor at the root
}

TEST(UserFolder, FilePathsAreEmptyWithoutAFolder)
{
    // The test program's folder exists (the test script points XDG_DATA_HOME at a temporary folder).
    ASSERT_FALSE(GetUserDataFolder().empty());
    EXPECT_TRUE(IsUserFolderWritable());
    EXPECT_EQ(UserFilePath("Config.xml"), GetUserDataFolder() + "Config.xml");
}

TEST(SystemReport, ProcessorLineToleratesAnyCpuinfoText)
{
    const std::pair<const char*, const char*> cases[] = {
        {"vendor_id\t: GenuineTest\ncpu MHz\t\t: 2400.123\n", "GenuineTest  Approx 2400Mhz"},
        {"vendor_id\t:\ncpu MHz\t: 100\n", ""},                          // empty vendor value
        {"vendor_id\t: V\ncpu MHz\t:\n", "V  Approx 0Mhz"},              // empty value after the colon
        {"vendor_id\t: V\ncpu MHz   :   \t\n", "V  Approx 0Mhz"},        // only blanks after the colon
        {"vendor_id\nvendor_id: W\n", "W  Approx 0Mhz"},                 // a line without colon
        {"vendor_id: V\ncpu MHz: 99999999999999999999\n", "V  Approx 2147483647Mhz"},
        {"vendor_id: V\ncpu MHz: -5\n", "V  Approx 0Mhz"},
        {"processor: 0\n", ""},
        {"", ""},
    };
    for (const auto& [text, line] : cases) {
        std::istringstream in(text);
        EXPECT_EQ(CpuInfoSummary(in), line) << text;
    }
}

TEST(LogErrors, RecentErrorsAreKeptWithoutMarkupOrLocation)
{
    CLog& log = GetLog();
    const int before = log.GetErrorCount();
    log.Warning("not an error");
    EXPECT_EQ(log.GetErrorCount(), before);
    log.ErrorBold("Error: bold %d", 1);
    EXPECT_EQ(log.GetRecentErrors().back(), "Error: bold 1");
    log.ErrorAt(12, "file.cpp", "Error: %s", "\"Failed to load levels data!\"");
    EXPECT_EQ(log.GetRecentErrors().back(), "Error: \"Failed to load levels data!\"");
    EXPECT_EQ(log.GetErrorCount(), before + 2);
    for (size_t i = 0; i < 2 * CLog::kRecentErrors; ++i) log.Error("Error: %zu", i);
    ASSERT_EQ(log.GetRecentErrors().size(), CLog::kRecentErrors);
    EXPECT_EQ(log.GetRecentErrors().front(), "Error: " + std::to_string(CLog::kRecentErrors));
}

} // namespace
