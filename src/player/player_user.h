// The current player: the running game (its slot, play state and level position), the level
// statistics the field fills, and the score and lives the field credits.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <string>
#include <vector>

// Names of saved-game slots.
extern const char* const kCurrentGameSlot;   // "current_game"
extern const char* const kBestGameSlot;      // "best_game"
extern const char* const kEpochErrorSlot;    // "epoch_start_error"
// "epoch_start_1" .. "epoch_start_7" for the epochs 0 .. 6; throws for any other index.
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

// The level description part of the level statistics, filled when a level is loaded.
struct LevelInfo {
    int i_level = -999;
    bool is_bonus_level = false;
    int time_cap = 0;
    int moves_cap = 0;
    int n_puzzles = 0;
    int n_finishers = 0;
    bool was_double_puzzles = false;
    bool was_locks = false;
    bool was_double_locks = false;
    bool was_boxes = false;
    bool was_double_boxes = false;
    bool was_walls = false;
    bool was_double_walls = false;
    bool was_triple_walls = false;
    bool was_disable_areas = false;
    bool was_finishers = false;

    void Reset() { *this = LevelInfo(); }
};

// One bonus gained or used during a level.
struct BonusEvent {
    int type = 0;
    int time = 0;
    int grade = 0;
};

// One finished chain as the field reports it.
struct ChainRecord {
    int length = 0;
    int score = 0;
    int time = 0;
    int layers_broken = 0;
};

// The per-level statistics record held inside the game field.
struct LevelStats : LevelInfo {
    int score = 0;
    int time = 0;                 // milliseconds
    int n_moves = 0;
    int n_puzzles_broke = 0;
    std::map<int, int> collect;   // resources collected in the level, by type
    int n_lives_gain = 0;
    int n_lives_loss = 0;
    bool was_time_alert = false;
    bool was_finish_move = false;
    int bonus_res_type = 0;
    int bonus_res_amount = 0;
    std::map<int, int> bonus_upgrades;   // credit type -> upgrades in the level
    int max_chain_length = 0;
    int max_chain_score = 0;
    int total_chain_length = 0;
    int total_chain_score = 0;
    int n_chains = 0;
    std::list<BonusEvent> bonus_gain;
    std::list<BonusEvent> bonus_use;

    void AddChain(const ChainRecord& chain);
    void AddLivesGain(int n) { n_lives_gain += n; }
    void AddLivesLoss(int n) { n_lives_loss += n; }
    void AddBonusGain(const BonusEvent& e) { bonus_gain.push_back(e); }
    void AddBonusUse(const BonusEvent& e) { bonus_use.push_back(e); }
    void ResetProgress();
};

// The level statistics with what the end of a level adds.
struct LevelRecord : LevelStats {
    std::map<int, int> people_gains;   // resource type -> amount gained from citizens

    void Reset() { *this = LevelRecord(); }
};

// The saved state of one citizen of the field, keyed by construct id.
struct ManState {
    bool is_can_exist = false;
    int32_t if_counter = 0;
    std::list<int32_t> time;
    std::list<int32_t> stamp;
    bool is_acquired = false;
};

// A level in progress as it is saved with the game.
struct CStatistics {
    bool field_saved = false;
    int moves_left = 0;
    int elapsed_time = 0;
    int remained_time = 0;
    LevelStats stats;

    void Reset() { *this = CStatistics(); }
};

struct CityEntry {
    bool bought = false;
    int upgrade = 0;
};
using CityConstructions = std::map<int, CityEntry>;   // by construct id

// Marks the construction bought; one that is bought already gains one upgrade level.
void BuyConstructionIn(CityConstructions& city, int construct_id);

// One saved game.
class CGameSlot {
public:
    std::string alias;
    int game_state = ugsNone;
    int play_state = upsNone;
    int episode = 0;
    int epoch = 0;
    int level = -1;
    int bonus_level = -1;
    int lives = 3;
    int score = 0;
    std::map<int, int> collect;
    std::map<int, int> bonus;
    CityConstructions city;
    std::map<int, ManState> people;
    CStatistics statistics;

    // A new game: game state ugsNew, level and bonus-level indices before the first ones; the alias stays.
    void Reset();

    bool IsInLevel() const { return play_state >= upsLevelLoaded && play_state <= upsLevelFinished; }
    bool IsInBonusLevel() const { return play_state >= upsBonusLoaded && play_state <= upsBonusFinished; }
    bool HasSavedLevel() const { return play_state == upsLevelStarted || play_state == upsLevelFinished; }
    bool HasSavedBonusLevel() const { return play_state == upsBonusStarted || play_state == upsBonusFinished; }
};

class CProfile;
class CProfiles;

// The current player. An empty name means no player is active.
class CUser {
public:
    CUser();

    const std::string& GetName() const { return _name; }
    bool Empty() const { return _name.empty(); }

    CGameSlot& Game() { return _game; }
    const CGameSlot& Game() const { return _game; }

    int GetGameState() const { return _game.game_state; }
    void SetGameState(int state) { _game.game_state = state; }
    int GetPlayState() const { return _game.play_state; }
    void SetPlayState(int state) { _game.play_state = state; }
    int GetEpisode() const { return _game.episode; }
    void SetEpisode(int index) { _game.episode = index; }
    int GetLevel() const { return _game.level; }
    void SetLevel(int index) { _game.level = index; }
    int GetBonusLevel() const { return _game.bonus_level; }
    void SetBonusLevel(int index) { _game.bonus_level = index; }
    CStatistics& GetStatistics() { return _game.statistics; }

    int GetScore() const { return _game.score; }
    int GetLives() const { return _game.lives; }
    void SetLives(int lives) { _game.lives = lives; }
    int GetLastLivesGain() const { return _last_lives_gain; }
    int GetPendingScore() const { return _pending_score; }
    void SetScoreForLife(int points) { _score_for_life = points; }

    // Adds points to the score; every full `score_for_life` points crossed gives one extra life.
    // A value of 0 or below for `score_for_life` gives no lives.
    void AddScore(int points);
    // Records the construction as bought; one that is bought already gains one upgrade level.
    void BuyConstruction(int construct_id);

    // Resource mirrors kept by the resource and credit tables.
    void AddResource(int type, int amount);
    void SetResource(int type, int amount);
    void AddBonusCredit(int type, int amount);
    void SetBonusCredit(int type, int amount);

    // Starts a fresh game for this player: a new slot "current_game".
    void NewGame();
    // Makes this object the given profile with the named slot as its running game.
    void LoadFromProfile(const CProfile& profile, const std::string& slot);
    // Stores the running game in the player's profile under the slot name. Returns false (and logs)
    // when the profiles hold no profile of the player's name.
    bool SaveToProfile(const std::string& slot, CProfiles& profiles) const;

private:
    std::string _name;
    CGameSlot _game;
    int _score_for_life = 20000;
    int _last_lives_gain = 0;
    int _pending_score = 0;
};

extern CUser g_User;
