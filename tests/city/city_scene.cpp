// The city scene on the shipped game folder, frame by frame: the real engine core on the software
// renderer, a fake mouse, a settable clock and a recording sound keeper. The game scene is built
// too: the city borrows its top panel, pause and help dialogs.
#include "city/city_scene.h"

#include "engine/base/engine_registry.h"
#include "engine/base/engine_userfolder.h"
#include "engine/core/engine_core_internal.h"
#include "engine/core/engine_input.h"
#include "engine/particles/engine_pyro2.h"
#include "game/game_dialogs.h"
#include "game/game_game.h"
#include "game/game_hints.h"
#include "game/game_panels.h"
#include "player/player_prices.h"
#include "player/player_profiles.h"
#include "player/player_resources.h"
#include "player/player_slot.h"
#include "player/player_user.h"
#include "settings/main_userfiles.h"
#include "support/game_world.h"
#include "support/dialog_shots.h"
#include "support/pixel_compare.h"
#include "support/recording_sound_keeper.h"
#include "support/test_support.h"

#include "support/scene_test.h"

#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>

namespace {

constexpr uint32_t kFrameMs = 16;
constexpr int kEscape = 27;
constexpr const char* kPlayer = "Ada";

class CityScene : public zftest::SceneTest {
protected:
    static void TearDownTestSuite()
    {
        if (_ready) {
            zftest::ScopedChdir dir(ZF_GAME_DATA_DIR);
            GetCityScene().Destroy();
            GetGameScene().Destroy();
            ShutdownPyro();
        }
        _ready = false;
    }

    CityScene() : SceneTest("Zerafine city scene")
    {
        std::filesystem::remove(UserFilePath("Profiles.xml"));
        g_Profiles = CProfiles();
        g_Profiles.AddProfile(kPlayer);
        g_User = CUser();
        g_User.LoadFromProfile(g_Profiles.GetProfile(kPlayer), kCurrentGameSlot);
        g_User.NewGame();
        g_User.Settings().not_show_hints = true;
        g_User.Settings().pass_smart_test = true;
        if (!_ready && device) {
            InitPyro("Textures\\Pyro\\PyroDemo2.pyro");
            GetHintsManager().Load();
            GetConstructionRes().Load();
            GetPromotions().Load();
            CGameScene& game = GetGameScene();
            _ready = game.Init() && GetCityScene().Init();
            GetCityScene().SetGamePanels(&game.GetTopPanel(), &game.GetPauseDialog(), &game.GetHelpDialog());
            game.SetCityFacts(&GetCityScene());
        }
        initialized = _ready;
        scene = &GetCityScene();
        if (initialized) Sync();
        GetGlobalVars().SetString("city_caller_scene", "Game");
        GetGlobalVars().SetBool("is_last_level", false);
        GetGlobalVars().SetInt("city_start_state", 4);
    }
    ~CityScene() override
    {
        if (initialized) {
            scene->Leave();
            scene->EndCrossState();
            scene->SetResult(srRunning);
            for (CBaseDialog* d : std::initializer_list<CBaseDialog*>{
                     &scene->GetShopPanel(), &scene->GetRelaxDialog(), &scene->GetEpochCompletePanel(),
                     &scene->GetAllCompletePanel(), &scene->GetWarningDialog(), &scene->GetGameCompleteDialog(),
                     &scene->GetGameWonDialog(), &GetGameScene().GetTopPanel(), &GetGameScene().GetPauseDialog(),
                     &GetGameScene().GetHelpDialog()})
                d->HideImmediately();
            scene->GetSalute().Clear();
        }
        g_Profiles = CProfiles();
    }

    // The scenes take the player's game, as the application does after a profile is chosen.
    void Sync()
    {
        GetGameScene().SyncWithUser(g_User);
        GetGameScene().FilterHints(g_User);
        scene->LoadCityProgress(g_User.Game());
    }
    // Plenty of every resource a price of the table asks for.
    static void MakeRich()
    {
        std::set<int32_t> types;
        for (const ConstructionPrice& p : GetConstructionRes().GetRecords())
            for (const auto& [type, amount] : p.resources) types.insert(type);
        for (int32_t type : types) GetResources().Add(type, 10000000);
    }
    static std::map<int32_t, int32_t> Amounts()
    {
        std::map<int32_t, int32_t> amounts;
        GetResources().StoreInto(amounts);
        return amounts;
    }

