// The magic wand: applied at once, anywhere. It turns a number of balls picked at random into the
// level's multiball, taking balls on tiles one time in three, and shows a change animation with
// particles on each changed cell. Unless a boxed ball lies on the field, at least one candidate ball
// is left as it is. A grade of g changes its balls in up to g waves.
#pragma once

#include "field/bonus/field_bonus.h"

#include "engine/base/engine_layout.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class CPyro2;
class CSprite;

class CMagicWandBonus : public CWaveBonusImpl {
public:
    struct GradeDesc {
        int balls_replace = 1;     // balls changed by the grade; release bound of the wave of that number
        int puzzles_replace = 1;   // of these, balls taken from tiles first (at most balls_replace)
    };
    struct Change {
        int cell = -1;
        bool pending = true;   // not yet released by a wave
        std::shared_ptr<CSprite> sprite;
        bool has_emitter = false;
        int emitter_id = 0;
    };

    CMagicWandBonus();
    ~CMagicWandBonus() override;

    void Draw() override;
    bool Load(const CXMLNode& node) override;

    const std::map<int, GradeDesc>& GetGradeDescs() const { return _wand_grades; }
    const std::vector<Change>& GetChanges() const { return _changes; }
    const std::string& GetParticleAlias() const { return _pyro_alias; }

protected:
    bool Prepare() override;
    bool Step() override;
    void Finish() override;
    int GetRecordCount() const override { return int(_changes.size()); }
    int GetReleaseBound(int wave) const override;
    void ReleaseRecord(int index) override;

private:
    std::vector<Change> _changes;
    std::shared_ptr<CPyro2> _pyro;
    std::map<int, GradeDesc> _wand_grades;
    GraphicsDesc _change_effect;
    std::string _pyro_alias;
};
