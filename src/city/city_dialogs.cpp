#include "city/city_dialogs.h"

#include "engine/base/engine_log.h"
#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"
#include "engine/core/engine_input.h"
#include "engine/sound/engine_soundqueue.h"
#include "game/game_panels.h"
#include "gui/gui_controls.h"
#include "player/player_prices.h"
#include "player/player_resources.h"
#include "player/player_user.h"
#include "settings/main_userfiles.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <initializer_list>

namespace {

std::string Id(const CBaseControl* control) { return control ? control->GetId() : std::string(); }

std::string SlotId(const char* prefix, unsigned slot) { return prefix + std::to_string(slot); }

template <class T>
std::shared_ptr<T> Find(const CBaseDialog& dialog, const std::string& id)
{
    return std::dynamic_pointer_cast<T>(dialog.FindControl(id));
}

// Logs each id that the dialog lacks or holds as another kind of control. The dialog works without
// them: every use looks the control up again and skips a missing one.
template <class T>
void ReportMissing(const CBaseDialog& dialog, const char* name, const std::vector<std::string>& ids)
{
    for (const std::string& id : ids) {
        if (Find<T>(dialog, id)) continue;
        if (dialog.FindControl(id)) GetLog().Error("Error: control '%s' has different type!", id.c_str());
        else GetLog().Error("Error: control '%s' not found in dialog %s!", id.c_str(), name);
    }
}

void SetVisible(const CBaseDialog& dialog, const std::string& id, bool visible)
{
    if (const CBaseControlPtr control = dialog.FindControl(id)) control->SetVisible(visible);
}

void SetEnabled(const CBaseDialog& dialog, const std::string& id, bool enabled)
{
    if (const CBaseControlPtr control = dialog.FindControl(id)) control->SetEnabled(enabled);
}

// A bool of the run's registry; false when the name was never registered or holds another type.
bool RegistryFlag(const char* name)
{
    try {
        return GetGlobalVars().GetBool(name);
    } catch (const std::exception&) {
        return false;
    }
}

// The shop's buttons that turn the pages of items.
const char* const kItemsBack = "ID_SHOP_LEFT";
const char* const kItemsForward = "ID_SHOP_RIGHT";

} // namespace

// ---------------------------------------------------------------------------------------------
// CShopPanel

bool CShopPanel::Load(const CXMLNode& node)
{
    _money = _staff = _food = nullptr;
    _hovered_mark.clear();
    const bool loaded = CSlideableBaseDialog::Load(node);
    // It rises from 70 pixels below its place.
    SetSlide(0.0f, 0.0f, 0.0f, -70.0f, 2.0f);
    SetSounds("panel_up", "panel_down");
    if (!loaded) {
        GetLog().Error("Error: the dialogs have no ShopDialog node.");
        return false;
    }
    std::vector<std::string> images, buttons;
    for (unsigned i = 0; i < kSlots; ++i) {
        images.push_back(SlotId("ID_IMAGE_", i));
        images.push_back(SlotId("ID_MARK_", i));
        for (const char* prefix : {"ID_BUY_R_", "ID_BUY_G_", "ID_BUY_B_"}) buttons.push_back(SlotId(prefix, i));
    }
    buttons.insert(buttons.end(), {"ID_CONTINUE", "ID_FINISH_GAME", kItemsBack, kItemsForward});
    ReportMissing<CMenuImage>(*this, "ShopDialog", images);
    ReportMissing<CMenuButton>(*this, "ShopDialog", buttons);
    ReportMissing<CMenuPageControl>(*this, "ShopDialog", {"ID_PAGES"});
    FillSlots();
    return true;
}

void CShopPanel::ClearControls()
{
    _money = _staff = _food = nullptr;
    _hovered_mark.clear();
    CSlideableBaseDialog::ClearControls();
}

int CShopPanel::GetItemPageCount() const
{
    return std::max<int>(1, int((_items.size() + kSlots - 1) / kSlots));
}

void CShopPanel::SetItems(const std::vector<ShopItem>& items)
{
    _items = items;
    _item_page = std::clamp(_item_page, 0, GetItemPageCount() - 1);
    FillSlots();
}

void CShopPanel::ShowItemPage(int page)
{
    _item_page = std::clamp(page, 0, GetItemPageCount() - 1);
    FillSlots();
}