    void Frame()
    {
        clock.Advance(kFrameMs);
        mouse.Frame(mouse_x, mouse_y, mouse_down);
        // The particles run on the frame time, which the scene loop sets before each frame.
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
    bool Left()
    {
        return RunUntil([&] { return scene->GetResult() == srNextScene; });
    }
    // A click in the middle of a dialog's control: pressed in one frame, released in the next.
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
        // The mouse leaves the screen's middle so that no edge scroll follows it.
        mouse_x = 400;
        mouse_y = 300;
        return true;
    }
    // Opens the shop of the current epoch, past any hint.
    bool OpenShop()
    {
        GetGlobalVars().SetInt("city_start_state", 4);
        scene->Enter();
        return InState(cssShop);
    }
    // Buys the item of that index of the current epoch through its button, turning the shop's pages.
    bool BuyItem(size_t index)
    {
        CShopPanel& shop = scene->GetShopPanel();
        const int page = int(index / CShopPanel::kSlots);
        for (int i = 0; i < 8 && shop.GetItemPage() != page; ++i)
            Click(shop, shop.GetItemPage() < page ? "ID_SHOP_RIGHT" : "ID_SHOP_LEFT");
        if (shop.GetItemPage() != page) return false;
        if (index >= shop.GetItems().size()) return false;
        const std::string button = shop.GetItems()[index].button_id;
        return Click(shop, button.c_str());
    }
    static CProfile ProfileOnDisk()
    {
        CProfiles disk;
        EXPECT_TRUE(disk.Load());
        return disk.HasProfile(kPlayer) ? disk.GetProfile(kPlayer) : CProfile();
    }

    bool initialized = false;
    CCityScene* scene = nullptr;
    int mouse_x = 400, mouse_y = 300;
    bool mouse_down = false;

private:
    static inline bool _ready = false;
};

TEST_F(CityScene, StartStateFourOpensTheShopAfterItsFirstVisitHintAndThreeTheRelaxView)
{
    ASSERT_TRUE(initialized);
    g_User.Settings().not_show_hints = false;
    Sync();
    ASSERT_TRUE(GetHintsManager().IsToShow(CCityScene::kShopHint));
    GetGlobalVars().SetInt("city_start_state", 4);
    scene->Enter();
    ASSERT_TRUE(RunUntil([] { return GetHintsManager().GetActiveId() == CCityScene::kShopHint; }));
    // The hint holds the shop back until it is closed.
    for (int i = 0; i < 30; ++i) Frame();
    EXPECT_EQ(scene->GetState(), cssCrossState);
    EXPECT_EQ(scene->GetCrossState(), ccsStartShop);
    std::shared_ptr<CHintDialog> hint;
    for (const HintRecord& h : GetHintsManager().GetHints())
        if (h.id == CCityScene::kShopHint) hint = h.dialog;
    ASSERT_TRUE(hint);
    ASSERT_TRUE(RunUntil([&] { return hint->IsShown(); }));
    Click(*hint, "ID_CONTINUE");
    ASSERT_TRUE(InState(cssShop));
    EXPECT_TRUE(scene->GetShopPanel().IsShown());
    EXPECT_TRUE(GetGameScene().GetTopPanel().IsShown());
    EXPECT_TRUE(g_User.IsHintShown(CCityScene::kShopHint));
    scene->Leave();

    // A second visit shows no hint.
    scene->Enter();
    ASSERT_TRUE(InState(cssShop));
    EXPECT_EQ(GetHintsManager().GetActiveId(), 0);
    scene->Leave();
    scene->GetShopPanel().HideImmediately();
    GetGameScene().GetTopPanel().HideImmediately();

    // Relax mode: the relax dialog and no shop; closing it leaves for the caller.
    GetGlobalVars().SetInt("city_start_state", 3);
    scene->Enter();
    ASSERT_TRUE(InState(cssRelax));
    EXPECT_TRUE(scene->GetRelaxDialog().IsShown());
    EXPECT_FALSE(scene->GetShopPanel().IsShown());
    // Any key closes it; the city was entered in relax mode, so it leaves for the caller.
    scene->OnKeyDown(kEscape);
    ASSERT_TRUE(Left());
    EXPECT_EQ(scene->GetNextScene(), "Game");
    EXPECT_EQ(scene->GetTransition(), 0);
}

TEST_F(CityScene, BuyingThroughTheShopSpendsShowsSavesAndScrollsTowardTheConstruction)
{
    ASSERT_TRUE(initialized);
    MakeRich();
    ASSERT_TRUE(OpenShop());
    const CShopPanel& shop = scene->GetShopPanel();
    // The last affordable item: the farthest to scroll to.
    size_t index = shop.GetItems().size();
    for (size_t i = 0; i < shop.GetItems().size(); ++i)
        if (shop.GetItems()[i].state == sisAffordable) index = i;
    ASSERT_LT(index, shop.GetItems().size());
    const CityConstruct before = scene->GetCity().GetConstruction(0, int(index));
    ASSERT_FALSE(before.bought);
    const auto amounts = Amounts();
    const ResourceList price = GetConstructionRes().GetConstructionPrice(before.id, 0);
    const float distance = scene->GetView().GetScrollDistanceTo(before.id);

    ASSERT_TRUE(BuyItem(index));
    ASSERT_TRUE(InState(cssShop));
    const CityConstruct after = scene->GetCity().GetConstruction(0, int(index));
    EXPECT_TRUE(after.bought);
    EXPECT_EQ(after.upgrade, 0);
    const auto now = Amounts();
    for (const auto& [type, amount] : price) EXPECT_EQ(now.at(type), amounts.at(type) - amount) << "type " << type;
    const CConstruction* shown = scene->GetView().GetConstruction(before.id);
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->IsBuilt());
    EXPECT_EQ(shown->GetLevel(), 0);
    EXPECT_EQ(shop.GetItems()[index].state, sisBought);

