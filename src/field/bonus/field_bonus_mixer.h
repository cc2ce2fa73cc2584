// The mixer: applied at once. It picks a share of the field's free balls at random and, wave by wave,
// moves each wave's balls among the wave's own cells, in a random order, a ball preferring (by the
// grade's chance) a destination next to a ball of its own type. The balls field flies the balls and
// exchanges them at the end of each wave.
#pragma once

#include "field/bonus/field_bonus.h"

#include <map>
#include <vector>

class CMixerBonus : public CWaveBonusImpl {
public:
    struct GradeDesc {
        int mix_percent = 25;
        int mix_benefactor = 0;   // chance in percent that a ball looks for a neighbour of its type
    };
    struct ChosenBall {
        int cell = -1;
        int graph_type = 0;
    };
    // A cell a ball of the wave may go to.
    struct Destination {
        int cell = -1;
        bool taken = false;
        int key = 0;
        std::vector<int> neighbour_types;
    };
    // Frames before each wave after the first.
    static constexpr uint32_t kWaveDelay = 10;

    CMixerBonus();

    bool Load(const CXMLNode& node) override;

    const std::vector<ChosenBall>& GetChosenBalls() const { return _chosen; }
    const std::vector<int>& GetTypeSnapshot() const { return _snapshot; }
    const std::vector<MixMove>& GetMoves() const { return _moves; }
    const std::map<int, GradeDesc>& GetGradeDescs() const { return _mixer_grades; }
    int GetEnlargeFactor() const { return _enlarge_factor; }

protected:
    bool Prepare() override;
    bool NextWave() override;
    bool Step() override;
    void Finish() override;
    int GetRecordCount() const override { return int(_chosen.size()); }

private:
    // The types in the snapshot of the cell's neighbours above, right, below and left that exist and
    // hold a ball that is not on the move.
    std::vector<int> NeighbourTypes(int cell) const;

    std::vector<ChosenBall> _chosen;
    std::vector<int> _snapshot;   // the type believed to be in each cell; 0 while its ball moves
    std::vector<MixMove> _moves;
    int _percent = 100;
    int _benefactor = 0;
    std::map<int, GradeDesc> _mixer_grades;
    int _enlarge_factor = 0;
};
