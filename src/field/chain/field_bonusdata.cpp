// The field as the bonuses see it: queries and changes forwarded to its layers.
#include "field/chain/field_gamefield.h"

#include "field/timebar/field_timer.h"

#include "engine/base/engine_helpers.h"

bool CGameField::HitCell(int cell, int power, bool from_chain)
{
    if (power < 0) {
        VERIFY_SOFT(power >= 0);
        return false;
    }
    // Up to power hits, stopping at the first that does nothing. A cell without a ball may still
    // have tile layers to break.
    bool result = false;
    for (int i = 0; i < power; ++i) {
        if (_balls.HasBall(cell)) {
            result = HitBall(cell, nullptr, from_chain);
        } else {
            result = _tiles.HitCell(cell);
            if (result) ++_stats.n_puzzles_broke;
        }
        if (!result) break;
    }
    return result;
}

bool CGameField::KillCell(int cell, int amount)
{
    CreditBall(cell, amount);
    return HitBall(cell, nullptr, true);
}

bool CGameField::UpdateMixMoves(std::vector<MixMove>& moves) { return _balls.UpdateMixMoves(moves); }
void CGameField::ApplyMixMoves(const std::vector<MixMove>& moves) { _balls.ApplyMixMoves(moves); }
bool CGameField::ChangeBallType(int cell, int graph_type) { return _balls.ChangeBallType(cell, graph_type); }
void CGameField::AddTime(int amount) { g_GameTimer.AddTime(float(amount)); }

void CGameField::HitNeighbours(const std::vector<int>& cells)
{
    ChainStats stats;
    HitNeighbours(cells, stats);
}

bool CGameField::IsFieldCell(int cell) const { return _balls.IsFieldCell(cell); }
bool CGameField::HasPuzzle(int cell) const { return _tiles.HasLayersLeft(cell); }
bool CGameField::HasBall(int cell) const { return _balls.HasBall(cell); }
bool CGameField::HasPlayableBall(int cell) const { return _balls.HasUsableBall(cell); }
bool CGameField::IsFinisher(int cell) const { return _balls.IsFinisher(cell); }
bool CGameField::IsMultiball(int cell) const { return _balls.IsMultiball(cell); }
bool CGameField::IsLocked(int cell) const { return _balls.IsLocked(cell); }
bool CGameField::IsBoxed(int cell) const { return _balls.IsBoxed(cell); }
bool CGameField::HasWall(int cell) const { return _balls.HasWall(cell); }
BallTypeEntryPtr CGameField::FindBallType(int graph_type) const { return _balls.FindBallType(graph_type); }
int CGameField::GetBallType(int cell) const { return _balls.GetBallType(cell); }
int CGameField::GetMultiballType() const { return _balls.GetMultiballType(); }
