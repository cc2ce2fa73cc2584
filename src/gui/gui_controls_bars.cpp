// The track bar and the progress bar.
#include "gui/gui_controls.h"

#include "engine/core/engine_input.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_xml.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

FRect TexRect(const GraphicsDesc& g) { return FRect{g.tex_rect[0], g.tex_rect[1], g.tex_rect[2], g.tex_rect[3]}; }

// A part's size: the description's, else its texture rectangle's.
float DescWidth(const GraphicsDesc& g) { return g.width > 0 ? float(g.width) : TexRect(g).Width(); }
float DescHeight(const GraphicsDesc& g) { return g.height > 0 ? float(g.height) : TexRect(g).Height(); }

} // namespace

// ---------------------------------------------------------------------------------------------
// CMenuTrackBar

CMenuTrackBar::CMenuTrackBar(IControlHolder* container, IEventHolder* events) : CBaseControl(container, events) {}

CMenuTrackBar::~CMenuTrackBar() = default;

bool CMenuTrackBar::Load(const CXMLNode& node)
{
    const int kind = node.GetIntAttribute("kind", 0);
    CBaseControl::Load(node);
    _captions.clear();
    const CXMLNode captions = node.SelectSingleNode("Captions");
    _caption_dx = float(captions.GetIntAttribute("dis_x", 0));
    _caption_dy = float(captions.GetIntAttribute("dis_y", 0));
    const CXMLNodeList list = captions.SelectNodes("Caption");
    for (int i = 0; i < list.GetLength(); ++i) _captions.push_back(list.GetItem(i).GetAttribute("text"));
    LoadKind(kind);
    return true;
}

void CMenuTrackBar::LoadKind(int kind)
{
    bool bad = false;
    _kind = PickKind(CControlKinds::Instance().TrackBars(), kind, bad);
    if (bad) GetLog().Error("Error: invalid trackbar kind: %d!", kind);
    Setup();
}

void CMenuTrackBar::Setup()
{
    if (_kind.has_back && (_kind.back_width <= 0 || _kind.back_height <= 0)) {
        GetLog().Error("Error: trackbar back has invalid dimensions.");
        _kind.has_back = false;
    }
    _max = _kind.max;
    _min = _kind.min;
    _position = _min;
    _step = _kind.step;
    const TrackBarPart* parts[2] = {&_kind.left_button, &_kind.right_button};
    for (size_t i = 0; i < 2; ++i) {
        _buttons[i].reset();
        if (!parts[i]->present) continue;
        const TrackBarPart& p = *parts[i];
        auto button = std::make_shared<CSimpleButton>(_container, this);
        button->SetSize(float(p.width), float(p.height));
        auto renderer = std::make_shared<CRenderer>(_kind.texture, false);
        auto sprite = [&](const FRect& tex) {
            auto s = std::make_shared<CSprite>(FRect{0, 0, float(p.width), float(p.height)}, tex);
            s->SetRenderer(renderer);
            return s;
        };
        auto normal = sprite(p.tex_normal);
        button->SetSprites(normal, sprite(p.tex_hover), sprite(p.tex_normal), sprite(p.tex_normal));
        button->SetVisible(true);
        button->SetEnabled(_enabled);
        _buttons[i] = button;
    }
    _thumb.SetTexture(_kind.texture);
    _back.Bind(_kind.texture);
    _caption_shown = -1;
    _dirty = 0xFF;
    UpdatePosition();
}

float CMenuTrackBar::EndMargin() const
{
    const TrackBarPart& b = _kind.left_button;
    if (!b.present) return 0.0f;
    return float(_kind.orientation == orHorizontal ? b.width : b.height);
}

float CMenuTrackBar::TrackLength() const
{
    const bool h = _kind.orientation == orHorizontal;
    const float length = h ? _width : _height;
    const float thumb = float(h ? _kind.thumb.width : _kind.thumb.height);
    return length - 2.0f * EndMargin() - thumb + float(_kind.thumb_mg_left - _kind.thumb_mg_right);
}

