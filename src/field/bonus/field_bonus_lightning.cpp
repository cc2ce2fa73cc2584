// The lightning.
#include "field/bonus/field_bonus_lightning.h"

#include "field/config/field_config.h"

#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"
#include "engine/render/engine_render.h"

#include <algorithm>

namespace {

// Takes up to n cells at random out of the list into the chosen ones; gives how many were taken.
int Pick(std::vector<int>& from, int n, std::vector<int>& chosen)
{
    const int count = std::clamp(n, 0, int(from.size()));
    for (int i = 0; i < count; ++i) {
        const size_t at = size_t(RandomInt(0, int(from.size()) - 1));
        chosen.push_back(from[at]);
        from.erase(from.begin() + std::ptrdiff_t(at));
    }
    return count;
}

} // namespace

CLightningBonus::CLightningBonus() : CWaveBonusImpl("Lightning", false) {}
CLightningBonus::~CLightningBonus() = default;

int CLightningBonus::GetReleaseBound(int wave) const
{
    const auto it = _lightning_grades.find(wave);
    return it == _lightning_grades.end() ? GetRecordCount() : it->second.max_kill;
}

bool CLightningBonus::Prepare()
{
    const auto it = _lightning_grades.find(_grade);
    if (it == _lightning_grades.end()) return false;
    const GradeDesc& desc = it->second;

    std::vector<int> tile_plain, tile_locked, free_locked, free_plain;
    for (int cell = 0; cell < g_LevelCfg.GetCellCount(); ++cell) {
        if (!_source->HasPlayableBall(cell) || _source->IsFinisher(cell)) continue;
        const bool held = _source->IsLocked(cell) || _source->IsBoxed(cell);
        if (_source->HasPuzzle(cell))
            (held ? tile_locked : tile_plain).push_back(cell);
        else
            (held ? free_locked : free_plain).push_back(cell);
    }
    std::vector<int> chosen;
    const int k1 = Pick(tile_plain, desc.puzzle_kill, chosen);
    const int k2 = Pick(tile_locked, desc.puzzle_kill - k1, chosen);
    const int k3 = Pick(free_locked, desc.locked_kill, chosen);
    for (const std::vector<int>* rest : {&tile_plain, &tile_locked, &free_locked})
        free_plain.insert(free_plain.end(), rest->begin(), rest->end());
    Pick(free_plain, desc.max_kill - k1 - k2 - k3, chosen);

    const float half_cell_h = g_GameCfg.GetCellH() * 0.5f;
    _strikes.clear();
    while (!chosen.empty()) {
        const size_t at = size_t(RandomInt(0, int(chosen.size()) - 1));
        Strike strike;
        strike.cell = chosen[at];
        chosen.erase(chosen.begin() + std::ptrdiff_t(at));
        float cx = 0.0f, cy = 0.0f;
        g_LevelCfg.CellToScreenCenter(strike.cell, cx, cy);
        strike.joint = std::make_shared<CSprite>();
        strike.joint->Init(cx - float(_joint_effect.width) * 0.5f, cy - float(_joint_effect.height) * 0.5f,
                           _joint_effect);
        strike.bolt = std::make_shared<CSprite>();
        strike.bolt->Init(cx - float(_bolt_effect.width) * 0.5f, cy - (float(_bolt_effect.height) - half_cell_h),
                          _bolt_effect);
        strike.delay.Start(uint32_t(RandomInt(0, kMaxStartDelay)));
        _strikes.push_back(std::move(strike));
    }
    ResetWaves();
    return true;
}

bool CLightningBonus::Step()
{
    _wave_delay.Step();
    if (!_wave_delay.IsExpired()) return true;
    bool any = false;
    for (Strike& strike : _strikes) {
        if (strike.pending || strike.state == ssStruck) continue;
        any = true;
        strike.delay.Step();
        if (!strike.delay.IsExpired()) continue;
        if (strike.state == ssWaiting) {
            strike.state = ssStriking;
            strike.delay.Start(uint32_t(RandomInt(kMinStrikeFrames, kMaxStrikeFrames)));
        } else {
            strike.state = ssStruck;
            _source->HitCell(strike.cell, 1, true);
            _source->HitNeighbours({strike.cell});
        }
    }
    return any;
}

void CLightningBonus::Finish()
{
    _strikes.clear();
    _active = false;
}

void CLightningBonus::Draw()
{
    for (const Strike& strike : _strikes) {
        if (strike.state != ssStriking) continue;
        strike.joint->Draw();
        strike.bolt->Draw();
    }
}

bool CLightningBonus::Load(const CXMLNode& node)
{
    if (!CBaseBonusImpl::Load(node)) return false;
    const CXMLNodeList grades = node.SelectNodes("Grade");
    for (int i = 0; i < grades.GetLength(); ++i) {
        const CXMLNode grade = grades.GetItem(i);
        GradeDesc desc;
        desc.max_kill = ReadCount(grade, _config_name, "max_kill", 5);
        desc.puzzle_kill = std::min(ReadCount(grade, _config_name, "puzzle_kill", 1), desc.max_kill);
        desc.locked_kill = std::min(ReadCount(grade, _config_name, "locked_kill", 1), desc.max_kill - desc.puzzle_kill);
        _lightning_grades[grade.GetIntAttribute("id", 0)] = desc;
    }
    ReadGraphics(node.SelectSingleNode("LightningEffect"), _bolt_effect);
    ReadGraphics(node.SelectSingleNode("JointEffect"), _joint_effect);
    return true;
}
