// Episodes file, level progression and the level variables handed to the game scene.
#include "support/shell_test_util.h"

#include "engine/base/engine_xml.h"

#include <gtest/gtest.h>

#include <climits>

using namespace shell_test;

namespace {

class Progression : public ::testing::Test {
protected:
    void SetUp() override { ResetGlobals(); }

    // An application over the episodes, with the episode of the player loaded and a game in play.
    std::unique_ptr<CAppGame> Start(int episode)
    {
        auto app = std::make_unique<CAppGame>(scenes.Set());
        EXPECT_TRUE(app->LoadEpisodes());
        app->SetGamePlaying(true);
        EXPECT_TRUE(app->LoadEpisode(episode, app->GetEpisodeData()));
        return app;
    }

    ScriptedScenes scenes;
};

// ---------------------------------------------------------------------------------------------

struct EpisodeCase {
    const char* name;
    const char* xml;
    int index;
    bool ok;
    const char* error;          // a line the log must hold, or null
    size_t levels_kept;         // ordinary levels in the data afterwards
    const char* episode_name;
};

TEST_F(Progression, EpisodeFileCases)
{
    const EpisodeCase cases[] = {
        {"good", "<Episodes><Episode name='A' level_count='2' bonus_level_count='1'><Level number='7' file='a1'/>"
                 "<Level number='8' file='a2'/><Bonus number='9' file='ab'/></Episode></Episodes>",
         0, true, nullptr, 2, "A"},
        {"count mismatch", "<Episodes><Episode level_count='3' bonus_level_count='1'><Level file='a'/><Level file='b'/>"
                           "<Bonus file='c'/></Episode></Episodes>",
         0, false, "Error: must be 3 levels in episode, found 2", 0, "ERROR"},
        {"no bonus", "<Episodes><Episode name='B' level_count='1' bonus_level_count='0'><Level file='a'/></Episode></Episodes>",
         0, false, "Error: game can't run without bonus levels.", 1, "B"},
        {"no levels", "<Episodes><Episode name='C' level_count='0' bonus_level_count='1'><Bonus file='a'/></Episode></Episodes>",
         0, false, "Error: game can't run without levels.", 0, "C"},
        {"bonus mismatch", "<Episodes><Episode name='D' level_count='1' bonus_level_count='2'><Level file='a'/>"
                           "<Bonus file='b'/></Episode></Episodes>",
         0, false, "Error: must be 2 bonus levels in episode, found 1", 1, "D"},
        {"index past the end", "<Episodes><Episode level_count='1' bonus_level_count='1'><Level file='a'/><Bonus file='b'/>"
                               "</Episode></Episodes>",
         1, false, "Error: data for episode 1 not found.", 0, ""},
        {"negative index", "<Episodes><Episode level_count='1' bonus_level_count='1'><Level file='a'/><Bonus file='b'/>"
                           "</Episode></Episodes>",
         -999, false, "Error: data for episode -999 not found.", 0, ""},
    };
    for (const EpisodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        GameFolder folder(c.xml);
        CAppGame app(scenes.Set());
        LogWatch mark;
        EpisodeData data;
        EXPECT_EQ(app.LoadEpisode(c.index, data), c.ok);
        std::string log = mark.Text();
        EXPECT_NE(log.find("Loading episode #" + std::to_string(c.index) + "..."), std::string::npos);
        if (c.error) {
            EXPECT_NE(log.find(c.error), std::string::npos) << log;
        }
        EXPECT_EQ(data.levels.size(), c.levels_kept);
        EXPECT_EQ(data.name, c.episode_name);
    }
}

TEST_F(Progression, LoadedEpisodeKeepsDocumentOrderAndAttributes)
{
    GameFolder folder("<Episodes><Episode name='A' level_count='2' bonus_level_count='1'><Level number='7' file='a1'/>"
                      "<Level file='a2'/><Bonus number='9' file='Levels\\ab.xml'/></Episode>"
                      "<Episode level_count='1' bonus_level_count='1'><Level file='x'/><Bonus file='y'/></Episode></Episodes>");
    CAppGame app(scenes.Set());
    ASSERT_TRUE(app.LoadEpisodes());
    EXPECT_EQ(app.GetEpisodeCount(), 2);
    EpisodeData data;
    ASSERT_TRUE(app.LoadEpisode(0, data));
    ASSERT_EQ(data.levels.size(), 2u);
    EXPECT_EQ(data.levels[0].number, 7);
    EXPECT_EQ(data.levels[0].file, "a1");
    EXPECT_EQ(data.levels[1].number, 0);      // missing number
    EXPECT_EQ(data.levels[1].episode, 0);
    ASSERT_EQ(data.bonus_levels.size(), 1u);
    EXPECT_EQ(data.bonus_levels[0].file, "Levels\\ab.xml");
    EXPECT_EQ(data.level_count, 2);
    EXPECT_EQ(data.bonus_level_count, 1);
    ASSERT_TRUE(app.LoadEpisode(1, data));
    EXPECT_EQ(data.levels[0].episode, 1);
}

TEST_F(Progression, EpisodeListWithoutEpisodesFailsTheEntry)
{
    GameFolder folder("<Episodes/>");
    CAppGame app(scenes.Set());
    LogWatch mark;
    EXPECT_FALSE(app.LoadEpisodes());
    EXPECT_NE(mark.Text().find("No episodes found!"), std::string::npos);
    try {
        app.LoadPlayerData();
        FAIL() << "no exception";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "\"Failed to load levels data!\"");
    }
}

