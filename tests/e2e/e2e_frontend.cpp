// The front end as a new player meets it, in two whole-program runs: the logo and the splash, the
// name asked at the first start, a new game chosen in the epoch selector, a level played, the city
// visited, back to the menu, the options changed, quit; then a second start that continues the saved
// game. Screenshots of each screen are taken on the way (ZF_E2E_KEEP_SHOTS=<folder> keeps them);
// under a virtual X display (ZF_E2E_VIDEO=x11) the runs draw into a real window.
#include "e2e_game_driver.h"
#include "e2e_util.h"

#include "menu/menu_logo.h"
#include "menu/menu_menu.h"
#include "menu/menu_selector.h"
#include "player/player_profiles.h"
#include "player/player_slot.h"
#include "settings/main_settings.h"

#include <fstream>

namespace {

using namespace e2e;

// One run through the front end: the steps in the menu and the selector in turn, the game and the
// city left to the game driver.
class Journey {
public:
    enum Step { kName, kLookAtMenu, kStart, kChooseEpoch, kOptions, kLowerMusic, kCloseOptions, kContinue, kExit, kDone };

    Journey(std::vector<Step> steps, std::vector<GameDriver::Action> actions, std::string report)
        : _steps(steps.begin(), steps.end()), _game(std::move(actions)), _report(std::move(report))
    {
    }

    void operator()(AScene& scene)
    {
        const std::string alias = scene.GetAlias();
        if (alias != _scene) _wait = 20;
        _scene = alias;
        if (alias == "Game" || alias == "City") {
            _game(scene);
            return;
        }
        if (_hand.Step()) return;
        if (_wait > 0) {
            --_wait;
            return;
        }
        if (alias == "Logo") {
            // The title card at its full strength; the key of the screenshot then skips the rest.
            const CSplashImages* splash = static_cast<CLogoScene&>(scene).GetSplashImages();
            if (_splash_shot || !splash || splash->GetCurrent() + 1 != splash->GetCount() || splash->GetAlpha() < 255)
                return;
            Shot("splash");
            _splash_shot = true;
            return;
        }
        if (alias == "Selector") {
            CSelectorScene& selector = GetSelectorScene();
            if (Current() != kChooseEpoch || selector.GetState() != 2) return;
            Shot("selector");
            _hand.ClickOn(selector.GetDialog(), "ID_START");
            Next();
            return;
        }
        if (alias == "Menu") InMenu(GetMenuScene());
    }

private:
    Step Current() const { return _steps.empty() ? kDone : _steps.front(); }
    void Next()
    {
        if (!_steps.empty()) _steps.pop_front();
        _wait = 20;
    }
    void Shot(const char* key)
    {
        std::ofstream(_report, std::ios::app) << key << '\n';
        PushKey(SDL_SCANCODE_PRINTSCREEN);
        _wait = 20;
    }
    void InMenu(CMenuScene& menu)
    {
        if (menu.GetCrossState() != 0) return;
        switch (Current()) {
        case kName:
            if (menu.GetState() != msFirstUser) return;
            if (!_name_shot) {
                _name_shot = true;
                Shot("first_profile");
                return;
            }
            if (!_typed) {
                PushText("Ann");
                _typed = true;
                _wait = 10;
                return;
            }
            PushKey(SDL_SCANCODE_RETURN);
            Next();
            return;
        case kLookAtMenu:
            if (menu.GetState() != msDefault) return;
            Shot("menu");
            Next();
            return;
        case kStart:
            if (menu.GetState() != msDefault) return;
            _hand.ClickOn(menu.GetMainDialog(), "ID_START");
            Next();
            return;
        case kContinue:
            if (menu.GetState() != msContinueGame) return;
            Shot("continue");
            _hand.ClickOn(menu.GetContinueDialog(), "ID_CONTINUE");
            Next();
            return;
        case kOptions:
            if (menu.GetState() != msDefault) return;
            _hand.ClickOn(menu.GetMainDialog(), "ID_OPTIONS");
            Next();
            return;
        case kLowerMusic: {
            if (menu.GetState() != msOptions) return;
            Shot("options");
            // A click a fifth of the way along the music's bar.
            const CBaseControlPtr bar = menu.GetOptionsDialog().GetControl("ID_MUSIC");
            _hand.Click(bar->GetX() + bar->GetWidth() / 5, bar->GetY() + bar->GetHeight() / 2);
            Next();
            return;
        }
        case kCloseOptions:
            if (menu.GetState() != msOptions) return;
            _hand.ClickOn(menu.GetOptionsDialog(), "ID_BACK");
            Next();
            return;
        case kExit:
            if (menu.GetState() != msDefault) return;
            _hand.ClickOn(menu.GetMainDialog(), "ID_EXIT");
            Next();
            return;
        default:
            return;
        }
    }

