#include "menu/menu_continue.h"

#include "city/city_model.h"
#include "city/city_scene.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_xml.h"
#include "engine/text/engine_langtext.h"
#include "gui/gui_controls.h"
#include "player/player_user.h"

namespace {

// Alpha of the dialog darkened under the question, and the fader's step per frame.
constexpr int kDimmedAlpha = 64;
constexpr int kFaderStep = 4;
// What "ID_EPOCH" names once every epoch is built: the city has no epoch of that number.
const char* const kAllBuiltLabel = "Continue_all_built";

std::string Id(const CBaseControl* control) { return control ? control->GetId() : std::string(); }

CXMLNode Child(const CXMLNode& root, const char* name)
{
    const CXMLNode node = root.IsValid() ? root.SelectSingleNode(name) : CXMLNode();
    if (!node.IsValid()) GetLog().Error("Error: the menu dialogs have no %s node.", name);
    return node;
}

template <class T>
void ReportMissing(const CBaseDialog& dialog, const char* dialog_name, std::initializer_list<const char*> ids)
{
    for (const char* id : ids) {
        if (std::dynamic_pointer_cast<T>(dialog.FindControl(id))) continue;
        if (dialog.FindControl(id)) GetLog().Error("Error: control '%s' has different type!", id);
        else GetLog().Error("Error: control '%s' not found in dialog %s!", id, dialog_name);
    }
}

} // namespace

std::string GetEpochTitle(const CUser& user, const CCity& city)
{
    const int epoch = user.GetEpoch() + (city.IsAllComplete() ? 1 : 0);
    const CityEpoch* record = city.FindEpoch(epoch);
    return record ? record->title : std::string();
}

bool CContinueGameDialog::Load(const CXMLNode& root)
{
    const CXMLNode dialog = Child(root, "ContinueGameDialog");
    const CXMLNode question = Child(root, "NewGameConfirmationDialog");
    const bool loaded = CSlideableBaseDialog::Load(dialog);
    const bool question_loaded = _confirmation.Load(question);
    if (loaded) ReportMissing<CMenuButton>(*this, "ContinueGameDialog", {"ID_CONTINUE", "ID_NEW_GAME", "ID_BACK_TO_MENU"});
    if (question_loaded) ReportMissing<CMenuButton>(_confirmation, "NewGameConfirmationDialog", {"ID_YES", "ID_NO"});
    _fader.Init(kFaderStep);
    _mode = cmNone;
    return loaded && question_loaded;
}

void CContinueGameDialog::ClearControls()
{
    CSlideableBaseDialog::ClearControls();
    _confirmation.ClearControls();
}

std::string CContinueGameDialog::GetShownEpochTitle() const
{
    const CCity& city = _city ? *_city : GetCityScene().GetCity();
    std::string title = GetEpochTitle(g_User, city);
    // A game with every epoch built is past the last epoch: say so rather than name nothing.
    if (title.empty()) title = CTextKeeper::Instance().GetLabel(kAllBuiltLabel).text;
    return title;
}

void CContinueGameDialog::OnShow(bool immediate)
{
    CSlideableBaseDialog::OnShow(immediate);
    _confirmation.HideImmediately();
    _confirmation.SetResult(0);
    // Clear at once: a fade from 0 to 0 ends on its first step and hides the square.
    if (_fader.GetSprite()) _fader.StartFadeIn(0, 0);
    _mode = cmNone;
    if (auto epoch = std::dynamic_pointer_cast<CMenuLabel>(FindControl("ID_EPOCH")))
        epoch->SetParam(CParamValue(GetShownEpochTitle()));
}

void CContinueGameDialog::OnClick(CBaseControl* control)
{
    if (!IsShown()) return;
    const std::string id = Id(control);
    if (id == "ID_CONTINUE") {
        SetResult(cgrContinue);
    } else if (id == "ID_NEW_GAME") {
        if (_fader.GetSprite()) _fader.FadeOutTo(kDimmedAlpha);
        SetModal(false);
        _confirmation.ShowModal();
        _mode = cmConfirmation;
    } else if (id == "ID_BACK_TO_MENU") {
        SetResult(cgrBack);
    }
}

void CContinueGameDialog::CloseConfirmation()
{
    if (_fader.GetSprite()) _fader.FadeInTo(0);
    SetModal(true);
    _confirmation.Hide();
    _mode = cmNone;
}

void CContinueGameDialog::OnAfterProcess()
{
    _fader.Draw();
    _confirmation.Process();
    if (_mode != cmConfirmation) return;
    const int answer = _confirmation.GetResult();
    _confirmation.SetResult(0);
    if (answer == crYes) {
        CloseConfirmation();
        SetResult(cgrNewGame);
    } else if (answer == crNo) {
        CloseConfirmation();
    }
}

bool CContinueGameDialog::CanClose() const
{
    switch (_mode) {
    case cmNone: return !_confirmation.IsVisible();
    case cmConfirmation: return _confirmation.IsShown();
    default: return true;
    }
}