TEST_F(Progression, ShippedEpisodesLoadAndNameExistingLevels)
{
    ScopedChdir in_data(ZF_GAME_DATA_DIR);
    CAppGame app(scenes.Set());
    ASSERT_TRUE(app.LoadEpisodes());
    ASSERT_GE(app.GetEpisodeCount(), 2);
    for (int e = 0; e < app.GetEpisodeCount(); ++e) {
        EpisodeData data;
        ASSERT_TRUE(app.LoadEpisode(e, data)) << e;
        for (const auto* list : {&data.levels, &data.bonus_levels})
            for (const LevelDesc& level : *list) {
                CXMLFile file(level.file);
                EXPECT_TRUE(file.SelectSingleNode("/Level/State").IsValid()) << level.file;
            }
    }
}

// ---------------------------------------------------------------------------------------------

struct StepCase {
    const char* name;
    int play_state;
    int episode, level, bonus;
    int in_play;                // episodes in play
    bool ok;
    int want_play_state, want_game_state;
    int want_episode, want_level, want_bonus;
    const char* want_file;
    bool want_last;
    bool want_playing;
    const char* want_log;       // or null
};

TEST_F(Progression, GoNextLevelTable)
{
    // Episode 0: 3 levels, 2 bonus levels; episode 1: 2 levels, 1 bonus level.
    GameFolder folder(EpisodesXml({{3, 2}, {2, 1}}));
    const StepCase cases[] = {
        {"next level", upsNextLevel, 0, 0, -1, 2, true, upsLevelLoaded, ugsPlaying, 0, 1, -1, "e0l1", false, true, "Go next level..."},
        {"to the last level of an episode before the last", upsNextLevel, 0, 1, -1, 2, true, upsLevelLoaded, ugsPlaying, 0, 2,
         -1, "e0l2", false, true, nullptr},
        {"to the last level of the game", upsNextLevel, 1, 0, 0, 2, true, upsLevelLoaded, ugsPlaying, 1, 1, 0, "e1l1", true,
         true, nullptr},
        {"next episode keeps the bonus index", upsNextLevel, 0, 2, 1, 2, true, upsLevelLoaded, ugsPlaying, 1, 0, 1, "e1l0", false,
         true, "Loading episode #1..."},
        {"game complete", upsNextLevel, 1, 1, 0, 2, true, upsNone, ugsCompleted, 1, 1, 0, "unchanged", false, false, nullptr},
        {"bonus after the last level of an episode", upsNextBonus, 0, 2, -1, 2, true, upsBonusLoaded, ugsPlaying, 0, 2, 0, "e0b0",
         false, true, nullptr},
        {"bonus after the last level of the game", upsNextBonus, 1, 1, -1, 2, true, upsBonusLoaded, ugsPlaying, 1, 1, 0, "e1b0",
         true, true, nullptr},
        {"last bonus again", upsNextBonus, 0, 0, 1, 2, true, upsBonusLoaded, ugsPlaying, 0, 0, 1, "e0b1", false, true, nullptr},
        {"bonus index carried past a shorter episode", upsNextBonus, 1, 0, 1, 2, true, upsBonusLoaded, ugsPlaying, 1, 0, 0, "e1b0",
         false, true, nullptr},
        {"next episode missing", upsNextLevel, 1, 1, 0, 3, false, upsNextLevel, ugsPlaying, 1, 1, 0, "unchanged", false, false,
         "Error: can't load episode #2"},
        {"level index past the end ends the episode", upsNextLevel, 0, INT_MAX, -1, 2, true, upsLevelLoaded, ugsPlaying, 1, 0,
         -1, "e1l0", false, true, nullptr},
        {"bonus index past the end replays the last bonus level", upsNextBonus, 0, 0, INT_MAX, 2, true, upsBonusLoaded,
         ugsPlaying, 0, 0, 1, "e0b1", false, true, nullptr},
    };
    for (const StepCase& c : cases) {
        SCOPED_TRACE(c.name);
        ResetGlobals();
        GetGlobalVars().SetString("cur_level_file", "unchanged");
        auto app = Start(c.episode);
        g_User.SetGameState(ugsPlaying);
        g_User.SetPlayState(c.play_state);
        g_User.SetEpisode(c.episode);
        g_User.SetLevel(c.level);
        g_User.SetBonusLevel(c.bonus);
        g_User.GetStatistics().field_saved = true;
        // Episodes in play come from the count at entry; the failing row claims one more than exist.
        app->SetEpisodesInPlay(c.in_play);

        LogWatch mark;
        EXPECT_EQ(app->GoNextLevel(), c.ok);
        EXPECT_EQ(g_User.GetPlayState(), c.want_play_state);
        EXPECT_EQ(g_User.GetGameState(), c.want_game_state);
        EXPECT_EQ(g_User.GetEpisode(), c.want_episode);
        EXPECT_EQ(g_User.GetLevel(), c.want_level);
        EXPECT_EQ(g_User.GetBonusLevel(), c.want_bonus);
        EXPECT_EQ(GetGlobalVars().GetString("cur_level_file"), c.want_file);
        if (c.want_playing) {
            EXPECT_EQ(GetGlobalVars().GetBool("is_last_level"), c.want_last);
        }
        EXPECT_EQ(app->IsGamePlaying(), c.want_playing);
        EXPECT_FALSE(g_User.GetStatistics().field_saved);   // statistics reset before every change
        if (c.want_log) {
            EXPECT_NE(mark.Text().find(c.want_log), std::string::npos) << mark.Text();
        }
    }
}

