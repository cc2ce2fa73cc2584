// Game indicators: small displays (a text, a bar, an icon) bound by name to a game value. Each
// frame the indicator asks its value to refresh, picks the visual state matching the value's state
// number and passes a changed value or range on to its states before drawing the current one.
#pragma once

#include "engine/base/engine_paramvalue.h"
#include "engine/base/engine_xml.h"
#include "engine/render/engine_render.h"
#include "engine/text/engine_langtext.h"
#include "gui/gui_controls.h"
#include "player/player_gamevalues.h"

#include <cstdint>
#include <map>
#include <memory>

// One visual state: its position and the optional text, bar and icon placed relative to it.
class CGameIndicatorState {
public:
    CGameIndicatorState() = default;
    CGameIndicatorState(const CGameIndicatorState&) = delete;
    CGameIndicatorState& operator=(const CGameIndicatorState&) = delete;

    // Reads a "State" element and builds its pieces; an invalid node throws.
    void Load(const CXMLNode& node);
    // Applies the value; changed holds the changed bits the indicator saw.
    void Update(const AGameValue& value, int32_t changed);
    // Text, bar and icon, in that order; nothing while the value is zero and the state hides zero.
    void Draw();

    float GetX() const { return _x; }
    float GetY() const { return _y; }
    bool RendersWhenZero() const { return _render_when_zero; }
    bool IsValueZero() const { return _value_zero; }
    bool IsFirstUpdatePending() const { return _first_update; }
    // The pieces; null when the state has none.
    CStaticLabel* GetLabel() const { return _label.get(); }
    CMenuProgressBar* GetBar() const { return _bar.get(); }
    CSprite* GetIcon() const { return _icon.get(); }

private:
    float _x = 0.0f, _y = 0.0f;
    bool _has_text = false;
    float _text_x = 0.0f, _text_y = 0.0f;
    std::string _text_label;
    bool _has_bar = false;
    float _bar_x = 0.0f, _bar_y = 0.0f;
    int _bar_kind = 0;
    int _bar_width = 0, _bar_height = 0;
    bool _has_icon = false;
    float _icon_x = 0.0f, _icon_y = 0.0f;
    GraphicsDesc _icon_desc;
    bool _render_when_zero = true;
    std::unique_ptr<CStaticLabel> _label;
    std::unique_ptr<CMenuProgressBar> _bar;
    std::unique_ptr<CSprite> _icon;
    bool _first_update = true;
    bool _value_zero = false;
};

using CGameIndicatorStatePtr = std::shared_ptr<CGameIndicatorState>;

class CGameIndicator {
public:
    CGameIndicator() = default;
    CGameIndicator(const CGameIndicator&) = delete;
    CGameIndicator& operator=(const CGameIndicator&) = delete;

    // Reads an indicator element: "src_id" names the game value in the program's storage, each
    // "State" child is one visual state. An invalid node or an unknown value name throws.
    void Load(const CXMLNode& node);
    // The same with the storage to look the name up in.
    void Load(const CXMLNode& node, const CGameValuesStorage& storage);
    // Refreshes the value and applies what changed, without drawing.
    void Update();
    // Update, then the current state's Draw.
    void Draw();

    AGameValue* GetGameValue() const { return _value; }
    const std::map<int32_t, CGameIndicatorStatePtr>& GetStates() const { return _states; }
    const CGameIndicatorStatePtr& GetCurrent() const { return _current; }

private:
    AGameValue* _value = nullptr;
    std::map<int32_t, CGameIndicatorStatePtr> _states;
    CGameIndicatorStatePtr _current;
    // What this indicator last applied, so that another indicator clearing the value's changed bits
    // cannot hide a change from it.
    bool _first_update = true;
    CParamValue _seen_value, _seen_min, _seen_max;
    int32_t _seen_state = 0;
};
