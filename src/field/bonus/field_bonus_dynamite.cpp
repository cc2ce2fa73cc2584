// The dynamite.
#include "field/bonus/field_bonus_dynamite.h"

#include "field/config/field_config.h"
#include "field/field_services.h"

#include "engine/base/engine_xml.h"

bool CanAimBonusAt(IBonusDataSource* source, int cell)
{
    return source->IsFieldCell(cell) && source->HasPlayableBall(cell) && !source->IsFinisher(cell);
}

bool CDynamiteBonus::CanApply(int grade, int cell)
{
    if (!CBaseBonusImpl::CanApply(grade, cell)) return false;
    if (cell == -1) {
        _active = false;
        return false;
    }
    return CanAimBonusAt(_source, cell);
}

bool CDynamiteBonus::Apply(int grade, int cell)
{
    if (!CBaseBonusImpl::Apply(grade, cell)) return false;
    _cell = cell;
    return true;
}

bool CDynamiteBonus::CollectTargets(int cell, std::vector<int>& cells, bool hit) const
{
    const auto shape = _shapes.find(_grade);
    if (shape == _shapes.end()) return false;
    int x = 0, y = 0;
    if (!g_LevelCfg.CellToPos(cell, x, y)) return true;
    for (const ShapeCell& s : shape->second) {
        const int target = g_LevelCfg.CellAt(x + s.dx, y + s.dy);
        if (target < 0) continue;
        if (!_source->HasPlayableBall(target) || _source->IsFinisher(target)) continue;
        // Hit at once, so that a later shape cell sees what the earlier hits left.
        if (hit) _source->HitCell(target, s.power, true);
        cells.push_back(target);
    }
    return true;
}

void CDynamiteBonus::Update()
{
    if (!_active) return;
    std::vector<int> hit;
    if (!CollectTargets(_cell, hit, true)) {
        _active = false;
        return;
    }
    _source->HitNeighbours(hit);
    float x = 0.0f, y = 0.0f;
    if (g_LevelCfg.CellToScreenCenter(_cell, x, y)) FieldExplosion(_expl_alias, x, y);
    _active = false;
}

void CDynamiteBonus::GetAffectedCells(int cell, std::vector<int>& cells)
{
    cells.clear();
    if (!_source || !CanAimBonusAt(_source, cell)) return;
    CollectTargets(cell, cells, false);
}

bool CDynamiteBonus::Load(const CXMLNode& node)
{
    if (!CBaseBonusImpl::Load(node)) return false;
    _expl_alias = node.GetAttribute("expl_alias", "");
    const CXMLNodeList grades = node.SelectNodes("Grade");
    for (int i = 0; i < grades.GetLength(); ++i) {
        const CXMLNode grade = grades.GetItem(i);
        const int id = grade.GetIntAttribute("id", 0);
        if (id < 1 || id > 4) continue;
        std::vector<ShapeCell>& shape = _shapes[id];
        shape.clear();
        const CXMLNodeList cells = grade.SelectNodes("Shape/Cell");
        for (int j = 0; j < cells.GetLength(); ++j) {
            const CXMLNode c = cells.GetItem(j);
            ShapeCell s;
            s.dx = c.GetIntAttribute("dx", 0);
            s.dy = c.GetIntAttribute("dy", 0);
            s.power = ReadCount(c, _config_name, "power", 0);
            shape.push_back(s);
        }
    }
    return true;
}
