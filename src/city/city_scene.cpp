#include "city/city_scene.h"

#include "city/city_depot.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"
#include "engine/core/engine_input.h"
#include "engine/sound/engine_soundqueue.h"
#include "field/graph/field_graphobj.h"
#include "game/game_dialogs.h"
#include "game/game_hints.h"
#include "game/game_panels.h"
#include "player/player_profiles.h"
#include "player/player_scenes.h"
#include "player/player_slot.h"
#include "settings/main_userfiles.h"

#include <algorithm>
#include <exception>

namespace {

constexpr int kMusicFadeMs = 1500;
constexpr int kSaluteFadeMs = 1000;

void ResetMouseButtons()
{
    if (g_Mouse) g_Mouse->ResetButtons();
}

// Gone: the dialog has none of the opening, closing and shown bits.
bool FullyHidden(const CBaseDialog& dialog) { return !dialog.IsVisible(); }

} // namespace

// ---------------------------------------------------------------------------------------------
// The automatic scroll

void CityScroll::Start(float distance)
{
    remaining = distance;
    if (distance == 0.0f) return;
    running = true;
    initial = distance;
    speed = distance < 0.0f ? -params.min_speed : params.min_speed;
    accumulator = 0.0f;
}

float CityScroll::Step()
{
    if (!running) return 0.0f;
    if (remaining == 0.0f) {
        running = false;
        return 0.0f;
    }
    const float moved = speed;
    remaining -= speed;
    const float brake = params.brake_percent * initial / 100.0f;
    if (remaining > 0.0f) {
        if (remaining > brake) {
            accumulator += params.inc_speed;
            while (accumulator > 1.0f) {
                speed += 1.0f;
                accumulator -= 1.0f;
            }
            speed = std::min(speed, params.max_speed);
        } else {
            accumulator -= params.dec_speed;
            while (accumulator < 1.0f) {
                speed -= 1.0f;
                accumulator += 1.0f;
            }
            speed = std::max(speed, params.min_speed);
        }
        speed = std::min(speed, remaining);
    } else {
        if (remaining < brake) {
            accumulator -= params.inc_speed;
            while (accumulator < 1.0f) {
                speed -= 1.0f;
                accumulator += 1.0f;
            }
            speed = std::max(speed, -params.max_speed);
        } else {
            accumulator += params.dec_speed;
            while (accumulator > 1.0f) {
                speed += 1.0f;
                accumulator -= 1.0f;
            }
            if (-speed < params.min_speed) speed = -params.min_speed;
        }
        speed = std::max(speed, remaining);
    }
    if (remaining == 0.0f) running = false;
    return moved;
}

// ---------------------------------------------------------------------------------------------
// The scene

CCityScene::CCityScene() : AScene("City")
{
    RegisterCrossState(ccsStartRelax, "crsStartRelax", [this](bool s) { CrsStartRelax(s); });
    RegisterCrossState(ccsStartShop, "crsStartShop", [this](bool s) { CrsStartShop(s); });
    RegisterCrossState(ccsShopToRelax, "crsShopToRelax", [this](bool s) { CrsShopToRelax(s); });
    RegisterCrossState(ccsRelaxToShop, "crsRelaxToShop", [this](bool s) { CrsRelaxToShop(s); });
    RegisterCrossState(ccsShopToNextLevel, "crsShopToNextLevel", [this](bool s) { CrsShopToNextLevel(s); });
    RegisterCrossState(ccsRelaxToNextScene, "crsRelaxToNextScene", [this](bool s) { CrsRelaxToNextScene(s); });
    RegisterCrossState(ccsShopToPause, "crsShopToPause", [this](bool s) { CrsShopToPause(s); });
    RegisterCrossState(ccsPauseToShop, "crsPauseToShop", [this](bool s) { CrsPauseToShop(s); });
    RegisterCrossState(ccsPauseToHelp, "crsPauseToHelp", [this](bool s) { CrsPauseToHelp(s); });
    RegisterCrossState(ccsPauseToMenu, "crsPauseToMenu", [this](bool s) { CrsPauseToMenu(s); });
    RegisterCrossState(ccsHelpToShop, "crsHelpToShop", [this](bool s) { CrsHelpToShop(s); });
    RegisterCrossState(ccsBuyConstruct, "crsBuyConstruct", [this](bool s) { CrsBuyConstruct(s); });
    RegisterCrossState(ccsToNextEpoch, "crsToNextEpoch", [this](bool s) { CrsToNextEpoch(s); });
    RegisterCrossState(ccsAfterBuiltAllEpoches, "crsAfterBuiltAllEpoches", [this](bool s) { CrsAfterBuiltAllEpoches(s); });
    RegisterCrossState(ccsBuildBonusConstruct, "crsBuildBonusConstruct", [this](bool s) { CrsBuildBonusConstruct(s); });
    RegisterCrossState(ccsGameComplete, "crsGameComplete", [this](bool s) { CrsGameComplete(s); });
    RegisterCrossState(ccsGameWon, "crsGameWon", [this](bool s) { CrsGameWon(s); });
}

