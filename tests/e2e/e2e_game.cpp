// A level played by the whole program in test mode: a scripted player drags real chains that the
// field's move analysis finds, fires a bonus from the bonus panel, pauses, lets the time run out,
// and leaves through the pause dialog. Screenshots of the level start, mid-play, the bonus effect
// and the pause are written to the user folder. Under a virtual X display (ZF_E2E_VIDEO=x11, run
// by the ctest entry test_e2e_game_xvfb) the same run draws into a real window.
#include "e2e_game_driver.h"
#include "e2e_util.h"

#include "engine/core/engine_scene.h"
#include "field/config/field_config.h"
#include "field/timebar/field_timer.h"
#include "game/game_game.h"
#include "game/game_hints.h"
#include "player/player_resources.h"
#include "player/player_user.h"
#include "support/game_autoplayer.h"

#include <fstream>
#include <sstream>

namespace {

using namespace e2e;

// The cells of the field that still hold picture tiles.
int TilesLeft(CGameField& field)
{
    int left = 0;
    for (int cell = 0; cell < g_LevelCfg.GetCellCount(); ++cell)
        if (field.GetTiles().HasLayersLeft(cell)) ++left;
    return left;
}

int Resources() { return g_User.GetCollectAmount(1) + g_User.GetCollectAmount(2) + g_User.GetCollectAmount(3); }

// The player: what it saw is written line by line to the report, one "key value..." per line.
class ScriptedPlayer {
public:
    explicit ScriptedPlayer(std::string report) : _report(std::move(report)) {}
    ScriptedPlayer(const ScriptedPlayer&) = delete;
    ScriptedPlayer& operator=(const ScriptedPlayer&) = delete;

