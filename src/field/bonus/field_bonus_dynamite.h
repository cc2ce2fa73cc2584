// The dynamite: armed, then applied to a clicked ball; in one frame it blows up the grade's shape of
// cells around it, hitting each cell as often as the shape says, and starts its explosion there.
#pragma once

#include "field/bonus/field_bonus.h"

#include <map>
#include <string>
#include <vector>

// The shared aiming rule of the dynamite and the burner: never anywhere (cell -1 also ends the
// bonus), only on a field cell with a playable ball that is not a finisher.
bool CanAimBonusAt(IBonusDataSource* source, int cell);

class CDynamiteBonus : public CBaseBonusImpl {
public:
    // One cell of a shape: its offset from the clicked cell and the hits it takes.
    struct ShapeCell {
        int dx = 0;
        int dy = 0;
        int power = 0;
    };

    CDynamiteBonus() : CBaseBonusImpl("Dynamite") {}

    bool CanApply(int grade, int cell) override;
    bool Apply(int grade, int cell) override;
    void Update() override;
    void GetAffectedCells(int cell, std::vector<int>& cells) override;
    bool Load(const CXMLNode& node) override;

    int GetTargetCell() const { return _cell; }
    const std::string& GetExplosionAlias() const { return _expl_alias; }
    const std::map<int, std::vector<ShapeCell>>& GetShapes() const { return _shapes; }

private:
    // The shape cells around the cell that exist on the field and hold a playable ball that is not
    // a finisher, in shape order (a cell listed twice comes twice); with hit, each is hit with its
    // power as it is found. False when the grade has no shape.
    bool CollectTargets(int cell, std::vector<int>& cells, bool hit) const;

    int _cell = -1;
    std::string _expl_alias;
    std::map<int, std::vector<ShapeCell>> _shapes;
};