CCityScene::~CCityScene() = default;

CCityScene& GetCityScene()
{
    static CCityScene scene;
    return scene;
}

void CCityScene::SetGamePanels(CGameTopPanel* top, CPauseDialog* pause, CGameHelpDialog* help)
{
    _top = top;
    _shop.SetTopPanel(top);
    _pause = pause;
    _help = help;
}

bool CCityScene::Init()
{
    CLog& log = GetLog();
    log.WriteRow(CLog::lvlMessage, " ");
    log.MessageBold("Initializing CITY...");
    log.Message("Load constructions base...");
    GetConstructDepot().Clear();
    GetConstructDepot().Load();

    log.Message("Creating interface panels:");
    try {
        const CXMLFile file(kDialogsFile);
        auto load = [&](const char* line, CBaseDialog& dialog, const char* path) {
            log.Message(line);
            dialog.Load(file.SelectSingleNode(path));
        };
        load("shop panel...", _shop, "//Dialogs/ShopDialog");
        load("epoch complete dialog...", _epoch_complete, "//Dialogs/EpochCompleteDialog");
        load("all epoch complete dialog...", _all_complete, "//Dialogs/EpochAllCompleteDialog");
        load("game end warning dialog...", _warning, "//Dialogs/GameEndWarningDialog");
        load("game complete dialog...", _game_complete, "//Dialogs/GameCompleteFailDialog");
        load("game won dialog...", _game_won, "//Dialogs/GameCompleteWonDialog");
    } catch (const std::exception& e) {
        log.Error("Error: the city's dialogs cannot be read from %s (%s).", kDialogsFile, e.what());
    }
    try {
        const CXMLFile menu(kMenuDialogsFile);
        log.Message("relax dialog...");
        _relax.Load(menu.SelectSingleNode("//Dialogs/RelaxDialog"));
    } catch (const std::exception& e) {
        log.Error("Error: the relax dialog cannot be read from %s (%s).", kMenuDialogsFile, e.what());
    }

    log.Message("Init city data...");
    _view.ResetVisualization();
    log.Message("Load default city...");
    LoadCity();
    log.Message("Load scroll parameters...");
    _scroll.params = LoadScrollParams();
    log.Message("Init misc resources...");
    _lower_fader.Init(kFaderStep);
    _upper_fader.Init(kFaderStep);
    LoadCityProgress(g_User.Game());
    log.MessageBold("CITY initialized.");
    return true;
}

