#include "field/graph/field_graphobj.h"

#include "engine/base/engine_helpers.h"
#include "engine/sound/engine_soundqueue.h"

#include <cmath>

namespace {

int _effect_counter = 0;

// Alphas are rounded to the nearest integer, ties to the even one, and kept within 0..255.
uint32_t RoundAlpha(float alpha)
{
    const float r = std::nearbyint(alpha);
    if (!(r > 0.0f)) return 0;
    return r >= 255.0f ? 255u : uint32_t(r);
}

} // namespace

void CEffectCounter::Increment() { ++_effect_counter; }

void CEffectCounter::Decrement()
{
    VERIFY(_effect_counter);
    --_effect_counter;
}

bool CEffectCounter::HasRunning() { return _effect_counter != 0; }
int CEffectCounter::GetCount() { return _effect_counter; }

CGraphObj& IBaseEffect::Object() const
{
    VERIFY(_obj != NULL);
    return *_obj;
}

// ---- alpha

CAlphaEffect::CAlphaEffect(CGraphObj* object, uint32_t target_alpha, uint32_t interval)
{
    VERIFY(interval != 0);
    _target = float(target_alpha);
    _remaining = interval;
    CAlphaEffect::SetObject(object);
    StartCounter(interval);
}

void CAlphaEffect::SetObject(CGraphObj* object)
{
    _obj = object;
    _current = object ? float(object->GetAlpha()) : 0.0f;
    _step = object ? (_target - _current) / float(_remaining ? _remaining : 1) : 0.0f;
}

std::unique_ptr<IBaseEffect> CAlphaEffect::Clone(CGraphObj* object) const
{
    auto copy = std::make_unique<CAlphaEffect>(*this);
    copy->SetObject(object);
    return copy;
}

void CAlphaEffect::Finish()
{
    StopCounter();
    Object().SetAlpha(float(RoundAlpha(_target)));
}

bool CAlphaEffect::Step()
{
    TickCounter();
    if (CounterEnded()) {
        Object().SetAlpha(float(RoundAlpha(_target)));
        return false;
    }
    Object().SetAlpha(float(RoundAlpha(_current)));
    _current += _step;
    return true;
}

// ---- scale

CScaleEffect::CScaleEffect(CGraphObj* object, float target_width, float target_height, uint32_t interval)
{
    VERIFY(interval != 0);
    _target_w = target_width;
    _target_h = target_height;
    _remaining = interval;
    CScaleEffect::SetObject(object);
    StartCounter(interval);
}

void CScaleEffect::SetObject(CGraphObj* object)
{
    _obj = object;
    const float n = float(_remaining ? _remaining : 1);
    _step_w = object ? (_target_w - object->GetWidth()) / n : 0.0f;
    _step_h = object ? (_target_h - object->GetHeight()) / n : 0.0f;
}

std::unique_ptr<IBaseEffect> CScaleEffect::Clone(CGraphObj* object) const
{
    auto copy = std::make_unique<CScaleEffect>(*this);
    copy->SetObject(object);
    return copy;
}

void CScaleEffect::Finish()
{
    StopCounter();
    Object().SetSize(_target_w, _target_h);
}

bool CScaleEffect::Step()
{
    TickCounter();
    if (CounterEnded()) {
        Object().SetSize(_target_w, _target_h);
        return false;
    }
    Object().Resize(_step_w, _step_h);
    return true;
}

// ---- appear

CAppearEffect::CAppearEffect(CGraphObj* object, uint32_t target_alpha, float target_width, float target_height,
                             float final_width, float final_height, float final_x, float final_y,
                             float overshoot_percent, uint32_t interval)
{
    VERIFY(interval != 0);
    _target_alpha = float(target_alpha);
    _target_w = target_width;
    _target_h = target_height;
    _final_w = final_width;
    _final_h = final_height;
    _final_x = final_x;
    _final_y = final_y;
    _percent = overshoot_percent;
    _remaining = interval;
    CAppearEffect::SetObject(object);
    StartCounter(interval);
}

void CAppearEffect::SetObject(CGraphObj* object)
{
    _obj = object;
    const float n = float(_remaining ? _remaining : 1);
    _over_w = _final_w * (100.0f + _percent) / 100.0f;
    _over_h = _final_h * (100.0f + _percent) / 100.0f;
    if (!object) {
        _speed_w = _speed_h = _alpha_step = 0.0f;
        return;
    }
    _start_w = object->GetWidth();
    _start_h = object->GetHeight();
    _speed_w = (std::fabs(_target_w - _start_w) + (_over_w - _final_w) * 2.0f) / n;
    _speed_h = (std::fabs(_target_h - _start_h) + (_over_h - _final_h) * 2.0f) / n;
    _current_alpha = float(object->GetAlpha());
    _alpha_step = (_target_alpha - _current_alpha) / n;
}

std::unique_ptr<IBaseEffect> CAppearEffect::Clone(CGraphObj* object) const
{
    auto copy = std::make_unique<CAppearEffect>(*this);
    copy->SetObject(object);
    return copy;
}

void CAppearEffect::Finish()
{
    StopCounter();
    CGraphObj& obj = Object();
    obj.SetSize(_final_w, _final_h);
    obj.SetAlpha(float(RoundAlpha(_target_alpha)));
}

