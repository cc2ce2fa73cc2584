#include "gui/gui_controls.h"

#include <algorithm>

bool CBaseControl::SetVisible(bool visible)
{
    if (_visible == visible) return false;
    _visible = visible;
    return true;
}

void CMenuProgressBar::SetPos(int v)
{
    _pos = std::max(_min_pos, std::min(v, _max_pos));
}

GuiPoint CMenuProgressBar::GetTipPosition() const
{
    const float span = static_cast<float>(_max_pos - _min_pos);
    const float share = span > 0.0f ? static_cast<float>(_pos - _min_pos) / span : 0.0f;
    if (_orientation == pbVertical)
        return GuiPoint{_rect.x + _rect.w / 2.0f, _rect.y + _rect.h - _rect.h * share};
    return GuiPoint{_rect.x + _rect.w * share, _rect.y + _rect.h / 2.0f};
}