void CCityScene::Destroy()
{
    CLog& log = GetLog();
    log.Message("Destroying CITY...");
    log.Message("Destroy interface panels:");
    auto clear = [&](const char* line, CBaseDialog& dialog) {
        log.Message(line);
        dialog.HideImmediately();
        dialog.ClearControls();
    };
    clear("shop panel...", _shop);
    clear("epoch complete dialog...", _epoch_complete);
    clear("all epoch complete dialog...", _all_complete);
    clear("game end warning dialog...", _warning);
    clear("game complete dialog...", _game_complete);
    clear("game won dialog...", _game_won);
    clear("relax dialog...", _relax);
    log.Message("Destroy city data...");
    _salute.Clear();
    _view.Release();
    log.MessageBold("CITY destroyed.");
}

void CCityScene::LoadCity()
{
    ::LoadCity(_city);
    RebuildView();
}

void CCityScene::LoadCityProgress(const CGameSlot& game)
{
    _city.LoadProgress(game.city);
    RebuildView();
}

void CCityScene::RebuildView()
{
    std::vector<CityViewEntry> entries;
    for (int epoch = 0; epoch < _city.GetEpochCount(); ++epoch)
        for (int i = 0; i < _city.GetConstructionCount(epoch); ++i) {
            const CityConstruct c = _city.GetConstruction(epoch, i);
            entries.push_back(CityViewEntry{c.id, c.bought ? c.upgrade : -1, false});
        }
    for (int i = 0; i < _city.GetBonusCount(); ++i) {
        const CityConstruct c = _city.GetBonusConstruction(i);
        entries.push_back(CityViewEntry{c.id, c.bought ? c.upgrade : -1, true});
    }
    _view.BuildFromCity(entries);
}

bool CCityScene::GetEpochHelp(int epoch, EpochHelp& help) const
{
    if (epoch < 0 || epoch >= _city.GetEpochCount()) return false;
    help.limit_01 = _city.GetHelpLimit01(epoch);
    help.limit_03 = _city.GetHelpLimit03(epoch);
    help.default_page_01 = _city.GetHelpDefaultPage01(epoch);
    help.default_page_03 = _city.GetHelpDefaultPage03(epoch);
    return true;
}

void CCityScene::Enter()
{
    CLog& log = GetLog();
    log.WriteRow(CLog::lvlMessage, " ");
    log.MessageBold("Entering CITY loop...");
    if (_lower_fader.GetSprite()) _lower_fader.GetSprite()->SetAlpha(255);
    if (_upper_fader.GetSprite()) _upper_fader.GetSprite()->SetAlpha(0);
    _music = g_User.GetPlayingMusic();
    if (!_music.alias.empty()) g_SoundQueue.StartMusic(_music, kMusicFadeMs, 100);
    SetNextScene("");
    SetResult(srRunning);
    SetTransition(0);
    SetState(cssEntering);
    StartCrossState(GetGlobalVars().GetInt("city_start_state") == 3 ? ccsStartRelax : ccsStartShop);
}

void CCityScene::Leave()
{
    if (!_music.alias.empty()) g_SoundQueue.FadeMusic(_music, kMusicFadeMs, 0);
    GetHintsManager().HideActive();
    GetLog().MessageBold("Leaving CITY loop.");
}

void CCityScene::PostFrame()
{
    _scroll.edge_step = 0;
    if ((_state == cssRelax || _state == cssShop) && g_Mouse)
        _scroll.edge_step = _view.GetEdgeScrollStep(g_Mouse->GetX(), g_Mouse->GetY());
}

void CCityScene::OnKeyDown(int vk)
{
    const int key = vk & 0xFFFF;
    if (_state == cssRelax) _relax.OnKey(key);
    if (key != kVkEscape) return;
    if (_state == cssShop) StartCrossState(ccsShopToPause);
    else if (_state == cssPaused && _pause && _pause->CanClose()) StartCrossState(ccsPauseToShop);
    else if (_state == cssHelp) StartCrossState(ccsHelpToShop);
}

void CCityScene::OnCrossStateStart(int /*id*/)
{
    if (g_Mouse) {
        g_Mouse->ShowSystemCursor(true);
        g_Mouse->SelectCursor("default");
    }
}

