// The clover: armed; a first click picks a ball type, a second click on a ball of another type turns
// a share of the balls of that clicked type, nearest first, into the picked type, wave by wave.
// Also the nearest-first choice that the clover and the bag share.
#pragma once

#include "field/bonus/field_bonus.h"

#include "engine/base/engine_layout.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class CPyro2;
class CSprite;

// The balls of the clicked cell's type, nearest first (by steps along rows and columns), cut to
// percent of them (integer division). Boxed balls are never taken, locked ones only with
// take_locked. The clicked cell must hold a playable ball that is neither boxed, a multiball nor a
// finisher; else, or when its type is not one of the level's, the list is empty (the latter logged as
// a failed check).
void ChooseNearestBalls(IBonusDataSource* source, int cell, int percent, bool take_locked, std::vector<int>& cells);

class CCloverBonus : public CWaveBonusImpl {
public:
    // One ball to change.
    struct Change {
        int cell = -1;
        bool has_emitter = false;
        int emitter_id = 0;
        std::shared_ptr<CSprite> sprite;
        bool pending = true;    // not yet released by a wave
        bool changed = false;
        bool showing = false;   // its effect sprite is still to be drawn
    };
    // Frames between a wave's opening and its balls changing.
    static constexpr uint32_t kWaveDelay = 20;
    // The last wave waits for its particles at most this long: an emitter that never ends (a
    // looping one named in the file) must not hold the bonus, and the field, for ever.
    static constexpr int kMaxParticleWait = 600;

    CCloverBonus();
    ~CCloverBonus() override;

    // Never anywhere (cell -1 also ends the bonus); a playable ball that is neither a finisher, a
    // multiball nor boxed; once a type is picked, only a ball of another type.
    bool CanApply(int grade, int cell) override;
    void Draw() override;
    // Before a type is picked: the clicked cell alone. After: the nearest share of its type.
    void GetAffectedCells(int cell, std::vector<int>& cells) override;
    bool Load(const CXMLNode& node) override;

    const std::vector<Change>& GetChanges() const { return _changes; }
    const std::map<int, int>& GetChangePercents() const { return _percents; }
    const std::string& GetParticleAlias() const { return _pyro_alias; }
    const GraphicsDesc& GetChangeEffect() const { return _effect; }
    const std::shared_ptr<CPyro2>& GetPyro() const { return _pyro; }

protected:
    bool Prepare() override;
    bool Step() override;
    void Finish() override;
    int GetRecordCount() const override { return int(_changes.size()); }
    int GetReleaseBound(int wave) const override;
    void ReleaseRecord(int index) override;
    uint32_t GetWaveDelayFrames(int wave) const override
    {
        (void)wave;
        return kWaveDelay;
    }

private:
    std::vector<Change> _changes;
    int _percent = 100;   // the current grade's change_percent
    std::shared_ptr<CPyro2> _pyro;
    std::map<int, int> _percents;   // change_percent by grade
    std::string _pyro_alias;
    GraphicsDesc _effect;
    int _particle_wait = 0;   // frames the last wave has waited for its particles alone
};