void CShopPanel::FillSlots()
{
    // The slots change under the pointer: a mark of a bought item is hidden and gets no leave, so
    // the blink stops here, and each mark notices the pointer again for the item it now stands for.
    if (_top_panel && !_hovered_mark.empty()) _top_panel->StopBlink();
    _hovered_mark.clear();
    for (unsigned i = 0; i < kSlots; ++i)
        if (const CBaseControlPtr mark = FindControl(SlotId("ID_MARK_", i))) mark->CancelInput();
    const size_t first = size_t(_item_page) * kSlots;
    _shown = unsigned(std::min<size_t>(kSlots, _items.size() > first ? _items.size() - first : 0));
    for (unsigned i = 0; i < kSlots; ++i) {
        const bool used = i < _shown;
        ShopItem* item = used ? &_items[first + i] : nullptr;
        if (const auto image = Find<CMenuImage>(*this, SlotId("ID_IMAGE_", i))) {
            if (item) {
                // The catalogue's icon fills the slot's picture.
                GraphicsDesc icon = item->description.icon;
                icon.width = int(image->GetWidth());
                icon.height = int(image->GetHeight());
                image->SetImage(icon);
            }
            image->SetVisible(used);
        }
        const int state = item ? item->state : -1;
        const std::pair<const char*, int> buttons[] = {
            {"ID_BUY_R_", sisAffordable}, {"ID_BUY_G_", sisBought}, {"ID_BUY_B_", sisTooExpensive}};
        if (item) item->button_id.clear();
        for (const auto& [prefix, shows_for] : buttons) {
            const std::string id = SlotId(prefix, i);
            const bool visible = state == shows_for;
            SetVisible(*this, id, visible);
            if (visible && FindControl(id)) item->button_id = id;
        }
        // A slot without an item keeps nothing of the previous offer.
        SetVisible(*this, SlotId("ID_MARK_", i), item && state != sisBought);
    }
    const bool paged = GetItemPageCount() > 1;
    SetVisible(*this, kItemsBack, paged);
    SetVisible(*this, kItemsForward, paged);
    SetEnabled(*this, kItemsBack, _item_page > 0);
    SetEnabled(*this, kItemsForward, _item_page + 1 < GetItemPageCount());
    ResetPage();
}

int CShopPanel::SlotOf(const CBaseControl* control, const char* prefix) const
{
    if (!control) return -1;
    for (unsigned i = 0; i < _shown; ++i)
        if (control->GetId() == SlotId(prefix, i)) return int(i);
    return -1;
}

void CShopPanel::OnClick(CBaseControl* control)
{
    if (!IsShown() || !control) return;
    const std::string id = control->GetId();
    const size_t first = size_t(_item_page) * kSlots;
    for (unsigned i = 0; i < _shown; ++i) {
        const ShopItem& item = _items[first + i];
        if (item.state == sisAffordable && !item.button_id.empty() && item.button_id == id) {
            _selected = unsigned(first + i);
            SetResult(srBuy);
            return;
        }
    }
    if (id == "ID_CONTINUE" || id == "ID_FINISH_GAME") SetResult(srContinue);
    else if (id == kItemsBack) ShowItemPage(_item_page - 1);
    else if (id == kItemsForward) ShowItemPage(_item_page + 1);
}

void CShopPanel::OnMouseEnter(CBaseControl* control)
{
    if (!IsShown()) return;
    const int slot = SlotOf(control, "ID_MARK_");
    if (slot < 0) return;
    const ShopItem& item = _items[size_t(_item_page) * kSlots + size_t(slot)];
    _hovered_mark = control->GetId();
    if (!item.bought) ShowPage(item.description.help_page);
    else ResetPage();
    ShowPrice(item);
}

void CShopPanel::ShowPrice(const ShopItem& item)
{
    ResourceList price;
    try {
        price = GetConstructionRes().GetConstructionPrice(item.construct_id, 0);
    } catch (const std::exception&) {
        // Logged by the price table; the description shows without a price.
        return;
    }
    bool short_of[4] = {};
    for (const auto& [type, amount] : price) {
        const bool is_short = GetResources().GetAmount(type) < amount;
        if (type >= rtMoney && type <= rtFood) short_of[type] = is_short;
        if (CMenuLabel* label = GetPriceLabel(type)) {
            label->SetParam(CParamValue(int(amount)));
            label->GetLabel().SetColor(is_short ? kShortColor : kPriceColor);
        }
    }
    if (_top_panel) _top_panel->StartBlink(short_of[rtMoney], short_of[rtStaff], short_of[rtFood]);
}

void CShopPanel::OnMouseLeave(CBaseControl* control)
{
    if (!IsShown() || SlotOf(control, "ID_MARK_") < 0 || control->GetId() != _hovered_mark) return;
    _hovered_mark.clear();
    ResetPage();
    if (_top_panel) _top_panel->StopBlink();
}

CMenuLabel* CShopPanel::GetPriceLabel(int resource_type) const
{
    switch (resource_type) {
    case rtMoney: return _money;
    case rtStaff: return _staff;
    case rtFood: return _food;
    default: return nullptr;
    }
}