void CMenuTrackBar::Layout()
{
    const bool h = _kind.orientation == orHorizontal;
    const float along0 = h ? _x : _y, across0 = h ? _y : _x;
    auto rect = [&](float along, float across, float len_along, float len_across) {
        return h ? FRect{along, across, along + len_along, across + len_across}
                 : FRect{across, along, across + len_across, along + len_along};
    };
    if (_kind.has_back && (_dirty & 1)) {
        CStaticRectSet& q = _back.quads;
        q.Clear();
        const float piece = float(h ? _kind.back_width : _kind.back_height);
        const float piece_across = float(h ? _kind.back_height : _kind.back_width);
        const float length = (h ? _width : _height) - float(_kind.back_mg_left + _kind.back_mg_right);
        const int count = piece > 0.0f && length > 0.0f ? int(length / piece) : 0;
        for (int i = 0; i < count; ++i)
            q.AddRect(rect(along0 + float(_kind.back_mg_left) + float(i) * piece, across0 + float(_kind.back_mg_top), piece,
                           piece_across),
                      _kind.back_tex);
    }
    if (_kind.thumb.present && (_dirty & 2)) {
        const float thumb_along = float(h ? _kind.thumb.width : _kind.thumb.height);
        const float thumb_across = float(h ? _kind.thumb.height : _kind.thumb.width);
        const float L = TrackLength();
        const float offset = _max == _min ? L * 0.5f - float(int(thumb_along) / 2)
                                          : L / float(_max - _min) * float(_position - _min);
        _thumb_rect = rect(along0 + EndMargin() + offset + float(_kind.thumb_mg_right), across0 + float(_kind.thumb.mg_top),
                           thumb_along, thumb_across);
        _thumb.SetRects(_thumb_rect, _thumb_hovered ? _kind.thumb.tex_hover : _kind.thumb.tex_normal);
    }
    _dirty = 0;
}

void CMenuTrackBar::UpdatePosition()
{
    const bool h = _kind.orientation == orHorizontal;
    const TrackBarPart* parts[2] = {&_kind.left_button, &_kind.right_button};
    for (size_t i = 0; i < 2; ++i) {
        if (!_buttons[i]) continue;
        const TrackBarPart& p = *parts[i];
        const float end_along = (h ? _x + _width : _y + _height) - float(h ? p.width : p.height);
        const float along = i == 0 ? (h ? _x : _y) : end_along;
        if (h) _buttons[i]->SetPosition(along, _y + float(p.mg_top));
        else _buttons[i]->SetPosition(_x + float(p.mg_top), along);
    }
    _caption.SetPosition(_x + _caption_dx, _y + _caption_dy);
    _dirty = 0xFF;
    Layout();
}

int CMenuTrackBar::ValueAt(float along) const
{
    const float L = TrackLength();
    if (_max <= _min || !(L > 0.0f)) return _position;
    const int thumb = _kind.orientation == orHorizontal ? _kind.thumb.width : _kind.thumb.height;
    const float p = along - EndMargin() - float(thumb / 2);
    const float value = p / (L / float(_max - _min)) + float(_min);
    if (!(value > float(_min))) return _min;
    if (value >= float(_max)) return _max;
    return int(value);
}

bool CMenuTrackBar::IsMouseOver() const
{
    if (!g_Mouse) return false;
    const int dx = int(float(g_Mouse->GetX()) - _x);
    const int dy = int(float(g_Mouse->GetY()) - _y);
    const float m = EndMargin();
    if (_kind.orientation == orVertical)
        return dx >= 1 && float(dx) < _width && float(dy) > m && float(dy) < _height - m;
    return float(dx) > m && float(dx) < _width - m && dy >= 1 && float(dy) < _height;
}

void CMenuTrackBar::ProcessInput()
{
    for (const auto& b : _buttons)
        if (b && b->IsVisible() && b->IsEnabled()) b->ProcessInput();
    if (_kind.thumb.present && g_Mouse) {
        const float mx = float(g_Mouse->GetX()), my = float(g_Mouse->GetY());
        const bool over = mx >= _thumb_rect.left && mx < _thumb_rect.right && my >= _thumb_rect.top && my < _thumb_rect.bottom;
        if (over != _thumb_hovered) {
            _thumb_hovered = over;
            _dirty |= 2;
        }
    }
    _hovered = IsMouseOver();
    const bool down = g_Mouse && g_Mouse->IsButtonDown(0);
    // A drag starts with the button going down on the track and lasts while it is held there.
    if (!down || !_hovered) _dragging = false;
    else if (g_Mouse->IsButtonPressed(0)) _dragging = true;
    if (_dragging && _min < _max) {
        const float along = _kind.orientation == orHorizontal ? float(g_Mouse->GetX()) - _x : float(g_Mouse->GetY()) - _y;
        const int value = ValueAt(along);
        if (value != _position) {
            _position = value;
            Changed();
        }
        _dirty |= 2;
    }
    if (_dirty) Layout();
}

