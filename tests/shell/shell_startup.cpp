// Start-up that never fails silently and never needs to write: settings saved only when they
// change and repaired when out of range, content errors of the episode list found at start, stale
// temporaries of killed saves removed, damaged user files kept aside copy after copy, and the one
// line that reports a failed stage.
#include "support/shell_test_util.h"

#include "engine/core/engine_core.h"
#include "engine/base/engine_filesys.h"
#include "engine/text/engine_langtext.h"
#include "engine/base/engine_userfolder.h"
#include "engine/base/engine_xml.h"
#include "player/player_profiles.h"
#include "player/player_hiscores.h"
#include "shell/main_entry.h"
#include "settings/main_settings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>

using namespace shell_test;

namespace {

std::string OptionsAttr(const std::string& path, const char* name)
{
    CXMLFile file(path);
    return file.SelectSingleNode("//Config/Options").GetAttribute(name, "");
}

class StartupSettings : public ::testing::Test {
protected:
    TempDir user;
    TempDir current;
    ScopedChdir in_current{current.path()};
    std::string path = user / "Config.xml";
};

TEST_F(StartupSettings, OutOfRangeValuesAreRepairedOnLoadAndTheFileMended)
{
    struct Case {
        const char* attribute;
        const char* stored;
        int SettingsRecord::*field;
        int used;
    };
    const Case cases[] = {
        {"snd_vol", "2147483647", &SettingsRecord::snd_vol, 100},
        {"snd_vol", "-1", &SettingsRecord::snd_vol, 0},
        {"mus_vol", "101", &SettingsRecord::mus_vol, 100},
        {"gamma", "99", &SettingsRecord::gamma, kMaxGamma},
        {"gamma", "-4", &SettingsRecord::gamma, 0},
        {"sensitivity", "0", &SettingsRecord::sensitivity, 1},
        {"sensitivity", "500", &SettingsRecord::sensitivity, 20},
        {"language", "-3", &SettingsRecord::language, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.attribute) + "=" + c.stored);
        WriteText(path, std::string("<Config><Options keys=\"1\" ") + c.attribute + "=\"" + c.stored + "\"/></Config>");
        CGameSettings settings(path);
        LogWatch mark;
        EXPECT_EQ(settings.EnsureLoaded().*c.field, c.used);
        EXPECT_TRUE(mark.Has(std::string("Warning: game setting ") + c.attribute + "=")) << mark.Text();
        EXPECT_EQ(OptionsAttr(path, c.attribute), std::to_string(c.used));
        EXPECT_EQ(OptionsAttr(path, "keys"), "1");   // what was set by hand stays
    }
}

TEST_F(StartupSettings, ValuesInRangeLeaveTheFileAlone)
{
    const std::string text = "<Config><Options  snd_vol=\"0\" mus_vol=\"100\" gamma=\"10\" sensitivity=\"20\"/></Config>";
    WriteText(path, text);
    CGameSettings settings(path);
    LogWatch mark;
    EXPECT_EQ(settings.EnsureLoaded().gamma, 10);
    EXPECT_FALSE(mark.Has("out of range")) << mark.Text();
    EXPECT_EQ(ReadTextFile(path), text);
}

TEST_F(StartupSettings, FailedSavesAreLoggedAndTheGameGoesOn)
{
    // A folder in place of the file: nothing can be written there.
    std::filesystem::create_directory(path);
    CGameSettings settings(path);
    LogWatch mark;
    EXPECT_NO_THROW(settings.EnsureLoaded());
    EXPECT_TRUE(settings.IsLoaded());   // the defaults, and no new attempt at every access
    EXPECT_EQ(settings.Record(), SettingsRecord());
    EXPECT_FALSE(settings.Save());
    SettingsRecord copy = settings.Record();
    copy.snd_vol = 5;
    EXPECT_FALSE(settings.Assign(copy));
    EXPECT_EQ(settings.Record().snd_vol, 5);   // the game goes on with the new values
    EXPECT_EQ(mark.Count("Error: \"Unable to save game settings!\""), 3u) << mark.Text();
    EXPECT_EQ(mark.Count("Unable to load game settings, create default."), 1u);
}

// The program's settings and text keeper on the shipped languages.
class StartupLanguage : public ::testing::Test {
protected:
    ScopedChdir in_data{ZF_GAME_DATA_DIR};
    std::string path = g_Settings.GetPath();
};

TEST_F(StartupLanguage, SelectingTheStoredLanguageWritesNothing)
{
    const std::string text = "<Config><Options   language=\"0\"/></Config>";   // a save would reformat it
    WriteText(path, text);
    g_Settings.Load();
    SetLanguage(0);
    EXPECT_EQ(ReadTextFile(path), text);
}

