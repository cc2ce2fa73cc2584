#include "game/game_dialogs.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_xml.h"
#include "engine/core/engine_core.h"
#include "engine/particles/engine_pyro2.h"
#include "engine/sound/engine_sound.h"
#include "engine/sound/engine_soundqueue.h"
#include "gui/gui_controls.h"
#include "player/player_prices.h"
#include "player/player_user.h"

#include <algorithm>
#include <exception>
#include <initializer_list>
#include <optional>
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

namespace {

const char* const kEffectNodes[CGameHelpDialog::heCount] = {"OpenEffect", "CloseEffect", "PageBackwardEffect",
                                                           "PageForwardEffect"};

// A sprite of the node's "graphics" child at (x, y), w x h (at least one pixel each way: a sprite of
// no size cannot grow); null without a picture.
std::unique_ptr<CSprite> EffectSprite(const CXMLNode& node, float x, float y, float w, float h)
{
    if (!node.SelectSingleNode("graphics").IsValid()) return nullptr;
    GraphicsDesc desc;
    ReadGraphics(node, desc);
    if (desc.texture.empty()) return nullptr;
    desc.width = std::max(1, int(w));
    desc.height = std::max(1, int(h));
    auto sprite = std::make_unique<CSprite>();
    sprite->Init(x, y, desc);
    sprite->PlayAnimation(0);
    return sprite;
}

void PlaceSprite(CSprite& sprite, float x, float y, float w, float h)
{
    sprite.SetSize(std::max(1.0f, w), std::max(1.0f, h));
    sprite.SetPosition(x, y);
}

} // namespace

HelpEffect::HelpEffect() = default;
HelpEffect::~HelpEffect() = default;

CGameHelpDialog::CGameHelpDialog() = default;
CGameHelpDialog::~CGameHelpDialog() = default;

bool CGameHelpDialog::Load(const CXMLNode& node)
{
    const bool loaded = CBaseDialog::Load(node);
    _pages.reset();
    _section = 0;
    _page_shown = _page_target = 0;
    float max_x = 0.0f, max_y = 0.0f;
    if (!GetBounds(_corner_x, _corner_y, max_x, max_y)) _corner_x = _corner_y = 0.0f;
    LoadEffects(node);
    if (loaded) {
        std::vector<std::string> pages, buttons{"ID_CONTINUE", "ID_EXIT", "ID_FORWARD", "ID_BACKWARD"}, selectors;
        for (int n = 1; n <= kSections; ++n) {
            pages.push_back("ID_PAGES_" + std::to_string(n));
            buttons.push_back("ID_GOTO_" + std::to_string(n));
            selectors.push_back("ID_SELECT_" + std::to_string(n));
        }
        auto report = [this](const std::vector<std::string>& ids, bool is_pages) {
            for (const std::string& id : ids) {
                const CBaseControlPtr c = FindControl(id);
                if (!c) GetLog().Error("Error: control '%s' not found in dialog HelpDialog!", id.c_str());
                else if (is_pages && !std::dynamic_pointer_cast<CMenuPageControl>(c))
                    GetLog().Error("Error: control '%s' has different type!", id.c_str());
            }
        };
        report(pages, true);
        report(buttons, false);
        report(selectors, false);
    }
    return loaded;
}

