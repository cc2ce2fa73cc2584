// Pixel tests: read back a rectangle of the software renderer and compare it with a small
// reference PNG within a tolerance. Setting the named environment variable writes the reference
// instead (the test then skips), so a deliberate change of the drawing is one command away.
#pragma once

#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

namespace zftest {

struct SurfaceDeleter {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

inline uint32_t PixelAt(const SDL_Surface* s, int x, int y)
{
    return *reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(s->pixels) + y * s->pitch + x * 4);
}

// The rectangle of the renderer's current target as an ARGB8888 surface; null on failure.
inline SurfacePtr ReadBack(SDL_Renderer* renderer, const SDL_Rect& rect)
{
    SurfacePtr shot(SDL_CreateRGBSurfaceWithFormat(0, rect.w, rect.h, 32, SDL_PIXELFORMAT_ARGB8888));
    if (shot && SDL_RenderReadPixels(renderer, &rect, SDL_PIXELFORMAT_ARGB8888, shot->pixels, shot->pitch) != 0)
        shot.reset();
    return shot;
}

// The largest difference of the colour channels of two ARGB pixels.
inline int ChannelDistance(uint32_t a, uint32_t b)
{
    int worst = 0;
    for (int shift = 0; shift < 24; shift += 8)
        worst = std::max(worst, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
    return worst;
}

struct PixelComparison {
    bool written = false;   // the reference was (re)written instead of compared
    std::string error;      // why no comparison took place
    int differing = 0;      // pixels whose channels differ by more than the tolerance
    SurfacePtr reference;   // the reference as ARGB8888, when it was read
};

// The pixels of an ARGB8888 surface that are not `colour` (e.g. what was drawn over a background).
inline int CountOtherThan(const SDL_Surface* s, uint32_t colour)
{
    int n = 0;
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x)
            if (PixelAt(s, x, y) != colour) ++n;
    return n;
}

// Compares `shot` with the PNG at `reference`. With the environment variable `update_env` set,
// writes the reference instead.
inline PixelComparison CompareWithReference(SDL_Surface* shot, const std::string& reference, const char* update_env,
                                            int tolerance)
{
    PixelComparison result;
    if (std::getenv(update_env)) {
        if (IMG_SavePNG(shot, reference.c_str()) != 0) result.error = IMG_GetError();
        result.written = result.error.empty();
        return result;
    }
    SurfacePtr loaded(IMG_Load(reference.c_str()));
    if (!loaded) {
        result.error = "no reference picture " + reference + " (" + IMG_GetError() + ")";
        return result;
    }
    SurfacePtr ref(SDL_ConvertSurfaceFormat(loaded.get(), SDL_PIXELFORMAT_ARGB8888, 0));
    if (!ref || ref->w != shot->w || ref->h != shot->h) {
        result.error = "reference " + reference + " has another size than the drawing";
        return result;
    }
    for (int y = 0; y < shot->h; ++y)
        for (int x = 0; x < shot->w; ++x)
            if (ChannelDistance(PixelAt(shot, x, y), PixelAt(ref.get(), x, y)) > tolerance) ++result.differing;
    result.reference = std::move(ref);
    return result;
}

} // namespace zftest
