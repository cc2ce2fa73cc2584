// The epoch selector on the shipped game folder, frame by frame, with the other scenes: the selector
// reads the city's epochs and the city leaves for it.
// ZF_SELECTOR_SHOTS=<folder> keeps pictures of the selector in each of its modes.
#include "menu/menu_selector.h"

#include "front_end_world.h"

#include "city/city_scene.h"
#include "engine/base/engine_registry.h"
#include "engine/base/engine_userfolder.h"
#include "engine/base/engine_xml.h"
#include "engine/core/engine_core_internal.h"
#include "engine/core/engine_input.h"
#include "engine/particles/engine_pyro2.h"
#include "game/game_dialogs.h"
#include "game/game_game.h"
#include "game/game_hints.h"
#include "gui/gui_controls.h"
#include "player/player_prices.h"
#include "player/player_profiles.h"
#include "player/player_resources.h"
#include "player/player_slot.h"
#include "player/player_user.h"
#include "settings/main_userfiles.h"
#include "support/dialog_shots.h"
#include "support/game_world.h"
#include "support/pixel_compare.h"
#include "support/recording_sound_keeper.h"
#include "support/test_support.h"


#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

using frontend::kFrameMs;
using frontend::kPlayer;
constexpr int kEpochs = CSelectEpochDialog::kEpochs;

class Selector : public frontend::World {
protected:
    Selector() : World(GetSelectorScene(), 2, 2), scene(&GetSelectorScene())
    {
        if (initialized) SyncCity();
        GetGlobalVars().SetString("city_caller_scene", "untouched");
        GetGlobalVars().SetInt("city_start_state", -1);
        GetGlobalVars().SetBool("is_last_level", false);
    }
    ~Selector() override
    {
        if (initialized) {
            scene->EndCrossState();
            scene->SetResult(srRunning);
            scene->GetDialog().HideImmediately();
            scene->GetDialog().SetResult(0);
            GetCityScene().SetEpochSelector(nullptr);
        }
    }

    static void SyncCity() { GetCityScene().LoadCityProgress(g_User.Game()); }

    // The player's game is at that epoch; with `built`, every construction of the city is built.
    static void AtEpoch(int epoch, bool built = false)
    {
        g_User.NewGame();
        g_User.Game().epoch = epoch;
        if (built) {
            const CCity& city = GetCityScene().GetCity();
            for (int e = 0; e < city.GetEpochCount(); ++e)
                for (int i = 0; i < city.GetConstructionCount(e); ++i)
                    g_User.Game().city[city.GetConstruction(e, i).id] = CityEntry{true, 0};
        }
        SyncCity();
        GetCityScene().GetCity().SetCurrentEpoch(epoch);
    }
    // The player has reached the epochs up to `last`: their start points are in the profile.
    static void Reached(int last)
    {
        for (int epoch = 1; epoch <= last; ++epoch) {
            g_User.NewGame();
            g_User.Game().epoch = epoch;
            g_User.SaveToProfile(GetEpochStartSlot(epoch));
        }
        g_User.NewGame();
    }
    static void Medal(int medal) { g_User.Settings().w_param_1 = medal; }

    // Entered, and the dialog takes input.
    bool EnterAndWait()
    {
        scene->Enter();
        return RunUntil([&] {
            return scene->GetState() == selInteractive && scene->GetCrossState() == 0 && scene->GetDialog().IsModal();
        });
    }
    bool Left()
    {
        return RunUntil([&] { return scene->GetResult() == srNextScene; });
    }
    bool Click(const char* id) { return World::Click(scene->GetDialog(), id); }
    static std::string Id(const char* prefix, int n) { return prefix + std::to_string(n); }
    static uint32_t Alpha(const std::shared_ptr<CMenuImage>& image) { return image->GetSprite().GetAlpha(); }
    static uint32_t Alpha(const std::shared_ptr<CMenuLabel>& label) { return label->GetLabel().GetAlpha(); }
    zftest::SurfacePtr Shot()
    {
        CEngineCore& core = CEngineCore::Instance();
        zftest::SurfacePtr shot;
        clock.Advance(kFrameMs);
        scene->SetFrameTime(kFrameMs, kFrameMs);
        if (!core.BeginFrame()) return nullptr;
        core.Clear(0xFF000000);
        scene->Frame();
        shot = zftest::ReadBack(core.GetDevice(), SDL_Rect{0, 0, 800, 600});
        core.EndFrame();
        return shot;
    }