void CGameHelpDialog::LoadEffects(const CXMLNode& node)
{
    for (int i = 0; i < heCount; ++i) {
        HelpEffect& e = _effects[i];
        e.sprite.reset();
        e.pyro.reset();
        e.running = false;
        const CXMLNode n = node.SelectSingleNode(kEffectNodes[i]);
        if (!n.IsValid()) {
            if (node.IsValid()) GetLog().Warning("Warning: the help dialog has no %s; it goes without one.", kEffectNodes[i]);
            continue;
        }
        if (i == heOpen || i == heClose) {
            e.start_x = n.GetFloatAttribute("start_x", 0.0f);
            e.start_y = n.GetFloatAttribute("start_y", 0.0f);
            e.end_x = n.GetFloatAttribute("end_x", 0.0f);
            e.end_y = n.GetFloatAttribute("end_y", 0.0f);
            e.start_size_x = n.GetFloatAttribute("start_size_x", 0.0f);
            e.start_size_y = n.GetFloatAttribute("start_size_y", 0.0f);
            e.end_size_x = n.GetFloatAttribute("end_size_x", 0.0f);
            e.end_size_y = n.GetFloatAttribute("end_size_y", 0.0f);
            e.sprite = EffectSprite(n, e.start_x, e.start_y, e.start_size_x, e.start_size_y);
        } else {
            // The page-turn sprite has the size it is scaled to, in whole pixels.
            e.scale_to_x = float(int(n.GetFloatAttribute("scale_to_x", 0.0f)));
            e.scale_to_y = float(int(n.GetFloatAttribute("scale_to_y", 0.0f)));
            e.offset_x = n.GetFloatAttribute("offset_x", 0.0f);
            e.offset_y = n.GetFloatAttribute("offset_y", 0.0f);
            e.sprite = EffectSprite(n, _corner_x + e.offset_x, _corner_y + e.offset_y, e.scale_to_x, e.scale_to_y);
            const CXMLNode pyro = n.SelectSingleNode("pyro");
            e.emitter = pyro.GetAttribute("alias", "");
            e.emitter_x = pyro.GetFloatAttribute("offset_x", 0.0f);
            e.emitter_y = pyro.GetFloatAttribute("offset_y", 0.0f);
            e.speed_x = pyro.GetFloatAttribute("speed_x", 0.0f);
            e.speed_y = pyro.GetFloatAttribute("speed_y", 0.0f);
            e.sound = n.SelectSingleNode("sound").GetAttribute("alias", "");
            e.pyro = std::make_unique<CPyro2>();
        }
    }
}

void CGameHelpDialog::ClearControls()
{
    CBaseDialog::ClearControls();
    _pages.reset();
}

void CGameHelpDialog::StartTransitionEffect(EEffect which)
{
    StopTransitionEffects();
    HelpEffect& e = _effects[which];
    if (!e.sprite) return;
    e.x = e.start_x;
    e.y = e.start_y;
    e.size_x = e.start_size_x;
    e.size_y = e.start_size_y;
    PlaceSprite(*e.sprite, e.x, e.y, e.size_x, e.size_y);
    // A picture without frames has no pass to wait for: the transition completes at once.
    if (!e.sprite->PlayAnimation(1)) return;
    const float frames = float(std::max(1, e.sprite->GetAnimation().GetTotalDelay()));
    e.step_x = (e.end_x - e.start_x) / frames;
    e.step_y = (e.end_y - e.start_y) / frames;
    e.step_size_x = (e.end_size_x - e.start_size_x) / frames;
    e.step_size_y = (e.end_size_y - e.start_size_y) / frames;
    e.running = true;
    SetStateBits(dsRenderListHidden, true);
}

void CGameHelpDialog::StopTransitionEffects()
{
    for (EEffect which : {heOpen, heClose}) {
        HelpEffect& e = _effects[which];
        e.running = false;
        if (e.sprite) e.sprite->PlayAnimation(0);
    }
    SetStateBits(dsRenderListHidden, false);
}

void CGameHelpDialog::StopPageEffects()
{
    for (EEffect which : {hePageBackward, hePageForward}) {
        HelpEffect& e = _effects[which];
        if (e.sprite) e.sprite->PlayAnimation(0);
        if (e.pyro) e.pyro->Clear();
    }
}

void CGameHelpDialog::OnShow(bool immediate)
{
    if (immediate) StopTransitionEffects();
    else StartTransitionEffect(heOpen);
    SelectSection(1);
    StopPageEffects();
}

void CGameHelpDialog::OnHide(bool immediate)
{
    if (immediate) StopTransitionEffects();
    else StartTransitionEffect(heClose);
    SelectSection(1);
    StopPageEffects();
}

void CGameHelpDialog::UpdateTransition()
{
    HelpEffect* effect = nullptr;
    for (EEffect which : {heOpen, heClose})
        if (_effects[which].running) effect = &_effects[which];
    if (!(GetState() & (dsOpening | dsClosing))) {
        // Nothing to complete: an effect left over from a transition that another request cut short.
        if (effect) StopTransitionEffects();
        return;
    }
    if (effect && effect->IsPlaying()) {
        effect->x += effect->step_x;
        effect->y += effect->step_y;
        effect->size_x += effect->step_size_x;
        effect->size_y += effect->step_size_y;
        PlaceSprite(*effect->sprite, effect->x, effect->y, effect->size_x, effect->size_y);
        return;
    }
    StopTransitionEffects();
    FinishTransition();
}