void CShopPanel::ShowPage(int page)
{
    const auto pages = Find<CMenuPageControl>(*this, "ID_PAGES");
    if (!pages || pages->GetPages().empty()) return;
    _page = std::clamp(page, 0, int(pages->GetPages().size()) - 1);
    pages->SetPage(size_t(_page));
    _money = _staff = _food = nullptr;
    if (_page == 0) return;
    const CBaseDialog& shown = *pages->GetPages()[size_t(_page)].page;
    _money = Find<CMenuLabel>(shown, "ID_MONEY").get();
    _staff = Find<CMenuLabel>(shown, "ID_STAFF").get();
    _food = Find<CMenuLabel>(shown, "ID_FOOD").get();
}

void CShopPanel::ResetPage()
{
    ShowPage(0);
    _money = _staff = _food = nullptr;
}

void CShopPanel::OnShow(bool immediate)
{
    CSlideableBaseDialog::OnShow(immediate);
    const bool last = RegistryFlag("is_last_level");
    SetVisible(*this, "ID_CONTINUE", !last);
    SetVisible(*this, "ID_FINISH_GAME", last);
}

void CShopPanel::OnHide(bool immediate)
{
    CSlideableBaseDialog::OnHide(immediate);
    if (_top_panel && !_hovered_mark.empty()) _top_panel->StopBlink();
    _hovered_mark.clear();
    ResetPage();
}

// ---------------------------------------------------------------------------------------------
// CEpochCompletePanel

bool CEpochCompletePanel::Load(const CXMLNode& node)
{
    const bool loaded = CSlideableBaseDialog::Load(node);
    _started = false;
    _sound.clear();
    if (!loaded) {
        GetLog().Error("Error: the dialogs have no EpochCompleteDialog node.");
        return false;
    }
    const CXMLNode ring = node.SelectSingleNode("Ring");
    if (ring.IsValid()) {
        _ring.Load(ring);
    } else {
        GetLog().Error("Error: the epoch complete dialog has no Ring.");
        _ring.SetEnabled(false);
    }
    _ring.SetHeldVisible(true);
    if (_ring.IsEnabled()) {
        _ring.SetLastValue(0);
        _ring.Stop();
    }
    _sound = node.GetAttribute("sound");
    ReportMissing<CMenuButton>(*this, "EpochCompleteDialog", {"ID_OK"});
    ReportMissing<CMenuPageControl>(*this, "EpochCompleteDialog", {"ID_PAGES"});
    return true;
}

void CEpochCompletePanel::OnShow(bool immediate)
{
    CSlideableBaseDialog::OnShow(immediate);
    if (_ring.IsEnabled()) {
        _ring.SetLastValue(0);
        _ring.Stop();
    }
    _started = false;
}

void CEpochCompletePanel::OnProcessed()
{
    CSlideableBaseDialog::OnProcessed();
    if (!IsShown()) return;
    if (!_started) {
        _ring.Start(1);
        if (!_sound.empty()) g_SoundQueue.QueueSound(_sound);
        _started = true;
    }
    if (_ring.IsRunning()) _ring.Update();
}

void CEpochCompletePanel::OnDraw()
{
    if (_started && _ring.IsEnabled()) _ring.Draw();
}

void CEpochCompletePanel::SetEpochPage(int epoch)
{
    const auto pages = Find<CMenuPageControl>(*this, "ID_PAGES");
    if (!pages) return;
    const int count = int(pages->GetPages().size());
    pages->SetPage(size_t(epoch >= 0 && epoch < count ? epoch : 0));
}

namespace {

// "ID_OK" of the epoch complete, all epochs complete and game complete panels.
void OkHides(CSlideableBaseDialog& dialog, CBaseControl* control)
{
    if (!dialog.IsShown() || Id(control) != "ID_OK") return;
    dialog.SetResult(CEpochCompletePanel::erOk);
    dialog.Hide();
}

} // namespace

void CEpochCompletePanel::OnClick(CBaseControl* control) { OkHides(*this, control); }
void CEpochAllCompletePanel::OnClick(CBaseControl* control) { OkHides(*this, control); }
void CGameCompleteDialog::OnClick(CBaseControl* control) { OkHides(*this, control); }

// ---------------------------------------------------------------------------------------------
// CWarningDialog, CGameWonDialog

void CWarningDialog::OnClick(CBaseControl* control)
{
    if (!IsShown()) return;
    const std::string id = Id(control);
    if (id == "ID_YES") {
        Hide();
        SetResult(wrYes);
    } else if (id == "ID_NO") {
        Hide();
        SetResult(wrNo);
    }
}