    void operator()(AScene& scene)
    {
        if (scene.GetAlias() != "Game") return;
        CGameScene& game = GetGameScene();
        if (_hand.Step()) return;
        if (_wait > 0) {
            --_wait;
            return;
        }
        // A tutorial hint that comes up between the moves is read and closed with Return.
        if (game.GetState() == gssHintShown && !_dragging) {
            PushKey(SDL_SCANCODE_RETURN);
            _wait = 2;
            return;
        }
        switch (_phase) {
        case 0:   // the level has started: look at it
            if (game.GetState() != gssPlaying) return;
            Write("start", {g_User.GetScore(), Resources(), TilesLeft(game.GetField()), g_User.GetLives()});
            PushKey(SDL_SCANCODE_PRINTSCREEN);
            _phase = 1;
            _wait = 5;
            return;
        case 1:   // three chains, each looked at once the field is quiet again
            if (_dragging) {
                if (_player.Step(game)) return;
                _dragging = false;
                _settling = true;
                return;
            }
            if (_settling) {
                if (game.GetState() != gssPlaying || !game.GetField().IsIdle() || game.GetField().IsRefillPending() ||
                    game.GetField().IsOpeningPending())
                    return;
                _settling = false;
                Write("chain", {g_User.GetScore(), Resources(), TilesLeft(game.GetField()),
                                game.GetField().GetLevelRecord().n_chains});
                if (_player.GetChainsStarted() == 2) PushKey(SDL_SCANCODE_PRINTSCREEN);
                if (_player.GetChainsStarted() >= 3) {
                    // A player who has earned a bonus the level offers: its credit reaches the first grade.
                    // Those with a visible strike first: dynamite, lightning, magic wand, then any.
                    for (int type : {11, 13, 16, 10, 12, 14, 15, 17})
                        if (_bonus == 0 && GetResCredits().IsAvailable(type)) _bonus = type;
                    GetResCredits().Add(_bonus, 10);
                    _phase = 2;
                    _wait = 20;
                }
                return;
            }
            _dragging = _player.Step(game);
            return;
        case 2: {   // pick the bonus on the bonus panel
            if (game.GetState() != gssPlaying) return;
            const GamePoint icon = game.GetBonusPanel().GetBonusIconPos(_bonus);
            Write("credit", {GetResCredits().GetGrade(_bonus), _bonus});
            _hand.Click(icon.x, icon.y + 12.0f);
            _phase = 3;
            _wait = 10;
            return;
        }
        case 3: {   // and fire it at the middle of the field (a bonus that acts at once is used already)
            Write("armed", {game.GetField().IsBonusArmed() || !game.GetField().GetLevelRecord().bonus_use.empty() ? 1 : 0,
                            GetResCredits().GetGrade(_bonus)});
            if (!game.GetField().IsBonusArmed()) {
                _phase = 4;
                _wait = 4;
                return;
            }
            // The ball nearest the middle of the field.
            float x = 0.0f, y = 0.0f;
            const int count = g_LevelCfg.GetCellCount();
            for (int d = 0; d < count; ++d) {
                const int cell = (count / 2 + (d % 2 ? -1 : 1) * ((d + 1) / 2) + count) % count;
                if (game.GetField().HasPlayableBall(cell) && g_LevelCfg.CellToScreenCenter(cell, x, y)) break;
            }
            _hand.Click(x, y);
            _phase = 4;
            _wait = 4;
            return;
        }
        case 4:
            Write("bonus", {int(game.GetField().GetLevelRecord().bonus_use.size()), TilesLeft(game.GetField()),
                            game.GetField().IsBonusArmed() ? 1 : 0});
            PushKey(SDL_SCANCODE_PRINTSCREEN);
            _phase = 5;
            return;
        case 5:   // pause once the field is quiet
            if (game.GetState() != gssPlaying || !game.GetField().IsIdle()) return;
            PushKey(SDL_SCANCODE_ESCAPE);
            _phase = 6;
            return;
        case 6:
            if (game.GetState() != gssPaused) return;
            Write("paused", {game.GetPauseDialog().IsShown() ? 1 : 0});
            PushKey(SDL_SCANCODE_PRINTSCREEN);
            _phase = 7;
            _wait = 10;
            return;
        case 7:
            PushKey(SDL_SCANCODE_ESCAPE);
            _phase = 8;
            return;
        case 8:   // back in play; now the time runs out
            if (game.GetState() != gssPlaying) return;
            Write("resumed", {g_User.GetLives()});
            _phase = 9;
            return;
        case 9:
            if (game.GetCrossState() == gcsDie) {
                _phase = 10;
                Write("died", {g_User.GetLives()});
            }
            return;
        case 10:   // the level starts again with one life less
            if (game.GetState() != gssPlaying) return;
            Write("restarted", {g_User.GetLives(), TilesLeft(game.GetField())});
            PushKey(SDL_SCANCODE_ESCAPE);
            _phase = 11;
            return;
        case 11:   // leave: the menu button, then the confirmation
            if (game.GetState() != gssPaused) return;
            _hand.ClickOn(game.GetPauseDialog(), "ID_MENU");
            _phase = 12;
            return;
        case 12:
            if (!game.GetPauseDialog().GetLeaveDialog().IsShown()) return;
            _hand.ClickOn(game.GetPauseDialog().GetLeaveDialog(), "ID_LEAVE");
            _phase = 13;
            return;
        default:
            return;
        }
    }

private:
    void Write(const char* key, std::initializer_list<int> values)
    {
        std::ofstream out(_report, std::ios::app);
        out << key;
        for (int v : values) out << ' ' << v;
        out << '\n';
    }

