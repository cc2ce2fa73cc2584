// Textures on the renderer, for the engine's own code and for tests. Nothing above the engine
// includes this header.
#pragma once

#include "engine/render/engine_texture.h"

struct SDL_Renderer;
struct SDL_Texture;

struct CTexture::DeviceCopy {
    SDL_Texture* texture = nullptr;
    SDL_Renderer* renderer = nullptr;      // the renderer the texture was made on

    // The texture on the renderer, uploaded on first use (and again after a render reset or when
    // the renderer changed). Null without pixels, without a renderer, or when the upload failed
    // (logged once).
    static SDL_Texture* Get(CTexture& texture, SDL_Renderer* renderer);
};

// The texture on the engine's renderer (see CTexture::DeviceCopy::Get).
SDL_Texture* GetD3DTexture(CTexture& texture);
// The same on a given renderer.
inline SDL_Texture* GetDeviceTexture(CTexture& texture, SDL_Renderer* renderer)
{
    return CTexture::DeviceCopy::Get(texture, renderer);
}
