// The city between levels ("City"): the constructions of the current epoch, bought in the shop and
// seen growing in the scrolling city, the fireworks of a completed epoch, and the relax view.
#pragma once

#include "city/city_dialogs.h"
#include "city/city_model.h"
#include "city/city_salute.h"
#include "city/city_view.h"
#include "engine/core/engine_scene.h"
#include "engine/render/cross_fader.h"
#include "game/game_game.h"
#include "player/player_user.h"

class CGameTopPanel;
class CPauseDialog;
class CGameHelpDialog;

// The scene's states.
enum ECityState {
    cssCrossState = 1,
    cssEntering = 2,
    cssRelax = 3,
    cssShop = 4,
    cssPaused = 5,
    cssHelp = 6,
};

// The cross-states.
enum ECityCrossState {
    ccsStartRelax = 1,
    ccsStartShop = 2,
    ccsShopToRelax = 3,
    ccsRelaxToShop = 4,
    ccsShopToNextLevel = 5,
    ccsRelaxToNextScene = 6,
    ccsShopToPause = 7,
    ccsPauseToShop = 8,
    ccsPauseToHelp = 9,
    ccsPauseToMenu = 10,
    ccsHelpToShop = 11,
    ccsBuyConstruct = 12,
    ccsToNextEpoch = 13,
    ccsAfterBuiltAllEpoches = 14,
    ccsBuildBonusConstruct = 15,
    ccsGameComplete = 16,
    ccsGameWon = 17,
};

// The automatic scroll toward a construction and the mouse's edge step.
struct CityScroll {
    int edge_step = 0;
    bool running = false;
    float initial = 0.0f;
    float remaining = 0.0f;
    float speed = 0.0f;
    float accumulator = 0.0f;
    CityScrollParams params;

    // Starts toward a distance; a distance of 0 starts nothing.
    void Start(float distance);
    // One frame: the distance to scroll the view by now.
    float Step();
};

class CCityScene : public AScene, public ICityFacts {
public:
    static constexpr const char* kDialogsFile = "Settings\\DialogsCity.xml";
    static constexpr const char* kMenuDialogsFile = "Settings\\DialogsMenu.xml";
    static constexpr const char* kShopFile = "Settings\\Shop.xml";
    static constexpr int kDimAlpha = 164;
    static constexpr int kFaderStep = 4;
    static constexpr int kShopHint = 113;
    static constexpr int kSaluteRockets = 8;
    // The best-city medals.
    static constexpr int kMedalComplete = 1;
    static constexpr int kMedalWon = 777;

    CCityScene();
    ~CCityScene() override;

    bool Init() override;
    void Destroy() override;
    void Enter() override;
    void Leave() override;
    void PostFrame() override;
    void Frame() override;
    void OnKeyDown(int vk) override;

    // The game screen's top panel, pause and help dialogs, which the city shows too (null: none).
    void SetGamePanels(CGameTopPanel* top, CPauseDialog* pause, CGameHelpDialog* help);
    // The epoch selector the city leaves for after an epoch was completed (null: none told).
    void SetEpochSelector(IEpochSelector* selector) { _selector = selector; }

    // Takes the bought flags and upgrade levels of the saved game into the city and the view.
    void LoadCityProgress(const CGameSlot& game);

    // ICityFacts: what the game screen reads of the city.
    bool IsAllEpochsComplete() const override { return _city.IsAllComplete(); }
    int GetLevelBackground(int epoch, int construct) const override { return _city.GetBackground(epoch, construct); }
    int GetLevelBonusBackground(int epoch, int construct) const override { return _city.GetBonusBackground(epoch, construct); }
    MusicTrack GetLevelMusic(int epoch, int construct) const override { return _city.GetMusic(epoch, construct); }
    MusicTrack GetLevelBonusMusic(int epoch, int construct) const override { return _city.GetBonusMusic(epoch, construct); }
    bool GetEpochHelp(int epoch, EpochHelp& help) const override;

    CCity& GetCity() { return _city; }
    CCityView& GetView() { return _view; }
    CCitySalute& GetSalute() { return _salute; }
    CShopPanel& GetShopPanel() { return _shop; }
    CRelaxDialog& GetRelaxDialog() { return _relax; }
    CEpochCompletePanel& GetEpochCompletePanel() { return _epoch_complete; }
    CEpochAllCompletePanel& GetAllCompletePanel() { return _all_complete; }
    CWarningDialog& GetWarningDialog() { return _warning; }
    CGameCompleteDialog& GetGameCompleteDialog() { return _game_complete; }
    CGameWonDialog& GetGameWonDialog() { return _game_won; }
    const CityScroll& GetScroll() const { return _scroll; }

    // The shop's operations.
    void FillShop();
    // Buys what the shop has selected; saved with the profile at once. False when nothing was bought.
    bool BuyConstruction();
    bool HasAffordableConstruction() const;
    // Builds the first bonus construction not yet built; false when none is left.
    bool BuildBonusConstruction();
    void ScrollToConstruction(int construct_id);

private:
    // A construction just bought or built: the view shows its level, it is heard and scrolled to.
    void ShowBuilt(int construct_id);
    void LoadCity();
    void RebuildView();
    void ProcessDialogs();
    void ScrollStep();
    void LogCrossState(const char* name);
    // The state before the cross-state is the one it may start from; otherwise the state goes back.
    bool From(int state);
    // From(from), then whether the borrowed dialogs it needs are held; logs the cross-state's start.
    bool Begin(int from, bool dialogs_held, const char* name);
    // The top panel and the shop take input again: the shop state.
    void BackToShop(int& stage);
    // Every rocket of the fireworks has finished.
    bool SaluteRetired() const;
    void SaveGame(const std::string& slot);
    void RecordBestCity(int medal);
    void LeaveTo(const std::string& scene, int transition);
    // Tells the selector that an epoch was completed, then leaves for it.
    void LeaveToSelector();

    void ShowTop();
    void HideTop();
    void SetTopModal(bool modal);
    bool TopShown() const;
    bool TopHidden() const;

    void CrsStartRelax(bool start);
    void CrsStartShop(bool start);
    void CrsShopToRelax(bool start);
    void CrsRelaxToShop(bool start);
    void CrsShopToNextLevel(bool start);
    void CrsRelaxToNextScene(bool start);
    void CrsShopToPause(bool start);
    void CrsPauseToShop(bool start);
    void CrsPauseToHelp(bool start);
    void CrsPauseToMenu(bool start);
    void CrsHelpToShop(bool start);
    void CrsBuyConstruct(bool start);
    void CrsToNextEpoch(bool start);
    void CrsAfterBuiltAllEpoches(bool start);
    void CrsBuildBonusConstruct(bool start);
    void CrsGameComplete(bool start);
    void CrsGameWon(bool start);
    void StepGameEnd(int id, const char* name, bool start);
    void OnCrossStateStart(int id) override;

    CShopPanel _shop;
    CRelaxDialog _relax;
    CEpochCompletePanel _epoch_complete;
    CEpochAllCompletePanel _all_complete;
    CWarningDialog _warning;
    CGameCompleteDialog _game_complete;
    CGameWonDialog _game_won;
    CGameTopPanel* _top = nullptr;
    CPauseDialog* _pause = nullptr;
    CGameHelpDialog* _help = nullptr;
    IEpochSelector* _selector = nullptr;
    CCitySalute _salute;
    CCrossFader _lower_fader;
    CCrossFader _upper_fader;
    MusicTrack _music;
    CityScroll _scroll;
    CCity _city;
    CCityView& _view = GetCityView();
    int _relax_exit = ccsRelaxToNextScene;
};

CCityScene& GetCityScene();
