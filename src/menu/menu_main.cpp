#include "menu/menu_main.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_xml.h"
#include "gui/gui_controls.h"

#include <algorithm>
#include <exception>

namespace {

// The boards slide at 5 pixels a frame; the medal comes in at 2.
constexpr float kBoardSpeed = 5.0f;
constexpr float kMedalInSpeed = 2.0f;
constexpr float kMedalOutSpeed = 5.0f;
// How far above (top board, medal) or below (bottom board) their places the parts wait.
constexpr float kPartDistance = 200.0f;

std::string Id(const CBaseControl* control) { return control ? control->GetId() : std::string(); }

// The node's child, with a log line when the layout lacks it.
CXMLNode Child(const CXMLNode& root, const char* name)
{
    const CXMLNode node = root.IsValid() ? root.SelectSingleNode(name) : CXMLNode();
    if (!node.IsValid()) GetLog().Error("Error: the menu dialogs have no %s node.", name);
    return node;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// CMenuDialog

bool CMenuDialog::Load(const CXMLNode& node)
{
    const bool loaded = CSlideableBaseDialog::Load(node);
    CSlideableBaseDialog::SetSlide(0.0f, 0.0f, 0.0f, 100.0f, kBoardSpeed);
    SetSounds("panel_up", "panel_down");
    VERIFY_SOFT(_indicators.empty());
    _indicators.clear();
    if (node.IsValid()) {
        const CXMLNodeList list = node.SelectNodes("Indicators/Indicator");
        for (int i = 0; i < list.GetLength(); ++i) {
            auto indicator = std::make_shared<CGameIndicator>();
            try {
                indicator->Load(list.GetItem(i));
            } catch (const std::exception& e) {
                // A board shows the indicators it can; the one that cannot be read is left out.
                GetLog().Error("Error: indicator %d of the menu board skipped (%s).", i, e.what());
                continue;
            }
            _indicators.push_back(indicator);
        }
    }
    _clicked = nullptr;
    return loaded;
}

void CMenuDialog::SetSlide(float away_x, float away_y, float rest_x, float rest_y)
{
    CSlideableBaseDialog::SetSlide(away_x, away_y, rest_x, rest_y, kBoardSpeed);
}

void CMenuDialog::OnClick(CBaseControl* control)
{
    if (!IsShown()) return;
    _clicked = control;
    SetResult(1);
}

void CMenuDialog::OnDraw()
{
    for (const auto& indicator : _indicators) indicator->Draw();
}

void CMenuDialog::ClearControls()
{
    _clicked = nullptr;
    CSlideableBaseDialog::ClearControls();
    _indicators.clear();
}

// ---------------------------------------------------------------------------------------------
// CVictoryDialog

bool CVictoryDialog::Load(const CXMLNode& node)
{
    const bool loaded = CSlideableBaseDialog::Load(node);
    SetSlide(0.0f, 0.0f, 0.0f, kPartDistance, kMedalInSpeed);
    SetSounds("panel_up", "panel_down");
    _clicked = nullptr;
    return loaded;
}

void CVictoryDialog::OnClick(CBaseControl* control)
{
    if (!IsShown()) return;
    _clicked = control;
    SetResult(1);
}

void CVictoryDialog::Show()
{
    if (!IsVisible()) SetSlide(0.0f, 0.0f, 0.0f, kPartDistance, kMedalInSpeed);
    CSlideableBaseDialog::Show();
}

void CVictoryDialog::Hide()
{
    if (IsShown()) SetSlide(0.0f, 0.0f, 0.0f, kPartDistance, kMedalOutSpeed);
    CSlideableBaseDialog::Hide();
}

// ---------------------------------------------------------------------------------------------
// CMainDialog

bool CMainDialog::Load(const CXMLNode& root)
{
    _user_icon.reset();
    const bool main = CBaseDialog::Load(Child(root, "MenuMainDialog"));
    const bool best = _best_city.Load(Child(root, "BestCityDialog"));
    const bool top = _top.Load(Child(root, "MenuMainTopDialog"));
    _top.SetSlide(0.0f, 0.0f, 0.0f, kPartDistance);
    const bool bottom = _bottom.Load(Child(root, "MenuMainBottomDialog"));
    _bottom.SetSlide(0.0f, 0.0f, 0.0f, -kPartDistance);
    _user_icon = std::dynamic_pointer_cast<CMenuImage>(FindControl("ID_USER_ICON"));
    return main && best && top && bottom;
}

void CMainDialog::OnClick(CBaseControl* control)
{
    const std::string id = Id(control);
    if (id == "ID_START") SetResult(mdrStart);
    else if (id == "ID_OPTIONS") SetResult(mdrOptions);
    else if (id == "ID_EXIT") SetResult(mdrExit);
    else if (id == "ID_SELECT_PROFILE") SetResult(mdrProfile);
    else if (id == "ID_RELAX") SetResult(mdrRelax);
    else if (id == "ID_SILVER" || id == "ID_GOLD") SetResult(mdrBestCity);
}

bool CMainDialog::BestCityActive() const { return _has_best_city || _best_city.IsVisible(); }

void CMainDialog::OnDraw()
{
    // The parts are run by the main dialog's frame: each one's own input, move and drawing.
    if (BestCityActive()) _best_city.Process();
    _top.Process();
    _bottom.Process();
    ForwardClicks();
}

void CMainDialog::OnProcessInput() { ForwardClicks(); }

void CMainDialog::ForwardClicks()
{
    // A click a part recorded in its frame reaches the menu as the main dialog's result for that
    // control, in the same frame.
    CSlideableBaseDialog* parts[] = {&_best_city, &_top, &_bottom};
    for (CSlideableBaseDialog* part : parts) {
        if (part == &_best_city && !BestCityActive()) continue;
        if (part->GetResult() != 1) continue;
        part->SetResult(0);
        CBaseControl* clicked = part == &_best_city ? _best_city.GetClickedControl()
                                                    : static_cast<CMenuDialog*>(part)->GetClickedControl();
        OnClick(clicked);
    }
}

void CMainDialog::ClearControls()
{
    _user_icon.reset();
    CBaseDialog::ClearControls();
    _best_city.ClearControls();
    _top.ClearControls();
    _bottom.ClearControls();
}

void CMainDialog::SetModal(bool modal)
{
    CBaseDialog::SetModal(modal);
    _best_city.SetModal(modal && _has_best_city);
    _top.SetModal(modal);
    _bottom.SetModal(modal);
}

void CMainDialog::OnProcessed()
{
    // The parts queue their own slide sounds in their frames (run from OnDraw).
}

bool CMainDialog::IsMouseOver() const
{
    if (!AreAllPartsShown()) return false;
    return CBaseDialog::IsMouseOver() || _top.IsMouseOver() || _bottom.IsMouseOver();
}

void CMainDialog::ShowBestCityPart()
{
    if (_has_best_city) {
        _best_city.Show();
        return;
    }
    // A medal still coming in (the player changed meanwhile) would otherwise arrive and stay.
    if (_best_city.GetState() & dsOpening) _best_city.ShowImmediately();
    _best_city.Hide();
}

void CMainDialog::ShowAll()
{
    Show();
    ShowBestCityPart();
    _top.Show();
    _bottom.Show();
}

void CMainDialog::ShowAllImmediately()
{
    ShowImmediately();
    ShowBestCityPart();
    _top.ShowImmediately();
    _bottom.ShowImmediately();
}

void CMainDialog::HideParts()
{
    if (_best_city.GetState() & dsOpening) _best_city.ShowImmediately();
    _best_city.Hide();
    _top.Hide();
    _bottom.Hide();
}

void CMainDialog::HideAllImmediately()
{
    Hide();
    _best_city.HideImmediately();
    _top.HideImmediately();
    _bottom.HideImmediately();
}

bool CMainDialog::AreAllPartsShown() const { return IsShown() && _top.IsShown() && _bottom.IsShown(); }

bool CMainDialog::IsUserIconHovered() const { return AreAllPartsShown() && _user_icon && _user_icon->IsMouseOver(); }

void CMainDialog::ShowProfileName(const std::string& name)
{
    auto button = std::dynamic_pointer_cast<CMenuButton>(FindControl("ID_SELECT_PROFILE"));
    if (button && button->HasCaption()) button->GetCaption().SetParam(name);
}

void CMainDialog::ShowMedal(int value)
{
    if (value == kMedalNone) {
        _has_best_city = false;
        return;
    }
    if (value != kMedalSilver && value != kMedalGold) return;
    const auto silver = _best_city.GetControl<CMenuButton>("ID_SILVER");
    const auto gold = _best_city.GetControl<CMenuButton>("ID_GOLD");
    _has_best_city = true;
    silver->SetVisible(value == kMedalSilver);
    gold->SetVisible(value == kMedalGold);
}

// ---------------------------------------------------------------------------------------------
// CUserTitleHelpDialog

void CUserTitleHelpDialog::ShowPage(int page)
{
    if (page <= 0) {
        HideImmediately();
        return;
    }
    auto pages = std::dynamic_pointer_cast<CMenuPageControl>(FindControl("ID_PAGES"));
    if (!pages) return;
    const int count = int(pages->GetPages().size());
    if (count > 0) pages->SetPage(size_t(std::min(page, count - 1)));
    if (!IsShown()) ShowImmediately();
}