void CCityScene::Frame()
{
    ScrollStep();
    GetGameScene().StepCounters();
    _view.SetInputEnabled(_state == cssRelax || _state == cssShop);
    _view.UpdateConstructions();
    _view.SetHoverEnabled(_state == cssRelax || (_state == cssShop && _shop.IsShown() && !_shop.IsMouseOver()));
    _salute.Update();
    _view.Draw();
    _salute.Render();
    ProcessDialogs();
    StepCrossState();
    _upper_fader.Draw();
    g_SoundQueue.Update();
}

void CCityScene::ScrollStep()
{
    if (_scroll.edge_step != 0) _view.Scroll(float(_scroll.edge_step), 0.0f);
    const float step = _scroll.Step();
    if (step != 0.0f) _view.Scroll(step, 0.0f);
}

void CCityScene::ProcessDialogs()
{
    auto take = [](CBaseDialog& dialog) {
        if (!dialog.Process()) return 0;
        const int result = dialog.GetResult();
        dialog.SetResult(0);
        return result;
    };
    if (_top) {
        const int result = take(*_top);
        if (result == 4) StartCrossState(ccsShopToPause);
        else if (result == 5) StartCrossState(ccsShopToRelax);
    }
    const int shop = take(_shop);
    if (shop == 1) StartCrossState(ccsBuyConstruct);
    else if (shop == 3) StartCrossState(ccsShopToNextLevel);
    if (take(_relax) == 3) StartCrossState(_relax_exit);
    _lower_fader.Draw();
    if (_pause) {
        const int result = take(*_pause);
        if (result == prLeaveGame) StartCrossState(ccsPauseToMenu);
        else if (result == prBackToGame) StartCrossState(ccsPauseToShop);
        else if (result == prHelp) StartCrossState(ccsPauseToHelp);
    }
    if (_help && take(*_help) == hrExit) StartCrossState(ccsHelpToShop);
}

// ---------------------------------------------------------------------------------------------
// The shop

void CCityScene::FillShop() { _shop.SetItems(::FillShop(_city)); }

void CCityScene::ShowBuilt(int construct_id)
{
    _view.SetConstructionUpgrade(construct_id, true);
    g_SoundQueue.QueueSound("constr_built");
    // The top panel's figures count down to what is left.
    GetGameScene().ApplyPendingGains(false);
    ScrollToConstruction(construct_id);
}

bool CCityScene::BuyConstruction()
{
    const int index = static_cast<int>(_shop.GetSelected());
    if (index < 0 || index >= _city.GetConstructionCount(_city.GetCurrentEpoch())) return false;
    const int id = _city.GetConstruction(_city.GetCurrentEpoch(), index).id;
    if (!::BuyConstruction(_city, index)) return false;
    // A purchase is kept at once.
    SaveGame(kCurrentGameSlot);
    ShowBuilt(id);
    FillShop();
    return true;
}

bool CCityScene::HasAffordableConstruction() const { return ::HasAffordableConstruction(_city); }

bool CCityScene::BuildBonusConstruction()
{
    int32_t id = 0;
    if (!::BuildBonusConstruction(_city, id)) return false;
    SaveGame(kCurrentGameSlot);
    ShowBuilt(id);
    return true;
}

void CCityScene::ScrollToConstruction(int construct_id) { _scroll.Start(_view.GetScrollDistanceTo(construct_id)); }

// ---------------------------------------------------------------------------------------------
// Helpers of the cross-states

void CCityScene::LogCrossState(const char* name)
{
    GetLog().Message("Start cross-state: %s", name);
    ResetMouseButtons();
}

bool CCityScene::SaluteRetired() const
{
    return _salute._finished >= static_cast<int32_t>(_salute.GetRockets().size());
}

bool CCityScene::Begin(int from, bool dialogs_held, const char* name)
{
    if (!From(from)) return false;
    // Without the borrowed dialog the cross-state only goes back.
    if (!dialogs_held) {
        SetState(_prev_state);
        return false;
    }
    LogCrossState(name);
    return true;
}

