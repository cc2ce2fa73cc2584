// Whole-program runs under the dummy video and audio drivers: the real entry, engine, scenes and
// files, driven by SDL events that a script pushes when the log shows the program is ready for them.
#include "e2e_game_driver.h"
#include "e2e_util.h"

#include "engine/base/engine_registry.h"
#include "player/player_hiscores.h"
#include "player/player_profiles.h"
#include "settings/main_userfiles.h"

#include <cmath>
#include <functional>
#include <csignal>

namespace {

using namespace e2e;

// The names in the folders and below them.
std::set<std::string> Listing(const std::vector<std::string>& folders)
{
    std::set<std::string> names;
    for (const std::string& folder : folders) {
        if (!std::filesystem::exists(folder)) {
            names.insert(folder + " (none)");
            continue;
        }
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
            names.insert(entry.path().string());
    }
    return names;
}

// A first start: the logo, then the menu asks the new player's name and the player quits.
TEST_F(Program, StartsANewPlayerAndQuitsFromTheMenu)
{
    EXPECT_EXIT(
        {
            SetSceneFrameObserver(GameDriver({}, {kQuit}));
            RunProgram({}, {{"Load hiscores...", 1, [] { PushKey(SDL_SCANCODE_SPACE); }}});   // skips the logo
        },
        ::testing::ExitedWithCode(0), "");
    const std::string log = Log();
    EXPECT_TRUE(InOrder(log, {"Running application...", "Unable to load game settings, create default.",
                              "Initialize engine...", "Engine initialized.", "Enter game: Zerafine (version ",
                              "Load hints...", "Load profiles...", "Load hiscores...", "Entering MENU loop...",
                              "Start cross-state: crsToFirstUser", "Start cross-state: crsExit",
                              "Exit game: shutdown normally.", "Application finished.",
                              "No statistics page host configured: no page opened."}))
        << log;
    EXPECT_EQ(log.find("Crush"), std::string::npos);
    struct stat st {};
    ASSERT_EQ(::stat((home() + "/Tovrin/Zerafine").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_NE(ReadTextFile(UserFile("Config.xml")).find("snd_vol=\"75\""), std::string::npos);
    // The renderer found at this start is kept for the next one.
    EXPECT_NE(ReadTextFile(UserFile("Config.xml")).find("renderer=\"software\""), std::string::npos);
    // The new player's profile is on disk.
    CProfiles saved;
    ASSERT_TRUE(saved.Load(UserFile("Profiles.xml")));
    EXPECT_EQ(saved.GetActiveName(), "Ann");
}

// Under SDL's disk audio driver the program's output is written to a file: while the menu shows, its
// music must really sound (faded in by the sound queue, which every scene steps each frame).
TEST_F(Program, TheMenuMusicSounds)
{
    WriteText(UserFile("Config.xml"), "<Config><Options no_logo=\"1\" mus_vol=\"100\" snd_vol=\"100\"/></Config>");
    const std::string audio = home() + "/audio.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", audio.c_str(), 1);
    EXPECT_EXIT(RunProgram({}, {{"Entering MENU loop...", 1,
                                 [] {
                                     std::this_thread::sleep_for(std::chrono::milliseconds(2500));
                                     PushQuit();
                                 }}}),
                ::testing::ExitedWithCode(0), "");
    // Signed 16-bit stereo: the loudest 20 ms of the left channel.
    const std::string bytes = ReadTextFile(audio);
    const size_t frames = bytes.size() / 4, window = 882;
    ASSERT_GT(frames, window * 50) << "at least a second of output";
    double loudest = 0;
    for (size_t at = 0; at + window <= frames; at += window) {
        double sum = 0;
        for (size_t i = at; i < at + window; ++i) {
            int16_t v;
            std::memcpy(&v, bytes.data() + i * 4, 2);
            sum += double(v) * v;
        }
        loudest = std::max(loudest, std::sqrt(sum / window));
    }
    EXPECT_GT(loudest, 1000.0) << "the menu music is heard";
}

TEST_F(Program, ClosingTheWindowIsAUserBreak)
{
    // The renderer verdict is known already, so nothing has to be learnt and kept.
    const std::string config = "<Config><Options no_logo=\"1\" snd_vol=\"20\" renderer=\"software\"/></Config>";
    WriteText(UserFile("Config.xml"), config);
    EXPECT_EXIT(RunProgram({"2", "5"}, {{"Entering MENU loop...", 1, [] { PushQuit(); }}}), ::testing::ExitedWithCode(0), "");
    const std::string log = Log();
    EXPECT_TRUE(InOrder(log, {"Entering MENU loop...", "Exit game: shutdown by user break.", "Application finished."})) << log;
    EXPECT_EQ(log.find("Init game state..."), std::string::npos);   // the command line needs the test keys
    // Nothing changed the settings: the file is left as it was.
    EXPECT_EQ(ReadTextFile(UserFile("Config.xml")), config);
}

TEST_F(Program, TestStartReachesTheGameSceneWithTheLevelVariables)
{
    WriteText(UserFile("Config.xml"), "<Config><Options keys=\"1\" no_logo=\"1\" windowed=\"1\"/></Config>");
    // The last level of the game, which the city ends the game after.
    const std::string episodes = ReadTextFile(std::string(ZF_GAME_DATA_DIR) + "/Settings/Episodes.xml");
    const int episode = static_cast<int>(CountOf(episodes, "<Episode ")) - 1;
    const int level = static_cast<int>(CountOf(episodes.substr(episodes.rfind("<Episode ")), "<Level ")) - 1;
    const std::string initializing =
        "Initializing level " + std::to_string(level + 1) + " in episode " + std::to_string(episode + 1) + "...";
    char file[64];
    std::snprintf(file, sizeof(file), "Levels\\E%02d\\L%02d.xml", episode + 1, level + 1);
    const std::string report = home() + "/vars.txt";
    auto record = [report] {
        CVariableRegistry& vars = GetGlobalVars();
        WriteText(report, vars.GetString("cur_level_file") + "|" + std::to_string(vars.GetBool("is_last_level")) + "|" +
                              std::to_string(vars.GetBool("test_mode")) + "|" +
                              std::to_string(vars.GetInt("init_bonus_level")));
    };
    EXPECT_EXIT(
        {
            SetSceneFrameObserver(GameDriver({GameDriver::kLeave}));
            RunProgram({std::to_string(episode), std::to_string(level), "0"}, {{initializing, 1, record}});
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(ReadTextFile(report), std::string(file) + "|1|1|0");
    const std::string log = Log();
    // Leaving a test start ends the run.
    EXPECT_TRUE(InOrder(log, {"Init game state...", "Loading episode #" + std::to_string(episode) + "...", "Starting GAME...",
                              initializing, "Start cross-state: crsPauseToMenu",
                              "Exit game: shutdown normally.", "Application finished."}))
        << log;
    EXPECT_EQ(log.find("Entering MENU loop..."), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(UserFile("Profiles.xml")));   // test mode saves nothing
}

TEST_F(Program, NewGameMovesFromLevelToLevelAndBackToTheMenu)
{
    WriteText(UserFile("Config.xml"), "<Config><Options no_logo=\"1\" windowed=\"1\"/></Config>");
    EXPECT_EXIT(
        {
            SetSceneFrameObserver(GameDriver({GameDriver::kFinish, GameDriver::kLeave},
                                             {kPlay, kQuit}));
            RunProgram({}, {});
        },
        ::testing::ExitedWithCode(0), "");
    const std::string log = Log();
    EXPECT_TRUE(InOrder(log, {"Initialize game data...", "Loading episode #0...", "Game data initialized.",
                              "Initializing level 1 in episode 1...", "Start cross-state: crsFinishLevel",
                              "Go next level...", "Initializing level 2 in episode 1...",
                              "Start cross-state: crsPauseToMenu", "Entering MENU loop...", "Exit game: shutdown normally."}))
        << log;
}

// A player whose saved game stands before the last level of the last episode finishes it with
// nothing left to buy in the shop: the game is complete and play returns to the menu.
TEST_F(Program, FinishingTheLastLevelOfTheGameReturnsToTheMenu)
{
    WriteText(UserFile("Config.xml"), "<Config><Options no_logo=\"1\" windowed=\"1\"/></Config>");
    const std::string episodes = ReadTextFile(std::string(ZF_GAME_DATA_DIR) + "/Settings/Episodes.xml");
    const int last_episode = static_cast<int>(CountOf(episodes, "<Episode ")) - 1;
    const size_t last = episodes.rfind("<Episode ");
    const int last_level = static_cast<int>(CountOf(episodes.substr(last), "<Level ")) - 1;
    ASSERT_GE(last_level, 1);
    WriteText(UserFile("Profiles.xml"),
              "<Profiles active_user=\"Ann\"><Profile name=\"Ann\"><Game alias=\"current_game\" game_state=\"2\" "
              "play_state=\"1\" episode=\"" + std::to_string(last_episode) + "\" level=\"" +
                  std::to_string(last_level - 1) +
                  "\" bonus_level=\"-1\"><Resources><Base lives=\"2\" score=\"777\"/></Resources></Game></Profile></Profiles>");
    EXPECT_EXIT(
        {
            SetSceneFrameObserver(GameDriver({GameDriver::kFinish}, {kPlay, kQuit}));
            RunProgram({}, {});
        },
        ::testing::ExitedWithCode(0), "");
    const std::string log = Log();
    EXPECT_TRUE(InOrder(log, {"Initializing level " + std::to_string(last_level + 1) + " in episode " +
                                  std::to_string(last_episode + 1) + "...",
                              "Start cross-state: crsFinishLevel", "Start cross-state: crsFinishToShop",
                              "Start cross-state: crsShopToNextLevel", "Start cross-state: crsGameComplete",
                              "Entering MENU loop...", "Exit game: shutdown normally."}))
        << log;
    EXPECT_EQ(log.find("Verify"), std::string::npos) << log;
}

TEST_F(Program, FailingStagesEndWithTheirNumber)
{
    // Stage 1: no game folder.
    setenv("ZERAFINE_DATA", (home() + "/missing").c_str(), 1);
    EXPECT_EXIT(RunProgram({}, {}), ::testing::ExitedWithCode(1), "");
    std::string log = Log();
    EXPECT_TRUE(InOrder(log, {"Running application...", "Application crushed on stage 1."})) << log;
    EXPECT_EQ(log.find("Application finished."), std::string::npos);

    // Stage 3: a game folder whose episode list is empty.
    const std::string game = MakeGameFolder(home() + "/game", {}, {{"Episodes.xml", "<Episodes/>"}});
    setenv("ZERAFINE_DATA", game.c_str(), 1);
    EXPECT_EXIT(RunProgram({}, {}), ::testing::ExitedWithCode(3), "");
    log = Log();
    EXPECT_TRUE(InOrder(log, {"No episodes found!", "Error: \"Failed to load levels data!\"",
                              "Crush with exception raised: \"Failed to load levels data!\" (WinMain)",
                              "Application crushed on stage 3."}))
        << log;
    EXPECT_EQ(log.find("Application finished."), std::string::npos);
    EXPECT_EQ(log.find("statistics page"), std::string::npos);
}

TEST_F(Program, MissingOrDamagedGameFilesStopTheStartWithAMessage)
{
    struct Case {
        const char* name;
        std::set<std::string> missing;
        std::map<std::string, std::string> replaced;
        const char* message;   // a regular expression for standard error
        const char* logged;
    };
    const std::string shipped = ReadTextFile(std::string(ZF_GAME_DATA_DIR) + "/Settings/Episodes.xml");
    const size_t second = shipped.find("<Episode ", shipped.find("<Episode ") + 1);
    ASSERT_NE(second, std::string::npos);
    const std::string damaged = shipped.substr(0, second) + "<Episode name=\"Bad\" level_count=\"1\"/>" +
                                shipped.substr(second);
    const Case cases[] = {
        {"episodes", {"Episodes.xml"}, {},
         "stage 3 \\(loading the game\\) failed: error opening xml! - Error: failed to open XML file "
         "'Settings.Episodes\\.xml'! The log is .*/Tovrin/Zerafine/log\\.html",
         "Error: failed to open XML file 'Settings\\Episodes.xml'!"},
        {"fonts", {"Fonts_en.xml"}, {}, "stage 3 .* failed: error opening xml! - .*'Settings.Fonts_en\\.xml'",
         "Application crushed on stage 3."},
        {"labels", {"Labels_en.xml"}, {}, "stage 3 .* failed: error opening xml! - .*'Settings.Labels_en\\.xml'",
         "Application crushed on stage 3."},
        {"game configuration", {"GameCFG.xml"}, {},
         "stage 3 .* failed: verify \\{config_node.IsValid\\(\\)\\} failed - .*Settings.GameCFG\\.xml not read",
         "Application crushed on stage 3."},
        {"episode content", {}, {{"Episodes.xml", damaged}},
         "stage 3 .* failed: \"Failed to load levels data!\" - Error: content error in 'Settings.Episodes\\.xml', "
         "episode #1 \\(\"Bad\"\\): must be 1 levels in episode, found 0",
         "Application crushed on stage 3."},
        {"menu layouts", {"DialogsMenu.xml"}, {}, "stage 3 .* failed: error opening xml! - .*'Settings.DialogsMenu\\.xml'",
         "Application crushed on stage 3."},
        {"selector layout", {"DialogsSelector.xml"}, {}, "stage 3 .* failed: \"Failed to init selector scene!\"",
         "Error: the selector's dialog cannot be read from Settings\\DialogsSelector.xml"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setenv("ZERAFINE_DATA", MakeGameFolder(home() + "/game", c.missing, c.replaced).c_str(), 1);
        EXPECT_EXIT(RunProgram({}, {}), ::testing::ExitedWithCode(3), c.message);
        const std::string log = Log();
        EXPECT_NE(log.find(c.logged), std::string::npos) << log;
        EXPECT_EQ(log.find("Entering MENU loop..."), std::string::npos);
    }
}

TEST_F(Program, UnusableUserFolderRunsWithoutSavingAnywhere)
{
    struct Case {
        const char* name;
        bool read_only;        // else XDG_DATA_HOME names a file
        std::set<std::string> missing;   // game files
        int exit_code;
        const char* message;   // a regular expression for standard error
    };
    const Case cases[] = {
        {"read-only user folder", true, {}, 0, "no usable user folder \\(cannot write into '.*/Tovrin/Zerafine'"},
        {"data home is a file", false, {}, 0, "no usable user folder \\(cannot make '.*/file/Tovrin'"},
        {"read-only user folder and no episode list", true, {"Episodes.xml"}, 3,
         "no usable user folder.*\n.*stage 3 .*'Settings.Episodes\\.xml'! No log was written\\."},
    };
    const std::string config = "<Config><Options no_logo=\"1\" snd_vol=\"20\" language=\"9\"/></Config>";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(home() + "/Tovrin");
        // Copied: the run as "nobody" may not be able to enter the source tree.
        const std::string game = MakeGameFolder(home() + "/game", c.missing, {}, true);
        const std::string launch = home() + "/launch";
        std::filesystem::create_directories(launch);
        if (c.read_only) {
            WriteText(UserFile("Config.xml"), config);
            WriteText(UserFile("Profiles.xml"), "<Profiles active_user=\"Ann\"><Profile name=\"Ann\"/></Profiles>");
        } else {
            WriteText(home() + "/file", "not a folder");
            setenv("XDG_DATA_HOME", (home() + "/file").c_str(), 1);
        }
        GiveToNobodyIfRoot(home());
        if (c.read_only) ::chmod(UserFile("").c_str(), 0500);
        // (The test program's own start leaves a folder in the home of the run: only these are looked at.)
        const std::vector<std::string> looked_at = {home() + "/Tovrin", game, launch};
        const std::set<std::string> before = Listing(looked_at);
        setenv("ZERAFINE_DATA", game.c_str(), 1);
        EXPECT_EXIT(
            {
                BecomeNobodyIfRoot();
                if (::chdir(launch.c_str()) != 0) std::abort();
                SetSceneFrameObserver(GameDriver({}, {kQuit}));
                RunProgram({}, {});
            },
            ::testing::ExitedWithCode(c.exit_code), c.message);
        if (c.read_only) ::chmod(UserFile("").c_str(), 0700);
        EXPECT_EQ(Listing(looked_at), before);   // nothing made in the user, game or launch folder
        if (c.read_only) {
            EXPECT_EQ(ReadTextFile(UserFile("Config.xml")), config);
        }
        setenv("XDG_DATA_HOME", home().c_str(), 1);
    }
}

TEST_F(Program, EmptyDataHomeCountsAsUnset)
{
    const std::string user_home = home() + "/user";
    std::filesystem::create_directories(user_home);
    setenv("XDG_DATA_HOME", "", 1);
    setenv("HOME", user_home.c_str(), 1);
    EXPECT_EXIT(RunProgram({}, {{"Load hiscores...", 1, [] { PushKey(SDL_SCANCODE_SPACE); }},
                                {"Entering MENU loop...", 1, [] { PushQuit(); }}}),
                ::testing::ExitedWithCode(0), "");
    const std::string folder = user_home + "/.local/share/Tovrin/Zerafine/";
    EXPECT_TRUE(InOrder(ReadTextFile(folder + "log.html"), {"Running application...", "Entering MENU loop...",
                                                            "Application finished."}));
    EXPECT_NE(ReadTextFile(folder + "Config.xml").find("snd_vol=\"75\""), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists("/Tovrin"));   // not at the root of the file system
    EXPECT_FALSE(std::filesystem::exists(UserFile("")));
}

// The menu continues the active player's saved game (never a new one over it); every finished
// level is kept in "Profiles.xml" at once, and the exit keeps the game where it stands.
TEST_F(Program, ASavedGameContinuesAndEveryFinishedLevelIsKept)
{
    WriteText(UserFile("Config.xml"), "<Config><Options no_logo=\"1\" windowed=\"1\"/></Config>");
    WriteText(UserFile("Profiles.xml"),
              "<Profiles active_user=\"Ann\"><Profile name=\"Ann\"><Game alias=\"current_game\" game_state=\"2\" "
              "play_state=\"1\" episode=\"0\" level=\"8\" bonus_level=\"-1\"><Resources><Base lives=\"2\" score=\"777\"/>"
              "<Collect type=\"1\" amount=\"150\"/></Resources><City><Construction id=\"101\" bought=\"1\"/></City>"
              "</Game></Profile></Profiles>");
    EXPECT_EXIT(
        {
            SetSceneFrameObserver(GameDriver({GameDriver::kFinish, GameDriver::kLeave},
                                             {kPlay, kQuit}));
            RunProgram({}, {});
        },
        ::testing::ExitedWithCode(0), "");
    const std::string log = Log();
    EXPECT_TRUE(InOrder(log, {"Initializing level 10 in episode 1...",
                              "Update profile \"Ann\" (game slot \"current_game\").", "Saving profiles...",
                              "Start cross-state: crsStartShop", "Initializing level 11 in episode 1...", "Entering MENU loop...", "Exit game: shutdown normally.",
                              "Update profile \"Ann\" (game slot \"current_game\").", "Saving profiles..."}))
        << log;
    CProfiles saved;
    ASSERT_TRUE(saved.Load(UserFile("Profiles.xml")));
    EXPECT_NE(ReadTextFile(UserFile("Profiles.xml"))[0], '<');   // written scrambled
    const CGameSlot& game = saved.GetProfile("Ann").GetGame(kCurrentGameSlot);
    EXPECT_EQ(game.episode, 0);
    EXPECT_EQ(game.level, 10);
    EXPECT_EQ(game.score, 777);
    EXPECT_EQ(game.lives, 2);
    EXPECT_EQ(game.collect.at(1), 150);
    EXPECT_TRUE(game.city.at(101).bought);
}

// A saved game of the player Ann before the fourth level of the first episode, without hints.
std::string AnnsProfile(int lives)
{
    return "<Profiles active_user=\"Ann\"><Profile name=\"Ann\" not_show_hints=\"1\" pass_smart_test=\"1\">"
           "<Game alias=\"current_game\" game_state=\"2\" play_state=\"1\" episode=\"0\" level=\"2\" "
           "bonus_level=\"-1\"><Resources><Base lives=\"" + std::to_string(lives) +
           "\" score=\"777\"/></Resources></Game></Profile></Profiles>";
}

// Continues the saved game from the menu, starts the cross-state once the level is in play, and
// kills the program the moment the dialog shows.
void KillWhenShown(int cross_state, std::function<CBaseDialog&(CGameScene&)> dialog)
{
    SetSceneFrameObserver([cross_state, dialog, menu = std::make_shared<MenuHand>()](AScene& scene) {
        if (scene.GetAlias() != "Game") {
            menu->Drive(scene, kPlay);
            return;
        }
        CGameScene& game = GetGameScene();
        if (game.GetState() == gssPlaying && game.GetCrossState() == 0) game.StartCrossState(cross_state);
        if (dialog(game).IsShown()) std::raise(SIGKILL);
    });
}

// The result of a level is on disk the moment the player sees it: a run killed while the
// statistics show leaves the level in the hiscores and the finished level in the profile; a run
// killed while the game over shows has lost the game for good.
TEST_F(Program, ALevelsResultIsOnDiskWhenItsDialogShows)
{
    WriteText(UserFile("Config.xml"), "<Config><Options no_logo=\"1\" windowed=\"1\"/></Config>");
    // A death test's child runs the test again from its start: the files the first run leaves stay.
    if (!std::filesystem::exists(UserFile("Profiles.xml"))) WriteText(UserFile("Profiles.xml"), AnnsProfile(2));
    EXPECT_EXIT(
        {
            KillWhenShown(gcsLevelFinish, [](CGameScene& g) -> CBaseDialog& { return g.GetStatisticsDialog(); });
            RunProgram({}, {});
        },
        ::testing::KilledBySignal(SIGKILL), "");
    CProfiles saved;
    ASSERT_TRUE(saved.Load(UserFile("Profiles.xml")));
    const CGameSlot& game = saved.GetProfile("Ann").GetGame(kCurrentGameSlot);
    EXPECT_EQ(game.level, 3);
    EXPECT_EQ(game.play_state, upsLevelFinished);
    const std::string hiscores = UserFile("Hiscores.xml");
    ASSERT_TRUE(std::filesystem::exists(hiscores));
    CHiscores tables;
    ASSERT_TRUE(tables.Load(hiscores));
    HiscoreRow best;
    ASSERT_TRUE(tables.GetBest(httScore, 0, 3, best));
    EXPECT_EQ(best.name, "Ann");
    ASSERT_FALSE(tables.GetChampionTable(httScore).rows.empty());
    EXPECT_EQ(tables.GetChampionTable(httScore).rows.front().name, "Ann");

    // The game continued from there finishes the level again, then goes on as the player expects.
    EXPECT_EXIT(
        {
            SetSceneFrameObserver(GameDriver({GameDriver::kLeave}, {kPlay, kQuit}));
            RunProgram({}, {});
        },
        ::testing::ExitedWithCode(0), "");
    const std::string log = Log();
    EXPECT_TRUE(InOrder(log, {"Start cross-state: crsFinishLevel", "Start cross-state: crsFinishToShop",
                              "Initializing level 5 in episode 1...", "Start cross-state: crsPauseToMenu"}))
        << log;
}

TEST_F(Program, AGameOverIsOnDiskWhenItsDialogShows)
{
    WriteText(UserFile("Config.xml"), "<Config><Options no_logo=\"1\" windowed=\"1\"/></Config>");
    WriteText(UserFile("Profiles.xml"), AnnsProfile(1));
    EXPECT_EXIT(
        {
            // The time runs out at once, on the last life.
            KillWhenShown(gcsDie, [](CGameScene& g) -> CBaseDialog& { return g.GetGameOverDialog(); });
            RunProgram({}, {});
        },
        ::testing::KilledBySignal(SIGKILL), "");
    CProfiles saved;
    ASSERT_TRUE(saved.Load(UserFile("Profiles.xml")));
    const CGameSlot& game = saved.GetProfile("Ann").GetGame(kCurrentGameSlot);
    EXPECT_EQ(game.score, 0);
    EXPECT_EQ(game.lives, 3);
    EXPECT_EQ(game.game_state, ugsNew);
}

} // namespace
