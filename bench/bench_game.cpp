// Frame cost of the game screen at its busiest, on the software renderer: a large shipped level
// with three tile layers is started and played by a scripted player that drags the longest chain
// the move analysis finds as soon as the field is quiet, with a dynamite or lightning fired every
// few chains, explosions, the animated background and the panels counting the score. Each frame is
// timed (drawing, the field's update, the panels, the effects); the median and the 99th percentile
// of the frame cost are reported, in milliseconds, as counters.
#include <benchmark/benchmark.h>

#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "engine/base/engine_registry.h"
#include "engine/core/engine_core_internal.h"
#include "engine/particles/engine_pyro2.h"
#include "engine/text/engine_langtext.h"
#include "field/config/field_config.h"
#include "game/game_game.h"
#include "gui/gui_kinds.h"
#include "player/player_gamevalues.h"
#include "player/player_resources.h"
#include "player/player_user.h"
#include "settings/main_userfiles.h"
#include "shell/main_appgame.h"
#include "support/game_autoplayer.h"
#include "support/game_world.h"

#include "gui/gui_test_util.h"

namespace {

constexpr int kFrames = 1500;
// The busiest level shipped: 13 x 11 cells, three tile layers, locks, boxes and walls.
const char* const kLevel = "Levels\\E02\\L06.xml";

bool SetUpGame()
{
    if (chdir(ZF_GAME_DATA_DIR) != 0) return false;
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    CEngineCore& core = CEngineCore::Instance();
    if (!core.GetDevice() && !core.Init("ZerafineBench", "Zerafine game frame", true)) return false;
    g_EngineCore = &core;
    zftest::PrepareGameWorld();
    InitPyro("Textures\\Pyro\\PyroDemo2.pyro");
    g_User = CUser();
    g_User.NewGame();
    return GetGameScene().Init();
}

void BM_GameFrame(benchmark::State& state)
{
    static const bool ready = SetUpGame();
    if (!ready) {
        state.SkipWithError("the game scene could not be built");
        return;
    }
    static guitest::FakeMouse mouse;
    g_Mouse = &mouse;
    int mx = 0, my = 0;
    bool down = false;
    std::vector<double> frame_ms;
    for (auto _ : state) {
        CGameScene& scene = GetGameScene();
        RandomSeed(11);
        GetGlobalVars().SetString("cur_level_file", kLevel);
        g_User.SetEpisode(1);
        g_User.SetLevel(5);
        g_User.SetGameState(ugsPlaying);
        g_User.SetPlayState(upsLevelLoaded);
        scene.Enter();
        zftest::GameAutoPlayer player([&](const zftest::AutoMouse& m) {
            mx = int(m.x);
            my = int(m.y);
            down = m.left_down;
        });
        player.SetRestFrames(2);
        int fired_at = 0;
        for (int i = 0; i < kFrames && scene.GetResult() == srRunning; ++i) {
            player.Step(scene);
            // Every fourth chain, a strike of a bonus the level offers, at the field's middle.
            if (player.GetChainsStarted() >= fired_at + 4 && scene.GetState() == gssPlaying && scene.GetField().IsIdle()) {
                fired_at = player.GetChainsStarted();
                for (int kind : {1, 3}) {
                    const int credit = kind == 1 ? 11 : 13;
                    if (!GetResCredits().IsAvailable(credit)) continue;
                    GetResCredits().Add(credit, 100);
                    if (scene.GetField().ActivateBonus(kind) && scene.GetField().IsBonusArmed()) {
                        float x = 0.0f, y = 0.0f;
                        g_LevelCfg.CellToScreenCenter(g_LevelCfg.GetCellCount() / 2, x, y);
                        scene.GetField().ApplyBonusAt(x, y);
                    }
                    break;
                }
            }
            mouse.Frame(mx, my, down);
            const auto t0 = std::chrono::steady_clock::now();
            scene.RenderFrame();
            scene.PostFrame();
            const auto t1 = std::chrono::steady_clock::now();
            frame_ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        }
        state.counters["chains"] = player.GetChainsStarted();
        state.counters["bonuses"] = double(scene.GetField().GetLevelRecord().bonus_use.size());
        scene.Leave();
        scene.SetResult(srRunning);
    }
    if (frame_ms.empty()) return;
    std::sort(frame_ms.begin(), frame_ms.end());
    state.counters["median_ms"] = frame_ms[frame_ms.size() / 2];
    state.counters["p99_ms"] = frame_ms[std::min(frame_ms.size() - 1, frame_ms.size() * 99 / 100)];
    state.counters["frames"] = double(frame_ms.size());
}
BENCHMARK(BM_GameFrame)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