    CSelectorScene* scene;
};

// ---------------------------------------------------------------------------------------------
// The set-ups

enum class From { Menu, City, Game };

struct SetupCase {
    const char* name;
    From from;
    int epoch;           // the player's current epoch
    bool built;          // every construction of the city built
    int medal;
    int reached;         // the epochs with a start point in the profile
    int shown;           // the last epoch shown open (-1: choice mode)
    int chosen;          // the epoch whose frame shows
    bool opening;        // an opening is prepared
    std::set<std::string> buttons;
};

void Prepare(CSelectorScene& scene, From from)
{
    if (from == From::Menu) scene.PrepareFromMenu();
    else if (from == From::City) scene.PrepareFromCity();
    else scene.PrepareFromGame();
}

TEST_F(Selector, EachSetUpShowsTheEpochsTheButtonsAndTheOpeningItPrepares)
{
    ASSERT_TRUE(initialized);
    const std::vector<SetupCase> cases = {
        {"menu without a medal", From::Menu, 4, false, 0, 3, 0, 0, false, {"ID_BACK", "ID_START"}},
        {"menu with a medal", From::Menu, 4, false, 1, 3, -1, 0, false, {"ID_BACK", "ID_START"}},
        {"city, epoch 3 just opened", From::City, 3, false, 0, 3, 2, 2, true, {"ID_MENU", "ID_CONTINUE"}},
        {"game, lives out at epoch 2", From::Game, 2, false, 0, 2, 2, 2, true, {"ID_MENU", "ID_RESTART"}},
        {"game, lives out at epoch 0", From::Game, 0, false, 0, 0, 0, 0, true, {"ID_MENU", "ID_RESTART"}},
        // After the last epoch there is none left to open: every epoch open, the last one chosen.
        {"city, every epoch built", From::City, 6, true, 0, 6, 6, 6, false, {"ID_MENU", "ID_CONTINUE"}},
    };
    const std::vector<std::string> all_buttons = {"ID_BACK", "ID_MENU", "ID_START", "ID_CONTINUE", "ID_RESTART"};
    for (const SetupCase& c : cases) {
        SCOPED_TRACE(c.name);
        AtEpoch(c.epoch, c.built);
        Reached(c.reached);
        g_User.Game().epoch = c.epoch;
        Medal(c.medal);
        Prepare(*scene, c.from);
        CSelectEpochDialog& dialog = scene->GetDialog();
        EXPECT_EQ(dialog.IsChoiceMode(), c.shown < 0);
        EXPECT_EQ(dialog.IsActivationPending(), c.opening);
        EXPECT_EQ(dialog.HasEffect(), c.opening);
        EXPECT_EQ(scene->IsPlayActivation(), c.opening);
        for (int n = 0; n < kEpochs; ++n) {
            SCOPED_TRACE("epoch " + std::to_string(n));
            const EpochControls& e = dialog.GetEpoch(n);
            ASSERT_TRUE(e.button && e.disabled && e.enabled && e.active && e.title_disabled && e.title);
            EXPECT_EQ(e.active->IsVisible(), n == c.chosen);
            if (n == c.chosen) {
                EXPECT_EQ(Alpha(e.active), 255u);
            }
            if (c.shown < 0) {
                EXPECT_TRUE(e.button->IsVisible());
                EXPECT_EQ(e.button->IsEnabled(), n <= c.reached);
                for (const CBaseControl* hidden : {(const CBaseControl*)e.disabled.get(), (const CBaseControl*)e.enabled.get(),
                                                   (const CBaseControl*)e.title_disabled.get(), (const CBaseControl*)e.title.get()})
                    EXPECT_FALSE(hidden->IsVisible()) << hidden->GetId();
                continue;
            }
            EXPECT_FALSE(e.button->IsVisible());
            EXPECT_EQ(e.disabled->IsVisible(), n > c.shown);
            EXPECT_EQ(e.title_disabled->IsVisible(), n > c.shown);
            EXPECT_EQ(e.enabled->IsVisible(), n <= c.shown);
            EXPECT_EQ(e.title->IsVisible(), n <= c.shown);
            EXPECT_EQ(Alpha(e.disabled), 255u);
            EXPECT_EQ(Alpha(e.enabled), 255u);
            EXPECT_EQ(Alpha(e.title), 255u);
            EXPECT_EQ(Alpha(e.title_disabled), 255u);
        }
        for (const std::string& id : all_buttons)
            EXPECT_EQ(dialog.FindControl(id)->IsVisible(), c.buttons.count(id) == 1) << id;
    }
}

