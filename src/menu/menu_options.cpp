#include "menu/menu_options.h"

#include "engine/base/engine_log.h"
#include "engine/core/engine_core.h"
#include "engine/core/engine_input.h"
#include "engine/sound/engine_sound.h"

namespace {

void SetVolumes(int music, int sound)
{
    if (g_SoundKeeper) g_SoundKeeper->SetVolumes(music, sound);
}

void SetGamma(int level)
{
    if (g_EngineCore) g_EngineCore->SetGamma(level);
}

void SetSensitivity(int sensitivity)
{
    if (g_Mouse) g_Mouse->SetSensitivity(sensitivity);
}

} // namespace

bool COptionsDialog::IsWindowedNow()
{
    return !(g_EngineCore && g_EngineCore->IsFullscreen());
}

bool COptionsDialog::Load(const CXMLNode& node)
{
    const bool loaded = CSlideableBaseDialog::Load(node);
    _filled = false;
    _windowed_chosen = false;
    if (!loaded) return false;
    for (const char* id : {"ID_SOUND", "ID_MUSIC", "ID_GAMMA", "ID_MOUSE"}) GetControl<CMenuTrackBar>(id);
    GetControl<CMenuCheckBox>("ID_WINDOWED");
    GetControl("ID_BACK");
    return true;
}

void COptionsDialog::OnShow(bool immediate)
{
    CSlideableBaseDialog::OnShow(immediate);
    Fill();
}

void COptionsDialog::OnHide(bool immediate)
{
    CSlideableBaseDialog::OnHide(immediate);
    if (_filled) Apply();
}

void COptionsDialog::Fill()
{
    _copy = g_Settings.EnsureLoaded();
    _filling = true;
    try {
        GetControl<CMenuTrackBar>("ID_SOUND")->SetPosition(_copy.snd_vol);
        GetControl<CMenuTrackBar>("ID_MUSIC")->SetPosition(_copy.mus_vol);
        const std::shared_ptr<CMenuTrackBar> gamma = GetControl<CMenuTrackBar>("ID_GAMMA");
        gamma->SetMax(kMaxGamma);
        gamma->SetPosition(_copy.gamma);
        const std::shared_ptr<CMenuTrackBar> mouse = GetControl<CMenuTrackBar>("ID_MOUSE");
        // The range first: a position set before it would be clamped into the layout's range.
        mouse->SetMax(kMaxSensitivity);
        mouse->SetMin(kSliderMinSensitivity);
        mouse->SetPosition(_copy.sensitivity);
        GetControl<CMenuCheckBox>("ID_WINDOWED")->SetChecked(_copy.windowed);
    } catch (...) {
        _filling = false;
        throw;
    }
    _filling = false;
    _windowed_chosen = false;
    _filled = true;
}

void COptionsDialog::OnChange(CBaseControl* control)
{
    if (_filling || !IsShown() || !control) return;
    const CMenuTrackBar* bar = dynamic_cast<const CMenuTrackBar*>(control);
    if (!bar) return;
    const std::string& id = control->GetId();
    const int position = bar->GetPosition();
    if (id == "ID_SOUND") {
        _copy.snd_vol = position;
        SetVolumes(_copy.mus_vol, _copy.snd_vol);
    } else if (id == "ID_MUSIC") {
        _copy.mus_vol = position;
        SetVolumes(_copy.mus_vol, _copy.snd_vol);
    } else if (id == "ID_GAMMA") {
        _copy.gamma = position;
        SetGamma(_copy.gamma);
    } else if (id == "ID_MOUSE") {
        _copy.sensitivity = position;
        SetSensitivity(_copy.sensitivity);
    }
}

void COptionsDialog::OnClick(CBaseControl* control)
{
    if (!IsShown() || !control) return;
    if (control->GetId() == "ID_WINDOWED") {
        if (const CMenuCheckBox* box = dynamic_cast<const CMenuCheckBox*>(control)) {
            _copy.windowed = box->IsChecked();
            _windowed_chosen = true;
        }
    } else if (control->GetId() == "ID_BACK") {
        SetResult(orClosed);
    }
}

void COptionsDialog::OnProcessed()
{
    CSlideableBaseDialog::OnProcessed();
    if (_windowed_chosen) return;
    const std::shared_ptr<CMenuCheckBox> box = std::dynamic_pointer_cast<CMenuCheckBox>(FindControl("ID_WINDOWED"));
    if (!box) return;
    const bool windowed = IsWindowedNow();
    box->SetChecked(windowed);
    // The mode the player sees is the one kept: a switch by Alt+Enter is not undone on closing.
    _copy.windowed = windowed;
}

void COptionsDialog::Apply()
{
    SetVolumes(_copy.mus_vol, _copy.snd_vol);
    SetGamma(_copy.gamma);
    SetSensitivity(_copy.sensitivity);
    if (g_EngineCore && _copy.windowed != IsWindowedNow() && !g_EngineCore->ToggleFullscreen()) {
        // A display that cannot switch (no desktop, a driver without full screen) is told once;
        // the chosen mode is still kept, so that the next start opens in it.
        static bool told = false;
        if (!told) GetLog().Error("Error: failed to toggle windowed/fullscreen!");
        told = true;
    }
    // The five values the dialog shows become the program's; the rest of the record (language,
    // button swap, keys, the renderer found) is taken as it is now, not as it was when the dialog
    // opened. A settings file that cannot be written is logged by the settings; the game goes on.
    SettingsRecord record = g_Settings.EnsureLoaded();
    record.snd_vol = _copy.snd_vol;
    record.mus_vol = _copy.mus_vol;
    record.gamma = _copy.gamma;
    record.windowed = _copy.windowed;
    record.sensitivity = _copy.sensitivity;
    g_Settings.Assign(record);
    _windowed_chosen = false;
    _filled = false;
}
