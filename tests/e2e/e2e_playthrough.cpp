// The automatic player: the whole program from a new player's first start, every level played with
// the chains the field's own move analysis finds, the bonus level taken that each promotion offers,
// the city's shop bought out as far as the resources go after each level, the next epoch opened in
// the selector when one is built, on to the game won.
// It runs on a virtual clock (each frame is 16 ms of game time however long it takes to draw), so a
// level of ten minutes plays in the time its frames take.
//
//   ZF_PLAYTHROUGH_EPISODES   episodes to play (default 1; "all": the whole game, to the game won)
//   ZF_PLAYTHROUGH_LEVELS     levels to play in all, whatever the episodes, starting new games as often
//                             as needed (the soak run)
//   ZF_PLAYTHROUGH_THINK_MS   the player's pause before each chain (default 1000)
//   ZF_PLAYTHROUGH_MINUTES    how long the run may take in real time (default 20)
//   ZF_PLAYTHROUGH_REPORT     where the report goes (Markdown); tools/playthrough writes the whole game's
//   ZF_PLAYTHROUGH_DRAW=1     let the renderer fill its pixels on every frame
//   ZF_PLAYTHROUGH_SHOTS      a folder for screenshots: each episode's fifth level in play, each epoch built
//
// The program draws every frame as it always does, down to the triangles it hands to the renderer;
// only the renderer's filling of pixels is left out (this test links SDL's drawing calls through the
// wrappers below), except for a few frames before each screenshot. That makes a level cost a tenth.
//
// It fails when a level cannot be won (the lives run out), when an epoch's constructions cannot be
// bought by the end of its episode, or when the game does not end won.
#include "e2e_game_driver.h"
#include "e2e_menu_driver.h"
#include "e2e_util.h"
#include "playthrough_report.h"

#include "city/city_dialogs.h"
#include "city/city_scene.h"
#include "engine/base/engine_clock.h"
#include "engine/core/engine_scene.h"
#include "engine/core/engine_scene_internal.h"
#include "field/timebar/field_timer.h"
#include "game/game_game.h"
#include "game/game_hints.h"
#include "player/player_prices.h"
#include "player/player_user.h"
#include "support/game_autoplayer.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>

// Whether the renderer fills pixels. Set by the automatic player; read by the wrapped calls.
bool g_rasterise = true;

extern "C" {
int __real_SDL_RenderGeometry(SDL_Renderer*, SDL_Texture*, const SDL_Vertex*, int, const int*, int);
int __real_SDL_RenderFillRect(SDL_Renderer*, const SDL_Rect*);
int __real_SDL_RenderClear(SDL_Renderer*);
void __real_SDL_RenderPresent(SDL_Renderer*);

int __wrap_SDL_RenderGeometry(SDL_Renderer* r, SDL_Texture* t, const SDL_Vertex* v, int n, const int* i, int ni)
{
    return g_rasterise ? __real_SDL_RenderGeometry(r, t, v, n, i, ni) : 0;
}
int __wrap_SDL_RenderFillRect(SDL_Renderer* r, const SDL_Rect* rect)
{
    return g_rasterise ? __real_SDL_RenderFillRect(r, rect) : 0;
}
int __wrap_SDL_RenderClear(SDL_Renderer* r) { return g_rasterise ? __real_SDL_RenderClear(r) : 0; }
void __wrap_SDL_RenderPresent(SDL_Renderer* r)
{
    if (g_rasterise) __real_SDL_RenderPresent(r);
}
}

