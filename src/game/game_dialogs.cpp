#include "game/game_dialogs.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_xml.h"
#include "engine/core/engine_core.h"
#include "engine/sound/engine_sound.h"
#include "gui/gui_controls.h"

#include <algorithm>
#include <exception>
#include <initializer_list>
#include <string>

namespace {

// Alpha of the pause darkened under the leave confirmation, and the fader's step per frame.
constexpr int kDimmedAlpha = 64;
constexpr int kFaderStep = 4;

// The control of that id and class, or null; the layout decides which controls a dialog has.
template <class T>
std::shared_ptr<T> Find(const CBaseDialog& dialog, const std::string& id)
{
    return std::dynamic_pointer_cast<T>(dialog.FindControl(id));
}

// Logs each id that the dialog lacks (or holds as another kind of control).
template <class T>
void ReportMissing(const CBaseDialog& dialog, const char* dialog_name, std::initializer_list<const char*> ids)
{
    for (const char* id : ids) {
        if (Find<T>(dialog, id)) continue;
        if (dialog.FindControl(id)) GetLog().Error("Error: control '%s' has different type!", id);
        else GetLog().Error("Error: control '%s' not found in dialog %s!", id, dialog_name);
    }
}

std::string Id(const CBaseControl* control) { return control ? control->GetId() : std::string(); }

} // namespace

// ---------------------------------------------------------------------------------------------
// CLeaveGameDialog

void CLeaveGameDialog::OnClick(CBaseControl* control)
{
    if (!IsShown()) return;
    const std::string id = Id(control);
    if (id == "ID_LEAVE") SetResult(lrLeave);
    else if (id == "ID_CANCEL") SetResult(lrCancel);
}

// ---------------------------------------------------------------------------------------------
// CPauseDialog

CPauseDialog::CPauseDialog() = default;
CPauseDialog::~CPauseDialog() = default;

bool CPauseDialog::Load(const CXMLNode& dialogs_root)
{
    const CXMLNode pause = dialogs_root.SelectSingleNode("PauseDialog");
    const CXMLNode leave = dialogs_root.SelectSingleNode("LeaveGameConfirmationDialog");
    if (!pause.IsValid()) GetLog().Error("Error: the dialogs have no PauseDialog node.");
    if (!leave.IsValid()) GetLog().Error("Error: the dialogs have no LeaveGameConfirmationDialog node.");
    const bool loaded = CSlideableBaseDialog::Load(pause);
    const bool leave_loaded = _leave.Load(leave);
    if (loaded) {
        ReportMissing<CMenuTrackBar>(*this, "PauseDialog", {"ID_SOUND", "ID_MUSIC"});
        ReportMissing<CBaseControl>(*this, "PauseDialog", {"ID_MENU", "ID_GAME", "ID_HELP"});
    }
    if (leave_loaded) ReportMissing<CBaseControl>(_leave, "LeaveGameConfirmationDialog", {"ID_LEAVE", "ID_CANCEL"});
    _fader.Init(kFaderStep);
    _mode = pmPause;
    _settings_taken = false;
    return loaded && leave_loaded;
}

void CPauseDialog::ClearControls()
{
    CSlideableBaseDialog::ClearControls();
    _leave.ClearControls();
}

bool CPauseDialog::CanClose() const
{
    switch (_mode) {
    case pmPause: return !_leave.IsVisible();
    case pmLeave: return _leave.IsShown();
    default: return true;
    }
}

void CPauseDialog::OnShow(bool immediate)
{
    CSlideableBaseDialog::OnShow(immediate);
    _settings = g_Settings.EnsureLoaded();
    _settings_taken = true;
    _sound_volume = std::clamp(_settings.snd_vol, 0, kMaxVolume);
    _music_volume = std::clamp(_settings.mus_vol, 0, kMaxVolume);
    if (auto sound = Find<CMenuTrackBar>(*this, "ID_SOUND")) sound->SetPosition(_sound_volume);
    if (auto music = Find<CMenuTrackBar>(*this, "ID_MUSIC")) music->SetPosition(_music_volume);
    _leave.HideImmediately();
    _leave.SetResult(0);
    // Clear at once: a fade from 0 to 0 ends on its first step and hides the square.
    if (_fader.GetSprite()) _fader.StartFadeIn(0, 0);
    _mode = pmPause;
}

void CPauseDialog::OnHide(bool immediate)
{
    CSlideableBaseDialog::OnHide(immediate);
    // One save per show: a slide-out followed by an immediate hide, or a hide of a dialog that
    // was never shown, writes nothing more.
    if (!_settings_taken) return;
    _settings_taken = false;
    ApplyVolumes();
    _settings.snd_vol = _sound_volume;
    _settings.mus_vol = _music_volume;
    // Only the volumes are the dialog's: whatever else changed in the settings while the pause was
    // open (the window mode by Alt+Enter) stays as it is now.
    SettingsRecord& record = g_Settings.EnsureLoaded();
    record.snd_vol = _settings.snd_vol;
    record.mus_vol = _settings.mus_vol;
    g_Settings.Save();
}

void CPauseDialog::ApplyVolumes() const
{
    if (g_SoundKeeper) g_SoundKeeper->SetVolumes(_music_volume, _sound_volume);
}

void CPauseDialog::OnChange(CBaseControl* control)
{
    if (!IsShown()) return;
    auto bar = dynamic_cast<CMenuTrackBar*>(control);
    if (!bar) return;
    const int volume = std::clamp(bar->GetPosition(), 0, kMaxVolume);
    const std::string& id = bar->GetId();
    if (id == "ID_SOUND") _sound_volume = volume;
    else if (id == "ID_MUSIC") _music_volume = volume;
    else return;
    ApplyVolumes();
}

