#include "field/chain/field_chain.h"

#include "field/balls/field_balls.h"
#include "field/config/field_config.h"

#include <algorithm>
#include <cstdlib>

void CChain::Clear()
{
    _started = false;
    _complete = false;
    _has_plain = false;
    _type = -1;
    _entries.clear();
}

bool CChain::Contains(int cell) const
{
    return std::any_of(_entries.begin(), _entries.end(), [cell](const ChainEntry& e) { return e.cell == cell; });
}

int CChain::DistanceFromLast(int column, int row) const
{
    if (!_started || _entries.empty()) return 0;
    return std::abs(column - _entries.back().column) + std::abs(row - _entries.back().row);
}

int CChain::PlainLength() const
{
    return int(std::count_if(_entries.begin(), _entries.end(), [](const ChainEntry& e) { return !e.is_multiball; }));
}

// A field cell holding a ball the player can take: usable, not boxed.
bool CChain::Selectable(const CBallsField& balls, int cell) const
{
    return balls.IsFieldCell(cell) && balls.HasUsableBall(cell) && !balls.IsBoxed(cell);
}

bool CChain::Matches(const CBallsField& balls, int cell, int type) const
{
    return balls.IsMultiball(cell) || type == -1 || balls.GetBallType(cell) == type;
}

void CChain::Recount()
{
    _has_plain = PlainLength() > 0;
    if (!_has_plain) _type = -1;
    _complete = _has_plain && int(_entries.size()) >= g_GameCfg.GetLineSize();
}

bool CChain::TryAddCell(const CBallsField& balls, int cell)
{
    if (!Selectable(balls, cell)) return false;
    int column = 0, row = 0;
    if (!g_LevelCfg.CellToPos(cell, column, row)) return false;
    const bool multiball = balls.IsMultiball(cell);
    if (!_started) {
        _entries.push_back({cell, column, row, multiball});
        _has_plain = !multiball;
        _started = true;
        _type = multiball ? -1 : balls.GetBallType(cell);
        _complete = false;
        return true;
    }
    if (!multiball && _type != -1 && balls.GetBallType(cell) != _type) return false;
    if (Contains(cell)) return false;
    if (DistanceFromLast(column, row) > kMaxFillSteps) return false;
    const ChainEntry last = _entries.back();
    return FillPath(balls, _type, last.column, last.row, column, row);
}

// One step to the cell at (x, y): taken when it is selectable, matches and is not yet in the chain;
// the fill goes on from it and the entry is dropped again when the rest of the way fails.
bool CChain::TryStep(const CBallsField& balls, int type, int x, int y, int tx, int ty)
{
    const int cell = g_LevelCfg.CellAt(x, y);
    if (cell < 0 || !Selectable(balls, cell) || !Matches(balls, cell, type) || Contains(cell)) return false;
    const bool multiball = balls.IsMultiball(cell);
    _entries.push_back({cell, x, y, multiball});
    if (FillPath(balls, multiball ? type : balls.GetBallType(cell), x, y, tx, ty)) return true;
    _entries.pop_back();
    return false;
}

bool CChain::FillPath(const CBallsField& balls, int type, int x, int y, int tx, int ty)
{
    if (x != tx) {
        if (TryStep(balls, type, x + (tx > x ? 1 : -1), y, tx, ty)) return true;
        if (y == ty) return false;
    }
    if (x == tx && y == ty) {
        _type = type;
        Recount();
        return true;
    }
    return TryStep(balls, type, x, y + (ty > y ? 1 : -1), tx, ty);
}

bool CChain::Truncate(int cell)
{
    if (!_started) return false;
    const auto it = std::find_if(_entries.begin(), _entries.end(), [cell](const ChainEntry& e) { return e.cell == cell; });
    if (it == _entries.end()) return false;
    const auto from_end = _entries.end() - it;   // 1 for the last entry
    if (from_end == 1 || from_end > 3) return false;
    _entries.erase(it + 1, _entries.end());
    Recount();
    return true;
}
