// Cost of the move analysis that runs each time the field comes to rest, on the shipped content: a
// full 9 x 7 field under three tile layers, with locked and boxed balls and walls; once with the
// balls of the level's load, once with many multiballs, which join the groups of every type. Also
// the match group a bonus asks for, which searches the field as it is.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <string>
#include <vector>

#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"
#include "engine/text/engine_langtext.h"
#include "field/chain/field_gamefield.h"
#include "field/config/field_config.h"
#include "field/graph/field_graphbase.h"

namespace {

constexpr int kWidth = 9;
constexpr int kHeight = 7;

// Every cell active under three tile layers; a wall over every eleventh cell.
std::string FullLevel()
{
    std::string text = "<Level><Config field_width=\"9\" field_height=\"7\" field_pos_x=\"240\" field_pos_y=\"160\" "
                       "allow_ball_types=\"5\" allow_bonus_types=\"0\"/><Field>";
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const int cell = y * kWidth + x;
            text += "<Cell x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" active=\"1\"" +
                    (cell % 11 == 5 ? " wall=\"1\"" : "") + "><Group tile=\"1\"/><Group tile=\"" +
                    std::to_string(2 + (x + y) % 4) + "\"/><Group tile=\"" + std::to_string(2 + (x + y + 1) % 4) +
                    "\"/></Cell>";
        }
    }
    return text + "</Field></Level>";
}

class MovesBench {
public:
    bool Open()
    {
        if (chdir(ZF_GAME_DATA_DIR) != 0) return false;
        g_GameCfg = CGameCfg();
        g_GameCfg.Load();
        ReloadGraphBases();
        GetBallsDepot().Load();
        CTextKeeper::Instance().SelectLanguage(0);
        const std::string text = FullLevel();
        _level.LoadXml(std::vector<uint8_t>(text.begin(), text.end()));
        return true;
    }
    // The level loaded; every seventh ball locked, every ninth boxed, and with multiballs, every
    // fifth free ball a multiball.
    void Load(CGameField& field, bool many_multiballs)
    {
        RandomSeed(11);
        field.LoadLevel(_level.SelectSingleNode("Level"), "bench");
        CBallsField& balls = field.GetBalls();
        const int multiball = balls.GetMultiballType();
        for (int cell = 0; cell < kWidth * kHeight; ++cell) {
            if (!balls.HasUsableBall(cell)) continue;
            int type = balls.GetBallType(cell);
            const int lock = cell % 7 == 3 ? 1 + cell % 2 : 0;
            const int box = cell % 9 == 4 ? 1 : 0;
            if (many_multiballs && multiball != 0 && lock == 0 && box == 0 && cell % 5 == 0) type = multiball;
            if (lock == 0 && box == 0 && type == balls.GetBallType(cell)) continue;
            balls.RemoveBall(cell);
            balls.PutBallByGraphType(cell, type, lock, box, 0, -1);
        }
    }

private:
    CXMLFile _level;
};

void RunAnalysis(benchmark::State& state, bool many_multiballs)
{
    MovesBench bench;
    if (!bench.Open()) {
        state.SkipWithError("no game folder");
        return;
    }
    CGameField field;
    bench.Load(field, many_multiballs);
    for (auto _ : state) {
        field.RequestMoveAnalysis();
        field.AnalyseMoves();
        benchmark::DoNotOptimize(field.GetValidMoveCount());
    }
    int balls = 0, locked = 0, boxed = 0;
    for (int cell = 0; cell < kWidth * kHeight; ++cell) {
        balls += field.HasPlayableBall(cell) ? 1 : 0;
        locked += field.IsLocked(cell) ? 1 : 0;
        boxed += field.IsBoxed(cell) ? 1 : 0;
    }
    state.SetLabel(std::to_string(balls) + " balls (" + std::to_string(locked) + " locked, " + std::to_string(boxed) +
                   " boxed), " + std::to_string(field.GetMoveGroups().size() - 1) + " groups, " +
                   std::to_string(field.GetValidMoveCount()) + " moves");
}

void BM_AnalyseMoves(benchmark::State& state) { RunAnalysis(state, false); }
BENCHMARK(BM_AnalyseMoves)->Unit(benchmark::kMicrosecond);

void BM_AnalyseMovesManyMultiballs(benchmark::State& state) { RunAnalysis(state, true); }
BENCHMARK(BM_AnalyseMovesManyMultiballs)->Unit(benchmark::kMicrosecond);

// The match group of every cell in turn, as a bonus that asks for each cell would.
void BM_MatchGroupOfEveryCell(benchmark::State& state)
{
    MovesBench bench;
    if (!bench.Open()) {
        state.SkipWithError("no game folder");
        return;
    }
    CGameField field;
    bench.Load(field, true);
    std::vector<int> cells;
    int type = 0;
    for (auto _ : state) {
        for (int cell = 0; cell < kWidth * kHeight; ++cell) {
            field.GetMatchGroup(cell, cells, type);
            benchmark::DoNotOptimize(cells.data());
        }
    }
}
BENCHMARK(BM_MatchGroupOfEveryCell)->Unit(benchmark::kMicrosecond);

} // namespace
