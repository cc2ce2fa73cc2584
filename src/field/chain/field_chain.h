// The chain the player drags through the field: neighbouring cells whose balls are of one type,
// multiballs matching any type. A cell up to four steps from the last one is reached by filling the
// path between (horizontal steps first); dragging back onto one of the two cells before the last
// cuts the chain there. A chain never crosses the field's edge nor a wall.
#pragma once

#include <vector>

class CBallsField;

struct ChainEntry {
    int cell = -1;
    int column = 0;
    int row = 0;
    bool is_multiball = false;
};

class CChain {
public:
    // The farthest cell (in steps) the path fill reaches.
    static constexpr int kMaxFillSteps = 4;

    void Clear();
    // True when the cell was taken, alone or with a filled path.
    bool TryAddCell(const CBallsField& balls, int cell);
    // Going back: true when the chain was cut so that the cell is its last entry.
    bool Truncate(int cell);

    bool IsStarted() const { return _started; }
    bool IsComplete() const { return _complete; }
    bool HasPlainBall() const { return _has_plain; }
    int GetType() const { return _type; }
    const std::vector<ChainEntry>& GetEntries() const { return _entries; }
    bool Contains(int cell) const;
    // Steps from the last entry; 0 when not started.
    int DistanceFromLast(int column, int row) const;
    // Entries that are not multiballs.
    int PlainLength() const;

private:
    bool Selectable(const CBallsField& balls, int cell) const;
    bool Matches(const CBallsField& balls, int cell, int type) const;
    bool FillPath(const CBallsField& balls, int type, int x, int y, int tx, int ty);
    bool TryStep(const CBallsField& balls, int type, int x, int y, int tx, int ty);
    void Recount();

    bool _started = false;
    bool _complete = false;
    bool _has_plain = false;
    int _type = -1;
    std::vector<ChainEntry> _entries;
};
