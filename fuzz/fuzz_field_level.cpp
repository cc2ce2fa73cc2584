// A level's "Config", "Field" and "Balls" elements: the level configuration, the tile layers and the
// balls layer read whatever the bytes say, or refuse with their text; a loaded level then takes a
// round of hits and peels, and saves and restores to the same layers. Then the game field reads the
// same level with its "State" clock, plays a few frames, saves the level in progress and restores it
// into a second field, which must refuse nothing it saved itself and hold the same layers.
#include "field/balls/field_balls.h"
#include "field/chain/field_gamefield.h"
#include "field/field_services.h"
#include "field/tiles/field_tiles.h"
#include "field/timebar/field_timer.h"
#include "fuzz_field_common.h"

#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace {

class NullBar : public ITimeBarView {
public:
    void SetMinPos(int) override {}
    void SetMaxPos(int) override {}
    void SetPos(int) override {}
    void GetTipPosition(float& x, float& y) const override { x = y = 0.0f; }
};

// The level through the game field: a refused level throws with its text and leaves fields that
// still draw and update; a loaded one saves and restores whole.
void ThroughTheGameField(const CXMLNode& root, bool bonus_level)
{
    static NullBar bar;
    static const bool people = [] {
        zf_fuzz::WriteFile("Settings/People.xml", "<People/>");   // the men the field tells of chains
        return true;
    }();
    (void)people;
    g_GameTimer.BindControls(&bar, nullptr, nullptr);
    g_LevelCfg = CLevelCfg();
    RandomSeed(11);
    CGameField field;
    try {
        field.LoadLevel(root, "fuzz", bonus_level);
        field.LoadLevelClock(root);
    } catch (const std::runtime_error&) {
        field.Update();
        field.HandleInput(FieldMouse());
        return;
    }
    FieldMouse mouse;
    mouse.left_down = true;
    for (int cell = 0; cell < std::min(g_LevelCfg.GetCellCount(), 4); ++cell) {
        g_LevelCfg.CellToScreenCenter(cell, mouse.x, mouse.y);
        field.HandleInput(mouse);
        field.Update();
    }
    mouse.left_down = false;
    field.HandleInput(mouse);
    for (int i = 0; i < 8; ++i) field.Update();

    FieldSaveRecord record;
    field.SaveGame(record);
    BallsFieldRecord balls;
    field.GetBalls().Save(balls);
    CGameField restored;
    restored.LoadLevel(root, "fuzz", bonus_level);
    restored.LoadLevelClock(root);
    if (!restored.LoadGame(record)) std::abort();
    BallsFieldRecord again;
    restored.GetBalls().Save(again);
    if (again.balls.size() != balls.balls.size() || again.cells.size() != balls.cells.size()) std::abort();
    if (restored.GetTiles().GetTotalLeft() != field.GetTiles().GetTotalLeft()) std::abort();
    restored.Clear();
    restored.Update();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    zf_fuzz::SetupField();
    CXMLFile xml;
    try {
        xml.LoadXml(std::vector<uint8_t>(data, data + size));
    } catch (const std::runtime_error&) {
        return 0;
    }
    const CXMLNode root = xml.SelectSingleNode("Level");
    if (!root.IsValid()) return 0;
    g_LevelCfg = CLevelCfg();
    RandomSeed(7);
    LevelFieldInfo info;
    CTilesField tiles;
    CBallsField balls;
    try {
        g_LevelCfg.Load(root);
        tiles.LoadLevel(root, info);
        balls.LoadLevel(root, info);
    } catch (const std::runtime_error&) {
        return 0;   // refused with the loader's text
    }
    const int cells = g_LevelCfg.GetCellCount();
    if (cells < 1 || cells > CLevelCfg::kMaxFieldSide * CLevelCfg::kMaxFieldSide) std::abort();
    int left = 0;
    for (int c = 0; c < cells; ++c) {
        if (tiles.HasView(c)) left += tiles.GetLeft(c);
        if (balls.GetCellState(c) < csInactive || balls.GetCellState(c) > csWaitSlide) std::abort();
        if (balls.GetLockLevel(c) > 2 || balls.GetBoxLevel(c) > 2 || balls.GetWallLevel(c) > 3) std::abort();
        if (balls.HasBall(c) && !balls.IsFieldCell(c)) std::abort();
    }
    if (left != tiles.GetTotalLeft() || info.n_puzzles != left) std::abort();

    BallsFieldRecord saved_balls;
    TilesFieldRecord saved_tiles;
    balls.Save(saved_balls);
    tiles.Save(saved_tiles);
    for (int c = 0; c < cells; ++c) {
        tiles.HitCell(c);
        balls.HitWall(c);
        if (balls.HasBall(c)) {
            balls.HitBox(c);
            balls.HitLock(c);
        }
    }
    for (int i = 0; i < 4; ++i) tiles.Update();
    if (tiles.GetTotalLeft() < 0) std::abort();

    balls.Restore(saved_balls);
    tiles.Restore(saved_tiles);
    BallsFieldRecord again;
    balls.Save(again);
    if (again.balls.size() != saved_balls.balls.size() || again.cells.size() != saved_balls.cells.size()) std::abort();
    if (tiles.GetTotalLeft() != left) std::abort();

    ThroughTheGameField(root, size % 2 == 1);
    return 0;
}