void CMenuTrackBar::Changed()
{
    _dirty |= 2;
    if (_events) _events->OnChange(this);
}

void CMenuTrackBar::OnPress(CBaseControl* control)
{
    if (!_enabled) return;
    int next = _position;
    if (_buttons[0] && control == _buttons[0].get() && _position - _step >= _min) next = _position - _step;
    if (_buttons[1] && control == _buttons[1].get() && _position + _step <= _max) next = _position + _step;
    if (next == _position) return;
    _position = next;
    Changed();
    Layout();
}

void CMenuTrackBar::SetPosition(int v)
{
    v = std::max(_min, std::min(v, _max));
    if (v == _position) return;
    _position = v;
    Changed();
    Layout();
}

void CMenuTrackBar::SetMax(int v)
{
    _max = std::max(v, _min);
    if (_position > _max) _position = _max;
    if (_events) _events->OnChange(this);
    _dirty = 0xFF;
    Layout();
}

void CMenuTrackBar::SetMin(int v)
{
    _min = std::min(v, _max);
    if (_position < _min) _position = _min;
    if (_events) _events->OnChange(this);
    _dirty = 0xFF;
    Layout();
}

bool CMenuTrackBar::SetEnabled(bool enabled)
{
    if (!CBaseControl::SetEnabled(enabled)) return false;
    for (const auto& b : _buttons)
        if (b) b->SetEnabled(enabled);
    if (!enabled) _dragging = false;
    return true;
}

bool CMenuTrackBar::SetVisible(bool visible)
{
    if (!CBaseControl::SetVisible(visible)) return false;
    if (!visible) CancelInput();
    return true;
}

void CMenuTrackBar::CancelInput()
{
    CBaseControl::CancelInput();
    _dragging = false;
    for (const auto& b : _buttons)
        if (b) b->CancelInput();
}

void CMenuTrackBar::Update()
{
    if (!_visible) return;
    if (_dirty) Layout();
    if (_kind.has_back) _back.Draw();
    if (_kind.thumb.present) _thumb.Draw();
    for (const auto& b : _buttons)
        if (b) b->Update();
    if (!_captions.empty()) {
        const int index = _position - _min;
        if (index != _caption_shown && index >= 0 && size_t(index) < _captions.size()) {
            _caption.SetLabel(_captions[size_t(index)]);
            _caption_shown = index;
        }
        if (_caption_shown >= 0) _caption.Draw();
    }
}

// ---------------------------------------------------------------------------------------------
// CMenuProgressBar

CMenuProgressBar::CMenuProgressBar(IControlHolder* container, IEventHolder* events) : CBaseControl(container, events) {}

CMenuProgressBar::~CMenuProgressBar() = default;

bool CMenuProgressBar::Load(const CXMLNode& node)
{
    CBaseControl::Load(node);
    const int kind = node.GetIntAttribute("kind", 0);
    LoadKind(kind);
    _min_pos = node.GetIntAttribute("min", 0);
    _max_pos = node.GetIntAttribute("max", 100);
    _pos = node.GetIntAttribute("pos", _min_pos);
    VERIFY(_min_pos < _max_pos);
    VERIFY(_pos <= _max_pos);
    VERIFY(_min_pos <= _pos);
    _target = _pos;
    const std::string color = node.GetAttribute("color", "FFFFFFFF");
    _color = uint32_t(std::strtoul(color.c_str(), nullptr, 16));
    _dirty = 0xFF;
    return true;
}

void CMenuProgressBar::LoadKind(int kind)
{
    const auto& kinds = CControlKinds::Instance().ProgressBars();
    VERIFY((size_t)kind < kinds.size() && "Invalid progressbar kind!");
    _pb_desc = kinds[size_t(kind)];
    if (_pb_desc.indicator != pitLinear) VERIFY(!_pb_desc.discretes.empty());
    Setup();
}