bool CAppearEffect::Step()
{
    TickCounter();
    CGraphObj& obj = Object();
    if (CounterEnded()) {
        obj.SetSize(_final_w, _final_h);
        obj.SetPos(_final_x, _final_y);
        obj.SetAlpha(float(RoundAlpha(_target_alpha)));
        return false;
    }
    // Past the overshoot the growth turns into shrinking, once: an object that starts above the
    // overshoot shrinks straight back instead of swinging about it.
    const auto turn = [this, &obj] {
        if (obj.GetHeight() >= _over_h && _speed_h > 0.0f) _speed_h = -_speed_h;
        if (obj.GetWidth() >= _over_w && _speed_w > 0.0f) _speed_w = -_speed_w;
    };
    turn();
    obj.Resize(_speed_w, _speed_h);
    turn();
    obj.SetAlpha(float(RoundAlpha(_current_alpha)));
    _current_alpha += _alpha_step;
    return true;
}

// ---- graph object

CGraphObj::CGraphObj(const GraphObjState* state, float width, float height,
                     const std::shared_ptr<CRenderKeeper>& keeper)
    : _render_manager(keeper)
{
    SetState(state, width, height);
}

CGraphObj::~CGraphObj()
{
    if (_effect) {
        _effect.reset();
        // Never throw from here: a count that is already 0 has been reported elsewhere.
        if (CEffectCounter::HasRunning()) CEffectCounter::Decrement();
    }
    ReleaseSprites();
}

void CGraphObj::ReleaseSprites()
{
    for (auto& sprite : _layers) {
        if (_render_manager && sprite->GetRenderer()) _render_manager->ReleaseRenderer(sprite->GetRenderer());
        sprite.reset();
    }
    _layers.clear();
}

void CGraphObj::SetState(const GraphObjState* action, float width, float height)
{
    VERIFY(action != NULL);
    VERIFY(_render_manager != NULL);
    ReleaseSprites();
    for (const GraphicsDesc& desc : action->layers) {
        auto spr = std::make_unique<CSprite>();
        spr->SetRectGraphics(FRect{0.0f, 0.0f, width, height}, desc);
        spr->SetRenderer(_render_manager->GetRenderer(desc));
        if (!_visible) spr->SetVisible(false);
        _layers.push_back(std::move(spr));
    }
    _state = action;
}

void CGraphObj::ChangeState(const GraphObjState* state)
{
    float x = 0.0f, y = 0.0f;
    GetPos(x, y);
    const float w = GetWidth(), h = GetHeight(), angle = GetAngle();
    SetState(state, w, h);
    SetAngle(angle);
    SetPos(x, y);
}

void CGraphObj::Move(float dx, float dy)
{
    for (auto& s : _layers) s->Move(dx, dy);
}

void CGraphObj::SetPos(float x, float y)
{
    for (auto& s : _layers) s->SetPosition(x, y);
}

void CGraphObj::SetAngle(float degrees)
{
    for (auto& s : _layers) s->SetAngle(degrees);
}

void CGraphObj::SetSize(float width, float height)
{
    for (auto& s : _layers) s->SetSize(width, height);
}

void CGraphObj::Resize(float dwidth, float dheight)
{
    for (auto& s : _layers) s->Resize(dwidth, dheight);
}

void CGraphObj::SetAlpha(float alpha, int layer)
{
    const uint32_t a = RoundAlpha(alpha);
    if (layer < 0) {
        for (auto& s : _layers) s->SetAlpha(a);
    } else if (size_t(layer) < _layers.size()) {
        _layers[layer]->SetAlpha(a);
    }
}

void CGraphObj::SetVisible(bool visible)
{
    _visible = visible;
    for (auto& s : _layers) s->SetVisible(visible);
}

const CSprite* CGraphObj::Layer(int layer) const
{
    return layer >= 0 && size_t(layer) < _layers.size() ? _layers[layer].get() : nullptr;
}

bool CGraphObj::GetPos(float& x, float& y, int layer) const
{
    const CSprite* s = Layer(layer);
    if (!s) return false;
    x = s->GetX();
    y = s->GetY();
    return true;
}

float CGraphObj::GetX(int layer) const { const CSprite* s = Layer(layer); return s ? s->GetX() : 0.0f; }
float CGraphObj::GetY(int layer) const { const CSprite* s = Layer(layer); return s ? s->GetY() : 0.0f; }
float CGraphObj::GetWidth(int layer) const { const CSprite* s = Layer(layer); return s ? s->GetWidth() : 0.0f; }
float CGraphObj::GetHeight(int layer) const { const CSprite* s = Layer(layer); return s ? s->GetHeight() : 0.0f; }
float CGraphObj::GetAngle(int layer) const { const CSprite* s = Layer(layer); return s ? s->GetAngle() : 0.0f; }
uint32_t CGraphObj::GetAlpha(int layer) const { const CSprite* s = Layer(layer); return s ? s->GetAlpha() : 0u; }

void CGraphObj::PlaySound(size_t index) const
{
    if (!_state || _state->sounds.empty()) return;
    if (index >= _state->sounds.size()) index = _state->sounds.size() - 1;
    g_SoundQueue.QueueSound(_state->sounds[index]);
}

void CGraphObj::SetEffect(std::unique_ptr<IBaseEffect> effect)
{
    VERIFY(effect.get() != NULL);
    StopEffect();
    _effect = std::move(effect);
    _effect->SetObject(this);
    CEffectCounter::Increment();
}

void CGraphObj::StepEffect()
{
    if (_effect && !_effect->Step()) {
        _effect.reset();
        CEffectCounter::Decrement();
    }
}

void CGraphObj::StopEffect()
{
    if (!_effect) return;
    _effect->Finish();
    _effect.reset();
    CEffectCounter::Decrement();
}
