#include "game/game_user.h"

#include "field/balls/field_ballsdepot.h"
#include "field/field_levelrecord.h"
#include "game/game_game.h"
#include "game/game_hints.h"
#include "player/player_resources.h"
#include "player/player_user.h"

#include <list>

namespace {
bool IsResourceType(int type) { return type >= rtMoney && type <= rtFood; }
} // namespace

int CGameUserBridge::GetCreditGrade(int credit_type) const { return GetResCredits().GetGrade(credit_type); }

void CGameUserBridge::SetCreditAvailable(int credit_type, bool available)
{
    GetResCredits().SetAvailable(credit_type, available);
}

void CGameUserBridge::SetResourceAvailable(int resource_type, bool available)
{
    GetResources().SetAvailable(resource_type, available);
}

void CGameUserBridge::LoadCredit(const CXMLNode& bonus) { GetResCredits().LoadCredit(bonus); }

void CGameUserBridge::ListUpgradableBonuses(std::vector<int>& credit_types) const
{
    std::list<int> types;
    GetResCredits().GetUpgradable(types);
    credit_types.assign(types.begin(), types.end());
}

void CGameUserBridge::AddScore(int points) { g_User.AddScore(points); }

void CGameUserBridge::AddResource(int resource_type, int amount)
{
    if (IsResourceType(resource_type))
        GetResources().Add(resource_type, amount);
    else
        AddBonusCredit(resource_type, amount);
}

void CGameUserBridge::AddBonusCredit(int credit_type, int amount) { GetResCredits().Add(credit_type, amount); }

int CGameUserBridge::ConsumeCredit(int credit_type) { return GetResCredits().Consume(credit_type); }

void CGameUserBridge::ReturnCredit(int credit_type, int grades) { GetResCredits().Downgrade(credit_type, grades); }

void CGameUserBridge::SetFirstChainDone()
{
    g_User.Settings().pass_smart_test = true;
}

void CGameUserBridge::RequestHint(int hint) { GetHintsManager().RequestHint(hint); }

int CGameUserBridge::GetLevelNumber() const { return g_User.GetLevel(); }
int CGameUserBridge::GetBonusLevelNumber() const { return g_User.GetBonusLevel(); }

bool CGameUserBridge::GetSavedLevel(bool bonus_level, FieldSaveRecord& record) const
{
    const CGameSlot& game = g_User.Game();
    if (!(bonus_level ? game.HasSavedBonusLevel() : game.HasSavedLevel())) return false;
    game.statistics.ToFieldSave(record);
    return record.exists;
}

int CGameUserBridge::GetResourceAmount(int resource_type) const { return g_User.GetCollectAmount(resource_type); }

bool CGameUserBridge::HasResource(int resource_type) const { return GetResources().IsAvailable(resource_type); }

bool CGameUserBridge::IsFirstChainDone() const { return g_User.Settings().pass_smart_test; }

void CGameUserBridge::GrantConstruction(int construct_id) { g_User.BuyConstruction(construct_id); }

void CGameUserBridge::RefreshBalls() { GetGameScene().RefreshBalls(); }

void CGameUserBridge::Install()
{
    SetFieldUser(this);
    SetFieldRewards(this);
}

void CGameUserBridge::Uninstall()
{
    if (GetFieldUser() == this) SetFieldUser(nullptr);
    if (GetFieldRewards() == this) SetFieldRewards(nullptr);
}