    // On disk at once.
    const CProfile disk = ProfileOnDisk();
    ASSERT_TRUE(disk.HasGame(kCurrentGameSlot));
    const CGameSlot game = disk.GetGame(kCurrentGameSlot);
    ASSERT_TRUE(game.city.count(before.id));
    EXPECT_TRUE(game.city.at(before.id).bought);
    for (const auto& [type, amount] : price) EXPECT_EQ(game.collect.at(type), amounts.at(type) - amount);

    // The view scrolls toward it, when it was off the screen, until it stands in place.
    ASSERT_NE(distance, 0.0f) << "the shop's last construction stands off the screen";
    EXPECT_TRUE(scene->GetScroll().running);
    EXPECT_EQ(scene->GetScroll().initial, distance);
    ASSERT_TRUE(RunUntil([&] { return !scene->GetScroll().running; }, 600));
    EXPECT_EQ(scene->GetScroll().remaining, 0.0f);
    EXPECT_EQ(scene->GetView().GetScrollDistanceTo(before.id), 0.0f);
}

TEST_F(CityScene, AShopVisitWithEveryEpochBuiltEndsInTheSelectorOrWithTheBonusConstructionInTheWonGame)
{
    ASSERT_TRUE(initialized);
    for (const bool last : {false, true}) {
        SCOPED_TRACE(last ? "last level" : "not the last level");
        g_User.NewGame();
        const CCity& city = scene->GetCity();
        for (int e = 0; e < city.GetEpochCount(); ++e)
            for (int i = 0; i < city.GetConstructionCount(e); ++i)
                g_User.Game().city[city.GetConstruction(e, i).id] = CityEntry{true, 0};
        Sync();
        ASSERT_TRUE(city.IsAllComplete());
        ASSERT_GT(city.GetBonusCount(), 0);
        GetGlobalVars().SetBool("is_last_level", last);
        GetGlobalVars().SetInt("city_start_state", 4);
        scene->Enter();
        if (!last) {
            CEpochAllCompletePanel& panel = scene->GetAllCompletePanel();
            ASSERT_TRUE(RunUntil([&] { return panel.IsShown(); }));
            EXPECT_FALSE(scene->GetShopPanel().IsVisible());
            EXPECT_EQ(g_User.GetPlayState(), upsNextLevel);
            Click(panel, "ID_OK");
            ASSERT_TRUE(Left());
            EXPECT_EQ(scene->GetNextScene(), "Selector");
            scene->Leave();
            scene->SetResult(srRunning);
            continue;
        }
        const int32_t bonus = city.GetBonusConstruction(0).id;
        ASSERT_TRUE(RunUntil([&] { return scene->GetCrossState() == ccsBuildBonusConstruct; }));
        EXPECT_TRUE(city.GetBonusConstruction(0).bought);
        ASSERT_TRUE(ProfileOnDisk().HasGame(kCurrentGameSlot));
        EXPECT_TRUE(ProfileOnDisk().GetGame(kCurrentGameSlot).city.at(bonus).bought);
        ASSERT_TRUE(RunUntil([&] { return !scene->GetSalute().GetRockets().empty(); }));
        CGameWonDialog& won = scene->GetGameWonDialog();
        ASSERT_TRUE(RunUntil([&] { return won.IsShown(); }, 6000));
        EXPECT_EQ(scene->GetCrossState(), ccsGameWon);
        Click(won, "ID_EXIT");
        ASSERT_TRUE(Left());
        EXPECT_EQ(scene->GetNextScene(), "Menu");
        EXPECT_EQ(scene->GetTransition(), 3);
        EXPECT_EQ(g_User.Settings().w_param_1, 777);
        const CProfile disk = ProfileOnDisk();
        EXPECT_EQ(disk.Settings().w_param_1, 777);
        EXPECT_TRUE(disk.HasGame(kBestGameSlot));
    }
}

