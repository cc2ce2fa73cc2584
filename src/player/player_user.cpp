#include "player/player_user.h"

#include "player/player_prices.h"
#include "player/player_profiles.h"
#include "player/player_resources.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_registry.h"

#include <algorithm>
#include <climits>

CUser g_User;

namespace {

const CVariableRegistry* g_game_cfg = nullptr;
PeopleSaver g_people_saver = nullptr;

int ConfigInt(const char* name)
{
    static const CVariableRegistry empty;
    return (g_game_cfg ? *g_game_cfg : empty).GetInt(name);
}

} // namespace

void SetUserGameConfig(const CVariableRegistry* cfg) { g_game_cfg = cfg; }
const CVariableRegistry* GetUserGameConfig() { return g_game_cfg; }
void SetPeopleSaver(PeopleSaver saver) { g_people_saver = saver; }

// ---------------------------------------------------------------------------------------------

int32_t CUser::GetPendingResource(int type) const
{
    switch (type) {
    case 1: return _pending_money;
    case 2: return _pending_staff;
    case 3: return _pending_food;
    default: return 0;
    }
}

int32_t CUser::TakePendingScore()
{
    return std::exchange(_pending_score, 0);
}

int32_t CUser::TakePendingResource(int type)
{
    switch (type) {
    case 1: return std::exchange(_pending_money, 0);
    case 2: return std::exchange(_pending_staff, 0);
    case 3: return std::exchange(_pending_food, 0);
    default: return 0;
    }
}

void CUser::AddScore(int32_t points)
{
    const long long old_score = _game.score;
    const long long new_score = std::clamp<long long>(old_score + points, INT32_MIN, INT32_MAX);
    if (_score_for_life > 0) {
        const long long gained = new_score / _score_for_life - old_score / _score_for_life;
        if (gained > 0) {
            _game.lives = static_cast<int32_t>(std::min<long long>(INT32_MAX, _game.lives + gained));
            _last_lives_gain = static_cast<int32_t>(gained);
        }
    }
    _pending_score = static_cast<int32_t>(std::clamp<long long>(0LL + _pending_score + points, INT32_MIN, INT32_MAX));
    _game.score = static_cast<int32_t>(new_score);
}

int32_t CUser::GetCityScore() const
{
    long long score = 25LL * _title_index;
    for (const auto& [id, entry] : _game.city)
        if (entry.bought) score += 500LL + entry.upgrade;
    return static_cast<int32_t>(std::clamp<long long>(score, INT32_MIN, INT32_MAX));
}

bool CUser::CheckPromotion()
{
    const CPromotions& promotions = GetPromotions();
    if (promotions.GetTitleIndex(_game.score) <= _title_index) return false;
    ++_title_index;
    _title_text = promotions.GetTitleText(_title_index);
    return true;
}

void CUser::BuyConstruction(int32_t id)
{
    BuyConstructionIn(_game.city, id);
}

void CUser::AddResource(int type, int32_t amount)
{
    _game.collect[type] += amount;
    switch (type) {
    case 1: _pending_money += amount; break;
    case 2: _pending_staff += amount; break;
    case 3: _pending_food += amount; break;
    default: break;
    }
}

void CUser::SpendResource(int type, int32_t amount)
{
    AddResource(type, -amount);
}

void CUser::SetResource(int type, int32_t amount)
{
    _game.collect[type] = amount;
}

int32_t CUser::GetCollectAmount(int type) const
{
    auto it = _game.collect.find(type);
    return it == _game.collect.end() ? 0 : it->second;
}

bool CUser::IsHintShown(int32_t type) const
{
    auto it = Shown_hints.find(type);
    return it != Shown_hints.end() && it->second;
}

bool CUser::IsEpochAvailable(int epoch) const
{
    if (epoch == 0) return true;
    if (epoch < 0 || epoch > 6 || !g_Profiles.HasProfile(_name)) return false;
    return g_Profiles.GetProfile(_name).HasGame(GetEpochStartSlot(epoch));
}

void CUser::TakeScoreForLife()
{
    _score_for_life = ConfigInt("score_for_life");
    VERIFY(_score_for_life != 0);
}

void CUser::RefillLiveTables()
{
    if (this != &g_User) return;
    GetResources().Assign(_game.collect);
    GetResCredits().Assign(_game.bonus);
}

void CUser::NewGame()
{
    _game.Reset();
    _game.alias = kCurrentGameSlot;
    _pending_score = 0;
    _last_lives_gain = 0;
    _game.lives = ConfigInt("start_lives");
    TakeScoreForLife();
    _title_text = GetPromotions().GetTitleTextForScore(_game.score);
    _title_index = GetPromotions().GetTitleIndex(_game.score);
    RefillLiveTables();
}

void CUser::StartGame(int epoch)
{
    if (epoch == 0) {
        NewGame();
    } else {
        LoadFromProfile(g_Profiles.GetProfile(_name), GetEpochStartSlot(epoch));
        _game.alias = kCurrentGameSlot;
        _game.lives = ConfigInt("start_lives");
    }
    _game.play_state = upsNone;
    _game.game_state = ugsNew;
}

void CUser::LoadFromProfile(const CProfile& profile, const std::string& slot)
{
    _name = profile.GetName();
    Settings() = profile.Settings();
    _game = profile.HasGame(slot) ? profile.GetGame(slot) : CGameSlot();
    _pending_score = 0;
    _last_lives_gain = 0;
    const CPromotions& promotions = GetPromotions();
    _title_index = _game.title;
    if (_title_index < 0 || _title_index >= promotions.GetCount()) {
        // A file written with a longer ladder, or changed by hand.
        const int32_t clamped = std::clamp<int32_t>(_title_index, 0, promotions.GetCount() - 1);
        GetLog().Warning("Warning: profile \"%s\": title %d is not on the ladder of %d titles; %d is used.",
                         _name.c_str(), _title_index, promotions.GetCount(), clamped);
        _title_index = clamped;
        _game.title = clamped;
    }
    _title_text = promotions.GetTitleText(_title_index);
    RefillLiveTables();
    TakeScoreForLife();
}

void CUser::UpdateProfile(CProfile& profile, const std::string& slot)
{
    VERIFY(!Empty());
    VERIFY(_name == profile.GetName());
    if (_name == g_User._name) {
        GetResources().StoreInto(_game.collect);
        if (g_people_saver) g_people_saver(_game.people);
    }
    profile.Settings() = Settings();
    CGameSlot stored = _game;
    stored.alias = slot;
    profile.SetGame(slot, stored);
    GetLog().MessageBold("Update profile \"%s\" (game slot \"%s\").", _name.c_str(), slot.c_str());
}

void CUser::SaveToProfile(const std::string& slot)
{
    UpdateProfile(g_Profiles.GetProfile(_name), slot);
}

void CUser::SetMusic(const MusicTrack& music)
{
    _game.music = music;
    _game.music_plays = 0;
}

bool SaveUserProgress()
{
    if (g_User.Empty()) return false;
    if (!g_Profiles.HasProfile(g_User.GetName())) {
        GetLog().Warning("Warning: the profile \"%s\" no longer exists; its game is not stored.",
                         g_User.GetName().c_str());
        return false;
    }
    g_User.SaveToProfile(kCurrentGameSlot);
    return g_Profiles.Save();
}
