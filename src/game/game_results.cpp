#include "game/game_results.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_xml.h"
#include "engine/core/engine_input.h"
#include "engine/sound/engine_soundqueue.h"
#include "gui/gui_controls.h"
#include "player/player_gamevalues.h"
#include "player/player_resources.h"
#include "player/player_user.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <limits>
#include <list>

namespace {

std::string Id(const CBaseControl* control) { return control ? control->GetId() : std::string(); }

// A mouse button or a key went down this frame.
bool AnyPress()
{
    return (g_Mouse && g_Mouse->IsAnyButtonPressed()) || (g_Keyboard && g_Keyboard->IsAnyKeyPressed());
}

void SetVisible(const CBaseDialog& dialog, const char* id, bool visible)
{
    if (const CBaseControlPtr control = dialog.FindControl(id)) control->SetVisible(visible);
}

// A sum of two amounts of a level, held within an int.
int AddAmounts(int32_t a, int32_t b)
{
    const int64_t sum = int64_t(a) + int64_t(b);
    return int(std::clamp<int64_t>(sum, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

int AmountOf(const std::map<int32_t, int32_t>& amounts, int type)
{
    const auto it = amounts.find(type);
    return it == amounts.end() ? 0 : it->second;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// CResultDialogBase

CResultDialogBase::CResultDialogBase() = default;
CResultDialogBase::~CResultDialogBase() = default;

bool CResultDialogBase::Load(const CXMLNode& node)
{
    const bool loaded = CSlideableBaseDialog::Load(node);
    VERIFY_SOFT(_indicators.empty());
    _indicators.clear();
    if (!loaded) {
        GetLog().Error("Error: the dialogs have no %s node.", GetName());
        return false;
    }
    const CXMLNodeList list = node.SelectNodes("Indicator");
    for (int i = 0; i < list.GetLength(); ++i) {
        auto indicator = std::make_shared<CGameIndicator>();
        try {
            indicator->Load(list.GetItem(i));
        } catch (const std::exception& e) {
            // An indicator bound to a value the game does not have is left out; the dialog works.
            GetLog().Error("Error: indicator %d of %s skipped (%s).", i, GetName(), e.what());
            continue;
        }
        _indicators.push_back(indicator);
    }
    return true;
}

void CResultDialogBase::ClearControls()
{
    CSlideableBaseDialog::ClearControls();
    _indicators.clear();
}

void CResultDialogBase::OnDraw()
{
    for (const auto& indicator : _indicators) indicator->Draw();
}

template <class T>
bool CResultDialogBase::CheckControls(std::initializer_list<const char*> ids) const
{
    bool all = true;
    for (const char* id : ids) {
        const CBaseControlPtr control = FindControl(id);
        if (control && std::dynamic_pointer_cast<T>(control)) continue;
        all = false;
        if (control) GetLog().Error("Error: control '%s' has different type!", id);
        else GetLog().Error("Error: control '%s' not found in dialog %s!", id, GetName());
    }
    return all;
}

std::shared_ptr<CMenuLabel> CResultDialogBase::Label(const std::string& id) const
{
    return std::dynamic_pointer_cast<CMenuLabel>(FindControl(id));
}

// ---------------------------------------------------------------------------------------------
// CWinderGroups

ScoreWinder::CGroup& CWinderGroups::Add()
{
    _groups.push_back(std::make_shared<ScoreWinder::CGroup>());
    return *_groups.back();
}

void CWinderGroups::Step()
{
    for (const auto& group : _groups) group->Step();
}

void CWinderGroups::StartAll()
{
    for (const auto& group : _groups) group->StartAll();
}

void CWinderGroups::Chain(bool skip)
{
    for (size_t i = 0; i + 1 < _groups.size(); ++i) {
        const ScoreWinder::CGroup& group = *_groups[i];
        ScoreWinder::CGroup& next = *_groups[i + 1];
        if (group.IsStarted() && group.IsDone() && !next.IsStarted()) next.StartAll();
    }
    if (skip) StartAll();
}

// ---------------------------------------------------------------------------------------------
// CStatisticsDialog

bool CStatisticsDialog::Load(const CXMLNode& node)
{
    _groups.Clear();
    if (!CResultDialogBase::Load(node)) return false;
    CheckControls<CMenuLabel>({"ID_YOUR_TIME_S", "ID_YOUR_TIME", "ID_BEST_TIME_S", "ID_BEST_TIME",
                               "ID_BEST_TIME_NAME_S", "ID_MONEY", "ID_STAFF", "ID_FOOD", "ID_BONUS_RESOURCE_N"});
    CheckControls<CBaseControl>({"ID_OK"});
    return true;
}

void CStatisticsDialog::ClearControls()
{
    CResultDialogBase::ClearControls();
    _groups.Clear();
}

void CStatisticsDialog::Fill(const LevelRecord& record)
{
    using namespace ScoreWinder;
    _record = record;
    _groups.Clear();

    _groups.Add().Add(std::make_shared<CTimeElement>(0, record.time, Label("ID_YOUR_TIME_S"), Label("ID_YOUR_TIME")));
    CGroup& best = _groups.Add();
    best.Add(std::make_shared<CTimeElement>(record.best_time, record.best_time, Label("ID_BEST_TIME_S"),
                                            Label("ID_BEST_TIME")));
    best.Add(std::make_shared<CStringElement>(record.best_time_name, nullptr, Label("ID_BEST_TIME_NAME_S")));
    const std::pair<int, const char*> resources[] = {{rtMoney, "ID_MONEY"}, {rtStaff, "ID_STAFF"}, {rtFood, "ID_FOOD"}};
    for (const auto& [type, id] : resources) {
        const int amount = AddAmounts(AmountOf(record.collect, type), AmountOf(record.people_gains, type));
        _groups.Add().Add(std::make_shared<CCounterElement>(0, amount, nullptr, Label(id)));
    }
    _groups.Add().Add(std::make_shared<CCounterElement>(record.bonus_res_amount, record.bonus_res_amount, nullptr,
                                                        Label("ID_BONUS_RESOURCE_N")));

    // The player's time counts first; the resource lines wait in view at their start; the best time
    // appears when its turn comes.
    const auto& groups = _groups.Get();
    groups[0]->StartAll();
    for (size_t i = 2; i < groups.size(); ++i) groups[i]->Show(true);
}

void CStatisticsDialog::OnDraw()
{
    CResultDialogBase::OnDraw();
    _groups.Step();
}

void CStatisticsDialog::OnDrawEnd()
{
    CResultDialogBase::OnDrawEnd();
    _groups.Chain(AnyPress());
}

void CStatisticsDialog::OnClick(CBaseControl* control)
{
    // The scene hides the statistics itself when it goes on.
    if (IsShown() && Id(control) == "ID_OK") SetResult(rdOk);
}

// ---------------------------------------------------------------------------------------------
// COkResultDialog

bool COkResultDialog::Load(const CXMLNode& node)
{
    if (!CResultDialogBase::Load(node)) return false;
    CheckControls<CBaseControl>({"ID_OK"});
    return true;
}

void COkResultDialog::OnClick(CBaseControl* control)
{
    if (!IsShown() || Id(control) != "ID_OK") return;
    Hide();
    SetResult(rdOk);
}

void COkResultDialog::Fill(const LevelRecord& /*record*/) {}

// ---------------------------------------------------------------------------------------------
// CPromotionDialog

bool CPromotionDialog::Load(const CXMLNode& node)
{
    if (!CResultDialogBase::Load(node)) return false;
    CheckControls<CMenuPageControl>({"ID_PROMOTIONS"});
    CheckControls<CBaseControl>({"ID_BONUS", "ID_BONUS_CENTER", "ID_RESOURCE", "ID_RESOURCE_CENTER", "ID_OK"});
    return true;
}

void CPromotionDialog::OnShow(bool immediate)
{
    CResultDialogBase::OnShow(immediate);
    if (auto pages = std::dynamic_pointer_cast<CMenuPageControl>(FindControl("ID_PROMOTIONS"))) {
        const int title = g_User.GetTitleIndex();
        const size_t count = pages->GetPages().size();
        if (count > 0) pages->SetPage(title >= 0 && size_t(title) < count ? size_t(title) : 0);
    }
    // A bonus level is worth offering while a bonus can still grow; resources while the city has
    // something left to build.
    const bool upgradable = GetResCredits().HasUpgradable();
    const IGameValueSource* source = GetGameValueSource();
    const bool city_complete = source && source->IsAllEpochsComplete();
    SetVisible(*this, "ID_BONUS", upgradable && !city_complete);
    SetVisible(*this, "ID_RESOURCE", upgradable && !city_complete);
    SetVisible(*this, "ID_BONUS_CENTER", upgradable && city_complete);
    SetVisible(*this, "ID_RESOURCE_CENTER", !upgradable && !city_complete);
    SetVisible(*this, "ID_OK", !upgradable && city_complete);
}

void CPromotionDialog::OnClick(CBaseControl* control)
{
    if (!IsShown()) return;
    const std::string id = Id(control);
    int result = 0;
    if (id == "ID_BONUS" || id == "ID_BONUS_CENTER") result = promBonusLevel;
    else if (id == "ID_RESOURCE" || id == "ID_RESOURCE_CENTER") result = promResources;
    else if (id == "ID_OK") result = promOk;
    if (!result) return;
    Hide();
    SetResult(result);
}

// ---------------------------------------------------------------------------------------------
// CBonusResourcesDialog

bool CBonusResourcesDialog::Load(const CXMLNode& node)
{
    _groups.Clear();
    _spinning = false;
    for (auto& reel : _images)
        for (auto& image : reel) image.reset();
    for (auto& reel : _pictures) reel[0] = reel[1] = 0;
    if (!CResultDialogBase::Load(node)) return false;

    const CXMLNode sound = node.SelectSingleNode("Sound");
    _spin_sound = sound.IsValid() ? sound.GetAttribute("change_res_types", "") : std::string();
    _draw_sound = sound.IsValid() ? sound.GetAttribute("get_res_types", "") : std::string();
    const CXMLNode settings = node.SelectSingleNode("Settings");
    _multiplier_char = settings.IsValid() ? settings.GetAttribute("multiplier_char", "x") : std::string("x");
    for (int t = 0; t < kReels; ++t) {
        const std::string name = "ImageResType_" + std::to_string(t + 1);
        const CXMLNode picture = node.SelectSingleNode(name);
        _type_pictures[t] = GraphicsDesc();
        if (picture.IsValid()) ReadGraphics(picture, _type_pictures[t]);
        _has_type_picture[t] = !_type_pictures[t].texture.empty();
        if (!_has_type_picture[t]) GetLog().Error("Error: %s has no picture %s.", GetName(), name.c_str());
    }

    for (int r = 0; r < kReels; ++r)
        for (int i = 0; i < 2; ++i) {
            const std::string id = "ID_RES_IMAGE_" + std::to_string((r + 1) * 10 + i + 1);
            _images[r][i] = std::dynamic_pointer_cast<CMenuImage>(FindControl(id));
        }
    CheckControls<CMenuImage>({"ID_RES_IMAGE_11", "ID_RES_IMAGE_12", "ID_RES_IMAGE_21", "ID_RES_IMAGE_22",
                               "ID_RES_IMAGE_31", "ID_RES_IMAGE_32", "ID_QUESTION_1", "ID_QUESTION_2",
                               "ID_QUESTION_3"});
    CheckControls<CMenuLabel>({"ID_BONUS_RESOURCE_1", "ID_BONUS_RESOURCE_2", "ID_BONUS_RESOURCE_3"});
    CheckControls<CBaseControl>({"ID_GET", "ID_OK"});
    _reel_top = _images[0][0] ? _images[0][0]->GetY() : 0.0f;
    return true;
}

void CBonusResourcesDialog::ClearControls()
{
    CResultDialogBase::ClearControls();
    _groups.Clear();
    _spinning = false;
    for (auto& reel : _images)
        for (auto& image : reel) image.reset();
}

void CBonusResourcesDialog::SetPicture(int reel, int image, int type)
{
    const auto& control = _images[reel][image];
    if (!control || type < 1 || type > kReels || !_has_type_picture[type - 1]) return;
    GraphicsDesc desc = _type_pictures[type - 1];
    desc.width = int(control->GetWidth());
    desc.height = int(control->GetHeight());
    control->SetImage(desc);
    _pictures[reel][image] = type;
}

void CBonusResourcesDialog::Fill(const LevelRecord& record)
{
    _groups.Clear();
    for (int slot = 0; slot < kReels; ++slot) {
        _amounts[slot] = record.offer_amounts[slot];
        _multipliers[slot] = record.offer_multipliers[slot];
        _groups.Add().Add(std::make_shared<ScoreWinder::CCounterElement>(
            0, _amounts[slot], nullptr, Label("ID_BONUS_RESOURCE_" + std::to_string(slot + 1))));
        SetPicture(slot, 0, record.offer_types[slot]);
    }
}

void CBonusResourcesDialog::ShowQuestions(bool visible)
{
    for (int r = 1; r <= kReels; ++r) SetVisible(*this, ("ID_QUESTION_" + std::to_string(r)).c_str(), visible);
}

void CBonusResourcesDialog::OnShow(bool immediate)
{
    CResultDialogBase::OnShow(immediate);
    for (auto& reel : _images) {
        if (!reel[0] || !reel[1]) continue;
        reel[0]->SetPosition(reel[0]->GetX(), _reel_top);
        reel[1]->SetPosition(reel[1]->GetX(), _reel_top + reel[0]->GetHeight());
    }
    std::list<int> types;
    GetResources().GetAvailableTypes(types);
    const bool anything = std::any_of(_amounts.begin(), _amounts.end(), [](int a) { return a != 0; });
    if (types.size() < 2 || !anything) {
        // Nothing to choose between (or nothing to win): the amounts count up at once.
        _spinning = false;
        ShowQuestions(false);
        Reveal({1, 1, 1});
        return;
    }
    _spinning = true;
    ShowQuestions(true);
    SetVisible(*this, "ID_GET", true);
    SetVisible(*this, "ID_OK", false);
}

void CBonusResourcesDialog::Reveal(const std::array<int, 3>& multipliers)
{
    for (int slot = 0; slot < kReels; ++slot) {
        const int m = multipliers[size_t(slot)];
        const std::string text = m != 1 ? _multiplier_char + std::to_string(m) : std::string();
        if (auto label = Label("ID_BONUS_RESOURCE_" + std::to_string(slot + 1)))
            label->SetParams(CParamValue(text), CParamValue(0));
    }
    _groups.StartAll();
    SetVisible(*this, "ID_GET", false);
    SetVisible(*this, "ID_OK", true);
}

void CBonusResourcesDialog::Spin()
{
    bool wrapped = false;
    for (int r = 0; r < kReels; ++r) {
        auto& reel = _images[r];
        if (!reel[0] || !reel[1]) continue;
        for (int i = 0; i < 2; ++i) reel[i]->Move(0.0f, kReelSpeed[r]);
        for (int i = 0; i < 2; ++i) {
            CMenuImage& image = *reel[i];
            if (image.GetY() <= _reel_top + image.GetHeight()) continue;
            // Out of the window below: back in above its partner with a newly drawn type.
            image.SetPosition(image.GetX(), _reel_top - reel[1 - i]->GetHeight());
            if (_draw) SetPicture(r, i, _draw->RerollBonusResource(r));
            wrapped = true;
        }
    }
    if (wrapped && !_spin_sound.empty()) g_SoundQueue.QueueSound(_spin_sound);
}

void CBonusResourcesDialog::Settle()
{
    auto approach = [](CMenuImage& image, float target) {
        const float dy = std::clamp(target - image.GetY(), -kSettleSpeed, kSettleSpeed);
        if (dy != 0.0f) image.Move(0.0f, dy);
    };
    for (auto& reel : _images) {
        if (!reel[0] || !reel[1]) continue;
        CMenuImage& upper = reel[1]->GetY() < reel[0]->GetY() ? *reel[1] : *reel[0];
        CMenuImage& lower = &upper == reel[0].get() ? *reel[1] : *reel[0];
        approach(upper, _reel_top);
        approach(lower, _reel_top + upper.GetHeight());
    }
}

void CBonusResourcesDialog::OnProcessed()
{
    CResultDialogBase::OnProcessed();
    if (_spinning) Spin();
    else Settle();
}

void CBonusResourcesDialog::OnDraw()
{
    CResultDialogBase::OnDraw();
    _groups.Step();
}

void CBonusResourcesDialog::OnDrawEnd()
{
    CResultDialogBase::OnDrawEnd();
    // A press skips the counting, but never starts it while the reels still turn.
    _groups.Chain(!_spinning && AnyPress());
}

void CBonusResourcesDialog::OnClick(CBaseControl* control)
{
    if (!IsShown()) return;
    const std::string id = Id(control);
    if (id == "ID_GET") {
        if (!_spinning) return;
        if (!_draw_sound.empty()) g_SoundQueue.QueueSound(_draw_sound);
        ShowQuestions(false);
        if (_draw) _multipliers = _draw->CountBonusResourceMatches();
        _spinning = false;
        Reveal(_multipliers);
    } else if (id == "ID_OK") {
        Hide();
        SetResult(rdOk);
    }
}
