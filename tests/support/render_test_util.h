// Helpers of the render tests: the fixture folder and a recording engine with a real (software)
// renderer behind it, so that every texture has its own device texture.
#pragma once

#include "engine/base/engine_layout.h"
#include "engine/base/engine_log.h"
#include "engine/render/engine_texture_internal.h"
#include "support/recording_engine.h"
#include "support/test_support.h"

#include <SDL.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace rendertest {

inline const std::string kFixtureDir = std::string(ZF_TEST_DATA_DIR) + "/render";

using zftest::LogWatch;
using zftest::ReadLog;
using zftest::ScopedChdir;

// A sprite description: texture, size, texture rectangle in pixels, tint, angle in degrees.
inline GraphicsDesc Desc(const char* texture, int w, int h, float l, float t, float r, float b,
                         uint32_t color = 0xFFFFFFFF, int angle = 0)
{
    GraphicsDesc d;
    d.texture = texture;
    d.width = w;
    d.height = h;
    d.color = color;
    d.angle = angle;
    d.tex_rect[0] = l;
    d.tex_rect[1] = t;
    d.tex_rect[2] = r;
    d.tex_rect[3] = b;
    return d;
}

// A recording engine whose device is a software renderer on a small surface. The texture cache is
// emptied on both ends, so no texture outlives the renderer it was uploaded to.
class DeviceRecordingEngine : public RecordingEngine {
public:
    DeviceRecordingEngine()
    {
        CTextureCacher::Instance().Clear();
        _surface = SDL_CreateRGBSurfaceWithFormat(0, 64, 64, 32, SDL_PIXELFORMAT_ARGB8888);
        _device = _surface ? SDL_CreateSoftwareRenderer(_surface) : nullptr;
        if (!_device) throw std::runtime_error(std::string("no software renderer: ") + SDL_GetError());
    }
    ~DeviceRecordingEngine() override
    {
        CTextureCacher::Instance().Clear();
        SDL_DestroyRenderer(_device);
        SDL_FreeSurface(_surface);
    }
    SDL_Renderer* GetDevice() const override { return _device; }

private:
    SDL_Surface* _surface = nullptr;
    SDL_Renderer* _device = nullptr;
};

} // namespace rendertest
