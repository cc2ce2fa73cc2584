// The bonus framework: the common configuration, the phase machine of the wave kinds, the factory
// and the field's controller of armed and running bonuses.
#include "field/bonus/field_bonus.h"

#include "field/bonus/field_bonus_bag.h"
#include "field/bonus/field_bonus_burner.h"
#include "field/bonus/field_bonus_clover.h"
#include "field/bonus/field_bonus_dynamite.h"
#include "field/bonus/field_bonus_lightning.h"
#include "field/bonus/field_bonus_mixer.h"
#include "field/bonus/field_bonus_sandclock.h"
#include "field/bonus/field_bonus_wand.h"

#include "field/config/field_config.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_xml.h"
#include "engine/core/engine_core.h"
#include "engine/sound/engine_sound.h"

#include <algorithm>
#include <exception>

// ---- CBaseBonusImpl ----

CBaseBonusImpl::CBaseBonusImpl(std::string config_name) : _config_name(std::move(config_name)) {}

bool CBaseBonusImpl::SetGrade(int grade)
{
    if (!_source) return false;
    if (!LoadBonusConfig()) return false;
    _grade = grade;
    return true;
}

const BonusGradeDesc& CBaseBonusImpl::GetGradeDesc() const
{
    static const BonusGradeDesc kDefault;
    const auto it = _grades.find(_grade);
    return it == _grades.end() ? kDefault : it->second;
}

bool CBaseBonusImpl::CanApply(int grade, int cell)
{
    (void)grade;
    if (!_source) return false;
    if (cell == -1) return true;
    return _source->IsFieldCell(cell);
}

bool CBaseBonusImpl::Apply(int grade, int cell_index)
{
    if (cell_index != -1) VERIFY_SOFT(g_LevelCfg.InField(cell_index));
    if (!CanApply(grade, cell_index)) return false;
    if (!LoadBonusConfig()) return false;
    PlaySample();
    _grade = grade;
    _active = true;
    return true;
}

bool CBaseBonusImpl::Load(const CXMLNode& node)
{
    VERIFY_SOFT(node.IsValid());
    if (!node.IsValid()) {
        GetLog().Error("Error: bonuses.xml has no element \"%s\"; the bonus is not used.", _config_name.c_str());
        return false;
    }
    _sample = node.GetAttribute("sample", "");
    const CXMLNodeList grades = node.SelectNodes("Grade");
    for (int i = 0; i < grades.GetLength(); ++i) {
        const CXMLNode grade = grades.GetItem(i);
        const int id = grade.GetIntAttribute("id", 0);
        if (id < 1 || id > 4) continue;
        _grades[id].cursor = grade.GetAttribute("cursor", "default");
    }
    return true;
}

bool CBaseBonusImpl::LoadBonusConfig()
{
    if (_config_loaded) return true;
    try {
        const CXMLFile file(std::string("Settings\\") + "bonuses.xml");
        if (!Load(file.SelectSingleNode("//Bonuses/" + _config_name))) return false;
    } catch (const std::exception& e) {
        GetLog().Error("Error: the bonus \"%s\" cannot read bonuses.xml (%s); the bonus is not used.",
                       _config_name.c_str(), e.what());
        return false;
    }
    _config_loaded = true;
    return true;
}

void CBaseBonusImpl::PlaySample() const
{
    if (_sample.empty() || !g_SoundKeeper) return;
    g_SoundKeeper->PlaySample(_sample);
}

int CBaseBonusImpl::ReadCount(const CXMLNode& node, const std::string& bonus, const std::string& name, int def)
{
    const int value = node.GetIntAttribute(name, def);
    if (value >= 0) return value;
    GetLog().Warning("Warning: bonuses.xml: %s attribute %s=\"%s\" is negative; %d is used.", bonus.c_str(),
                     name.c_str(), node.GetAttribute(name).c_str(), def);
    return def;
}

int CBaseBonusImpl::ReadPositiveInt(const CXMLNode& node, const std::string& bonus, const std::string& name, int def)
{
    const int value = node.GetIntAttribute(name, def);
    if (value > 0) return value;
    GetLog().Warning("Warning: bonuses.xml: %s attribute %s=\"%s\" must be above 0; %d is used.", bonus.c_str(),
                     name.c_str(), node.GetAttribute(name).c_str(), def);
    return def;
}

