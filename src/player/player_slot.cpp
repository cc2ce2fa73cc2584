#include "player/player_slot.h"

#include "engine/base/engine_helpers.h"

#include <algorithm>
#include <cmath>

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

namespace {

int32_t SavedCoordinate(float v)
{
    if (!std::isfinite(v) || v < -2147483648.0f || v >= 2147483648.0f) return -1;
    return int32_t(v);
}

} // namespace

void CStatistics::ToFieldSave(FieldSaveRecord& record) const
{
    record = FieldSaveRecord();
    record.exists = field_saved;
    record.stats = stats;
    record.moves_left = moves_left;
    record.remained_time = remained_time;
    record.elapsed_time = elapsed_time;
    for (const SavedCell& c : cells)
        record.tiles.cells.push_back({SavedCoordinate(c.x), SavedCoordinate(c.y), c.puzzle});
    record.balls.types.assign(available_balls.begin(), available_balls.end());
    for (const SavedPlace& p : places)
        record.balls.cells.push_back({SavedCoordinate(p.x), SavedCoordinate(p.y), p.disable, p.wall});
    for (const SavedBall& b : balls)
        record.balls.balls.push_back({SavedCoordinate(b.x), SavedCoordinate(b.y), b.graph_type, b.box, b.lock});
}

void CStatistics::FromFieldSave(const FieldSaveRecord& record)
{
    Reset();
    field_saved = record.exists;
    stats = record.stats;
    moves_left = record.moves_left;
    remained_time = record.remained_time;
    elapsed_time = record.elapsed_time;
    for (const auto& c : record.tiles.cells) cells.push_back({float(c.x), float(c.y), c.current});
    available_balls.assign(record.balls.types.begin(), record.balls.types.end());
    for (const auto& c : record.balls.cells) places.push_back({float(c.x), float(c.y), c.closed, c.wall});
    for (const auto& b : record.balls.balls)
        balls.push_back({float(b.x), float(b.y), b.graph_type, b.box, b.lock});
}
