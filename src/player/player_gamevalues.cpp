#include "player/player_gamevalues.h"

#include "player/player_resources.h"
#include "player/player_user.h"

#include "engine/base/engine_log.h"

#include <cmath>
#include <functional>
#include <stdexcept>

void AGameValue::SetInt(CParamValue& variant, int32_t v, int32_t bit)
{
    if (variant.GetKind() != CParamValue::pvNone && variant.GetInt() == v) return;
    variant = CParamValue(static_cast<int>(v));
    _changed |= bit;
}

void AGameValue::SetText(const std::string& text)
{
    if (_value.GetKind() != CParamValue::pvNone && _value.GetText() == text) return;
    _value = CParamValue(text);
    _changed |= gvcValue;
}

void AGameValue::SetState(int32_t s)
{
    if (_state == s) return;
    _state = s;
    _changed |= gvcState;
}

CGameValuesStorage& CGameValuesStorage::Instance()
{
    static CGameValuesStorage storage;
    return storage;
}

void CGameValuesStorage::Register(AGameValue* value)
{
    if (!value) return;
    if (_values.count(value->GetName())) {
        GetLog().Error("Error: register game value %s one more time.", value->GetName().c_str());
        throw std::runtime_error("Re-register game value");
    }
    _values[value->GetName()] = value;
}

AGameValue* CGameValuesStorage::GetValue(const std::string& name) const
{
    auto it = _values.find(name);
    if (it == _values.end()) {
        GetLog().Error("Error: try to obtain unregistered game value %s.", name.c_str());
        throw std::runtime_error("Try to obtain unregistered game value");
    }
    return it->second;
}

