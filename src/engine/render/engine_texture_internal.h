// Textures on the renderer, for the engine's own code and for tests. Nothing above the engine
// includes this header.
#pragma once

#include "engine/core/engine_core_internal.h"
#include "engine/render/engine_texture.h"

#include <cstdint>

struct SDL_Renderer;
struct SDL_Texture;

struct CTexture::DeviceCopy {
    SDL_Texture* texture = nullptr;
    SDL_Renderer* renderer = nullptr;      // the renderer the texture was made on

    // The texture on the renderer, uploaded on first use (and again after a render reset or when
    // the renderer changed). Null without pixels, without a renderer, or when the upload failed
    // (logged once).
    static SDL_Texture* Get(CTexture& texture, SDL_Renderer* renderer);

    // The texture drawn with a colour of the given RGB at full alpha. A tint asked for on several
    // draws in a row is multiplied into a copy once, which then draws that colour as white; a tint
    // that keeps changing is left to the renderer. The plain texture while there is no copy.
    static SDL_Texture* GetTinted(CTexture& texture, SDL_Renderer* renderer, uint32_t rgb);

    DeviceTextureTraits traits;
    SDL_Texture* tinted = nullptr;
    DeviceTextureTraits tinted_traits;
    uint32_t tint_seen = 0xFFFFFF;     // the tint of the last draws, and on how many in a row
    int tint_draws = 0;
};

// The texture on the engine's renderer (see CTexture::DeviceCopy::Get).
SDL_Texture* GetD3DTexture(CTexture& texture);
// The same on a given renderer.
inline SDL_Texture* GetDeviceTexture(CTexture& texture, SDL_Renderer* renderer)
{
    return CTexture::DeviceCopy::Get(texture, renderer);
}