    std::string _report;
    MouseHand _hand;
    zftest::GameAutoPlayer _player{[this](const zftest::AutoMouse& m) { _hand.Push(m); }};
    int _phase = 0;
    int _wait = 0;
    bool _dragging = false;
    bool _settling = false;
    int _bonus = 0;
};

// The fourth level (the first with bonus balls) with a short clock: 15 seconds of a 120-step bar.
std::string ShortLevel()
{
    std::string level = ReadTextFile(std::string(ZF_GAME_DATA_DIR) + "/Levels/E01/L04.xml");
    const size_t at = level.find("<State ");
    const size_t end = level.find("/>", at);
    level.replace(at, end - at, "<State min=\"0\" max=\"120\" pos=\"120\" delta=\"-1\" delay=\"125\"");
    return level;
}

TEST_F(Program, ALevelIsPlayedWithRealChainsABonusAPauseAndALostLife)
{
    WriteText(UserFile("Config.xml"), "<Config><Options keys=\"1\" no_logo=\"1\" windowed=\"1\"/></Config>");
    const std::string game = MakeGameFolder(home() + "/game", {});
    OverrideGameFile(game, "Levels/E01/L04.xml", ShortLevel());
    setenv("ZERAFINE_DATA", game.c_str(), 1);
    if (const char* video = std::getenv("ZF_E2E_VIDEO")) setenv("SDL_VIDEODRIVER", video, 1);
    const std::string report = home() + "/play.txt";
    std::filesystem::remove(report);
    EXPECT_EXIT(
        {
            // The observer is copied around; the player (whose mouse sink points at it) stays put.
            auto player = std::make_shared<ScriptedPlayer>(report);
            SetSceneFrameObserver([player](AScene& scene) { (*player)(scene); });
            RunProgram({"0", "3"}, {});
        },
        ::testing::ExitedWithCode(0), "");
    const std::string log = Log();
    auto r = ReadReport(report);
    ASSERT_EQ(r["start"].size(), 1u) << log;
    const std::vector<int> start = r["start"][0];
    ASSERT_EQ(r["chain"].size(), 3u) << log;
    // Every chain scores; the chains earn resources (a bonus ball's chain earns its credit
    // instead) and the tiles under them peel.
    int score = start[0];
    for (const std::vector<int>& chain : r["chain"]) {
        EXPECT_GT(chain[0], score);
        score = chain[0];
    }
    EXPECT_GT(r["chain"].back()[1], start[1]);
    EXPECT_LT(r["chain"].back()[2], start[2]);
    EXPECT_EQ(r["chain"].back()[3], 3);
    // The bonus was picked on the panel (its credit taken) and went off on the field.
    ASSERT_EQ(r["credit"].size(), 1u) << log;
    EXPECT_EQ(r["credit"][0][0], 1);
    EXPECT_EQ(r["armed"][0], (std::vector<int>{1, 0}));
    EXPECT_EQ(r["bonus"][0][0], 1);
    EXPECT_EQ(r["paused"][0][0], 1);
    // The time ran out: one life less, and the level starts again whole.
    EXPECT_EQ(r["died"][0][0], start[3] - 1);
    EXPECT_EQ(r["restarted"][0][0], start[3] - 1);
    EXPECT_EQ(r["restarted"][0][1], start[2]);
    EXPECT_TRUE(InOrder(log, {"Initializing level 4 in episode 1...", "Start cross-state: crsStartLevel",
                              "Changing game state: ssDefault", "Changing game state: ssPaused",
                              "Start cross-state: crsDie", "Start cross-state: crsPauseToMenu",
                              "Leaving GAME loop.", "Exit game: shutdown normally."}))
        << log;
    // Four screenshots: the start, mid-play, the bonus and the pause.
    const int shots = CountShots(UserFile(""), "");
    EXPECT_EQ(shots, 4);
}

// A player's tour of the dialogs around a level, in a real run with a profile: the first-move hint,
// the help, a finished level's statistics counting up, the promotion its score reaches, the bonus
// resources drawn on the reels, the city, the next level, and the way out through the pause and its
// confirmation. Each dialog is photographed where the player reads it.
class DialogTour {
public:
    explicit DialogTour(std::string report) : _report(std::move(report)) {}
    DialogTour(const DialogTour&) = delete;
    DialogTour& operator=(const DialogTour&) = delete;

