// Cost of a level's load on the shipped content: the level file read into the layers with its
// clock, as a level starts; and of the save and restore of a level in progress.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <string>
#include <vector>

#include "engine/base/engine_registry.h"
#include "engine/text/engine_langtext.h"
#include "field/chain/field_gamefield.h"
#include "field/config/field_config.h"
#include "field/graph/field_graphbase.h"
#include "field/timebar/field_timer.h"

namespace {

class NullBar : public ITimeBarView {
public:
    void SetMinPos(int) override {}
    void SetMaxPos(int) override {}
    void SetPos(int) override {}
    void GetTipPosition(float& x, float& y) const override { x = y = 0.0f; }
};

const char* const kLevels[] = {"Levels\\E01\\L01.xml", "Levels\\E01\\L03.xml", "Levels\\E02\\L01.xml"};

bool EnterGameFolder(benchmark::State& state)
{
    if (chdir(ZF_GAME_DATA_DIR) != 0) {
        state.SkipWithError("no game folder");
        return false;
    }
    static const bool loaded = [] {
        g_GameCfg = CGameCfg();
        g_GameCfg.Load();
        ReloadGraphBases();
        GetBallsDepot().Load();
        CTextKeeper::Instance().SelectLanguage(0);
        return true;
    }();
    return loaded;
}

// One level start: the file read, the layers built, the empty cells filled, the clock read.
void BM_StartLevel(benchmark::State& state)
{
    if (!EnterGameFolder(state)) return;
    NullBar bar;
    g_GameTimer.BindControls(&bar, nullptr, nullptr);
    const std::string path = kLevels[state.range(0)];
    CGameField field;
    RandomSeed(3);
    field.StartLevel(path, false);   // the first start reads the people and the looks once
    for (auto _ : state) {
        field.StartLevel(path, false);
        benchmark::DoNotOptimize(field.GetStats().n_puzzles);
    }
    state.SetLabel(path);
    g_GameTimer.BindControls(nullptr, nullptr, nullptr);
}
BENCHMARK(BM_StartLevel)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

// A level in progress saved and restored into the same level.
void BM_SaveAndRestoreLevel(benchmark::State& state)
{
    if (!EnterGameFolder(state)) return;
    NullBar bar;
    g_GameTimer.BindControls(&bar, nullptr, nullptr);
    CGameField field;
    RandomSeed(3);
    field.StartLevel(kLevels[1], false);
    FieldSaveRecord record;
    for (auto _ : state) {
        field.SaveGame(record);
        if (!field.LoadGame(record)) state.SkipWithError("the saved level was refused");
    }
    g_GameTimer.BindControls(nullptr, nullptr, nullptr);
}
BENCHMARK(BM_SaveAndRestoreLevel)->Unit(benchmark::kMicrosecond);

} // namespace
