#include "menu/menu_selector.h"

#include "city/city_scene.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"
#include "engine/core/engine_input.h"
#include "engine/particles/engine_pyro2.h"
#include "gui/gui_controls.h"
#include "player/player_profiles.h"
#include "player/player_scenes.h"
#include "player/player_slot.h"
#include "player/player_user.h"
#include "settings/main_userfiles.h"

#include <algorithm>
#include <exception>

namespace {

const char* const kButtonBack = "ID_BACK";
const char* const kButtonMenu = "ID_MENU";
const char* const kButtonStart = "ID_START";
const char* const kButtonContinue = "ID_CONTINUE";
const char* const kButtonRestart = "ID_RESTART";

std::string Numbered(const char* prefix, int n) { return prefix + std::to_string(n); }

std::string EffectId(int epoch) { return Numbered("ID_ACTIVATE_EFFECT_", epoch); }

bool IsEpoch(int n) { return n >= 0 && n < CSelectEpochDialog::kEpochs; }

int ClampEpoch(int n) { return std::clamp(n, 0, CSelectEpochDialog::kEpochs - 1); }

// The alpha of the pictures and titles the fades move.
uint32_t AlphaOf(CBaseControl& control)
{
    if (auto* image = dynamic_cast<CMenuImage*>(&control)) return image->GetSprite().GetAlpha();
    if (auto* label = dynamic_cast<CMenuLabel*>(&control)) return label->GetLabel().GetAlpha();
    return 255;
}

void SetAlphaOf(CBaseControl& control, uint32_t alpha)
{
    if (auto* image = dynamic_cast<CMenuImage*>(&control)) image->SetAlpha(alpha);
    else if (auto* label = dynamic_cast<CMenuLabel*>(&control)) label->GetLabel().SetAlpha(alpha);
}

void SetShown(CBaseControl* control, bool visible)
{
    if (control) control->SetVisible(visible);
}

void ShowAt(CBaseControl* control, bool visible, uint32_t alpha)
{
    if (!control) return;
    SetAlphaOf(*control, alpha);
    control->SetVisible(visible);
}

// One step of a fade-out: the control is hidden once its alpha is below the step. False when it
// was already gone (missing or hidden).
bool FadeOut(CBaseControl* control, int step)
{
    if (!control || !control->IsVisible()) return false;
    const uint32_t alpha = AlphaOf(*control);
    if (alpha >= uint32_t(step)) {
        SetAlphaOf(*control, alpha - step);
    } else {
        control->SetVisible(false);
    }
    return true;
}

// One step of a fade-in up to full opacity. False when there was nothing to do.
bool FadeIn(CBaseControl* control, int step)
{
    if (!control || !control->IsVisible()) return false;
    const uint32_t alpha = AlphaOf(*control);
    if (alpha >= 255) return false;
    SetAlphaOf(*control, std::min<uint32_t>(alpha + step, 255));
    return true;
}

const EpochControls kNoControls{};

} // namespace

// ---------------------------------------------------------------------------------------------
// The dialog

CSelectEpochDialog::CSelectEpochDialog() = default;
CSelectEpochDialog::~CSelectEpochDialog() = default;

const EpochControls& CSelectEpochDialog::GetEpoch(int epoch) const
{
    return IsEpoch(epoch) ? _epochs[epoch] : kNoControls;
}

bool CSelectEpochDialog::Load(const CXMLNode& node)
{
    const bool loaded = CBaseDialog::Load(node);
    ResolveControls();
    _effects.clear();
    _sound.clear();
    if (node.IsValid()) {
        const CXMLNodeList list = node.SelectNodes("ActivateEffect");
        for (int i = 0; i < list.GetLength(); ++i) {
            const CXMLNode entry = list.GetItem(i);
            const std::string id = entry.GetAttribute("id");
            if (id.empty()) {
                GetLog().Error("Error: an activation effect of the selector has no id; it is left out.");
                continue;
            }
            _effects[id] = Effect{entry.GetAttribute("pyro"), entry.GetFloatAttribute("left", 0.0f),
                                  entry.GetFloatAttribute("top", 0.0f)};
        }
        const CXMLNode sound = node.SelectSingleNode("Sound");
        if (sound.IsValid()) _sound = sound.GetAttribute("epoch_change");
    }
    _previous = _selected = 0;
    _choice_mode = false;
    _activation_pending = _activating = _selection_fading = false;
    _timer_running = _timer_paused = false;
    _timer_countdown = 0;
    SetupMenu();
    return loaded;
}

void CSelectEpochDialog::ClearControls()
{
    DropEffect();
    CBaseDialog::ClearControls();
    _epochs = {};
}

