// What a bonus may ask of the field and change on it. The game field is its one implementation; the
// bonuses never touch the field's layers directly.
#pragma once

#include "field/balls/field_balls.h"
#include "field/balls/field_ballsdepot.h"

#include <vector>

class IBonusDataSource {
public:
    virtual ~IBonusDataSource() = default;

    // Up to power hits on the cell, stopping at the first that does nothing; the last hit's result.
    virtual bool HitCell(int cell, int power, bool from_chain) = 0;
    // Credits the ball's resource (amount 0: its own amount) with a popup, then hits the cell once.
    virtual bool KillCell(int cell, int amount) = 0;
    // The mixer's ball moves: one step of each (true while any still runs), then the exchange.
    virtual bool UpdateMixMoves(std::vector<MixMove>& moves) = 0;
    virtual void ApplyMixMoves(const std::vector<MixMove>& moves) = 0;
    virtual bool ChangeBallType(int cell, int graph_type) = 0;
    // Adds to the time bar's time still to be paid out.
    virtual void AddTime(int amount) = 0;
    // The effects on the neighbours of the hit cells: boxes opened, walls hit.
    virtual void HitNeighbours(const std::vector<int>& cells) = 0;

    virtual bool IsFieldCell(int cell) const = 0;
    virtual bool HasPuzzle(int cell) const = 0;
    virtual bool HasBall(int cell) const = 0;
    virtual bool HasPlayableBall(int cell) const = 0;
    virtual bool IsFinisher(int cell) const = 0;
    virtual bool IsMultiball(int cell) const = 0;
    virtual bool IsLocked(int cell) const = 0;
    virtual bool IsBoxed(int cell) const = 0;
    virtual bool HasWall(int cell) const = 0;
    // The cells of the largest group with a move that holds the cell, with the group's type; without
    // one, the cell alone with its ball's type when it holds an unboxed ball; else nothing.
    virtual void GetMatchGroup(int cell, std::vector<int>& cells, int& graph_type) const = 0;
    // The level's ball-type entry of a graph type (null: none).
    virtual BallTypeEntryPtr FindBallType(int graph_type) const = 0;
    // Graph type of the ball in the cell, 0 when none.
    virtual int GetBallType(int cell) const = 0;
    // Graph type of the level's first multiball type, 0 when none.
    virtual int GetMultiballType() const = 0;
    // The ball type the clover's first click picked (0: none yet).
    virtual int GetChosenBallType() const = 0;
};
