#include "field/field_levelrecord.h"

#include <algorithm>

void LevelStats::AddChain(int32_t length, int32_t chain_score)
{
    ++n_moves;
    ++n_chains;
    total_chain_length += length;
    total_chain_score += chain_score;
    max_chain_length = std::max(max_chain_length, length);
    max_chain_score = std::max(max_chain_score, chain_score);
}

void LevelStats::ResetProgress()
{
    time = 0;
    n_moves = 0;
    n_puzzles_broke = 0;
}