    std::deque<Step> _steps;
    GameDriver _game;
    std::string _report;
    std::string _scene;
    MouseHand _hand;
    int _wait = 0;
    bool _splash_shot = false;
    bool _name_shot = false;
    bool _typed = false;
};

// Runs the journey in a death-test child.
void Travel(std::vector<Journey::Step> steps, std::vector<GameDriver::Action> actions, const std::string& report)
{
    if (const char* video = std::getenv("ZF_E2E_VIDEO")) setenv("SDL_VIDEODRIVER", video, 1);
    auto journey = std::make_shared<Journey>(std::move(steps), std::move(actions), report);
    SetSceneFrameObserver([journey](AScene& scene) { (*journey)(scene); });
    RunProgram({}, {});
}

TEST_F(Program, AFrontEndJourneyFromTheFirstStartToAContinuedGame)
{
    WriteText(UserFile("Config.xml"), "<Config><Options windowed=\"1\"/></Config>");
    const std::string report = home() + "/journey.txt";
    // A death test's child runs the test again from its start: the files of the first run stay.
    if (!std::filesystem::exists(UserFile("Profiles.xml"))) std::filesystem::remove(report);
    EXPECT_EXIT(Travel({Journey::kName, Journey::kLookAtMenu, Journey::kStart, Journey::kChooseEpoch, Journey::kOptions,
                        Journey::kLowerMusic, Journey::kCloseOptions, Journey::kExit},
                       {GameDriver::kFinish, GameDriver::kLeave}, report),
                ::testing::ExitedWithCode(0), "");
    const std::string first_log = Log();
    EXPECT_TRUE(InOrder(first_log, {"Start Logo...", "Logo stopped.", "Entering MENU loop...",
                                    "Start cross-state: crsToFirstUser", "Start cross-state: crsFinish",
                                    "Entering SELECTOR loop...", "Initializing level 1 in episode 1...",
                                    "Start cross-state: crsFinishLevel", "Entering CITY loop...",
                                    "Initializing level 2 in episode 1...", "Start cross-state: crsPauseToMenu",
                                    "Entering MENU loop...", "Start cross-state: crsToOptions",
                                    "Start cross-state: crsExit", "Exit game: shutdown normally."}))
        << first_log;
    CProfiles saved;
    ASSERT_TRUE(saved.Load(UserFile("Profiles.xml")));
    EXPECT_EQ(saved.GetActiveName(), "Ann");
    const CGameSlot game = saved.GetProfile("Ann").GetGame(kCurrentGameSlot);
    EXPECT_EQ(game.game_state, ugsPlaying);
    EXPECT_EQ(game.level, 1) << "the second level was left";
    CGameSettings config(UserFile("Config.xml"));
    config.Load();
    EXPECT_LT(config.Record().mus_vol, 30) << "the music was turned down in the options";
    EXPECT_TRUE(config.Record().windowed);

    // The second start continues the saved game in its second level.
    EXPECT_EXIT(Travel({Journey::kStart, Journey::kContinue, Journey::kExit}, {GameDriver::kLeave}, report),
                ::testing::ExitedWithCode(0), "");
    const std::string log = Log();
    EXPECT_TRUE(InOrder(log, {"Entering MENU loop...", "Start cross-state: crsToContinueGame", "Initialize game data...",
                              "Initializing level 2 in episode 1...", "Start cross-state: crsPauseToMenu",
                              "Entering MENU loop...", "Start cross-state: crsExit", "Exit game: shutdown normally."}))
        << log;
    EXPECT_EQ(log.find("Start cross-state: crsToFirstUser"), std::string::npos);
    const auto shots = ReadReport(report);
    for (const char* key : {"splash", "first_profile", "menu", "selector", "options", "continue"})
        EXPECT_EQ(shots.count(key), 1u) << key;
    EXPECT_EQ(CountShots(UserFile(""), "journey-"), 7) << "two splashes, one in each run";
}

} // namespace