// ---------------------------------------------------------------------------------------------
// Where the buttons lead

struct RouteCase {
    const char* name;
    From from;
    int epoch;
    bool built;
    int medal;
    int choose;          // an epoch button clicked first (-1: none)
    const char* button;  // clicked to leave
    const char* next;
    int code;
    bool city_variables; // "city_caller_scene" "Game" and "city_start_state" 4
    int started;         // the epoch of the new game started and kept in the profile (-1: none)
};

TEST_F(Selector, TheButtonsLeadToTheNextSceneWithTheLoopsCodeAndTheCitysStart)
{
    ASSERT_TRUE(initialized);
    const std::vector<RouteCase> cases = {
        {"menu, no medal: a new game", From::Menu, 0, false, 0, -1, "ID_START", "Game", 2, false, 0},
        {"menu, medal: a new game at epoch 3", From::Menu, 0, false, 1, 3, "ID_START", "City", 2, true, 3},
        {"menu, medal: epoch 3 chosen, then epoch 0", From::Menu, 0, false, 1, 0, "ID_START", "Game", 2, false, 0},
        {"menu: back", From::Menu, 0, false, 0, -1, "ID_BACK", "Menu", 0, false, -1},
        {"game, epoch 0: play again", From::Game, 0, false, 0, -1, "ID_RESTART", "Game", 2, true, -1},
        {"game, epoch 2: play again", From::Game, 2, false, 0, -1, "ID_RESTART", "City", 2, true, -1},
        {"game: main menu", From::Game, 2, false, 0, -1, "ID_MENU", "Menu", 0, false, -1},
        {"city, epoch 3 opened: continue", From::City, 3, false, 0, -1, "ID_CONTINUE", "City", 0, false, -1},
        {"city, every epoch built: continue", From::City, 6, true, 0, -1, "ID_CONTINUE", "Game", 1, false, -1},
        {"city: main menu", From::City, 3, false, 0, -1, "ID_MENU", "Menu", 0, false, -1},
    };
    for (const RouteCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(UserFilePath("Profiles.xml"));
        AtEpoch(c.epoch, c.built);
        Reached(3);
        g_User.Game().epoch = c.epoch;
        g_User.SetGameState(ugsPlaying);
        Medal(c.medal);
        GetGlobalVars().SetString("city_caller_scene", "untouched");
        GetGlobalVars().SetInt("city_start_state", -1);
        Prepare(*scene, c.from);
        const zftest::LogWatch log;
        ASSERT_TRUE(EnterAndWait());
        if (c.choose >= 0) {
            if (c.choose == 0) Click("ID_EPOCH_BUTTON_3");
            Click(Id("ID_EPOCH_BUTTON_", c.choose).c_str());
            EXPECT_EQ(scene->GetDialog().GetSelected(), c.choose);
        }
        Click(c.button);
        ASSERT_TRUE(Left());
        EXPECT_EQ(scene->GetNextScene(), c.next);
        EXPECT_EQ(scene->GetTransition(), c.code);
        EXPECT_FALSE(scene->GetDialog().IsVisible());
        EXPECT_EQ(GetGlobalVars().GetString("city_caller_scene"), c.city_variables ? "Game" : "untouched");
        EXPECT_EQ(GetGlobalVars().GetInt("city_start_state"), c.city_variables ? 4 : -1);
        if (c.started >= 0) {
            EXPECT_EQ(g_User.GetGameState(), ugsNew);
            EXPECT_EQ(g_User.GetEpoch(), c.started);
            CProfiles disk;
            ASSERT_TRUE(disk.Load());
            ASSERT_TRUE(disk.GetProfile(kPlayer).HasGame(kCurrentGameSlot));
            EXPECT_EQ(disk.GetProfile(kPlayer).GetGame(kCurrentGameSlot).epoch, c.started);
        } else {
            EXPECT_EQ(g_User.GetGameState(), ugsPlaying);
        }
        EXPECT_TRUE(zftest::InOrder(log.Text(), {"Entering SELECTOR loop...", "Start selector cross-state: crsStart",
                                                 "Start selector cross-state: crsFinish"}));
        scene->Leave();
        scene->SetResult(srRunning);
    }
}

