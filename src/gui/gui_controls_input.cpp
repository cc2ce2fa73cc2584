// The edit box and the list box.
#include "gui/gui_controls.h"

#include "engine/base/engine_clock.h"
#include "engine/core/engine_input.h"
#include "engine/core/engine_keytable.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_xml.h"

#include <algorithm>
#include <cstring>
#include <exception>

// ---------------------------------------------------------------------------------------------
// CMenuEdit

bool CMenuEdit::Load(const CXMLNode& node)
{
    CBaseControl::Load(node);
    _label.SetLabel(node.GetAttribute("text"));
    _max_length = size_t(std::max(0, node.GetIntAttribute("max_text_length", 12)));
    _text.clear();
    UpdatePosition();
    return true;
}

void CMenuEdit::UpdatePosition() { _label.SetPosition(_x, _y); }

bool CMenuEdit::Accepts(char ch) const
{
    if (_text.size() >= _max_length || _text.size() >= kHardLimit) return false;
    if (ch == '\0' || std::strchr(kRefused, ch)) return false;
    try {
        // A letter the font lacks would be drawn as its unknown-letter mark.
        return CTextKeeper::Instance().GetFont(_label.GetLabel().font_id).HasGlyph(static_cast<unsigned char>(ch));
    } catch (const std::exception&) {
        return false;   // no fonts at all: nothing can be drawn
    }
}

void CMenuEdit::ProcessInput()
{
    if (!_focused || !g_Keyboard) return;
    // Every key of the frame counts, so that fast typing loses nothing.
    int codes[10];
    const int n = g_Keyboard->GetPressedKeys(codes, 10);
    for (int i = 0; i < n; ++i) {
        int vk = CDik2Vk::Instance()[codes[i]];
        if (_events) _events->OnKey(this, vk);
        if (vk == VK_RETURN_CODE) {
            SetFocus(false);
            return;
        }
        if (vk == VK_BACK_CODE && !_text.empty()) _text.pop_back();
    }
    // Characters come from the system's text input, already in the game's 8-bit text.
    for (char ch : g_Keyboard->GetTypedText()) {
        if (!Accepts(ch)) continue;
        _text += ch;
        if (_events) _events->OnChar(this, ch);
    }
}

void CMenuEdit::Update()
{
    if (!_visible) return;
    std::string shown = _text;
    if (_focused && zf::ClockNow() % 500 > 250) shown += '_';
    _label.SetParam(shown);
    _label.Draw();
}

// ---------------------------------------------------------------------------------------------
// CMenuListBox

CMenuListBox::CMenuListBox(IControlHolder* container, IEventHolder* events) : CBaseControl(container, events) {}

bool CMenuListBox::Load(const CXMLNode& node)
{
    CBaseControl::Load(node);
    bool unused = false;
    const ListBoxKind& lb_desc = PickKind(CControlKinds::Instance().ListBoxes(), 0, unused);
    _item_type = lb_desc.item_type;
    _item_dx = float(lb_desc.item_dis_x);
    _item_dy = float(lb_desc.item_dis_y);
    if (_item_type == litValues) {
        VERIFY(!lb_desc.item_printer.empty());
        _printer.SetLabel(lb_desc.item_printer);
        _color = _printer.GetColor();
    } else {
        _color = 0xFFFFFFFF;
    }
    _marked_color = (_color & 0xFF000000u) | 0x808080u;
    _scroll_bar.reset();
    _items_left = 0;
    if (lb_desc.has_scroll_bar) {
        _scroll_bar = std::make_shared<CMenuTrackBar>(_container, this);
        _scroll_bar->SetSize(float(lb_desc.scroll_width), float(lb_desc.scroll_height));
        _scroll_bar->LoadKind(lb_desc.scroll_kind);
        _scroll_bar->SetVisible(true);
        _scroll_bar->SetEnabled(true);
        _scroll_bar->SetMin(0);
        _scroll_bar->SetMax(0);
        _scroll_bar->SetPosition(0);
        _scroll_dx = float(lb_desc.scroll_left);
        _scroll_dy = float(lb_desc.scroll_top);
        _items_left = int(float(lb_desc.scroll_width) + 10.0f);
    }
    _has_selector = lb_desc.has_selector;
    if (_has_selector) {
        _selector.Bind(lb_desc.selector_texture);
        _selector.quads.SetColor(0xA0666666);
    }
    _item_height = node.GetIntAttribute("item_height", 30);
    VERIFY(_item_height != 0);
    if (_item_height < 0) _item_height = 30;
    _items.clear();
    _selected = _top = _visible_rows = 0;
    UpdatePosition();
    return true;
}