void CGameWonDialog::SetPage(int page)
{
    _page = page;
    const auto pages = Find<CMenuPageControl>(*this, "ID_PAGES");
    if (!pages) return;
    const int count = int(pages->GetPages().size());
    _page = std::max(0, std::min(_page, count - 1));
    if (count > 0) pages->SetPage(size_t(_page));
    SetEnabled(*this, "ID_FORWARD", _page < count - 1);
    SetEnabled(*this, "ID_BACKWARD", _page > 0);
}

void CGameWonDialog::OnShow(bool immediate)
{
    CSlideableBaseDialog::OnShow(immediate);
    _page = 0;
    SetPage(0);
}

void CGameWonDialog::OnClick(CBaseControl* control)
{
    if (!IsShown()) return;
    const std::string id = Id(control);
    if (id == "ID_EXIT") {
        Hide();
        SetResult(gwExit);
    } else if (id == "ID_CONTINUE") {
        Hide();
        SetResult(gwContinue);
    } else if (id == "ID_FORWARD") {
        SetPage(_page + 1);
    } else if (id == "ID_BACKWARD") {
        SetPage(_page - 1);
    }
}

// ---------------------------------------------------------------------------------------------
// CRelaxDialog

bool CRelaxDialog::Load(const CXMLNode& node)
{
    _current = nullptr;
    const bool loaded = CBaseDialog::Load(node);
    _owner = Find<CMenuLabel>(*this, "ID_OWNER");
    _message = Find<CMenuLabel>(*this, "ID_MESSAGE");
    if (!loaded) return false;
    ReportMissing<CMenuLabel>(*this, "RelaxDialog", {"ID_OWNER", "ID_MESSAGE"});
    return true;
}

void CRelaxDialog::ClearControls()
{
    _current = nullptr;
    _owner.reset();
    _message.reset();
    CBaseDialog::ClearControls();
}

void CRelaxDialog::UpdateOwner(const CUser& user)
{
    if (!_owner) return;
    const std::string line = user.GetTitleIndex() != 0 ? user.GetTitleText() + " " + user.GetName() : user.GetName();
    _owner->SetParam(CParamValue(line));
}

void CRelaxDialog::SetLabelAlpha(CMenuLabel* label, uint32_t alpha)
{
    if (!label) return;
    CStaticLabel& text = label->GetLabel();
    text.SetColor((text.GetColor() & 0x00FFFFFFu) | (std::min<uint32_t>(alpha, 255) << 24));
}

void CRelaxDialog::OnShow(bool immediate)
{
    (void)immediate;
    _phase = fpRising;
    _alpha = 0.0f;
    _step = 1.0f;
    _fading = true;
    _paused = false;
    _delay = kHoldFrames;
    _current = _owner.get();
    SetLabelAlpha(_owner.get(), 0);
    SetLabelAlpha(_message.get(), 0);
}

void CRelaxDialog::OnHide(bool immediate)
{
    if (immediate) {
        // Gone at once: nothing is left to fade.
        _fading = false;
        _alpha = 0.0f;
        SetLabelAlpha(_owner.get(), 0);
        SetLabelAlpha(_message.get(), 0);
        return;
    }
    _step = -10.0f;
    _phase = fpFalling;
    _fading = true;
    _paused = false;
    _delay = 1;
}

void CRelaxDialog::UpdateTransition()
{
    if (_state & dsOpening) FinishTransition();
    else if ((_state & dsClosing) && _alpha <= 0.0f) FinishTransition();
}

void CRelaxDialog::StepFade()
{
    if (!_fading) return;
    if (!_paused && _delay > 0) --_delay;
    if (_delay == 0) {
        _alpha += _step;
        if (_phase == fpRising && _alpha >= 255.0f) {
            _alpha = 255.0f;
            _delay = kHoldFrames;
            _phase = fpFalling;
            _step = -_step;
        } else if (_phase == fpFalling && _alpha <= 0.0f) {
            _alpha = 0.0f;
            _delay = (_state & dsClosing) ? 1 : kHoldFrames;
            _phase = fpRising;
            _step = -_step;
            SetLabelAlpha(_current, 0);
            _current = _current == _owner.get() ? _message.get() : _owner.get();
        }
    }
    SetLabelAlpha(_current, uint32_t(std::lround(std::clamp(_alpha, 0.0f, 255.0f))));
}

void CRelaxDialog::OnProcessed()
{
    StepFade();
    if (IsShown() && IsModal() && g_Mouse && g_Mouse->IsButtonDown(0) && g_Mouse->IsInsideWindow())
        SetResult(rrClosed);
}

void CRelaxDialog::OnKey(int key)
{
    if (!IsShown()) return;
    CBaseDialog::OnKey(key);
    SetResult(rrClosed);
}

void CRelaxDialog::OnClick(CBaseControl* control)
{
    if (IsShown() && Id(control) == "ID_RELAX") SetResult(rrClosed);
}
