// The bag.
#include "field/bonus/field_bonus_bag.h"

#include "field/bonus/field_bonus_clover.h"

#include "engine/base/engine_xml.h"

CBagBonus::CBagBonus() : CWaveBonusImpl("Bag", false) {}

bool CBagBonus::CanApply(int grade, int cell)
{
    if (!CBaseBonusImpl::CanApply(grade, cell)) return false;
    if (cell == -1) {
        _active = false;
        return false;
    }
    return _source->IsFieldCell(cell) && _source->HasPlayableBall(cell) && !_source->IsFinisher(cell) &&
           !_source->IsMultiball(cell) && !_source->IsBoxed(cell);
}

void CBagBonus::GetAffectedCells(int cell, std::vector<int>& cells)
{
    cells.clear();
    const auto desc = _bag_grades.find(_grade);
    if (desc == _bag_grades.end()) return;
    ChooseNearestBalls(_source, cell, desc->second.kill_percent, false, cells);
}

bool CBagBonus::Prepare()
{
    const auto desc = _bag_grades.find(_grade);
    if (desc == _bag_grades.end()) return false;
    std::vector<int> cells;
    GetAffectedCells(GetTargetCell(), cells);
    _percent = desc->second.kill_percent > 0 ? desc->second.kill_percent : 100;
    if (cells.empty()) return false;
    _clicked_type = _source->GetBallType(GetTargetCell());
    const BallTypeEntryPtr entry = _source->FindBallType(_clicked_type);
    if (!entry) return false;
    int amount = entry->is_bonus ? desc->second.bonus_amount : desc->second.resource_amount;
    if (entry->default_credit_amount == 0) amount = 0;
    _kills.clear();
    for (const int cell : cells) _kills.push_back({cell, amount, true, false});
    ResetWaves();
    return true;
}

int CBagBonus::GetReleaseBound(int wave) const
{
    const auto row = _bag_grades.find(wave);
    if (row == _bag_grades.end()) return GetRecordCount();
    return row->second.kill_percent * GetRecordCount() / _percent;
}

bool CBagBonus::Step()
{
    _wave_delay.Step();
    if (!_wave_delay.IsExpired()) return true;
    bool any = false;
    for (Kill& kill : _kills) {
        if (kill.pending || kill.done) continue;
        // A cell whose ball went or changed meanwhile is not the bag's to empty, nor to credit.
        if (_source->HasPlayableBall(kill.cell) && _source->GetBallType(kill.cell) == _clicked_type)
            _source->KillCell(kill.cell, kill.amount);
        kill.done = true;
        any = true;
    }
    return any;
}

void CBagBonus::Finish()
{
    _kills.clear();
    _active = false;
}

bool CBagBonus::Load(const CXMLNode& node)
{
    if (!CBaseBonusImpl::Load(node)) return false;
    const CXMLNodeList grades = node.SelectNodes("Grade");
    for (int i = 0; i < grades.GetLength(); ++i) {
        const CXMLNode grade = grades.GetItem(i);
        GradeDesc desc;
        desc.kill_percent = ReadPositiveInt(grade, _config_name, "kill_percent", 25);
        desc.bonus_amount = ReadCount(grade, _config_name, "bonus_amount", 5);
        desc.resource_amount = ReadCount(grade, _config_name, "resource_amount", 25);
        _bag_grades[grade.GetIntAttribute("id", 0)] = desc;
    }
    return true;
}