void CPauseDialog::OnClick(CBaseControl* control)
{
    if (!IsShown()) return;
    const std::string id = Id(control);
    if (id == "ID_MENU") {
        if (_fader.GetSprite()) _fader.FadeOutTo(kDimmedAlpha);
        SetModal(false);
        _leave.ShowModal();
        _mode = pmLeave;
    } else if (id == "ID_GAME") {
        SetResult(prBackToGame);
    } else if (id == "ID_HELP") {
        SetResult(prHelp);
    }
}

void CPauseDialog::CloseLeaveDialog()
{
    if (_fader.GetSprite()) _fader.FadeInTo(0);
    SetModal(true);
    _leave.Hide();
    _mode = pmPause;
}

void CPauseDialog::OnAfterProcess()
{
    _fader.Draw();
    _leave.Process();
    if (_mode != pmLeave) return;
    const int result = _leave.GetResult();
    _leave.SetResult(0);
    if (result == lrLeave) {
        CloseLeaveDialog();
        SetResult(prLeaveGame);
    } else if (result == lrCancel) {
        CloseLeaveDialog();
    }
}

// ---------------------------------------------------------------------------------------------
// CGameHelpDialog

bool CGameHelpDialog::Load(const CXMLNode& node)
{
    const bool loaded = CBaseDialog::Load(node);
    _pages.reset();
    _section = 0;
    _page_shown = _page_target = 0;
    if (loaded) {
        for (const char* id : {"ID_CONTINUE", "ID_EXIT"})
            if (!FindControl(id)) GetLog().Error("Error: control '%s' not found in dialog HelpDialog!", id);
    }
    return loaded;
}

void CGameHelpDialog::OnShow(bool /*immediate*/)
{
    SelectSection(1);
}

void CGameHelpDialog::SelectSection(int section)
{
    if (section < 1 || section > kSections) {
        GetLog().Error("Error: help section %d does not exist.", section);
        return;
    }
    _section = section;
    _pages.reset();
    for (int n = 1; n <= kSections; ++n) {
        const std::string number = std::to_string(n);
        const CBaseControlPtr pages = FindControl("ID_PAGES_" + number);
        if (pages) pages->SetVisible(n == section);
        if (n == section) {
            _pages = std::dynamic_pointer_cast<CMenuPageControl>(pages);
            if (pages && !_pages) GetLog().Error("Error: control '%s' has different type!", pages->GetId().c_str());
        }
        if (const CBaseControlPtr selector = FindControl("ID_SELECT_" + number)) selector->SetVisible(n == section);
    }
    SetPage(0, true);
}

int CGameHelpDialog::GetPageCount() const
{
    // A section always has a page to show, even when its control holds none.
    return _pages ? std::max(1, int(_pages->GetPages().size())) : 1;
}

void CGameHelpDialog::SetPage(int index, bool immediate)
{
    const int count = GetPageCount();
    index = std::clamp(index, 0, count - 1);
    if (const CBaseControlPtr forward = FindControl("ID_FORWARD")) forward->SetEnabled(index < count - 1);
    if (const CBaseControlPtr backward = FindControl("ID_BACKWARD")) backward->SetEnabled(index > 0);
    _page_target = index;
    if (immediate) ApplyPage();
}

void CGameHelpDialog::ApplyPage()
{
    if (_pages && size_t(_page_target) < _pages->GetPages().size()) _pages->SetPage(size_t(_page_target));
    _page_shown = _page_target;
}

void CGameHelpDialog::OnDrawEnd()
{
    if (IsTurning()) ApplyPage();
}

void CGameHelpDialog::OnClick(CBaseControl* control)
{
    if (!IsShown()) return;
    const std::string id = Id(control);
    if (id == "ID_CONTINUE") SetResult(hrContinue);
    else if (id == "ID_EXIT") SetResult(hrExit);
    else if (id == "ID_FORWARD" && !IsTurning()) SetPage(_page_shown + 1, false);
    else if (id == "ID_BACKWARD" && !IsTurning()) SetPage(_page_shown - 1, false);
}

// ---------------------------------------------------------------------------------------------
// CGameOverDialog

CGameOverDialog::CGameOverDialog() = default;
CGameOverDialog::~CGameOverDialog() = default;

void CGameOverDialog::ClearControls()
{
    CSlideableBaseDialog::ClearControls();
    _indicators.clear();
}

bool CGameOverDialog::Load(const CXMLNode& node)
{
    const bool loaded = CSlideableBaseDialog::Load(node);
    VERIFY_SOFT(_indicators.empty());
    _indicators.clear();
    if (!loaded) return false;
    if (!FindControl("ID_OK")) GetLog().Error("Error: control 'ID_OK' not found in dialog GameOverDialog!");
    const CXMLNodeList list = node.SelectNodes("Indicator");
    for (int i = 0; i < list.GetLength(); ++i) {
        auto indicator = std::make_shared<CGameIndicator>();
        try {
            indicator->Load(list.GetItem(i));
        } catch (const std::exception& e) {
            // An indicator bound to a value the game does not have is left out; the dialog works.
            GetLog().Error("Error: indicator %d of the game over dialog skipped (%s).", i, e.what());
            continue;
        }
        _indicators.push_back(indicator);
    }
    return true;
}

void CGameOverDialog::OnDraw()
{
    for (const auto& indicator : _indicators) indicator->Draw();
}

void CGameOverDialog::OnClick(CBaseControl* control)
{
    if (!IsShown() || Id(control) != "ID_OK") return;
    Hide();
    SetResult(gorOk);
}

void CGameOverDialog::Fill(const LevelRecord& /*record*/) {}