    void operator()(AScene& scene)
    {
        if (scene.GetAlias() == "City") {
            // The city's first visit: its hint, then the shop, each photographed once.
            if (_wait > 0) {
                --_wait;
                return;
            }
            CCityScene& city = GetCityScene();
            if (_city_shots == 0 && GetHintsManager().IsActive()) {
                Shot("city_hint", GetHintsManager().GetActiveId());
                _city_shots = 1;
                _wait = 10;
                return;
            }
            if (_city_shots == 1 && city.GetState() == cssShop) {
                Shot("shop", city.GetCity().GetCurrentEpoch());
                _city_shots = 2;
                _wait = 10;
                return;
            }
            LeaveCity(_hand);
            return;
        }
        if (scene.GetAlias() == "Menu" || scene.GetAlias() == "Selector") {
            _scene = scene.GetAlias();
            // The game goes on; after the tour, the player quits.
            _menu.Drive(scene, _phase >= 12 ? kQuit : kPlay);
            return;
        }
        _scene = scene.GetAlias();
        if (_scene != "Game") return;
        CGameScene& game = GetGameScene();
        if (_hand.Step()) return;
        if (_wait > 0) {
            --_wait;
            return;
        }
        switch (_phase) {
        case 0:   // the first-move hint comes up by itself while the player looks at the field
            if (game.GetState() != gssHintShown) return;
            Shot("hint", GetHintsManager().GetActiveId());
            Next(1, 10);
            return;
        case 1:
            PushKey(SDL_SCANCODE_RETURN);
            Next(2, 5);
            return;
        case 2:   // the help
            if (game.GetState() != gssPlaying) return;
            Write("hint_seen", {g_User.IsHintShown(100) ? 1 : 0});
            PushKey(SDL_SCANCODE_F1);
            Next(3, 0);
            return;
        case 3:
            if (game.GetState() != gssHelpShown) return;
            Shot("help", game.GetHelpDialog().GetSection());
            Next(4, 10);
            return;
        case 4:
            _hand.ClickOn(game.GetHelpDialog(), "ID_EXIT");
            Next(5, 0);
            return;
        case 5:   // the level is won
            if (game.GetState() != gssPlaying) return;
            game.StartCrossState(gcsLevelFinish);
            Next(6, 0);
            return;
        case 6:   // the statistics, photographed while they count up
            if (!game.GetStatisticsDialog().IsShown()) return;
            Next(7, 40);
            return;
        case 7:
            Shot("statistics", 0);
            Next(8, 150);
            return;
        case 8:
            if (!game.GetStatisticsDialog().IsShown()) {
                Next(9, 0);
                return;
            }
            _hand.ClickOn(game.GetStatisticsDialog(), "ID_OK");
            _wait = 10;
            return;
        case 9:   // the promotion, and the resources chosen as its prize
            if (!game.GetPromotionDialog().IsShown()) return;
            Shot("promotion", g_User.GetTitleIndex());
            Next(10, 10);
            return;
        case 10: {
            CPromotionDialog& promotion = game.GetPromotionDialog();
            _hand.ClickOn(promotion, promotion.GetControl("ID_RESOURCE")->IsVisible() ? "ID_RESOURCE" : "ID_RESOURCE_CENTER");
            Next(11, 0);
            return;
        }
        case 11: {   // the reels: spinning, then stopped and counted
            CBonusResourcesDialog& reels = game.GetResourcesDialog();
            if (!reels.IsShown()) return;
            if (_step == 0) {
                Shot("reels", 0);
                _step = 1;
                _wait = 20;
            } else if (_step == 1) {
                if (reels.GetControl("ID_GET")->IsVisible()) _hand.ClickOn(reels, "ID_GET");
                _step = 2;
                _wait = 120;
            } else if (_step == 2) {
                Shot("reels_drawn", 0);
                _step = 3;
                _wait = 10;
            } else {
                _hand.ClickOn(reels, "ID_OK");
                _step = 0;
                Next(12, 0);
            }
            return;
        }
        case 12:   // the next level, then away through the pause and its confirmation
            if (game.GetState() != gssPlaying) return;
            Write("next_level", {g_User.GetLevel(), g_User.GetTitleIndex()});
            PushKey(SDL_SCANCODE_ESCAPE);
            Next(13, 0);
            return;
        case 13:
            if (game.GetState() != gssPaused) return;
            _hand.ClickOn(game.GetPauseDialog(), "ID_MENU");
            Next(14, 0);
            return;
        case 14:
            if (!game.GetPauseDialog().GetLeaveDialog().IsShown()) return;
            Shot("leave", 0);
            Next(15, 10);
            return;
        case 15:
            _hand.ClickOn(game.GetPauseDialog().GetLeaveDialog(), "ID_LEAVE");
            Next(16, 0);
            return;
        default:
            return;
        }
    }

private:
    void Next(int phase, int wait)
    {
        _phase = phase;
        _wait = wait;
    }
    void Shot(const char* key, int value)
    {
        Write(key, {value});
        PushKey(SDL_SCANCODE_PRINTSCREEN);
    }
    void Write(const char* key, std::initializer_list<int> values)
    {
        std::ofstream out(_report, std::ios::app);
        out << key;
        for (int v : values) out << ' ' << v;
        out << '\n';
    }

