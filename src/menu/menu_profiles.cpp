#include "menu/menu_profiles.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_xml.h"
#include "player/player_profiles.h"
#include "player/player_scenes.h"
#include "player/player_slot.h"
#include "player/player_user.h"

#include <stdexcept>

namespace {

// The parent dims itself to this alpha while a child dialog is up.
constexpr int kDimAlpha = 64;

// A child slides out when it can; one still sliding in, or a hide at once, takes it away at once
// (its parent no longer runs it, so it would never finish sliding).
void HideChild(CBaseDialog& child, bool immediate)
{
    if (!immediate && child.IsShown()) child.Hide();
    else child.HideImmediately();
}

// Stores the user's game in its profile and writes "Profiles.xml", while that profile exists.
void StoreUserWhileProfileExists(CUser& user)
{
    if (user.Empty()) return;
    if (!g_Profiles.HasProfile(user.GetName())) {
        GetLog().Message("Profile \"%s\" no longer exists: its game is not stored.", user.GetName().c_str());
        return;
    }
    user.SaveToProfile(kCurrentGameSlot);
    g_Profiles.Save();   // a failed write is logged; the game goes on with the profiles in memory
}

void BecomeActiveProfile(CUser& user)
{
    user.LoadFromProfile(g_Profiles.GetProfile(g_Profiles.GetActiveName()), kCurrentGameSlot);
    RefreshUserInScenes(user);
    SyncScenesWithUser(user);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// CCreateProfileDialog

std::shared_ptr<CMenuEdit> CCreateProfileDialog::Edit() const
{
    return std::dynamic_pointer_cast<CMenuEdit>(FindControl("ID_USER_NAME"));
}

void CCreateProfileDialog::OnShow(bool immediate)
{
    CSlideableBaseDialog::OnShow(immediate);
    if (const std::shared_ptr<CMenuEdit> edit = Edit()) {
        edit->Clear();
        edit->SetFocus(true);
    }
    _name.clear();
}

bool CCreateProfileDialog::TakeName()
{
    const std::shared_ptr<CMenuEdit> edit = Edit();
    _name = edit ? edit->GetText() : std::string();
    return !_name.empty();
}

void CCreateProfileDialog::OnClick(CBaseControl* control)
{
    if (!IsShown() || !control) return;
    if (control->GetId() == "ID_BACK") {
        _name.clear();
        SetResult(cprBack);
    } else if (control->GetId() == "ID_OK") {
        if (TakeName()) SetResult(cprName);
    }
}

void CCreateProfileDialog::OnProcessed()
{
    CSlideableBaseDialog::OnProcessed();
    if (!IsShown()) return;
    const std::shared_ptr<CMenuEdit> edit = Edit();
    if (!edit || edit->IsFocused()) return;
    // Enter took the focus away: a name is taken once, an empty one is not; either way the caret
    // comes back, so that the result is not raised again on every frame.
    if (TakeName()) SetResult(cprName);
    edit->SetFocus(true);
}

// ---------------------------------------------------------------------------------------------
// CFailCreateProfileDialog

void CFailCreateProfileDialog::OnClick(CBaseControl* control)
{
    if (IsShown() && control && control->GetId() == "ID_OK") SetResult(fcprOk);
}

// ---------------------------------------------------------------------------------------------
// CProfilesDialog

bool CProfilesDialog::Load(const CXMLNode& root)
{
    bool loaded = CSlideableBaseDialog::Load(root.SelectSingleNode("ProfilesDialog"));
    // The list is what the dialog is about: a layout without it fails here, not when it opens.
    if (loaded) GetControl<CMenuListBox>("ID_PROF_LIST");
    else GetLog().Error("Error: dialog node '%s' not found!", "ProfilesDialog");
    const struct {
        CSlideableBaseDialog& dialog;
        const char* node;
    } children[] = {{_create, "ProfileCreateDialog"},
                    {_false_name, "FalseUserNameDialog"},
                    {_confirm, "ProfileDeleteConfirmationDialog"}};
    for (const auto& child : children) {
        if (!child.dialog.Load(root.SelectSingleNode(child.node))) {
            GetLog().Error("Error: dialog node '%s' not found!", child.node);
            loaded = false;
        }
    }
    _fader.Init(4);
    _names.clear();
    _selected = 0;
    _mode = pmNone;
    return loaded;
}

void CProfilesDialog::OnShow(bool immediate)
{
    CSlideableBaseDialog::OnShow(immediate);
    _create.HideImmediately();
    _false_name.HideImmediately();
    _confirm.HideImmediately();
    Refresh();
    if (_fader.GetSprite()) _fader.StartFadeIn(0, 0);
    _mode = pmNone;
}

void CProfilesDialog::OnHide(bool immediate)
{
    CSlideableBaseDialog::OnHide(immediate);
    HideChild(_create, immediate);
    HideChild(_false_name, immediate);
    HideChild(_confirm, immediate);
}

void CProfilesDialog::Choose(const std::string& name)
{
    if (!g_Profiles.SetActive(name)) {
        GetLog().Error("Error: profile \"%s\" not found!", name.c_str());
        return;
    }
    SetResult(prChosen);
}

void CProfilesDialog::OnClick(CBaseControl* control)
{
    if (!IsShown() || !control) return;
    const std::string& id = control->GetId();
    if (id == "ID_BACK") {
        if (!_names.empty()) SetResult(prBack);
    } else if (id == "ID_OK") {
        if (HasRow()) Choose(g_Profiles.GetProfileName(int(_selected)));
    } else if (id == "ID_ADD") {
        OpenChild(_create, pmCreate);
    } else if (id == "ID_DELETE") {
        if (HasRow()) OpenChild(_confirm, pmDelete);
    }
}

void CProfilesDialog::OnSelect(CBaseControl* control, int index)
{
    if (!control || control->GetId() != "ID_PROF_LIST") return;
    _selected = index < 0 ? unsigned(_names.size()) : unsigned(index);
    if (const CBaseControlPtr ok = FindControl("ID_OK")) ok->SetEnabled(HasRow());
}

void CProfilesDialog::OnItemActivate(CBaseControl* control, int index)
{
    if (!IsShown() || !control || control->GetId() != "ID_PROF_LIST") return;
    if (index < 0 || size_t(index) >= _names.size()) return;
    Choose(g_Profiles.GetProfileName(index));
}

void CProfilesDialog::OpenChild(CBaseDialog& child, int mode)
{
    _fader.FadeOutTo(kDimAlpha);
    SetModal(false);
    child.ShowModal();
    _mode = mode;
}

void CProfilesDialog::CloseChild(CBaseDialog& child)
{
    _fader.FadeInTo(0);
    child.Hide();
    SetModal(true);
    _mode = pmNone;
}

void CProfilesDialog::OnAfterProcess()
{
    _fader.Draw();
    _create.Process();
    _false_name.Process();
    _confirm.Process();

    switch (_mode) {
    case pmCreate: {
        const int result = _create.GetResult();
        _create.SetResult(0);
        if (result == cprName) {
            const std::string& name = _create.GetName();
            if (g_Profiles.AddProfile(name)) {
                g_Profiles.SetActive(name);
                // The new profile is kept at once, not only with the next game saved.
                g_Profiles.Save();
                Refresh();
                _fader.FadeInTo(0);
                _create.Hide();
                _mode = pmNone;
                SetResult(prChosen);
            } else {
                GetLog().Message("Profile name \"%s\" is taken or not allowed.", name.c_str());
                _create.Hide();
                _false_name.ShowModal();
                _mode = pmFalseName;
            }
        } else if (result == cprBack) {
            CloseChild(_create);
        }
        break;
    }
    case pmFalseName:
        if (_false_name.GetResult() == fcprOk) {
            _false_name.SetResult(0);
            _false_name.Hide();
            _create.ShowModal();   // with the edit cleared
            _mode = pmCreate;
        }
        break;
    case pmDelete: {
        const int result = _confirm.GetResult();
        _confirm.SetResult(0);
        if (result == crYes) {
            const std::string name = g_Profiles.GetProfileName(int(_selected));
            // Deleting the active profile makes the first remaining one active.
            if (g_Profiles.DeleteProfile(name)) g_Profiles.Save();
            Refresh();
            CloseChild(_confirm);
        } else if (result == crNo) {
            CloseChild(_confirm);
        }
        break;
    }
    default:
        break;
    }
}

void CProfilesDialog::ClearControls()
{
    CSlideableBaseDialog::ClearControls();
    _create.ClearControls();
    _false_name.ClearControls();
    _confirm.ClearControls();
    _names.clear();
    _selected = 0;
}

bool CProfilesDialog::CanClose() const
{
    if (_names.empty()) return false;
    switch (_mode) {
    case pmNone:
        return !_create.IsVisible() && !_false_name.IsVisible() && !_confirm.IsVisible();
    case pmCreate:
        return _create.IsShown();
    case pmFalseName:
        return _false_name.IsShown();
    case pmDelete:
        return _confirm.IsShown();
    default:
        return true;
    }
}

void CProfilesDialog::Refresh()
{
    g_Profiles.GetNames(_names);
    const std::shared_ptr<CMenuListBox> list = GetControl<CMenuListBox>("ID_PROF_LIST");
    std::vector<CMenuListBox::Item> items;
    items.reserve(_names.size());
    for (const std::string& name : _names) items.push_back(CMenuListBox::Item{name, false});
    list->SetItems(items);
    _selected = _names.empty() ? 0u : unsigned(list->GetSelected());
    for (size_t i = 0; i < _names.size(); ++i) {
        if (_names[i] == g_Profiles.GetActiveName()) {
            list->SelectItem(int(i));   // reports the row through OnSelect
            _selected = unsigned(i);
            break;
        }
    }
    const bool any = !_names.empty();
    for (const char* id : {"ID_BACK", "ID_OK"})
        if (const CBaseControlPtr button = FindControl(id)) button->SetEnabled(any);
}

// ---------------------------------------------------------------------------------------------
// The switch of the live user

void SelectActiveProfile(CUser& user)
{
    VERIFY(g_Profiles.HasActive());
    if (user.GetName() == g_Profiles.GetActiveName()) return;
    StoreUserWhileProfileExists(user);
    BecomeActiveProfile(user);
}

bool CreateFirstProfile(CUser& user, const std::string& name)
{
    // A profile stored under the same name apart from case is the one meant.
    std::string stored = name;
    if (!g_Profiles.HasProfile(stored)) {
        for (const auto& [existing, profile] : g_Profiles.GetProfiles())
            if (SameProfileName(existing, name)) stored = existing;
    }
    const bool created = !g_Profiles.HasProfile(stored);
    if (created && !IsValidProfileName(stored)) {
        GetLog().Error("Error: \"%s\" cannot be a profile name.", name.c_str());
        return false;
    }
    StoreUserWhileProfileExists(user);
    if (created) g_Profiles.AddProfile(stored);
    g_Profiles.SetActive(stored);
    g_Profiles.Save();
    BecomeActiveProfile(user);
    return true;
}