void CMenuProgressBar::Setup()
{
    _background.Bind(_pb_desc.skin.texture);
    _pieces.clear();
    _tip.reset();
    if (_pb_desc.has_top_bar) {
        _tip = std::make_shared<CSprite>();
        _tip->Init(0, 0, _pb_desc.top_bar);
        _tip->SetVisible(false);
    }
    _last_percent = -1;
    _dirty = 0xFF;
    UpdatePosition();
}

void CMenuProgressBar::UpdatePosition()
{
    BuildSkin(_background.quads, FRect{_x, _y, _x + _width, _y + _height}, _pb_desc.skin);
    _tip_x = _tip_y = -1e9f;
    _dirty = 0xFF;
}

void CMenuProgressBar::Reset() { _pieces.clear(); }

void CMenuProgressBar::SetMinPos(int v)
{
    _min_pos = v;
    _dirty |= dfLimits;
}

void CMenuProgressBar::SetMaxPos(int v)
{
    _max_pos = v;
    _dirty |= dfLimits;
}

void CMenuProgressBar::SetPos(int v)
{
    v = std::max(_min_pos, std::min(v, std::max(_min_pos, _max_pos)));
    if (v == _target) return;
    _target = v;
    if (_step == 0) _pos = v;
    _dirty |= dfPos;
}

float CMenuProgressBar::GetPercent() const
{
    const int64_t range = int64_t(_max_pos) - _min_pos;
    if (range <= 0) return 0.0f;
    return float(double(int64_t(_pos) - _min_pos) / double(range) * 100.0);
}

int64_t CMenuProgressBar::ReachedDiscretes() const
{
    const int64_t n = int64_t(_pb_desc.discretes.size());
    const int64_t range = int64_t(_max_pos) - _min_pos;
    if (n == 0 || range <= 0) return 0;
    return std::clamp((int64_t(_pos) - _min_pos) * n / range, int64_t(0), n);
}

CSpritePtr CMenuProgressBar::MakePiece(const GraphicsDesc& desc, const FRect& rect, const FRect& tex)
{
    auto piece = std::make_shared<CSprite>(rect, tex);
    piece->SetTexture(desc.texture);
    piece->SetColor(_color);
    _pieces.push_back(piece);
    return piece;
}

void CMenuProgressBar::GenerateLinear()
{
    const ProgressDiscrete& d = _pb_desc.discretes.front();
    FRect tex = TexRect(d.graphics);
    const bool h = _pb_desc.orientation == orHorizontal;
    const float full = h ? tex.Width() : tex.Height();
    const int filled = int(full * GetPercent() / 100.0f);
    if (filled <= 0) return;
    const float left = _x + d.dis_x, top = _y + d.dis_y;
    if (h) {
        tex.right = tex.left + float(filled);
        MakePiece(d.graphics, FRect{left, top, left + float(filled), top + tex.Height()}, tex);
    } else {
        tex.top = tex.bottom - float(filled);
        const float y = top + full - float(filled);
        MakePiece(d.graphics, FRect{left, y, left + tex.Width(), y + float(filled)}, tex);
    }
}

void CMenuProgressBar::GenerateDiscreteSingle()
{
    const ProgressDiscrete& d = _pb_desc.discretes.front();
    const SkinDesc& s = _pb_desc.skin;
    const bool h = _pb_desc.orientation == orHorizontal;
    const float length = h ? _width - float(s.top_left.width + s.top_right.width) - d.dis_x
                           : _height - float(s.top_left.height + s.bottom_left.height) - d.dis_y;
    const float pitch = h ? DescWidth(d.graphics) : DescHeight(d.graphics);
    const int64_t range = int64_t(_max_pos) - _min_pos;
    if (!(pitch > 0.0f) || !(length > 0.0f) || range <= 0) return;
    const int64_t fit = int64_t(length / pitch);
    const int64_t count = std::clamp(int64_t(double(int64_t(_pos) - _min_pos) * (double(length) / double(range)) / pitch), int64_t(0), fit);
    const float w = DescWidth(d.graphics), hgt = DescHeight(d.graphics);
    for (int64_t i = 0; i < count; ++i) {
        const float along = float(i) * pitch;
        const FRect rect = h ? FRect{_x + d.dis_x + along, _y + d.dis_y, _x + d.dis_x + along + w, _y + d.dis_y + hgt}
                             : FRect{_x + d.dis_x, _y + _height - d.dis_y - along - pitch, _x + d.dis_x + w,
                                     _y + _height - d.dis_y - along};
        MakePiece(d.graphics, rect, TexRect(d.graphics));
    }
}

