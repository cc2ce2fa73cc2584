// The scene loop: results and transition codes, exit states, the saving rule at exit, and the
// failures of the entry.
#include "support/shell_test_util.h"

#include "player/player_profiles.h"

#include <gtest/gtest.h>

using namespace shell_test;

namespace {

class SceneLoop : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetGlobals();
        folder = std::make_unique<GameFolder>(EpisodesXml({{2, 1}, {1, 1}}));
        app = std::make_unique<CAppGame>(scenes.Set());
        ASSERT_TRUE(app->LoadEpisodes());
        app->InitScenes();
        scenes.trace.clear();
    }

    std::unique_ptr<GameFolder> folder;
    ScriptedScenes scenes;
    std::unique_ptr<CAppGame> app;
};

SceneStep Step(int result, int code = -1, const std::string& next = "", std::function<void()> action = nullptr)
{
    return SceneStep{result, code, next, std::move(action)};
}

TEST_F(SceneLoop, PlaysFromTheMenuThroughLevelsToTheCity)
{
    g_User.NewGame();
    scenes.menu.Script({Step(srNextScene, 1, "Game")});
    scenes.city.Script({Step(srNextScene, 1, "Game", [] { g_User.SetPlayState(upsNextLevel); })});
    std::vector<std::string> files;
    scenes.game.Script({
        Step(srNextScene, 3, "Game",
             [&] {
                 files.push_back(GetGlobalVars().GetString("cur_level_file"));
                 g_User.SetPlayState(upsNextLevel);
             }),
        Step(srNextScene, 1, "City",
             [&] {
                 files.push_back(GetGlobalVars().GetString("cur_level_file"));
                 g_User.SetPlayState(upsToShop);
             }),
        Step(srQuit, -1, "", [&] { files.push_back(GetGlobalVars().GetString("cur_level_file")); }),
    });
    EXPECT_EQ(app->RunGame(), esNormal);
    EXPECT_EQ(scenes.trace, (std::vector<std::string>{"Menu", "Game", "Game", "City", "Game"}));
    // Level 0 of episode 0, level 1, then after the city the first level of the next episode.
    EXPECT_EQ(files, (std::vector<std::string>{"e0l0", "e0l1", "e1l0"}));
    EXPECT_EQ(g_User.GetEpisode(), 1);
}

struct LoopCase {
    const char* name;
    bool test_mode;
    std::vector<std::pair<ScriptedScene ScriptedScenes::*, SceneStep>> script;
    int exit_state;
    const char* log;   // a line the log must hold, or null
};

TEST_F(SceneLoop, ResultsAndTransitionsTable)
{
    using S = ScriptedScenes;
    const LoopCase cases[] = {
        {"menu quits", false, {{&S::menu, Step(srQuit)}}, esNormal, nullptr},
        {"window closed", false, {{&S::menu, Step(srWindowClosed)}}, esUserBreak, nullptr},
        {"scene failure", false, {{&S::menu, Step(srFailure)}}, esFailed, nullptr},
        {"unexpected result", false, {{&S::menu, Step(7)}}, esNone, nullptr},
        {"unknown alias", false, {{&S::menu, Step(srNextScene, 0, "Foo")}}, esFailed,
         "App loop: unknown scene alias Foo encountered."},
        {"game left goes back to the menu", false,
         {{&S::menu, Step(srNextScene, 1, "Game")}, {&S::game, Step(srNextScene, 5, "Menu")}, {&S::menu, Step(srQuit)}},
         esNormal, nullptr},
        {"game code 2 outside test mode only switches", false,
         {{&S::menu, Step(srNextScene, 1, "Game")}, {&S::game, Step(srNextScene, 2, "Menu")}, {&S::menu, Step(srQuit)}},
         esNormal, nullptr},
        {"selector code 2 starts a game", false,
         {{&S::menu, Step(srNextScene, 0, "Selector")}, {&S::selector, Step(srNextScene, 2, "Game")},
          {&S::game, Step(srWindowClosed)}},
         esUserBreak, "Game data initialized."},
        {"menu start with an episode that does not exist", false,
         {{&S::menu, Step(srNextScene, 1, "Game", [] { g_User.SetEpisode(7); })}}, esFailed,
         "Error: data for episode 7 not found."},
        {"scene throws", false, {{&S::menu, Step(srNextScene, 1, "Game", [] { throw std::runtime_error("x"); })}},
         esCrashed, "Crush with exception raised: x (CAppGame::RunGame)"},
        {"progression out of order crashes the loop", false,
         {{&S::menu, Step(srNextScene, 1, "Game")}, {&S::game, Step(srNextScene, 3, "Game")}}, esCrashed,
         "Crush with exception raised: verify {g_User.GetPlayState() == upsNextLevel"},
        {"test mode: game code 2 ends normally", true, {{&S::game, Step(srNextScene, 2, "Menu")}}, esNormal,
         "Starting GAME..."},
    };
    for (const LoopCase& c : cases) {
        SCOPED_TRACE(c.name);
        ResetGlobals();
        g_User.NewGame();
        if (c.test_mode) {
            GetGlobalVars().SetBool("test_mode", true);
            GetGlobalVars().SetInt("init_episode", 0);
            GetGlobalVars().SetInt("init_level", 1);
        }
        ScriptedScenes run;
        // Each scene gets its steps in the order they appear.
        std::map<ScriptedScene*, std::vector<SceneStep>> steps;
        for (const auto& [scene, step] : c.script) steps[&(run.*scene)].push_back(step);
        for (auto& [scene, list] : steps) scene->Script(list);
        CAppGame loop(run.Set());
        ASSERT_TRUE(loop.LoadEpisodes());
        loop.InitScenes();
        LogWatch mark;
        EXPECT_EQ(loop.RunGame(), c.exit_state);
        const std::string log = mark.Text();
        if (c.log) {
            EXPECT_NE(log.find(c.log), std::string::npos) << log;
        }
        EXPECT_EQ(log.find("Application crushed on stage"), std::string::npos);
    }
}