void CSelectEpochDialog::ResolveControls()
{
    // A control of the table that the layout lacks, or that is of another class, is left out.
    auto find = [this]<class T>(std::shared_ptr<T>& out, const std::string& id) {
        const CBaseControlPtr control = FindControl(id);
        out = std::dynamic_pointer_cast<T>(control);
        if (!control) GetLog().Warning("Selector: the layout has no control '%s'.", id.c_str());
        else if (!out) GetLog().Error("Error: the selector's control '%s' has a different type!", id.c_str());
    };
    for (int n = 0; n < kEpochs; ++n) {
        EpochControls& e = _epochs[n];
        find(e.button, Numbered("ID_EPOCH_BUTTON_", n));
        find(e.disabled, Numbered("ID_EPOCH_DISABLE_", n));
        find(e.enabled, Numbered("ID_EPOCH_ENABLE_", n));
        find(e.active, Numbered("ID_EPOCH_ACTIVE_", n));
        find(e.title_disabled, Numbered("ID_EPOCH_TITLE_DISABLE_", n));
        find(e.title, Numbered("ID_EPOCH_TITLE_", n));
    }
}

void CSelectEpochDialog::SetButtons(bool back, bool menu, bool start, bool go_on, bool restart)
{
    SetShown(FindControl(kButtonBack).get(), back);
    SetShown(FindControl(kButtonMenu).get(), menu);
    SetShown(FindControl(kButtonStart).get(), start);
    SetShown(FindControl(kButtonContinue).get(), go_on);
    SetShown(FindControl(kButtonRestart).get(), restart);
}

void CSelectEpochDialog::SetupDisplay()
{
    const int c = _previous;
    for (int n = 0; n < kEpochs; ++n) {
        EpochControls& e = _epochs[n];
        if (!_choice_mode) {
            SetShown(e.button.get(), false);
            ShowAt(e.disabled.get(), n > c, 255);
            ShowAt(e.enabled.get(), n <= c, 255);
            ShowAt(e.active.get(), n == c, 255);
            // The titles come back at full opacity too: an earlier opening may have faded them out.
            ShowAt(e.title_disabled.get(), n > c, 255);
            ShowAt(e.title.get(), n <= c, 255);
        } else {
            if (e.button) {
                e.button->SetVisible(true);
                e.button->SetEnabled(g_User.IsEpochAvailable(n));
            }
            SetShown(e.disabled.get(), false);
            SetShown(e.enabled.get(), false);
            ShowAt(e.active.get(), n == c, 255);
            SetShown(e.title_disabled.get(), false);
            SetShown(e.title.get(), false);
        }
    }
}

void CSelectEpochDialog::SetupMenu()
{
    _previous = _selected;
    SetupDisplay();
    SetButtons(true, false, true, false, false);
    _activation_pending = _activating = _selection_fading = false;
    _timer_running = false;
    DropEffect();
}

void CSelectEpochDialog::SetupCity(bool activate)
{
    _choice_mode = false;
    _previous = activate ? _selected - 1 : _selected;
    SetupDisplay();
    SetButtons(false, true, false, true, false);
    if (activate) {
        PrepareActivation();
    } else {
        _activation_pending = _activating = _selection_fading = false;
        _timer_running = false;
        DropEffect();
    }
}

void CSelectEpochDialog::SetupGame()
{
    _choice_mode = false;
    _previous = _selected;
    SetupDisplay();
    SetButtons(false, true, false, false, true);
    PrepareActivation();
}

void CSelectEpochDialog::PrepareActivation()
{
    _activation_pending = true;
    _activating = _selection_fading = false;
    _timer_running = false;
    DropEffect();
    const auto found = IsEpoch(_selected) ? _effects.find(EffectId(_selected)) : _effects.end();
    if (found == _effects.end()) return;
    _effect = std::make_shared<CPyro2>();
    _effect->AddEmitter(found->second.pyro, float(int(found->second.left)), float(int(found->second.top)));
}

void CSelectEpochDialog::DropEffect() { _effect.reset(); }

void CSelectEpochDialog::StartTimer()
{
    _timer_countdown = 1;
    _timer_running = true;
    _timer_paused = false;
}

bool CSelectEpochDialog::TimerStep()
{
    if (!_timer_running || _timer_paused) return false;
    if (_timer_countdown > 0 && --_timer_countdown > 0) return false;
    _timer_countdown = 1;
    return true;
}

void CSelectEpochDialog::StartActivation()
{
    if (!_activation_pending || !IsEpoch(_selected)) {
        _activation_pending = false;
        return;
    }
    _activation_pending = false;
    EpochControls& e = _epochs[_selected];
    const uint32_t alpha = _previous != _selected ? 0 : 255;
    ShowAt(e.enabled.get(), true, 0);
    ShowAt(e.title.get(), true, alpha);
    ShowAt(e.active.get(), true, alpha);
    StartTimer();
    if (!_sound.empty()) g_SoundQueue.QueueSound(_sound);
    _activating = true;
}

