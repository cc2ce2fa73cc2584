#include "player/player_slot.h"

#include "engine/base/engine_helpers.h"

#include <algorithm>

const char* const kCurrentGameSlot = "current_game";
const char* const kBestGameSlot = "best_game";

std::string GetEpochStartSlot(int epoch_index)
{
    VERIFY(epoch_index >= 0 && epoch_index <= 6);
    return "epoch_start_" + std::to_string(epoch_index + 1);
}

void BuyConstructionIn(CityConstructions& city, int32_t construct_id)
{
    auto it = city.find(construct_id);
    if (it == city.end())
        city[construct_id] = CityEntry{true, 0};
    else
        ++it->second.upgrade;
}

void CGameSlot::Reset()
{
    std::string keep = std::move(alias);
    *this = CGameSlot();
    alias = std::move(keep);
    game_state = ugsNew;
    background = 0;
    bonus_background = 0;
}