void CGameHelpDialog::OnDraw()
{
    for (EEffect which : {heOpen, heClose})
        if (_effects[which].running) _effects[which].sprite->Draw();
    for (EEffect which : {hePageBackward, hePageForward}) {
        HelpEffect& e = _effects[which];
        if (e.IsPlaying()) e.sprite->Draw();
        if (e.pyro && e.pyro->HasEmitters()) {
            e.pyro->Move(e.speed_x, e.speed_y);
            e.pyro->Render();
        }
    }
}

void CGameHelpDialog::OnDrawEnd()
{
    if (IsTurning() && !_effects[hePageBackward].IsPlaying() && !_effects[hePageForward].IsPlaying()) ApplyPage();
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
        if (n == section) _pages = std::dynamic_pointer_cast<CMenuPageControl>(pages);
        if (const CBaseControlPtr selector = FindControl("ID_SELECT_" + number)) selector->SetVisible(n == section);
    }
    SetPage(GetDefaultPage(section), true);
}

std::optional<int> CGameHelpDialog::GetSectionLimit(int section) const
{
    if (section == 2) {
        const CPromotions& promotions = GetPromotions();
        const int title = g_User.GetTitleIndex();
        return title >= 0 && title < promotions.GetCount() ? promotions.GetHelpLimit(title) : 1;
    }
    if ((section != 1 && section != 3) || !_epoch_help) return std::nullopt;
    EpochHelp help;
    if (!_epoch_help(g_User.GetEpoch(), help)) return 1;
    return section == 1 ? help.limit_01 : help.limit_03;
}

int CGameHelpDialog::GetDefaultPage(int section) const
{
    if (section == 2) {
        const CPromotions& promotions = GetPromotions();
        const int title = g_User.GetTitleIndex();
        return title >= 0 && title < promotions.GetCount() ? promotions.GetHelpDefaultPage(title) : 0;
    }
    if ((section != 1 && section != 3) || !_epoch_help) return 0;
    EpochHelp help;
    if (!_epoch_help(g_User.GetEpoch(), help)) return 1;
    return section == 1 ? help.default_page_01 : help.default_page_03;
}

int CGameHelpDialog::GetPageCount() const
{
    // A section always has a page to show, even when its control holds none or the player's
    // progress allows none.
    const int count = _pages ? std::max(1, int(_pages->GetPages().size())) : 1;
    const std::optional<int> limit = GetSectionLimit(_section);
    return limit ? std::min(count, std::max(1, *limit)) : count;
}

void CGameHelpDialog::SetPage(int index, bool immediate)
{
    const int count = GetPageCount();
    index = std::clamp(index, 0, count - 1);
    if (const CBaseControlPtr forward = FindControl("ID_FORWARD")) forward->SetEnabled(index < count - 1);
    if (const CBaseControlPtr backward = FindControl("ID_BACKWARD")) backward->SetEnabled(index > 0);
    _page_target = index;
    if (immediate) {
        // A page switched at once leaves no turn to show over it.
        StopPageEffects();
        ApplyPage();
    } else if (index > _page_shown) PlayPageEffect(hePageForward);
    else if (index < _page_shown) PlayPageEffect(hePageBackward);
}

void CGameHelpDialog::PlayPageEffect(EEffect which)
{
    HelpEffect& e = _effects[which];
    if (e.sprite) e.sprite->PlayAnimation(1);
    if (e.pyro) {
        e.pyro->Clear();
        if (!e.emitter.empty()) e.pyro->AddEmitter(e.emitter, _corner_x + e.emitter_x, _corner_y + e.emitter_y);
    }
    if (!e.sound.empty()) g_SoundQueue.QueueSound(e.sound);
}

void CGameHelpDialog::ApplyPage()
{
    if (_pages && size_t(_page_target) < _pages->GetPages().size()) _pages->SetPage(size_t(_page_target));
    for (EEffect which : {hePageBackward, hePageForward})
        if (_effects[which].pyro) _effects[which].pyro->Clear();
    _page_shown = _page_target;
}

void CGameHelpDialog::OnClick(CBaseControl* control)
{
    if (!IsShown()) return;
    const std::string id = Id(control);
    if (id == "ID_CONTINUE") SetResult(hrContinue);
    else if (id == "ID_EXIT") SetResult(hrExit);
    else if (id == "ID_FORWARD" && !IsTurning()) SetPage(_page_shown + 1, false);
    else if (id == "ID_BACKWARD" && !IsTurning()) SetPage(_page_shown - 1, false);
    else if (id.rfind("ID_GOTO_", 0) == 0 && id.size() == 9 && id[8] >= '1' && id[8] <= '0' + kSections)
        SelectSection(id[8] - '0');
}

