// The game scene ("Game"): one level played from its start to its end. It owns the game field, the
// panels around it, the layered background, two faders, the level music and the shown score and
// resources, and runs the level through numbered states and cross-states.
#pragma once

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_stopwatch.h"
#include "engine/core/engine_scene.h"
#include "engine/render/cross_fader.h"
#include "field/chain/field_gamefield.h"
#include "field/field_services.h"
#include "game/game_bonuspanel.h"
#include "game/game_dialogs.h"
#include "game/game_music.h"
#include "game/game_panels.h"
#include "game/game_results.h"
#include "game/game_user.h"
#include "gui/gui_winder.h"
#include "player/player_gamevalues.h"

#include <array>
#include <deque>
#include <memory>
#include <string>
#include <vector>

class CComplexBackground;
class CUser;

// The game screen's effects: named explosions started at a screen point, and the field's particle
// emitters by id (see game_explosions.h for the implementation).
class IExplosionManager : private siv::noncopyable {
public:
    virtual ~IExplosionManager() = default;
    // Ends every running effect and removes every emitter.
    virtual void Clear() = 0;
    // An empty alias does nothing; an unknown alias logs "Explosion alias not found: '%s'" and
    // starts nothing.
    virtual void Start(const std::string& alias, float x, float y) = 0;
    // Draws the running effects once per frame and drops the finished ones.
    virtual void Render() = 0;
    // Starts the named emitter at (x, y) in whole pixels; its id.
    virtual int StartPyro(const std::string& name, float x, float y) = 0;
    virtual void SetEmitterPosition(int id, float x, float y) = 0;
    virtual void MoveEmitter(int id, float dx, float dy) = 0;
    // False for an unknown id (x and y are then left alone).
    virtual bool GetEmitterPosition(int id, float& x, float& y) = 0;
    virtual bool HasEmitter(int id) = 0;
    virtual void RemoveEmitter(int id) = 0;
    virtual void RenderEmitters(const std::vector<int>& ids) = 0;
    virtual void RenderEmitter(int id) = 0;
};

// What the game screen reads of the city: whether every epoch is complete, the first epoch's
// background and music for levels that have none yet, and the help's limits by epoch.
class ICityFacts {
public:
    virtual ~ICityFacts() = default;
    virtual bool IsAllEpochsComplete() const = 0;
    // By epoch and construction index (-1: the epoch's own).
    virtual int GetLevelBackground(int epoch, int construct) const = 0;
    virtual int GetLevelBonusBackground(int epoch, int construct) const = 0;
    virtual MusicTrack GetLevelMusic(int epoch, int construct) const = 0;
    virtual MusicTrack GetLevelBonusMusic(int epoch, int construct) const = 0;
    // False for an epoch the city does not have.
    virtual bool GetEpochHelp(int epoch, EpochHelp& help) const = 0;
};

// The epoch selector, told where it is entered from before the game or the city leave for it.
class IEpochSelector {
public:
    virtual ~IEpochSelector() = default;
    // The lives ran out: the current epoch is played again.
    virtual void PrepareFromGame() = 0;
    // An epoch (or the last one) was completed in the city.
    virtual void PrepareFromCity() = 0;
};

// The scene's states.
enum EGameSceneState {
    gssNone = 0,
    gssCrossState = 1,
    gssEntering = 2,
    gssPlaying = 3,
    gssPaused = 4,
    gssHintShown = 5,
    gssHelpShown = 6,
};

// The cross-states.
enum EGameCrossState {
    gcsDefault = 1,        // back to play
    gcsHelp = 2,           // show the help
    gcsPaused = 3,         // pause
    gcsHint = 4,           // show a tutorial hint
    gcsStartLevel = 5,
    gcsDie = 6,            // the time ran out
    gcsLivesOut = 7,
    gcsLevelFinish = 8,
    gcsBonusFinish = 9,
    gcsPauseToMenu = 10,
    gcsFinishToShop = 11,
    gcsGameToRelax = 12,
};

// Transition codes the game scene ends with.
enum EGameTransition {
    gtToRelax = 1,         // the city's relax view in mid-level
    gtQuitTestMode = 2,
    gtToCity = 2,          // the city's shop after a finished level (a test start ends there)
    gtLevelDone = 3,       // the next level
    gtGameLeft = 4,        // the menu, from the pause
    gtLivesOut = 5,        // the epoch selector, the lives spent
};