TEST_F(Progression, GoNextLevelChecksItsPreconditions)
{
    GameFolder folder(EpisodesXml({{2, 1}}));
    auto app = Start(0);
    g_User.SetPlayState(upsLevelLoaded);
    try {
        app->GoNextLevel();
        FAIL() << "no exception";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(),
                     "verify {g_User.GetPlayState() == upsNextLevel || g_User.GetPlayState() == upsNextBonus} failed");
    }
    // Without a game in play the step only logs the failed check.
    app->SetGamePlaying(false);
    g_User.SetPlayState(upsNextLevel);
    LogWatch mark;
    EXPECT_TRUE(app->GoNextLevel());
    EXPECT_EQ(g_User.GetPlayState(), upsNextLevel);
    EXPECT_NE(mark.Text().find("Verify {_is_game_playing} failed"), std::string::npos);
}

TEST_F(Progression, LevelVariablesRefuseIndicesOutsideTheEpisode)
{
    GameFolder folder(EpisodesXml({{2, 1}}));
    auto app = Start(0);
    struct Row { int play_state, level, bonus; bool ok; const char* file; bool last; };
    const Row rows[] = {
        {upsLevelLoaded, 1, -1, true, "e0l1", true},
        {upsLevelStarted, 0, -1, true, "e0l0", false},
        {upsToShop, 0, 0, true, "e0l0", false},
        {upsBonusStarted, 1, 0, true, "e0b0", true},
        {upsLevelLoaded, 99, 0, false, "", false},
        {upsBonusLoaded, 0, -1, false, "", false},
        {upsNone, 0, -1, false, "", false},
        {upsBonusLoaded, INT_MAX, 0, true, "e0b0", true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "play state " << r.play_state << " level " << r.level << " bonus " << r.bonus);
        GetGlobalVars().SetString("cur_level_file", "old");
        g_User.SetPlayState(r.play_state);
        g_User.SetLevel(r.level);
        g_User.SetBonusLevel(r.bonus);
        LogWatch mark;
        EXPECT_EQ(app->SetLevelVariables(), r.ok);
        EXPECT_EQ(GetGlobalVars().GetString("cur_level_file"), r.file);
        if (r.ok) {
            EXPECT_EQ(GetGlobalVars().GetBool("is_last_level"), r.last);
        } else {
            EXPECT_NE(mark.Text().find("out of range"), std::string::npos);
        }
    }
}