void CCityScene::BackToShop(int& stage)
{
    SetTopModal(true);
    _shop.SetModal(true);
    stage = 0;
    SetState(cssShop);
}

bool CCityScene::From(int state)
{
    if (_prev_state == state) return true;
    SetState(_prev_state);
    return false;
}

void CCityScene::SaveGame(const std::string& slot)
{
    // A test start plays without a player: there is no profile to keep the game in.
    if (g_User.Empty() || !g_Profiles.HasProfile(g_User.GetName())) return;
    g_User.SaveToProfile(slot);
    if (!g_Profiles.Save()) GetLog().Error("Error: the game could not be stored in the profiles file.");
}

void CCityScene::RecordBestCity(int medal)
{
    g_User.SetGameState(ugsCompleted);
    g_User.SetPlayState(upsNone);
    const int score = g_User.GetCityScore();
    CProfileSettings& settings = g_User.Settings();
    if (settings.w_param_1 < medal || (settings.w_param_1 == medal && settings.w_param_2 < score)) {
        settings.w_param_1 = medal;
        settings.w_param_2 = score;
        RefreshUserInScenes(g_User);
        SaveGame(kBestGameSlot);
    }
    // The ended game is kept as it ends, whether or not it is the best.
    SaveGame(kCurrentGameSlot);
}

void CCityScene::LeaveTo(const std::string& scene, int transition)
{
    EndCrossState();
    SetNextScene(scene);
    SetTransition(transition);
    SetResult(srNextScene);
}

void CCityScene::LeaveToSelector()
{
    if (_selector) _selector->PrepareFromCity();
    LeaveTo("Selector", 0);
}

void CCityScene::ShowTop()
{
    if (_top) _top->Show();
}
void CCityScene::HideTop()
{
    if (_top) _top->Hide();
}
void CCityScene::SetTopModal(bool modal)
{
    if (_top) _top->SetModal(modal);
}
bool CCityScene::TopShown() const { return !_top || _top->IsShown(); }
bool CCityScene::TopHidden() const { return !_top || FullyHidden(*_top); }

// ---------------------------------------------------------------------------------------------
// The cross-states

void CCityScene::CrsStartRelax(bool start)
{
    int& stage = Stage(ccsStartRelax);
    if (start) {
        LogCrossState("crsStartRelax");
        _lower_fader.FadeInTo(0);
        _relax.UpdateOwner(g_User);
        _relax.Show();
        stage = 1;
        return;
    }
    if (stage != 1 || _lower_fader.IsRunning() || !_relax.IsShown()) return;
    _relax.SetModal(true);
    _relax_exit = ccsRelaxToNextScene;
    stage = 0;
    SetState(cssRelax);
}

void CCityScene::CrsStartShop(bool start)
{
    int& stage = Stage(ccsStartShop);
    CHintsManager& hints = GetHintsManager();
    if (start) {
        LogCrossState("crsStartShop");
        _lower_fader.FadeInTo(0);
        if (_city.IsAllComplete()) {
            stage = 5;
            return;
        }
        ShowTop();
        FillShop();
        _shop.Show();
        stage = 1;
        return;
    }
    switch (stage) {
    case 1:
        if (_lower_fader.IsRunning() || !_shop.IsShown() || !TopShown()) return;
        // The shop's first-visit hint, once per player (and never for a player who turned hints off).
        if (hints.IsToShow(kShopHint) && hints.ShowHint(kShopHint, 0.0f, 0.0f)) {
            stage = 2;
            return;
        }
        SetTopModal(true);
        _shop.SetModal(true);
        stage = 0;
        SetState(cssShop);
        return;
    case 2:
        if (!hints.Update()) stage = 1;
        return;
    case 5:
        if (_lower_fader.IsRunning()) return;
        stage = 0;
        HandOver(GetGlobalVars().GetBool("is_last_level") ? ccsBuildBonusConstruct : ccsAfterBuiltAllEpoches);
        return;
    default:
        return;
    }
}

