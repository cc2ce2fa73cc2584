// Cost of resolving a 12-ball chain on the shipped content: the drag through the cells, the
// release with its credits and hits, and every update until the refill has brought the field to
// rest again (the balls' effects stepped as each frame's drawing steps them, without the drawing).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <string>
#include <vector>

#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"
#include "engine/sound/engine_soundqueue.h"
#include "engine/text/engine_langtext.h"
#include "field/chain/field_gamefield.h"
#include "field/config/field_config.h"
#include "field/graph/field_graphbase.h"

namespace {

// A 9 x 7 field, every cell active under two tile layers, the balls chosen at load.
std::string TiledLevel()
{
    std::string text = "<Level><Config field_width=\"9\" field_height=\"7\" field_pos_x=\"240\" field_pos_y=\"160\" "
                       "allow_ball_types=\"5\" allow_bonus_types=\"0\"/><Field>";
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x)
            text += "<Cell x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) +
                    "\" active=\"1\"><Group tile=\"1\"/><Group tile=\"" + std::to_string(2 + (x + y) % 4) +
                    "\"/></Cell>";
    return text + "</Field></Level>";
}

void BM_ResolveTwelveBallChain(benchmark::State& state)
{
    if (chdir(ZF_GAME_DATA_DIR) != 0) {
        state.SkipWithError("no game folder");
        return;
    }
    g_GameCfg = CGameCfg();
    g_GameCfg.Load();
    ReloadGraphBases();
    GetBallsDepot().Load();
    CTextKeeper::Instance().SelectLanguage(0);   // the popups' labels, as the game selects it at start
    const std::string text = TiledLevel();
    CXMLFile level;
    level.LoadXml(std::vector<uint8_t>(text.begin(), text.end()));
    const CXMLNode root = level.SelectSingleNode("Level");
    RandomSeed(5);

    // The chain snakes over the top two rows: six cells right, then six back left below.
    std::vector<int> path;
    for (int x = 0; x < 6; ++x) path.push_back(x);
    for (int x = 5; x >= 0; --x) path.push_back(9 + x);

    CGameField field;
    int updates = 0;
    for (auto _ : state) {
        state.PauseTiming();
        field.LoadLevel(root, "bench");
        std::vector<BallTypeEntryPtr> types;
        field.GetBalls().ListLevelTypes(types);
        int plain = 0;
        for (const auto& t : types)
            if (!t->is_multiball && !t->is_finisher && !t->is_bonus && plain == 0) plain = t->graph_type;
        for (int cell : path) field.GetBalls().ChangeBallType(cell, plain);
        g_SoundQueue.Update();
        state.ResumeTiming();

        for (size_t i = 0; i <= path.size(); ++i) {
            FieldMouse mouse;
            g_LevelCfg.CellToScreenCenter(path[std::min(i, path.size() - 1)], mouse.x, mouse.y);
            mouse.left_down = i < path.size();
            field.Render();
            field.HandleInput(mouse);
            field.Update();
        }
        int n = 0;
        for (FieldMouse idle; n < 5000 && (field.IsRefillPending() || field.IsFieldBusy()); ++n) {
            field.Render();
            field.HandleInput(idle);
            field.Update();
        }
        updates = n;
        if (field.IsRefillPending()) state.SkipWithError("the refill did not end");
    }
    state.SetLabel("12 balls, " + std::to_string(updates) + " updates to rest");
}
BENCHMARK(BM_ResolveTwelveBallChain)->Unit(benchmark::kMicrosecond);

} // namespace