// ---------------------------------------------------------------------------------------------
// The fades

TEST_F(Selector, AnOpeningEpochFadesInByTwoAFrameWithItsEffectAndSoundWhileTheOldFrameFadesOut)
{
    ASSERT_TRUE(initialized);
    AtEpoch(3);
    scene->PrepareFromCity();
    CSelectEpochDialog& dialog = scene->GetDialog();
    const EpochControls& opened = dialog.GetEpoch(3);
    const EpochControls& before = dialog.GetEpoch(2);
    const zftest::LogWatch log;
    scene->Enter();
    ASSERT_TRUE(RunUntil([&] { return dialog.IsActivating(); }));
    EXPECT_TRUE(log.Has("Start selector cross-state: crsEpochChange"));
    EXPECT_EQ(Alpha(opened.enabled), 0u);
    EXPECT_EQ(Alpha(opened.title), 0u);
    EXPECT_EQ(Alpha(opened.active), 0u);
    ASSERT_TRUE(RunUntil([&] { return dialog.IsModal(); }, 5));
    Frame();
    EXPECT_EQ(sound.Count("PlaySample epoch_change"), 1u);

    int frames = 0;
    size_t most_particles = 0;
    for (; dialog.IsActivating() && frames < 400; ++frames) {
        if (frames == 60) {
            // Half way: the open picture and the closed one cross.
            EXPECT_NEAR(double(Alpha(opened.enabled)), 2.0 * 61, 4.0);
            EXPECT_NEAR(double(Alpha(opened.disabled)), 255.0 - 2.0 * 61, 4.0);
            EXPECT_NEAR(double(Alpha(before.active)), 255.0 - 2.0 * 61, 4.0);
            EXPECT_TRUE(opened.disabled->IsVisible());
        }
        ASSERT_TRUE(dialog.HasEffect());
        most_particles = std::max(most_particles, dialog.GetEffect()->GetParticleCount());
        Frame();
    }
    // 255 alpha units at 2 a frame, give or take the frame that finds nothing left to do.
    EXPECT_GE(frames, 126);
    EXPECT_LE(frames, 130);
    EXPECT_GT(most_particles, 10u);
    EXPECT_FALSE(dialog.HasEffect());
    EXPECT_FALSE(opened.disabled->IsVisible());
    EXPECT_FALSE(opened.title_disabled->IsVisible());
    EXPECT_FALSE(before.active->IsVisible());
    EXPECT_TRUE(before.enabled->IsVisible());
    for (const auto& image : {opened.enabled, opened.active}) {
        EXPECT_TRUE(image->IsVisible());
        EXPECT_EQ(Alpha(image), 255u);
    }
    EXPECT_EQ(Alpha(opened.title), 255u);
    EXPECT_EQ(scene->GetState(), selInteractive);
}

