// The move analysis of the field at rest, and the hints and renewal it drives.
#include "field/chain/field_gamefield.h"

void CGameField::GetMatchGroup(int cell, std::vector<int>& cells, int& graph_type) const
{
    cells.clear();
    graph_type = 0;
    if (!_balls.HasBall(cell) || _balls.IsBoxed(cell)) return;
    cells.push_back(cell);
    graph_type = _balls.GetBallType(cell);
}