TEST_F(CityScene, BuyingTheLastConstructionOfTheEpochPlaysTheFireworksAndLeavesForTheSelector)
{
    ASSERT_TRUE(initialized);
    MakeRich();
    ASSERT_TRUE(OpenShop());
    const int count = scene->GetCity().GetConstructionCount(0);
    ASSERT_GT(count, int(CShopPanel::kSlots));   // the shop has a second page to turn to
    for (int i = 0; i < count - 1; ++i) {
        ASSERT_TRUE(BuyItem(size_t(i))) << i;
        ASSERT_TRUE(InState(cssShop)) << i;
        ASSERT_TRUE(scene->GetCity().GetConstruction(0, i).bought) << i;
    }
    EXPECT_EQ(scene->GetCity().GetCurrentEpoch(), 0);
    ASSERT_TRUE(BuyItem(size_t(count - 1)));
    ASSERT_TRUE(RunUntil([&] { return scene->GetCrossState() == ccsToNextEpoch; }, 10));
    EXPECT_TRUE(scene->GetCity().IsEpochComplete(0));
    EXPECT_EQ(scene->GetCity().GetCurrentEpoch(), 1);
    EXPECT_EQ(g_User.Game().epoch, 1);
    const CProfile disk = ProfileOnDisk();
    ASSERT_TRUE(disk.HasGame(GetEpochStartSlot(1)));
    EXPECT_EQ(GetEpochStartSlot(1), "epoch_start_2");
    EXPECT_EQ(disk.GetGame(GetEpochStartSlot(1)).epoch, 1);

    ASSERT_TRUE(RunUntil([&] { return !scene->GetSalute().GetRockets().empty(); }));
    EXPECT_FALSE(scene->GetShopPanel().IsShown() && scene->GetShopPanel().IsModal());
    CEpochCompletePanel& panel = scene->GetEpochCompletePanel();
    ASSERT_TRUE(RunUntil([&] { return panel.IsShown(); }))
        << "stage " << scene->GetStage(ccsToNextEpoch) << " bursts " << scene->GetSalute()._bursts << " cross "
        << scene->GetCrossState() << " finished " << scene->GetSalute()._finished;
    EXPECT_FALSE(scene->GetSalute()._stop);   // the rockets fly on behind the panel
    Click(panel, "ID_OK");
    ASSERT_TRUE(RunUntil([&] { return scene->GetSalute()._stop; }, 200));
    ASSERT_TRUE(Left());
    EXPECT_EQ(scene->GetNextScene(), "Selector");
    EXPECT_GE(scene->GetSalute()._finished, int32_t(scene->GetSalute().GetRockets().size()));
}

TEST_F(CityScene, ContinueOnALevelBeforeTheLastSavesTheNextLevelAndReturnsToTheCaller)
{
    ASSERT_TRUE(initialized);
    g_User.SetPlayState(upsLevelFinished);
    ASSERT_TRUE(OpenShop());
    Click(scene->GetShopPanel(), "ID_CONTINUE");
    ASSERT_TRUE(Left());
    EXPECT_EQ(scene->GetNextScene(), "Game");
    EXPECT_EQ(scene->GetTransition(), 1);
    EXPECT_EQ(g_User.GetPlayState(), upsNextLevel);
    const CProfile disk = ProfileOnDisk();
    ASSERT_TRUE(disk.HasGame(kCurrentGameSlot));
    EXPECT_EQ(disk.GetGame(kCurrentGameSlot).play_state, upsNextLevel);
}