class CGameScene : public AScene, public IFieldScene, public IGameValueSource, public IBonusResourceDraw {
public:
    static constexpr const char* kDialogsFile = "Settings\\DialogsGame.xml";
    static constexpr int kDimAlpha = 164;
    static constexpr int kFaderStep = 4;
    static constexpr int kWinderSteps = 50;
    static constexpr int kMinHintCountdown = 30;
    static constexpr int kMoveHintCountdown = 120;
    static constexpr int kLifeMessageHold = 100;
    // The loud music is lowered this far while a promotion is celebrated, for this long.
    static constexpr int kPromotionMusic = 33;
    static constexpr uint32_t kPromotionMs = 3000;

    CGameScene();
    ~CGameScene() override;

    bool Init() override;
    void Destroy() override;
    void Enter() override;
    void Leave() override;
    void PostFrame() override;
    void Frame() override;
    void OnKeyDown(int vk) override;
    void SetActive(bool active) override;

    // Starts a cross-state unless one runs or the id is 0 (also the field's way to finish a level).
    void StartCrossState(int id) override;
    int GetState() const override { return _state; }
    int GetCrossState() const override { return _cross_state; }

    // The shown values: the user's pending gains join the winders' targets (instant: shown at
    // once); one step of each winder; the winders and the live tables taken from the user.
    void ApplyPendingGains(bool instant);
    void StepCounters();
    void SyncWithUser(CUser& user);
    // Ends a kept level (if any), then the hints still to show are taken anew from the user.
    void FilterHints(CUser& user);
    // The player closed a tutorial hint: the next may follow after the hint's delay.
    void OnHintClosed(int id);
    // Lives gained (delta > 0) or lost: the field counts them, and each is heard.
    void OnLivesChanged(int delta);
    // The field re-reads its ball types from the balls depot.
    void RefreshBalls();
    // Fades the loud music channel to the percent when it is louder (LowerMusic) or quieter
    // (RaiseMusic); returns the volume it had.
    int LowerMusic(int percent) { return _music.LowerMusic(percent); }
    int RaiseMusic(int percent) { return _music.RaiseMusic(percent); }
    CGameMusic& GetMusic() { return _music; }

    // The end of a won level: the bonus-resources prize is offered (three slots of the title's
    // prize amount, each of a resource type drawn from the available ones), drawn again slot by
    // slot while the reels turn, and multiplied for matching types; then everything the level
    // earned reaches the player.
    void OfferBonusResources();
    int RerollBonusResource(int slot) override;
    std::array<int, 3> CountBonusResourceMatches() override;
    void CreditLevelGains();

    // IFieldScene
    void StartExplosion(const std::string& alias, float x, float y) override;
    void SetMusicVolume(int percent) override;
    void ShowBonusResource(int resource_type) override;
    void OnBonusLevelEnd() override;
    bool GetBonusSlotPosition(int credit_type, float& x, float& y) const override;

    // IGameValueSource
    float GetShownScore() const override { return _score_winder.GetCurrent(); }
    float GetShownResource(int type) const override;
    int GetBlinkState(int type) const override { return _top_panel.GetBlinkState(type); }
    int GetBonusResourceType() const override;
    int GetBonusResourceAmount() const override;
    bool IsAllEpochsComplete() const override { return _city && _city->IsAllEpochsComplete(); }
    int GetBonusUpgrade(int credit_type) const override { return _field.GetBonusUpgrade(credit_type); }

    // The city the game screen reads (null: none; the first epoch's background and music are used).
    void SetCityFacts(const ICityFacts* city);
    // The epoch selector the game leaves for when the lives ran out (null: none told).
    void SetEpochSelector(IEpochSelector* selector) { _selector = selector; }

    CGameField& GetField() { return _field; }
    CGameTopPanel& GetTopPanel() { return _top_panel; }
    CGameBonusTopPanel& GetBonusTopPanel() { return _bonus_top_panel; }
    CBonusPanel& GetBonusPanel() { return _bonus_panel; }
    CTimerPanel& GetTimerPanel() { return _timer_panel; }
    CMoverPanel& GetMoverPanel() { return _mover_panel; }
    CPauseDialog& GetPauseDialog() { return _pause_dialog; }
    CGameHelpDialog& GetHelpDialog() { return _help_dialog; }
    CGameOverDialog& GetGameOverDialog() { return _game_over_dialog; }
    CStatisticsDialog& GetStatisticsDialog() { return _statistics_dialog; }
    CBonusLevelCompleteDialog& GetBonusCompleteDialog() { return _bonus_complete_dialog; }
    CPromotionDialog& GetPromotionDialog() { return _promotion_dialog; }
    CBonusResourcesDialog& GetResourcesDialog() { return _resources_dialog; }
    CFlashingMessage& GetFlashingMessage() { return _message; }