namespace {

const IGameValueSource* g_source = nullptr;

// A shown counter as the integer it displays.
int32_t Shown(float v)
{
    if (!(v > -2147483520.0f && v < 2147483520.0f)) return 0;
    return static_cast<int32_t>(v);
}

float ShownScore() { return g_source ? g_source->GetShownScore() : 0.0f; }
float ShownResource(int type) { return g_source ? g_source->GetShownResource(type) : 0.0f; }
int BlinkState(int type) { return g_source ? g_source->GetBlinkState(type) : 0; }
int BonusResourceType() { return g_source ? g_source->GetBonusResourceType() : 0; }
int BonusResourceAmount() { return g_source ? g_source->GetBonusResourceAmount() : 0; }
bool AllEpochsComplete() { return g_source && g_source->IsAllEpochsComplete(); }
int BonusUpgrade(int type) { return g_source ? g_source->GetBonusUpgrade(type) : 0; }

// The update routine of a row of the table, with its resource or credit type.
using Routine = void (*)(AGameValue& v, int type);

void UpdScore(AGameValue& v, int) { v.SetValue(Shown(ShownScore())); }
void UpdLives(AGameValue& v, int) { v.SetValue(g_User.GetLives()); }
void UpdLevel(AGameValue& v, int) { v.SetValue(g_User.GetLevel() + 1); }
void UpdBonusLevel(AGameValue& v, int) { v.SetValue(g_User.GetBonusLevel() + 1); }
void UpdResource(AGameValue& v, int type)
{
    v.SetValue(Shown(ShownResource(type)));
    v.SetState(BlinkState(type));
}
void UpdGrade(AGameValue& v, int type)
{
    v.SetValue(GetResCredits().GetGrade(type));
    v.SetRange(0, 4);
}
void UpdAmount(AGameValue& v, int type) { GetResCredits().FillGameValue(type, v); }
void UpdBonusResource(AGameValue& v, int)
{
    v.SetValue(BonusResourceAmount());
    v.SetState(BonusResourceType());
}
void UpdUserName(AGameValue& v, int) { v.SetText(g_User.GetName()); }
void UpdPublicStatus(AGameValue& v, int)
{
    v.SetText(g_User.GetName());
    v.SetState(g_User.GetEpoch());
}
void UpdTitle(AGameValue& v, int)
{
    v.SetText(g_User.GetTitleText());
    v.SetState(g_User.GetTitleIndex());
}
void UpdTitleState(AGameValue& v, int) { v.SetState(g_User.GetTitleIndex()); }
void UpdEpoch(AGameValue& v, int)
{
    v.SetValue(0);
    v.SetState(g_User.GetEpoch() + (AllEpochsComplete() ? 1 : 0));
}
void UpdUpgrade(AGameValue& v, int type)
{
    v.SetValue(0);
    v.SetState(BonusUpgrade(type));
}

class CGameValue : public AGameValue {
public:
    CGameValue(const char* name, Routine routine, int type) : AGameValue(name), _routine(routine), _type(type) {}
    void Update() override { _routine(*this, _type); }

private:
    Routine _routine;
    int _type;
};

struct Row {
    const char* name;
    Routine routine;
    int type;
};

// Bonus credit types by the names the values use.
enum { kSandclock = 10, kDynamite = 11, kMixer = 12, kLightning = 13, kSword = 14, kStar = 15, kMagicwand = 16, kPlus = 17 };

const Row kRows[] = {
    {"VAL_SCORE", UpdScore, 0},
    {"VAL_SCORE_2", UpdScore, 0},
    {"VAL_LIVES", UpdLives, 0},
    {"VAL_LIVES_2", UpdLives, 0},
    {"VAL_LEVEL", UpdLevel, 0},
    {"VAL_LEVEL_2", UpdLevel, 0},
    {"VAL_BONUS_LEVEL", UpdBonusLevel, 0},
    {"VAL_MONEY", UpdResource, 1},
    {"VAL_FOOD", UpdResource, 3},
    {"VAL_STAFF", UpdResource, 2},
    {"VAL_BONUS_DYNAMITE", UpdGrade, kDynamite},
    {"VAL_BONUS_DYNAMITE_AMOUNT", UpdAmount, kDynamite},
    {"VAL_BONUS_DYNAMITE_GRADE", UpdGrade, kDynamite},
    {"VAL_BONUS_MAGICWAND", UpdGrade, kMagicwand},
    {"VAL_BONUS_MAGICWAND_AMOUNT", UpdAmount, kMagicwand},
    {"VAL_BONUS_MAGICWAND_GRADE", UpdGrade, kMagicwand},
    {"VAL_BONUS_LIGHTNING", UpdGrade, kLightning},
    {"VAL_BONUS_LIGHTNING_AMOUNT", UpdAmount, kLightning},
    {"VAL_BONUS_LIGHTNING_GRADE", UpdGrade, kLightning},
    {"VAL_BONUS_SWORD", UpdGrade, kSword},
    {"VAL_BONUS_SWORD_AMOUNT", UpdAmount, kSword},
    {"VAL_BONUS_SWORD_GRADE", UpdGrade, kSword},
    {"VAL_BONUS_SANDCLOCK", UpdGrade, kSandclock},
    {"VAL_BONUS_SANDCLOCK_AMOUNT", UpdAmount, kSandclock},
    {"VAL_BONUS_SANDCLOCK_GRADE", UpdGrade, kSandclock},
    {"VAL_BONUS_STAR", UpdGrade, kStar},
    {"VAL_BONUS_STAR_AMOUNT", UpdAmount, kStar},
    {"VAL_BONUS_STAR_GRADE", UpdGrade, kStar},
    {"VAL_BONUS_MIXER", UpdGrade, kMixer},
    {"VAL_BONUS_MIXER_AMOUNT", UpdAmount, kMixer},
    {"VAL_BONUS_MIXER_GRADE", UpdGrade, kMixer},
    {"VAL_BONUS_PLUS", UpdGrade, kPlus},
    {"VAL_BONUS_PLUS_AMOUNT", UpdAmount, kPlus},
    {"VAL_BONUS_PLUS_GRADE", UpdGrade, kPlus},
    {"VAL_BONUS_RESOURCE", UpdBonusResource, 0},
    {"VAL_BONUS_RESOURCE_2", UpdBonusResource, 0},
    {"VAL_USER_NAME", UpdUserName, 0},
    {"VAL_PUBLIC_STATUS", UpdPublicStatus, 0},
    {"VAL_TITLE", UpdTitle, 0},
    {"VAL_TITLE_2", UpdTitle, 0},
    {"VAL_TITLE_3", UpdTitleState, 0},
    {"VAL_TITLE_4", UpdTitle, 0},
    {"VAL_TITLE_5", UpdTitle, 0},
    {"VAL_EPOCH", UpdEpoch, 0},
    {"VAL_UPG_BONUS_DYNAMITE", UpdUpgrade, kDynamite},
    {"VAL_UPG_BONUS_MAGICWAND", UpdUpgrade, kMagicwand},
    {"VAL_UPG_BONUS_LIGHTNING", UpdUpgrade, kLightning},
    {"VAL_UPG_BONUS_STAR", UpdUpgrade, kStar},
    {"VAL_UPG_BONUS_SANDCLOCK", UpdUpgrade, kSandclock},
    {"VAL_UPG_BONUS_SWORD", UpdUpgrade, kSword},
    {"VAL_UPG_BONUS_PLUS", UpdUpgrade, kPlus},
    {"VAL_UPG_BONUS_MIXER", UpdUpgrade, kMixer},
};

} // namespace

void SetGameValueSource(const IGameValueSource* source) { g_source = source; }
const IGameValueSource* GetGameValueSource() { return g_source; }

std::vector<std::unique_ptr<AGameValue>> CreateGameValues()
{
    std::vector<std::unique_ptr<AGameValue>> values;
    for (const Row& r : kRows) values.push_back(std::make_unique<CGameValue>(r.name, r.routine, r.type));
    return values;
}

void RegisterGameValues()
{
    static std::vector<std::unique_ptr<AGameValue>> values;
    if (!values.empty()) return;
    values = CreateGameValues();
    for (auto& v : values) CGameValuesStorage::Instance().Register(v.get());
}