void CSelectEpochDialog::SelectEpoch(int epoch)
{
    if (!IsEpoch(epoch)) return;
    if (_selection_fading) {
        SetShown(GetEpoch(_previous).active.get(), false);
        ShowAt(GetEpoch(_selected).active.get(), true, 255);
        _selection_fading = false;
    }
    _previous = _selected;
    _selected = epoch;
    if (_selected != _previous) {
        ShowAt(_epochs[_selected].active.get(), true, 0);
        StartTimer();
        _selection_fading = true;
    }
}

bool CSelectEpochDialog::StepActivation()
{
    const EpochControls& e = GetEpoch(_selected);
    const bool moved = _previous != _selected;
    bool changed = false;
    if (moved) changed |= FadeOut(GetEpoch(_previous).active.get(), kActivationStep);
    changed |= FadeOut(e.disabled.get(), kActivationStep);
    changed |= FadeOut(e.title_disabled.get(), kActivationStep);
    changed |= FadeIn(e.enabled.get(), kActivationStep);
    changed |= FadeIn(e.title.get(), kActivationStep);
    if (moved) changed |= FadeIn(e.active.get(), kActivationStep);
    return changed;
}

bool CSelectEpochDialog::StepSelection()
{
    const bool out = FadeOut(GetEpoch(_previous).active.get(), kSelectionStep);
    const bool in = FadeIn(GetEpoch(_selected).active.get(), kSelectionStep);
    return out || in;
}

void CSelectEpochDialog::OnProcessed()
{
    if (!_activating && !_selection_fading) return;
    if (!TimerStep()) return;
    if (_activating) {
        if (StepActivation()) return;
        DropEffect();
        _activating = false;
    } else {
        if (StepSelection()) return;
        DropEffect();
        _selection_fading = false;
    }
    _timer_running = false;
}

void CSelectEpochDialog::OnDraw()
{
    // The effect plays with the opening it belongs to, not before it.
    if (_effect && _activating) _effect->Render();
}

void CSelectEpochDialog::OnClick(CBaseControl* control)
{
    if (!control || !IsShown()) return;
    const std::string& id = control->GetId();
    for (int n = 0; n < kEpochs; ++n)
        if (_epochs[n].button && _epochs[n].button.get() == control) {
            SelectEpoch(n);
            return;
        }
    if (id == kButtonBack || id == kButtonMenu) SetResult(erBack);
    else if (id == kButtonStart || id == kButtonContinue || id == kButtonRestart) SetResult(erGoOn);
}

// ---------------------------------------------------------------------------------------------
// The scene

CSelectorScene::CSelectorScene() : AScene("Selector")
{
    RegisterCrossState(selcrsStart, "crsStart", [this](bool s) { CrsStart(s); });
    RegisterCrossState(selcrsEpochChange, "crsEpochChange", [this](bool s) { CrsEpochChange(s); });
    RegisterCrossState(selcrsFinish, "crsFinish", [this](bool s) { CrsFinish(s); });
}

CSelectorScene::~CSelectorScene() = default;

CSelectorScene& GetSelectorScene()
{
    static CSelectorScene scene;
    return scene;
}

bool CSelectorScene::Init()
{
    CLog& log = GetLog();
    log.WriteRow(CLog::lvlMessage, " ");
    log.MessageBold("Initializing SELECTOR...");
    log.Message("Creating interface panels:");
    log.Message("selector dialog...");
    try {
        const CXMLFile file(kLayoutFile);
        const CXMLNode node = file.SelectSingleNode("//Dialogs/SelectorDialog");
        if (!node.IsValid()) {
            log.Error("Error: %s has no selector dialog.", kLayoutFile);
            return false;
        }
        _dialog.Load(node);
    } catch (const std::exception& e) {
        // Without its buttons the selector could never be left: the program cannot start.
        log.Error("Error: the selector's dialog cannot be read from %s (%s).", kLayoutFile, e.what());
        return false;
    }
    _fader.Init(kFaderStep);
    log.MessageBold("SELECTOR initialized.");
    return true;
}

void CSelectorScene::Destroy()
{
    CLog& log = GetLog();
    log.Message("Destroying SELECTOR...");
    log.Message("Destroying interface panels:");
    log.Message("selector dialog...");
    _dialog.HideImmediately();
    _dialog.ClearControls();
    log.MessageBold("SELECTOR destroyed.");
}

void CSelectorScene::PrepareFromMenu()
{
    _dialog.SetSelected(0);
    _dialog.SetChoiceMode(g_User.Settings().w_param_1 > 0);
    _dialog.SetupMenu();
    _back = "Menu";
    _next = "Game";
    _caller = scMenu;
    _all_complete = false;
    _play_activation = false;
}