    bool IsLevelLoaded() const { return _level_loaded; }
    bool IsLevelKept() const { return _level_kept; }
    bool IsLevelStarting() const { return _level_starting; }
    bool IsBonusLevel() const { return _bonus_level; }

private:
    // Level life.
    bool InitLevel();
    void DestroyLevel();
    void SaveLevelProgress();
    void LoadLevelBackground();
    void ChooseLevelMusic();
    void StartGameMusic();

    // Per frame.
    void UpdateHintTimer();
    // The countdown to the next hint runs again, from at least that many frames.
    void ArmHintCountdown(int at_least);
    // Shows a tutorial hint at its target when the field can place it; true when shown.
    bool ShowHintAtTarget(int id, bool force);
    // At a level's start: the hint queue starts afresh with the hints this level can show.
    void RequestLevelHints();
    // The shown hint is updated; when it is gone, play goes on.
    void ProcessHint();
    void CheckTimeOut();
    void UpdateField();
    void ProcessPanels();
    void DrawEffects();
    void ProcessDialogs();

    // Panels.
    void ShowPanels();
    void HidePanels();
    void LockPanels();
    CSlideableBaseDialog& PlayTopPanel();
    CSlideableBaseDialog& PlayClockPanel();
    void SetTopPanelDanger(bool on);

    void LogPlayState(const char* name);
    void LogCrossState(const char* name);

    // The cross-states.
    void CrsDefault(bool start);
    void CrsHelp(bool start);
    void CrsPaused(bool start);
    void CrsHint(bool start);
    void CrsStartLevel(bool start);
    void CrsDie(bool start);
    void CrsLivesOut(bool start);
    // The game that follows the game over is written into the player's profile file.
    void StoreGameOver();
    void CrsFinishLevel(bool start);
    void CrsFinishBonusLevel(bool start);
    void CrsFinishToShop(bool start);
    // The level's result files into the hiscores, and the best score and time come back into the
    // level record.
    void FileHiscores();
    // The finished game is stored as the player's current game and the profiles written.
    void StoreFinishedGame();
    // A won level is left with the next play state: the title reached, the gains credited, the
    // game stored.
    void CloseFinishedLevel(int play_state);
    void CrsPauseToMenu(bool start);
    void CrsGameToRelax(bool start);
    void OnCrossStateStart(int id) override;

    CGameField _field;
    CGameTopPanel _top_panel;
    CGameBonusTopPanel _bonus_top_panel;
    CBonusPanel _bonus_panel;
    CTimerPanel _timer_panel;
    CMoverPanel _mover_panel;
    CPauseDialog _pause_dialog;
    CGameHelpDialog _help_dialog;
    CGameOverDialog _game_over_dialog;
    CStatisticsDialog _statistics_dialog;
    CBonusLevelCompleteDialog _bonus_complete_dialog;
    CPromotionDialog _promotion_dialog;
    CBonusResourcesDialog _resources_dialog;
    // Whether the statistics dialog was processed this frame (it is up).
    bool _statistics_up = false;
    CStopwatch _promotion_timer;
    std::shared_ptr<CComplexBackground> _background;
    CCrossFader _fader1;
    CCrossFader _fader2;
    CFlashingMessage _message;
    IExplosionManager* _explosions = nullptr;
    CValueWinder _score_winder{0.0f, 0.0f, kWinderSteps};
    CValueWinder _money_winder{0.0f, 0.0f, kWinderSteps};
    CValueWinder _staff_winder{0.0f, 0.0f, kWinderSteps};
    CValueWinder _food_winder{0.0f, 0.0f, kWinderSteps};
    int _hint_countdown = 0;
    bool _hint_countdown_active = false;
    // Hints of the people that joined, shown one after another.
    std::deque<int> _people_hints;
    CGameMusic _music;
    CGameUserBridge _user_bridge;
    bool _level_kept = false;
    bool _level_starting = false;
    bool _level_loaded = false;
    bool _bonus_level = false;
    const ICityFacts* _city = nullptr;
    IEpochSelector* _selector = nullptr;
};

CGameScene& GetGameScene();
