// The bonuses on the field: the bonus panel activates a kind, the field takes the user's whole
// credit of it and either applies the bonus at once or arms it for the player's next click; the
// running bonuses are stepped by the field's update until they end.
#include "field/chain/field_gamefield.h"

#include "engine/base/engine_log.h"
#include "field/config/field_config.h"
#include "field/people/field_people.h"

#include <algorithm>

namespace {

struct BonusKindInfo {
    int kind;
    int credit_type;
    int hint_base;
    bool armed;   // used on a clicked cell; the others act at once, anywhere
};

constexpr BonusKindInfo kBonusKinds[] = {
    {bkDynamite, 11, 210, true}, {bkMagicWand, 16, 260, false}, {bkLightning, 13, 230, false},
    {bkClover, 15, 250, true},   {bkSandClock, 10, 200, false}, {bkBurner, 14, 240, true},
    {bkBag, 17, 270, true},      {bkMixer, 12, 220, false},
};

const BonusKindInfo* FindKind(int kind)
{
    for (const BonusKindInfo& info : kBonusKinds)
        if (info.kind == kind) return &info;
    return nullptr;
}

int BonusCreditType(int kind)
{
    const BonusKindInfo* info = FindKind(kind);
    return info ? info->credit_type : 0;
}

}   // namespace

bool CGameField::ActivateBonus(int kind)
{
    const BonusKindInfo* info = FindKind(kind);
    if (!info) {
        GetLog().Warning("Warning: Invalid bonus type %d requested!", kind);
        return false;
    }
    // The panel offers no bonus during a drag; one asked for anyway waits for the next one.
    if (_player_selecting_chain) {
        GetLog().Message("Bonus %d not activated: a chain is being drawn", kind);
        return false;
    }
    IFieldUser* user = GetFieldUser();
    if (!user || user->GetCreditGrade(info->credit_type) <= 0) return false;

    // Another armed bonus gives its unused grades back first.
    CancelBonus();
    _chain.Clear();
    const int grade = user->ConsumeCredit(info->credit_type);
    if (info->armed) {
        if (!_bonuses.Select(kind, grade)) {
            user->ReturnCredit(info->credit_type, grade);
            return false;
        }
        _bonus_kind = kind;
        _bonus_grades = grade;
        _bonus_single_use = false;
        _clover_type = 0;
        _bonus_armed = true;
        SelectCursor(_bonuses.GetCursorName());
        g_SoundQueue.QueueSound("bn_select");
    } else {
        if (!_bonuses.Apply(kind, grade, -1)) {
            user->ReturnCredit(info->credit_type, grade);
            return false;
        }
        _bonus_running = true;
        if (kind == bkLightning) _new_balls_for_bonus = true;
        g_SoundQueue.QueueSound("bn_select");
        RecordBonusUse(kind, grade);
    }
    ResetFirstHint();
    return true;
}

bool CGameField::CancelBonus()
{
    if (_bonus_kind == 0) return false;
    if (IFieldUser* user = GetFieldUser(); user && _bonus_grades > 0)
        user->ReturnCredit(BonusCreditType(_bonus_kind), _bonus_grades);
    DisarmBonus();
    g_SoundQueue.QueueSound("bn_cancel");
    return true;
}

void CGameField::DisarmBonus()
{
    _bonus_kind = 0;
    _bonus_grades = 0;
    _bonus_single_use = false;
    _bonus_armed = false;
    _clover_type = 0;
    _bonuses.Disarm();
    _affected_cells.clear();
    SelectCursor("default");
}

bool CGameField::ApplyBonusAt(float x, float y)
{
    if (_bonus_kind == 0) return false;
    const int cell = g_LevelCfg.PosToCell(x, y);
    if (!_balls.IsFieldCell(cell) || !_balls.HasBall(cell)) return false;
    const int grade = _bonus_grades;
    if (!_bonuses.CanApply(_bonus_kind, grade, cell)) {
        g_SoundQueue.QueueSound("it_mismatch");
        return false;
    }
    if (_bonus_kind == bkClover && _clover_type == 0) {
        g_SoundQueue.QueueSound("bn_select");
        _clover_type = _balls.GetBallType(cell);
        SelectCursor(CloverCursorName(_clover_type));
        return false;
    }
    if (!_bonuses.Apply(_bonus_kind, grade, cell)) return false;
    if (_bonus_kind == bkLightning) _new_balls_for_bonus = true;
    _bag_type = _bonus_kind == bkBag ? _balls.GetBallType(cell) : 0;
    if (_bonus_kind == bkClover) _running_clover_type = _clover_type;
    const int used = _bonus_single_use ? 1 : grade;
    RecordBonusUse(_bonus_kind, used);
    _bonus_grades -= used;
    if (_bonus_grades <= 0) {
        _bonus_grades = 0;
        _bonus_kind = 0;
        _bonus_armed = false;
        _clover_type = 0;
        _bonuses.Disarm();
        _affected_cells.clear();
        SelectCursor("default");
    }
    _bonus_running = true;
    return true;
}

// The clover's cursor after its first click shows the picked ball type.
std::string CGameField::CloverCursorName(int graph_type) const
{
    return _bonuses.GetCursorName() + "_" + std::to_string(graph_type);
}

void CGameField::RecordBonusUse(int kind, int grade)
{
    _stats.AddBonusUse({kind, _stats.time, grade});
    GetPeople().CheckResources(PeopleFacts(_stats.time, false));
}

void CGameField::OnBonusGained(int kind, int grade)
{
    const BonusKindInfo* info = FindKind(kind);
    if (!info) return;
    _stats.AddBonusGain({kind, _stats.time, grade});
    GetPeople().OnBonusAcquired(kind);
    if (IFieldUser* user = GetFieldUser()) user->RequestHint(info->hint_base + grade);
}

// What the men read of the level: its time, the resources gained so far, the bonuses used.
PeopleLevelFacts CGameField::PeopleFacts(int time, bool finisher) const
{
    PeopleLevelFacts level;
    level.time_ms = time;
    for (const auto& [type, amount] : _stats.collect)
        if (type >= 1 && type <= 3) level.collected[type] = amount;
    level.time_alert = _stats.was_time_alert;
    level.lives_lost = _stats.n_lives_loss;
    level.bonuses_used = int(_stats.bonus_use.size());
    level.finisher = finisher;
    return level;
}

int CGameField::GetBonusUpgrade(int credit_type) const
{
    const auto it = _stats.bonus_upgrade.find(credit_type);
    return it == _stats.bonus_upgrade.end() ? 0 : it->second;
}

void CGameField::ResetBonuses()
{
    _bonuses.Reset();
    _bonus_kind = _bonus_grades = 0;
    _bonus_single_use = _bonus_armed = _bonus_running = _new_balls_for_bonus = false;
    _bag_type = _clover_type = _running_clover_type = 0;
}

// One update of the running bonuses. The lightning's cells refill while it strikes; once every
// bonus has ended the field settles.
void CGameField::StepBonuses()
{
    if (!_bonus_running) return;
    _bonuses.UpdateBonuses();
    if (!_bonuses.HasRunningBonuses()) {
        _bonus_running = false;
        _new_balls_for_bonus = false;
        _running_clover_type = 0;
        _settle_pending = true;
        return;
    }
    if (!_new_balls_for_bonus) return;
    std::vector<int> waiting;
    _balls.ListWaitingCells(waiting);
    if (!waiting.empty()) _balls.ChooseNewBall(waiting, 1, 0, nbPlainCreate, _bag_type);
}