namespace {

using namespace e2e;

int EnvInt(const char* name, int fallback)
{
    const char* v = std::getenv(name);
    if (!v || !*v) return fallback;
    if (std::string(v) == "all") return 0;
    return std::atoi(v);
}

// Resident memory of this process in KiB.
long ResidentKiB()
{
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

// Game time that passes only as the frames ask for it: a wait for the next frame takes no real time.
uint32_t g_virtual_ms = 1;
void UseVirtualClock()
{
    zf::SetClockSource([] { return g_virtual_ms; });
    SetSceneWaitFunction([](SDL_Event& event, uint32_t ms) {
        if (SDL_PollEvent(&event)) return true;
        g_virtual_ms += ms;
        return false;
    });
}

constexpr int kEpochs = 7;

class AutoPlayer {
public:
    AutoPlayer(std::string raw, int episodes, int levels, int think_ms)
        : _raw(std::move(raw)), _episodes(episodes), _levels(levels)
    {
        _chains.SetRestFrames(think_ms / 16);
    }

    void operator()(AScene& scene)
    {
        if (_shot_frames > 0 && --_shot_frames == 0) g_rasterise = _always_rasterise;
        const bool entered = scene.GetAlias() != _scene;
        _scene = scene.GetAlias();
        if (_scene == "Menu" || _scene == "Selector") {
            if (entered && _scene == "Menu") _intent = NextMenuIntent();
            _menu.Drive(scene, _intent);
            return;
        }
        if (_hand.Step()) return;
        if (_wait > 0) {
            --_wait;
            return;
        }
        if (_scene == "City") InCity();
        else if (_scene == "Game") InGame();
    }

private:
    MenuIntent NextMenuIntent()
    {
        if (_done) return kQuit;
        // After a game won, the next one (the soak run).
        if (_won) {
            _won = false;
            return kNewGame;
        }
        return kPlay;
    }

    // A screenshot of this frame, filled in by the renderer; its name goes to the record.
    void Shoot(const std::string& name)
    {
        if (!_shots) return;
        g_rasterise = true;
        _shot_frames = 3;
        PushKey(SDL_SCANCODE_PRINTSCREEN);
        std::ofstream(_raw, std::ios::app) << "shot " << name << '\n';
    }

    void Write(const std::string& key, std::initializer_list<long> values)
    {
        std::ofstream out(_raw, std::ios::app);
        out << key;
        for (long v : values) out << ' ' << v;
        out << '\n';
    }
    [[noreturn]] void Fail(const std::string& reason)
    {
        std::ofstream(_raw, std::ios::app) << "fail " << reason << '\n';
        std::fflush(nullptr);
        std::_Exit(3);
    }

    void InGame()
    {
        CGameScene& game = GetGameScene();
        if (game.GetState() == gssHintShown && !_dragging) {
            PushKey(SDL_SCANCODE_RETURN);
            _wait = 2;
            return;
        }
        if (game.GetGameOverDialog().IsShown()) Fail("the lives ran out in episode " + std::to_string(g_User.GetEpisode() + 1));
        if (AnswerLevelEnd(game)) return;
        if (_done) {
            // Done: the player leaves at the next level for the menu, and quits there.
            if (_leaving == 0 && !_in_level) _leaving = 1;
            if (_leaving > 0) LeaveGame(game);
            return;
        }
        if (game.GetCrossState() == gcsDie && !_died) {
            _died = true;
            ++_deaths;
        }
        if (game.GetCrossState() != gcsDie) _died = false;
        if ((game.GetCrossState() == gcsLevelFinish || game.GetCrossState() == gcsBonusFinish) && !_finished) {
            _finished = true;
            _time_left = game.IsBonusLevel() ? 0 : g_GameTimer.GetRemainingSeconds();
        }
        if (game.GetState() != gssPlaying || game.GetResult() != srRunning) {
            _dragging = false;
            return;
        }
        if (!_in_level) StartLevel(game);
        if (_dragging) {
            _dragging = _chains.Step(game);
            return;
        }
        if (!_bonus && _level == kShotLevel && !_level_shot && _chains.GetChainsStarted() - _chains_at_start >= kShotChains &&
            game.GetField().IsIdle()) {
            _level_shot = true;
            Shoot("episode" + std::to_string(_episode + 1));
            return;
        }
        _dragging = _chains.Step(game);
    }

    void StartLevel(CGameScene& game)
    {
        _in_level = true;
        _finished = false;
        _deaths = 0;
        _bonus = game.IsBonusLevel();
        _episode = g_User.GetEpisode();
        _level = _bonus ? g_User.GetBonusLevel() : g_User.GetLevel();
        _score_at_start = g_User.GetScore();
        _chains_at_start = _chains.GetChainsStarted();
        _level_shot = false;
        // The first level past the episodes to play ends the run.
        if (!_bonus && _episodes > 0 && _episode >= _episodes) {
            _done = true;
            _in_level = false;
        }
    }

    // The level's end: its figures once, then the dialogs answered as a player does.
    bool AnswerLevelEnd(CGameScene& game)
    {
        const auto [dialog, id] = LevelEndAnswer(game, true);
        if (!dialog) return false;
        if (_in_level) LevelWon();
        _hand.ClickOn(*dialog, id);
        _wait = 6;
        return true;
    }

    void LevelWon()
    {
        _in_level = false;
        ++_played;
        Write(_bonus ? "bonus" : "level",
              {_episode, _level, _time_left, g_User.GetScore() - _score_at_start,
               g_User.GetScore(), g_User.GetCollectAmount(1), g_User.GetCollectAmount(2), g_User.GetCollectAmount(3),
               g_User.GetTitleIndex(), _deaths, g_User.GetLives(), ResidentKiB()});
        if (_levels > 0 && _played >= _levels) _done = true;
    }

    void LeaveGame(CGameScene& game)
    {
        CPauseDialog& pause = game.GetPauseDialog();
        if (_leaving == 1 && game.GetState() == gssPlaying && game.GetField().IsIdle()) {
            PushKey(SDL_SCANCODE_ESCAPE);
            _leaving = 2;
        } else if (_leaving == 2 && game.GetState() == gssPaused) {
            _hand.ClickOn(pause, "ID_MENU");
            _leaving = 3;
        } else if (_leaving == 3 && pause.GetLeaveDialog().IsShown()) {
            _hand.ClickOn(pause.GetLeaveDialog(), "ID_LEAVE");
            _leaving = 4;
        }
        _wait = 6;
    }

    void InCity()
    {
        CCityScene& city = GetCityScene();
        const int epoch = city.GetCity().IsAllComplete() ? kEpochs : city.GetCity().GetCurrentEpoch();
        if (epoch != _epoch) {
            // An epoch was built: when, and with what left over.
            Write("epoch", {_epoch, _played, g_User.GetCollectAmount(1), g_User.GetCollectAmount(2),
                            g_User.GetCollectAmount(3)});
            if (epoch > _epoch) _city_shot = _epoch + 1;
            _epoch = epoch;
        }
        // The epoch just built, once its last construction stands and the fireworks are up.
        if (_city_shot > 0 && !city.GetView().IsBuildAnimationRunning() && !city.GetShopPanel().IsShown() &&
            city.GetSalute()._bursts >= 2) {
            Shoot("epoch" + std::to_string(_city_shot));
            _city_shot = 0;
        }
        if (city.GetGameWonDialog().IsShown() && !_won) {
            _won = true;
            Write("won", {_played, g_User.GetScore(), g_User.GetTitleIndex()});
            if (_levels == 0 || _played >= _levels) _done = true;
        }
        if (city.GetGameCompleteDialog().IsShown())
            Fail("the last level was played with the city unfinished (epoch " + std::to_string(_epoch + 1) + ")");
        if (city.GetState() == cssShop && !GetHintsManager().IsActive() && Buy(city)) {
            _wait = 8;
            return;
        }
        if (LeaveCity(_hand)) _wait = 8;
    }

    // Clicks the first construction the player can pay for, turning the shop's pages to it.
    bool Buy(CCityScene& city)
    {
        CShopPanel& shop = city.GetShopPanel();
        if (!shop.IsShown()) return false;
        const std::vector<ShopItem>& items = shop.GetItems();
        for (size_t i = 0; i < items.size(); ++i) {
            if (items[i].state != sisAffordable) continue;
            const int page = int(i / CShopPanel::kSlots);
            if (page != shop.GetItemPage()) {
                _hand.ClickOn(shop, page < shop.GetItemPage() ? "ID_SHOP_LEFT" : "ID_SHOP_RIGHT");
                return true;
            }
            if (items[i].button_id.empty()) return false;
            long price[4] = {};
            for (const auto& [type, amount] : GetConstructionRes().GetConstructionPrice(items[i].construct_id, items[i].level))
                if (type >= 1 && type <= 3) price[type] = amount;
            Write("buy", {_epoch, _played, items[i].construct_id, items[i].level, price[1], price[2], price[3]});
            _hand.ClickOn(shop, items[i].button_id.c_str());
            return true;
        }
        return false;
    }

    static constexpr int kShotLevel = 4;    // the fifth level of an episode
    static constexpr int kShotChains = 12;  // chains made before its shot

    std::string _raw;
    bool _shots = std::getenv("ZF_PLAYTHROUGH_SHOTS") != nullptr;
    bool _always_rasterise = EnvInt("ZF_PLAYTHROUGH_DRAW", 0) != 0;
    int _shot_frames = 0;
    int _chains_at_start = 0;
    bool _level_shot = false;
    int _city_shot = 0;
    int _episodes;
    int _levels;
    MenuHand _menu;
    MenuIntent _intent = kPlay;
    MouseHand _hand;
    zftest::GameAutoPlayer _chains{[this](const zftest::AutoMouse& m) { _hand.Push(m); }};
    std::string _scene;
    int _wait = 0;
    bool _dragging = false;
    bool _in_level = false;
    bool _finished = false;
    bool _died = false;
    bool _bonus = false;
    bool _won = false;
    bool _done = false;
    int _leaving = 0;
    int _deaths = 0;
    int _episode = 0;
    int _level = 0;
    int _epoch = 0;
    int _played = 0;
    long _time_left = 0;
    long _score_at_start = 0;
};

// How much the mean memory of a soak run's last hundred levels may exceed that of its levels 101 to 200.
constexpr long kSoakGrowthKiB = 64 * 1024;

TEST_F(Program, TheAutomaticPlayerWinsTheEpisodesFromANewPlayer)
{
    const int levels = EnvInt("ZF_PLAYTHROUGH_LEVELS", 0);
    // A count of levels plays on through as many games as it takes.
    const int episodes = levels > 0 ? 0 : EnvInt("ZF_PLAYTHROUGH_EPISODES", 1);
    const int minutes = EnvInt("ZF_PLAYTHROUGH_MINUTES", 20);
    const std::string raw = home() + "/playthrough.txt";
    WriteText(UserFile("Config.xml"), "<Config><Options no_logo=\"1\" windowed=\"1\"/></Config>");
    EXPECT_EXIT(
        {
            UseVirtualClock();
            g_rasterise = EnvInt("ZF_PLAYTHROUGH_DRAW", 0) != 0;
            SetSceneFrameObserver(AutoPlayer(raw, episodes, levels, EnvInt("ZF_PLAYTHROUGH_THINK_MS", 1000)));
            RunProgram({}, {}, std::chrono::minutes(minutes));
        },
        ::testing::ExitedWithCode(0), "");
    const playthrough::Run run = playthrough::ReadRun(ReadTextFile(raw), ZF_GAME_DATA_DIR);
    if (const char* path = std::getenv("ZF_PLAYTHROUGH_REPORT"))
        WriteText(path, playthrough::FormatReport(run, EnvInt("ZF_PLAYTHROUGH_THINK_MS", 1000)));
    if (const char* folder = std::getenv("ZF_PLAYTHROUGH_SHOTS")) {
        // The program numbers its shots in the order they were taken, as the record names them.
        std::vector<std::string> shots;
        for (const auto& entry : std::filesystem::directory_iterator(UserFile("")))
            if (entry.path().extension() == ".tga") shots.push_back(entry.path().string());
        std::sort(shots.begin(), shots.end());
        ASSERT_EQ(shots.size(), run.shots.size());
        std::filesystem::create_directories(folder);
        for (size_t i = 0; i < shots.size(); ++i)
            std::filesystem::copy_file(shots[i], std::string(folder) + "/" + run.shots[i] + ".tga",
                                       std::filesystem::copy_options::overwrite_existing);
    }
    EXPECT_EQ(run.failure, "");
    ASSERT_FALSE(run.levels.empty());
    const std::string log = Log();
    EXPECT_EQ(log.find("Verify"), std::string::npos);
    if (episodes == 0) {
        EXPECT_GE(run.games_won, 1) << "the game was not won";
    } else {
        // Every episode played has built its epoch.
        EXPECT_GE(int(run.epochs.size()), episodes);
    }
    if (levels == 0) {
        // Each epoch is built by the end of its episode.
        for (const int epoch : playthrough::LateEpochs(run)) ADD_FAILURE() << "epoch " << epoch + 1 << " was built after its episode";
    }
    EXPECT_TRUE(InOrder(log, {"Exit game: shutdown normally."}));
    if (levels > 0) {
        // The soak run: memory stays flat once the program has seen its levels.
        const playthrough::SoakMemory memory = playthrough::MeasureSoak(run);
        if (memory.measured) {
            EXPECT_LE(memory.last_kib - memory.settled_kib, kSoakGrowthKiB)
                << "resident memory grew from " << memory.settled_kib << " KiB to " << memory.last_kib << " KiB";
        }
    }
}

} // namespace
