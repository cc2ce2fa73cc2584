#include "gui/gui_indicators.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_layout.h"
#include "engine/base/engine_log.h"

#include <cmath>
#include <stdexcept>

namespace {

// A float truncated toward zero; 0 for what no int can hold.
int Truncate(float v)
{
    if (!(v > -2147483520.0f && v < 2147483520.0f)) return 0;
    return static_cast<int>(v);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// CGameIndicatorState

void CGameIndicatorState::Load(const CXMLNode& node)
{
    VERIFY(node.IsValid());
    _x = float(node.GetIntAttribute("pos_x", 0));
    _y = float(node.GetIntAttribute("pos_y", 0));
    _render_when_zero = node.GetIntAttribute("render_when_zero", 1) != 0;

    const CXMLNode text = node.SelectSingleNode("Text");
    _has_text = text.IsValid();
    if (_has_text) {
        _text_x = float(text.GetIntAttribute("dis_x", 0));
        _text_y = float(text.GetIntAttribute("dis_y", 0));
        _text_label = text.GetAttribute("label");
    }
    const CXMLNode bar = node.SelectSingleNode("ProgressBar");
    _has_bar = bar.IsValid();
    if (_has_bar) {
        _bar_x = float(bar.GetIntAttribute("dis_x", 0));
        _bar_y = float(bar.GetIntAttribute("dis_y", 0));
        _bar_kind = bar.GetIntAttribute("kind", 0);
        _bar_width = bar.GetIntAttribute("width", 0);
        _bar_height = bar.GetIntAttribute("height", 0);
    }
    const CXMLNode icon = node.SelectSingleNode("MainIcon");
    _has_icon = icon.IsValid();
    if (_has_icon) {
        _icon_x = float(icon.GetIntAttribute("dis_x", 0));
        _icon_y = float(icon.GetIntAttribute("dis_y", 0));
        _icon_desc = GraphicsDesc();
        ReadGraphics(icon, _icon_desc);
    }

    _label.reset();
    if (_has_text) _label = std::make_unique<CStaticLabel>(_x + _text_x, _y + _text_y, _text_label);
    _bar.reset();
    if (_has_bar) {
        // A bar of its own: no dialog holds it and nobody receives its events.
        auto b = std::make_unique<CMenuProgressBar>(nullptr, nullptr);
        b->SetSize(float(_bar_width), float(_bar_height));
        b->SetPosition(_x + _bar_x, _y + _bar_y);
        b->LoadKind(_bar_kind);
        b->SetVisible(true);
        _bar = std::move(b);
    }
    _icon.reset();
    if (_has_icon) {
        _icon = std::make_unique<CSprite>();
        _icon->Init(_x + _icon_x, _y + _icon_y, _icon_desc);
    }
    _first_update = true;
}

void CGameIndicatorState::Update(const AGameValue& value, int32_t changed)
{
    const CParamValue& v = value.GetValue();
    if (((changed & gvcRange) || _first_update) && _bar) {
        int lo = 0, hi = 0;
        if (v.GetKind() == CParamValue::pvInt) {
            lo = value.GetMin().GetInt();
            hi = value.GetMax().GetInt();
        } else if (v.GetKind() == CParamValue::pvFloat) {
            lo = Truncate(value.GetMin().GetFloat());
            hi = Truncate(value.GetMax().GetFloat());
        }
        _bar->SetMinPos(lo);
        _bar->SetMaxPos(hi);
    }
    if (!(changed & gvcValue) && !_first_update) return;
    if (_label) _label->SetParam(v);
    if (_bar) {
        int pos = 0;
        if (v.GetKind() == CParamValue::pvInt) pos = v.GetInt();
        else if (v.GetKind() == CParamValue::pvFloat) pos = Truncate(v.GetFloat());
        _bar->SetPos(pos);
    }
    _value_zero = v.IsEmpty();
    _first_update = false;
}

void CGameIndicatorState::Draw()
{
    if (_value_zero && !_render_when_zero) return;
    if (_label) _label->Draw();
    if (_bar) _bar->Update();
    if (_icon) _icon->Draw();
}

// ---------------------------------------------------------------------------------------------
// CGameIndicator

void CGameIndicator::Load(const CXMLNode& node) { Load(node, CGameValuesStorage::Instance()); }

void CGameIndicator::Load(const CXMLNode& node, const CGameValuesStorage& storage)
{
    VERIFY(node.IsValid());
    VERIFY_SOFT(_states.empty());
    _states.clear();
    _current.reset();
    _value = nullptr;
    _value = storage.GetValue(node.GetAttribute("src_id"));

    const CXMLNodeList children = node.SelectNodes("State");
    for (int i = 0; i < children.GetLength(); ++i) {
        const CXMLNode child = children.GetItem(i);
        const int32_t id = child.GetIntAttribute("id", 0);
        if (_states.count(id)) {
            GetLog().Error("Error: creating indicator - state with id = %d already present!", id);
            continue;
        }
        auto state = std::make_shared<CGameIndicatorState>();
        state->Load(child);
        _states[id] = state;
    }
    VERIFY_SOFT(!_states.empty());
    if (!_states.empty()) _current = _states.begin()->second;
    _first_update = true;
}

void CGameIndicator::Update()
{
    if (!_value) return;
    _value->Update();
    int32_t changed = _value->GetChanged();
    // The value's bits are cleared by whichever indicator looks first; compare with what this one
    // applied last so that every indicator on the value sees the change. The first update after
    // loading applies everything.
    if (_first_update) changed = gvcValue | gvcRange | gvcState;
    if (_value->GetValue() != _seen_value) changed |= gvcValue;
    if (_value->GetMin() != _seen_min || _value->GetMax() != _seen_max) changed |= gvcRange;
    if (_value->GetState() != _seen_state) changed |= gvcState;
    _first_update = false;
    _seen_value = _value->GetValue();
    _seen_min = _value->GetMin();
    _seen_max = _value->GetMax();
    _seen_state = _value->GetState();

    if (changed & gvcState) {
        auto it = _states.find(_value->GetState());
        if (it != _states.end()) _current = it->second;
    }
    if (changed & (gvcValue | gvcRange))
        for (auto& [id, state] : _states) state->Update(*_value, changed);
    _value->ClearChanged();
}

void CGameIndicator::Draw()
{
    Update();
    if (_current) _current->Draw();
}
