#include "player/player_user.h"

#include "player/player_profiles.h"
#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"

#include <algorithm>

const char* const kCurrentGameSlot = "current_game";
const char* const kBestGameSlot = "best_game";
const char* const kEpochErrorSlot = "epoch_start_error";

CUser g_User;

std::string GetEpochStartSlot(int epoch_index)
{
    VERIFY(epoch_index >= 0 && epoch_index <= 6);
    return "epoch_start_" + std::to_string(epoch_index + 1);
}

void LevelStats::AddChain(const ChainRecord& chain)
{
    ++n_moves;
    ++n_chains;
    total_chain_length += chain.length;
    total_chain_score += chain.score;
    max_chain_length = std::max(max_chain_length, chain.length);
    max_chain_score = std::max(max_chain_score, chain.score);
}

void LevelStats::ResetProgress()
{
    time = 0;
    n_moves = 0;
    n_puzzles_broke = 0;
}

void CGameSlot::Reset()
{
    std::string keep = alias;
    *this = CGameSlot();
    alias = keep;
    game_state = ugsNew;
}

CUser::CUser() = default;

void CUser::AddScore(int points)
{
    const long long old_score = _game.score;
    const long long new_score = old_score + points;
    if (_score_for_life > 0) {
        const long long gained = new_score / _score_for_life - old_score / _score_for_life;
        if (gained > 0) {
            _game.lives += static_cast<int>(gained);
            _last_lives_gain = static_cast<int>(gained);
        }
    }
    _pending_score += points;
    _game.score = static_cast<int>(std::clamp<long long>(new_score, INT32_MIN, INT32_MAX));
}

void BuyConstructionIn(CityConstructions& city, int construct_id)
{
    auto it = city.find(construct_id);
    if (it == city.end())
        city[construct_id] = CityEntry{true, 0};
    else
        ++it->second.upgrade;
}

void CUser::BuyConstruction(int construct_id)
{
    BuyConstructionIn(_game.city, construct_id);
}

void CUser::AddResource(int type, int amount) { _game.collect[type] += amount; }
void CUser::SetResource(int type, int amount) { _game.collect[type] = amount; }
void CUser::AddBonusCredit(int type, int amount) { _game.bonus[type] += amount; }
void CUser::SetBonusCredit(int type, int amount) { _game.bonus[type] = amount; }

void CUser::NewGame()
{
    _game.Reset();
    _game.alias = kCurrentGameSlot;
    _pending_score = 0;
    _last_lives_gain = 0;
}

void CUser::LoadFromProfile(const CProfile& profile, const std::string& slot)
{
    _name = profile.name;
    auto it = profile.slots.find(slot);
    _game = it != profile.slots.end() ? it->second : CGameSlot();
    _pending_score = 0;
    _last_lives_gain = 0;
}

bool CUser::SaveToProfile(const std::string& slot, CProfiles& profiles) const
{
    CProfile* profile = profiles.FindProfile(_name);
    if (!profile) {
        GetLog().Warning("Warning: no profile \"%s\" to store the game in.", _name.c_str());
        return false;
    }
    CGameSlot stored = _game;
    stored.alias = slot;
    profile->slots[slot] = stored;
    GetLog().MessageBold("Update profile \"%s\" (game slot \"%s\").", _name.c_str(), slot.c_str());
    return true;
}
