#include "engine/render/cross_fader.h"

#include "engine/core/engine_core.h"
#include "engine/base/engine_helpers.h"

#include <algorithm>
#include <cstdlib>

void CCrossFader::Init(int step)
{
    _step = step;
    _shader = std::make_shared<CSprite>();
    VERIFY(_shader != NULL);
    const float w = g_EngineCore ? float(g_EngineCore->GetScreenWidth()) : 800.0f;
    const float h = g_EngineCore ? float(g_EngineCore->GetScreenHeight()) : 600.0f;
    _shader->SetRects(FRect{0.0f, 0.0f, w, h}, FRect{0.0f, 0.0f, 1.0f, 1.0f});
    _shader->SetTexture(kSquareTexture, false);
    _shader->SetRGB(0x010101);
    _state = fsIdle;
    _visible = false;
}

int CCrossFader::CurrentAlpha() const
{
    return _shader ? int(_shader->GetAlpha(0)) : 255;
}

// Bounds outside the alpha range could never be reached: the fade would run for ever.
void CCrossFader::StartFadeOut(int from, int to)
{
    VERIFY(_shader != NULL);
    _lower = std::clamp(from, 0, 255);
    _upper = std::clamp(to, 0, 255);
    _shader->SetAlpha(uint32_t(_lower));
    _step = std::abs(_step);
    _state = fsRising;
    _visible = true;
}

void CCrossFader::StartFadeIn(int from, int to)
{
    VERIFY(_shader != NULL);
    _upper = std::clamp(from, 0, 255);
    _lower = std::clamp(to, 0, 255);
    _shader->SetAlpha(uint32_t(_upper));
    _step = -std::abs(_step);
    _state = fsFalling;
    _visible = true;
}

void CCrossFader::FadeOutTo(int to)
{
    StartFadeOut(CurrentAlpha(), to);
}

void CCrossFader::FadeInTo(int to)
{
    StartFadeIn(CurrentAlpha(), to);
}

void CCrossFader::Draw()
{
    if (!_shader) return;
    if (_visible) _shader->Draw();
    Update();
}

void CCrossFader::Update()
{
    if (!_shader || _state == fsIdle) return;
    const int a = int(_shader->GetAlpha(0)) + _step;
    int alpha;
    if (a >= _upper) {
        alpha = _upper;
        _state = fsIdle;
    } else if (a <= _lower) {
        alpha = _lower;
        _state = fsIdle;
    } else {
        alpha = a;
    }
    _shader->SetAlpha(uint32_t(alpha));
    _visible = alpha != 0;
}