// With true the player says no to the warning; with false nothing is affordable any more.
class CityGameEnd : public CityScene, public ::testing::WithParamInterface<bool> {};

TEST_P(CityGameEnd, ContinueAfterTheLastLevelEndsTheGameAndAWarningComesFirstWhileSomethingIsAffordable)
{
    ASSERT_TRUE(initialized);
    GetGlobalVars().SetBool("is_last_level", true);
    MakeRich();
    ASSERT_TRUE(OpenShop());
    ASSERT_TRUE(scene->HasAffordableConstruction());
    Click(scene->GetShopPanel(), "ID_CONTINUE");
    CWarningDialog& warning = scene->GetWarningDialog();
    ASSERT_TRUE(RunUntil([&] { return warning.IsShown(); }));
    Click(warning, "ID_YES");
    ASSERT_TRUE(InState(cssShop));
    EXPECT_TRUE(scene->GetShopPanel().IsModal());
    EXPECT_FALSE(warning.IsVisible());

    if (GetParam()) {
        // "No" to the warning ends the game.
        Click(scene->GetShopPanel(), "ID_CONTINUE");
        ASSERT_TRUE(RunUntil([&] { return warning.IsShown(); }));
        Click(warning, "ID_NO");
        ASSERT_TRUE(RunUntil([&] { return scene->GetCrossState() == ccsGameComplete; }));
    } else {
        // Nothing affordable left: straight to the end of the game.
        GetResources().Assign({});
        scene->FillShop();
        ASSERT_FALSE(scene->HasAffordableConstruction());
        Click(scene->GetShopPanel(), "ID_CONTINUE");
        ASSERT_TRUE(RunUntil([&] { return scene->GetCrossState() == ccsGameComplete; }, 10));
        EXPECT_FALSE(warning.IsVisible());
    }
    CGameCompleteDialog& complete = scene->GetGameCompleteDialog();
    ASSERT_TRUE(RunUntil([&] { return complete.IsShown(); }));
    Click(complete, "ID_OK");
    ASSERT_TRUE(Left());
    EXPECT_EQ(scene->GetNextScene(), "Menu");
    EXPECT_EQ(scene->GetTransition(), 2);
    EXPECT_EQ(g_User.Settings().w_param_1, 1);
    EXPECT_EQ(g_User.GetGameState(), ugsCompleted);
    const CProfile disk = ProfileOnDisk();
    EXPECT_TRUE(disk.HasGame(kBestGameSlot));
    EXPECT_EQ(disk.Settings().w_param_1, 1);
    // The ended game is on disk as it ended.
    EXPECT_EQ(disk.GetGame(kCurrentGameSlot).game_state, ugsCompleted);
}

INSTANTIATE_TEST_SUITE_P(Ways, CityGameEnd, ::testing::Bool());

TEST_F(CityScene, TheRelaxViewOpenedFromTheShopClosesBackToTheShop)
{
    ASSERT_TRUE(initialized);
    ASSERT_TRUE(OpenShop());
    Click(GetGameScene().GetTopPanel(), "ID_RELAX");
    ASSERT_EQ(scene->GetCrossState(), ccsShopToRelax);
    // A result of the shop while the change runs is dropped, not acted on.
    scene->GetShopPanel().SetResult(CShopPanel::srContinue);
    Frame();
    EXPECT_EQ(scene->GetShopPanel().GetResult(), 0);
    ASSERT_TRUE(InState(cssRelax));
    EXPECT_EQ(scene->GetResult(), srRunning);
    EXPECT_FALSE(scene->GetShopPanel().IsVisible());
    EXPECT_FALSE(GetGameScene().GetTopPanel().IsVisible());
    Click(scene->GetRelaxDialog(), "ID_RELAX");
    ASSERT_TRUE(InState(cssShop));
    EXPECT_EQ(scene->GetResult(), srRunning);
    EXPECT_FALSE(scene->GetRelaxDialog().IsVisible());
    EXPECT_TRUE(scene->GetShopPanel().IsModal());
}

