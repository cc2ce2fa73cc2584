// The lightning: applied at once, anywhere. It strikes a number of balls picked at random, preferring
// balls on tiles and locked or boxed balls, and hits each struck cell once; every strike shows its
// bolt for a while before the hit. A grade of g strikes in up to g waves.
#pragma once

#include "field/bonus/field_bonus.h"

#include "engine/base/engine_layout.h"

#include <map>
#include <memory>
#include <vector>

class CSprite;

class CLightningBonus : public CWaveBonusImpl {
public:
    struct GradeDesc {
        int max_kill = 5;      // strikes of the grade; release bound of the wave of that number
        int puzzle_kill = 1;   // strikes kept for balls on tiles (at most max_kill)
        int locked_kill = 1;   // strikes kept for locked or boxed balls off tiles (at most the rest)
    };
    enum EStrikeState { ssWaiting = 0, ssStriking = 1, ssStruck = 2 };
    struct Strike {
        int cell = -1;
        std::shared_ptr<CSprite> bolt;
        std::shared_ptr<CSprite> joint;
        BonusDelay delay;
        int state = ssWaiting;
        bool pending = true;   // not yet released by a wave
    };
    // Frames before a released strike shows its bolt (a random number up to this), the frames the
    // bolt shows (a random number in the range), and the pause before each wave after the first.
    static constexpr int kMaxStartDelay = 20;
    static constexpr int kMinStrikeFrames = 10;
    static constexpr int kMaxStrikeFrames = 30;
    static constexpr uint32_t kWaveDelay = 20;

    CLightningBonus();
    ~CLightningBonus() override;

    void Draw() override;
    bool Load(const CXMLNode& node) override;

    const std::map<int, GradeDesc>& GetGradeDescs() const { return _lightning_grades; }
    const std::vector<Strike>& GetStrikes() const { return _strikes; }

protected:
    bool Prepare() override;
    bool Step() override;
    void Finish() override;
    int GetRecordCount() const override { return int(_strikes.size()); }
    int GetReleaseBound(int wave) const override;
    void ReleaseRecord(int index) override { _strikes[size_t(index)].pending = false; }
    uint32_t GetWaveDelayFrames(int wave) const override { return wave >= 2 ? kWaveDelay : 0; }

private:
    std::vector<Strike> _strikes;
    GraphicsDesc _joint_effect;
    GraphicsDesc _bolt_effect;
    std::map<int, GradeDesc> _lightning_grades;
};