void CMenuProgressBar::GenerateDiscreteMultiple()
{
    const int64_t count = ReachedDiscretes();
    for (int64_t i = 0; i < count; ++i) {
        const ProgressDiscrete& d = _pb_desc.discretes[size_t(i)];
        const float left = float(int(_x + d.dis_x)), top = float(int(_y + d.dis_y));
        MakePiece(d.graphics, FRect{left, top, left + DescWidth(d.graphics), top + DescHeight(d.graphics)},
                  TexRect(d.graphics));
    }
}

void CMenuProgressBar::GenerateMultiImage()
{
    const int64_t k = ReachedDiscretes();
    if (k == 0) return;
    const ProgressDiscrete& d = _pb_desc.discretes[size_t(k - 1)];
    const float left = _x + d.dis_x, top = _y + d.dis_y;
    MakePiece(d.graphics, FRect{left, top, left + _width, top + _height}, TexRect(d.graphics));
}

void CMenuProgressBar::Regenerate()
{
    if (!_dirty) return;
    if (_dirty & dfLimits) {
        _max_pos = std::max(_max_pos, _min_pos);
        _pos = std::clamp(_pos, _min_pos, _max_pos);
        _target = std::clamp(_target, _min_pos, _max_pos);
    }
    if (_pos != _target) {
        const int64_t d = int64_t(_target) - _pos;
        _pos = (_step <= 0 || std::llabs(d) <= _step) ? _target : _pos + (d > 0 ? _step : -_step);
    }
    const int percent = int(GetPercent());
    if (!_pb_desc.color_map.empty() && percent != _last_percent) {
        const auto stage = _pb_desc.color_map.lower_bound(percent);
        if (stage != _pb_desc.color_map.end()) _color = stage->second;
    }
    _pieces.clear();
    if (!_pb_desc.discretes.empty()) {
        switch (_pb_desc.indicator) {
        case pitLinear: GenerateLinear(); break;
        case pitDiscreteSingle: GenerateDiscreteSingle(); break;
        case pitDiscreteMultiple: GenerateDiscreteMultiple(); break;
        case pitMultiImage: GenerateMultiImage(); break;
        default: GetLog().Error("Error: unknown progress bar type"); break;
        }
    }
    if (_tip) {
        _tip_shown = _pos != _min_pos && _pos != _max_pos;
        _tip->SetVisible(_tip_shown);
        if (_tip_shown) {
            if (percent != _last_percent) {
                const auto stage = _pb_desc.size_map.lower_bound(percent);
                if (stage != _pb_desc.size_map.end()) _tip->SetSize(stage->second.first, stage->second.second);
            }
            float x = 0.0f, y = 0.0f;
            GetTipPosition(x, y);
            x += _pb_desc.top_offset_x;
            y += _pb_desc.top_offset_y;
            if (x != _tip_x || y != _tip_y) {
                _tip_x = x;
                _tip_y = y;
                _tip->SetPosition(x - _tip->GetWidth() / 2.0f, y - _tip->GetHeight() / 2.0f);
            }
        }
    }
    _last_percent = percent;
    // A bar gliding toward its target goes on at the next update.
    _dirty = _pos != _target ? uint32_t(dfPos) : 0u;
}

void CMenuProgressBar::GetTipPosition(float& x, float& y) const
{
    FRect r;
    if (!_pieces.empty()) {
        r = _pieces.back()->GetRect();
    } else if (!_pb_desc.discretes.empty()) {
        const ProgressDiscrete& d = _pb_desc.discretes.front();
        r = FRect{_x + d.dis_x, _y + d.dis_y, _x + d.dis_x + DescWidth(d.graphics), _y + d.dis_y + DescHeight(d.graphics)};
    } else {
        r = FRect{_x, _y, _x, _y + _height};
    }
    if (_pb_desc.orientation == orHorizontal) {
        x = r.right;
        y = r.top + r.Height() / 2.0f;
    } else {
        x = r.left + r.Width() / 2.0f;
        y = r.top;
    }
}

void CMenuProgressBar::Update()
{
    Regenerate();
    if (!_visible) return;
    _background.Draw();
    for (const CSpritePtr& p : _pieces) p->Draw();
    if (_tip_shown && _tip) _tip->Draw();
}
