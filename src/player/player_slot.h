// Saved games: a game slot with its play state, what the player owns and has built, and the level
// left in progress; the level statistics that travel with it; the settings part of a profile.
#pragma once

#include "engine/sound/engine_soundqueue.h"
#include "field/field_levelrecord.h"

#include <cstdint>
#include <list>
#include <map>
#include <string>

// Names of saved-game slots.
extern const char* const kCurrentGameSlot;   // "current_game"
extern const char* const kBestGameSlot;      // "best_game"
// "epoch_start_1" .. "epoch_start_7" for the epochs 0 .. 6; any other index fails its check and throws.
std::string GetEpochStartSlot(int epoch_index);

enum EUserGameState { ugsNone = 0, ugsNew = 1, ugsPlaying = 2, ugsCompleted = 3 };

enum EUserPlayState {
    upsNone = 0,
    upsNextLevel = 1,
    upsLevelLoaded = 2,
    upsLevelStarted = 3,
    upsLevelFinished = 4,
    upsNextBonus = 5,
    upsBonusLoaded = 6,
    upsBonusStarted = 7,
    upsBonusFinished = 8,
    upsToShop = 9
};

// The saved state of one man of the field's people.
struct ManState {
    bool is_can_exist = false;
    int32_t if_counter = 0;
    std::list<int32_t> time;
    std::list<int32_t> stamp;
    bool is_acquired = false;
    bool operator==(const ManState&) const = default;
};

struct SavedCell {
    float x = -1.0f;
    float y = -1.0f;
    int32_t puzzle = 0;   // tile layers left
    bool operator==(const SavedCell&) const = default;
};

struct SavedPlace {
    float x = -1.0f;
    float y = -1.0f;
    bool disable = false;
    int32_t wall = 0;
    bool operator==(const SavedPlace&) const = default;
};

struct SavedBall {
    float x = -1.0f;
    float y = -1.0f;
    int32_t graph_type = 0;
    int32_t box = 0;
    int32_t lock = 0;
    bool operator==(const SavedBall&) const = default;
};

// A level in progress as it is saved with the game.
struct CStatistics {
    bool field_saved = false;
    int32_t moves_left = 0;
    int32_t elapsed_time = 0;
    int32_t remained_time = 0;
    LevelStats stats;
    std::list<SavedCell> cells;
    std::list<int32_t> available_balls;
    std::list<SavedPlace> places;
    std::list<SavedBall> balls;

    void Reset() { *this = CStatistics(); }
    // The level in progress in the field's form and back. A saved coordinate that is not a number
    // of the int range becomes -1, which no field holds.
    void ToFieldSave(FieldSaveRecord& record) const;
    void FromFieldSave(const FieldSaveRecord& record);
    bool operator==(const CStatistics&) const = default;
};

struct CityEntry {
    bool bought = false;
    int32_t upgrade = 0;
    bool operator==(const CityEntry&) const = default;
};
using CityConstructions = std::map<int32_t, CityEntry>;   // by construction id

// Marks the construction bought; one that is bought already gains one upgrade level.
void BuyConstructionIn(CityConstructions& city, int32_t construct_id);

// One saved game.
class CGameSlot {
public:
    std::string alias;
    int32_t game_state = ugsNone;
    int32_t play_state = upsNone;
    int32_t episode = 0;
    int32_t epoch = 0;
    int32_t level = -1;
    int32_t bonus_level = -1;
    int32_t title = 0;
    int32_t background = -999;   // -999: none chosen yet
    int32_t bonus_background = -999;
    int32_t bg_shows = 0;
    MusicTrack music;
    MusicTrack bonus_music;
    int32_t music_plays = 0;
    int32_t lives = 3;
    int32_t score = 0;
    std::map<int32_t, int32_t> collect;   // resources owned, by type
    std::map<int32_t, int32_t> bonus;     // bonus credits owned, by credit type
    CityConstructions city;
    std::map<int32_t, ManState> people;   // by construction id
    CStatistics statistics;

    // A new game: game state ugsNew, backgrounds 0, everything else as constructed; the alias stays.
    void Reset();

    bool IsInLevel() const { return play_state >= upsLevelLoaded && play_state <= upsLevelFinished; }
    bool IsInBonusLevel() const { return play_state >= upsBonusLoaded && play_state <= upsBonusFinished; }
    bool HasSavedLevel() const { return play_state == upsLevelStarted || play_state == upsLevelFinished; }
    bool HasSavedBonusLevel() const { return play_state == upsBonusStarted || play_state == upsBonusFinished; }

    bool operator==(const CGameSlot&) const = default;
};

// The settings that travel with a profile and begin the current user.
struct CProfileSettings {
    int32_t w_param_1 = 0;   // best-city medal: 0 none, 1 completed, 777 won
    int32_t w_param_2 = 0;   // the city score that went with it
    int32_t w_param_3 = 0;
    bool not_show_hints = false;
    bool pass_smart_test = false;
    std::map<int32_t, bool> Shown_hints;

    bool operator==(const CProfileSettings&) const = default;
};