void CCityScene::CrsShopToRelax(bool start)
{
    int& stage = Stage(ccsShopToRelax);
    if (start) {
        if (!Begin(cssShop, true, "crsShopToRelax")) return;
        HideTop();
        _shop.Hide();
        _relax.UpdateOwner(g_User);
        _relax.Show();
        stage = 1;
        return;
    }
    if (stage != 1 || !_relax.IsShown() || !TopHidden() || !FullyHidden(_shop)) return;
    _relax.SetModal(true);
    _relax_exit = ccsRelaxToShop;
    stage = 0;
    SetState(cssRelax);
}

void CCityScene::CrsRelaxToShop(bool start)
{
    int& stage = Stage(ccsRelaxToShop);
    if (start) {
        if (!Begin(cssRelax, true, "crsRelaxToShop")) return;
        ShowTop();
        _shop.Show();
        _relax.Hide();
        stage = 1;
        return;
    }
    if (stage != 1 || !FullyHidden(_relax) || !TopShown() || !_shop.IsShown()) return;
    BackToShop(stage);
}

void CCityScene::CrsShopToNextLevel(bool start)
{
    int& stage = Stage(ccsShopToNextLevel);
    if (start) {
        if (!Begin(cssShop, true, "crsShopToNextLevel")) return;
        if (!GetGlobalVars().GetBool("is_last_level")) {
            _lower_fader.FadeOutTo(255);
            HideTop();
            _shop.Hide();
            stage = 1;
        } else if (HasAffordableConstruction()) {
            _lower_fader.FadeOutTo(kDimAlpha);
            SetTopModal(false);
            _shop.SetModal(false);
            _warning.ShowModal();
            stage = 5;
        } else {
            HandOver(ccsGameComplete);
        }
        return;
    }
    switch (stage) {
    case 1:
        if (_lower_fader.IsRunning()) return;
        if (_top) _top->HideImmediately();
        _shop.HideImmediately();
        g_User.SetPlayState(upsNextLevel);
        SaveGame(kCurrentGameSlot);
        stage = 0;
        LeaveTo(GetGlobalVars().GetString("city_caller_scene"), 1);
        return;
    case 5: {
        if (_warning.Process()) return;
        const int result = _warning.GetResult();
        _warning.SetResult(0);
        if (result == 1) {
            _lower_fader.FadeInTo(0);
            stage = 6;
        } else if (result == 2) {
            _lower_fader.FadeInTo(0);
            stage = 7;
        }
        return;
    }
    case 6:
        if (_lower_fader.IsRunning() || !FullyHidden(_warning)) return;
        SetTopModal(true);
        _shop.SetModal(true);
        stage = 0;
        SetState(cssShop);
        return;
    case 7:
        if (_lower_fader.IsRunning() || !FullyHidden(_warning)) return;
        stage = 0;
        HandOver(ccsGameComplete);
        return;
    default:
        return;
    }
}

void CCityScene::CrsRelaxToNextScene(bool start)
{
    int& stage = Stage(ccsRelaxToNextScene);
    if (start) {
        if (!Begin(cssRelax, true, "crsRelaxToNextScene")) return;
        _lower_fader.FadeOutTo(255);
        _relax.Hide();
        stage = 1;
        return;
    }
    if (stage != 1 || _lower_fader.IsRunning()) return;
    _relax.HideImmediately();
    stage = 0;
    LeaveTo(GetGlobalVars().GetString("city_caller_scene"), 0);
}

void CCityScene::CrsShopToPause(bool start)
{
    int& stage = Stage(ccsShopToPause);
    if (start) {
        if (!Begin(cssShop, _pause, "crsShopToPause")) return;
        _lower_fader.FadeOutTo(kDimAlpha);
        HideTop();
        _shop.Hide();
        _pause->Show();
        stage = 1;
        return;
    }
    if (stage != 1 || _lower_fader.IsRunning() || !TopHidden() || !FullyHidden(_shop) || !_pause->IsShown()) return;
    _pause->SetModal(true);
    stage = 0;
    SetState(cssPaused);
}

