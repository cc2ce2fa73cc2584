// The record of one level that the field keeps while it is played: what the level holds, what the
// player did in it, and the figures of its end. The player's saved games and statistics store it; the
// field's save of a level in progress travels in a FieldSaveRecord.
#pragma once

#include "field/balls/field_balls.h"
#include "field/field_services.h"
#include "field/tiles/field_tiles.h"

#include <cstdint>
#include <list>
#include <map>
#include <string>

// The description of a level, filled when a level is loaded: what the field's layers found in it,
// with the level's number and its caps.
struct LevelInfo : LevelFieldInfo {
    int32_t i_level = -999;   // -999: no level
    int32_t time_cap = 0;
    int32_t moves_cap = 0;

    // Back to the constructed values (the statistics that follow stay).
    void Reset() { static_cast<LevelInfo&>(*this) = LevelInfo(); }
    bool operator==(const LevelInfo&) const = default;
};

// One bonus gained or used during a level.
struct BonusEvent {
    int32_t type = 0;
    int32_t time = 0;
    int32_t grade = 0;
    bool operator==(const BonusEvent&) const = default;
};

// What the player did in a level.
struct LevelStats : LevelInfo {
    int32_t score = 0;
    int32_t time = 0;   // milliseconds
    int32_t n_moves = 0;
    int32_t n_puzzles_broke = 0;
    std::map<int32_t, int32_t> collect;   // resources gained in the level, by type
    int32_t n_lives_gain = 0;
    int32_t n_lives_loss = 0;
    bool was_time_alert = false;
    bool was_finish_move = false;
    int32_t bonus_res_type = 0;
    int32_t bonus_res_amount = 0;
    int32_t max_chain_length = 0;
    int32_t max_chain_score = 0;
    int32_t total_chain_length = 0;
    int32_t total_chain_score = 0;
    int32_t n_chains = 0;
    std::list<BonusEvent> bonus_gain;
    std::list<BonusEvent> bonus_use;
    std::map<int32_t, int32_t> bonus_upgrade;   // by bonus credit type

    void AddChain(int32_t length, int32_t chain_score);
    void AddLivesGain(int32_t n) { n_lives_gain += n; }
    void AddLivesLoss(int32_t n) { n_lives_loss += n; }
    void AddBonusGain(const BonusEvent& e) { bonus_gain.push_back(e); }
    void AddBonusUse(const BonusEvent& e) { bonus_use.push_back(e); }
    // A level restarted after a lost life: time, moves and broken tiles start again.
    void ResetProgress();
    bool operator==(const LevelStats&) const = default;
};

// The record the field fills during a level and the statistics dialog shows.
struct LevelRecord : LevelStats {
    int32_t value = 0;
    // What the people who joined the player gave at the level's end, by resource or credit type.
    std::map<int32_t, int32_t> people_gains;
    // The bonus-resources offer of the level's end: types, amounts and multipliers.
    int32_t offer_types[3] = {1, 1, 1};
    int32_t offer_amounts[3] = {0, 0, 0};
    int32_t offer_multipliers[3] = {1, 1, 1};
    // Best time and best score of the level from the hiscores.
    std::string best_time_name;
    int32_t best_time = 0;
    std::string best_score_name;
    int32_t best_score = 0;

    void Reset() { *this = LevelRecord(); }
};

// A level in progress as the field saves it: its record, the bonus level's moves left or the normal
// level's time (milliseconds), the level's elapsed milliseconds, and the tile and ball layers.
struct FieldSaveRecord {
    bool exists = false;
    LevelStats stats;
    int32_t moves_left = 0;
    int32_t remained_time = 0;
    int32_t elapsed_time = 0;
    TilesFieldRecord tiles;
    BallsFieldRecord balls;
};
