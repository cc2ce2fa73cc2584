// The main menu on the shipped game folder, frame by frame, with the other scenes it draws and hands
// over to: the first player, start and continue, Escape, the options saved, the best city, the music
// and the exit.
#include "menu/menu_menu.h"

#include "front_end_world.h"

#include "engine/base/engine_registry.h"
#include "player/player_slot.h"
#include "settings/main_settings.h"
#include "settings/main_userfiles.h"

#include <filesystem>
#include <string>

namespace {

constexpr int kEscape = 27;

class MenuScene : public frontend::World {
protected:
    MenuScene() : World(GetMenuScene(), 400, 300), scene(&GetMenuScene())
    {
        std::filesystem::remove(UserFilePath("Config.xml"));
        g_Settings = CGameSettings();
        // Each test brings its own players.
        g_Profiles = CProfiles();
        g_User = CUser();
    }
    ~MenuScene() override
    {
        if (initialized && entered) {
            scene->EndCrossState();
            scene->Leave();
            scene->SetResult(srRunning);
        }
    }

    // A player with a saved game in the given states, active and loaded, as the program starts.
    static void Player(const std::string& name, int game_state, int play_state = upsNextLevel)
    {
        g_Profiles.AddProfile(name);
        g_Profiles.SetActive(name);
        CGameSlot game;
        game.game_state = game_state;
        game.play_state = play_state;
        g_Profiles.GetProfile(name).SetGame(kCurrentGameSlot, game);
        g_User.LoadFromProfile(g_Profiles.GetProfile(name), kCurrentGameSlot);
        g_User.Settings().not_show_hints = true;
    }
    // The scene entered as the scene loop enters it, and run until the main menu takes input.
    bool EnterMenu(int state = msDefault)
    {
        scene->ShowUser(g_User);
        scene->Enter();
        entered = true;
        return InState(state);
    }

    bool InState(int state)
    {
        return RunUntil([&] { return scene->GetState() == state && scene->GetCrossState() == 0; });
    }
    bool Finished()
    {
        return RunUntil([&] { return scene->GetResult() != srRunning; });
    }
    void Escape()
    {
        Frame({});
        scene->OnKeyDown(kEscape);
        Frame({});
    }