TEST_F(CityScene, EscapeTakesTheShopToThePauseAndBack)
{
    ASSERT_TRUE(initialized);
    ASSERT_TRUE(OpenShop());
    CPauseDialog& pause = GetGameScene().GetPauseDialog();
    scene->OnKeyDown(kEscape);
    ASSERT_TRUE(InState(cssPaused));
    EXPECT_TRUE(pause.IsShown());
    EXPECT_FALSE(scene->GetShopPanel().IsVisible());
    EXPECT_FALSE(GetGameScene().GetTopPanel().IsVisible());
    scene->OnKeyDown(kEscape);
    ASSERT_TRUE(InState(cssShop));
    EXPECT_TRUE(scene->GetShopPanel().IsShown());
    EXPECT_TRUE(GetGameScene().GetTopPanel().IsShown());
    EXPECT_FALSE(pause.IsVisible());

    // The pause's own buttons: back to the shop, the help (Escape closes it), leaving for the menu.
    for (const char* button : {"ID_GAME", "ID_HELP", "ID_MENU"}) {
        SCOPED_TRACE(button);
        scene->OnKeyDown(kEscape);
        ASSERT_TRUE(InState(cssPaused));
        Click(pause, button);
        if (std::string(button) == "ID_HELP") {
            ASSERT_TRUE(InState(cssHelp));
            EXPECT_TRUE(GetGameScene().GetHelpDialog().IsShown());
            EXPECT_FALSE(pause.IsVisible());
            scene->OnKeyDown(kEscape);
        } else if (std::string(button) == "ID_MENU") {
            CLeaveGameDialog& leave = pause.GetLeaveDialog();
            // Escape waits while the confirmation slides in.
            ASSERT_FALSE(pause.CanClose());
            scene->OnKeyDown(kEscape);
            EXPECT_EQ(scene->GetCrossState(), 0);
            EXPECT_EQ(scene->GetState(), cssPaused);
            ASSERT_TRUE(RunUntil([&] { return leave.IsShown(); }));
            Click(leave, "ID_LEAVE");
            ASSERT_TRUE(Left());
            EXPECT_EQ(scene->GetNextScene(), "Menu");
            EXPECT_EQ(scene->GetTransition(), 0);
            break;
        }
        ASSERT_TRUE(InState(cssShop));
        EXPECT_TRUE(scene->GetShopPanel().IsModal());
        EXPECT_FALSE(pause.IsVisible());
        EXPECT_FALSE(GetGameScene().GetHelpDialog().IsVisible());
    }
}

// The automatic scroll: every step it gives, to the end.
std::vector<float> ScrollSteps(CityScrollParams params, float distance)
{
    CityScroll scroll;
    scroll.params = params;
    scroll.Start(distance);
    std::vector<float> steps;
    for (int i = 0; i < 10000 && scroll.running; ++i) steps.push_back(scroll.Step());
    EXPECT_FALSE(scroll.running);
    return steps;
}

TEST(CityScroll, ReachesTheTargetExactlyAcceleratingOrBrakingAsTheParametersSay)
{
    struct Case {
        const char* name;
        float brake, distance;
    };
    for (const Case& c : {Case{"brake 0", 0.0f, 500.0f}, Case{"brake 0 backwards", 0.0f, -500.0f},
                          Case{"brake 50", 50.0f, 500.0f}, Case{"brake 50 backwards", 50.0f, -500.0f},
                          Case{"short", 0.0f, 3.0f}}) {
        SCOPED_TRACE(c.name);
        CityScrollParams params;
        params.min_speed = 1.0f;
        params.inc_speed = 2.0f;
        params.dec_speed = 2.0f;
        params.max_speed = 40.0f;
        params.brake_percent = c.brake;
        const std::vector<float> steps = ScrollSteps(params, c.distance);
        ASSERT_FALSE(steps.empty());
        float sum = 0.0f;
        const float sign = c.distance < 0.0f ? -1.0f : 1.0f;
        float peak = 0.0f;
        for (size_t i = 0; i < steps.size(); ++i) {
            const float s = steps[i] * sign;
            EXPECT_GT(s, 0.0f) << "step " << i;
            EXPECT_LE(s, params.max_speed) << "step " << i;
            sum += steps[i];
            peak = std::max(peak, s);
        }
        EXPECT_EQ(sum, c.distance);
        if (c.brake == 0.0f) {
            // No braking: each step at least the one before, save the last, cut to what remained.
            for (size_t i = 1; i + 1 < steps.size(); ++i) EXPECT_GE(steps[i] * sign, steps[i - 1] * sign) << i;
            if (std::abs(c.distance) > 100.0f) {
                EXPECT_EQ(peak, params.max_speed);
            }
        } else {
            // Accelerating up to the brake point, braking after it: the steps rise to one peak and
            // never rise again.
            size_t top = 0;
            while (top + 1 < steps.size() && steps[top + 1] * sign >= steps[top] * sign) ++top;
            for (size_t i = top + 1; i < steps.size(); ++i) EXPECT_LE(steps[i] * sign, steps[i - 1] * sign) << i;
            EXPECT_EQ(steps[top] * sign, peak);
            EXPECT_LT(steps.back() * sign, peak);
            // The peak comes near the half way.
            float before = 0.0f;
            for (size_t i = 0; i <= top; ++i) before += steps[i] * sign;
            EXPECT_GE(before, std::abs(c.distance) / 2.0f);
            EXPECT_LE(before, std::abs(c.distance) / 2.0f + peak);
        }
    }
}

