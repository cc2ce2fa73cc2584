// The bag: armed, then applied to a clicked ball. It removes a share of the unlocked balls of the
// clicked type, nearest first, wave by wave, crediting each removed ball's resource with the grade's
// amount.
#pragma once

#include "field/bonus/field_bonus.h"

#include <map>
#include <vector>

class CBagBonus : public CWaveBonusImpl {
public:
    struct GradeDesc {
        int kill_percent = 25;
        int bonus_amount = 5;       // credit per ball when the clicked type is a bonus ball
        int resource_amount = 25;   // credit per ball when it is a plain ball
    };
    // One ball to remove.
    struct Kill {
        int cell = -1;
        int amount = 0;
        bool pending = true;   // not yet released by a wave
        bool done = false;
    };
    // Frames before each wave after the first.
    static constexpr uint32_t kWaveDelay = 10;

    CBagBonus();

    // Never anywhere (cell -1 also ends the bonus); a playable ball that is neither a finisher, a
    // multiball nor boxed.
    bool CanApply(int grade, int cell) override;
    // The nearest share of the unlocked balls of the clicked type.
    void GetAffectedCells(int cell, std::vector<int>& cells) override;
    bool Load(const CXMLNode& node) override;

    const std::vector<Kill>& GetKills() const { return _kills; }
    const std::map<int, GradeDesc>& GetGradeDescs() const { return _bag_grades; }
    int GetClickedType() const { return _clicked_type; }

protected:
    bool Prepare() override;
    bool Step() override;
    void Finish() override;
    int GetRecordCount() const override { return int(_kills.size()); }
    int GetReleaseBound(int wave) const override;
    void ReleaseRecord(int index) override { _kills[size_t(index)].pending = false; }
    uint32_t GetWaveDelayFrames(int wave) const override { return wave <= 1 ? 0 : kWaveDelay; }

private:
    std::vector<Kill> _kills;
    int _clicked_type = 0;
    int _percent = 100;   // the current grade's kill_percent
    std::map<int, GradeDesc> _bag_grades;
};