TEST_F(StartupLanguage, UnknownLanguageIsReplacedAndStoredOnce)
{
    const int unknown = static_cast<int>(CTextKeeper::Instance().GetLanguages().size()) + 3;
    WriteText(path, "<Config><Options language=\"" + std::to_string(unknown) + "\"/></Config>");
    g_Settings.Load();
    LogWatch mark;
    SetLanguage(g_Settings.EnsureLoaded().language);
    EXPECT_TRUE(mark.Has("incorrect language #" + std::to_string(unknown))) << mark.Text();
    EXPECT_EQ(g_Settings.Record().language, 0);
    EXPECT_EQ(OptionsAttr(path, "language"), "0");
    // The next start finds a valid index: no error any more.
    g_Settings.Load();
    LogWatch next;
    SetLanguage(g_Settings.EnsureLoaded().language);
    EXPECT_FALSE(next.Has("incorrect language")) << next.Text();
}

TEST(StartupEpisodes, ContentErrorsStopTheStartNamingFileAndEntry)
{
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> good_before;   // episodes before the damaged one
        const char* damaged;
        const char* line;
    };
    const Case cases[] = {
        {"level count", {{1, 1}}, "<Episode name='Two' level_count='3' bonus_level_count='1'><Level file='a'/>"
                                  "<Level file='b'/><Bonus file='c'/></Episode>",
         "content error in 'Settings\\Episodes.xml', episode #1 (\"Two\"): must be 3 levels in episode, found 2"},
        {"no bonus levels", {}, "<Episode name='One' level_count='1' bonus_level_count='0'><Level file='a'/></Episode>",
         "episode #0 (\"One\"): game can't run without bonus levels."},
        {"entry without file", {{2, 1}, {1, 1}}, "<Episode name='Three' level_count='2' bonus_level_count='1'>"
                                                 "<Level file='a'/><Level number='2'/><Bonus file='c'/></Episode>",
         "episode #2 (\"Three\"): Level entry 2 of the episode names no file."},
        {"bonus without file", {}, "<Episode level_count='1' bonus_level_count='1'><Level file='a'/><Bonus file=''/>"
                                   "</Episode>",
         "episode #0 (\"ERROR\"): Bonus entry 1 of the episode names no file."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string xml = EpisodesXml(c.good_before);
        xml.insert(xml.rfind("</Episodes>"), c.damaged);
        GameFolder folder(xml);
        ScriptedScenes scenes;
        CAppGame app(scenes.Set());
        LogWatch mark;
        EXPECT_FALSE(app.LoadEpisodes());
        EXPECT_TRUE(mark.Has(c.line)) << mark.Text();
        EXPECT_THROW(app.LoadPlayerData(), std::runtime_error);
    }
    GameFolder good(EpisodesXml({{2, 1}, {1, 2}}));
    ScriptedScenes scenes;
    CAppGame app(scenes.Set());
    EXPECT_TRUE(app.LoadEpisodes());
}

TEST(StartupUserFiles, StaleTemporariesOfKilledSavesAreRemoved)
{
    const std::string folder = GetUserDataFolder();
    ASSERT_FALSE(folder.empty());
    struct Case {
        const char* name;
        bool old;
        bool removed;
    };
    const Case cases[] = {
        {"Config.xml.Ab3dE9", true, true},     {"Profiles.xml.x1y2z3", true, true},
        {"Hiscores.xml.QWERTY", true, true},   {"Profiles.xml.k9k9k9", false, false},   // a save in progress
        {"Config.xml.bad-1", true, false},     {"Profiles.xml.bad-12", true, false},    // kept-aside copies
        {"Other.xml.abcdef", true, false},     {"Config.xml.abc", true, false},
        {"Config.xml.abcdefg", true, false},   {"Config.xml", true, false},
    };
    const std::string config = ReadTextFile(folder + "Config.xml");
    for (const Case& c : cases) {
        WriteText(folder + c.name, "partial");
        if (c.old)
            std::filesystem::last_write_time(folder + c.name, std::filesystem::file_time_type::clock::now() -
                                                                  std::chrono::seconds(kStaleTemporaryAge + 5));
    }
    LogWatch mark;
    EXPECT_EQ(RemoveStaleUserTemporaries(), 3);
    for (const Case& c : cases) {
        EXPECT_EQ(std::filesystem::exists(folder + c.name), !c.removed) << c.name;
        if (!c.removed && std::string(c.name) != "Config.xml") std::filesystem::remove(folder + c.name);
    }
    EXPECT_TRUE(mark.Has("Config.xml.Ab3dE9', left by a save that did not finish.")) << mark.Text();
    WriteText(folder + "Config.xml", config);
}