TEST_F(Selector, AfterTheLastEpochNothingOpensAndTheLastEpochStaysChosen)
{
    ASSERT_TRUE(initialized);
    AtEpoch(6, true);
    ASSERT_TRUE(GetCityScene().IsAllEpochsComplete());
    scene->PrepareFromCity();
    EXPECT_EQ(scene->GetDialog().GetSelected(), 6);
    EXPECT_EQ(scene->GetNext(), "Game");
    const zftest::LogWatch log;
    ASSERT_TRUE(EnterAndWait());
    for (int i = 0; i < 20; ++i) Frame();
    EXPECT_FALSE(log.Has("crsEpochChange"));
    EXPECT_FALSE(scene->GetDialog().IsActivating());
    EXPECT_EQ(sound.Count("PlaySample epoch_change"), 0u);
    for (int n = 0; n < kEpochs; ++n) {
        EXPECT_TRUE(scene->GetDialog().GetEpoch(n).enabled->IsVisible()) << n;
        EXPECT_FALSE(scene->GetDialog().GetEpoch(n).disabled->IsVisible()) << n;
    }
}

TEST_F(Selector, ChoosingAnotherEpochMovesTheFrameByFiveAFrameAndANewChoiceFinishesTheLastAtOnce)
{
    ASSERT_TRUE(initialized);
    Reached(3);
    Medal(1);
    scene->PrepareFromMenu();
    CSelectEpochDialog& dialog = scene->GetDialog();
    ASSERT_TRUE(EnterAndWait());

    // An epoch not reached cannot be chosen.
    Click("ID_EPOCH_BUTTON_5");
    EXPECT_EQ(dialog.GetSelected(), 0);
    EXPECT_FALSE(dialog.IsSelectionFading());

    Click("ID_EPOCH_BUTTON_3");
    ASSERT_EQ(dialog.GetSelected(), 3);
    EXPECT_EQ(dialog.GetPrevious(), 0);
    int frames = 1;   // the click's own frame moved the frame once
    while (dialog.IsSelectionFading() && frames < 200) {
        Frame();
        ++frames;
    }
    // 255 at 5 a frame: 51 frames and the one that hides the old frame.
    EXPECT_GE(frames, 50);
    EXPECT_LE(frames, 54);
    EXPECT_FALSE(dialog.GetEpoch(0).active->IsVisible());
    EXPECT_EQ(Alpha(dialog.GetEpoch(3).active), 255u);

    // A choice in the middle of a fade finishes that fade first.
    Click("ID_EPOCH_BUTTON_1");
    ASSERT_TRUE(dialog.IsSelectionFading());
    Click("ID_EPOCH_BUTTON_2");
    EXPECT_FALSE(dialog.GetEpoch(3).active->IsVisible());
    EXPECT_TRUE(dialog.GetEpoch(1).active->IsVisible());
    EXPECT_LT(Alpha(dialog.GetEpoch(1).active), 255u);
    EXPECT_TRUE(RunUntil([&] { return !dialog.IsSelectionFading(); }, 100));
    int shown = 0;
    for (int n = 0; n < kEpochs; ++n) shown += dialog.GetEpoch(n).active->IsVisible();
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(dialog.GetEpoch(2).active->IsVisible());
}

// ---------------------------------------------------------------------------------------------
// A damaged layout, the wiring with the city, the pictures

