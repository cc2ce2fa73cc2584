// The clover and the nearest-first choice of balls of one type.
#include "field/bonus/field_bonus_clover.h"

#include "field/config/field_config.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_xml.h"
#include "engine/particles/engine_pyro2.h"
#include "engine/render/engine_render.h"

#include <algorithm>
#include <cstdlib>

namespace {

// A ball the clover and the bag may be aimed at.
bool IsAimableBall(IBonusDataSource* source, int cell)
{
    return source->IsFieldCell(cell) && source->HasPlayableBall(cell) && !source->IsBoxed(cell) &&
           !source->IsMultiball(cell) && !source->IsFinisher(cell);
}

} // namespace

void ChooseNearestBalls(IBonusDataSource* source, int cell, int percent, bool take_locked, std::vector<int>& cells)
{
    cells.clear();
    if (!source || !IsAimableBall(source, cell)) return;
    const int type = source->GetBallType(cell);
    // A ball whose type the level does not know is logged and chooses nothing.
    const BallTypeEntryPtr ball_type = source->FindBallType(type);
    VERIFY_SOFT(ball_type != NULL);
    if (!ball_type) return;
    int x = 0, y = 0;
    g_LevelCfg.CellToPos(cell, x, y);
    struct Candidate {
        int cell;
        int distance;
    };
    std::vector<Candidate> candidates;
    const int count = g_LevelCfg.GetCellCount();
    for (int c = 0; c < count; ++c) {
        if (!source->HasPlayableBall(c) || source->IsBoxed(c) || source->GetBallType(c) != type) continue;
        if (!take_locked && source->IsLocked(c)) continue;
        int cx = 0, cy = 0;
        g_LevelCfg.CellToPos(c, cx, cy);
        candidates.push_back({c, std::abs(cx - x) + std::abs(cy - y)});
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.distance < b.distance; });
    const size_t n = std::min(candidates.size(), candidates.size() * size_t(std::max(percent, 0)) / 100);
    for (size_t i = 0; i < n; ++i) cells.push_back(candidates[i].cell);
}

CCloverBonus::CCloverBonus() : CWaveBonusImpl("Clover", false) {}
CCloverBonus::~CCloverBonus() = default;

bool CCloverBonus::CanApply(int grade, int cell)
{
    if (!CBaseBonusImpl::CanApply(grade, cell)) return false;
    if (cell == -1) {
        _active = false;
        return false;
    }
    if (!IsAimableBall(_source, cell)) return false;
    const int chosen = _source->GetChosenBallType();
    return chosen == 0 || _source->GetBallType(cell) != chosen;
}

void CCloverBonus::GetAffectedCells(int cell, std::vector<int>& cells)
{
    cells.clear();
    if (!_source || !IsAimableBall(_source, cell)) return;
    const int chosen = _source->GetChosenBallType();
    if (chosen == 0) {
        cells.push_back(cell);
        return;
    }
    if (_source->GetBallType(cell) == chosen) return;
    const auto percent = _percents.find(_grade);
    if (percent == _percents.end()) return;
    ChooseNearestBalls(_source, cell, percent->second, true, cells);
}

bool CCloverBonus::Prepare()
{
    const auto percent = _percents.find(_grade);
    if (percent == _percents.end()) return false;
    std::vector<int> cells;
    GetAffectedCells(GetTargetCell(), cells);
    _percent = percent->second > 0 ? percent->second : 100;
    if (cells.empty()) return false;
    _changes.clear();
    for (const int cell : cells) {
        Change change;
        change.cell = cell;
        float cx = 0.0f, cy = 0.0f;
        g_LevelCfg.CellToScreenCenter(cell, cx, cy);
        change.sprite = std::make_shared<CSprite>();
        change.sprite->Init(0.0f, 0.0f, _effect);
        change.sprite->SetPosition(cx - change.sprite->GetWidth() * 0.5f, cy - change.sprite->GetHeight() * 0.5f);
        change.sprite->PlayAnimation(1);
        _changes.push_back(std::move(change));
    }
    if (!_pyro_alias.empty()) _pyro = std::make_shared<CPyro2>();
    ResetWaves();
    return true;
}

int CCloverBonus::GetReleaseBound(int wave) const
{
    const auto row = _percents.find(wave);
    if (row == _percents.end()) return GetRecordCount();
    return row->second * GetRecordCount() / _percent;
}

void CCloverBonus::ReleaseRecord(int index)
{
    Change& change = _changes[size_t(index)];
    change.pending = false;
    if (_pyro_alias.empty() || !_pyro) return;
    float cx = 0.0f, cy = 0.0f;
    g_LevelCfg.CellToScreenCenter(change.cell, cx, cy);
    change.emitter_id = int(_pyro->AddEmitter(_pyro_alias, float(int(cx)), float(int(cy))));
    change.has_emitter = true;
}

bool CCloverBonus::Step()
{
    _wave_delay.Step();
    if (!_wave_delay.IsExpired()) return true;
    bool any = false;
    const int chosen = _source->GetChosenBallType();
    for (Change& change : _changes) {
        if (change.showing) any = true;
        if (change.pending || change.changed) continue;
        // A ball taken from its cell meanwhile leaves nothing to change.
        if (chosen != 0 && _source->HasBall(change.cell)) _source->ChangeBallType(change.cell, chosen);
        change.changed = true;
        change.showing = true;
        any = true;
    }
    // The last wave also waits for the particles to die down, within a limit.
    if (!any && _wave == _grade && _pyro && _pyro->HasEmitters()) {
        if (++_particle_wait <= kMaxParticleWait) return true;
        GetLog().Warning("Warning: the clover's particles \"%s\" still run after %d frames; they are cut.",
                         _pyro_alias.c_str(), kMaxParticleWait);
    }
    return any;
}

void CCloverBonus::Draw()
{
    if (_pyro) _pyro->Render();
    for (Change& change : _changes) {
        if (change.pending || !change.showing) continue;
        change.sprite->Draw();
        if (!change.sprite->IsPlaying()) change.showing = false;
    }
}

void CCloverBonus::Finish()
{
    _pyro.reset();
    _changes.clear();
    _active = false;
}

bool CCloverBonus::Load(const CXMLNode& node)
{
    if (!CBaseBonusImpl::Load(node)) return false;
    _pyro_alias = node.GetAttribute("pyro", "");
    const CXMLNodeList grades = node.SelectNodes("Grade");
    for (int i = 0; i < grades.GetLength(); ++i) {
        const CXMLNode grade = grades.GetItem(i);
        _percents[grade.GetIntAttribute("id", 0)] = ReadPositiveInt(grade, _config_name, "change_percent", 25);
    }
    ReadGraphics(node.SelectSingleNode("CloverEffect"), _effect);
    return true;
}