void CMenuListBox::UpdatePosition()
{
    if (_scroll_bar) _scroll_bar->CBaseControl::SetPosition(_x + _scroll_dx, _y + _scroll_dy);
    if (!_items.empty()) PlaceSelector();
}

void CMenuListBox::SetItems(const std::vector<Item>& items)
{
    _items = items;
    const int count = int(_items.size());
    _visible_rows = std::clamp(int(_height) / _item_height, 0, count);
    // The selection and the first row stay inside the new list, the last page full.
    _selected = count == 0 ? 0 : std::clamp(_selected, 0, count - 1);
    _top = std::clamp(_top, 0, std::max(0, count - _visible_rows));
    if (_selected < _top || _selected >= _top + _visible_rows) _top = std::clamp(_selected, 0, std::max(0, count - _visible_rows));
    if (_scroll_bar) {
        // The bar's position goes first, so that its new range brings back the selection kept here.
        const int selected = _selected;
        _scroll_bar->SetPosition(selected);
        _scroll_bar->SetMax(count - 1);
        _scroll_bar->SetPosition(selected);
    }
    if (count > 0) PlaceSelector();
    else _selector.quads.Clear();
}

void CMenuListBox::PlaceSelector()
{
    if (!_has_selector) return;
    const float row = float(_item_height) * float(_selected - _top);
    const float left = _x + _item_dx + float(_items_left) - 5.0f;
    const float top = _y + _item_dy + row - 2.0f;
    _selector.quads.Clear();
    _selector.quads.AddRect(FRect{left, top, _x + _item_dx + _width, top + float(_item_height)}, FRect{0, 0, 1, 1});
    _selector.quads.SetColor(0xA0666666);
}

void CMenuListBox::SetSelection(int index)
{
    const int count = int(_items.size());
    if (index < 0 || index >= count) {
        GetLog().Error("Error: ListBox index %d out of bounds! Total items = %d", index, count);
        return;
    }
    _selected = index;
    if (index < _top || index > _top + _visible_rows - 1) {
        _top = index;
        if (index + _visible_rows > count) _top = std::max(0, count - _visible_rows);
    }
    PlaceSelector();
    if (_events) _events->OnSelect(this, index);
}

void CMenuListBox::SelectItem(int index)
{
    if (!_items.empty()) SetSelection(index);
    if (_scroll_bar) _scroll_bar->SetPosition(_selected);
}

void CMenuListBox::OnChange(CBaseControl* control)
{
    if (!_items.empty() && _scroll_bar && control == _scroll_bar.get()) SetSelection(_scroll_bar->GetPosition());
}

void CMenuListBox::ProcessInput()
{
    if (_items.empty() || !g_Mouse) return;
    if (_scroll_bar && _scroll_bar->IsVisible() && _scroll_bar->IsEnabled()) _scroll_bar->ProcessInput();
    _hovered = IsMouseOver();
    if (!_hovered) return;
    const int count = int(_items.size());
    const int wheel = g_Mouse->GetWheelDelta();
    if (wheel < 0 && _selected + 1 < count) SelectItem(_selected + 1);
    else if (wheel > 0 && _selected > 0) SelectItem(_selected - 1);

    if (float(g_Mouse->GetX()) > _x + float(_items_left) && g_Mouse->IsButtonDown(0)) {
        const float offset = float(g_Mouse->GetY()) - _y - _item_dy;
        const int row = offset < 0.0f ? -1 : _top + int(offset / float(_item_height));
        // Holding the button selects each row once as the pointer reaches it.
        if (row >= 0 && row < count && (row != _selected || g_Mouse->IsButtonPressed(0))) SelectItem(row);
    }
    if (g_Mouse->CheckButton(0) && _events) _events->OnItemActivate(this, _selected);
}

void CMenuListBox::Update()
{
    if (!_visible || _items.empty()) return;
    if (_has_selector) _selector.Draw();
    if (_scroll_bar) _scroll_bar->Update();
    const int count = int(_items.size());
    for (int r = 0; r < _visible_rows && _top + r < count; ++r) {
        const Item& item = _items[size_t(_top + r)];
        if (_item_type == litLabels) _printer.SetLabel(item.text);
        else _printer.SetParam(item.text);
        _printer.SetColor(item.marked ? _marked_color : _color);
        _printer.SetPosition(_x + _item_dx + float(_items_left), _y + _item_dy + float(_item_height * r));
        _printer.Draw();
    }
}
