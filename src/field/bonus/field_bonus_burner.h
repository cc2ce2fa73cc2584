// The burner: armed, then applied to a clicked ball. It hits the clicked column in a band of rows and
// sends two flames along each of those rows, one to the left and one to the right; a flame hits every
// ball it enters until it meets a wall, a finisher, an inactive cell or the field's edge.
#pragma once

#include "field/bonus/field_bonus.h"

#include "engine/base/engine_layout.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class CPyro2;
class CSprite;

class CBurnerBonus : public CWaveBonusImpl {
public:
    // The look of a flame: its sprite and its particle emitter (empty alias: none).
    struct FlameEffect {
        GraphicsDesc graphics;
        std::string pyro;
    };
    struct GradeDesc {
        int up_lines = 0;
        int down_lines = 0;
        FlameEffect backward;   // the flame that moves left
        FlameEffect forward;    // the flame that moves right
    };
    // Pixels a flame moves per frame.
    static constexpr float kFlameSpeed = 5.0f;

    struct Flame {
        int x = 0;
        int y = 0;
        int dx = 0;
        int dy = 0;
        int cell = -1;   // the cell the flame is in
        bool alive = true;
        std::shared_ptr<CSprite> sprite;
        std::shared_ptr<CPyro2> pyro;
        bool has_emitter = false;
        int emitter_id = 0;
        IBonusDataSource* source = nullptr;

        // Moves one frame on, hitting the ball of a cell it enters; dies at a wall, a finisher, an
        // inactive cell or the field's edge.
        void Step();
    };

    CBurnerBonus();
    ~CBurnerBonus() override;

    bool CanApply(int grade, int cell) override;
    void Draw() override;
    void GetAffectedCells(int cell, std::vector<int>& cells) override;
    bool Load(const CXMLNode& node) override;

    const std::map<int, GradeDesc>& GetGradeDescs() const { return _burner_grades; }
    const std::vector<Flame>& GetFlames() const { return _flames; }

protected:
    bool Prepare() override;
    bool Step() override;
    void Finish() override;

private:
    void AddFlame(int x, int y, int dx, const FlameEffect& effect);

    std::shared_ptr<CPyro2> _pyro;
    std::vector<Flame> _flames;
    std::map<int, GradeDesc> _burner_grades;
};
