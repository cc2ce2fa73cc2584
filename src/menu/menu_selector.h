// The epoch selector ("Selector"): the seven epochs of the game in a row of pictures and titles.
// The main menu comes here to start a new game at an epoch the player has reached, the city when an
// epoch was completed (the next one opens with a fade, a particle effect and a sound), and the game
// when the lives ran out (the epoch is played again).
#pragma once

#include "engine/core/engine_scene.h"
#include "engine/render/cross_fader.h"
#include "engine/sound/engine_soundqueue.h"
#include "game/game_game.h"
#include "gui/gui_dialog.h"

#include <array>
#include <map>
#include <memory>
#include <string>

class CMenuButton;
class CMenuImage;
class CMenuLabel;
class CPyro2;
class CXMLNode;

// The controls of one epoch in the selector's layout; a control the layout lacks stays null.
struct EpochControls {
    std::shared_ptr<CMenuButton> button;
    std::shared_ptr<CMenuImage> disabled;
    std::shared_ptr<CMenuImage> enabled;
    std::shared_ptr<CMenuImage> active;
    std::shared_ptr<CMenuLabel> title_disabled;
    std::shared_ptr<CMenuLabel> title;
};

// The dialog of the selector. Result 1: go on (start, continue, restart); 3: back to the menu.
class CSelectEpochDialog : public CBaseDialog {
public:
    enum EResult { erGoOn = 1, erBack = 3 };
    static constexpr int kEpochs = 7;
    // Alpha units per frame of the opening of an epoch and of the change of the chosen one.
    static constexpr int kActivationStep = 2;
    static constexpr int kSelectionStep = 5;

    struct Effect {
        std::string pyro;
        float left = 0.0f;
        float top = 0.0f;
    };

    CSelectEpochDialog();
    ~CSelectEpochDialog() override;

    void OnClick(CBaseControl* control) override;
    void OnDraw() override;
    bool Load(const CXMLNode& node) override;
    void ClearControls() override;
    void OnProcessed() override;

    // The set-ups: the epochs up to `selected` are shown open. The menu's shows the epoch buttons
    // in choice mode; the city's opens `selected` (the epoch before it was the last open one); the
    // game's plays the opening of `selected` again. `activate` false shows the city's set-up
    // without an opening.
    void SetupMenu();
    void SetupCity(bool activate = true);
    void SetupGame();
    // The opening of the selected epoch starts, when one is pending.
    void StartActivation();
    // Chooses epoch i (the chosen epoch's highlight moves over to it).
    void SelectEpoch(int epoch);

    void SetSelected(int epoch) { _selected = epoch; }
    int GetSelected() const { return _selected; }
    int GetPrevious() const { return _previous; }
    void SetChoiceMode(bool choice) { _choice_mode = choice; }
    bool IsChoiceMode() const { return _choice_mode; }
    bool IsActivationPending() const { return _activation_pending; }
    bool IsActivating() const { return _activating; }
    bool IsSelectionFading() const { return _selection_fading; }
    bool HasEffect() const { return _effect != nullptr; }
    const std::shared_ptr<CPyro2>& GetEffect() const { return _effect; }
    const std::map<std::string, Effect>& GetEffects() const { return _effects; }
    const std::string& GetSound() const { return _sound; }
    const EpochControls& GetEpoch(int epoch) const;

private:
    void ResolveControls();
    void SetupDisplay();
    void SetButtons(bool back, bool menu, bool start, bool go_on, bool restart);
    void PrepareActivation();
    void DropEffect();
    void StartTimer();
    // True on the frames the step timer lets the fades move on.
    bool TimerStep();
    bool StepActivation();
    bool StepSelection();

    int _previous = 0;
    int _selected = 0;
    bool _choice_mode = false;
    bool _activation_pending = false;
    bool _activating = false;
    bool _selection_fading = false;
    unsigned _timer_countdown = 0;
    bool _timer_running = false;
    bool _timer_paused = false;
    std::map<std::string, Effect> _effects;
    std::shared_ptr<CPyro2> _effect;
    std::string _sound;
    std::array<EpochControls, kEpochs> _epochs;
};

// What the scene came from.
enum ESelectorCaller { scMenu = 0, scCity = 1, scGame = 2 };

// The scene's states and cross-states.
enum ESelectorState { selCrossState = 1, selInteractive = 2 };
enum ESelectorCrossState { selcrsStart = 1, selcrsEpochChange = 2, selcrsFinish = 3 };

class CSelectorScene : public AScene, public IEpochSelector {
public:
    static constexpr const char* kLayoutFile = "Settings\\DialogsSelector.xml";
    static constexpr int kMusicFadeMs = 1500;
    static constexpr int kFaderStep = 4;

    CSelectorScene();
    ~CSelectorScene() override;

    bool Init() override;
    void Destroy() override;
    void Enter() override;
    void Leave() override;
    void Frame() override;

    // From the main menu: a new game at the first epoch, or at any reached one for a player with a
    // medal.
    void PrepareFromMenu();
    // IEpochSelector: from the city after an epoch (or the last one) was completed; from the game
    // after the lives ran out.
    void PrepareFromCity() override;
    void PrepareFromGame() override;
    // The music the selector keeps playing when the player has none recorded.
    void SetMusic(const MusicTrack& music);

    CSelectEpochDialog& GetDialog() { return _dialog; }
    const std::string& GetNext() const { return _next; }
    const std::string& GetBack() const { return _back; }
    ESelectorCaller GetCaller() const { return _caller; }
    bool IsAllEpochsComplete() const { return _all_complete; }
    bool IsPlayActivation() const { return _play_activation; }
    const MusicTrack& GetMusic() const { return _music; }
    CCrossFader& GetFader() { return _fader; }

private:
    void HandleResult();
    void OnCrossStateStart(int id) override;
    void CrsStart(bool start);
    void CrsEpochChange(bool start);
    void CrsFinish(bool start);

    CSelectEpochDialog _dialog;
    std::string _next = "Game";
    std::string _back = "Menu";
    ESelectorCaller _caller = scMenu;
    bool _all_complete = false;
    bool _play_activation = false;
    MusicTrack _music;
    CCrossFader _fader;
};

CSelectorScene& GetSelectorScene();