TEST_F(SceneLoop, TestStartThatCannotBeLoadedFailsTheLoop)
{
    struct Row { int episode, level; const char* log; };
    const Row rows[] = {{-999, 0, "Error: data for episode -999 not found."}, {0, 99, "out of range"}};
    for (const Row& r : rows) {
        ResetGlobals();
        GetGlobalVars().SetBool("test_mode", true);
        GetGlobalVars().SetInt("init_episode", r.episode);
        GetGlobalVars().SetInt("init_level", r.level);
        LogWatch mark;
        EXPECT_EQ(app->RunGame(), esFailed);
        EXPECT_NE(mark.Text().find(r.log), std::string::npos);
        EXPECT_EQ(scenes.game.runs, 0);
    }
}

TEST_F(SceneLoop, LogoResultDecidesTheExitState)
{
    struct Row { int logo_result; int exit_state; };
    const Row rows[] = {{srFailure, esFailed}, {srQuit, esNormal}, {srWindowClosed, esUserBreak}, {9, esNone},
                        {srNextScene, esNormal}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.logo_result);
        ScriptedScenes run;
        run.logo->Script({Step(r.logo_result, 0, "Menu")});
        run.menu.Script({Step(srQuit)});
        CAppGame loop(run.Set());
        loop.InitScenes();
        EXPECT_FALSE(loop.Run());
        EXPECT_EQ(loop.GetExitState(), r.exit_state);
        EXPECT_EQ(run.menu.runs, r.logo_result == srNextScene ? 1 : 0);
    }
    CAppGame without_logo(SceneSet{});
    EXPECT_FALSE(without_logo.Run());
    EXPECT_EQ(without_logo.GetExitState(), esNone);
}

TEST_F(SceneLoop, ExitLogsTheStateAndSavesOnlyANormalEnd)
{
    TempDir user;
    struct Row { int state; bool test_mode; bool player; const char* line; bool saved; };
    const Row rows[] = {
        {esNone, false, true, "Exit game: shutdown in strange way.", false},
        {esRunning, false, true, "Exit game: shutdown in strange way.", false},
        {esNormal, false, true, "Exit game: shutdown normally.", true},
        {esUserBreak, false, true, "Exit game: shutdown by user break.", true},
        {esFailed, false, true, "Exit game: \xE0pplication failed.", false},
        {esCrashed, false, true, "Exit game: \xE0pplication crushed by program bug.", false},
        {esNormal, true, true, "Exit game: shutdown normally.", false},
        {esNormal, false, false, "Exit game: shutdown normally.", false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "state " << r.state << " test mode " << r.test_mode << " player " << r.player);
        ResetGlobals();
        const std::string path = user / "Profiles.xml";
        std::filesystem::remove(path);
        g_Profiles.Load(path);
        g_Profiles.AddProfile("Ann");
        if (r.player) g_User.LoadFromProfile(g_Profiles.GetProfile("Ann"), kCurrentGameSlot);
        g_User.SetLevel(4);
        GetGlobalVars().SetBool("test_mode", r.test_mode);
        app->SetExitState(r.state);
        LogWatch mark;
        EXPECT_TRUE(app->Exit());
        EXPECT_NE(mark.Text().find(r.line), std::string::npos) << mark.Text();
        EXPECT_EQ(std::filesystem::exists(path), r.saved);
        if (r.saved) {
            EXPECT_NE(mark.Text().find("Saving profiles..."), std::string::npos);
            CProfiles reread;
            reread.Load(path);
            EXPECT_EQ(reread.GetProfile("Ann").GetGame(kCurrentGameSlot).level, 4);
        }
    }
    g_Profiles.Load(user / "none.xml");
}

TEST_F(SceneLoop, EntryStopsAtTheFirstSceneThatCannotInit)
{
    const char* texts[] = {"\"Failed to init logo scene!\"", "\"Failed to init menu scene!\"",
                           "\"Failed to init selector scene!\"", "\"Failed to init game scene!\"",
                           "\"Failed to init city scene!\""};
    for (int failing = 0; failing < 5; ++failing) {
        SCOPED_TRACE(texts[failing]);
        ScriptedScenes run;
        ScriptedScene* order[] = {run.logo.get(), &run.menu, &run.selector, &run.game, &run.city};
        order[failing]->init_result = false;
        CAppGame loop(run.Set());
        LogWatch mark;
        try {
            loop.InitScenes();
            FAIL() << "no exception";
        } catch (const std::exception& e) {
            EXPECT_STREQ(e.what(), texts[failing]);
        }
        EXPECT_NE(mark.Text().find(std::string("Error: ") + texts[failing]), std::string::npos);
        for (int i = 0; i < 5; ++i) EXPECT_EQ(order[i]->inits, i <= failing ? 1 : 0) << i;
    }
}

TEST_F(SceneLoop, ReleaseDestroysScenesInReverseOrder)
{
    app->ReleaseScenes();
    EXPECT_EQ(scenes.trace, (std::vector<std::string>{"destroy City", "destroy Game", "destroy Selector", "destroy Menu"}));
}

} // namespace
