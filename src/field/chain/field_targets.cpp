// The targets of the tutorial hints on the field: where on the screen the game screen's hint about a
// tile, a lock, a box, a wall, a ball type, a move, a bonus slot, the time bar or the moves panel
// points, and whether the hint's rectangle placed there stays on the screen.
#include "field/chain/field_gamefield.h"

#include "field/config/field_config.h"
#include "field/timebar/field_timer.h"

#include "engine/base/engine_registry.h"
#include "engine/core/engine_core.h"

#include <cmath>
#include <functional>

namespace {

// Hint ids the field answers.
enum EHintTarget {
    htAnyMove = 100,
    htTile = 101,
    htDoubleTile = 102,
    htTimeBar = 103,
    htLock = 104,
    htDoubleLock = 105,
    htBox = 106,
    htDoubleBox = 107,
    htWall = 108,
    htDoubleWall = 109,
    htTripleWall = 110,
    htBonusLevel = 111,
    htMovesPanel = 112,
    htSpecialChain = 114,
    htBonusSlotFirst = 200,
    htBonusSlotLast = 279,
    htBallTypeFirst = 1001,
    htBallTypeLast = 1999,
};

// A hint's rectangle keeps this far inside the screen's edges.
constexpr float kScreenInset = 5.0f;

void ScreenSize(float& width, float& height)
{
    width = g_EngineCore ? float(g_EngineCore->GetScreenWidth()) : 800.0f;
    height = g_EngineCore ? float(g_EngineCore->GetScreenHeight()) : 600.0f;
}

} // namespace

bool CGameField::FitsOnScreen(float x, float y, const HintRect& margin)
{
    if (std::fabs(margin.w) + std::fabs(margin.h) < 0.1f) return true;
    float width = 0.0f, height = 0.0f;
    ScreenSize(width, height);
    const float left = x - margin.dx;
    const float top = y - margin.dy;
    return left >= kScreenInset && top >= kScreenInset && left + margin.w <= width - kScreenInset &&
           top + margin.h <= height - kScreenInset;
}

bool CGameField::GetHintTargetPosition(int id, float& x, float& y, const HintRect& margin, bool force)
{
    if (IsFieldBusy()) return false;
    if (id == htAnyMove) return FindMoveHintPosition(0, x, y, margin);

    const IFieldUser* user = GetFieldUser();
    if (!force && !(user && user->IsFirstChainDone())) return false;
    const LevelRecord& level = _stats;
    const bool first_level = !_is_bonus_level && user && user->GetLevelNumber() == 0;
    const bool first_bonus_level = _is_bonus_level && user && user->GetBonusLevelNumber() == 0;

    // The first cell from a random start, in index order with wrap-around, that matches and whose
    // centre the hint's rectangle fits around.
    const auto find_cell = [&](const std::function<bool(int)>& matches) {
        const int count = g_LevelCfg.GetCellCount();
        if (count <= 0) return false;
        const int start = RandomInt(0, count - 1);
        for (int k = 0; k < count; ++k) {
            const int cell = (start + k) % count;
            float cx = 0.0f, cy = 0.0f;
            if (!matches(cell) || !g_LevelCfg.CellToScreenCenter(cell, cx, cy) || !FitsOnScreen(cx, cy, margin))
                continue;
            x = cx;
            y = cy;
            return true;
        }
        return false;
    };
    // A tile's kind: 1 with one layer left to break, 2 with two or more.
    const auto tile_kind = [this](int cell) { return std::min(_tiles.GetLeft(cell), 2); };

    switch (id) {
    case htTile:
        return level.n_puzzles > 0 && find_cell([&](int c) { return _tiles.HasView(c) && tile_kind(c) == 1; });
    case htDoubleTile:
        return level.was_double_puzzles && find_cell([&](int c) { return _tiles.HasView(c) && tile_kind(c) == 2; });
    case htTimeBar:
        if (!first_level) return false;
        g_GameTimer.GetTipPosition(x, y);
        return true;
    case htLock:
    case htDoubleLock: {
        const int lock = id - htLock + 1;
        if (!(lock == 1 ? level.was_locks : level.was_double_locks)) return false;
        return find_cell([&](int c) { return _balls.HasUsableBall(c) && _balls.GetLockLevel(c) == lock; });
    }
    case htBox:
    case htDoubleBox: {
        const int box = id - htBox + 1;
        if (!(box == 1 ? level.was_boxes : level.was_double_boxes)) return false;
        return find_cell([&](int c) { return _balls.HasUsableBall(c) && _balls.GetBoxLevel(c) == box; });
    }
    case htWall:
    case htDoubleWall:
    case htTripleWall: {
        const int wall = id - htWall + 1;
        const bool was = wall == 1 ? level.was_walls : wall == 2 ? level.was_double_walls : level.was_triple_walls;
        if (!was) return false;
        return find_cell([&](int c) { return _balls.IsFieldCell(c) && _balls.GetWallLevel(c) == wall; });
    }
    case htBonusLevel:
        return first_bonus_level;
    case htMovesPanel:
        if (!first_bonus_level) return false;
        g_MovesCounter.GetBodyPos(x, y);
        return true;
    case htSpecialChain: {
        // The special chain through the finishers, which the move analysis asks this hint for.
        const int finisher = _balls.GetFinisherType();
        return finisher != 0 && FindMoveHintPosition(finisher, x, y, margin);
    }
    default:
        break;
    }

    if (id >= htBallTypeFirst && id <= htBallTypeLast) {
        const int type = id - 1000;
        return find_cell([&](int c) { return _balls.HasUsableBall(c) && !_balls.IsBoxed(c) && _balls.GetBallType(c) == type; });
    }
    if (id >= htBonusSlotFirst && id <= htBonusSlotLast) {
        const int grade = id % 10;
        const int credit_type = 10 + (id / 10 - 20);
        if (grade < 1 || grade > 4 || _is_bonus_level) return false;
        if (FieldCreditGrade(credit_type) != grade) return false;
        const IFieldScene* scene = GetFieldScene();
        return scene && scene->GetBonusSlotPosition(credit_type, x, y);
    }
    return false;
}