    CMenuScene* scene;
    bool entered = false;
};

// A first start: the menu comes up, then asks the new player's name at once; Escape cannot skip it,
// an empty name is refused, and the name given makes the profile, saved, and shows in the menu.
TEST_F(MenuScene, AFirstStartAsksTheNewPlayersName)
{
    ASSERT_TRUE(initialized);
    zftest::LogWatch log;
    ASSERT_TRUE(EnterMenu(msFirstUser));
    EXPECT_TRUE(zftest::InOrder(log.Text(), {"Entering MENU loop...", "Start cross-state: crsStart",
                                            "Start cross-state: crsToFirstUser"}));
    Escape();
    ASSERT_TRUE(InState(msFirstUser));
    CCreateProfileDialog& dialog = scene->GetFirstProfileDialog();
    EXPECT_TRUE(dialog.IsShown());
    Click(dialog, "ID_OK");
    EXPECT_TRUE(InState(msFirstUser)) << "an empty name is no name";

    Frame({}, "Ada");
    Click(dialog, "ID_OK");
    ASSERT_TRUE(InState(msDefault));
    EXPECT_EQ(g_User.GetName(), "Ada");
    EXPECT_EQ(g_Profiles.GetActiveName(), "Ada");
    CProfiles disk;
    ASSERT_TRUE(disk.Load(UserFilePath("Profiles.xml")));
    EXPECT_TRUE(disk.HasProfile("Ada"));
    EXPECT_FALSE(dialog.IsVisible());
    Click(scene->GetMainDialog(), "ID_EXIT");
    ASSERT_TRUE(Finished());
    EXPECT_EQ(scene->GetResult(), srQuit);
}

// Start leads by the state of the saved game: none or a finished one goes straight to the epoch
// selector with the menu's music going on; a new or running one asks first whether to continue.
TEST_F(MenuScene, StartGoesToTheSelectorOrAsksToContinue)
{
    ASSERT_TRUE(initialized);
    const struct {
        int game_state;
        bool asks;
    } cases[] = {{ugsNone, false}, {ugsNew, true}, {ugsPlaying, true}, {ugsCompleted, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.game_state);
        g_Profiles = CProfiles();
        Player("Ada", c.game_state);
        ASSERT_TRUE(EnterMenu());
        Click(scene->GetMainDialog(), "ID_START");
        if (c.asks) {
            EXPECT_TRUE(InState(msContinueGame));
            EXPECT_TRUE(scene->GetContinueDialog().IsShown());
            scene->OnKeyDown(kEscape);
            EXPECT_TRUE(InState(msDefault));
        } else {
            ASSERT_TRUE(Finished());
            EXPECT_EQ(scene->GetResult(), srNextScene);
            EXPECT_EQ(scene->GetNextScene(), "Selector");
            EXPECT_EQ(scene->GetTransition(), 0);
            EXPECT_EQ(g_User.GetPlayingMusic().alias, scene->GetMusic().alias);
        }
        scene->EndCrossState();
        scene->Leave();
        scene->SetResult(srRunning);
    }
}

// Continue goes back into the saved game: into the city's shop when the city was due, else into the
// game; a new game is confirmed first and then chosen in the selector.
TEST_F(MenuScene, ContinueAndNewGameLeaveForTheirScenes)
{
    ASSERT_TRUE(initialized);
    const struct {
        int play_state;
        bool new_game;
        const char* next;
        int transition;
    } cases[] = {{upsNextLevel, false, "Game", 1}, {upsToShop, false, "City", 1}, {upsToShop, true, "Selector", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.next);
        g_Profiles = CProfiles();
        Player("Ada", ugsPlaying, c.play_state);
        GetGlobalVars().SetInt("city_start_state", 3);
        ASSERT_TRUE(EnterMenu());
        Click(scene->GetMainDialog(), "ID_START");
        ASSERT_TRUE(InState(msContinueGame));
        CContinueGameDialog& dialog = scene->GetContinueDialog();
        if (c.new_game) {
            Click(dialog, "ID_NEW_GAME");
            ASSERT_TRUE(RunUntil([&] { return dialog.GetConfirmation().IsShown(); }));
            Click(dialog.GetConfirmation(), "ID_NO");
            ASSERT_TRUE(RunUntil([&] { return !dialog.GetConfirmation().IsVisible(); }));
            EXPECT_EQ(scene->GetState(), msContinueGame);
            Click(dialog, "ID_NEW_GAME");
            ASSERT_TRUE(RunUntil([&] { return dialog.GetConfirmation().IsShown(); }));
            Click(dialog.GetConfirmation(), "ID_YES");
        } else {
            Click(dialog, "ID_CONTINUE");
        }
        ASSERT_TRUE(Finished());
        EXPECT_EQ(scene->GetNextScene(), c.next);
        EXPECT_EQ(scene->GetTransition(), c.transition);
        if (std::string(c.next) == "City") {
            EXPECT_EQ(GetGlobalVars().GetInt("city_start_state"), 4);
            EXPECT_EQ(GetGlobalVars().GetString("city_caller_scene"), "Game");
        }
        scene->EndCrossState();
        scene->Leave();
        scene->SetResult(srRunning);
    }
}

// Escape closes what is open and brings the main menu back; while a cross-state runs it does nothing.
TEST_F(MenuScene, EscapeReturnsToTheMainMenu)
{
    ASSERT_TRUE(initialized);
    Player("Ada", ugsPlaying);
    ASSERT_TRUE(EnterMenu());
    const struct {
        const char* button;
        int state;
    } cases[] = {{"ID_OPTIONS", msOptions}, {"ID_SELECT_PROFILE", msProfiles}, {"ID_START", msContinueGame}, {"ID_RELAX", msRelax}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        Click(scene->GetMainDialog(), c.button);
        if (c.state == msOptions) {
            // The options slide in for a while.
            ASSERT_EQ(scene->GetCrossState(), mcsToOptions);
            scene->OnKeyDown(kEscape);
            EXPECT_EQ(scene->GetCrossState(), mcsToOptions) << "ignored while a cross-state runs";
        }
        ASSERT_TRUE(InState(c.state));
        scene->OnKeyDown(kEscape);
        ASSERT_TRUE(InState(msDefault));
        EXPECT_TRUE(scene->GetMainDialog().IsModal());
    }
}

// The options change at once and reach "Config.xml" when the dialog closes, by its button or Escape.
TEST_F(MenuScene, OptionsAreSavedWhenTheyClose)
{
    ASSERT_TRUE(initialized);
    Player("Ada", ugsNone);
    ASSERT_TRUE(EnterMenu());
    Click(scene->GetMainDialog(), "ID_OPTIONS");
    ASSERT_TRUE(InState(msOptions));
    COptionsDialog& options = scene->GetOptionsDialog();
    auto music = options.GetControl<CMenuTrackBar>("ID_MUSIC");
    music->SetPosition(20);
    EXPECT_EQ(options.GetCopy().mus_vol, 20);
    scene->OnKeyDown(kEscape);
    ASSERT_TRUE(InState(msDefault));
    CGameSettings disk(UserFilePath("Config.xml"));
    disk.Load();
    EXPECT_EQ(disk.Record().mus_vol, 20);
    EXPECT_EQ(g_Settings.EnsureLoaded().mus_vol, 20);
}

// The best city: the saved best game takes the current one's place while it shows, the profile file
// is not touched, and Escape brings the current game back.
TEST_F(MenuScene, TheBestCityShowsTheBestGameAndGivesTheCurrentOneBack)
{
    ASSERT_TRUE(initialized);
    Player("Ada", ugsPlaying);
    CProfile& profile = g_Profiles.GetProfile("Ada");
    profile.Settings().w_param_1 = 1;
    CGameSlot best;
    best.game_state = ugsCompleted;
    best.score = 4321;
    profile.SetGame(kBestGameSlot, best);
    g_User.LoadFromProfile(profile, kCurrentGameSlot);
    g_User.AddScore(5);
    ASSERT_TRUE(EnterMenu());
    EXPECT_TRUE(scene->GetMainDialog().HasBestCity());
    // The medal comes in slowly.
    ASSERT_TRUE(RunUntil([&] { return scene->GetMainDialog().GetBestCityPart().IsShown(); }));
    Click(scene->GetMainDialog().GetBestCityPart(), "ID_SILVER");
    ASSERT_TRUE(InState(msBestCity));
    EXPECT_TRUE(scene->IsBestCityLoaded());
    EXPECT_EQ(g_User.GetScore(), 4321);
    EXPECT_TRUE(scene->GetRelaxDialog().IsShown());
    EXPECT_FALSE(std::filesystem::exists(UserFilePath("Profiles.xml")));

    scene->OnKeyDown(kEscape);
    ASSERT_TRUE(InState(msDefault));
    EXPECT_FALSE(scene->IsBestCityLoaded());
    EXPECT_EQ(g_User.GetScore(), 5);
    EXPECT_FALSE(std::filesystem::exists(UserFilePath("Profiles.xml")));
}

// The menu's music goes on when it already sounds and takes over from another; Exit fades out and
// asks the program to quit.
TEST_F(MenuScene, MusicGoesOnAndExitQuits)
{
    ASSERT_TRUE(initialized);
    Player("Ada", ugsNone);
    const MusicTrack menu = scene->GetMusic();
    ASSERT_FALSE(menu.alias.empty());
    // Silence from earlier runs of the menu.
    g_SoundQueue.StopMusic(menu, 0);
    const MusicTrack nature("MUS_NATURE", 0);
    g_SoundQueue.StartMusic(nature, 0, 100);
    g_User.SetPlayingMusic(nature);
    ASSERT_TRUE(EnterMenu());
    EXPECT_TRUE(RunUntil([&] { return !sound.Calls("StopMusic MUS_NATURE").empty(); }, 200)) << "the other music ends";
    EXPECT_EQ(g_User.GetPlayingMusic().alias, menu.alias);
    const std::string play = "PlayMusic " + menu.alias + " " + std::to_string(menu.track);
    EXPECT_EQ(sound.Count(play), 1u);
    scene->EndCrossState();
    scene->Leave();

    ASSERT_TRUE(EnterMenu());
    EXPECT_EQ(sound.Count(play), 1u) << "the menu's own music goes on without a break";
    Click(scene->GetMainDialog(), "ID_EXIT");
    ASSERT_TRUE(Finished());
    EXPECT_EQ(scene->GetResult(), srQuit);
}

} // namespace
