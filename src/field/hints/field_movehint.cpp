#include "field/hints/field_movehint.h"

#include "field/config/field_config.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_xml.h"

#include <cmath>

CMoveHint::CMoveHint() : _keeper(std::make_shared<CRenderKeeper>()) {}

void CMoveHint::ReadMark(const CXMLNode& mark_node)
{
    _mark_desc = GraphicsDesc();
    ReadGraphics(mark_node, _mark_desc);
    if (_mark_desc.width == 0) _mark_desc.width = int32_t(g_GameCfg.GetCellW());
    if (_mark_desc.height == 0) _mark_desc.height = int32_t(g_GameCfg.GetCellH());
}

void CMoveHint::Load(const CXMLNode& arrow_node, const CXMLNode& mark_node)
{
    if (!arrow_node.IsValid() || !mark_node.IsValid()) return;
    _marks_only = false;
    _arrow_desc = GraphicsDesc();
    ReadGraphics(arrow_node, _arrow_desc);
    // An arrow always spans the two cells of its step.
    _arrow_desc.width = int32_t(g_GameCfg.GetCellW() * 2.0f);
    _arrow_desc.height = int32_t(g_GameCfg.GetCellH());
    ReadMark(mark_node);
    _state = E_IDLE;
}

void CMoveHint::LoadMarks(const CXMLNode& mark_node)
{
    if (!mark_node.IsValid()) return;
    _marks_only = true;
    ReadMark(mark_node);
    _state = E_IDLE;
}

void CMoveHint::Show(const std::vector<int>& cells)
{
    VERIFY(_state != E_NO_INIT);
    if (cells.size() < 2) return;

    _cells = cells;
    _alpha = 0;
    _marks.clear();
    _arrows.clear();
    _keeper->Clear();

    const float cw = g_GameCfg.GetCellW();
    const float ch = g_GameCfg.GetCellH();
    const float mark_dx = (cw - float(_mark_desc.width)) / 2.0f;
    const float mark_dy = (ch - float(_mark_desc.height)) / 2.0f;
    float px = 0.0f, py = 0.0f;
    for (size_t i = 0; i < cells.size(); ++i) {
        float x = 0.0f, y = 0.0f;
        g_LevelCfg.CellToScreen(cells[i], x, y);
        auto mark = std::make_shared<CSprite>(x + mark_dx, y + mark_dy, _mark_desc, *_keeper);
        mark->SetAlpha(0);
        _marks.push_back(mark);
        if (!_marks_only) {
            std::shared_ptr<CSprite> arrow;
            if (i > 0) {
                float ax, ay, angle;
                if (x > px) { ax = px; ay = py; angle = 0.0f; }
                else if (x < px) { ax = x; ay = y; angle = 180.0f; }
                else if (y > py) { ax = px - cw / 2.0f; ay = py + ch / 2.0f; angle = 90.0f; }
                else { ax = x - cw / 2.0f; ay = y + ch / 2.0f; angle = -90.0f; }
                arrow = std::make_shared<CSprite>(ax, ay, _arrow_desc, *_keeper);
                arrow->SetAngle(angle);
                arrow->SetAlpha(0);
            }
            _arrows.push_back(arrow);
        }
        px = x;
        py = y;
    }

    _progress.assign(cells.size(), 0.0f);
    _direction.assign(cells.size(), 0);
    _arrow_span = 0.0f;
    if (!_marks_only) {
        const size_t n = cells.size();
        float value = n < 5 ? float(5 - n) * 25.0f : 0.0f;
        for (size_t i = 1; i < n; ++i) {
            value += 25.0f;
            _progress[i] = value;
            _direction[i] = -1;
        }
        _arrow_span = value;
    }

    _state = E_FADE_IN;
    _hold = false;
    StartCountdown(kFadeInUpdates);
}

void CMoveHint::FadeOut()
{
    if (_state == E_NO_INIT || _state == E_IDLE) return;
    _state = E_FADE_OUT;
    StartCountdown(kFadeOutRequestUpdates);
    _hold = false;
}

void CMoveHint::Update()
{
    if (_state == E_NO_INIT || _state == E_IDLE) return;
    if (_countdown > 0) --_countdown;
    switch (_state) {
    case E_FADE_IN:
        if (_countdown == 0) {
            StartCountdown(kShownUpdates);
            _state = E_SHOWN;
        } else {
            _alpha = (kFadeInUpdates - _countdown) * kAlphaStep;
        }
        break;
    case E_SHOWN:
        if (_countdown == 0 && !_hold) {
            StartCountdown(kFadeOutUpdates);
            _state = E_FADE_OUT;
        }
        break;
    case E_FADE_OUT:
        if (_countdown == 0) {
            _state = E_IDLE;
            return;
        }
        _alpha = _countdown * kAlphaStep;
        break;
    default:
        break;
    }
    Draw();
}

void CMoveHint::Draw()
{
    for (auto& mark : _marks) mark->SetAlpha(_alpha);
    if (!_marks_only) {
        for (size_t i = 0; i < _arrows.size(); ++i) {
            if (!_arrows[i]) continue;
            const float p = _progress[i];
            const uint32_t a = p >= 0.0f && p <= 100.0f ? uint32_t(std::lround(float(_alpha) * p / 100.0f)) : 0u;
            _arrows[i]->SetAlpha(a);
        }
        for (size_t i = 1; i < _progress.size(); ++i) {
            _progress[i] += 2.0f * float(_direction[i]);
            if (_progress[i] < 0.0f) _progress[i] += _arrow_span;
        }
    }
    _keeper->Draw();
}