TEST_F(Selector, ALayoutWithoutTheEpochsControlsOrWithControlsOfAnotherClassStillWorks)
{
    ASSERT_TRUE(initialized);
    CXMLFile file;
    const std::string xml = R"(<Dialogs><SelectorDialog>
        <Control type="LABEL" id="ID_EPOCH_ENABLE_0" caption="Selector_title" left="10" top="10"/>
        <Control type="LABEL" id="ID_EPOCH_TITLE_3" caption="Selector_epoch_3" left="10" top="40"/>
        <ActivateEffect id="ID_ACTIVATE_EFFECT_3" pyro="No_Such_Effect" left="100.7" top="50.2"/>
        <ActivateEffect pyro="Epoch_Open_1"/>
    </SelectorDialog></Dialogs>)";
    ASSERT_TRUE(file.LoadXml(std::vector<uint8_t>(xml.begin(), xml.end())));
    CSelectEpochDialog dialog;
    const zftest::LogWatch log;
    dialog.Load(file.SelectSingleNode("//Dialogs/SelectorDialog"));
    EXPECT_TRUE(log.Has("ID_EPOCH_ENABLE_0' has a different type"));
    EXPECT_FALSE(dialog.GetEpoch(0).enabled);
    ASSERT_TRUE(dialog.GetEpoch(3).title);
    EXPECT_EQ(dialog.GetEffects().size(), 1u);
    EXPECT_TRUE(dialog.GetSound().empty());
    AtEpoch(3);
    dialog.SetSelected(3);
    dialog.SetupCity();
    EXPECT_TRUE(dialog.HasEffect());   // the unknown effect adds no emitter; the opening goes on
    dialog.ShowImmediately();
    dialog.StartActivation();
    CEngineCore& core = CEngineCore::Instance();
    for (int i = 0; i < 200 && dialog.IsActivating(); ++i) {
        ASSERT_TRUE(core.BeginFrame());
        dialog.Process();
        core.EndFrame();
    }
    EXPECT_FALSE(dialog.IsActivating());
    EXPECT_EQ(Alpha(dialog.GetEpoch(3).title), 255u);
    dialog.SelectEpoch(9);
    EXPECT_EQ(dialog.GetSelected(), 3);
    dialog.HideImmediately();
}

TEST_F(Selector, TheCityTellsTheSelectorWhenEveryEpochIsBuilt)
{
    ASSERT_TRUE(initialized);
    CCityScene& city = GetCityScene();
    city.SetEpochSelector(scene);
    AtEpoch(6, true);
    scene->PrepareFromMenu();
    GetGlobalVars().SetString("city_caller_scene", "Game");
    GetGlobalVars().SetInt("city_start_state", 4);
    city.Enter();
    CEpochAllCompletePanel& panel = city.GetAllCompletePanel();
    bool shown = false;
    for (int i = 0; i < 2000 && !shown; ++i) {
        clock.Advance(kFrameMs);
        mouse.Frame(mouse_x, mouse_y, mouse_down);
        city.SetFrameTime(kFrameMs, kFrameMs);
        city.RenderFrame();
        city.PostFrame();
        shown = panel.IsShown() && panel.IsModal();
    }
    ASSERT_TRUE(shown);
    panel.SetResult(1);
    panel.Hide();
    for (int i = 0; i < 2000 && city.GetResult() != srNextScene; ++i) {
        clock.Advance(kFrameMs);
        city.SetFrameTime(kFrameMs, kFrameMs);
        city.RenderFrame();
    }
    ASSERT_EQ(city.GetResult(), srNextScene);
    EXPECT_EQ(city.GetNextScene(), "Selector");
    EXPECT_EQ(scene->GetCaller(), scCity);
    EXPECT_TRUE(scene->IsAllEpochsComplete());
    EXPECT_EQ(scene->GetDialog().GetSelected(), 6);
    city.Leave();
    city.EndCrossState();
    city.SetResult(srRunning);
    for (CBaseDialog* d : std::initializer_list<CBaseDialog*>{&city.GetShopPanel(), &panel, &GetGameScene().GetTopPanel()})
        d->HideImmediately();
    city.GetSalute().Clear();
}

