// The main menu on the shipped game folder, frame by frame: the real engine core on the software
// renderer, a fake mouse and keyboard, a settable clock and a recording sound keeper. The game, city
// and selector scenes are built too: the menu draws the city and hands over to the others.
#include "menu/menu_menu.h"

#include "city/city_scene.h"
#include "engine/base/engine_registry.h"
#include "engine/base/engine_userfolder.h"
#include "engine/core/engine_core_internal.h"
#include "engine/core/engine_input.h"
#include "engine/particles/engine_pyro2.h"
#include "game/game_game.h"
#include "game/game_hints.h"
#include "menu/menu_selector.h"
#include "player/player_prices.h"
#include "player/player_profiles.h"
#include "player/player_slot.h"
#include "player/player_user.h"
#include "settings/main_settings.h"
#include "settings/main_userfiles.h"
#include "support/dialog_shots.h"
#include "support/game_world.h"
#include "support/recording_sound_keeper.h"
#include "support/test_support.h"

#include "../gui/gui_test_util.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

namespace {

constexpr uint32_t kFrameMs = 16;
constexpr int kEscape = 27;

class MenuScene : public ::testing::Test {
protected:
    static void SetUpTestSuite() { SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software"); }
    static void TearDownTestSuite()
    {
        if (_ready) {
            zftest::ScopedChdir dir(ZF_GAME_DATA_DIR);
            GetMenuScene().Destroy();
            GetSelectorScene().Destroy();
            GetCityScene().Destroy();
            GetGameScene().Destroy();
            ShutdownPyro();
        }
        _ready = false;
    }

    MenuScene() : _dir(ZF_GAME_DATA_DIR), clock(1000)
    {
        CEngineCore& core = CEngineCore::Instance();
        const bool device = core.GetDevice() || core.Init("ZerafineTest", "Zerafine menu scene", true);
        _previous_core = g_EngineCore;
        g_EngineCore = &core;
        _previous_mouse = g_Mouse;
        g_Mouse = &mouse;
        _previous_keyboard = g_Keyboard;
        g_Keyboard = &keyboard;
        _previous_keeper = g_SoundKeeper;
        g_SoundKeeper = &sound;
        zftest::PrepareGameWorld();
        std::filesystem::remove(UserFilePath("Profiles.xml"));
        std::filesystem::remove(UserFilePath("Config.xml"));
        g_Settings = CGameSettings();
        g_Profiles = CProfiles();
        g_User = CUser();
        if (!_ready && device) {
            InitPyro("Textures\\Pyro\\PyroDemo2.pyro");
            GetHintsManager().Load();
            GetConstructionRes().Load();
            GetPromotions().Load();
            CGameScene& game = GetGameScene();
            _ready = game.Init() && GetCityScene().Init() && GetSelectorScene().Init() && GetMenuScene().Init();
            GetCityScene().SetGamePanels(&game.GetTopPanel(), &game.GetPauseDialog(), &game.GetHelpDialog());
            game.SetCityFacts(&GetCityScene());
        }
        initialized = _ready;
        scene = &GetMenuScene();
    }
    ~MenuScene() override
    {
        if (initialized && entered) {
            scene->EndCrossState();
            scene->Leave();
            scene->SetResult(srRunning);
        }
        g_Profiles = CProfiles();
        g_User = CUser();
        g_SoundKeeper = _previous_keeper;
        g_Keyboard = _previous_keyboard;
        g_Mouse = _previous_mouse;
        g_EngineCore = _previous_core;
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

    void Frame(const std::vector<int>& keys = {}, const std::string& text = std::string())
    {
        clock.Advance(kFrameMs);
        mouse.Frame(mouse_x, mouse_y, mouse_down);
        keyboard.Frame(keys, text);
        scene->SetFrameTime(kFrameMs, kFrameMs);
        scene->RenderFrame();
        scene->PostFrame();
    }
    bool RunUntil(const std::function<bool()>& done, int limit = 3000)
    {
        for (int i = 0; i < limit; ++i) {
            if (done()) return true;
            Frame();
        }
        return done();
    }
    bool InState(int state)
    {
        return RunUntil([&] { return scene->GetState() == state && scene->GetCrossState() == 0; });
    }
    bool Finished()
    {
        return RunUntil([&] { return scene->GetResult() != srRunning; });
    }
    bool Click(const CBaseDialog& dialog, const char* id)
    {
        const CBaseControlPtr control = dialog.FindControl(id);
        if (!control) {
            ADD_FAILURE() << "no control " << id;
            return false;
        }
        mouse_x = int(control->GetX() + control->GetWidth() / 2);
        mouse_y = int(control->GetY() + control->GetHeight() / 2);
        Frame();
        mouse_down = true;
        Frame();
        mouse_down = false;
        Frame();
        mouse_x = 400;
        mouse_y = 300;
        return true;
    }
    void Escape()
    {
        Frame({});
        scene->OnKeyDown(kEscape);
        Frame({});
    }

    zftest::ScopedChdir _dir;
    zftest::FakeClock clock;
    guitest::FakeMouse mouse;
    guitest::FakeKeyboard keyboard;
    CRecordingSoundKeeper sound;
    bool initialized = false;
    bool entered = false;
    CMenuScene* scene = nullptr;
    int mouse_x = 400, mouse_y = 300;
    bool mouse_down = false;

private:
    static inline bool _ready = false;
    IEngineCore* _previous_core = nullptr;
    IMouse* _previous_mouse = nullptr;
    IKeyboard* _previous_keyboard = nullptr;
    ISoundKeeper* _previous_keeper = nullptr;
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
