// Cost of one update and one drawn frame of the game field on the shipped content: the largest
// field the shipped levels use, every active cell under three tile layers and holding a ball, drawn
// by the real engine core on the software renderer. The update is measured with the field at rest
// and with a shine wave running over it.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "bench_engine.h"
#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"
#include "field/balls/field_balls.h"
#include "field/config/field_config.h"
#include "field/field_services.h"
#include "field/graph/field_graphbase.h"
#include "field/tiles/field_tiles.h"

namespace {

struct FieldSize {
    int width = 0, height = 0;
    std::string level;
};

// The shipped level with the most cells.
FieldSize LargestShippedField()
{
    FieldSize best;
    for (const auto& entry : std::filesystem::recursive_directory_iterator("Levels")) {
        if (entry.path().extension() != ".xml") continue;
        try {
            const CXMLFile file(entry.path().string());
            const CXMLNode root = file.SelectSingleNode("Level");
            CLevelCfg cfg;
            cfg.Load(root);
            if (cfg.GetCellCount() > best.width * best.height)
                best = {cfg.GetFieldWidth(), cfg.GetFieldHeight(), entry.path().string()};
        } catch (const std::exception&) {
        }
    }
    return best;
}

// A level of that size, every cell active under three tile layers (one of each material).
std::string ThreeLayerLevel(const FieldSize& size)
{
    std::string text = "<Level><Config field_width=\"" + std::to_string(size.width) + "\" field_height=\"" +
                        std::to_string(size.height) +
                        "\" field_pos_x=\"240\" field_pos_y=\"160\" allow_ball_types=\"6\" allow_bonus_types=\"1\"/><Field>";
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x) {
            const int m = (x + y) % 4;
            text += "<Cell x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" active=\"1\"><Group tile=\"" +
                    std::to_string(1 + m) + "\"/><Group tile=\"" + std::to_string(5 + m) + "\"/><Group tile=\"" +
                    std::to_string(9 + (m + 1) % 4) + "\"/></Cell>";
        }
    return text + "</Field></Level>";
}

class BenchField {
public:
    explicit BenchField(bool waves)
    {
        if (chdir(ZF_GAME_DATA_DIR) != 0) return;
        g_GameCfg = CGameCfg();
        g_GameCfg.Load();
        if (waves) {
            CXMLFile cfg;
            const std::string text = R"(<GameCFG wave_appear_min="1" wave_appear_max="1" wave_life="2"/>)";
            cfg.LoadXml(std::vector<uint8_t>(text.begin(), text.end()));
            g_GameCfg.LoadFrom(cfg.SelectSingleNode("GameCFG"));
        }
        ReloadGraphBases();
        GetBallsDepot().Load();
        size = LargestShippedField();
        const std::string text = ThreeLayerLevel(size);
        _level.LoadXml(std::vector<uint8_t>(text.begin(), text.end()));
        const CXMLNode root = _level.SelectSingleNode("Level");
        RandomSeed(11);
        g_LevelCfg.Load(root);
        LevelFieldInfo info;
        tiles.LoadLevel(root, info);
        balls.LoadLevel(root, info);
        for (int c = 0; c < g_LevelCfg.GetCellCount(); ++c) {
            const BallTypeEntryPtr type = balls.GetLevelType(RandomInt(0, 3));
            balls.PutBall(c, type, c % 7 == 0 ? 1 : 0, c % 11 == 0 ? 1 : 0, gosDefault, -1);
        }
        ok = info.n_puzzles == 2 * g_LevelCfg.GetCellCount();
    }
    FieldSize size;
    CTilesField tiles;
    CBallsField balls;
    bool ok = false;

private:
    CXMLFile _level;
};

void BM_FieldUpdate(benchmark::State& state)
{
    BenchField field(state.range(0) != 0);
    if (!field.ok) {
        state.SkipWithError("the field did not load");
        return;
    }
    for (auto _ : state) {
        field.tiles.Update();
        field.balls.FlushMoves();
    }
    state.SetLabel(std::to_string(field.size.width) + "x" + std::to_string(field.size.height) +
                   (state.range(0) ? ", shine wave running" : ", at rest"));
}
BENCHMARK(BM_FieldUpdate)->Arg(0)->Arg(1);

void BM_FieldRender(benchmark::State& state)
{
    CEngineCore* core = zfbench::HeadlessEngine();
    if (!core) {
        state.SkipWithError("no renderer");
        return;
    }
    BenchField field(false);
    if (!field.ok) {
        state.SkipWithError("the field did not load");
        return;
    }
    for (auto _ : state) {
        core->BeginFrame();
        core->Clear(0xFF203040);
        field.tiles.Render();
        field.balls.Render();
        core->EndFrame();
    }
    state.SetLabel(std::to_string(field.size.width) + "x" + std::to_string(field.size.height) +
                   ", three tile layers, a ball in every cell");
}
BENCHMARK(BM_FieldRender)->Unit(benchmark::kMicrosecond);

} // namespace