    std::string _report;
    std::string _scene;
    MouseHand _hand;
    MenuHand _menu;
    int _phase = 0;
    int _step = 0;
    int _wait = 0;
    int _city_shots = 0;
};

TEST_F(Program, TheDialogsAroundALevelAreAnsweredAsAPlayerDoes)
{
    WriteText(UserFile("Config.xml"), "<Config><Options no_logo=\"1\" windowed=\"1\"/></Config>");
    // A player at the first level whose score has just reached the second title of the shipped ladder.
    const std::string ladder = ReadTextFile(std::string(ZF_GAME_DATA_DIR) + "/Settings/Promotions.xml");
    const size_t second = ladder.find("<Promotion ", ladder.find("<Promotion ") + 1);
    const std::string score = std::to_string(std::atoi(ladder.c_str() + ladder.find("score=\"", second) + 7));
    WriteText(UserFile("Profiles.xml"),
              "<Profiles active_user=\"Ann\"><Profile name=\"Ann\"><Game alias=\"current_game\" game_state=\"2\" "
              "play_state=\"1\" episode=\"0\" level=\"-1\" bonus_level=\"-1\"><Resources><Base lives=\"3\" "
              "score=\"" + score + "\"/></Resources></Game></Profile></Profiles>");
    if (const char* video = std::getenv("ZF_E2E_VIDEO")) setenv("SDL_VIDEODRIVER", video, 1);
    // ZF_E2E_AUDIO=<file> records what the player hears into the file (raw samples).
    if (const char* audio = std::getenv("ZF_E2E_AUDIO")) {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", audio, 1);
    }
    const std::string report = home() + "/tour.txt";
    std::filesystem::remove(report);
    EXPECT_EXIT(
        {
            auto tour = std::make_shared<DialogTour>(report);
            SetSceneFrameObserver([tour](AScene& scene) { (*tour)(scene); });
            RunProgram({}, {});
        },
        ::testing::ExitedWithCode(0), "");
    const std::string log = Log();
    auto r = ReadReport(report);
    ASSERT_EQ(r["hint"].size(), 1u) << log;
    EXPECT_EQ(r["hint"][0][0], 100);
    EXPECT_EQ(r["hint_seen"][0][0], 1);
    EXPECT_EQ(r["help"][0][0], 1);
    ASSERT_EQ(r["promotion"].size(), 1u) << log;
    EXPECT_EQ(r["promotion"][0][0], 1);
    ASSERT_EQ(r["next_level"].size(), 1u) << log;
    EXPECT_EQ(r["next_level"][0], (std::vector<int>{1, 1}));
    EXPECT_TRUE(InOrder(log, {"Changing game state: ssHint", "Changing game state: ssHelp",
                              "Start cross-state: crsFinishLevel", "Start cross-state: crsFinishToShop",
                              "Initializing level 2 in episode 1...", "Start cross-state: crsPauseToMenu",
                              "Exit game: shutdown normally."}))
        << log;
    const int shots = CountShots(UserFile(""), "tour-");
    // The hint, the help, the statistics, the promotion, the reels spinning and drawn, the city's
    // hint and its shop, the leave.
    ASSERT_EQ(r["city_hint"].size(), 1u) << log;
    EXPECT_EQ(r["city_hint"][0][0], 113);
    EXPECT_EQ(shots, 9) << ReadTextFile(report);
}

// The two other ends of a level, in a real run: a bonus level finished (its dialog, then the city),
// and the last life lost in the next level (the game over, then the epoch selector and the menu).
class EndsTour {
public:
    void operator()(AScene& scene)
    {
        const std::string alias = scene.GetAlias();
        _scene = alias;
        if (alias == "City") {
            LeaveCity(_hand);
            return;
        }
        if (alias != "Game") {
            // The game goes on from the menu; after the game over, the player leaves the selector
            // for the menu and quits.
            _menu.Drive(scene, _phase >= 6 ? kQuit : kPlay);
            return;
        }
        CGameScene& game = GetGameScene();
        if (_hand.Step()) return;
        if (_wait > 0) {
            --_wait;
            return;
        }
        switch (_phase) {
        case 0:   // the bonus level is won
            if (game.GetState() != gssPlaying || !game.IsBonusLevel()) return;
            game.StartCrossState(gcsBonusFinish);
            _phase = 1;
            return;
        case 1:
            if (!game.GetBonusCompleteDialog().IsShown()) return;
            PushKey(SDL_SCANCODE_PRINTSCREEN);
            _phase = 2;
            _wait = 10;
            return;
        case 2:
            _hand.ClickOn(game.GetBonusCompleteDialog(), "ID_OK");
            _phase = 3;
            return;
        case 3:   // the next level: the time runs out on the last life
            if (game.GetState() != gssPlaying || game.IsBonusLevel()) return;
            game.StartCrossState(gcsDie);
            _phase = 4;
            return;
        case 4:
            if (!game.GetGameOverDialog().IsShown()) return;
            PushKey(SDL_SCANCODE_PRINTSCREEN);
            _phase = 5;
            _wait = 10;
            return;
        case 5:
            _hand.ClickOn(game.GetGameOverDialog(), "ID_OK");
            _phase = 6;
            return;
        default:
            return;
        }
    }

private:
    std::string _scene;
    MouseHand _hand;
    MenuHand _menu;
    int _phase = 0;
    int _wait = 0;
};

TEST_F(Program, ABonusLevelsEndAndAGameOverAreShown)
{
    WriteText(UserFile("Config.xml"), "<Config><Options no_logo=\"1\" windowed=\"1\"/></Config>");
    // A player on the last life whose next level is a bonus level.
    WriteText(UserFile("Profiles.xml"),
              "<Profiles active_user=\"Ann\"><Profile name=\"Ann\" not_show_hints=\"1\" pass_smart_test=\"1\">"
              "<Game alias=\"current_game\" game_state=\"2\" play_state=\"5\" episode=\"0\" level=\"2\" "
              "bonus_level=\"-1\"><Resources><Base lives=\"1\" score=\"777\"/></Resources></Game></Profile></Profiles>");
    if (const char* video = std::getenv("ZF_E2E_VIDEO")) setenv("SDL_VIDEODRIVER", video, 1);
    EXPECT_EXIT(
        {
            auto tour = std::make_shared<EndsTour>();
            SetSceneFrameObserver([tour](AScene& scene) { (*tour)(scene); });
            RunProgram({}, {});
        },
        ::testing::ExitedWithCode(0), "");
    const std::string log = Log();
    EXPECT_TRUE(InOrder(log, {"Initializing bonus level 1 in episode 1...", "Start cross-state: crsFinishToShop",
                              "Initializing level 4 in episode 1...", "Start cross-state: crsLivesOut", "Entering MENU loop...",
                              "Exit game: shutdown normally."}))
        << log;
    const int shots = CountShots(UserFile(""), "ends-");
    EXPECT_EQ(shots, 2);
}

} // namespace