TEST(CityScroll, ADistanceOfZeroStartsNothingAndANewStartRestarts)
{
    CityScroll scroll;
    scroll.Start(0.0f);
    EXPECT_FALSE(scroll.running);
    EXPECT_EQ(scroll.Step(), 0.0f);
    scroll.Start(200.0f);
    for (int i = 0; i < 5; ++i) scroll.Step();
    scroll.Start(-30.0f);
    EXPECT_TRUE(scroll.running);
    EXPECT_EQ(scroll.remaining, -30.0f);
    EXPECT_EQ(scroll.speed, -scroll.params.min_speed);
    float sum = 0.0f;
    for (int i = 0; i < 1000 && scroll.running; ++i) sum += scroll.Step();
    EXPECT_EQ(sum, -30.0f);
}

} // namespace

namespace {

// Every epoch's district with all its constructions at their highest level, as the player sees it;
// ZF_CITY_SHOTS=<folder> keeps the pictures (city_epoch_1.png ... city_epoch_7.png).
TEST_F(CityScene, EveryDistrictFullyBuiltIsDrawn)
{
    ASSERT_TRUE(initialized);
    CCity& city = scene->GetCity();
    CGameSlot game = g_User.Game();
    for (int epoch = 0; epoch < city.GetEpochCount(); ++epoch)
        for (int i = 0; i < city.GetConstructionCount(epoch); ++i) {
            const CityConstruct c = city.GetConstruction(epoch, i);
            game.city[c.id] = CityEntry{true, std::max(0, c.level_count - 1)};
        }
    scene->LoadCityProgress(game);
    ASSERT_TRUE(city.IsAllComplete());

    CEngineCore& core = CEngineCore::Instance();
    CCityView& view = GetCityView();
    view.SetScrollEnabled(true);
    view.SetHoverEnabled(false);
    view.Scroll(600.0f, 0.0f);   // the middle of the first district
    uint64_t previous = 0;
    for (int epoch = 0; epoch < city.GetEpochCount(); ++epoch) {
        zftest::SurfacePtr shot;
        for (int frame = 0; frame < 2; ++frame) {
            core.SetFrameTime(0.016f);
            ASSERT_TRUE(core.BeginFrame());
            core.Clear(0xFF000000);
            view.UpdateConstructions();
            view.Draw();
            if (frame == 1) shot = zftest::ReadBack(core.GetDevice(), SDL_Rect{0, 0, 800, 600});
            core.EndFrame();
        }
        ASSERT_TRUE(shot) << SDL_GetError();
        // A picture, not a blank: many colours, and another one than the district before.
        std::set<uint32_t> colours;
        uint64_t sum = 0;
        for (int y = 0; y < 600; y += 7)
            for (int x = 0; x < 800; x += 7) {
                const uint32_t p = zftest::PixelAt(shot.get(), x, y);
                colours.insert(p);
                sum = sum * 31 + p;
            }
        EXPECT_GT(colours.size(), 200u) << "district " << epoch + 1;
        EXPECT_NE(sum, previous) << "district " << epoch + 1;
        previous = sum;
        zftest::KeepPicture(shot, "ZF_CITY_SHOTS", "city_epoch_" + std::to_string(epoch + 1));
        view.Scroll(2000.0f, 0.0f);
    }
}

} // namespace