void CCityScene::CrsPauseToShop(bool start)
{
    int& stage = Stage(ccsPauseToShop);
    if (start) {
        if (!Begin(cssPaused, _pause, "crsPauseToShop")) return;
        _lower_fader.FadeInTo(0);
        ShowTop();
        _shop.Show();
        _pause->Hide();
        _pause->GetLeaveDialog().Hide();
        stage = 1;
        return;
    }
    if (stage != 1 || _lower_fader.IsRunning() || !FullyHidden(*_pause) || !TopShown() || !_shop.IsShown()) return;
    BackToShop(stage);
}

void CCityScene::CrsPauseToHelp(bool start)
{
    int& stage = Stage(ccsPauseToHelp);
    if (start) {
        if (!Begin(cssPaused, _pause && _help, "crsPauseToHelp")) return;
        _pause->Hide();
        _pause->GetLeaveDialog().Hide();
        _help->Show();
        stage = 1;
        return;
    }
    if (stage != 1 || !FullyHidden(*_pause) || !_help->IsShown()) return;
    _help->SetModal(true);
    stage = 0;
    SetState(cssHelp);
}

void CCityScene::CrsPauseToMenu(bool start)
{
    int& stage = Stage(ccsPauseToMenu);
    if (start) {
        if (!Begin(cssPaused, _pause, "crsPauseToMenu")) return;
        _lower_fader.FadeOutTo(255);
        _pause->Hide();
        _pause->GetLeaveDialog().Hide();
        stage = 1;
        return;
    }
    if (stage != 1 || _lower_fader.IsRunning()) return;
    _pause->HideImmediately();
    stage = 0;
    LeaveTo("Menu", 0);
}

void CCityScene::CrsHelpToShop(bool start)
{
    int& stage = Stage(ccsHelpToShop);
    if (start) {
        if (!Begin(cssHelp, _help, "crsHelpToShop")) return;
        _lower_fader.FadeInTo(0);
        ShowTop();
        _shop.Show();
        _help->Hide();
        stage = 1;
        return;
    }
    if (stage != 1 || _lower_fader.IsRunning() || !FullyHidden(*_help) || !TopShown() || !_shop.IsShown()) return;
    BackToShop(stage);
}

void CCityScene::CrsBuyConstruct(bool start)
{
    if (!start) return;
    if (!From(cssShop)) return;
    LogCrossState("crsBuyConstruct");
    BuyConstruction();
    Stage(ccsBuyConstruct) = 0;
    if (_city.IsEpochComplete(_city.GetCurrentEpoch())) {
        HandOver(ccsToNextEpoch);
        return;
    }
    SetState(cssShop);
}

void CCityScene::CrsToNextEpoch(bool start)
{
    int& stage = Stage(ccsToNextEpoch);
    if (start) {
        LogCrossState("crsToNextEpoch");
        _epoch_complete.SetEpochPage(_city.GetCurrentEpoch());
        if (!_city.IsAllComplete()) {
            const int next = _city.GetCurrentEpoch() + 1;
            _city.SetCurrentEpoch(next);
            g_User.Game().epoch = next;
            // The restart point of the epoch that begins now.
            SaveGame(GetEpochStartSlot(next));
        } else {
            // The last epoch is built: the game as it stands is kept.
            SaveGame(kCurrentGameSlot);
        }
        stage = 1;
        return;
    }
    switch (stage) {
    case 1:
        if (_view.IsBuildAnimationRunning() || _scroll.running) return;
        HideTop();
        _shop.Hide();
        _salute.Start(kSaluteRockets);
        if (!_music.alias.empty()) g_SoundQueue.FadeMusic(_music, kSaluteFadeMs, 0);
        stage = 2;
        return;
    case 2:
        if (_salute._bursts <= kSaluteRockets) return;
        _epoch_complete.ShowModal();
        stage = 3;
        return;
    case 3:
        if (_epoch_complete.Process()) return;
        _salute._stop = true;
        stage = 4;
        return;
    case 4:
        if (!SaluteRetired()) return;
        if (!_music.alias.empty()) g_SoundQueue.FadeMusic(_music, kSaluteFadeMs, 100);
        if (!_city.IsAllComplete()) {
            _lower_fader.FadeOutTo(255);
            stage = 5;
        } else {
            stage = 0;
            HandOver(ccsAfterBuiltAllEpoches);
        }
        return;
    case 5:
        if (_lower_fader.IsRunning()) return;
        stage = 0;
        LeaveToSelector();
        return;
    default:
        return;
    }
}

