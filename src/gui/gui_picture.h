// Pictures of the screens: a sprite showing one whole texture in a screen rectangle.
#pragma once

#include "engine/render/engine_render.h"

#include <memory>

// The whole screen.
inline constexpr FRect kScreenRect{0.0f, 0.0f, 800.0f, 600.0f};

// A sprite showing the whole texture at the rect.
std::unique_ptr<CSprite> MakePicture(const char* texture, const FRect& rect);