float CBaseBonusImpl::ReadPositiveFloat(const CXMLNode& node, const std::string& bonus, const std::string& name,
                                        float def)
{
    const float value = node.GetFloatAttribute(name, def);
    if (value > 0.0f) return value;
    GetLog().Warning("Warning: bonuses.xml: %s attribute %s=\"%s\" must be above 0; %g is used.", bonus.c_str(),
                     name.c_str(), node.GetAttribute(name).c_str(), double(def));
    return def;
}

// ---- CWaveBonusImpl ----

CWaveBonusImpl::CWaveBonusImpl(std::string config_name, bool single_wave)
    : CBaseBonusImpl(std::move(config_name)), _single_wave(single_wave)
{
}

bool CWaveBonusImpl::Apply(int grade, int cell)
{
    if (!CBaseBonusImpl::Apply(grade, cell)) return false;
    _cell_index = cell;
    _phase = phStart;
    return true;
}

void CWaveBonusImpl::Update()
{
    if (!_active) return;
    switch (_phase) {
    case phStart:
        _phase = Prepare() ? (_single_wave ? phWait : phAct) : phFinish;
        break;
    case phAct:
        _phase = !_single_wave && NextWave() ? phWait : phFinish;
        break;
    case phWait:
        if (!Step()) _phase = phAct;
        break;
    default:
        Finish();
        break;
    }
}

bool CWaveBonusImpl::NextWave()
{
    ++_wave;
    const int count = GetRecordCount();
    if (_wave > _grade || _released >= count) return false;
    const int bound = GetReleaseBound(_wave);
    for (int i = _released; i < std::min(bound, count); ++i) ReleaseRecord(i);
    // A row that holds less than an earlier one releases nothing; what was released stays so.
    _released = std::max(_released, bound);
    if (_wave >= 2) PlaySample();
    _wave_delay.Start(GetWaveDelayFrames(_wave));
    return true;
}

// ---- CreateBonus ----

BonusPtr CreateBonus(int kind)
{
    switch (kind) {
    case bkDynamite: return std::make_shared<CDynamiteBonus>();
    case bkMagicWand: return std::make_shared<CMagicWandBonus>();
    case bkLightning: return std::make_shared<CLightningBonus>();
    case bkClover: return std::make_shared<CCloverBonus>();
    case bkSandClock: return std::make_shared<CSandClockBonus>();
    case bkBurner: return std::make_shared<CBurnerBonus>();
    case bkBag: return std::make_shared<CBagBonus>();
    case bkMixer: return std::make_shared<CMixerBonus>();
    default: break;
    }
    GetLog().Warning("Warning: Invalid bonus type %d requested!", kind);
    return nullptr;
}

// ---- CBonusController ----

bool CBonusController::Select(int kind, int grade)
{
    _armed.reset();
    BonusPtr bonus = CreateBonus(kind);
    if (!bonus) return false;
    bonus->SetDataSource(_source);
    if (!bonus->SetGrade(grade)) return false;
    _armed = std::move(bonus);
    return true;
}

void CBonusController::Reset()
{
    _armed.reset();
    _running.clear();
}

bool CBonusController::CanApply(int kind, int grade, int cell)
{
    const BonusPtr bonus = CreateBonus(kind);
    if (!bonus) return false;
    bonus->SetDataSource(_source);
    return bonus->CanApply(grade, cell);
}

bool CBonusController::Apply(int kind, int grade, int cell)
{
    BonusPtr bonus = CreateBonus(kind);
    if (!bonus) return false;
    bonus->SetDataSource(_source);
    if (!bonus->Apply(grade, cell)) return false;
    _running.push_back(std::move(bonus));
    return true;
}

std::string CBonusController::GetCursorName() const
{
    return _armed ? _armed->GetGradeDesc().cursor : std::string("default");
}

void CBonusController::GetAffectedCells(int cell, std::vector<int>& cells) const
{
    if (_armed) _armed->GetAffectedCells(cell, cells);
}

void CBonusController::DrawBonuses()
{
    for (const BonusPtr& bonus : _running) bonus->Draw();
}

void CBonusController::UpdateBonuses()
{
    for (size_t i = 0; i < _running.size(); ++i) _running[i]->Update();
    _running.erase(std::remove_if(_running.begin(), _running.end(), [](const BonusPtr& b) { return !b->IsActive(); }),
                   _running.end());
}