TEST_F(Progression, InitializeGameDataStartsOrResumes)
{
    GameFolder folder(EpisodesXml({{3, 1}, {2, 1}}));
    struct Row {
        const char* name;
        int game_state, play_state, episode, level, bonus;
        bool ok;
        int want_play_state, want_level;
        const char* want_file;
    };
    const Row rows[] = {
        {"new game", ugsNew, upsNone, 0, -1, -1, true, upsLevelLoaded, 0, "e0l0"},
        {"next level due", ugsPlaying, upsNextLevel, 1, 0, 0, true, upsLevelLoaded, 1, "e1l1"},
        {"saved level resumes", ugsPlaying, upsLevelStarted, 0, 2, -1, true, upsLevelStarted, 2, "e0l2"},
        {"episode out of range", ugsPlaying, upsLevelStarted, 5, 0, 0, false, upsLevelStarted, 0, ""},
        {"level out of range", ugsPlaying, upsLevelStarted, 0, 7, 0, false, upsLevelStarted, 7, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ResetGlobals();
        CAppGame app(scenes.Set());
        ASSERT_TRUE(app.LoadEpisodes());
        g_User.SetGameState(r.game_state);
        g_User.SetPlayState(r.play_state);
        g_User.SetEpisode(r.episode);
        g_User.SetLevel(r.level);
        g_User.SetBonusLevel(r.bonus);
        LogWatch mark;
        EXPECT_EQ(app.InitializeGameData(), r.ok);
        EXPECT_EQ(g_User.GetPlayState(), r.want_play_state);
        EXPECT_EQ(g_User.GetLevel(), r.want_level);
        EXPECT_EQ(GetGlobalVars().GetString("cur_level_file"), r.want_file);
        const std::string log = mark.Text();
        EXPECT_NE(log.find("Initialize game data..."), std::string::npos);
        EXPECT_EQ(log.find("Game data initialized.") != std::string::npos, r.ok);
        if (r.ok) {
            EXPECT_EQ(g_User.GetGameState(), ugsPlaying);
            EXPECT_TRUE(app.IsGamePlaying());
        }
    }
}

TEST_F(Progression, TestStartTakesTheInitVariables)
{
    GameFolder folder(EpisodesXml({{3, 1}, {3, 1}}));
    CAppGame app(scenes.Set());
    ASSERT_TRUE(app.LoadEpisodes());
    CVariableRegistry& vars = GetGlobalVars();
    vars.SetInt("init_episode", 1);
    vars.SetInt("init_level", 2);
    vars.SetInt("init_bonus_level", 0);
    LogWatch mark;
    ASSERT_TRUE(app.InitGameState());
    EXPECT_EQ(g_User.GetEpisode(), 1);
    EXPECT_EQ(g_User.GetLevel(), 2);
    EXPECT_EQ(g_User.GetBonusLevel(), 0);
    EXPECT_EQ(g_User.GetGameState(), ugsPlaying);
    EXPECT_EQ(g_User.GetPlayState(), upsLevelLoaded);
    EXPECT_EQ(vars.GetString("cur_level_file"), "e1l2");
    EXPECT_TRUE(vars.GetBool("is_last_level"));
    EXPECT_TRUE(InOrder(mark.Text(), {"Init game state...", "Loading episode #1...", "Starting GAME..."}));

    // The defaults of a command line without numbers name no episode: the start fails, logged.
    ResetGlobals();
    EXPECT_FALSE(app.InitGameState());
    vars.SetInt("init_episode", 0);
    vars.SetInt("init_level", 99);
    EXPECT_FALSE(app.InitGameState());
}

} // namespace