TEST_F(Selector, TheGameTellsTheSelectorWhenTheLivesRanOut)
{
    ASSERT_TRUE(initialized);
    CGameScene& game = GetGameScene();
    game.SetEpochSelector(scene);
    Reached(2);
    g_User.Game().epoch = 2;
    g_User.SetLives(1);
    game.SyncWithUser(g_User);
    scene->PrepareFromMenu();
    GetGlobalVars().SetString("cur_level_file", "Levels\\E01\\L01.xml");
    g_User.SetGameState(ugsPlaying);
    g_User.SetLevel(0);
    g_User.SetPlayState(upsLevelLoaded);
    game.Enter();
    auto step = [&] {
        clock.Advance(kFrameMs);
        mouse.Frame(mouse_x, mouse_y, mouse_down);
        game.RenderFrame();
        game.PostFrame();
    };
    // Frames a second apart until the time has run out.
    for (int i = 0; i < 400 && game.GetCrossState() != gcsLivesOut && !game.GetGameOverDialog().IsShown(); ++i) {
        clock.Advance(1000 - kFrameMs);
        step();
    }
    for (int i = 0; i < 2000 && !(game.GetGameOverDialog().IsShown() && game.GetGameOverDialog().IsModal()); ++i) step();
    ASSERT_TRUE(game.GetGameOverDialog().IsShown());
    const CBaseControlPtr ok = game.GetGameOverDialog().GetControl("ID_OK");
    mouse_x = int(ok->GetX() + ok->GetWidth() / 2);
    mouse_y = int(ok->GetY() + ok->GetHeight() / 2);
    step();
    mouse_down = true;
    step();
    mouse_down = false;
    for (int i = 0; i < 2000 && game.GetResult() != srNextScene; ++i) step();
    game.SetEpochSelector(nullptr);
    ASSERT_EQ(game.GetResult(), srNextScene);
    EXPECT_EQ(game.GetNextScene(), "Selector");
    EXPECT_EQ(scene->GetCaller(), scGame);
    EXPECT_EQ(scene->GetDialog().GetSelected(), 2);
    EXPECT_EQ(scene->GetNext(), "City");
    EXPECT_TRUE(scene->GetDialog().IsActivationPending());
    game.Leave();
    game.EndCrossState();
    game.SetResult(srRunning);
    game.GetGameOverDialog().HideImmediately();
}

// Pictures of the selector in each mode, judged by eye; here: pictures, not blanks, and each mode
// differs from the others.
TEST_F(Selector, EachModeIsDrawn)
{
    ASSERT_TRUE(initialized);
    struct Mode {
        const char* name;
        std::function<void()> prepare;
        int frames_after;   // frames run after the dialog takes input
    };
    const std::vector<Mode> modes = {
        {"menu", [&] { Medal(0); scene->PrepareFromMenu(); }, 0},
        {"menu_choice", [&] { Reached(3); Medal(1); scene->PrepareFromMenu(); }, 0},
        {"city_opening", [&] { AtEpoch(3); scene->PrepareFromCity(); }, 30},
        {"city_opened", [&] { AtEpoch(3); scene->PrepareFromCity(); }, 200},
        {"game", [&] { AtEpoch(2); scene->PrepareFromGame(); }, 200},
        {"all_built", [&] { AtEpoch(6, true); scene->PrepareFromCity(); }, 0},
    };
    std::set<uint64_t> sums;
    for (const Mode& m : modes) {
        SCOPED_TRACE(m.name);
        m.prepare();
        ASSERT_TRUE(EnterAndWait());
        if (std::string(m.name) == "menu_choice") {
            // The pointer rests on the third epoch.
            const CBaseControlPtr b = scene->GetDialog().FindControl("ID_EPOCH_BUTTON_2");
            mouse_x = int(b->GetX() + 40);
            mouse_y = int(b->GetY() + 40);
        }
        for (int i = 0; i < m.frames_after; ++i) Frame();
        for (int i = 0; i < 3; ++i) Frame();
        const zftest::SurfacePtr shot = Shot();
        ASSERT_TRUE(shot) << SDL_GetError();
        std::set<uint32_t> colours;
        uint64_t sum = 0;
        const auto* pixels = static_cast<const uint32_t*>(shot->pixels);
        for (int y = 0; y < 600; y += 5)
            for (int x = 0; x < 800; x += 5) {
                const uint32_t p = pixels[y * (shot->pitch / 4) + x];
                colours.insert(p);
                sum += (p & 0xFF) + ((p >> 8) & 0xFF) * 3 + ((p >> 16) & 0xFF) * 7;
            }
        EXPECT_GT(colours.size(), 300u);
        EXPECT_TRUE(sums.insert(sum).second);
        zftest::KeepPicture(shot, "ZF_SELECTOR_SHOTS", std::string("selector_") + m.name);
        mouse_x = mouse_y = 2;
        scene->EndCrossState();
        scene->GetDialog().HideImmediately();
    }
}

} // namespace