TEST(StartupUserFiles, EveryDamagedCopyIsKeptAside)
{
    TempDir dir;
    ScopedChdir in_dir(dir.path());
    const std::string damaged[] = {"<Config><Options", "<Profiles><Profile name=\"A\"", "<Hiscores><Table"};
    struct Kind {
        const char* file;
        std::function<void(const std::string&)> load;
    };
    const Kind kinds[] = {
        {"Config.xml", [](const std::string& path) { CGameSettings(path).EnsureLoaded(); }},
        {"Profiles.xml", [](const std::string& path) { CProfiles().Load(path); }},
        {"Hiscores.xml", [](const std::string& path) { CHiscores().Load(path); }},
    };
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.file);
        const std::string path = GetUserDataFolder() + kind.file;
        for (int n = 1; n <= 3; ++n) std::filesystem::remove(path + ".bad-" + std::to_string(n));
        const std::string saved = ReadTextFile(path);
        const bool had = std::filesystem::exists(path);
        for (int round = 0; round < 2; ++round) {
            WriteText(path, damaged[round] + std::to_string(round));
            kind.load(path);
        }
        EXPECT_EQ(ReadTextFile(path + ".bad-1"), damaged[0] + "0");
        EXPECT_EQ(ReadTextFile(path + ".bad-2"), damaged[1] + "1");
        for (int n = 1; n <= 2; ++n) std::filesystem::remove(path + ".bad-" + std::to_string(n));
        if (had) WriteText(path, saved);
        else std::filesystem::remove(path);
    }
}

TEST(StartupReport, FailedStageIsDescribedWithTheErrorBehindIt)
{
    struct Case {
        const char* name;
        std::function<void()> stage;
        const char* reason;
        const char* detail;
    };
    const Case cases[] = {
        {"missing file", [] { CXMLFile xml("Settings\\Nowhere.xml"); }, "error opening xml!",
         "Error: failed to open XML file 'Settings\\Nowhere.xml'!"},
        {"logged then thrown", [] {
             GetLog().Error("Error: the cause");
             THROW_ERROR("\"Failed to load levels data!\"");
         },
         "\"Failed to load levels data!\"", "Error: the cause"},
        {"thrown without a log line", [] { throw std::logic_error("plain"); }, "plain", ""},
        {"not an exception", [] { throw 5; }, "unknown exception", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GetLog().Error("Error: an earlier stage's problem");
        StageFailure failure;
        EXPECT_EQ(RunStages({[] {}, c.stage, [] {}}, nullptr, &failure), 2);
        EXPECT_EQ(failure.stage, 2);
        EXPECT_EQ(failure.reason, c.reason);
        EXPECT_EQ(failure.detail, c.detail);
    }
    const StageFailure failure{3, "error opening xml!", "Error: failed to open XML file 'Settings\\Episodes.xml'!"};
    EXPECT_EQ(StageFailureText(failure, "/home/u/log.html"),
              "Zerafine stopped: stage 3 (loading the game) failed: error opening xml! - Error: failed to open XML "
              "file 'Settings\\Episodes.xml'! The log is /home/u/log.html");
    EXPECT_EQ(StageFailureText({1, "x", ""}, ""), "Zerafine stopped: stage 1 (game folder and settings) failed: x "
                                                  "No log was written.");
}

TEST(StartupReport, MessageBoxOnlyWithADisplay)
{
    struct Case {
        const char* driver;
        const char* x11;
        const char* wayland;
        bool shown;
    };
    const Case cases[] = {
        {nullptr, ":0", nullptr, true},      {"x11", ":1", nullptr, true},   {nullptr, nullptr, "wayland-0", true},
        {"wayland", nullptr, "wayland-0", true}, {"dummy", ":0", nullptr, false}, {"offscreen", ":0", "w", false},
        {nullptr, nullptr, nullptr, false},  {nullptr, "", "", false},       {"x11", nullptr, nullptr, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CanShowMessageBox(c.driver, c.x11, c.wayland), c.shown)
            << (c.driver ? c.driver : "-") << " " << (c.x11 ? c.x11 : "-") << " " << (c.wayland ? c.wayland : "-");
    // The tests run under the dummy driver: no box, and no wait.
    EXPECT_FALSE(ShowErrorMessage("Zerafine", "test"));
}

} // namespace