void CSelectorScene::PrepareFromCity()
{
    _all_complete = GetCityScene().IsAllEpochsComplete();
    const int wanted = g_User.GetEpoch() + (_all_complete ? 1 : 0);
    // Past the last epoch there is nothing left to open: every epoch is shown open, the last one
    // chosen.
    const bool opens = IsEpoch(wanted);
    _dialog.SetSelected(ClampEpoch(wanted));
    _dialog.SetChoiceMode(false);
    _dialog.SetupCity(opens);
    _back = "Menu";
    _next = _all_complete ? "Game" : "City";
    _caller = scCity;
    _play_activation = opens;
}

void CSelectorScene::PrepareFromGame()
{
    const int epoch = ClampEpoch(g_User.GetEpoch());
    _dialog.SetSelected(epoch);
    _dialog.SetChoiceMode(false);
    _dialog.SetupGame();
    _back = "Menu";
    _next = epoch > 0 ? "City" : "Game";
    _caller = scGame;
    _all_complete = false;
    _play_activation = true;
}

void CSelectorScene::SetMusic(const MusicTrack& music) { _music = music; }

void CSelectorScene::Enter()
{
    CLog& log = GetLog();
    log.WriteRow(CLog::lvlMessage, " ");
    log.MessageBold("Entering SELECTOR loop...");
    const MusicTrack playing = g_User.GetPlayingMusic();
    if (!playing.alias.empty()) _music = playing;
    if (!_music.alias.empty()) g_SoundQueue.StartMusic(_music, kMusicFadeMs, 100);
    SetNextScene("");
    SetResult(srRunning);
    SetTransition(0);
    EndCrossState();
    SetState(selInteractive);
    StartCrossState(selcrsStart);
}

void CSelectorScene::Leave()
{
    if (!_music.alias.empty()) g_SoundQueue.FadeMusic(_music, kMusicFadeMs, 0);
    GetLog().MessageBold("Leaving SELECTOR loop.");
}

void CSelectorScene::Frame()
{
    HandleResult();
    StepCrossState();
    _fader.Draw();
    g_SoundQueue.Update();
}

void CSelectorScene::HandleResult()
{
    if (!_dialog.Process()) return;
    const int result = _dialog.GetResult();
    _dialog.SetResult(0);
    if (result == CSelectEpochDialog::erGoOn) {
        CVariableRegistry& vars = GetGlobalVars();
        if (_caller == scMenu) {
            int epoch = _dialog.GetSelected();
            if (!g_User.IsEpochAvailable(epoch)) {
                GetLog().Error("Error: epoch %d has no start for this player; the game starts at the first.", epoch + 1);
                epoch = 0;
            }
            g_User.StartGame(epoch);
            SyncScenesWithUser(g_User);
            // A test start plays without a player: there is no profile to keep the game in.
            if (!g_User.Empty() && g_Profiles.HasProfile(g_User.GetName())) {
                g_User.SaveToProfile(kCurrentGameSlot);
                if (!g_Profiles.Save()) GetLog().Error("Error: the new game could not be stored in the profiles file.");
            }
            if (g_User.GetEpoch() > 0) {
                _next = "City";
                vars.SetString("city_caller_scene", "Game");
                vars.SetInt("city_start_state", 4);
            }
            SetTransition(2);
        } else if (_caller == scGame) {
            vars.SetString("city_caller_scene", "Game");
            vars.SetInt("city_start_state", 4);
            SetTransition(2);
        } else if (_all_complete) {
            SetTransition(1);
        }
        SetNextScene(_next);
        StartCrossState(selcrsFinish);
    } else if (result == CSelectEpochDialog::erBack) {
        SetNextScene(_back);
        StartCrossState(selcrsFinish);
    }
}

void CSelectorScene::OnCrossStateStart(int id)
{
    GetLog().Message("Start selector cross-state: %s", GetCrossStateName(id));
    if (g_Mouse) g_Mouse->ResetButtons();
}

void CSelectorScene::CrsStart(bool start)
{
    if (start) {
        if (_fader.GetSprite()) _fader.GetSprite()->SetAlpha(255);
        _fader.FadeInTo(0);
        _dialog.ShowImmediately();
        return;
    }
    if (_fader.IsRunning()) return;
    if (_play_activation) {
        HandOver(selcrsEpochChange);
        return;
    }
    _dialog.SetModal(true);
    SetState(selInteractive);
}

void CSelectorScene::CrsEpochChange(bool start)
{
    if (start) {
        _dialog.StartActivation();
        return;
    }
    // The opening goes on while the dialog takes input.
    _dialog.SetModal(true);
    SetState(selInteractive);
}

void CSelectorScene::CrsFinish(bool start)
{
    if (start) {
        _fader.FadeOutTo(255);
        _dialog.SetModal(false);
        return;
    }
    if (_fader.IsRunning()) return;
    _dialog.HideImmediately();
    EndCrossState();
    SetResult(srNextScene);
}