void CCityScene::CrsAfterBuiltAllEpoches(bool start)
{
    int& stage = Stage(ccsAfterBuiltAllEpoches);
    if (start) {
        LogCrossState("crsAfterBuiltAllEpoches");
        if (GetGlobalVars().GetBool("is_last_level")) {
            HandOver(ccsBuildBonusConstruct);
            return;
        }
        g_User.SetPlayState(upsNextLevel);
        _all_complete.ShowModal();
        stage = 1;
        return;
    }
    switch (stage) {
    case 1:
        if (_all_complete.Process()) return;
        _lower_fader.FadeOutTo(255);
        stage = 2;
        return;
    case 2:
        if (_lower_fader.IsRunning()) return;
        stage = 0;
        LeaveToSelector();
        return;
    default:
        return;
    }
}

void CCityScene::CrsBuildBonusConstruct(bool start)
{
    int& stage = Stage(ccsBuildBonusConstruct);
    if (start) {
        LogCrossState("crsBuildBonusConstruct");
        BuildBonusConstruction();
        stage = 1;
        return;
    }
    switch (stage) {
    case 1:
        if (_view.IsBuildAnimationRunning()) return;
        _salute.Start(kSaluteRockets);
        _salute._stop = true;
        if (!_music.alias.empty()) g_SoundQueue.FadeMusic(_music, kSaluteFadeMs, 0);
        stage = 2;
        return;
    case 2:
        if (!SaluteRetired()) return;
        if (!_music.alias.empty()) g_SoundQueue.FadeMusic(_music, kSaluteFadeMs, 100);
        stage = 0;
        HandOver(ccsGameWon);
        return;
    default:
        return;
    }
}

void CCityScene::CrsGameComplete(bool start) { StepGameEnd(ccsGameComplete, "crsGameComplete", start); }

void CCityScene::CrsGameWon(bool start) { StepGameEnd(ccsGameWon, "crsGameWon", start); }

// The game ends in the city: the dialog (complete, or won), the best city recorded with its medal,
// black, then the menu. A won game blacks out over its dialog and tells the menu with code 3.
void CCityScene::StepGameEnd(int id, const char* name, bool start)
{
    int& stage = Stage(id);
    const bool won = id == ccsGameWon;
    CBaseDialog& dialog = won ? static_cast<CBaseDialog&>(_game_won) : static_cast<CBaseDialog&>(_game_complete);
    CCrossFader& fader = won ? _upper_fader : _lower_fader;
    if (start) {
        LogCrossState(name);
        HideTop();
        _shop.Hide();
        stage = 1;
        return;
    }
    switch (stage) {
    case 1:
        if (CEffectCounter::HasRunning()) return;
        dialog.ShowModal();
        stage = 2;
        return;
    case 2:
        if (dialog.Process()) return;
        RecordBestCity(won ? kMedalWon : kMedalComplete);
        fader.FadeOutTo(255);
        stage = 3;
        return;
    case 3:
        if (fader.IsRunning()) return;
        if (won) dialog.HideImmediately();
        stage = 0;
        LeaveTo("Menu", won ? 3 : 2);
        return;
    default:
        return;
    }
}
