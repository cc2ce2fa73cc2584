// The current player: the profile being played, copied out of the stored profiles into g_User.
// It holds the name and title, the current game slot, the per-profile settings and the gains the
// game screen has still to show; it decides extra lives, promotions and the city's worth, and
// starts, loads and writes back the current game.
#pragma once

#include "player/player_slot.h"

#include <cstdint>
#include <map>
#include <string>

class CProfile;
class CVariableRegistry;

// The game configuration ("start_lives", "score_for_life") the user reads; the application sets it
// at start. Without one, reading a value throws as an unregistered name does.
void SetUserGameConfig(const CVariableRegistry* cfg);
const CVariableRegistry* GetUserGameConfig();

// Stores the live state of the field's people into a People map; the game field connects it.
using PeopleSaver = void (*)(std::map<int32_t, ManState>& people);
void SetPeopleSaver(PeopleSaver saver);

class CUser : public CProfileSettings {
public:
    CUser() = default;

    const std::string& GetName() const { return _name; }
    bool Empty() const { return _name.empty(); }
    CProfileSettings& Settings() { return *this; }
    const CProfileSettings& Settings() const { return *this; }

    CGameSlot& Game() { return _game; }
    const CGameSlot& Game() const { return _game; }

    int32_t GetGameState() const { return _game.game_state; }
    void SetGameState(int32_t state) { _game.game_state = state; }
    int32_t GetPlayState() const { return _game.play_state; }
    void SetPlayState(int32_t state) { _game.play_state = state; }
    int32_t GetEpisode() const { return _game.episode; }
    void SetEpisode(int32_t index) { _game.episode = index; }
    int32_t GetEpoch() const { return _game.epoch; }
    int32_t GetLevel() const { return _game.level; }
    void SetLevel(int32_t index) { _game.level = index; }
    int32_t GetBonusLevel() const { return _game.bonus_level; }
    void SetBonusLevel(int32_t index) { _game.bonus_level = index; }
    CStatistics& GetStatistics() { return _game.statistics; }
    int32_t GetScore() const { return _game.score; }
    int32_t GetLives() const { return _game.lives; }
    void SetLives(int32_t lives) { _game.lives = lives; }
    int32_t GetTitleIndex() const { return _title_index; }
    const std::string& GetTitleText() const { return _title_text; }
    int32_t GetScoreForLife() const { return _score_for_life; }

    // The gains the game screen has still to count up; Take* hands them over and clears them.
    int32_t GetPendingScore() const { return _pending_score; }
    int32_t GetPendingResource(int type) const;
    int32_t TakePendingScore();
    int32_t TakePendingResource(int type);
    // Lives given by the latest AddScore that crossed a multiple of the points per life.
    int32_t GetLastLivesGain() const { return _last_lives_gain; }
    void SetLastLivesGain(int32_t n) { _last_lives_gain = n; }

    // Adds points; every multiple of the points per life crossed upward gives a life.
    void AddScore(int32_t points);
    // 25 per title step, and 500 plus its upgrades for every bought construction.
    int32_t GetCityScore() const;
    // Moves the title one step on when the score has reached a higher one; true when it moved.
    bool CheckPromotion();
    // Records a purchase: a new construction is bought at level 0, a bought one goes one level up.
    void BuyConstruction(int32_t id);

    // Mirrors of the resource and credit tables.
    void AddResource(int type, int32_t amount);
    void SpendResource(int type, int32_t amount);
    void SetResource(int type, int32_t amount);
    int32_t GetCollectAmount(int type) const;
    void SetBonusCredit(int type, int32_t amount) { _game.bonus[type] = amount; }
    void AddBonusCredit(int type, int32_t amount) { _game.bonus[type] += amount; }

    bool IsHintShown(int32_t type) const;
    void SetHintShown(int32_t type) { Shown_hints[type] = true; }

    // Epoch 0 always; epoch n once the player's profile holds the slot saved when epoch n started.
    bool IsEpochAvailable(int epoch) const;

    // A fresh current game "current_game" with the configured lives and the title of score 0.
    void NewGame();
    // Starts playing from an epoch: epoch 0 is a new game, a later one continues from its
    // epoch-start slot with the configured lives; then play state upsNone and game state ugsNew.
    void StartGame(int epoch);
    // Becomes the profile with the named slot as the current game (a fresh slot when it has none).
    void LoadFromProfile(const CProfile& profile, const std::string& slot);
    // Writes the settings and the current game into the profile under the slot name (no file).
    void UpdateProfile(CProfile& profile, const std::string& slot);
    // UpdateProfile on the stored profile of this user's name.
    void SaveToProfile(const std::string& slot);

    MusicTrack GetPlayingMusic() const { return _playing_music; }
    void SetPlayingMusic(const MusicTrack& music) { _playing_music = music; }
    // The current game's music (its count of levels played with it starts again) and bonus music.
    void SetMusic(const MusicTrack& music);
    void SetBonusMusic(const MusicTrack& music) { _game.bonus_music = music; }

private:
    // Reads "score_for_life" of the game configuration; it must not be 0.
    void TakeScoreForLife();
    // The live tables of g_User follow its current game.
    void RefillLiveTables();

    CGameSlot _game;
    std::string _name;
    std::string _title_text;
    int32_t _title_index = 0;
    int32_t _pending_score = 0;
    int32_t _pending_money = 0;
    int32_t _pending_staff = 0;
    int32_t _pending_food = 0;
    int32_t _score_for_life = 20000;
    int32_t _last_lives_gain = 0;
    MusicTrack _playing_music;
};

extern CUser g_User;

// Stores g_User's game as "current_game" in its profile and writes "Profiles.xml". False, with a
// log line, when no player is loaded, the player's profile no longer exists or the file could not
// be written; nothing stored is touched then.
bool SaveUserProgress();
